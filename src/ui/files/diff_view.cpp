#include "ui/files/diff_view.h"

#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QVBoxLayout>

#include "documents/document.h"
#include "documents/open.h"
#include "ui/base/background.h"
#include "ui/base/fonts.h"
#include "ui/base/text.h"

namespace ui {

DiffView::DiffView(QWidget* parent, const QString& path) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("比较：%1").arg(QFileInfo(path).fileName()));
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(QStringLiteral("正在读取 %1…").arg(documents::shown(path)), this);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    lines_ = new QPlainTextEdit(this);
    lines_->setReadOnly(true);
    lines_->setLineWrapMode(QPlainTextEdit::NoWrap);
    lines_->setAccessibleName(QStringLiteral("改动的行"));
    lines_->setFont(unitFont({}));
    layout->addWidget(lines_, 1);
    resize(640, 420);
}

DiffView* DiffView::show(QWidget* parent, const QString& path, storage::Encoding encoding, const QString& text) {
    auto* view = new DiffView(parent, path);
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

// Each change under the line of the file it starts at: removed lines with "-" on a red ground,
// added ones with "+" on a green ground, dark enough text for either palette.
void DiffView::setChanges(const QString& error, const std::vector<documents::Change>& changes) {
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
    QTextCharFormat head;
    head.setFontWeight(QFont::Bold);
    QTextCharFormat minus;
    minus.setBackground(QColor(0xFFD7D5));
    minus.setForeground(QColor(0x5C0000));
    QTextCharFormat plus;
    plus.setBackground(QColor(0xD4F5D4));
    plus.setForeground(QColor(0x003300));
    QTextCursor cursor(lines_->document());
    for (const documents::Change& change : changes) {
        cursor.insertText(QStringLiteral("第 %1 行").arg(change.line), head);
        cursor.insertBlock();
        int number = change.line;
        for (const std::string& line : change.removed) {
            cursor.insertText(QStringLiteral("%1 - %2").arg(number++, 6).arg(fromUtf8(line)), minus);
            cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        }
        for (const std::string& line : change.added) {
            cursor.insertText(QStringLiteral("%1 + %2").arg(QString(), 6).arg(fromUtf8(line)), plus);
            cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        }
    }
    lines_->moveCursor(QTextCursor::Start);
}

}  // namespace ui
