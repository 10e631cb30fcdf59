// The main window's menu bar ("文件", "编辑", "帮助") and status bar: opening and saving the
// panels' files, the recent files, a new empty session, taking back a clear or the last
// append. Every menu entry is a named action, one row each, that the automation interface
// can trigger by its name. Each run is a request that says how its questions are answered; no
// run holds the event loop.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "ui/files/panel_documents.h"
#include "ui/files/request.h"

class QAction;
class QFileSystemWatcher;
class QLabel;
class QMessageBox;
class QTimer;
class QMenu;
class QPlainTextEdit;

namespace ui {

class LiveWindow;
class Runtime;
class MainMenu;

struct MenuRow {
    const char* name;     // for the automation interface: "new", "save-as", ...
    const char* menu;     // "文件", "编辑" or "帮助"
    const char* caption;  // the entry as shown
    const char* keys;     // its shortcut, "" for none
    void (MainMenu::*run)(const RequestPtr& request);
};

std::span<const MenuRow> menuRows();

// Whether a menu bar entry shown as shown ("编辑(&E)") is the menu titled title ("编辑").
bool menuTitleIs(const QString& shown, const QString& title);

class MainMenu : public QObject {
    Q_OBJECT
public:
    // Adds the menu bar and the status bar to the main window; the files are the documents'.
    MainMenu(Runtime& runtime, LiveWindow* main, PanelDocuments& documents);

    PanelDocuments& documents() { return documents_; }
    QAction* action(const char* name) const;
    // A menu of the bar by its title ("编辑", without its access letter), for the rooms above that add their entries.
    QMenu* menu(const QString& title) const;

    // Runs a named action as a script's request: a question is answered "no" and becomes the
    // refusal, as does an entry that needs a file name. finished hears the refusal (empty when
    // the action ran) and what the status bar says, once the action is done.
    // With forced, every yes/no question is answered "yes".
    void trigger(const QString& name, bool forced, const Request::Finished& finished);

    // A panel with a file whose text differs from it: what the title's "*" and the status
    // bar's "未保存的更改" tell, and what closing asks about.
    bool hasUnsavedChanges() const;
    // That one panel has a file and a text that differs from it.
    bool hasUnsavedChanges(actions::Panel panel) const;

    // Shows a message in the status bar for a while.
    void showStatus(const QString& message);
    // What the status bar says once a file is open: what was read, its invalid bytes, and what
    // a save will write otherwise than the file has it.
    static QString openedStatus(const documents::Outcome& outcome);
    // What it says once a file is saved: what was written, what the write could not keep, and
    // what it wrote otherwise than the file had it.
    static QString savedStatus(const documents::Outcome& outcome);

    // A menu of another room in the menu bar, before the menu titled before (after the last
    // when there is none): the rooms above this one add their menus through it.
    QMenu* addMenuBefore(const QString& before, const QString& title);
    // An entry of another room in one of the bar's menus (before the entry before, at the end
    // when null), run as the rows run: from the menu as a person's request, through trigger by
    // its name as a script's. keys: its shortcut, "" for none.
    using Run = std::function<void(const RequestPtr& request)>;
    QAction* addEntry(QMenu* menu, const QString& name, const QString& caption, const QString& keys, Run run,
                      QAction* before = nullptr);

