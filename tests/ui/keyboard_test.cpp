// The keyboard: fast entry with Enter, Esc and the page keys, where the focus starts and
// where Tab goes, and undo after a paste made one line.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include "ui/loader/controls.h"
#include "ui/panels/panel.h"
#include "ui_test_support.h"

namespace {

class Keyboard : public testing_support::EditorTest {
protected:
    void showActive(QWidget* window) {
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        QApplication::processEvents();
    }
    static QWidget* nextTab(QWidget* widget) {
        do widget = widget->nextInFocusChain();
        while (!(widget->focusPolicy() & Qt::TabFocus));
        return widget;
    }
};

TEST_F(Keyboard, TypeEnterTypeEnterAddsALineEachTime) {
    showActive(main);
    main->pageControl()->setCurrentIndex(1);
    auto* damage = control<QLineEdit>("编辑框2");
    damage->setFocus();
    QTest::keyClicks(damage, QStringLiteral("10"));
    QTest::keyClick(damage, Qt::Key_Return);
    damage->selectAll();
    QTest::keyClicks(damage, QStringLiteral("20"));
    QTest::keyClick(damage, Qt::Key_Enter);  // the keypad's
    EXPECT_EQ(ui::panelText(panel("编辑框1")), QStringLiteral("/att Stats DAMAGE 10\r\n/att Stats DAMAGE 20\r\n"));
    // A field of a block that several fields feed runs that block's button too: the
    // resistance row of 元素.
    main->pageControl()->setCurrentIndex(5);
    auto* name = control<QLineEdit>("编辑框81");
    name->setText(QStringLiteral("fire"));
    control<QLineEdit>("编辑框84")->setText(QStringLiteral("-5"));
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(ui::panelText(panel("编辑框20")), QStringLiteral("    fire: -5\r\n"));
}

TEST_F(Keyboard, EnterAndSpaceOnAFocusedButtonClickIt) {
    showActive(main);
    main->pageControl()->setCurrentIndex(1);
    control<QLineEdit>("编辑框3")->setText(QStringLiteral("7"));
    auto* add = control<QPushButton>("按钮3");
    add->setFocus();
    QTest::keyClick(add, Qt::Key_Return);
    QTest::keyClick(add, Qt::Key_Space);
    EXPECT_EQ(ui::panelText(panel("编辑框1")), QStringLiteral("/att Stats DEFENSE 7\r\n/att Stats DEFENSE 7\r\n"));
}

TEST_F(Keyboard, EscClosesASecondaryWindowAndCtrlTabTurnsThePages) {
    ui::LiveWindow* passive = runtime->open(forms::kPassiveSkillWindowId);
    showActive(passive);
    // It opens with the focus in its first field.
    EXPECT_EQ(QApplication::focusWidget(), passive->controlByName("编辑框2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    settle();
    EXPECT_EQ(runtime->window(forms::kPassiveSkillWindowId), nullptr);
    // Esc in the main window closes nothing.
    showActive(main);
    QTest::keyClick(main, Qt::Key_Escape);
    EXPECT_TRUE(main->isVisible());

    ui::PageControl* pages = main->pageControl();
    pages->setCurrentIndex(0);
    QTest::keyClick(main, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 1);
    EXPECT_EQ(QApplication::focusWidget(), main->controlByName("编辑框2"));  // the page's first field
    QTest::keyClick(main, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 2);
    QTest::keyClick(main, Qt::Key_PageUp, Qt::ControlModifier);
    QTest::keyClick(main, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(pages->currentIndex(), 0);
    QTest::keyClick(main, Qt::Key_PageUp, Qt::ControlModifier);  // round to the last page
    EXPECT_EQ(pages->currentIndex(), pages->count() - 1);
}

// Alt and a menu's letter open that menu, F10 the first one, from wherever the focus is.
TEST_F(Keyboard, AltAndALetterOrF10OpenTheMenus) {
    showActive(main);
    QMenuBar* bar = main->menuBar();
    const auto shownMenu = [&]() -> QString {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return popup != nullptr && popup->isVisible() ? popup->title() : QString();
    };
    const auto closeMenus = [&] {
        while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        QApplication::processEvents();
    };
    for (const auto& [key, title] : std::initializer_list<std::pair<Qt::Key, const char*>>{
             {Qt::Key_F, "文件(&F)"}, {Qt::Key_E, "编辑(&E)"}, {Qt::Key_S, "服务器(&S)"}, {Qt::Key_H, "帮助(&H)"}}) {
        QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : main, key,
                        Qt::AltModifier);
        QApplication::processEvents();
        EXPECT_EQ(shownMenu(), QString::fromUtf8(title));
        closeMenus();
    }
    QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : main, Qt::Key_F10);
    QApplication::processEvents();
    EXPECT_EQ(shownMenu(), bar->actions().constFirst()->text());
    closeMenus();
}

TEST_F(Keyboard, FocusStartsInAFieldAndTheNoticeLineIsReadOnlyAndPassedBy) {
    main->pageControl()->setCurrentIndex(1);
    showActive(main);
    EXPECT_EQ(QApplication::focusWidget(), main->controlByName("编辑框2"))
        << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "none");
    for (const char* note : {"编辑框19", "编辑框22", "编辑框23", "编辑框4", "编辑框8"}) {
        QWidget* widget = main->controlByName(note);
        EXPECT_FALSE(widget->focusPolicy() & Qt::TabFocus) << note;
        EXPECT_TRUE(widget->property("readOnly").toBool()) << note;
    }
    // The announcement refuses typing, and its text can still be selected.
    auto* notice = control<QLineEdit>("编辑框22");
    const QString before = notice->text();
    notice->setFocus();
    QTest::keyClicks(notice, QStringLiteral("x"));
    EXPECT_EQ(notice->text(), before);
    notice->selectAll();
    EXPECT_EQ(notice->selectedText(), before);
    // A click on a line of the notice or the QQ box leaves the keyboard in the field, and a
    // drag still selects the text.
    QWidget* field = main->controlByName("编辑框2");
    for (const char* line : {"编辑框19", "编辑框22", "编辑框23"}) {
        field->setFocus();
        auto* box = control<QLineEdit>(line);
        box->deselect();
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(2, box->height() / 2));
        QTest::mouseMove(box, QPoint(box->width() - 2, box->height() / 2));
        QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(box->width() - 2, box->height() / 2));
        EXPECT_EQ(QApplication::focusWidget(), field) << line;
        EXPECT_FALSE(box->selectedText().isEmpty()) << line;
    }
}

