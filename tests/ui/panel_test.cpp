// Output panels: append at the end, copy with CR LF bytes, clear; through their buttons.
#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <functional>

#include <QLabel>

#include "ui/files/main_menu.h"
#include "ui/files/panel_documents.h"
#include "ui/panels/copy_notice.h"
#include "ui/panels/multi_line_edit.h"
#include "ui/panels/panel.h"
#include "ui/panels/panel_fill.h"
#include "ui/panels/panel_memory.h"
#include "ui/panels/panel_reader.h"
#include "ui_test_support.h"

namespace {

class Panels : public testing_support::EditorTest {
protected:
    static QByteArray clipboardBytes() {
        return QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain"));
    }
    void click(std::string_view button, std::uint32_t window = forms::kMainWindowId) {
        control<QPushButton>(button, window)->click();
    }
};

TEST_F(Panels, AppendGoesToTheEndWhateverTheUserSelected) {
    QPlainTextEdit* out = panel("编辑框1");
    ui::appendToPanel(out, QStringLiteral("first\r\n"));
    QTextCursor cursor = out->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(4, QTextCursor::KeepAnchor);  // the user selects "rs"
    out->setTextCursor(cursor);
    ui::appendToPanel(out, QStringLiteral("second\r\n"));
    EXPECT_EQ(ui::panelText(out), QStringLiteral("first\r\nsecond\r\n"));
    EXPECT_FALSE(out->textCursor().hasSelection());
    EXPECT_EQ(out->textCursor().position(), out->document()->characterCount() - 1);
    EXPECT_FALSE(out->document()->isUndoAvailable());
}

TEST_F(Panels, AppendScrollsTheNewTextIntoView) {
    QPlainTextEdit* out = panel("编辑框1");
    for (int i = 0; i < 200; ++i) ui::appendToPanel(out, QStringLiteral("/att Stats DAMAGE %1\r\n").arg(i));
    QScrollBar* bar = out->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(Panels, CopyPutsCrLfBytesOnTheClipboard) {
    control<QLineEdit>("编辑框2")->setText(QStringLiteral("10"));
    click("按钮1");
    click("按钮1");
    click("按钮2");
    EXPECT_EQ(clipboardBytes(), QByteArray("/att Stats DAMAGE 10\r\n/att Stats DAMAGE 10\r\n"));
}

TEST_F(Panels, CopyKeepsEveryCharacterAsWritten) {
    QPlainTextEdit* out = panel("编辑框20");
    const QString text = QStringLiteral("a\u00A0b\tc  中文\u2028d\r\n\r\n");
    ui::appendToPanel(out, text);
    click("按钮19");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), text);
}

// The autosave and the live check copy a large panel a slice at a time: the slices put
// together are the panel's text, every character kept, lines joined by LF.
TEST_F(Panels, ReadingAPanelInSlicesGivesItsWholeText) {
    QPlainTextEdit* out = panel("编辑框20");
    QString text;
    for (int i = 0; i < 1500; ++i) text += QStringLiteral("k%1: \"a\u00A0b\u2028c\"\r\n\r\n").arg(i);
    text += QStringLiteral("last line without a break");
    ui::appendToPanel(out, text);
    QString expected = out->document()->toRawText();
    expected.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));

    QTextBlock block = out->document()->firstBlock();
    QString read;
    int slices = 0;
    QElapsedTimer slice;
    while (block.isValid()) {
        slice.start();
        ui::readPanelLines(block, read, slice, 0);  // no time at all: one round of lines
        ++slices;
    }
    EXPECT_GT(slices, 1);
    EXPECT_EQ(read, expected);

    ui::clearPanel(out);
    block = out->document()->firstBlock();
    read.clear();
    ui::readPanelLines(block, read, slice, 4);
    EXPECT_FALSE(block.isValid());
    EXPECT_EQ(read, QString());
}

// A large text goes into a panel a slice at a time. Put together, the slices are the text as
// one insert would have made it; what is appended meanwhile ends up after it on a line of its
// own; a clear meanwhile ends the fill.
struct FillRun {
    bool finished = false;
    bool complete = false;
};

