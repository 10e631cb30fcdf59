#include "builders/socket/element_block.h"

#include "builders/pick.h"
#include "builders/socket/tables.h"
#include "yaml/escape.h"
#include "yaml/scalar.h"

namespace builders::socket {

namespace {

// A value meant for a number, written without quotes whenever the server reads it back as typed.
std::string number(std::string_view value) { return yaml::plainOrQuotedValue(value, yaml::ScalarKind::Number); }

// The potion key line and the three lines under it.
void appendPotion(std::string& block, const PotionFields& potion) {
    block += pick(kPotions, potion.potion);
    block += "\r\n      Scale_Chance: ";
    block += number(potion.chance);
    block += "\r\n      Scale_Duration: ";
    block += number(potion.duration);
    block += "\r\n      Grade: ";
    block += number(potion.grade);
}

}  // namespace

std::string elementBlock(const ElementFields& element) {
    std::string block;
    block += yaml::plainOrQuotedKey(element.id);
    block += ":\r\n  Keylore: \"";
    block += yaml::escaped(element.keylore);
    block += "\"\r\n  Scale_Base_Additional_Damage: ";
    block += number(element.additionalDamage);
    block += "\r\n  Scale_Base_Percent_Damage: ";
    block += number(element.percentDamage);
    block += "\r\n  Potion_To_Attacker:\r\n";
    appendPotion(block, element.toAttacker);
    block += "\r\n  Potion_To_Victims:\r\n";
    appendPotion(block, element.toVictims);
    block += "\r\n  Resistance:\r\n";
    return block;
}

std::string resistanceLine(std::string_view element, std::string_view value) {
    std::string line = "    ";
    line += yaml::plainOrQuotedKey(element, yaml::KeyPlace::Nested);
    line += ": ";
    line += number(value);
    line += "\r\n";
    return line;
}

}  // namespace builders::socket
