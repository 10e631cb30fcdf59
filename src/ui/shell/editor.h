// The editor put together: start-up, the application object, and the rooms of the editor
// attached to the windows the runtime loads. This file: the assembly. The runtime loads the
// main window; every room (checks and highlighting of the panels, the documents and the
// menus over them, the previews, the item designer, the server link) attaches to it here, so
// that none of them reaches up for another.
#pragma once

#include <QPointer>
#include <memory>

#include "ui/automation/automation_ops.h"
#include "ui/remote/servers.h"
#include "ui/server/server_link.h"

namespace ui {

class EntryEditor;
class FolderPanel;
class GemPreview;
class LiveWindow;
class MainMenu;
class PanelDocuments;
class PluginFolder;
class Runtime;

class Editor {
public:
    // Loads and shows the main window with every room attached.
    Editor();
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    Runtime& runtime() { return *runtime_; }
    LiveWindow* main() const { return main_; }
    PanelDocuments& documents() { return *documents_; }
    MainMenu& menu() { return *menu_; }
    GemPreview* gemPreview() const { return gemPreview_; }
    EntryEditor& entries() { return *entries_; }
    ServerLink& server() { return *server_; }
    // The server profiles and their sessions.
    Servers& servers() { return *servers_; }
    PluginFolder& folder() { return *folder_; }
    FolderPanel& folderPanel() { return *folderPanel_; }
    // What the automation interface works on.
    Context& automation() { return *context_; }

private:
    void attach(LiveWindow* live);

    std::unique_ptr<Servers> servers_;  // outlives the windows, whose rooms reach it
    std::unique_ptr<Runtime> runtime_;
    LiveWindow* main_ = nullptr;
    PanelDocuments* documents_ = nullptr;
    MainMenu* menu_ = nullptr;
    GemPreview* gemPreview_ = nullptr;
    EntryEditor* entries_ = nullptr;
    PluginFolder* folder_ = nullptr;
    FolderPanel* folderPanel_ = nullptr;
    QPointer<ServerLink> server_;  // gone with the main window; a reopened one gets its own
    std::unique_ptr<Context> context_;
};

}  // namespace ui