FillRun runFill(QPlainTextEdit* panel, const QString& text, bool replace, const std::function<void()>& meanwhile = {}) {
    FillRun run;
    auto* fill = new ui::PanelFill(panel, text, replace);
    QObject::connect(fill, &ui::PanelFill::finished, [&run](bool complete) {
        run.finished = true;
        run.complete = complete;
    });
    fill->start();
    EXPECT_TRUE(panel->isReadOnly());
    if (meanwhile) meanwhile();
    QElapsedTimer timer;
    timer.start();
    while (!run.finished && timer.elapsed() < 20000) QCoreApplication::processEvents();
    EXPECT_TRUE(run.finished);
    EXPECT_FALSE(panel->isReadOnly());
    EXPECT_EQ(ui::PanelFill::of(panel), nullptr);
    return run;
}

QString largeText() {
    QString text;
    for (int i = 0; i < 6000; ++i) text += QStringLiteral("gem%1:\r\n  Display_Name: \"&c红宝石 %1\"\n").arg(i);
    text += QString(20000, QLatin1Char('x')) + QStringLiteral("\r\n");  // a line longer than a slice
    return text + QStringLiteral("last: 1");                            // and no break at the end
}

TEST_F(Panels, AFillPutsTheTextInAsOneInsertWould) {
    QPlainTextEdit* out = panel("编辑框20");
    const QString text = largeText();
    ui::appendToPanel(out, QStringLiteral("old: 1\r\n"));
    ASSERT_TRUE(runFill(out, text, true).complete);
    QPlainTextEdit reference;
    reference.setPlainText(text);
    EXPECT_EQ(out->document()->toRawText(), reference.document()->toRawText());
    EXPECT_EQ(out->textCursor().position(), 0);
    EXPECT_FALSE(out->document()->isModified());

    // After what the panel holds, on a line of its own, and removable as the last append.
    ui::clearPanel(out);
    ui::appendToPanel(out, QStringLiteral("old: 1"));
    ASSERT_TRUE(runFill(out, text, false).complete);
    EXPECT_EQ(out->document()->toRawText(), QStringLiteral("old: 1\u2029") + reference.document()->toRawText());
    EXPECT_EQ(out->textCursor().position(), out->document()->characterCount() - 1);
    ASSERT_TRUE(ui::PanelMemory::of(out)->removeLast());
    EXPECT_EQ(ui::panelText(out), QStringLiteral("old: 1"));

    // Every character Qt starts a line at is a line end of the append, U+FDD0 and U+FDD1 too.
    ASSERT_TRUE(
        runFill(out, QStringLiteral("a: 1\uFDD0b: 2\uFDD1c: 3\u2029d: 4\re: 5\r\n").repeated(4000), false).complete);
    ASSERT_TRUE(ui::PanelMemory::of(out)->removeLast());
    EXPECT_EQ(ui::panelText(out), QStringLiteral("old: 1"));
}

TEST_F(Panels, WhatIsAppendedDuringAFillStaysAfterItAndAClearEndsIt) {
    QPlainTextEdit* out = panel("编辑框20");
    const QString text = largeText();
    const FillRun run = runFill(out, text, true, [&] {
        QCoreApplication::processEvents();
        EXPECT_NE(ui::PanelFill::of(out), nullptr);
        ui::appendToPanel(out, QStringLiteral("added: 2\r\n"));
    });
    ASSERT_TRUE(run.complete);
    EXPECT_EQ(ui::panelText(out), QString(text)
                                          .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                          .replace(QLatin1Char('\n'), QStringLiteral("\r\n")) +
                                      QStringLiteral("\r\nadded: 2\r\n"));

    const FillRun cleared = runFill(out, text, true, [&] {
        QCoreApplication::processEvents();
        EXPECT_NE(ui::PanelFill::of(out), nullptr);
        ui::clearPanel(out);
    });
    EXPECT_FALSE(cleared.complete);
    QCoreApplication::processEvents();
    EXPECT_TRUE(out->document()->isEmpty());  // nothing more came in after the clear
}

