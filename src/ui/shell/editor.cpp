#include "ui/shell/editor.h"

#include <QAction>
#include <QDockWidget>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>

#include "actions/panels.h"
#include "forms/windows.h"
#include "ui/colour/colour_menus.h"
#include "ui/designer/item_designer.h"
#include "ui/entries/entry_editor.h"
#include "ui/entries/entry_list.h"
#include "ui/entries/entry_pages.h"
#include "ui/files/main_menu.h"
#include "ui/files/panel_documents.h"
#include "ui/folder/folder_panel.h"
#include "ui/folder/plugin_folder.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/panels/clipboard_guard.h"
#include "ui/panels/panel_check.h"
#include "ui/panels/panel_highlighter.h"
#include "ui/preview/field_preview.h"
#include "ui/preview/gem_preview.h"
#include "ui/server/server_link.h"

namespace ui {
namespace {

// A menu entry that shows and hides a docked panel, checked while the panel is shown, however
// it was shown or hidden (another menu's entry, the dock's close button, the session).
QAction* panelAction(LiveWindow* live, QWidget* panel, const QString& caption, const QString& name) {
    auto* action = new QAction(caption, live);
    action->setObjectName(name);
    action->setCheckable(true);
    action->setChecked(live->panelShown(panel));
    QObject::connect(action, &QAction::toggled, live, [live, panel](bool shown) { live->showPanel(panel, shown); });
    QObject::connect(live, &LiveWindow::panelToggled, action, [action, panel](QWidget* toggled, bool shown) {
        if (toggled == panel) action->setChecked(shown);
    });
    return action;
}

// "视图": every docked panel of the window, shown or hidden from one place.
void addViewMenu(LiveWindow* live) {
    QMenuBar* bar = live->menuBar();
    if (bar == nullptr) return;
    QAction* before = nullptr;
    for (QAction* entry : bar->actions())
        if (entry->menu() != nullptr && menuTitleIs(entry->text(), QStringLiteral("帮助"))) before = entry;
    auto* view = new QMenu(QStringLiteral("视图(&V)"), bar);
    view->setObjectName(QStringLiteral("viewMenu"));
    bar->insertMenu(before, view);
    for (QDockWidget* dock : live->docks())
        view->addAction(
            panelAction(live, dock->widget(), dock->windowTitle(), QStringLiteral("view-") + dock->objectName()));
}

}  // namespace

Editor::Editor() {
    ItemDesigner::drawPreviews();
    servers_ = std::make_unique<Servers>();
    runtime_ = std::make_unique<Runtime>();
    QObject::connect(runtime_.get(), &Runtime::windowOpened, runtime_.get(),
                     [this](LiveWindow* live) { attach(live); });
    main_ = runtime_->open(forms::kMainWindowId);
    context_ = std::make_unique<Context>(
        Context{*runtime_, *documents_, *menu_, gemPreview_, entries_, server_, servers_.get(), folder_});
}

Editor::~Editor() = default;

// Before the window is first shown: the menu bar and the status bar change its size.
void Editor::attach(LiveWindow* live) {
    // The item designer's preview, templates and reader, once its page is built.
    ItemDesigner::attachWhenBuilt(live);
    // The colour tools on the name and lore fields, in their menus as their pages are built.
    if (ColourMenus::hasFields(live)) new ColourMenus(live);
    // "发送到服务器" beside the panels whose lines go to the server console.
    if (server_ != nullptr) server_->attach(live);
    if (live->id() != forms::kMainWindowId) return;
    new ClipboardCloseGuard(live);
    documents_ = new PanelDocuments(*runtime_, live);
    documents_->setServers(servers_.get());
    menu_ = new MainMenu(*runtime_, live, *documents_);
    // The link to the running server: its menu, the state, the replies below the form.
    server_ = new ServerLink(*runtime_, live, *menu_, *servers_);
    server_->attach(live);
    if (context_ != nullptr) context_->server = server_;
    // The panels check what they hold as it changes, and are highlighted by the same rules.
    for (const actions::PanelRow& row : actions::panels()) {
        if (row.window != live->id() || row.check == actions::CheckRules::None) continue;
        auto* edit = qobject_cast<QPlainTextEdit*>(live->controlByName(row.name));
        auto* group = qobject_cast<QGroupBox*>(live->controlByName(row.group));
        const bool configuration = row.check == actions::CheckRules::Configuration;
        // YAML is read by its indentation: a long line wrapped to the left edge would look
        // like a key of its own, so the configuration panels scroll sideways instead.
        if (edit != nullptr && configuration) edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        if (edit != nullptr && group != nullptr)
            new PanelCheck(edit, group, configuration ? PanelCheck::Rules::Configuration : PanelCheck::Rules::Commands);
        if (edit != nullptr)
            new PanelHighlighter(
                edit, configuration ? PanelHighlighter::Rules::Configuration : PanelHighlighter::Rules::Commands);
    }
    // The entries of the configuration panel: the list beside the form, the pages' bars.
    entries_ = new EntryEditor(*runtime_, live, documents_->panel(actions::FileRole::Configuration));
    auto* list = new EntryList(*entries_, live);
    live->addDock(list, QStringLiteral("entries"), QStringLiteral("条目"), Qt::RightDockWidgetArea);
    new EntryPages(*entries_, live, *menu_);
    if (QMenu* edit = menu_->menu(QStringLiteral("编辑"))) {
        edit->addSeparator();
        QAction* toggle = panelAction(live, list, QStringLiteral("条目列表"), QStringLiteral("entries"));
        toggle->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
        edit->addAction(toggle);
    }
    // The plugin's folder: its panel beside the form, its entries in 文件, the check before a reload.
    folder_ = new PluginFolder(live, *menu_, *documents_, *entries_);
    folderPanel_ = new FolderPanel(*folder_, *menu_, live);
    server_->setReloadCheck([folder = QPointer<PluginFolder>(folder_)](const RequestPtr& request, const QString& saved,
                                                                       const std::function<void()>& go) {
        if (folder == nullptr) return go();
        folder->checkBeforeReload(request, saved, go);
    });
    if (context_ != nullptr) context_->folder = folder_;
    addViewMenu(live);
    QObject::connect(menu_, &MainMenu::sessionCleared, entries_, &EntryEditor::release);
    // A page holds an entry of the file it was loaded from, not of the next one opened.
    QObject::connect(documents_, &PanelDocuments::documentChanged, entries_,
                     [this, path = QStringLiteral("\n")]() mutable {
                         const documents::Document document = documents_->document(actions::Panel::Config);
                         const QString now = document.place + u'\n' + document.path;
                         if (now != std::exchange(path, now)) entries_->release();
                     });
    // The game's view of names and lore: the strip beside a focused field, the whole gem.
    new FieldPreview(live);
    gemPreview_ = new GemPreview(live);
    // A gem loaded from the file shows as the server will read it after "更新条目": its own
    // lore lines with the page's values.
    gemPreview_->setEntryLines([this, live] { return entries_->heldEntryText(GemPreview::gemPage(*live)); });
    QObject::connect(entries_, &EntryEditor::heldChanged, gemPreview_, &GemPreview::refreshSoon);
    QObject::connect(entries_, &EntryEditor::listChanged, gemPreview_, &GemPreview::refreshSoon);
}

}  // namespace ui
