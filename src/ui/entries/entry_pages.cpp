#include "ui/entries/entry_pages.h"

#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

#include "ui/base/fonts.h"
#include "ui/base/text.h"
#include "ui/entries/entry_editor.h"
#include "ui/files/main_menu.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"

namespace ui {
namespace {

// Where a page's bar goes, in the group box of its 完成 or 添加: "更新条目" right beside that
// button, the line in the group's free room (places looked up on the pages, clear of every
// control and label): two lines on the gem page, three on the element page beside its first
// fields, one on the skill page.
struct Place {
    entries::Kind kind;
    QRect update;
    QRect status;
};

// clang-format off
constexpr Place kPlaces[] = {
    {entries::Kind::Gem,     {120, 320, 64, 24}, {256,  14, 240, 32}},
    {entries::Kind::Element, {368, 416, 64, 24}, {312,  32, 184, 48}},
    {entries::Kind::KeyLore, { 88, 137, 64, 24}, {160, 141, 288, 18}},
};
// clang-format on

// The line's text: which entry, then the links. Never cut: the links go on a line of their own
// where the label has room for two, and a long identifier is shortened in its middle (the
// tooltip has it whole) until everything fits the label.
QString statusText(const QLabel* label, const QString& id, int line, const QString& links) {
    const QFontMetrics metrics(label->font());
    const int lines = std::max(1, label->height() / metrics.lineSpacing());
    const QString plainLinks = QTextDocumentFragment::fromHtml(links).toPlainText();
    const auto head = [line](const QString& shown) {
        return line > 0 ? QStringLiteral("正在编辑：%1（第 %2 行）").arg(shown).arg(line)
                        : QStringLiteral("“%1”已不在文本中").arg(shown);
    };
    const int room = label->width() - 2;
    // The widest identifier that lets the head (and, on one line, the links) fit.
    QString shown = id;
    for (int width = metrics.horizontalAdvance(id); width > 0; width -= metrics.averageCharWidth()) {
        shown = metrics.elidedText(id, Qt::ElideMiddle, width);
        const int headWidth = metrics.horizontalAdvance(head(shown));
        const int oneLine = headWidth + metrics.horizontalAdvance(QStringLiteral(" ") + plainLinks);
        if (oneLine <= room || (lines >= 2 && headWidth <= room)) break;
    }
    const bool together = metrics.horizontalAdvance(head(shown) + QStringLiteral(" ") + plainLinks) <= room;
    return head(shown.toHtmlEscaped()) + (together ? QStringLiteral(" ") : QStringLiteral("<br>")) + links;
}

const entries::PageOfKind* pageOf(int page) {
    static const std::vector<entries::PageOfKind> pages = entries::pagesOfKinds();
    const auto it = std::find_if(pages.begin(), pages.end(), [&](const auto& p) { return p.page == page; });
    return it == pages.end() ? nullptr : &*it;
}

}  // namespace

EntryPages::EntryPages(EntryEditor& editor, LiveWindow* main, MainMenu& menu)
    : QObject(main), editor_(editor), main_(main), menu_(menu) {
    connect(main, &LiveWindow::pageBuilt, this, &EntryPages::build);
    for (const entries::PageOfKind& kind : entries::pagesOfKinds())
        if (main->builtControl(main->unitIndex(kind.button)) != nullptr) build(kind.page);
    connect(&editor, &EntryEditor::heldChanged, this, &EntryPages::show);
    connect(&editor, &EntryEditor::listLineRefused, this, [this](int, const QString& message) { tell(message); });
}

QPushButton* EntryPages::updateButton(int page) const {
    const auto it = bars_.find(page);
    return it == bars_.end() ? nullptr : it->second.update;
}

QLabel* EntryPages::statusLine(int page) const {
    const auto it = bars_.find(page);
    return it == bars_.end() ? nullptr : it->second.status;
}

void EntryPages::build(int page) {
    const entries::PageOfKind* kind = pageOf(page);
    if (kind == nullptr || bars_.count(page) != 0) return;
    QWidget* finish = main_->controlByName(kind->button);
    const auto* place =
        std::find_if(std::begin(kPlaces), std::end(kPlaces), [&](const Place& p) { return p.kind == kind->kind; });
    if (finish == nullptr || place == std::end(kPlaces)) return;
    QWidget* group = finish->parentWidget();
    Bar bar;
    bar.update = new QPushButton(QStringLiteral("更新条目"), group);
    bar.update->setObjectName(QStringLiteral("更新条目"));
    bar.update->setFont(unitFont({}));
    bar.update->setGeometry(place->update);
    bar.update->setToolTip(QStringLiteral("把这一页的值写回载入的条目：只改动变了的行"));
    bar.update->setAccessibleName(QStringLiteral("更新条目"));
    bar.status = new QLabel(group);
    bar.status->setObjectName(QStringLiteral("正在编辑"));
    bar.status->setFont(unitFont({}));
    bar.status->setGeometry(place->status);
    bar.status->setTextFormat(Qt::RichText);
    bar.status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect(bar.update, &QPushButton::clicked, this, [this, page] {
        const EntryEditor::Outcome outcome = editor_.update(page);
        if (!outcome.ok()) return tell(outcome.message);
        menu_.showStatus(
            QStringLiteral("已更新条目“%1”（第 %2–%3 行）").arg(outcome.id).arg(outcome.line).arg(outcome.end));
    });
    connect(bar.status, &QLabel::linkActivated, this, [this, page](const QString& link) {
        if (link == QLatin1String("extras")) showExtras(page);
        if (link == QLatin1String("release")) editor_.releasePage(page);
    });
    bar.update->show();
    bar.status->show();
    bars_[page] = bar;
    show(page);
}

// "正在编辑：ruby（第 12 行）", the lines the page has no field for, and a way to let go.
void EntryPages::show(int page) {
    const auto it = bars_.find(page);
    if (it == bars_.end()) return;
    const Bar& bar = it->second;
    const entries::Loaded* loaded = editor_.held(page);
    bar.update->setEnabled(loaded != nullptr && loaded->line > 0);
    if (loaded == nullptr) {
        bar.status->clear();
        bar.status->setToolTip({});
        return;
    }
    // Links readable on the page's own ground, light or dark.
    const QString ink = bar.status->palette().color(QPalette::Window).lightness() < 128 ? QStringLiteral("#8ab4f8")
                                                                                        : QStringLiteral("#0645ad");
    QString links;
    if (!loaded->extras.empty())
        links =
            QStringLiteral("<a href=\"extras\" style=\"color:%1\">另有 %2 行</a> ").arg(ink).arg(loaded->extras.size());
    links += QStringLiteral("<a href=\"release\" style=\"color:%1\">结束</a>").arg(ink);
    const QString text = statusText(bar.status, fromUtf8(loaded->id), loaded->line, links);
    bar.status->setText(text);
    QStringList tip{QStringLiteral("这一页的值来自条目“%1”，“更新条目”写回它；这一页的“添加”把行加到它的列表里。")
                        .arg(fromUtf8(loaded->id))};
    for (const entries::Extra& extra : loaded->extras)
        tip << QStringLiteral("第 %1 行：%2").arg(extra.line).arg(fromUtf8(extra.text));
    bar.status->setToolTip(tip.join(QLatin1Char('\n')));
    bar.status->setAccessibleName(bar.status->toolTip());
}

void EntryPages::showExtras(int page) {
    const entries::Loaded* loaded = editor_.held(page);
    if (loaded == nullptr) return;
    auto* dialog = new QDialog(main_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("“%1”中这一页没有的行").arg(fromUtf8(loaded->id)));
    auto* layout = new QVBoxLayout(dialog);
    auto* note = new QLabel(QStringLiteral("这些行不在这一页上，“更新条目”让它们保持原样："), dialog);
    layout->addWidget(note);
    auto* lines = new QPlainTextEdit(dialog);
    lines->setReadOnly(true);
    lines->setAccessibleName(note->text());
    QStringList text;
    for (const entries::Extra& extra : loaded->extras)
        text << QStringLiteral("%1  %2").arg(extra.line, 5).arg(fromUtf8(extra.text));
    lines->setPlainText(text.join(QLatin1Char('\n')));
    layout->addWidget(lines);
    dialog->resize(480, 240);
    dialog->show();
}

void EntryPages::tell(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("条目"), message, QMessageBox::Ok, main_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace ui
