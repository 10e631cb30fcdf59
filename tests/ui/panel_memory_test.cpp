// What a panel remembers so that a wrong click costs nothing: the last clear, taken back by the
// 编辑 menu, the panel's context menu or Ctrl+Z, and the last append.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <map>
#include <set>

#include "ui/files/main_menu.h"
#include "ui/panels/multi_line_edit.h"
#include "ui/panels/panel.h"
#include "ui/panels/panel_fill.h"
#include "ui/panels/panel_memory.h"
#include "ui/panels/panel_reader.h"
#include "ui_test_support.h"

namespace {

// A key as the keyboard delivers it.
void press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &up);
}

class PanelMemory : public testing_support::EditorTest {
protected:
    void click(std::string_view button, std::uint32_t window = forms::kMainWindowId) {
        control<QPushButton>(button, window)->click();
    }
    // The entries of the panel's context menu, as "caption:enabled".
    QStringList contextEntries(QPlainTextEdit* edit) {
        QStringList entries;
        QTimer::singleShot(0, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* menu = qobject_cast<QMenu*>(widget);
                if (menu == nullptr || !menu->isVisible()) continue;
                for (QAction* action : menu->actions())
                    if (action->text() == QStringLiteral("撤销清空") ||
                        action->text() == QStringLiteral("删除上一次添加"))
                        entries << action->text() + (action->isEnabled() ? ":on" : ":off");
                menu->close();
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), edit->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(edit->viewport(), &event);
        QCoreApplication::processEvents();
        return entries;
    }
};

TEST_F(PanelMemory, CtrlZRightAfterTheClearBringsTheTextBackInFrontOfLaterAppends) {
    QPlainTextEdit* out = panel("编辑框1");
    ui::appendToPanel(out, QStringLiteral("/a 1\r\n"));
    click("按钮4");  // 清空
    EXPECT_EQ(ui::panelText(out), QString());
    ui::appendToPanel(out, QStringLiteral("/a 2\r\n"));
    out->setFocus();
    press(out, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ui::panelText(out), QStringLiteral("/a 1\r\n/a 2\r\n"));
    // Only once; and the next Ctrl+Z has nothing left to take back.
    press(out, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ui::panelText(out), QStringLiteral("/a 1\r\n/a 2\r\n"));
}