TEST_F(Keyboard, ThePassiveWindowTabsThroughEveryRowThenThePanelThenItsButtons) {
    ui::LiveWindow* passive = runtime->open(forms::kPassiveSkillWindowId);
    showActive(passive);
    QWidget* widget = passive->controlByName("编辑框2");
    std::vector<QString> order;
    for (int i = 0; i < 200 && (order.empty() || widget != passive->controlByName("编辑框2")); ++i) {
        order.push_back(widget->objectName());
        widget = nextTab(widget);
    }
    // Each row's two fields and its button, in order, to the last row; then the panel and
    // its buttons as they stand (copy, send to the server, clear); then round to the first row.
    const auto at = [&](const char* name) {
        return std::find(order.begin(), order.end(), QString::fromUtf8(name)) - order.begin();
    };
    EXPECT_LT(at("编辑框2"), at("编辑框3"));
    EXPECT_LT(at("编辑框3"), at("按钮3"));
    EXPECT_LT(at("按钮3"), at("编辑框4"));
    EXPECT_LT(at("编辑框51"), at("编辑框1"));
    EXPECT_EQ(at("按钮1"), at("编辑框1") + 1);
    EXPECT_EQ(at("sendToServer"), at("编辑框1") + 2);
    EXPECT_EQ(at("按钮2"), at("编辑框1") + 3);
    EXPECT_EQ(static_cast<std::size_t>(at("按钮2")), order.size() - 1);
}

TEST_F(Keyboard, CtrlZUndoesAPasteMadeOneLineAndTheTypingBeforeIt) {
    showActive(main);
    main->pageControl()->setCurrentIndex(1);
    auto* field = control<QLineEdit>("编辑框2");
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("ab"));
    QApplication::clipboard()->setText(QStringLiteral("x\r\ny\nz"));
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QStringLiteral("abx y z"));
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QStringLiteral("ab"));
    field->undo();
    EXPECT_NE(field->text(), QStringLiteral("ab"));  // the typing before it is undoable too
    field->redo();
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(field->text(), QStringLiteral("abx y z"));
}

}  // namespace

namespace {

// 编辑 → 撤销 and 重做 act on the text box that has the keyboard, and say when there is
// nothing to take back.
TEST_F(Keyboard, TheEditMenusUndoAndRedoActOnTheFocusedField) {
    main->pageControl()->setCurrentIndex(1);
    showActive(main);
    auto* field = control<QLineEdit>("编辑框2");
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("10"));
    ASSERT_EQ(field->text(), QStringLiteral("10"));
    EXPECT_EQ(trigger(QStringLiteral("undo")), QString());
    EXPECT_EQ(field->text(), QString());
    EXPECT_NE(trigger(QStringLiteral("undo")), QString());
    EXPECT_EQ(trigger(QStringLiteral("redo")), QString());
    EXPECT_EQ(field->text(), QStringLiteral("10"));
    EXPECT_EQ(main->findChild<QAction*>(QStringLiteral("undo"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(main->findChild<QAction*>(QStringLiteral("redo"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+Y")));
}

}  // namespace
