#include "ui/shell/application.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QTimer>
#include <QTranslator>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "forms/windows.h"
#include "storage/safe_write.h"
#include "storage/session.h"
#include "ui/automation/script_runner.h"
#include "ui/base/editor_style.h"
#include "ui/base/fatal.h"
#include "ui/base/fonts.h"
#include "ui/base/pictures.h"
#include "ui/files/main_menu.h"
#include "ui/files/panel_documents.h"
#include "ui/files/session_keeper.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/server/server_link.h"
#include "ui/shell/editor.h"

namespace ui {
namespace {

QtMessageHandler gPreviousHandler = nullptr;
QByteArray gPlatformReason;  // Qt's own first word on why the platform would not start

const char* environment(const char* name) {
    // Read once at start-up, before any thread of the editor's exists.
    const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
    return value != nullptr ? value : "";
}

// While the platform starts, Qt's warnings about it are kept back; its fatal message, which
// would be followed by abort(), becomes one line that says what to do.
void platformStartHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool aboutPlatform = context.category != nullptr && std::strncmp(context.category, "qt.qpa", 6) == 0;
    if (type == QtFatalMsg) {
        const QByteArray reason =
            gPlatformReason.isEmpty() ? message.split(QLatin1Char('\n')).first().toLocal8Bit() : gPlatformReason;
        QByteArray settings;
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            if (*environment(name) == '\0') continue;
            settings += (settings.isEmpty() ? "" : " ") + QByteArray(name) + '=' + environment(name);
        }
        std::fprintf(stderr,
                     "quorvel-editor: the display cannot be used (%s: %s); start the editor on a running X server "
                     "or Wayland compositor (for example under Xvfb), or set QT_QPA_PLATFORM=offscreen to run it "
                     "without a screen\n",
                     settings.constData(), reason.constData());
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (aboutPlatform) {
        if (gPlatformReason.isEmpty()) gPlatformReason = message.toLocal8Bit();
        return;
    }
    if (gPreviousHandler != nullptr) gPreviousHandler(type, context, message);
}

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

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

}  // namespace

bool haveDisplay() {
    auto set = [](const char* name) { return *environment(name) != '\0'; };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

void watchPlatformStart() { gPreviousHandler = qInstallMessageHandler(platformStartHandler); }

void platformStarted() {
    qInstallMessageHandler(gPreviousHandler);
    gPlatformReason.clear();
}

bool EditorApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        outOfMemory(failedAllocationSize());
    }
}

void setUpApplication(QApplication& app) {
    QApplication::setApplicationName(QStringLiteral("quorvel-editor"));
    // No display name: Qt would append it to every window's title, and each window's title is
    // exactly its form's.
    QApplication::setDesktopFileName(QStringLiteral("quorvel-editor"));
    app.setStyle(new EditorStyle);
    // Qt's own menus and dialogs (an edit field's context menu, the standard buttons) speak
    // the interface's language, whatever the system's locale.
    auto* qtChinese = new QTranslator(&app);
    if (qtChinese->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtChinese);
    app.setFont(unitFont({}));
    app.setWindowIcon(editorIcon());
    // The main window's closing ends the program, even with other windows open.
    app.setQuitOnLastWindowClosed(false);
}

int openScript(const QByteArray& path, QString* error) {
    // A closed standard output would lose every reply, and the next file opened would take
    // its number and receive them.
    if (!isOpen(STDOUT_FILENO)) {
        *error = QStringLiteral("standard output is closed: the replies have nowhere to go");
        return -1;
    }
    int fd = STDIN_FILENO;
    if (path == "-") {
        if (!isOpen(STDIN_FILENO)) {
            *error = QStringLiteral("standard input is closed: there is no script to read");
            return -1;
        }
    } else {
        // The name's bytes as given: a name that is not valid UTF-8 (a GBK name) opens too.
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            *error = QStringLiteral("cannot open the script %1: %2")
                         .arg(QString::fromLocal8Bit(path), storage::systemError(errno));
            return -1;
        }
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        *error = QStringLiteral("the script %1 is a folder, not a file").arg(QString::fromLocal8Bit(path));
        if (fd != STDIN_FILENO) ::close(fd);
        return -1;
    }
    // A reader that went away shows as a write error, not as a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    return fd;
}

