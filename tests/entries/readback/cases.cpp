// Updated texts for reading back with SnakeYAML and PyYAML: the hand-written entries of
// samples.h with every hostile value put into fields they have and fields they lack, into list
// lines and identifiers, and every item of their drop-down lists. One line per case, columns
// separated by TAB, each in Base64: the case's name, the text before, the text after, then three
// columns per value the update should have changed: its path (keys and list places joined by
// U+001F), how to compare ("text", "number", "json", "absent", "rename", or "copy": as the
// top-level key the value names reads) and the value.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "builders/socket/element_block.h"
#include "builders/socket/key_lore.h"
#include "builders/socket/tables.h"
#include "hostile.h"
#include "samples.h"

namespace {

using entries::EditResult;
using entries::LoadResult;

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned chunk = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) chunk |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) chunk |= static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[(chunk >> 18) & 63];
        out += kDigits[(chunk >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(chunk >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[chunk & 63] : '=';
    }
    return out;
}

struct Expect {
    std::vector<std::string> path;
    std::string how;
    std::string value;
};

int failures = 0;

// Runs one edit and prints its case; an edit refused where none should be is a failure.
void emit(const std::string& name, const std::string& text, const EditResult& result,
          const std::vector<Expect>& expects) {
    if (!result.ok()) {
        std::fprintf(stderr, "%s: refused: %s\n", name.c_str(), result.message.c_str());
        ++failures;
        return;
    }
    std::string line = base64(name);
    for (const std::string_view column : {std::string_view(text), std::string_view(result.text)}) {
        line += '\t';
        line += base64(column);
    }
    for (const Expect& expect : expects) {
        std::string path;
        for (const std::string& key : expect.path) {
            if (!path.empty()) path += '\x1F';
            path += key;
        }
        for (const std::string_view column : {path, expect.how, expect.value}) {
            line += '\t';
            line += base64(column);
        }
    }
    std::printf("%s\n", line.c_str());
}

// Loads the entry, lets `change` set its fields, updates.
EditResult updated(const std::string& text, std::string_view id, const std::function<void(actions::Inputs&)>& change) {
    const LoadResult loaded = entries::load(text, id);
    if (!loaded.ok()) return {.refusal = loaded.refusal, .message = loaded.message, .text = {}, .line = 0, .end = 0};
    actions::Inputs inputs = loaded.loaded.inputs;
    change(inputs);
    return entries::update(text, loaded.loaded, inputs);
}

EditResult withText(const std::string& text, std::string_view id, std::size_t field, const std::string& value) {
    return updated(text, id, [&](actions::Inputs& in) { in.texts[field] = value; });
}

EditResult withSelection(const std::string& text, std::string_view id, std::size_t field, int value) {
    return updated(text, id, [&](actions::Inputs& in) { in.selections[field] = value; });
}

// A number field's expectation: absent when emptied and absent before, else the value.
Expect number(std::vector<std::string> path, const std::string& value, bool wasAbsent) {
    if (value.empty()) return {std::move(path), wasAbsent ? "absent" : "json", "null"};
    return {std::move(path), "number", value};
}

std::string keyName(std::string_view row) {
    const std::size_t from = row.find_first_not_of(' ');
    return std::string(row.substr(from, row.find(':') - from));
}

void hostileValues() {
    using entries::testing::kElement;
    using entries::testing::kGem;
    using entries::testing::kKeyLore;
    const std::string kind(builders::socket::kKindLine);
    for (const std::string& v : yaml::testing::hostileValues()) {
        emit("gem Display_Name", kGem, withText(kGem, "ruby", 2, v), {{{"ruby", "Display_Name"}, "text", v}});
        emit("gem Max_Grade", kGem, withText(kGem, "ruby", 4, v), {number({"ruby", "Max_Grade"}, v, false)});
        emit("gem Base_Success_Rate, absent before", kGem, withText(kGem, "ruby", 5, v),
             {number({"ruby", "Base_Success_Rate"}, v, true)});
        emit("gem kind line", kGem, withText(kGem, "ruby", 9, v), {{{"ruby", "Lores", "1"}, "text", kind + v}});
        emit("gem lore line added", kGem, entries::insertListLine(kGem, "ruby", builders::socket::gemLoreLine(v)),
             {{{"ruby", "Lores", "2"}, "text", v}});
        if (!v.empty() && v != "opal")
            emit("gem renamed", kGem, withText(kGem, "ruby", 0, v), {{{"ruby"}, "rename", v}});
        emit("element Keylore", kElement, withText(kElement, "fire", 1, v), {{{"fire", "Keylore"}, "text", v}});
        emit("element Scale_Base_Additional_Damage, absent before", kElement, withText(kElement, "fire", 2, v),
             {number({"fire", "Scale_Base_Additional_Damage"}, v, true)});
        emit("element victims' Scale_Chance, absent before", kElement, withText(kElement, "fire", 7, v),
             {number({"fire", "Potion_To_Victims", "WITHER", "Scale_Chance"}, v, true)});
        if (!v.empty() && v != "water") {
            emit("element resistance added", kElement,
                 entries::insertListLine(kElement, "fire", builders::socket::resistanceLine(v, "35")),
                 {{{"fire", "Resistance", v}, "number", "35"}});
        }
        emit("key-lore keylore", kKeyLore, withText(kKeyLore, "heal", 1, v), {{{"heal", "keylore"}, "text", v}});
        emit("key-lore first command", kKeyLore, withText(kKeyLore, "heal", 2, v),
             {{{"heal", "command", "0"}, "text", v}});
        emit("key-lore command added", kKeyLore,
             entries::insertListLine(kKeyLore, "heal", builders::socket::keyLoreCommand(v)),
             {{{"heal", "command", "3"}, "text", v}});
    }
}

void dropDownItems() {
    using entries::testing::kElement;
    using entries::testing::kGem;
    using entries::testing::kJade;
    for (const auto& [item, json] : {std::pair(-1, "null"), std::pair(0, "true"), std::pair(1, "false")})
        emit("gem Shiny", kGem, withSelection(kGem, "ruby", 0, item), {{{"ruby", "Shiny"}, "json", json}});
    for (const auto& [item, json] : {std::pair(-1, "\"\""), std::pair(0, "\"Weapon\""), std::pair(1, "\"Armor\"")})
        emit("gem Type_Item", kGem, withSelection(kGem, "ruby", 1, item), {{{"ruby", "Type_Item"}, "json", json}});
    const std::span<const std::string_view> base = builders::socket::kBonusBase;
    for (std::size_t i = 0; i < base.size(); ++i) {
        const std::string key = keyName(base[i]);
        if (key == "Bonus_Base_Max_Health") continue;  // the sample has that line already: refused
        emit("gem Effect attribute", kGem, withSelection(kGem, "ruby", 2, static_cast<int>(i)),
             {{{"ruby", "Effect"},
               "json",
               "{\"" + key +
                   "\":{\"number\":\"10\"},\"Bonus_Scale_Additional_Damage\":{\"number\":\"2\"},"
                   "\"Bonus_Base_Max_Health\":{\"number\":\"4\"}}"}});
        emit("gem without Effect: attribute", kJade,
             updated(kJade, "jade",
                     [&](actions::Inputs& in) {
                         in.selections[2] = static_cast<int>(i);
                         in.texts[7] = std::string("7");
                         in.texts[9] = std::string("饰品");
                     }),
             {{{"jade", "Effect"}, "json", "{\"" + key + "\":{\"number\":\"7\"}}"},
              {{"jade", "Lores"}, "json", "[\"&e※ &7种类: 饰品\"]"}});
    }
    const std::string values =
        "{\"Scale_Chance\":{\"number\":\"10\"},\"Scale_Duration\":{\"number\":\"40\"},"
        "\"Grade\":{\"number\":\"1\"}}";
    const std::span<const std::string_view> potions = builders::socket::kPotions;
    for (int item = -1; item <= static_cast<int>(potions.size()); ++item) {
        const bool named = item >= 0 && item < static_cast<int>(potions.size());
        const std::string json =
            named ? "{\"" + keyName(potions[static_cast<std::size_t>(item)]) + "\":" + values + "}" : values;
        emit("element attacker's potion", kElement, withSelection(kElement, "fire", 0, item),
             {{{"fire", "Potion_To_Attacker"}, "json", json}});
    }
}

// Edits in place beside anchors, block values and comments: the values the update writes, the
// values that follow them through an alias, copies that read as their originals.
void inPlace() {
    using entries::testing::joined;
    const std::string anchored = joined({
        "ruby:",
        "  Display_Name: &dn RUBY   # 名字",
        "  Material: REDSTONE",
        "sap:",
        "  Display_Name: *dn",
        "  Material: LAPIS",
    });
    const std::string tab = joined({"jade:", "  Display_Name: n", "  Max_Grade: 3\t# tab comment"});
    const std::string folded = joined({
        "jade:",
        "  Display_Name: >-   # 名字",
        "    &a翡",
        "    翠",
        "",
        "  # 材料",
        "  Material: JADE",
    });
    const std::string below = joined({
        "jade:",
        "  Display_Name:   # 名字",
        "",
        "    # 在聊天里显示",
        "    '&a翡翠'   # 绿色",
        "  Material: JADE",
    });
    for (const std::string& v : yaml::testing::hostileValues()) {
        emit("anchored Display_Name", anchored, withText(anchored, "ruby", 2, v),
             {{{"ruby", "Display_Name"}, "text", v}, {{"sap", "Display_Name"}, "text", v}});
        emit("Max_Grade with a comment after a tab", tab, withText(tab, "jade", 4, v),
             {number({"jade", "Max_Grade"}, v, false)});
        emit("folded Display_Name", folded, withText(folded, "jade", 2, v), {{{"jade", "Display_Name"}, "text", v}});
        emit("Display_Name below its key", below, withText(below, "jade", 2, v),
             {{{"jade", "Display_Name"}, "text", v}});
    }
    const std::string blocks = joined({
        "keep:",
        "  keylore: x",
        "  command:",
        "    - |+",
        "      say a",
        "",
        "",
        "hash:",
        "  keylore: y",
        "  command:",
        "    - |",
        "      say b",
        "      # not a comment",
        "",
        "# a comment",
        "base: &b",
        "  Material: STONE",
        "  Max_Grade: 3",
        "child:",
        "  <<: *b",
        "  Display_Name: c",
        "g:",
        "  Display_Name: &n N",
        "  Keylore: *n",
        "  Lores:",
        "    - &l \"a\"",
        "    - *l",
    });
    for (const auto& [id, copy] :
         {std::pair{"keep", "kept"}, std::pair{"hash", "hashed"}, std::pair{"base", "base2"}, std::pair{"g", "g2"}})
        emit("duplicated", blocks, entries::duplicate(blocks, id, copy), {{{copy}, "copy", id}});
    emit("command added after kept empty lines", blocks,
         entries::insertListLine(blocks, "keep", builders::socket::keyLoreCommand("say c")),
         {{{"keep", "command", "1"}, "text", "say c"}});
    const std::string commented = blocks + joined({"# about b2", "b2:", "  keylore: z", "  command: []"});
    emit("deleted with its comment", commented, entries::remove(commented, "b2"), {{{"b2"}, "absent", ""}});
    emit("deleted with its own anchors", commented, entries::remove(commented, "g"), {{{"g"}, "absent", ""}});
}

}  // namespace

int main() {
    hostileValues();
    dropDownItems();
    inPlace();
    return failures == 0 ? 0 : 1;
}
