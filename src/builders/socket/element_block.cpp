#include "builders/socket/element_block.h"

#include "builders/pick.h"
#include "builders/socket/tables.h"
#include "yaml/escape.h"

namespace builders::socket {

namespace {

// The potion key line and the three lines under it.
void appendPotion(std::string& block, const PotionFields& potion) {
    block += pick(kPotions, potion.potion);
    block += "\r\n      Scale_Chance: ";
    block += potion.chance;
    block += "\r\n      Scale_Duration: ";
    block += potion.duration;
    block += "\r\n      Grade: ";
    block += potion.grade;
}

}  // namespace

std::string elementBlock(const ElementFields& element) {
    std::string block;
    block += element.id;
    block += ":\r\n  Keylore: \"";
    block += yaml::escaped(element.keylore);
    block += "\"\r\n  Scale_Base_Additional_Damage: ";
    block += element.additionalDamage;
    block += "\r\n  Scale_Base_Percent_Damage: ";
    block += element.percentDamage;
    block += "\r\n  Potion_To_Attacker:\r\n";
    appendPotion(block, element.toAttacker);
    block += "\r\n  Potion_To_Victims:\r\n";
    appendPotion(block, element.toVictims);
    block += "\r\n  Resistance:\r\n";
    return block;
}

std::string resistanceLine(std::string_view element, std::string_view value) {
    std::string line = "    ";
    line += element;
    line += ": ";
    line += value;
    line += "\r\n";
    return line;
}

}  // namespace builders::socket
