#include "ui/server/reply_panel.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>

#include "text/contrast.h"
#include "text/format.h"
#include "ui/base/fonts.h"
#include "ui/base/text.h"
#include "ui/server/command_line.h"

namespace ui {
namespace {

// The answers are drawn as the game draws them: its colours on a dark ground, in light and
// dark themes alike, since white (the default) and yellow are unreadable on a light one.
const QColor kGround(0x1d, 0x1d, 0x1d);
const QColor kHead(0xAA, 0xAA, 0xAA);   // the game's gray, for the line sent
const QColor kWhere(0x80, 0x80, 0x80);  // where the line came from, notes
const QColor kGold(0xFF, 0xAA, 0x00);   // not sent
const QColor kRed(0xFF, 0x55, 0x55);    // failed

QTextCharFormat plain(const QColor& colour, bool italic = false) {
    QTextCharFormat format;
    format.setForeground(colour);
    format.setFontItalic(italic);
    return format;
}

text::Rgb rgbOf(const QColor& colour) {
    return {static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
            static_cast<std::uint8_t>(colour.blue())};
}

QTextCharFormat formatOf(const text::Style& style) {
    QTextCharFormat format;
    const QColor colour = QColor::fromRgb(static_cast<QRgb>(style.rgb));
    format.setForeground(colour);
    // Black and dark blue would vanish on the dark ground: they stand on the light backing.
    if (!text::legibleOn(rgbOf(colour), rgbOf(kGround))) {
        const text::Rgb backing = text::kLightBacking;
        format.setBackground(QColor(backing.r, backing.g, backing.b));
    }
    format.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(style.italic);
    format.setFontUnderline(style.underlined);
    format.setFontStrikeOut(style.strikethrough);
    return format;
}

QTextBlockFormat blockWithMargins(int left, int top) {
    QTextBlockFormat block;
    block.setLeftMargin(left);
    block.setTopMargin(top);
    return block;
}

// A new block at the end (the document's first block when it is empty).
void newBlock(QTextCursor& cursor, const QTextBlockFormat& format) {
    if (cursor.document()->isEmpty())
        cursor.setBlockFormat(format);
    else
        cursor.insertBlock(format);
}

}  // namespace

ReplyPanel::ReplyPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("serverReplyPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 6);
    layout->setSpacing(4);

    // The dock around the panel says "服务器回复" in its title bar; above the answers only what
    // is being waited for, while something is.
    waiting_ = new QLabel(this);
    waiting_->setObjectName(QStringLiteral("serverWaiting"));
    waiting_->setTextFormat(Qt::PlainText);
    waiting_->hide();
    layout->addWidget(waiting_);
    stop_ = new QPushButton(QStringLiteral("停止"), this);
    stop_->setToolTip(QStringLiteral("不再发送输出框中剩下的行（已发出的一行仍会等它的回答）"));
    stop_->hide();
    auto* clearButton = new QPushButton(QStringLiteral("清空"), this);
    clearButton->setToolTip(QStringLiteral("清空服务器回复"));
    hide_ = new QPushButton(QStringLiteral("隐藏"), this);
    hide_->setToolTip(QStringLiteral("隐藏服务器回复（“服务器”或“视图”菜单可以再显示它）"));

    view_ = new QTextEdit(this);
    view_->setObjectName(QStringLiteral("serverReplies"));
    view_->setReadOnly(true);
    view_->setUndoRedoEnabled(false);
    view_->setAccessibleName(QStringLiteral("服务器回复"));
    view_->document()->setMaximumBlockCount(kMaxBlocks);
    view_->document()->setDocumentMargin(6);
    QPalette ground = view_->palette();
    ground.setColor(QPalette::Base, kGround);
    ground.setColor(QPalette::Text, Qt::white);
    view_->setPalette(ground);
    view_->setMinimumHeight(48);
    layout->addWidget(view_, 1);

    auto* foot = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("控制台指令："), this);
    commandLine_ = new CommandLine(this);
    commandLine_->setObjectName(QStringLiteral("serverCommand"));
    commandLine_->setPlaceholderText(QStringLiteral("发给服务器控制台的指令，如 list（回车发送，↑↓ 翻看发过的指令）"));
    commandLine_->setAccessibleName(QStringLiteral("控制台指令"));
    label->setBuddy(commandLine_);
    auto* send = new QPushButton(QStringLiteral("发送"), this);
    send->setObjectName(QStringLiteral("serverCommandSend"));
    foot->addWidget(label);
    foot->addWidget(commandLine_, 1);
    foot->addWidget(send);
    foot->addSpacing(8);
    foot->addWidget(stop_);
    foot->addWidget(clearButton);
    foot->addWidget(hide_);
    layout->addLayout(foot);