    void newSession(const RequestPtr& request);
    void openFile(const RequestPtr& request);
    // Opens a file into the configuration panel, asking what the request's asker answers:
    // 替换 / 加在后面 over text, 保存 / 不保存 over unsaved changes. Replace takes the place of
    // the text of another file without the first question (the one over unsaved changes stays);
    // text that came from no file is still asked about.
    enum class OpenMode { Ask, Replace };
    void openPath(const RequestPtr& request, const QString& path, OpenMode mode = OpenMode::Ask);
    // The same for a file anywhere (a server's: "lobby" and its path), read in the encoding given
    // (nullopt: UTF-8, else GBK); a person settles the server's host key and login first.
    void openLocation(const RequestPtr& request, const documents::Location& file,
                      std::optional<storage::Encoding> encoding, OpenMode mode = OpenMode::Ask);
    void openRemote(const RequestPtr& request);
    void reloadFile(const RequestPtr& request);
    void reopenOtherEncoding(const RequestPtr& request);
    void save(const RequestPtr& request);
    void saveAs(const RequestPtr& request);
    void compare(const RequestPtr& request);
    void appendToFile(const RequestPtr& request);
    void saveCommands(const RequestPtr& request);
    void quit(const RequestPtr& request);
    void undoEdit(const RequestPtr& request);
    void redoEdit(const RequestPtr& request);
    void undoClear(const RequestPtr& request);
    void removeLast(const RequestPtr& request);
    void about(const RequestPtr& request);

signals:
    // "新建" emptied every panel and field.
    void sessionCleared();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void askToSaveFirst(const RequestPtr& request, const QString& coming, const std::function<void()>& then);
    void reachFirst(const RequestPtr& request, const QString& place, const std::function<void()>& then);
    void opened(const RequestPtr& request, const documents::Outcome& outcome, const QString& title);
    void chooseSavePath(const RequestPtr& request, QPlainTextEdit* panel, const QString& title,
                        const std::function<void(const documents::SaveRequest&)>& chosen);
    void runSave(const RequestPtr& request, actions::Panel panel, const documents::SaveRequest& save,
                 bool changesTold = false);
    PanelDocuments::Done later(const RequestPtr& request, const PanelDocuments::Done& then);
    void report(const RequestPtr& request, const QString& message);
    void fillRecent();
    void updateStatus();
    void updateModified();
    // Saves every panel with a file and unsaved changes, one after the other; then hears
    // whether all of them were saved.
    void saveUnsaved(const std::function<void(bool)>& then);
    void saveEach(std::vector<actions::Panel> panels, const std::function<void(bool)>& then);
    void askBeforeClose();
    // The file of a panel was changed on disk: reloaded when the panel has no changes of its own.
    void fileChangedOnDisk();
    void reload(const RequestPtr& request, actions::Panel panel);
    // What "新建" took away, so that "撤销清空" brings it back.
    struct Cleared {
        std::vector<std::pair<int, QString>> texts;            // unit index, text of a field
        std::vector<std::pair<int, int>> selections;           // unit index, index of a drop-down
        std::vector<std::pair<QPlainTextEdit*, bool>> panels;  // panels it cleared, modified then
        std::map<actions::Panel, documents::Document> documents;
        int page = 0;
        quint64 clearedAt = 0;  // the panels' clear, as PanelMemory counts
    };
    bool wouldLoseWork() const;
    void undoNew();
    void updateEditMenu();
    void undoOrRedo(const RequestPtr& request, bool redo);

    Runtime& runtime_;
    LiveWindow* main_;
    PanelDocuments& documents_;
    QPlainTextEdit* configuration_ = nullptr;
    QPlainTextEdit* commands_ = nullptr;
    QMenu* recent_ = nullptr;
    QLabel* fileLabel_ = nullptr;
    QLabel* formatLabel_ = nullptr;
    QLabel* modifiedLabel_ = nullptr;
    QWidget* transfer_ = nullptr;  // the status bar's progress of a transfer from or to a server
    QLabel* transferLabel_ = nullptr;
    QPointer<QMessageBox> closeQuestion_;
    QPointer<QWidget> lastEdited_;  // the text box 撤销 and 重做 act on
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* diskCheck_ = nullptr;
    std::optional<Cleared> cleared_;
    std::map<QString, Run> entries_;  // the other rooms' entries, by name
    QString toldChanged_;             // the file whose change on disk the status bar has told
    bool closing_ = false;            // the main window is closing: no more questions
    bool closeAfterSave_ = false;     // a close waits for the save being written
    bool closeAnswered_ = false;      // the close may go on without asking about unsaved changes
};

}  // namespace ui
