// Tarnwick Quorvel编辑器: builds Quorvel plugin commands and YAML definitions.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/shell/application.h"

int main(int argc, char* argv[]) {
    ui::EditorOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--script") == 0 && i + 1 < argc) {
            options.script = QByteArray(argv[++i]);
        } else if (std::strcmp(argv[i], "--session") == 0 && i + 1 < argc) {
            options.session = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--autosave-delay") == 0 && i + 1 < argc) {
            options.autosaveDelayMs = std::max(0, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--quit-after-paint") == 0) {
            options.quitAfterPaint = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::puts(
                "usage: quorvel-editor [--script FILE|-] [--session FILE] [--autosave-delay MS] "
                "[--quit-after-paint]\n"
                "  --session FILE        keep the session in FILE (a script keeps none without it)\n"
                "  --autosave-delay MS   save the session MS milliseconds after the last change (3000)");
            return 0;
        }
    }
    if (!ui::haveDisplay()) {
        std::fputs("quorvel-editor: no display found; set DISPLAY, or QT_QPA_PLATFORM=offscreen to run without one\n",
                   stderr);
        return 1;
    }
    int scriptFd = -1;
    if (options.script) {
        QString error;
        scriptFd = ui::openScript(*options.script, &error);
        if (scriptFd < 0) {
            std::fprintf(stderr, "quorvel-editor: %s\n", error.toLocal8Bit().constData());
            return 2;
        }
    }
    ui::watchPlatformStart();
    ui::EditorApplication app(argc, argv);
    ui::platformStarted();
    ui::setUpApplication(app);
    return ui::runEditor(app, options, scriptFd);
}