TEST_F(PanelMemory, CtrlZUndoesTypingFirstAndClearingAnEmptyPanelKeepsTheEarlierText) {
    QPlainTextEdit* out = panel("编辑框20");
    ui::appendToPanel(out, QStringLiteral("a: 1\r\n"));
    click("按钮20");
    click("按钮20");  // a second click on the empty panel must not lose the first one's text
    out->setFocus();
    press(out, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"));
    press(out, Qt::Key_Z, Qt::ControlModifier);  // takes back the typing
    EXPECT_EQ(ui::panelText(out), QString());
    press(out, Qt::Key_Z, Qt::ControlModifier);  // then the clear
    EXPECT_EQ(ui::panelText(out), QStringLiteral("a: 1\r\n"));
}

TEST_F(PanelMemory, ClearedTextWithoutALastLineBreakStaysOffTheNextLine) {
    QPlainTextEdit* out = panel("编辑框1");
    out->setPlainText(QStringLiteral("typed"));
    click("按钮4");
    ui::appendToPanel(out, QStringLiteral("/a 2\r\n"));
    ASSERT_TRUE(ui::PanelMemory::of(out)->undoClear());
    EXPECT_EQ(ui::panelText(out), QStringLiteral("typed\r\n/a 2\r\n"));
}

TEST_F(PanelMemory, TheContextMenuOffersBothWhenTheyCanRun) {
    QPlainTextEdit* out = panel("编辑框1");
    EXPECT_EQ(contextEntries(out), QStringList({"撤销清空:off", "删除上一次添加:off"}));
    ui::appendToPanel(out, QStringLiteral("/a 1\r\n"));
    EXPECT_EQ(contextEntries(out), QStringList({"撤销清空:off", "删除上一次添加:on"}));
    click("按钮4");
    EXPECT_EQ(contextEntries(out), QStringList({"撤销清空:on", "删除上一次添加:off"}));
}

TEST_F(PanelMemory, RemoveLastTakesOnlyTheLastAppendAndOnlyWhileThePanelEndsWithIt) {
    QPlainTextEdit* out = panel("编辑框20");
    ui::appendToPanel(out, QStringLiteral("a: 1\r\n"));
    ui::appendToPanel(out, QStringLiteral("b:\r\n  c: 2\r\n"));
    EXPECT_EQ(trigger(QStringLiteral("remove-last")), QString());
    EXPECT_EQ(ui::panelText(out), QStringLiteral("a: 1\r\n"));
    EXPECT_NE(trigger(QStringLiteral("remove-last")), QString());
    EXPECT_EQ(ui::panelText(out), QStringLiteral("a: 1\r\n"));
    ui::appendToPanel(out, QStringLiteral("d: 4\r\n"));
    out->moveCursor(QTextCursor::End);
    out->insertPlainText(QStringLiteral("x"));
    EXPECT_NE(trigger(QStringLiteral("remove-last")), QString());
    EXPECT_EQ(ui::panelText(out), QStringLiteral("a: 1\r\nd: 4\r\nx"));
}

// The panel is known to end with the last append while nothing touched it; after an edit in
// it or after it, the text is compared again, line by line from the end.
TEST_F(PanelMemory, RemoveLastFollowsEditsBeforeInAndAfterTheAppend) {
    QPlainTextEdit* out = panel("编辑框20");
    ui::PanelMemory* memory = ui::PanelMemory::of(out);
    ui::appendToPanel(out, QStringLiteral("a: 1\r\n"));
    ui::appendToPanel(out, QStringLiteral("b:\r\n  c: 2\r\n  d: \"x\"\r\n"));
    QTextCursor cursor(out->document());
    cursor.insertText(QStringLiteral("# top\n"));  // before it: it only moves
    EXPECT_TRUE(memory->canRemoveLast());
    cursor.setPosition(out->document()->findBlockByNumber(3).position() + 2);
    cursor.insertText(QStringLiteral("Z"));  // inside it
    EXPECT_FALSE(memory->canRemoveLast());
    cursor.deletePreviousChar();  // and back as it was
    EXPECT_TRUE(memory->canRemoveLast());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("e"));  // after it
    EXPECT_FALSE(memory->canRemoveLast());
    cursor.deletePreviousChar();
    ASSERT_TRUE(memory->removeLast());
    EXPECT_EQ(ui::panelText(out), QStringLiteral("# top\r\na: 1\r\n"));
}

TEST_F(PanelMemory, TheEditMenuTakesBackTheLatestClearOfAnyPanel) {
    ui::appendToPanel(panel("编辑框1"), QStringLiteral("/a 1\r\n"));
    ui::appendToPanel(panel("编辑框20"), QStringLiteral("a: 1\r\n"));
    click("按钮4");
    click("按钮20");
    ui::MainMenu* menu = &editor->menu();
    menu->action("undo-clear")->trigger();
    EXPECT_EQ(ui::panelText(panel("编辑框20")), QStringLiteral("a: 1\r\n"));
    EXPECT_EQ(ui::panelText(panel("编辑框1")), QString());
    menu->action("undo-clear")->trigger();
    EXPECT_EQ(ui::panelText(panel("编辑框1")), QStringLiteral("/a 1\r\n"));
}

