// Every builder button, clicked through the real widgets: it reads the fields its action
// names, appends exactly the builder's text to its own panel, and leaves the others alone.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "actions/action.h"
#include "actions/panels.h"
#include "ui/loader/controls.h"
#include "ui/panels/panel.h"
#include "ui_test_support.h"

namespace actions {
// Test names and failure messages name the button, not the address of its row.
void PrintTo(const Action* action, std::ostream* out) { *out << action->button; }
}  // namespace actions

namespace {

using actions::Action;
using actions::Panel;

std::vector<const Action*> allActions() { return {actions::all().begin(), actions::all().end()}; }

class BuilderButton : public testing_support::EditorTest, public ::testing::WithParamInterface<const Action*> {};

TEST_P(BuilderButton, AppendsItsTextToItsOwnPanel) {
    const Action& action = *GetParam();
    runtime->open(forms::kPassiveSkillWindowId);
    const std::uint32_t window = action.window;
    const std::string_view panelName = actions::panelRow(action.panel).name;
    ui::LiveWindow* live = runtime->window(window);
    auto* button = qobject_cast<QPushButton*>(live->controlByName(action.button));
    ASSERT_NE(button, nullptr) << "no button " << action.button;

    // Distinct values in the fields it reads, distinct selections in its combo boxes.
    actions::Inputs inputs;
    for (std::size_t i = 0; i < action.texts.size(); ++i) {
        const QString value = QStringLiteral("v%1 值\"\\").arg(i);
        QWidget* field = live->controlByName(action.texts[i]);
        auto* combo = qobject_cast<QComboBox*>(field);
        ASSERT_TRUE(qobject_cast<QLineEdit*>(field) != nullptr || qobject_cast<QPlainTextEdit*>(field) != nullptr ||
                    (combo != nullptr && combo->isEditable()))
            << action.texts[i];
        ui::setEditText(field, value);
        inputs.texts.push_back(ui::toUtf8(value));
    }
    // Check boxes set against their start, every other one.
    for (std::size_t i = 0; i < action.checks.size(); ++i) {
        auto* box = qobject_cast<QCheckBox*>(live->controlByName(action.checks[i]));
        ASSERT_NE(box, nullptr) << action.checks[i];
        if (i % 2 == 0) box->setChecked(!box->isChecked());
        inputs.checks.push_back(box->isChecked());
    }
    for (std::size_t i = 0; i < action.selections.size(); ++i) {
        auto* combo = qobject_cast<QComboBox*>(live->controlByName(action.selections[i]));
        ASSERT_NE(combo, nullptr) << action.selections[i];
        combo->setCurrentIndex(static_cast<int>(i + 1) % combo->count());
        inputs.selections.push_back(combo->currentIndex());
    }
    // Earlier text in every panel, which must stay as it is.
    QPlainTextEdit* panels[] = {panel("编辑框1"), panel("编辑框20"), panel("编辑框1", forms::kPassiveSkillWindowId)};
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
                         [](const ::testing::TestParamInfo<const Action*>& row) {
                             const Action& action = *row.param;
                             std::string name = action.panel == Panel::Ability ? "Passive_" : "Main_";
                             const std::string button(action.button);
                             return name + "Button" + button.substr(button.find_first_of("0123456789"));
                         });

}  // namespace
