// Append and copy on the editor's real main window, under the offscreen platform.
//
// Append: one builder click as a user makes it. "编辑框2" holds a value, "按钮1" is clicked,
// and the button's handler reads the field, builds the "/att Stats DAMAGE" line, appends it
// to the command panel "编辑框1" and scrolls it into view. Timed on a panel that already
// holds 0, 10,000 and 100,000 lines, and 50: a little more than the panel shows, the
// smallest panel on which a click has to scroll. After each timed click the new line is
// taken out again (untimed), so every click meets exactly that many lines. Reported: the
// click alone, and the click plus the repaint it causes.
//
// Highlighting: the same click on 100,000 lines with the panel's highlighting off and on,
// in turns, in the same run.
//
// Copy: the "一键复制" button of that panel (按钮2) on 100,000 lines, against
// QPlainTextEdit::toPlainText() of the same panel, alternating, in the same run.
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "forms/windows.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/panels/panel.h"
#include "ui/panels/panel_highlighter.h"
#include "ui/shell/application.h"
#include "ui/shell/editor.h"

namespace {

using Clock = std::chrono::steady_clock;

double microsecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

[[noreturn]] void fail(const char* message) {
    std::fprintf(stderr, "quorvel-bench-panel: %s\n", message);
    std::exit(1);
}

// Delivers what is pending: posted events, the repaint of what changed.
void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// N lines as the builders write them, CR LF after each.
QString panelLines(int count) {
    const QString samples[] = {
        QStringLiteral("/att Stats DAMAGE 10\r\n"),
        QStringLiteral("/att Buff SPEED 2\r\n"),
        QStringLiteral("/socket load gems Steve 红宝石 1\r\n"),
        QStringLiteral("/att Power SHOOT RIGHT Blink 5\r\n"),
    };
    QString text;
    text.reserve(static_cast<qsizetype>(count) * 32);
    for (int i = 0; i < count; ++i) text += samples[i % 4];
    return text;
}

struct Editor {
    ui::LiveWindow* main;
    QLineEdit* field;        // 编辑框2, read by 按钮1
    QAbstractButton* build;  // 按钮1 "添加"
    QAbstractButton* copy;   // 按钮2 "一键复制" of 编辑框1
    QPlainTextEdit* panel;   // 编辑框1, the command panel
};

Editor findControls(ui::LiveWindow* main) {
    Editor editor{main, qobject_cast<QLineEdit*>(main->controlByName("编辑框2")),
                  qobject_cast<QAbstractButton*>(main->controlByName("按钮1")),
                  qobject_cast<QAbstractButton*>(main->controlByName("按钮2")),
                  qobject_cast<QPlainTextEdit*>(main->controlByName("编辑框1"))};
    if (editor.field == nullptr || editor.build == nullptr || editor.copy == nullptr || editor.panel == nullptr)
        fail("a control of the main window is missing");
    // Show the button's page, as a user would have it in front of them.
    const int page = main->form().units[static_cast<std::size_t>(main->unitIndex("按钮1"))].page;
    if (main->pageControl() != nullptr && page >= 0) main->pageControl()->setCurrentIndex(page);
    return editor;
}

// Empties the panel and fills it with the given number of lines.
void fill(const Editor& editor, int lines) {
    ui::clearPanel(editor.panel);
    if (lines > 0) ui::appendToPanel(editor.panel, panelLines(lines));
    settle();
    if (editor.panel->document()->blockCount() != lines + 1) fail("the panel does not hold the lines it was given");
}

// One timed click, then the appended text is removed again (untimed).
struct ClickTimes {
    double click;
    double clickAndPaint;
};

ClickTimes timedClick(const Editor& editor, int value, bool check) {
    QTextDocument* document = editor.panel->document();
    const int end = document->characterCount() - 1;
    const int blocks = document->blockCount();
    editor.field->setText(QString::number(value));
    settle();

    const Clock::time_point start = Clock::now();
    editor.build->click();
    const double click = microsecondsSince(start);
    settle();
    const double clickAndPaint = microsecondsSince(start);

    if (check) {
        const QString expected = QStringLiteral("/att Stats DAMAGE %1").arg(value);
        if (document->blockCount() != blocks + 1 || document->lastBlock().previous().text() != expected)
            fail("the click did not append the expected line");
        const QScrollBar* bar = editor.panel->verticalScrollBar();
        if (bar->value() != bar->maximum()) fail("the appended line was not scrolled into view");
    }
    QTextCursor cursor(document);
    cursor.setPosition(end);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    document->setUndoRedoEnabled(false);
    cursor.removeSelectedText();
    document->setUndoRedoEnabled(true);
    settle();
    if (document->characterCount() - 1 != end) fail("the panel was not restored after a click");
    return {click, clickAndPaint};
}

struct CopyTimes {
    std::vector<double> copyClick;
    std::vector<double> toPlainText;
    std::vector<double> panelText;
    std::vector<double> clipboardSet;
};

// The copy button, the widget's own extraction and, to see where the copy's time goes, its
// two parts alone: the panel's text with CR LF, and handing that text to the clipboard.
// Every result is freed (the clipboard emptied) before the next measurement, and the copy
// and the extraction take turns at going first, so that neither finds the memory the other
// just gave back more often than the other does.
void timeCopies(const Editor& editor, int repetitions, CopyTimes& times) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto copyClick = [&](bool check) {
        clipboard->clear();
        settle();
        const Clock::time_point start = Clock::now();
        editor.copy->click();
        times.copyClick.push_back(microsecondsSince(start));
        if (check && clipboard->text() != ui::panelText(editor.panel))
            fail("the copy button did not put the panel's text on the clipboard");
        clipboard->clear();
        settle();
    };
    auto toPlainText = [&] {
        const Clock::time_point start = Clock::now();
        const QString plain = editor.panel->toPlainText();
        times.toPlainText.push_back(microsecondsSince(start));
        if (plain.isEmpty()) fail("the panel is empty");
    };
    for (int r = 0; r < repetitions; ++r) {
        if (r % 2 == 0) {
            copyClick(r == 0);
            toPlainText();
        } else {
            toPlainText();
            copyClick(false);
        }
        settle();
        {
            Clock::time_point start = Clock::now();
            const QString crlf = ui::panelText(editor.panel);
            times.panelText.push_back(microsecondsSince(start));
            start = Clock::now();
            clipboard->setText(crlf, QClipboard::Clipboard);
            times.clipboardSet.push_back(microsecondsSince(start));
        }
        clipboard->clear();
        settle();
    }
}

