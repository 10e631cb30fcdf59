// The session: what the user built and typed (every panel, every field of the open windows,
// the current page, the windows' places and sizes), saved a moment after each change and when
// the editor closes, and restored at the next start. The file is written off the UI thread,
// atomically, so typing never waits and a crash loses at most the last moment.
#pragma once

#include <QHash>
#include <QJsonObject>
#include <QLatin1StringView>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <utility>

class QPlainTextEdit;

#include "storage/safe_write.h"

namespace ui {

// What a session file says it is.
inline constexpr QLatin1StringView kSessionFormat("quorvel-editor-session");

class LiveWindow;
class PanelDocuments;
class PanelReader;
class Runtime;

// What the session holds, before it becomes JSON.
struct SessionState {
    struct Window {
        QString id;
        QRect place;
        int page = -1;
        QList<std::pair<QString, QString>> texts;  // unit name, text ("\n" line ends)
        QList<std::pair<QString, int>> selections;
        QByteArray docks;  // the docked panels, as LiveWindow::dockState gives them
    };
    QList<Window> windows;
    // The files behind the main window's panels, as JSON, by the panel's name in the panel
    // table ({"<name>": {"path": ...}}).
    QJsonObject files;

    QJsonObject toJson() const;
};

class SessionKeeper : public QObject {
    Q_OBJECT
public:
    // Keeps the session of runtime's windows and the panels' documents in path; delayMs after
    // the last change.
    SessionKeeper(Runtime& runtime, PanelDocuments& documents, QString path, int delayMs, QObject* parent = nullptr);
    ~SessionKeeper() override;

    // Restores the session in path, if there is one; returns the warning to show (a damaged
    // file), empty when none.
    QString restore();
    // What the session holds now.
    QJsonObject snapshot();
    // Writes the session now, on this thread, after any write still running, and cancels any
    // autosave under way. Once the main window has closed this is the last write: nothing
    // the keeper does afterwards replaces the session the close kept.
    void saveNow();

    // Saves written so far (for tests and benchmarks).
    int saves() const { return saves_; }
    // The longest the autosave held the event loop in one step (reading a slice of a
    // panel, or taking the session), in milliseconds.
    double longestStepMs() const { return longestStepMs_; }

signals:
    void saved();
    // A write of the session failed: what to tell the user (once, until a write succeeds).
    void saveFailed(const QString& message);

private:
    void watch(LiveWindow* window);
    void changed();
    SessionState state();
    void startSave();
    void readNext();
    void writeSnapshot();
    void finished(const storage::WriteResult& result);
    void report(const storage::WriteResult& result);
    void watchPanel(QPlainTextEdit* panel);
    QPlainTextEdit* unreadPanel() const;

    Runtime& runtime_;
    PanelDocuments& documents_;
    QString path_;
    QTimer delay_;
    QThreadPool writer_;
    bool writing_ = false;
    bool again_ = false;
    bool restoring_ = false;
    bool closed_ = false;   // the close's session is written: no more saves
    bool failing_ = false;  // the last write failed and was told
    int saves_ = 0;
    double longestStepMs_ = 0;
    // The panels' text as last read: a large panel is read again only after it changed.
    QHash<QPlainTextEdit*, QString> panelText_;
    QSet<QPlainTextEdit*> watched_;
    // The panel being read for the autosave, a slice at a time.
    QPointer<PanelReader> reading_;
};

}  // namespace ui
