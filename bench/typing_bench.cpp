// Typing into a large configuration panel, under the offscreen platform: how long the event
// loop is ever blocked while keys arrive and the panel's live check runs, and how soon after the
// last key the check is current.
//
// The panel "编辑框20" of the real main window is filled with 10,000 gem blocks (about 230,000
// lines); then 60 characters are typed at its end, one key event every 30 ms. A heartbeat timer
// ticking every millisecond records the longest gap between its ticks: the longest time
// anything (a key, a repaint, the copy of the text for the check, the result) held the loop.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "forms/windows.h"
#include "sample_socket.h"
#include "ui/base/text.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/panels/panel.h"
#include "ui/panels/panel_check.h"
#include "ui/shell/application.h"
#include "ui/shell/editor.h"

namespace {

[[noreturn]] void fail(const char* message) {
    std::fprintf(stderr, "quorvel-bench-typing: %s\n", message);
    std::exit(1);
}

void waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    ui::Editor editor;
    ui::LiveWindow* main = editor.main();
    auto* panel = qobject_cast<QPlainTextEdit*>(main->controlByName("编辑框20"));
    if (panel == nullptr) fail("no configuration panel");
    auto* check = panel->findChild<ui::PanelCheck*>();
    if (check == nullptr) fail("the configuration panel has no check");

    std::string text;
    for (int i = 0; i < 10'000; ++i) {
        bench::appendSampleGem(text, i);
    }
    ui::appendToPanel(panel, ui::fromUtf8(text));
    panel->setFocus();
    waitUntil([&] { return check->isCurrent(); }, 60'000);
    if (!check->isCurrent()) fail("the first check did not finish");
    const int lines = panel->document()->blockCount();

    // The time one check takes on this panel, on this thread.
    QElapsedTimer timer;
    timer.start();
    const yaml::CheckResult result = check->checkNow();
    const double checkMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    double longestBlockMs = 0;
    QElapsedTimer beat;
    QTimer heartbeat;
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longestBlockMs = std::max(longestBlockMs, static_cast<double>(beat.nsecsElapsed()) / 1e6);
        beat.restart();
    });
    QTextCursor end(panel->document());
    end.movePosition(QTextCursor::End);
    panel->setTextCursor(end);
    beat.start();
    heartbeat.start();
    const QString keys = QStringLiteral("ruby:\n  Keylore: \"x\"\n  Max_Grade: 5\n  Material: \"A\"\n  Shiny: t");
    for (const QChar key : keys) {
        const int code = key == QLatin1Char('\n') ? Qt::Key_Return : 0;
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, key == QLatin1Char('\n') ? QString() : QString(key));
        QCoreApplication::sendEvent(panel, &press);
        QElapsedTimer gap;
        gap.start();
        while (gap.elapsed() < 30) QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    QElapsedTimer current;
    current.start();
    waitUntil([&] { return check->isCurrent(); }, 10'000);
    const double currentMs = static_cast<double>(current.nsecsElapsed()) / 1e6 + 30;  // since the last key
    heartbeat.stop();

    std::printf("typing into a %d-line configuration panel (%zu entries), %lld keys 30 ms apart\n", lines,
                result.entries, static_cast<long long>(keys.size()));
    std::printf("  one check of the whole panel     %8.1f ms\n", checkMs);
    std::printf("  longest event-loop block         %8.1f ms\n", longestBlockMs);
    std::printf("  status current after last key    %8.1f ms\n", currentMs);
    std::printf("result check_10000_ms %.1f\n", checkMs);
    std::printf("result typing_block_ms %.1f\n", longestBlockMs);
    std::printf("result check_current_ms %.1f\n", currentMs);
    return check->isCurrent() ? 0 : 1;
}