// A save takes the panel's text a slice at a time and writes it off the UI thread: an edit
// while the text is taken is in the file, and the panel belongs to the file afterwards. A
// file opened back gives the same text.
TEST_F(Panels, ASaveWritesTheTextAsItStandsWhenTakenAndOpensBackTheSame) {
    QPlainTextEdit* out = panel("编辑框20");
    ui::PanelDocuments& files = editor->documents();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("socket.yml"));
    QString text;
    for (int i = 0; i < 20000; ++i) text += QStringLiteral("gem%1:\r\n  Max_Grade: 5\r\n").arg(i);
    ui::appendToPanel(out, text);
    bool done = false;
    documents::Outcome outcome;
    documents::SaveRequest request;
    request.path = path;
    files.save(actions::Panel::Config, request, [&](const documents::Outcome& saved) {
        outcome = saved;
        done = true;
    });
    EXPECT_TRUE(files.isSaving());
    QTextCursor(out->document()).insertText(QStringLiteral("first: 1\n"));
    QElapsedTimer timer;
    timer.start();
    while (!done && timer.elapsed() < 20000) QCoreApplication::processEvents();
    ASSERT_TRUE(done);
    ASSERT_TRUE(outcome.ok()) << outcome.message.toStdString();
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()), QStringLiteral("first: 1\r\n") + text);
    EXPECT_EQ(files.document(actions::Panel::Config).path, path);

    ui::clearPanel(out);
    documents::Outcome opened;
    bool read = false;
    files.open(actions::Panel::Config, path, std::nullopt, false, [&](const documents::Outcome& in) {
        opened = in;
        read = true;
    });
    while (!read) QCoreApplication::processEvents();
    ASSERT_TRUE(opened.ok());
    EXPECT_EQ(opened.lines, 40001);
    EXPECT_EQ(ui::panelText(out), QStringLiteral("first: 1\r\n") + text);
}

TEST_F(Panels, ClearEmptiesThePanelAndAnEmptyOneStaysEmpty) {
    click("按钮20");
    EXPECT_EQ(ui::panelText(panel("编辑框20")), QString());
    ui::appendToPanel(panel("编辑框20"), QStringLiteral("x:\r\n"));
    ui::appendToPanel(panel("编辑框1"), QStringLiteral("kept\r\n"));
    click("按钮20");
    EXPECT_EQ(ui::panelText(panel("编辑框20")), QString());
    EXPECT_EQ(ui::panelText(panel("编辑框1")), QStringLiteral("kept\r\n"));
    click("按钮4");
    EXPECT_EQ(ui::panelText(panel("编辑框1")), QString());
}

TEST_F(Panels, ThePassiveSkillPanelHasItsOwnButtons) {
    runtime->open(forms::kPassiveSkillWindowId);
    QPlainTextEdit* out = panel("编辑框1", forms::kPassiveSkillWindowId);
    ui::appendToPanel(out, QStringLiteral("/att Ability BLIND 1 2\r\n"));
    click("按钮1", forms::kPassiveSkillWindowId);
    EXPECT_EQ(clipboardBytes(), QByteArray("/att Ability BLIND 1 2\r\n"));
    click("按钮2", forms::kPassiveSkillWindowId);
    EXPECT_EQ(ui::panelText(out), QString());
}

TEST_F(Panels, UserEditsInAPanelAreCopiedWithCrLf) {
    QPlainTextEdit* out = panel("编辑框1");
    out->setFocus();
    out->insertPlainText(QStringLiteral("typed\nby hand"));
    click("按钮2");
    EXPECT_EQ(clipboardBytes(), QByteArray("typed\r\nby hand"));
}

}  // namespace

