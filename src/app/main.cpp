// Tarnwick Quorvel编辑器: builds Quorvel plugin commands and YAML definitions.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "ui/application.h"

int main(int argc, char* argv[]) {
    ui::EditorOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--script") == 0 && i + 1 < argc) {
            options.script = QString::fromLocal8Bit(argv[++i]);
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
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    return ui::runEditor(app, options);
}
