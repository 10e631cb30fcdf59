// Start-up shared by the editor and its tests: the checks before Qt starts, the application
// object that turns a failed allocation anywhere into the fatal error, and the editor's run.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <optional>

namespace ui {

// True when some Qt platform can show windows here: a display, or a platform chosen
// explicitly (offscreen, for instance). Qt itself would abort without one.
bool haveDisplay();

// Until platformStarted(), a platform that Qt cannot start (a display that is set but does
// not answer, an unknown QT_QPA_PLATFORM) ends the program with one plain line on standard
// error and exit code 1, instead of Qt's abort.
void watchPlatformStart();
void platformStarted();

// Every event is dispatched through here: an allocation that fails inside Qt (which throws
// std::bad_alloc) ends in the runtime's fatal error, like one of the editor's own.
class EditorApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

// The look every window shares: one style, one palette, one CJK font.
void setUpApplication(QApplication& app);

struct EditorOptions {
    std::optional<QByteArray> script;  // the script path as given (its bytes), "-" for standard input
    bool quitAfterPaint = false;       // for start-up benchmarks: end once the main window is painted
    // The session file. Without a script the user's data folder holds it; a script runs
    // without one (so that it is reproducible) unless it is given.
    std::optional<QString> session;
    int autosaveDelayMs = 3000;  // how long after the last change the session is saved
};

// Opens the script of the options for reading and checks that replies can be written:
// the file descriptor, or -1 with the reason in *error.
int openScript(const QByteArray& path, QString* error);

// Runs the editor: shows the main window, and with a script (scriptFd, see openScript) runs
// the automation interface on it. Returns the process exit code.
int runEditor(QApplication& app, const EditorOptions& options, int scriptFd = -1);

}  // namespace ui