TEST_F(PanelMemory, ShortcutsAreTheUsualOnesAndNoTwoKeysClash) {
    ui::MainMenu* menu = &editor->menu();
    EXPECT_EQ(menu->action("new")->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(menu->action("open")->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(menu->action("save")->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(menu->action("save-as")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    EXPECT_EQ(menu->action("undo-clear")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+Z")));
    EXPECT_EQ(menu->action("remove-last")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+D")));
    // Every key of every action and shortcut of the editor, with every page and window built
    // (the item designer's page, the entries list's Ctrl+E, the colour tools): each key once,
    // and none that a text box or the platform already gives a meaning.
    for (const forms::Window& form : forms::allWindows()) runtime->open(form.id)->buildAllPages();
    settle();
    // A key is the window's: each secondary window closes on its own Esc.
    const auto windowOf = [](QObject* object) -> QObject* {
        for (; object != nullptr; object = object->parent())
            if (auto* widget = qobject_cast<QWidget*>(object);
                widget && widget->isWindow() && !qobject_cast<QMenu*>(widget))
                return widget;
        return nullptr;
    };
    std::map<std::pair<QObject*, QKeySequence>, QString> taken;
    std::set<QObject*> seen;
    const auto take = [&](QObject* owner, const QKeySequence& keys, const QString& who) {
        if (keys.isEmpty()) return;
        const auto [it, fresh] = taken.emplace(std::pair(windowOf(owner), keys), who);
        EXPECT_TRUE(fresh) << keys.toString().toStdString() << ": " << who.toStdString() << " and "
                           << it->second.toStdString();
    };
    for (QWidget* top : QApplication::topLevelWidgets()) {
        for (QAction* action : top->findChildren<QAction*>())
            if (seen.insert(action).second)
                for (const QKeySequence& keys : action->shortcuts()) take(action, keys, action->objectName());
        for (QShortcut* shortcut : top->findChildren<QShortcut*>())
            if (seen.insert(shortcut).second)
                for (const QKeySequence& keys : shortcut->keys()) take(shortcut, keys, QStringLiteral("a shortcut"));
    }
    EXPECT_GT(taken.size(), 12u);
    for (const char* name : {"undo-clear", "remove-last"}) {
        const QKeySequence keys = menu->action(name)->shortcut();
        for (int standard = QKeySequence::HelpContents; standard <= QKeySequence::Cancel; ++standard)
            for (const QKeySequence& bound :
                 QKeySequence::keyBindings(static_cast<QKeySequence::StandardKey>(standard)))
                EXPECT_NE(bound, keys) << name << " takes the standard key " << standard;
    }
}

// Right after a clear, Ctrl+Z takes it back wherever the focus is: on the clear button, in a
// field with its own typing to undo; typing first gives the key back to the field.
TEST_F(PanelMemory, CtrlZRightAfterAClearTakesItBackWhateverHasTheFocus) {
    QPlainTextEdit* out = panel("编辑框1");
    auto* field = control<QLineEdit>("编辑框2");
    ASSERT_NE(field, nullptr);
    field->setFocus();
    press(field, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"));
    ui::appendToPanel(out, QStringLiteral("/a 1\r\n"));
    click("按钮4");
    press(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ui::panelText(out), QStringLiteral("/a 1\r\n"));
    EXPECT_EQ(field->text(), QStringLiteral("1"));  // the field's own typing stays
    // The clear button itself has the focus.
    click("按钮4");
    QWidget* clear = control("按钮4");
    press(clear, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ui::panelText(out), QStringLiteral("/a 1\r\n"));
    // Typed after the clear: Ctrl+Z is the field's again, and the menu still has the clear.
    click("按钮4");
    press(field, Qt::Key_2, Qt::NoModifier, QStringLiteral("2"));
    press(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ui::panelText(out), QString());
    EXPECT_TRUE(editor->menu().action("undo-clear")->isEnabled());
    editor->menu().action("undo-clear")->trigger();
    EXPECT_EQ(ui::panelText(out), QStringLiteral("/a 1\r\n"));
    // Another panel with its own typing to take back keeps its Ctrl+Z.
    QPlainTextEdit* config = panel("编辑框20");
    click("按钮4");
    config->setFocus();
    config->insertPlainText(QStringLiteral("x"));
    press(config, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ui::panelText(config), QString());
    EXPECT_EQ(ui::panelText(out), QString());
}

}  // namespace
