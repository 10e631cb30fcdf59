#include "ui/application.h"

#include <fcntl.h>
#include <unistd.h>
#include <QApplication>
#include <QFile>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "forms/windows.h"
#include "ui/fatal.h"
#include "ui/fonts.h"
#include "ui/live_window.h"
#include "ui/pictures.h"
#include "ui/runtime.h"
#include "ui/script_runner.h"

namespace ui {

bool haveDisplay() {
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

void setUpApplication(QApplication& app) {
    QApplication::setApplicationName(QStringLiteral("quorvel-editor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tarnwick Quorvel编辑器"));
    QApplication::setDesktopFileName(QStringLiteral("quorvel-editor"));
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
    app.setFont(unitFont({}));
    app.setWindowIcon(editorIcon());
    // The main window's closing ends the program, even with other windows open.
    app.setQuitOnLastWindowClosed(false);
}

namespace {

// Ends the program once the window it watches has been painted for the first time.
class QuitAfterPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }
};

}  // namespace

int runEditor(QApplication& app, const EditorOptions& options) {
    const QString& scriptPath = options.script;
    Runtime runtime;
    ScriptRunner* runner = nullptr;
    if (!scriptPath.isNull()) {
        setFatalToStandardError(true);
        int fd = STDIN_FILENO;
        if (scriptPath != QLatin1String("-")) {
            fd = ::open(QFile::encodeName(scriptPath).constData(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                std::fprintf(stderr, "quorvel-editor: cannot open script %s\n",
                             QFile::encodeName(scriptPath).constData());
                return 2;
            }
        }
        runner = new ScriptRunner(runtime, fd, &app);
        QObject::connect(runner, &ScriptRunner::finished, &app, [] { QCoreApplication::exit(0); });
    }
    LiveWindow* main = runtime.open(forms::kMainWindowId);
    if (options.quitAfterPaint && main != nullptr) main->installEventFilter(new QuitAfterPaint(&app));
    return app.exec();
}

}  // namespace ui
