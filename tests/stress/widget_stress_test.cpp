// Thousands of random operations through the real widgets of every window: text into every
// single-line field, selections (out of range included) in every combo box, edits and
// selections in the output panels, clicks on every button, page switches, secondary windows
// opened and closed. After each operation the state of every field, combo box, panel and page
// of the loaded windows is compared with what that one operation may change:
//   - a builder button grows its panel by exactly action.build() of the values its fields
//     held just before the click, and changes nothing else;
//   - a copy button puts exactly the panel's text on the clipboard (an empty panel leaves the
//     clipboard as it was), a clear button empties
//     its panel, a window button loads and shows its window;
//   - a single-line field holds what was put into it, each line break turned into a blank.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTextCursor>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>
#include <sstream>

#include "actions/action.h"
#include "actions/panels.h"
#include "forms/windows.h"
#include "stress_support.h"
#include "ui/loader/controls.h"
#include "ui/panels/panel.h"
#include "ui_test_support.h"

namespace {

using forms::Kind;

const std::uint32_t kSecondaryWindows[] = {forms::kPassiveSkillWindowId, forms::kAttributeVariablesWindowId,
                                           forms::kAttributeListWindowId, forms::kMoreCommandsWindowId};

// A unit of a window, loaded or not.
struct UnitRef {
    std::uint32_t window;
    int index;
};

// Every unit of one kind in every window, dealt in a shuffled order and reshuffled when all
// are dealt, so every field, combo box and button gets its turn.
class Deck {
public:
    Deck(bool (*wanted)(const forms::Unit&)) {
        for (const forms::Window& form : forms::allWindows())
            for (std::size_t i = 0; i < form.units.size(); ++i)
                if (wanted(form.units[i])) all_.push_back({form.id, static_cast<int>(i)});
    }
    UnitRef draw(stress::Random& random) {
        if (left_.empty()) {
            left_ = all_;
            std::shuffle(left_.begin(), left_.end(), random.engine());
        }
        const UnitRef ref = left_.back();
        left_.pop_back();
        return ref;
    }

private:
    std::vector<UnitRef> all_;
    std::vector<UnitRef> left_;
};

// The state a user can see and change: the text of every EditBox (panels with CR LF line
// ends), the selection of every combo box and the current page, keyed by (window, unit).
using State = std::map<std::pair<std::uint32_t, int>, QString>;

QString hexId(std::uint32_t id) { return QStringLiteral("0x%1").arg(id, 8, 16, QLatin1Char('0')); }

// A long text shown by its size and the place where it first differs from another.
std::string describe(const QString& actual, const QString& expected) {
    qsizetype at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    const auto excerpt = [at](const QString& text) {
        return text.mid(std::max<qsizetype>(0, at - 20), 60).toUtf8().toStdString();
    };
    std::ostringstream out;
    out << "actual " << actual.size() << " units, expected " << expected.size() << " units, first difference at " << at
        << ":\n  actual   ...\"" << excerpt(actual) << "\"\n  expected ...\"" << excerpt(expected) << "\"";
    return out.str();
}

bool breaksLine(QChar ch) {
    return ch == QLatin1Char('\r') || ch == QLatin1Char('\n') || ch == QChar::ParagraphSeparator ||
           ch == QChar(0xFDD0) || ch == QChar(0xFDD1);
}

class WidgetStress : public testing_support::EditorTest {
protected:
    State state() const {
        State out;
        for (ui::LiveWindow* live : runtime->windows()) {
            const forms::Window& form = live->form();
            for (std::size_t i = 0; i < form.units.size(); ++i) {
                QWidget* widget = live->control(static_cast<int>(i));
                const std::pair key{form.id, static_cast<int>(i)};
                switch (form.units[i].kind) {
                case Kind::EditBox: out[key] = ui::editText(widget); break;
                case Kind::ComboBox:
                    out[key] = QStringLiteral("selection %1").arg(static_cast<QComboBox*>(widget)->currentIndex());
                    break;
                case Kind::PageControl:
                    out[key] = QStringLiteral("page %1").arg(static_cast<ui::PageControl*>(widget)->currentIndex());
                    break;
                case Kind::CheckBox:
                    out[key] = QStringLiteral("checked %1").arg(static_cast<QCheckBox*>(widget)->isChecked());
                    break;
                default: break;
                }
            }
        }
        return out;
    }

