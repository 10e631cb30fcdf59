#include "builders/attribute/power_shoot.h"

#include "builders/command_line.h"
#include "builders/pick.h"

namespace builders::power_shoot {

std::string line(int trigger, int projectile, std::string_view cooldown) {
    const std::string_view pieces[] = {kPrefix, pick(kTriggers, trigger), pick(kProjectiles, projectile), cooldown,
                                       kLineEnd};
    std::string text;
    for (std::string_view piece : pieces) text += piece;
    return text;
}

}  // namespace builders::power_shoot
