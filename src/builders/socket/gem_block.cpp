#include "builders/socket/gem_block.h"

#include "builders/pick.h"
#include "builders/socket/tables.h"
#include "yaml/escape.h"
#include "yaml/scalar.h"

namespace builders::socket {

namespace {

// A value meant for a number, written without quotes whenever the server reads it back as typed.
std::string number(std::string_view value) { return yaml::plainOrQuotedValue(value, yaml::ScalarKind::Number); }

}  // namespace

std::string gemBlock(const GemFields& gem) {
    std::string block;
    block += yaml::plainOrQuotedKey(gem.id);
    block += ":\r\n  Keylore: \"";
    block += yaml::escaped(gem.keylore);
    block += "\"\r\n  Display_Name: \"";
    block += yaml::escaped(gem.displayName);
    block += "\"\r\n  Material: \"";
    block += yaml::escaped(gem.material);
    block += "\"\r\n  Shiny:";
    block += pick(kShiny, gem.shiny);
    block += "\r\n  Max_Grade: ";
    block += number(gem.maxGrade);
    block += "\r\n  Type_Item: \"";
    block += pick(kTypeItem, gem.typeItem);
    block += "\"\r\n  Base_Success_Rate: ";
    block += number(gem.baseSuccessRate);
    block += "\r\n  Scale_Success_Rate: ";
    block += number(gem.scaleSuccessRate);
    block += "\r\n  Effect:\r\n";
    block += pick(kBonusBase, gem.bonusBase);
    block += number(gem.bonusBaseValue);
    block += "\r\n";
    block += pick(kBonusScale, gem.bonusScale);
    block += number(gem.bonusScaleValue);
    block += kLoreHead;
    block += yaml::escaped(gem.kind);
    block += kLoreTail;
    return block;
}

}  // namespace builders::socket