    // after must be before with the given changes; units of windows that were closed or
    // opened are left out when allowed.
    void expectState(const State& before, const State& after, const State& changes, bool windowsMayOpen = false,
                     std::uint32_t closed = 0) {
        for (const auto& [key, value] : before) {
            const std::string where = unitName(key);
            auto it = after.find(key);
            if (key.first == closed) {
                EXPECT_EQ(it, after.end()) << where << " outlived its closed window";
                continue;
            }
            if (it == after.end()) {
                ADD_FAILURE() << where << " vanished";
                continue;
            }
            auto change = changes.find(key);
            const QString& expected = change != changes.end() ? change->second : value;
            if (it->second != expected) ADD_FAILURE() << where << ": " << describe(it->second, expected);
        }
        for (const auto& [key, value] : after) {
            if (before.count(key) == 0 && !windowsMayOpen) ADD_FAILURE() << unitName(key) << " appeared";
        }
    }

    static std::string unitName(const std::pair<std::uint32_t, int>& key) {
        const forms::Window* form = forms::findWindow(key.first);
        return (hexId(key.first) + QLatin1Char('/')).toStdString() +
               std::string(form->units[static_cast<std::size_t>(key.second)].name);
    }

    std::pair<std::uint32_t, int> keyOf(std::uint32_t window, std::string_view name) const {
        return {window, forms::findUnit(*forms::findWindow(window), name)};
    }

    ui::LiveWindow* ensureOpen(std::uint32_t window) {
        if (ui::LiveWindow* live = runtime->window(window)) return live;
        ++counts["window opened for a unit"];
        return runtime->open(window);
    }

    // Operations. Each one changes the widgets the way a user would and checks the result.

    void putText(stress::Random& random, const UnitRef& ref) {
        ui::LiveWindow* live = ensureOpen(ref.window);
        auto* edit = qobject_cast<QLineEdit*>(live->control(ref.index));
        ASSERT_NE(edit, nullptr);
        const State before = state();
        const QString text = random.text();
        const QString old = edit->text();
        QString expected;
        switch (random.between(0, 3)) {
        case 0:  // set, as a program would
            edit->setText(text);
            expected = ui::SingleLineValidator::oneLine(text);
            break;
        case 1:  // pasted over the whole field
            edit->selectAll();
            edit->insert(text);
            expected = ui::SingleLineValidator::oneLine(text);
            break;
        case 2: {  // pasted at the caret
            int at = random.between(0, static_cast<int>(old.size()));
            if (at > 0 && at < old.size() && old[at - 1].isHighSurrogate() && old[at].isLowSurrogate())
                --at;  // not inside a pair
            edit->setCursorPosition(at);
            edit->insert(text);
            expected = old.left(at) + ui::SingleLineValidator::oneLine(text) + old.mid(at);
            break;
        }
        case 3:  // typed key by key, with editing keys in between
            typeInto(random, edit, text.left(24));
            expected = edit->text();
            break;
        }
        ++counts["field text"];
        const State after = state();
        const QString now = edit->text();
        EXPECT_TRUE(std::none_of(now.begin(), now.end(), breaksLine)) << "a line break stayed in a single-line field";
        EXPECT_EQ(now, expected) << describe(now, expected);
        expectState(before, after, {{{ref.window, ref.index}, expected}});
    }

