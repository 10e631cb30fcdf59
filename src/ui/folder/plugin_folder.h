// The plugin's folder in the editor: the "插件文件夹" panel beside the form, its menu entries and
// the check before 保存并重载. This file: the folder open in the editor and what is done with it,
// shared by the panel and the automation ops: reading it off the UI thread (again with F5, which
// marks the files changed since), finding entries, its findings, and a file of it opened into the
// configuration panel with an entry loaded or a line shown.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "documents/location.h"
#include "project/findings.h"
#include "project/reading/folder_read.h"
#include "ui/files/request.h"

class QPlainTextEdit;

namespace remote {
class Session;
}

namespace ui {

class EntryEditor;
class LiveWindow;
class MainMenu;
class PanelDocuments;

// How the panel names a file's kind: 宝石, 元素, 关键lore, 混合, 其他.
QString kindCaption(project::FileKind kind);
// How it names an entry's kind: 宝石, 元素, 关键lore, 其他.
QString kindCaption(entries::Kind kind);
// How it names a finding: 无法读取, 重复的识别名, ...
QString findingName(project::Code code);
// Where a finding is, as the user reads it: "elements.yml 第 8 行", "编辑框1 第 2 行".
QString findingPlace(const project::Finding& finding);
// A finding as the automation interface answers it: {"file","line","code","message"} (a
// panel's line: "panel" for "file"), "column" for unreadable, "entry" when it names one,
// "other":{"file","line"} for the other place.
QJsonObject findingJson(const project::Finding& finding);

class PluginFolder : public QObject {
    Q_OBJECT
public:
    // Makes the place a reading reads from, on the thread that reads it.
    using PlaceMaker = std::function<std::unique_ptr<project::Place>()>;
    // What a reading came to: empty when the folder was read, else why it could not be listed
    // (the folder open before stays open then).
    using ReadDone = std::function<void(const QString& error)>;

    PluginFolder(LiveWindow* main, MainMenu& menu, PanelDocuments& documents, EntryEditor& entries);

    // Reads a folder on this computer; the folder open now, named again, is read as F5 reads it.
    // false, with nothing started, while a reading runs.
    bool openLocal(const QString& path, const ReadDone& done);
    // Reads a folder of any place: root is where it is (a server's: the profile and the folder's
    // path there, as a document's location has it); name is how the user reads it.
    bool open(const QString& name, const documents::Location& root, const PlaceMaker& place, const ReadDone& done);
    // Reads the plugin folder a server profile names (its 插件文件夹) over the profile's session;
    // the caller has reached the server first (its host key trusted, the login good). The folder
    // open now, named again, is read as F5 reads it. false while a reading runs or without such
    // a profile.
    bool openOnServer(const QString& profile, remote::Session* session, const ReadDone& done);
    // F5: the open folder again; the files whose bytes changed since are marked. false while a
    // reading runs or no folder is open.
    bool reread(const ReadDone& done);

    bool isOpen() const { return read_ != nullptr; }
    bool isReading() const { return reading_; }
    // The folder as the user reads it ("/srv/mc/plugins/Quorvel", "lobby:/srv/lobby/plugins/Quorvel").
    const QString& name() const { return name_; }
    // Where it is: on this computer (no place) or a profile's server.
    const documents::Location& root() const { return root_; }
    std::shared_ptr<const project::FolderRead> reading() const { return read_; }
    // The last reading's marks: the files changed, added and removed since the one before.
    const QList<project::FileChange>& changes() const { return changes_; }

    // The entries whose identifier, name or lore holds text (project::Folder::find), found off
    // the UI thread; done hears them unless another find or reading came meanwhile.
    void find(const QString& text, const std::function<void(const std::vector<project::Match>&)>& done);
    // Checks the folder and the command panel's lines off the UI thread; done hears the findings,
    // which are the folder's findings() from then on (until the next reading, which checks again
    // when the folder had been checked).
    void check(const std::function<void(const std::vector<project::Finding>&)>& done);
    bool isChecking() const { return checking_; }
    const std::optional<std::vector<project::Finding>>& findings() const { return findings_; }
    // Of findings(), those the last save added (shown marked); empty after a check.
    const std::vector<project::Finding>& added() const { return added_; }
    // The command panel's lines, as the check reads them.
    std::vector<project::PanelText> panelTexts() const;

    // Where a file of the folder is ("old/sockets.yml"): on this computer or on the folder's server.
    documents::Location location(const QString& file) const;
    // The file of the folder the configuration panel holds; empty when it holds none of them.
    QString fileInPanel() const;
    // The configuration panel holds this file of the folder.
    bool isInPanel(const QString& file) const;

    // A person's double-click: the file opened into the configuration panel (asking first over
    // unsaved changes, as the menu's open does), then the entry loaded into its page; an entry
    // no page shows, or line > 0 without an entry, puts the panel's caret on the line.
    void openEntry(const QString& file, const QString& id, int line);
    // A finding's place: the file opened and the caret on the line, or the command panel's line.
    void goTo(const project::Finding& finding);
    // Puts a panel's caret on a line (from 1) and shows it.
    static void showLine(QPlainTextEdit* panel, int line);

    // Between the save of 保存并重载 and its reload (ServerLink::setReloadCheck): when the folder
    // is open and holds the file saved, the check runs on the folder as the save left it; the
    // findings the save added are shown and the reload waits for the request's "仍然重载"
    // (a script's is refused with "folder-findings" and the findings unless forced).
    void checkBeforeReload(const RequestPtr& request, const QString& saved, const std::function<void()>& go);

signals:
    // A reading started or ended.
    void readingChanged();
    // A new reading of a folder is at hand.
    void folderChanged();
    // It is of another folder than the one open before (the panel shows itself).
    void opened();
    // The findings changed (a check, a save's check, a new reading).
    void findingsChanged();

private:
    bool start(const QString& name, const documents::Location& root, const PlaceMaker& place,
               const std::shared_ptr<const project::FolderRead>& previous, const ReadDone& done);
    void whenInPanel(const QString& file, const std::function<void()>& then);
    void tell(const QString& title, const QString& message);

    LiveWindow* main_;
    MainMenu& menu_;
    PanelDocuments& documents_;
    EntryEditor& entries_;
    QString name_;
    documents::Location root_;
    PlaceMaker place_;
    std::shared_ptr<const project::FolderRead> read_;
    QList<project::FileChange> changes_;
    std::optional<std::vector<project::Finding>> findings_;
    std::vector<project::Finding> added_;
    bool reading_ = false;
    bool checking_ = false;
    quint64 finds_ = 0;     // finds started: only the latest is answered
    quint64 readings_ = 0;  // readings done: a find or check of an older one is not answered
};

}  // namespace ui
