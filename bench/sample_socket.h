// The socket file the benchmarks work on: gem blocks as 完成 writes them, numbered gem0, gem1, ...
#pragma once

#include <string>

#include "builders/socket/gem_block.h"

namespace bench {

// Appends the block of gem number i.
inline void appendSampleGem(std::string& text, int i) {
    const builders::socket::GemFields gem{.id = "gem" + std::to_string(i),
                                          .keylore = "&7镶嵌宝石",
                                          .displayName = "&c红宝石",
                                          .material = "REDSTONE",
                                          .shiny = 0,
                                          .maxGrade = "5",
                                          .typeItem = 0,
                                          .baseSuccessRate = "80",
                                          .scaleSuccessRate = "-8",
                                          .bonusBase = 0,
                                          .bonusBaseValue = "10",
                                          .bonusScale = 0,
                                          .bonusScaleValue = "2",
                                          .kind = "镶嵌宝石"};
    text += builders::socket::gemBlock(gem);
}

}  // namespace bench
