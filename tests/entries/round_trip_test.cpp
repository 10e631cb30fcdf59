// Every entry the editor can write, through write, list, load and update: load gives back the
// fields that wrote it, an update without a change leaves the text byte for byte, an update to
// other values gives exactly the text the builder writes for them (and nothing else changes),
// and a list line goes right under the entry's own list. Over every hostile value in every
// field, every item of every drop-down list, and seeded random values.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "builders/socket/element_block.h"
#include "builders/socket/key_lore.h"
#include "hostile.h"
#include "support.h"
#include "yaml/check.h"
#include "yaml/escape.h"

namespace entries {
namespace {

using testing::action;
using testing::crlf;
using testing::entryNamed;
using testing::lf;
using testing::outcome;

// One block button, the page it belongs to and how to build one line of its list.
struct Kit {
    const char* name;
    Kind kind;
    std::string_view button;
    int page;
    std::size_t labelField;  // the text field the listing shows
    std::string (*listLine)(const std::string& value);
};

const Kit kKits[] = {
    {"Gem", Kind::Gem, "按钮50", 4, 2, [](const std::string& v) { return builders::socket::gemLoreLine(v); }},
    {"Element", Kind::Element, "按钮54", 5, 1,
     [](const std::string& v) { return builders::socket::resistanceLine(v.empty() ? "水" : v, "-15"); }},
    {"KeyLore", Kind::KeyLore, "按钮21", 2, 1,
     [](const std::string& v) { return builders::socket::keyLoreCommand(v); }},
};

std::ostream& operator<<(std::ostream& out, const Kit& kit) { return out << kit.name; }

// The items of a drop-down list of the main window, as the form has them.
int itemCount(std::string_view control) {
    for (const forms::Unit& unit : forms::findWindow(forms::kMainWindowId)->units)
        if (unit.name == control) return static_cast<int>(unit.items.size());
    throw std::runtime_error("no control " + std::string(control));
}

std::string build(const Kit& kit, const actions::Inputs& inputs) { return action(kit.button).build(inputs); }

// The inputs with every selection that writes nothing (no selection, or the element lists'
// blank last item) as no selection: two such inputs write the same bytes, so load gives -1.
actions::Inputs normalized(const Kit& kit, actions::Inputs inputs) {
    const std::string written = build(kit, inputs);
    for (int& selection : inputs.selections) {
        const int kept = selection;
        selection = -1;
        if (build(kit, inputs) != written) selection = kept;
    }
    return inputs;
}

std::string describe(const actions::Inputs& inputs) {
    std::ostringstream out;
    for (const std::string& text : inputs.texts) out << '[' << yaml::escaped(text) << "] ";
    for (const int selection : inputs.selections) out << selection << ' ';
    return out.str();
}

// Where the entry stands among two others, and the text's line ends.
struct Layout {
    int place = 0;  // 0 first, 1 between, 2 last
    bool crlf = false;
    bool finalBreak = true;  // the text ends with a line break (the last entry's matters)
};

Layout layoutNumber(std::size_t n) { return {static_cast<int>(n % 3), (n / 3) % 2 == 1, (n / 6) % 2 == 0}; }

constexpr std::string_view kBefore = "# 开头的说明\n前:\n  keylore: \"a\"\n  command:\n    - \"b\"\n\n";
constexpr std::string_view kAfter = "\n# 之后\n后:\n  Keylore: \"c\"\n  Resistance:\n    水: 5\n";

std::string compose(const Layout& layout, std::string_view block) {
    std::string text;
    if (layout.place == 2) text += kBefore;
    text += lf(block);
    if (layout.place == 1) text = std::string(kBefore) + text + std::string(kAfter);
    if (layout.place == 0) text += kAfter;
    if (!layout.finalBreak && text.ends_with('\n')) text.pop_back();
    return layout.crlf ? crlf(text) : text;
}

int lineCount(std::string_view block) { return static_cast<int>(std::count(block.begin(), block.end(), '\n')); }

// The whole round: write `first`, list and load it, update it unchanged, update it to `second`,
// add a list line.
void roundTrip(const Kit& kit, const actions::Inputs& first, const actions::Inputs& second, const Layout& layout) {
    SCOPED_TRACE(std::string(kit.name) + " first " + describe(first) + "\nsecond " + describe(second) + "\nplace " +
                 std::to_string(layout.place) + (layout.crlf ? " CRLF" : " LF") +
                 (layout.finalBreak ? "" : " no final break"));
    const std::string block = build(kit, first);
    const std::string text = compose(layout, block);
    const std::string id = first.texts[0];
    const Index index(text);
    const yaml::CheckResult check = yaml::checkConfiguration(text);
    if (!check.valid) {  // what the builder wrote is not readable (an empty identifier, a lone value)
        EXPECT_TRUE(index.listing().broken);
        const LoadResult loaded = index.load(id);
        EXPECT_EQ(loaded.refusal, Refusal::InvalidYaml);
        EXPECT_EQ(loaded.message, index.listing().message);
        return;
    }
    ASSERT_FALSE(index.listing().broken) << index.listing().message;
    ASSERT_EQ(index.listing().entries.size(), layout.place == 1 ? 3U : 2U);
    const Entry& entry = entryNamed(index.listing(), id);
    const int firstLine = layout.place == 0 ? 1 : lineCount(kBefore) + 1;
    EXPECT_EQ(entry.kind, kit.kind);
    EXPECT_EQ(entry.line, firstLine);
    EXPECT_EQ(entry.end, firstLine + lineCount(block) - 1);
    EXPECT_EQ(entry.label, first.texts[kit.labelField]);

    const LoadResult loaded = index.load(id);
    ASSERT_TRUE(loaded.ok()) << loaded.message;
    EXPECT_EQ(loaded.loaded.page, kit.page);
    EXPECT_EQ(loaded.loaded.button, kit.button);
    EXPECT_EQ(loaded.loaded.kind, kit.kind);
    EXPECT_EQ(loaded.loaded.line, entry.line);
    EXPECT_EQ(loaded.loaded.inputs.texts, first.texts);
    EXPECT_EQ(loaded.loaded.inputs.selections, normalized(kit, first).selections);
    EXPECT_TRUE(loaded.loaded.extras.empty());

    for (const actions::Inputs& same : {loaded.loaded.inputs, first}) {
        const EditResult unchanged = index.update(loaded.loaded, same);
        ASSERT_TRUE(unchanged.ok()) << unchanged.message;
        EXPECT_EQ(unchanged.text, text);
        EXPECT_EQ(unchanged.line, entry.line);
        EXPECT_EQ(unchanged.end, entry.end);
    }

    const std::string secondBlock = build(kit, second);
    const std::string wanted = compose(layout, secondBlock);
    const EditResult updated = index.update(loaded.loaded, second);
    if (second.texts[0].empty()) {
        EXPECT_EQ(updated.refusal, Refusal::EmptyId) << outcome(updated);
    } else if (!yaml::checkConfiguration(wanted).valid) {
        EXPECT_TRUE(updated.refusal == Refusal::InvalidYaml || updated.refusal == Refusal::Unsupported)
            << outcome(updated);
    } else {
        ASSERT_TRUE(updated.ok()) << outcome(updated);
        EXPECT_EQ(updated.text, wanted);
        EXPECT_EQ(updated.line, entry.line);
        EXPECT_EQ(updated.end, entry.line + lineCount(secondBlock) - 1);
        const LoadResult reloaded = load(updated.text, second.texts[0]);
        ASSERT_TRUE(reloaded.ok()) << reloaded.message;
        EXPECT_EQ(reloaded.loaded.inputs.texts, second.texts);
        EXPECT_EQ(reloaded.loaded.inputs.selections, normalized(kit, second).selections);
    }

    // A list line lands right under the entry, at the end of its own list.
    const std::string line = kit.listLine(second.texts.back());
    const EditResult added = index.insertListLine(id, line);
    ASSERT_TRUE(added.ok()) << outcome(added);
    std::string expected = compose(layout, block + line);
    EXPECT_EQ(added.text, expected);
    EXPECT_EQ(added.end, entry.end + 1);
}

// The ids of the entries around the one under test, which a random identifier must not take.
bool isNeighbour(const std::string& id) { return id == "前" || id == "后"; }

// Filled-in values for every field: what an administrator types on a normal day.
actions::Inputs baseInputs(const Kit& kit) {
    const actions::Action& a = action(kit.button);
    actions::Inputs in;
    for (std::size_t i = 0; i < a.texts.size(); ++i) in.texts.push_back(i == 0 ? "红宝石_1" : std::to_string(i * 3));
    for (std::size_t i = 0; i < a.selections.size(); ++i) in.selections.push_back(static_cast<int>(i));
    return in;
}

class RoundTripTest : public ::testing::TestWithParam<Kit> {};

TEST_P(RoundTripTest, EveryHostileValueInEveryField) {
    const Kit& kit = GetParam();
    const std::vector<std::string>& values = yaml::testing::hostileValues();
    const std::size_t fields = action(kit.button).texts.size();
    std::size_t n = 0;
    for (std::size_t field = 0; field < fields; ++field) {
        for (std::size_t v = 0; v < values.size(); ++v) {
            if (field == 0 && isNeighbour(values[v])) continue;
            actions::Inputs first = baseInputs(kit);
            actions::Inputs second = first;
            first.texts[field] = values[v];
            second.texts[field] = values[(v * 7 + 3) % values.size()];
            roundTrip(kit, first, second, layoutNumber(n++));
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
}

TEST_P(RoundTripTest, EveryItemOfEveryDropDownList) {
    const Kit& kit = GetParam();
    const actions::Action& a = action(kit.button);
    std::size_t n = 0;
    for (std::size_t s = 0; s < a.selections.size(); ++s) {
        const int items = itemCount(a.selections[s]);
        for (int item = -1; item < items; ++item) {
            actions::Inputs first = baseInputs(kit);
            first.selections[s] = item;
            for (const int other : {-1, (item + 1) % items, items - 1}) {
                actions::Inputs second = first;
                second.selections[s] = other;
                roundTrip(kit, first, second, layoutNumber(n++));
                if (::testing::Test::HasFatalFailure()) return;
            }
        }
    }
}

// A value made of pieces that mean something to YAML, to the game's colour codes or to the
// panel's lines, or a hostile value, or nothing.
std::string randomValue(std::mt19937& random) {
    static const std::vector<std::string> pieces = {
        "a",  "Z", "9", "0",  "-",  ".",  "红", "宝石", "&c",  "§l",   "#",      " #",
        ": ", ":", "'", "\"", "\\", "\t", " ",  "  ",   "\n",  "\r\n", "\u2028", "\u0085",
        "{",  "[", "*", "&",  "!",  "%",  "@",  "~",    "yes", "0x",   "e3",
    };
    const std::vector<std::string>& hostile = yaml::testing::hostileValues();
    const auto roll = random() % 10;
    if (roll < 2) return {};
    if (roll < 5) return hostile[random() % hostile.size()];
    std::string value;
    for (auto k = random() % 8 + 1; k > 0; --k) value += pieces[random() % pieces.size()];
    return value;
}

actions::Inputs randomInputs(const Kit& kit, std::mt19937& random) {
    const actions::Action& a = action(kit.button);
    actions::Inputs in;
    for (std::size_t i = 0; i < a.texts.size(); ++i) {
        std::string value = randomValue(random);
        while (i == 0 && (value.empty() || isNeighbour(value))) value = randomValue(random);
        in.texts.push_back(std::move(value));
    }
    for (const std::string_view control : a.selections)
        in.selections.push_back(
            static_cast<int>(random() % static_cast<std::mt19937::result_type>(itemCount(control) + 1)) - 1);
    return in;
}

TEST_P(RoundTripTest, SeededRandomValues) {
    const Kit& kit = GetParam();
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 random(seed);
        SCOPED_TRACE("seed " + std::to_string(seed));
        const actions::Inputs first = randomInputs(kit, random);
        actions::Inputs second = randomInputs(kit, random);
        if (random() % 3 == 0) second.texts[0] = first.texts[0];  // the same entry, renamed or not
        roundTrip(kit, first, second, layoutNumber(seed));
        if (::testing::Test::HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Blocks, RoundTripTest, ::testing::ValuesIn(kKits),
                         [](const ::testing::TestParamInfo<Kit>& kit) { return std::string(kit.param.name); });

// The page each entry loads into is the page its button sits on.
TEST(LoadedPageTest, IsThePageOfTheButton) {
    for (const Kit& kit : kKits) {
        const forms::Window* window = forms::findWindow(forms::kMainWindowId);
        const auto unit = std::find_if(window->units.begin(), window->units.end(),
                                       [&](const forms::Unit& u) { return u.name == kit.button; });
        ASSERT_NE(unit, window->units.end());
        EXPECT_EQ(unit->page, kit.page) << kit.name;
        const LoadResult loaded = load(build(kit, baseInputs(kit)), "红宝石_1");
        ASSERT_TRUE(loaded.ok()) << loaded.message;
        EXPECT_EQ(loaded.loaded.page, unit->page) << kit.name;
    }
}

}  // namespace
}  // namespace entries
