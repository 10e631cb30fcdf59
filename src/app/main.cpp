// Tarnwick Quorvel编辑器: builds Quorvel plugin commands and YAML definitions.
#include <cstdio>
#include <cstring>

#include "ui/application.h"

int main(int argc, char* argv[]) {
    ui::EditorOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--script") == 0 && i + 1 < argc) {
            options.script = QByteArray(argv[++i]);
        } else if (std::strcmp(argv[i], "--quit-after-paint") == 0) {
            options.quitAfterPaint = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::puts("usage: quorvel-editor [--script FILE|-] [--quit-after-paint]");
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
