// Every builder button, clicked through the real widgets: it reads the fields its action
// names, appends exactly the builder's text to its own panel, and leaves the others alone.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <set>

#include "builders/actions.h"
#include "ui/controls.h"
#include "ui/panel.h"
#include "ui_test_support.h"

namespace builders {
// Test names and failure messages name the button, not the address of its row.
void PrintTo(const Action* action, std::ostream* out) { *out << action->button; }
}  // namespace builders

namespace {

using builders::Action;
using builders::Panel;

std::vector<const Action*> allActions() {
    std::vector<const Action*> actions;
    for (auto family : {builders::attributeActions(), builders::socketActions()})
        for (const Action& action : family) actions.push_back(&action);
    return actions;
}

class BuilderButton : public testing_support::EditorTest,
                      public ::testing::WithParamInterface<const Action*> {};

TEST_P(BuilderButton, AppendsItsTextToItsOwnPanel) {
    const Action& action = *GetParam();
    runtime->open(forms::kPassiveSkillWindowId);
    const auto [window, panelName] = ui::Runtime::panelOf(action.panel);
    ui::LiveWindow* live = runtime->window(window);
    auto* button = qobject_cast<QPushButton*>(live->controlByName(action.button));
    ASSERT_NE(button, nullptr) << "no button " << action.button;

    // Distinct values in the fields it reads, distinct selections in its combo boxes.
    builders::Inputs inputs;
    for (std::size_t i = 0; i < action.texts.size(); ++i) {
        const QString value = QStringLiteral("v%1 值\"\\").arg(i);
        QWidget* field = live->controlByName(action.texts[i]);
        ASSERT_NE(qobject_cast<QLineEdit*>(field), nullptr) << action.texts[i];
        ui::setEditText(field, value);
        inputs.texts.push_back(ui::toUtf8(value));
    }
    for (std::size_t i = 0; i < action.selections.size(); ++i) {
        auto* combo = qobject_cast<QComboBox*>(live->controlByName(action.selections[i]));
        ASSERT_NE(combo, nullptr) << action.selections[i];
        combo->setCurrentIndex(static_cast<int>(i + 1) % combo->count());
        inputs.selections.push_back(combo->currentIndex());
    }
    // Earlier text in every panel, which must stay as it is.
    QPlainTextEdit* panels[] = {panel("编辑框1"), panel("编辑框20"),
                                panel("编辑框1", forms::kPassiveSkillWindowId)};
    for (QPlainTextEdit* each : panels) ui::appendToPanel(each, QStringLiteral("earlier\r\n"));
    QPlainTextEdit* target = panel(panelName, window);

    button->click();
    button->click();
    const QString line = ui::fromUtf8(action.build(inputs));
    EXPECT_FALSE(line.isEmpty());
    for (QPlainTextEdit* each : panels) {
        const QString expected = QStringLiteral("earlier\r\n") + (each == target ? line + line : QString());
        EXPECT_EQ(ui::panelText(each), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(All, BuilderButton, ::testing::ValuesIn(allActions()),
                         [](const ::testing::TestParamInfo<const Action*>& info) {
                             const Action& action = *info.param;
                             std::string name = action.panel == Panel::Ability ? "Passive_" : "Main_";
                             const std::string button(action.button);
                             return name + "Button" + button.substr(button.find_first_of("0123456789"));
                         });

// Every button the forms bind to a builder has exactly one action, and every action's
// button is such a button.
TEST(BuilderBindings, FormsAndActionsAgree) {
    ui::Runtime runtime;
    std::set<std::pair<std::uint32_t, std::string_view>> bound;
    for (const forms::Window& form : forms::allWindows())
        for (const forms::Unit& unit : form.units)
            if (unit.click == forms::Click::Build) {
                bound.insert({form.id, unit.name});
                EXPECT_NE(runtime.action(form.id, unit.name), nullptr) << unit.name;
            }
    std::size_t actions = 0;
    for (const Action* action : allActions()) {
        ++actions;
        EXPECT_EQ(bound.count({ui::Runtime::panelOf(action->panel).first, action->button}), 1u)
            << action->button;
    }
    EXPECT_EQ(actions, bound.size());
}

}  // namespace