// A value as users paste them: base64-like characters, with a blank every nine or none.
QString longValue(qsizetype length, bool blanks) {
    static const QLatin1String alphabet("QUJDRGVm+/0123456789abcdefXYZ=");
    QString value(length, QLatin1Char('A'));
    for (qsizetype i = 0; i < length; ++i)
        value[i] = blanks && i % 9 == 8 ? QLatin1Char(' ') : alphabet[i % alphabet.size()];
    return value;
}

// One line with a long value through the builder button of "更改物品名字:" (编辑框98, 按钮69),
// laid out and painted; the panel is emptied first. Milliseconds.
double longValueAppend(const Editor& editor, QLineEdit* nameField, QAbstractButton* nameButton, const QString& value) {
    ui::clearPanel(editor.panel);
    nameField->setText(value);
    settle();
    const Clock::time_point start = Clock::now();
    nameButton->click();
    editor.panel->repaint();
    settle();
    return microsecondsSince(start) / 1000.0;
}

}  // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    ui::Editor assembled;
    ui::LiveWindow* main = assembled.main();
    if (main == nullptr) fail("the main window did not open");
    for (int i = 0; i < 100 && (main->windowHandle() == nullptr || !main->windowHandle()->isExposed()); ++i) settle();
    const Editor editor = findControls(main);
    settle();

    const int sizes[] = {0, 50, 10'000, 100'000};
    const int rounds = 3;
    const int clicksPerRound = 35;
    const int copiesPerRound = 8;
    std::map<int, std::vector<double>> clicks;
    std::map<int, std::vector<double>> clicksAndPaints;
    std::map<int, std::vector<double>> fills;
    CopyTimes copies;
    int value = 0;
    // Rounds over all sizes, so that a busy moment of the machine touches every size alike.
    for (int round = 0; round < rounds; ++round) {
        for (int lines : sizes) {
            const Clock::time_point start = Clock::now();
            fill(editor, lines);
            fills[lines].push_back(microsecondsSince(start));
            for (int warm = 0; warm < 3; ++warm) timedClick(editor, ++value, true);
            for (int c = 0; c < clicksPerRound; ++c) {
                const ClickTimes times = timedClick(editor, ++value, c == 0);
                clicks[lines].push_back(times.click);
                clicksAndPaints[lines].push_back(times.clickAndPaint);
            }
            if (lines == 100'000) timeCopies(editor, copiesPerRound, copies);
        }
    }

    std::printf("append: one click on 按钮1 (read, build, append, scroll), %d clicks per size, medians\n",
                rounds * clicksPerRound);
    std::printf("  %8s %12s %18s %16s\n", "lines", "click (us)", "click+paint (us)", "fill (ms)");
    for (int lines : sizes)
        std::printf("  %8d %12.1f %18.1f %16.1f\n", lines, median(clicks[lines]), median(clicksAndPaints[lines]),
                    median(fills[lines]) / 1000.0);
    std::printf("copy: 100,000 lines, %d repetitions, medians (ms)\n", rounds * copiesPerRound);
    std::printf("  copy button (一键复制)        %8.2f\n", median(copies.copyClick) / 1000.0);
    std::printf("  QPlainTextEdit::toPlainText  %8.2f\n", median(copies.toPlainText) / 1000.0);
    std::printf("  of the copy: ui::panelText   %8.2f\n", median(copies.panelText) / 1000.0);
    std::printf("  of the copy: clipboard set   %8.2f\n", median(copies.clipboardSet) / 1000.0);

    for (int lines : sizes) {
        std::printf("result append_%d_us %.1f\n", lines, median(clicks[lines]));
        std::printf("result append_paint_%d_us %.1f\n", lines, median(clicksAndPaints[lines]));
    }
    std::printf("result append_ratio %.2f\n", median(clicks[100'000]) / median(clicks[0]));
    std::printf("result append_10000_ratio %.2f\n", median(clicks[10'000]) / median(clicks[0]));
    std::printf("result append_paint_ratio %.2f\n", median(clicksAndPaints[100'000]) / median(clicksAndPaints[0]));
    std::printf("result copy_ms %.2f\n", median(copies.copyClick) / 1000.0);
    std::printf("result plaintext_ms %.2f\n", median(copies.toPlainText) / 1000.0);
    std::printf("result copy_ratio %.2f\n", median(copies.copyClick) / median(copies.toPlainText));

    // The same click on 100,000 lines with the panel's highlighting switched off and on, in
    // turns. Switching it on highlights the whole panel again, untimed, before the clicks.
    auto* highlighter = editor.panel->findChild<ui::PanelHighlighter*>();
    if (highlighter == nullptr) fail("the command panel has no highlighting");
    fill(editor, 100'000);
    std::map<bool, std::vector<double>> highlighted;
    std::map<bool, std::vector<double>> highlightedPaint;
    for (int round = 0; round < 2 * rounds; ++round) {
        const bool on = round % 2 == 1;
        highlighter->setActive(on);
        highlighter->highlightAll();
        settle();
        for (int warm = 0; warm < 3; ++warm) timedClick(editor, ++value, false);
        for (int c = 0; c < clicksPerRound; ++c) {
            const ClickTimes times = timedClick(editor, ++value, c == 0);
            highlighted[on].push_back(times.click);
            highlightedPaint[on].push_back(times.clickAndPaint);
        }
    }
    if (!highlighter->isActive()) fail("the highlighting was not switched back on");
    std::printf("append on 100,000 lines, highlighting off and on in turns, %d clicks each, medians (us)\n",
                rounds * clicksPerRound);
    std::printf("  %4s %12s %18s\n", "", "click (us)", "click+paint (us)");
    std::printf("  %4s %12.1f %18.1f\n", "off", median(highlighted[false]), median(highlightedPaint[false]));
    std::printf("  %4s %12.1f %18.1f\n", "on", median(highlighted[true]), median(highlightedPaint[true]));
    std::printf("result append_plain_100000_us %.1f\n", median(highlighted[false]));
    std::printf("result append_highlighted_100000_us %.1f\n", median(highlighted[true]));
    std::printf("result append_paint_plain_100000_us %.1f\n", median(highlightedPaint[false]));
    std::printf("result append_paint_highlighted_100000_us %.1f\n", median(highlightedPaint[true]));
    std::printf("result append_highlight_ratio %.2f\n", median(highlighted[true]) / median(highlighted[false]));
    std::printf("result append_paint_highlight_ratio %.2f\n",
                median(highlightedPaint[true]) / median(highlightedPaint[false]));

    // Long values without blanks, against the same length with blanks, alternating.
    auto* nameField = qobject_cast<QLineEdit*>(main->controlByName("编辑框98"));
    auto* nameButton = qobject_cast<QAbstractButton*>(main->controlByName("按钮69"));
    if (nameField == nullptr || nameButton == nullptr) fail("no 编辑框98 / 按钮69");
    std::map<std::pair<qsizetype, bool>, std::vector<double>> longs;
    const qsizetype lengths[] = {100'000, 1'000'000, 10'000'000};
    for (int round = 0; round < 3; ++round)
        for (qsizetype length : lengths)
            for (bool blanks : {false, true})
                longs[{length, blanks}].push_back(
                    longValueAppend(editor, nameField, nameButton, longValue(length, blanks)));
    std::printf("long values: one line appended, laid out and painted, 3 runs each, medians (ms)\n");
    std::printf("  %10s %14s %14s\n", "length", "no blanks", "with blanks");
    for (qsizetype length : lengths)
        std::printf("  %10lld %14.1f %14.1f\n", static_cast<long long>(length), median(longs[{length, false}]),
                    median(longs[{length, true}]));
    std::printf("result long_10mb_ms %.1f\n", median(longs[{10'000'000, false}]));
    std::printf("result long_10mb_blanks_ms %.1f\n", median(longs[{10'000'000, true}]));
    std::printf("result long_blank_ratio %.2f\n",
                median(longs[{10'000'000, false}]) / median(longs[{10'000'000, true}]));
    std::printf("result long_growth_ratio %.2f\n", median(longs[{1'000'000, false}]) / median(longs[{100'000, false}]));
    return 0;
}
