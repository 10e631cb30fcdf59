// The reference tables that the skill page's picture and the two attribute windows draw: each
// list item of a combo box beside the word the builders write for it, and the gem lore lines
// with the placeholders the plugin fills in. Pictures only draw these rows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace actions {

struct ReferenceRow {
    std::string item;  // the list item the user picks
    std::string word;  // what the builder writes for it, without blanks or the key's colon
};

std::vector<ReferenceRow> projectileWords();  // 组合框2 of the skill page, Power SHOOT
std::vector<ReferenceRow> triggerWords();     // 组合框1 of the skill page, Power SHOOT
std::vector<ReferenceRow> bonusBaseKeys();    // 组合框5 of the gem page, first Effect key
std::vector<ReferenceRow> bonusScaleKeys();   // 组合框6 of the gem page, second Effect key
std::vector<ReferenceRow> potionKeys();       // 组合框7 / 组合框8 of the element page

// The lore lines of a gem block with the given 种类 text, as they stand between the quotes
// of the block's Lores list (colour codes and placeholders included).
std::vector<std::string> gemLoreLines(std::string_view kind);

}  // namespace actions
