// Texts nobody meant to write: the sample entries cut, repeated and sprinkled with the
// characters that mean something to YAML or to the panel (tabs, quotes, CR alone, LINE
// SEPARATOR, broken UTF-8, NUL), seeded. Nothing crashes; an update that is given back touches
// nothing outside its entry, leaves a text the server reads, and loads back as it was given.
#include <gtest/gtest.h>

#include <random>

#include "builders/socket/element_block.h"
#include "builders/socket/gem_block.h"
#include "builders/socket/key_lore.h"
#include "samples.h"
#include "support.h"
#include "yaml/check.h"

namespace entries {
namespace {

using testing::action;
using testing::lf;

std::string sampleText() {
    return testing::kGem + lf(testing::kElement) + testing::kKeyLore + testing::kJade +
           lf(builders::socket::gemBlock({.id = "g", .shiny = 1, .typeItem = 1, .bonusBase = 3, .bonusScale = 4}) +
              builders::socket::elementBlock({.id = "e", .toAttacker = {.potion = 2}, .toVictims = {}}) +
              builders::socket::resistanceLine("w", "1") + builders::socket::keyLoreEntry("k", "l", "c"));
}

std::string mutated(std::string text, std::mt19937& random) {
    static const std::vector<std::string> pieces = {
        "\t",     " ",     "  ",   ":",
        ": ",     "#",     " #",   "\"",
        "'",      "-",     "- ",   "{",
        "}",      "[",     "]",    "&a",
        "*a",     "!",     "|",    ">",
        "\n",     "\r",    "\r\n", "\u2028",
        "\u0085", "\xC3",  "\xFF", std::string(1, '\0'),
        "---\n",  "...\n", "x:\n", "  Display_Name: n\n",
        "\\",     "\\u",   "~",    "<<: ",
        "? ",
    };
    const auto at = [&](std::size_t size) { return size == 0 ? 0 : random() % (size + 1); };
    for (auto n = random() % 6 + 1; n > 0; --n) {
        switch (random() % 4) {
        case 0: text.insert(at(text.size()), pieces[random() % pieces.size()]); break;
        case 1: {
            const std::size_t from = at(text.size());
            text.erase(from, random() % 12);
            break;
        }
        case 2: {  // a line again, somewhere else
            const std::size_t from = text.rfind('\n', at(text.size()));
            const std::size_t start = from == std::string::npos ? 0 : from + 1;
            const std::size_t end = text.find('\n', start);
            const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start + 1);
            text.insert(text.find('\n', at(text.size())) == std::string::npos ? text.size()
                                                                              : text.find('\n', at(text.size())) + 1,
                        line);
            break;
        }
        default:
            if (!text.empty()) text[random() % text.size()] = pieces[random() % pieces.size()][0];
            break;
        }
    }
    return text;
}

// The lines before the entry and after it, as they stood.
void expectOnlyTheEntryChanged(const std::string& before, const std::string& after, const Entry& entry,
                               const Index& index) {
    const std::size_t head = index.lines().begin(static_cast<std::size_t>(entry.line) - 1);
    const std::size_t tail = index.lines().next(before, static_cast<std::size_t>(entry.end) - 1);
    ASSERT_GE(after.size(), head);
    EXPECT_EQ(after.substr(0, head), before.substr(0, head));
    ASSERT_GE(after.size(), before.size() - tail);
    EXPECT_EQ(after.substr(after.size() - (before.size() - tail)), before.substr(tail));
}

TEST(RobustnessTest, MutatedTexts) {
    const std::string base = sampleText();
    int updates = 0;
    for (unsigned seed = 1; seed <= 600; ++seed) {
        std::mt19937 random(seed);
        const std::string text = mutated(base, random);
        SCOPED_TRACE("seed " + std::to_string(seed));
        const Index index(text);
        for (const Entry& entry : index.listing().entries) {
            EXPECT_LE(entry.line, entry.end);
            const LoadResult loaded = index.load(entry.id);
            static_cast<void>(index.duplicate(entry.id, entry.id + "_copy"));
            static_cast<void>(index.rename(entry.id, entry.id + "_new"));
            static_cast<void>(index.remove(entry.id));
            static_cast<void>(index.insertListLine(entry.id, builders::socket::gemLoreLine("x")));
            static_cast<void>(index.insertListLine(entry.id, builders::socket::resistanceLine("y", "1")));
            if (!loaded.ok()) continue;
            const EditResult same = index.update(loaded.loaded, loaded.loaded.inputs);
            ASSERT_TRUE(same.ok()) << same.message << "\n" << entry.id << "\n" << text;
            EXPECT_EQ(same.text, text);

            actions::Inputs inputs = loaded.loaded.inputs;
            for (std::string& value : inputs.texts) value += std::to_string(random() % 10);
            for (int& selection : inputs.selections) selection = static_cast<int>(random() % 4);
            const EditResult changed = index.update(loaded.loaded, inputs);
            if (!changed.ok()) continue;
            ++updates;
            const Entry* target = nullptr;
            for (const Entry& e : index.listing().entries)
                if (e.line == loaded.loaded.line) target = &e;
            ASSERT_NE(target, nullptr);
            expectOnlyTheEntryChanged(text, changed.text, *target, index);
            EXPECT_TRUE(yaml::checkConfiguration(changed.text).valid) << changed.text;
            const LoadResult again = load(changed.text, inputs.texts[0]);
            ASSERT_TRUE(again.ok()) << again.message << "\n" << changed.text;
            const actions::Action& a = action(loaded.loaded.button);
            EXPECT_EQ(a.build(again.loaded.inputs), a.build(inputs)) << changed.text;
        }
    }
    EXPECT_GT(updates, 100);  // the mutations leave most texts readable
}

}  // namespace
}  // namespace entries