    // Editing keys only: Enter runs the field's button, which the click operation covers.
    void typeInto(stress::Random& random, QWidget* widget, const QString& text) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (random.percent(15)) {
                static const std::vector<int> kKeys = {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Home, Qt::Key_End,
                                                       Qt::Key_Left,      Qt::Key_Right,  Qt::Key_Tab};
                QKeyEvent press(QEvent::KeyPress, random.pick(kKeys), Qt::NoModifier);
                QCoreApplication::sendEvent(widget, &press);
            }
            const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text.mid(i, length));
            QCoreApplication::sendEvent(widget, &press);
            i += length - 1;
        }
    }

    void select(stress::Random& random, const UnitRef& ref) {
        ui::LiveWindow* live = ensureOpen(ref.window);
        auto* combo = qobject_cast<QComboBox*>(live->control(ref.index));
        ASSERT_NE(combo, nullptr);
        const State before = state();
        const int count = combo->count();
        if (random.percent(80)) {
            const std::vector<int> indices = {
                -1, -2, count, count + 1, INT_MAX, INT_MIN, random.between(0, count - 1), random.between(0, count - 1)};
            const int index = random.pick(indices);
            combo->setCurrentIndex(index);
            EXPECT_EQ(combo->currentIndex(), index >= 0 && index < count ? index : -1);
        } else {  // the keyboard
            static const std::vector<int> kKeys = {Qt::Key_Down, Qt::Key_Up,       Qt::Key_Home,
                                                   Qt::Key_End,  Qt::Key_PageDown, Qt::Key_PageUp};
            QKeyEvent press(QEvent::KeyPress, random.pick(kKeys), Qt::NoModifier);
            QCoreApplication::sendEvent(combo, &press);
            EXPECT_GE(combo->currentIndex(), -1);
            EXPECT_LT(combo->currentIndex(), count);
        }
        ++counts["combo selection"];
        const State after = state();
        expectState(before, after,
                    {{{ref.window, ref.index}, QStringLiteral("selection %1").arg(combo->currentIndex())}});
    }

    void click(stress::Random& random, const UnitRef& ref) {
        ui::LiveWindow* live = ensureOpen(ref.window);
        const forms::Unit& unit = live->form().units[static_cast<std::size_t>(ref.index)];
        auto* button = qobject_cast<QPushButton*>(live->control(ref.index));
        ASSERT_NE(button, nullptr) << unit.name;
        State changes;
        bool opens = false;
        bool copies = false;
        QString expectedClipboard;
        const State before = state();
        switch (button->isEnabled() ? unit.click : forms::Click::None) {
        case forms::Click::Build: {
            const actions::Action* action = actions::find(ref.window, unit.name);
            ASSERT_NE(action, nullptr) << unit.name;
            const std::uint32_t panelWindow = actions::panelRow(action->panel).window;
            const std::string_view panelName = actions::panelRow(action->panel).name;
            ASSERT_EQ(panelWindow, ref.window) << unit.name;
            // The values the button will read, taken from the widgets themselves.
            actions::Inputs inputs;
            for (std::string_view name : action->texts) {
                QWidget* field = live->controlByName(name);
                ASSERT_NE(field, nullptr) << name;
                if (auto* combo = qobject_cast<QComboBox*>(field))
                    inputs.texts.push_back(ui::toUtf8(combo->currentText()));
                else
                    inputs.texts.push_back(ui::toUtf8(ui::editText(field)));
            }
            for (std::string_view name : action->selections) {
                auto* combo = qobject_cast<QComboBox*>(live->controlByName(name));
                ASSERT_NE(combo, nullptr) << name;
                inputs.selections.push_back(combo->currentIndex());
            }
            for (std::string_view name : action->checks) {
                auto* box = qobject_cast<QCheckBox*>(live->controlByName(name));
                ASSERT_NE(box, nullptr) << name;
                inputs.checks.push_back(box->isChecked());
            }
            const auto panel = keyOf(panelWindow, panelName);
            changes[panel] = before.at(panel) + ui::fromUtf8(action->build(inputs));
            ++counts["click: builder"];
            break;
        }
        case forms::Click::CopyPanel:
            QGuiApplication::clipboard()->setText(QStringLiteral("stale clipboard"));
            expectedClipboard = before.at(keyOf(ref.window, actions::panelOfButton(ref.window, unit.name)->name));
            // An empty panel leaves the clipboard as it was.
            if (expectedClipboard.isEmpty()) expectedClipboard = QStringLiteral("stale clipboard");
            copies = true;
            ++counts["click: copy"];
            break;
        case forms::Click::ClearPanel:
            changes[keyOf(ref.window, actions::panelOfButton(ref.window, unit.name)->name)] = QString();
            ++counts["click: clear"];
            break;
        case forms::Click::OpenWindow:
            opens = true;
            ++counts["click: window"];
            break;
        // The item designer's template and reader buttons touch no field here: no template
        // name is ever typed, so nothing is saved, deleted or loaded; the reader opens its window.
        case forms::Click::PageTool: ++counts["click: page tool"]; break;
        case forms::Click::None: ++counts["click: no handler"]; break;
        }
        if (random.percent(10)) {  // with the keyboard: focus and space
            button->setFocus();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
            QCoreApplication::sendEvent(button, &press);
            QCoreApplication::sendEvent(button, &release);
        } else {
            button->click();
        }
        const State after = state();
        expectState(before, after, changes, opens);
        if (copies) {
            const QString clipboard = QGuiApplication::clipboard()->text();
            EXPECT_EQ(clipboard, expectedClipboard) << unit.name << ": " << describe(clipboard, expectedClipboard);
        }
        if (opens) {
            ui::LiveWindow* opened = runtime->window(unit.opens);
            ASSERT_NE(opened, nullptr) << unit.name << " did not load " << hexId(unit.opens).toStdString();
            EXPECT_TRUE(opened->isVisible());
        }
    }

    void toggle(stress::Random& random, const UnitRef& ref) {
        ui::LiveWindow* live = ensureOpen(ref.window);
        auto* box = qobject_cast<QCheckBox*>(live->control(ref.index));
        ASSERT_NE(box, nullptr);
        const State before = state();
        if (random.percent(50))
            box->click();
        else
            box->setChecked(random.percent(50));
        ++counts["check box"];
        expectState(before, state(), {{{ref.window, ref.index}, QStringLiteral("checked %1").arg(box->isChecked())}});
    }

    void switchPage(stress::Random& random) {
        ui::PageControl* pages = main->pageControl();
        const State before = state();
        const int old = pages->currentIndex();
        const int index = random.between(-2, pages->count() + 1);
        if (random.percent(50))
            pages->setCurrentIndex(index);
        else
            pages->tabBar()->setCurrentIndex(index);
        const int now = pages->currentIndex();
        EXPECT_EQ(now, index >= 0 && index < pages->count() ? index : old);
        for (int i = 0; i < pages->count(); ++i)
            EXPECT_EQ(pages->page(i)->isVisibleTo(pages), i == now)
                << "page " << i << " with page " << now << " current";
        ++counts["page switch"];
        expectState(before, state(),
                    {{keyOf(forms::kMainWindowId, forms::kPageControlName), QStringLiteral("page %1").arg(now)}});
    }

    // The user types into an output panel, or leaves a selection in it, which the next
    // builder click must not disturb: appends always go at the very end.
    void touchPanel(stress::Random& random) {
        std::vector<std::pair<QPlainTextEdit*, std::pair<std::uint32_t, int>>> panels;
        for (ui::LiveWindow* live : runtime->windows())
            for (std::size_t i = 0; i < live->form().units.size(); ++i)
                if (auto* edit = qobject_cast<QPlainTextEdit*>(live->control(static_cast<int>(i)));
                    edit != nullptr && !edit->isReadOnly())
                    panels.push_back({edit, {live->id(), static_cast<int>(i)}});
        QPlainTextEdit* const panel = random.pick(panels).first;
        const auto key =
            std::find_if(panels.begin(), panels.end(), [&](const auto& p) { return p.first == panel; })->second;
        const State before = state();
        const auto randomSelection = [&] {
            const int length = panel->document()->characterCount() - 1;
            QTextCursor cursor(panel->document());
            cursor.setPosition(random.between(0, length));
            cursor.setPosition(random.between(0, length), QTextCursor::KeepAnchor);
            panel->setTextCursor(cursor);
        };
        randomSelection();
        if (random.percent(50)) {
            if (random.percent(50))
                panel->insertPlainText(random.text(0));
            else
                typeInto(random, panel, random.text(0).left(24));
            randomSelection();
            ++counts["panel edit"];
        } else {
            ++counts["panel selection"];
        }
        const State after = state();
        expectState(before, after, {{key, after.at(key)}});
    }

    void openWindow(stress::Random& random) {
        const std::uint32_t id = kSecondaryWindows[random.between(0, 3)];
        const State before = state();
        ui::LiveWindow* live = runtime->open(id);
        ASSERT_NE(live, nullptr);
        EXPECT_EQ(runtime->window(id), live);
        EXPECT_TRUE(live->isVisible());
        ++counts["open"];
        expectState(before, state(), {}, true);
    }

    void closeWindow(stress::Random& random) {
        std::vector<ui::LiveWindow*> secondary;
        for (ui::LiveWindow* live : runtime->windows())
            if (live != main) secondary.push_back(live);
        if (secondary.empty()) return openWindow(random);
        ui::LiveWindow* live = random.pick(secondary);
        const std::uint32_t id = live->id();
        const State before = state();
        EXPECT_TRUE(live->close());
        settle();
        EXPECT_EQ(runtime->window(id), nullptr) << hexId(id).toStdString() << " still loaded after closing";
        ++counts["close"];
        expectState(before, state(), {}, false, id);
    }

    // Keeps the panels small enough that each check stays quick.
    void trimPanels() {
        for (ui::LiveWindow* live : runtime->windows())
            for (std::size_t i = 0; i < live->form().units.size(); ++i)
                if (auto* edit = qobject_cast<QPlainTextEdit*>(live->control(static_cast<int>(i)));
                    edit != nullptr && !edit->isReadOnly() && edit->document()->characterCount() > 150'000)
                    ui::clearPanel(edit);
    }

    std::map<std::string, int> counts;
};

