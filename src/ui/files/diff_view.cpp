#include "ui/files/diff_view.h"

#include <QFileInfo>
#include <QLabel>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextTable>
#include <QVBoxLayout>
#include <utility>

#include "documents/document.h"
#include "documents/location.h"
#include "documents/open.h"
#include "ui/base/background.h"
#include "ui/base/fonts.h"
#include "ui/base/text.h"
#include "ui/remote/servers.h"

namespace ui {

DiffView::DiffView(QWidget* parent, const QString& name) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("比较：%1").arg(name.section(u'/', -1)));
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(QStringLiteral("正在读取 %1…").arg(name), this);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    // A rich text view: its blocks take their ground across the whole row and the line height
    // they are given, which a plain text view does not.
    lines_ = new QTextEdit(this);
    lines_->setReadOnly(true);
    lines_->setLineWrapMode(QTextEdit::NoWrap);
    lines_->setAcceptRichText(false);
    lines_->setAccessibleName(QStringLiteral("改动的行"));
    lines_->setFont(unitFont({}));
    layout->addWidget(lines_, 1);
    resize(640, 420);
}

DiffView* DiffView::show(QWidget* parent, const QString& path, storage::Encoding encoding, const QString& text) {
    auto* view = new DiffView(parent, documents::shown(path));
    view->QDialog::show();
    runInBackground(
        view,
        [path, encoding, now = toUtf8(text)] {
            const documents::Read read = documents::read(path, encoding);
            std::pair<QString, std::vector<documents::Change>> out;
            if (!read.file.ok())
                out.first = read.file.error;
            else
                out.second = documents::lineDiff(toUtf8(read.file.decoded.text), now);
            return out;
        },
        [view](const std::pair<QString, std::vector<documents::Change>>& result) {
            view->setChanges(result.first, result.second);
        });
    return view;
}

DiffView* DiffView::showBytes(QWidget* parent, const QString& name, const QByteArray& bytes, storage::Encoding encoding,
                              const QString& text) {
    auto* view = new DiffView(parent, name);
    view->QDialog::show();
    view->compareWith(bytes, encoding, text);
    return view;
}

DiffView* DiffView::showServer(QWidget* parent, Servers& servers, const documents::Document& document,
                               const QString& text) {
    auto* view = new DiffView(parent, document.shownPath());
    view->QDialog::show();
    remote::Session* session = servers.session(document.place);
    if (session == nullptr) {
        view->setChanges(QStringLiteral("没有名为“%1”的服务器").arg(document.place), {});
        return view;
    }
    session->read(documents::serverPathBytes(document.path), view,
                  [view, encoding = document.format.encoding, text](const remote::FileRead& read) {
                      if (!read.ok()) return view->setChanges(read.message, {});
                      view->compareWith(read.bytes, encoding, text);
                  });
    return view;
}

// The bytes decoded and compared off the UI thread.
void DiffView::compareWith(const QByteArray& bytes, storage::Encoding encoding, const QString& text) {
    runInBackground(
        this,
        [bytes, encoding, now = toUtf8(text)] {
            const storage::DecodedText decoded = storage::decodeText(bytes, encoding);
            return documents::lineDiff(toUtf8(decoded.text), now);
        },
        [this](const std::vector<documents::Change>& changes) { setChanges({}, changes); });
}

// Each change under the line of the file it starts at: removed lines with "-" on a red ground,
// added ones with "+" on a green ground, each ground across the whole row, with dark text that
// reads at 4.5:1 at least on either palette. The rows are the cells of a table with a little
// padding: a cell's ground takes in the padding, so the underscores that hang below a line of
// this font stay on their own row's ground.
void DiffView::setChanges(const QString& error, const std::vector<documents::Change>& changes) {
    loaded_ = true;
    if (!error.isEmpty()) return summary_->setText(error);
    int removed = 0;
    int added = 0;
    for (const documents::Change& change : changes) {
        removed += static_cast<int>(change.removed.size());
        added += static_cast<int>(change.added.size());
    }
    summary_->setText(changes.empty()
                          ? QStringLiteral("与磁盘上的文件相同：保存不会改动任何一行。")
                          : QStringLiteral("保存会改动 %1 处：删去 %2 行，加入 %3 行（行号是磁盘上文件的行号）。")
                                .arg(changes.size())
                                .arg(removed)
                                .arg(added));
    if (changes.empty()) return;
    int rows = 0;
    for (const documents::Change& change : changes)
        rows += 1 + static_cast<int>(change.removed.size() + change.added.size());
    QTextTableFormat table;
    table.setBorder(0);
    table.setBorderStyle(QTextFrameFormat::BorderStyle_None);
    table.setCellSpacing(0);
    table.setCellPadding(kRowPadding);
    table.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    QTextCursor cursor(lines_->document());
    QTextTable* grid = cursor.insertTable(rows, 1, table);
    int at = 0;
    const auto row = [&](const QString& text, const QColor& ground, const QColor& ink, bool bold) {
        QTextTableCell cell = grid->cellAt(at++, 0);
        if (ground.isValid()) {
            QTextTableCellFormat filled = cell.format().toTableCellFormat();
            filled.setBackground(ground);
            cell.setFormat(filled);
        }
        QTextCharFormat format;
        if (ink.isValid()) format.setForeground(ink);
        if (bold) format.setFontWeight(QFont::Bold);
        cell.firstCursorPosition().insertText(text, format);
    };
    for (const documents::Change& change : changes) {
        row(QStringLiteral("第 %1 行").arg(change.line), {}, {}, true);
        int number = change.line;
        for (const std::string& text : change.removed)
            row(QStringLiteral("%1 - %2").arg(number++, 6).arg(fromUtf8(text)), kRemovedGround, kRemovedInk, false);
        for (const std::string& text : change.added)
            row(QStringLiteral("%1 + %2").arg(QString(), 6).arg(fromUtf8(text)), kAddedGround, kAddedInk, false);
    }
    lines_->moveCursor(QTextCursor::Start);
}

}  // namespace ui
