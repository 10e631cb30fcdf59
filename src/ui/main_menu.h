// The main window's menu bar ("文件", "编辑", "帮助") and status bar: opening and saving the
// panels' files, the recent files, a new empty session, taking back a clear or the last
// append. Every menu entry is a named action, one row each, that the automation interface
// can trigger by its name.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <span>

#include "ui/panel_files.h"

class QAction;
class QLabel;
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
    void (MainMenu::*run)();
};

std::span<const MenuRow> menuRows();

class MainMenu : public QObject {
    Q_OBJECT
public:
    // Adds the menu bar and the status bar to the main window.
    MainMenu(Runtime& runtime, LiveWindow* main);
    static MainMenu* of(const LiveWindow* main);

    PanelFiles& files() { return *files_; }
    QPlainTextEdit* configurationPanel() const { return configuration_; }
    QPlainTextEdit* commandPanel() const { return commands_; }
    QAction* action(const char* name) const;

    // Runs a named action as if from the menu, without a dialog: a question is answered
    // "no" and becomes the refusal, as does an entry that needs a file name. Returns the
    // refusal, empty when the action ran; *message gets what the status bar says.
    QString trigger(const QString& name, QString* message = nullptr);

    // Shows a message in the status bar for a while.
    void showStatus(const QString& message);

    void newSession();
    void openFile();
    void reopenOtherEncoding();
    void save();
    void saveAs();
    void appendToFile();
    void saveCommands();
    void quit();
    void undoClear();
    void removeLast();
    void about();

signals:
    // "新建" emptied every panel and field.
    void sessionCleared();

private:
    void openPath(const QString& path);
    void whenOpened(bool busy, const std::function<void(PanelFiles::Done)>& open, const PanelFiles::Done& then);
    PanelFiles::Done later(const PanelFiles::Done& then);
    void saveWithChecks(QPlainTextEdit* panel, const QString& path, bool append, bool chooseFormat);
    void runSave(QPlainTextEdit* panel, const SaveRequest& request);
    QString chooseSavePath(QPlainTextEdit* panel, const QString& title, bool chooseFormat, bool* formatChosen);
    bool confirm(const QString& title, const QString& question, const QString& yes);
    void tell(const QString& title, const QString& message);
    void fillRecent();
    void updateStatus();
    void updateEditMenu();

    Runtime& runtime_;
    LiveWindow* main_;
    QPlainTextEdit* configuration_ = nullptr;
    QPlainTextEdit* commands_ = nullptr;
    PanelFiles* files_ = nullptr;
    QMenu* recent_ = nullptr;
    QLabel* fileLabel_ = nullptr;
    QLabel* formatLabel_ = nullptr;
    // While trigger() runs: questions are answered "no" and recorded here.
    bool scripted_ = false;
    bool closing_ = false;  // the main window is closing: no more questions
    QString refusal_;
    QString status_;
    // The format the save dialog chose.
    int chosenEncoding_ = 0;
    int chosenLineEnd_ = 0;
};

}  // namespace ui
