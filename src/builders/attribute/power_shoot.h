// The "/att Power SHOOT" line of the skill page: a trigger word and a projectile word,
// each picked by the index of its combo box, then the cooldown as typed. The two tables
// are public because the skill page's reference picture lists them.
#pragma once

#include <string>
#include <string_view>

namespace builders::power_shoot {

inline constexpr std::string_view kPrefix = "/att Power SHOOT ";

// Trigger combo box (组合框1), by item index.
inline constexpr std::string_view kTriggers[] = {
    "LEFT",         // 左键触发
    "RIGHT",        // 右键触发
    "SHIFT_LEFT",   // 蹲下+左键
    "SHIFT_RIGHT",  // 蹲下+右键
};

// Projectile combo box (组合框2), by item index. Each piece carries the blanks around
// its word, so the trigger, the word and the cooldown come out as separate words.
inline constexpr std::string_view kProjectiles[] = {
    " ARROW ",           // 弓箭
    " SNOWBALL ",        // 雪球
    " EGG ",             // 鸡蛋
    " FLAME_ARROW ",     // 火焰箭
    " FLAME_BALL ",      // 火焰雪球
    " FLAME_EGG ",       // 火焰鸡蛋
    " SMALL_FIREBALL ",  // 小火球
    " LARGE_FIREBALL ",  // 大火球
    " WITHER_SKULL ",    // 凋零头
    " Blink ",           // 闪现
    " Fissure ",         // 火破
    " Ice_Spikes ",      // 冰刺
    " Amaterasu ",       // 黑焰
    " Nero_Beam ",       // 慢光
};

// prefix + trigger piece + projectile piece + cooldown + CR LF. An index outside its
// table (-1: nothing selected) contributes nothing; no other separator is added.
std::string line(int trigger, int projectile, std::string_view cooldown);

}  // namespace builders::power_shoot