    connect(commandLine_, &CommandLine::entered, this, &ReplyPanel::commandEntered);
    connect(send, &QPushButton::clicked, commandLine_, &QLineEdit::returnPressed);
    connect(stop_, &QPushButton::clicked, this, &ReplyPanel::stopRequested);
    connect(clearButton, &QPushButton::clicked, this, &ReplyPanel::clear);
    connect(hide_, &QPushButton::clicked, this, &ReplyPanel::hideRequested);
}

QString ReplyPanel::shownPart(const QString& answer) {
    qsizetype shown = std::min(answer.size(), kMaxShown);
    if (shown < answer.size() && answer[shown - 1].isHighSurrogate()) --shown;
    return answer.left(shown);
}

std::vector<text::Line> ReplyPanel::linesOf(const QString& answer) {
    return text::format(toUtf8(answer), text::Role::Message, text::Markers::Game);
}

QSize ReplyPanel::sizeHint() const { return {QWidget::sizeHint().width(), 240}; }

void ReplyPanel::addExchange(const QString& where, const QString& command, Outcome outcome, const QString& text) {
    QTextCursor cursor(view_->document());
    // One layout for the whole exchange: laid out run by run, a long answer of many colours
    // would be laid out again for every run.
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    newBlock(cursor, blockWithMargins(0, 6));
    if (!where.isEmpty()) cursor.insertText(where + QStringLiteral("  "), plain(kWhere));
    cursor.insertText(QStringLiteral("› ") + command, plain(kHead));
    switch (outcome) {
    case Outcome::Answer: {
        const QString part = shownPart(text);
        const qsizetype shown = part.size();
        std::vector<text::Line> lines = linesOf(part);
        while (!lines.empty() && lines.back().empty()) lines.pop_back();
        if (lines.empty()) {
            cursor.insertBlock(blockWithMargins(16, 0));
            cursor.insertText(QStringLiteral("（服务器的回答是空的）"), plain(kWhere, true));
        }
        for (const text::Line& line : lines) {
            cursor.insertBlock(blockWithMargins(16, 0));
            for (const text::Run& run : line) cursor.insertText(fromUtf8(run.text), formatOf(run.style));
        }
        if (shown < text.size()) {
            cursor.insertBlock(blockWithMargins(16, 0));
            cursor.insertText(QStringLiteral("……（回答共 %1 个字符，这里只显示前 %2 个）").arg(text.size()).arg(shown),
                              plain(kWhere, true));
        }
        break;
    }
    case Outcome::Skipped:
        cursor.insertBlock(blockWithMargins(16, 0));
        cursor.insertText(QStringLiteral("没有发送：") + text, plain(kGold));
        break;
    case Outcome::Failed:
        cursor.insertBlock(blockWithMargins(16, 0));
        cursor.insertText(text, plain(kRed));
        break;
    case Outcome::NotSent:
        cursor.insertBlock(blockWithMargins(16, 0));
        cursor.insertText(text, plain(kWhere, true));
        break;
    }
    cursor.endEditBlock();
    scrollToEnd();
}

void ReplyPanel::addNote(const QString& text) {
    QTextCursor cursor(view_->document());
    cursor.movePosition(QTextCursor::End);
    newBlock(cursor, blockWithMargins(0, 8));
    cursor.insertText(text, plain(kWhere, true));
    scrollToEnd();
}

void ReplyPanel::setWaiting(const QString& text) {
    waiting_->setText(text);
    waiting_->setVisible(!text.isEmpty());
}

void ReplyPanel::setStoppable(bool stoppable) { stop_->setVisible(stoppable); }

void ReplyPanel::clear() { view_->clear(); }

void ReplyPanel::scrollToEnd() {
    QScrollBar* bar = view_->verticalScrollBar();
    bar->setValue(bar->maximum());
}

}  // namespace ui