TEST_F(WidgetStress, RandomOperationsKeepEveryPanelExact) {
    const auto [seed, operations] = stress::announceRun("widget stress", 20240611, 5000);
    const stress::QuietPlatformWarnings quiet;
    stress::Random random(seed);
    Deck fields([](const forms::Unit& u) { return u.kind == Kind::EditBox && !u.multiline; });
    Deck combos([](const forms::Unit& u) { return u.kind == Kind::ComboBox; });
    Deck buttons([](const forms::Unit& u) { return u.kind == Kind::Button; });
    Deck checks([](const forms::Unit& u) { return u.kind == Kind::CheckBox; });

    QElapsedTimer timer;
    timer.start();
    for (int op = 0; op < operations && !HasFailure(); ++op) {
        SCOPED_TRACE(::testing::Message() << "operation " << op << ", seed " << seed);
        const int roll = random.between(0, 99);
        if (roll < 34)
            putText(random, fields.draw(random));
        else if (roll < 42)
            select(random, combos.draw(random));
        else if (roll < 44)
            toggle(random, checks.draw(random));
        else if (roll < 84)
            click(random, buttons.draw(random));
        else if (roll < 89)
            switchPage(random);
        else if (roll < 94)
            touchPanel(random);
        else if (roll < 97)
            openWindow(random);
        else
            closeWindow(random);
        trimPanels();
        // Let the windows lay out and paint what changed, as the event loop would.
        if (op % 16 == 0) QCoreApplication::processEvents();
    }
    std::printf("widget stress: %lld ms\n", static_cast<long long>(timer.elapsed()));
    for (const auto& [what, count] : counts) std::printf("  %-26s %d\n", what.c_str(), count);
}

}  // namespace