int runEditor(QApplication& app, const EditorOptions& options, int scriptFd) {
    if (options.script) setFatalToStandardError(true);
    // The session file is claimed before any window shows: a file that is no session of this
    // editor is never overwritten, and one another editor holds is never written into.
    const QString askedSession = options.session  ? *options.session
                                 : options.script ? QString()
                                                  : storage::sessionFilePath();
    storage::ClaimedSession claimed;
    if (!askedSession.isEmpty()) {
        claimed = storage::claimSession(askedSession, kSessionFormat);
        if (!claimed.error.isEmpty()) {
            std::fprintf(stderr, "quorvel-editor: %s\n", claimed.error.toLocal8Bit().constData());
            return 2;
        }
    }
    const auto tell = [&options](const QString& message) {
        if (options.script) std::fprintf(stderr, "quorvel-editor: %s\n", message.toLocal8Bit().constData());
    };
    Editor editor;
    Runtime& runtime = editor.runtime();
    if (options.script) {
        auto* runner = new ScriptRunner(editor.automation(), scriptFd, &app);
        QObject::connect(runner, &ScriptRunner::finished, &app, [](int code) { QCoreApplication::exit(code); });
        // The main window's closing ends the program only once every line is answered.
        runtime.setQuitWhenMainWindowCloses(false);
    }
    LiveWindow* main = editor.main();
    if (options.quitAfterPaint && main != nullptr) main->installEventFilter(new QuitAfterPaint(&app));
    std::unique_ptr<SessionKeeper> session;
    if (!claimed.path.isEmpty() && main != nullptr) {
        session = std::make_unique<SessionKeeper>(runtime, editor.documents(), claimed.path, options.autosaveDelayMs);
        editor.documents().setRecentStore(QFileInfo(claimed.path).absolutePath() + QStringLiteral("/recent.json"));
        // A write that fails is told: in the status bar, in the reply of the script's line that
        // saved it (or the next one), and on standard error under a script.
        Context& context = editor.automation();
        QObject::connect(session.get(), &SessionKeeper::saveFailed, &editor.menu(),
                         [&editor](const QString& message) { editor.menu().showStatus(message); });
        QObject::connect(session.get(), &SessionKeeper::saveFailed, &app, [&context, tell](const QString& message) {
            context.sessionProblems.append(message);
            tell(message);
        });
        // The server profiles and the editor's known_hosts beside the session, never a secret; the
        // RCON settings of earlier versions (server.json there) become the first profile.
        editor.servers().setFolder(QFileInfo(claimed.path).absolutePath());
        QObject::connect(&editor.servers(), &Servers::problem, &editor.menu(),
                         [&editor](const QString& message) { editor.menu().showStatus(message); });
        QString warning = session->restore();
        // Profiles the file held that could not be used are told, not dropped silently.
        for (const QString& problem : editor.servers().problems())
            warning = warning.isEmpty() ? problem : warning + u' ' + problem;
        if (!claimed.notice.isEmpty()) warning = warning.isEmpty() ? claimed.notice : claimed.notice + u' ' + warning;
        if (!warning.isEmpty()) {
            editor.menu().showStatus(warning);
            tell(warning);
        }
    } else if (!claimed.notice.isEmpty()) {
        editor.menu().showStatus(claimed.notice);
        tell(claimed.notice);
    }
    const int code = app.exec();
    // The main window closed and saved the session; a quit from elsewhere saves it here.
    if (session != nullptr && !runtime.mainWindowClosed()) session->saveNow();
    return code;
}

}  // namespace ui
