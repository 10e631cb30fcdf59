// The preview strip's cost per keystroke, under the offscreen platform: "编辑框96" (/addlore)
// of the real main window holds a lore line of 255 characters, codes, placeholders and
// obfuscated text among them, and has the focus. Each timed step is one key event that brings
// it to 256 characters or back (a character, then Backspace), with everything the strip does
// for it: format the line, lay the runs out, find the strip's place, and paint it.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "forms/windows.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/preview/field_preview.h"
#include "ui/preview/tooltip_view.h"
#include "ui/shell/application.h"
#include "ui/shell/editor.h"

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const char* message) {
    std::fprintf(stderr, "quorvel-bench-preview: %s\n", message);
    std::exit(1);
}

void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// 255 characters of gem lore, repeated: colour, format and hex codes, placeholders, CJK.
QString loreLine() {
    const QString source = QStringLiteral(
        "&e※ &7成功几率: &a{success_rate}% &8&l| &7失败几率: &c{failure_rate}% &x&F&F&8&8&0&0Hex &kmagic&r R&Z ");
    QString line;
    while (line.size() < 255) line += source;
    line.truncate(255);
    return line;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    ui::Editor editor;
    ui::LiveWindow* main = editor.main();
    if (main == nullptr) fail("the main window did not open");
    for (int i = 0; i < 100 && (main->windowHandle() == nullptr || !main->windowHandle()->isExposed()); ++i) settle();
    main->activateWindow();
    auto* field = qobject_cast<QLineEdit*>(main->controlByName("编辑框96"));
    if (field == nullptr) fail("no 编辑框96");
    main->pageControl()->setCurrentIndex(
        main->form().units[static_cast<std::size_t>(main->unitIndex("编辑框96"))].page);
    field->setText(loreLine());
    field->setFocus(Qt::OtherFocusReason);
    settle();
    field->deselect();
    field->end(false);
    ui::TooltipView* strip = main->findChild<ui::FieldPreview*>()->strip();
    if (!strip->isVisible()) fail("the strip did not show");

    std::vector<double> steps;
    const int keys = 2000;
    for (int i = 0; i < keys; ++i) {
        const bool add = i % 2 == 0;
        QKeyEvent press(QEvent::KeyPress, add ? 0 : Qt::Key_Backspace, Qt::NoModifier,
                        add ? QStringLiteral("宝") : QString());
        const Clock::time_point start = Clock::now();
        QCoreApplication::sendEvent(field, &press);
        strip->repaint();
        steps.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if (field->text().size() != (add ? 256 : 255)) fail("the key did not reach the field");
        settle();
    }
    std::printf("preview strip: one key in a 256-character lore line, format + layout + place + paint, %d keys\n",
                keys);
    std::printf("  median %8.1f us\n  p95    %8.1f us\n  max    %8.1f us\n", percentile(steps, 0.5),
                percentile(steps, 0.95), percentile(steps, 1.0));
    std::printf("result preview_keystroke_us %.1f\n", percentile(steps, 0.5));
    std::printf("result preview_keystroke_p95_us %.1f\n", percentile(steps, 0.95));
    return 0;
}
