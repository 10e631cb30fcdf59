// What a screen reader finds: every window's accessibility tree, walked as an assistive
// technology would, names every field, button, list and panel, and names each field after
// its own row.
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <map>
#include <set>

#include "ui_test_support.h"

namespace {

using forms::Kind;
using ui::fromUtf8;

class Accessibility : public testing_support::EditorTest {
protected:
    // Every interface below the window's, as the tree offers them.
    static void walk(QAccessibleInterface* node, std::vector<QAccessibleInterface*>& out) {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (child == nullptr) continue;
            out.push_back(child);
            walk(child, out);
        }
    }

    ui::LiveWindow* openAll(std::uint32_t id) {
        ui::LiveWindow* live = runtime->open(id);
        live->buildAllPages();
        return live;
    }

    QString nameOf(std::string_view unit, std::uint32_t window = forms::kMainWindowId) {
        QWidget* widget = runtime->window(window)->controlByName(unit);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
        return iface != nullptr ? iface->text(QAccessible::Name) : QString();
    }
};

TEST_F(Accessibility, EveryControlInTheTreeHasANameAndNoTwoFieldsOfAPageShareOne) {
    for (const forms::Window& form : forms::allWindows()) {
        ui::LiveWindow* live = openAll(form.id);
        ASSERT_NE(live, nullptr);
        std::vector<QAccessibleInterface*> nodes;
        walk(QAccessible::queryAccessibleInterface(live), nodes);
        std::set<std::string_view> reached;
        std::map<int, std::map<QString, std::string_view>> fieldNames;  // page -> name -> unit
        for (QAccessibleInterface* node : nodes) {
            auto* widget = qobject_cast<QWidget*>(node->object());
            if (widget == nullptr) continue;
            const int index = live->unitIndex(widget->objectName().toStdString());
            if (index < 0 || live->control(index) != widget) continue;
            const forms::Unit& unit = form.units[static_cast<std::size_t>(index)];
            reached.insert(unit.name);
            const QString name = node->text(QAccessible::Name);
            const bool named = unit.kind == Kind::EditBox || unit.kind == Kind::Button || unit.kind == Kind::ComboBox;
            if (named) {
                EXPECT_FALSE(name.trimmed().isEmpty()) << form.title << " " << unit.name << " has no name";
            }
            const bool field =
                (unit.kind == Kind::EditBox && !unit.multiline && !unit.readOnly) || unit.kind == Kind::ComboBox;
            if (field && !name.isEmpty()) {
                const auto [it, fresh] = fieldNames[unit.page].emplace(name, unit.name);
                EXPECT_TRUE(fresh) << form.title << ": " << unit.name << " and " << it->second << " are both read as "
                                   << name.toStdString();
            }
        }
        // The tree reaches every control the form defines, on every page.
        for (const forms::Unit& unit : form.units)
            if (unit.kind == Kind::EditBox || unit.kind == Kind::Button || unit.kind == Kind::ComboBox) {
                EXPECT_TRUE(reached.contains(unit.name)) << form.title << " " << unit.name << " is not in the tree";
            }
    }
}

// No two controls of a page (or of a window's own controls) are read alike: a screen reader
// user tells them apart by name alone.
TEST_F(Accessibility, NoTwoControlsOfAPageShareAName) {
    for (const forms::Window& form : forms::allWindows()) {
        ui::LiveWindow* live = openAll(form.id);
        std::map<int, std::map<QString, std::string_view>> names;  // page -> name -> unit
        for (std::size_t i = 0; i < form.units.size(); ++i) {
            const forms::Unit& unit = form.units[i];
            if (unit.kind != Kind::EditBox && unit.kind != Kind::Button && unit.kind != Kind::ComboBox &&
                unit.kind != Kind::CheckBox)
                continue;
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(live->control(static_cast<int>(i)));
            ASSERT_NE(iface, nullptr);
            const QString name = iface->text(QAccessible::Name);
            const auto [it, fresh] = names[unit.page].emplace(name, unit.name);
            EXPECT_TRUE(fresh) << form.title << ": " << unit.name << " and " << it->second << " are both read as "
                               << name.toStdString();
        }
    }
}

// Each window is a window to assistive technology (AT-SPI "frame"), not a filler.
TEST_F(Accessibility, EveryWindowIsReadAsAWindow) {
    for (const forms::Window& form : forms::allWindows()) {
        ui::LiveWindow* live = runtime->open(form.id);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(live);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::Window) << form.title;
        // The title as shown: the main window's holds the place of its unsaved-changes mark.
        EXPECT_EQ(iface->text(QAccessible::Name), QString(live->windowTitle()).remove(QStringLiteral("[*]")))
            << form.title;
    }
}

TEST_F(Accessibility, FieldsAreReadByTheLabelOfTheirOwnRow) {
    openAll(forms::kMainWindowId);
    // 技能制作: each field sits to the right of its own label, not below the one above.
    EXPECT_EQ(nameOf("编辑框25"), QStringLiteral("识别名称："));
    EXPECT_EQ(nameOf("编辑框27"), QStringLiteral("触发指令："));
    EXPECT_EQ(nameOf("编辑框28"), QStringLiteral("指令增添："));
    EXPECT_EQ(nameOf("编辑框2"), QStringLiteral("基本伤害"));
    // The passive-skill rows: two fields beside one skill name, told apart by their columns.
    openAll(forms::kPassiveSkillWindowId);
    EXPECT_EQ(nameOf("编辑框2", forms::kPassiveSkillWindowId), QStringLiteral("风刃 等级"));
    EXPECT_EQ(nameOf("编辑框3", forms::kPassiveSkillWindowId), QStringLiteral("风刃 几率"));
}

TEST_F(Accessibility, ButtonsSayWhatTheyAddAndPanelsAndNotesAreNamed) {
    openAll(forms::kMainWindowId);
    EXPECT_EQ(nameOf("按钮1"), QStringLiteral("添加 基本伤害"));
    EXPECT_EQ(nameOf("编辑框1"), QStringLiteral("指令输出框"));
    EXPECT_EQ(nameOf("编辑框20"), QStringLiteral("配置文件输出框"));
    // The red notes on 属性 are read as the notes they are, with their whole text as
    // description; both start "注意！", so each takes its next line too.
    QAccessibleInterface* note = QAccessible::queryAccessibleInterface(main->controlByName("编辑框4"));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(QAccessible::Name), QStringLiteral("注意！ Quorvel的基本"));
    EXPECT_EQ(nameOf("编辑框8"), QStringLiteral("注意！ Quorvel插件"));
    EXPECT_TRUE(note->text(QAccessible::Description).contains(QStringLiteral("非真实伤害")));
    EXPECT_TRUE(note->state().readOnly);
    // The notice line: named, and read-only like the notes.
    EXPECT_EQ(nameOf("编辑框19"), QStringLiteral("公告："));
    openAll(forms::kPassiveSkillWindowId);
    EXPECT_EQ(nameOf("编辑框1", forms::kPassiveSkillWindowId), QStringLiteral("指令生成"));
    // Buttons that add: none of them is read as a bare "添加".
    for (const forms::Window& form : forms::allWindows()) {
        ui::LiveWindow* live = openAll(form.id);
        for (std::size_t i = 0; i < form.units.size(); ++i) {
            if (form.units[i].kind != Kind::Button) continue;
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(live->control(static_cast<int>(i)));
            EXPECT_NE(iface->text(QAccessible::Name), QStringLiteral("添加"))
                << form.title << " " << form.units[i].name;
        }
    }
}

}  // namespace