namespace {

// Appends one line to the command panel through a builder button and lets the panel lay it out
// and paint; returns the milliseconds it took.
double appendMilliseconds(QPlainTextEdit* out, const QString& value) {
    ui::clearPanel(out);
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    ui::appendToPanel(out, QStringLiteral("/setname ") + value + QStringLiteral("\r\n"));
    out->document()->documentLayout()->documentSize();
    out->repaint();
    QCoreApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

QString valueOf(qsizetype length, bool blanks) {
    QString value(length, QLatin1Char('A'));
    for (qsizetype i = 0; i < length; ++i) {
        value[i] = blanks && i % 9 == 8 ? QLatin1Char(' ') : QLatin1Char("QUJDRGVm+/0123456789"[i % 20]);
    }
    return value;
}

// A value with no blanks (a pasted NBT or base64 string) used to take time that grew with the
// square of its length: one megabyte froze the editor for most of a minute.
TEST_F(Panels, ALongValueWithoutBlanksAppendsInLinearTime) {
    QPlainTextEdit* out = panel("编辑框1");
    const double words = appendMilliseconds(out, valueOf(1'000'000, true));
    const double solid = appendMilliseconds(out, valueOf(1'000'000, false));
    const double small = appendMilliseconds(out, valueOf(100'000, false));
    std::printf("1 MB with blanks %.0f ms, without %.0f ms; 100 KB without %.0f ms\n", words, solid, small);
    // Generous margins: the exact goals (2 and 15) are measured by bench.sh on a quiet machine.
    EXPECT_LT(solid, 4 * words + 50);
    EXPECT_LT(solid, 30 * small + 50);
    // Ordinary text wraps at words again once the panel is cleared.
    ui::clearPanel(out);
    EXPECT_EQ(out->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Pasted straight into the panel, the same value is just as quick, and copied as it was.
    QGuiApplication::clipboard()->setText(valueOf(1'000'000, false));
    QElapsedTimer timer;
    timer.start();
    out->paste();
    out->repaint();
    QCoreApplication::processEvents();
    EXPECT_LT(static_cast<double>(timer.elapsed()), 4 * words + 50);
    EXPECT_EQ(ui::panelText(out), valueOf(1'000'000, false));
}

}  // namespace

namespace {

class CopyNotice : public testing_support::EditorTest {};

TEST_F(CopyNotice, SaysHowManyLinesWereCopiedAndGoesAwayAfterAFewSeconds) {
    main->show();
    ui::appendToPanel(panel("编辑框1"), QStringLiteral("/att Stats DAMAGE 1\n/att Stats DAMAGE 2\n"));
    control<QPushButton>("按钮2")->click();
    auto* notice = qobject_cast<QLabel*>(ui::copyNoticeOf(main));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), QStringLiteral("已复制 2 行"));
    // Near the button it answers, inside the window.
    const QRect button(control("按钮2")->mapTo(main, QPoint(0, 0)), control("按钮2")->size());
    EXPECT_LT((notice->geometry().center() - button.center()).manhattanLength(), 80);
    EXPECT_TRUE(main->rect().contains(notice->geometry()));
    QElapsedTimer waited;
    waited.start();
    while (notice->isVisible() && waited.elapsed() < ui::kCopyNoticeMilliseconds + 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(notice->isVisible());
    EXPECT_GE(waited.elapsed(), ui::kCopyNoticeMilliseconds * 9 / 10);  // a coarse timer: within 5%
}

// The user's clipboard is worth more than an empty panel: it stays, and the notice says why
// nothing was copied.
TEST_F(CopyNotice, CopyingAnEmptyPanelLeavesTheClipboardAndSaysThePanelIsEmpty) {
    main->show();
    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
    control<QPushButton>("按钮19")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("something else"));
    auto* notice = qobject_cast<QLabel*>(ui::copyNoticeOf(main));
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->text(), QStringLiteral("面板为空"));
    // Then a panel with text copies as ever.
    ui::appendToPanel(panel("编辑框1"), QStringLiteral("/a 1\r\n"));
    control<QPushButton>("按钮2")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("/a 1\r\n"));
    // A last line without its line end counts too.
    EXPECT_EQ(ui::copyNoticeText(QStringLiteral("a\r\nb")), QStringLiteral("已复制 2 行"));
    EXPECT_EQ(ui::copyNoticeText(QStringLiteral("\r\n")), QStringLiteral("已复制 1 行"));
}

}  // namespace
