// The "插件文件夹" panel beside the form: the folder's YAML files as a tree of files and their
// entries with each file's kind and count, a filter that finds an entry by identifier, name or
// lore, the findings of "检查文件夹"; double-click opens a file into the configuration panel and
// loads the entry or shows the line. Its entries in the 文件 menu: 打开插件文件夹…, 重新读取插件
// 文件夹 (F5), 检查文件夹.
#pragma once

#include <QWidget>

#include "ui/files/request.h"

class QAction;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTableView;
class QToolButton;
class QTreeView;

namespace ui {

class FindingsModel;
class FolderModel;
class LiveWindow;
class MainMenu;
class PluginFolder;

class FolderPanel : public QWidget {
    Q_OBJECT
public:
    // Docks the panel in main as "folder" (hidden until a folder is opened or the user shows it)
    // and adds its entries to the 文件 menu.
    FolderPanel(PluginFolder& folder, MainMenu& menu, LiveWindow* main);

    // The panel's parts, made at the first show or the first ask.
    QTabWidget* tabs();
    QLineEdit* filter();
    QTreeView* tree();
    FolderModel* model();
    QTableView* findingsView();
    FindingsModel* findingsModel();
    QLabel* status();
    QLabel* notes();
    QSize sizeHint() const override;

    // The menu entries (named "open-folder", "reread-folder", "check-folder" for trigger). A
    // check shows the findings, whoever asked for it.
    void chooseFolder(const RequestPtr& request);
    void openServerFolder(const RequestPtr& request);
    void readAgain(const RequestPtr& request);
    void checkFolder(const RequestPtr& request);
    // Shows the panel on its findings, or its files.
    void showFindings();
    void showFiles();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void addMenuEntries(MainMenu& menu);
    void folderChanged();
    void findingsChanged();
    void filterChanged();
    void activate(const QModelIndex& index);
    void showCounts();
    void showNotes();
    void showFinding(const QModelIndex& index);
    void updateActions();

    PluginFolder& folder_;
    MainMenu& menu_;
    LiveWindow* main_;
    QAction* open_ = nullptr;
    QAction* openServer_ = nullptr;
    QAction* reread_ = nullptr;
    QAction* check_ = nullptr;
    QLabel* path_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QTreeView* tree_ = nullptr;
    FolderModel* model_ = nullptr;
    QLabel* notes_ = nullptr;
    QLabel* summary_ = nullptr;
    QTableView* findings_ = nullptr;
    FindingsModel* findingsModel_ = nullptr;
    QLabel* message_ = nullptr;
    QLabel* status_ = nullptr;
    QString lastError_;  // why the last reading could not list the folder
};

}  // namespace ui
