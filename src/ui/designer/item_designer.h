// The item designer page: its live side over the widgets the loader made.
//
// The live side of the item designer page: the preview and the lore warning follow every
// change of the fields; the template list saves, loads and deletes named designs; "从指令读取"
// fills the page from pasted commands. What the page writes is 按钮71's action, like every
// other builder button.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "builders/item/design.h"
#include "storage/item_templates.h"

class QComboBox;
class QDialog;
class QLabel;
class QPlainTextEdit;

namespace actions {
struct Action;
}

namespace ui {

class TooltipView;
class LiveWindow;

class ItemDesigner : public QObject {
    Q_OBJECT
public:
    // Makes the loader draw the designer's preview as a live tooltip; before any window loads.
    static void drawPreviews();
    // Attaches to the designer page of the main window once that page is built.
    static void attachWhenBuilt(LiveWindow* live);
    // The designer of a loaded main window, or nullptr before its page is built.
    static ItemDesigner* of(LiveWindow* live);

    explicit ItemDesigner(LiveWindow* live);

    // The design the controls hold now.
    builders::item::ItemDesign design() const;
    // Puts a design into every control of the page.
    void show(const builders::item::ItemDesign& design);

    // The templates as the data folder holds them; the list shows their names.
    const QList<storage::ItemTemplate>& templates() const { return templates_; }
    // 按钮72, 按钮73 and a pick from 组合框15: the name is the template box's text. Deleting
    // asks first; a pick over fields changed since the last pick, save or start asks first
    // (ui/base/question.h: under automation the answer is "no" and the op is refused).
    void saveTemplate();
    void deleteTemplate();
    void loadTemplate(int index);

    // "从指令读取": fills the page from the commands, returns the lines it did not understand.
    QStringList readCommands(const QString& commands);
    // The reader's window (made on first use).
    QDialog* readerDialog();

    // What the page's status line says now.
    QString status() const;

private:
    void refresh();
    void setStatus(const QString& text);
    void reloadTemplates();
    void showUnknown(const QStringList& unknown);
    void removeTemplate(const QString& name);
    // The fields as they stand are those of the template named name ("" for none).
    void keepAsPicked(const QString& name);

    LiveWindow* live_;
    const actions::Action* action_;
    TooltipView* preview_;
    QLabel* warning_;
    QLabel* status_;
    QComboBox* templateBox_;
    QList<storage::ItemTemplate> templates_;
    QString templatesError_;
    builders::item::ItemDesign picked_;  // what the last pick, save or the start left
    QString pickedName_;
    bool showing_ = false;  // while show() fills the controls, refresh once at the end
    QDialog* reader_ = nullptr;
    QPlainTextEdit* readerInput_ = nullptr;
    QPlainTextEdit* readerUnknown_ = nullptr;
};

}  // namespace ui
