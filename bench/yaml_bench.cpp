// Time to check a configuration panel of 10,000 gem blocks (about 230,000 lines), the
// largest panel the editor is expected to hold, and to read it alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "builders/socket/gem_block.h"
#include "builders/socket/key_lore.h"
#include "yaml/check.h"
#include "yaml/document.h"

namespace {

// 10,000 filled-in gem blocks with varied values and one extra lore line each.
const std::string& gemPanel() {
    static const std::string panel = [] {
        std::string text;
        for (int i = 0; i < 10000; ++i) {
            const std::string n = std::to_string(i);
            text += builders::socket::gemBlock({.id = "gem_" + n,
                                                .keylore = "&6宝石 " + n,
                                                .displayName = "&e红宝石 #" + n,
                                                .material = "EMERALD",
                                                .shiny = i % 2,
                                                .maxGrade = std::to_string(1 + i % 9),
                                                .typeItem = i % 2,
                                                .baseSuccessRate = "80",
                                                .scaleSuccessRate = "-8",
                                                .bonusBase = i % 16,
                                                .bonusBaseValue = std::to_string(i % 50),
                                                .bonusScale = (i + 3) % 16,
                                                .bonusScaleValue = "2.5",
                                                .kind = "武器"});
            text += builders::socket::gemLoreLine("&7编号 " + n);
        }
        return text;
    }();
    return panel;
}

void checkGemPanel(benchmark::State& state) {
    const std::string& panel = gemPanel();
    std::size_t entries = 0;
    for (auto _ : state) {
        const yaml::CheckResult result = yaml::checkConfiguration(panel);
        entries = result.entries;
        benchmark::DoNotOptimize(result.errors.data());
    }
    if (entries != 10000) state.SkipWithError("the panel did not check as 10,000 entries");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * panel.size()));
    state.counters["lines"] = static_cast<double>(std::count(panel.begin(), panel.end(), '\n'));
}

void readGemPanel(benchmark::State& state) {
    const std::string& panel = gemPanel();
    for (auto _ : state) {
        const yaml::Document doc = yaml::read(panel);
        benchmark::DoNotOptimize(doc.nodes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * panel.size()));
}

BENCHMARK(checkGemPanel)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(readGemPanel)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
