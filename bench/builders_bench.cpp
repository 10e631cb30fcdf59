// Time per generated line or block of the pure builders, one benchmark per builder family,
// each run through the same Action::build a button click calls.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "actions/action.h"
#include "yaml/escape.h"

namespace {

const actions::Action& actionOf(std::span<const actions::Action> family, std::string_view button,
                                actions::Panel panel) {
    auto it = std::find_if(family.begin(), family.end(), [&](const actions::Action& action) {
        return action.button == button && action.panel == panel;
    });
    if (it == family.end()) {
        std::fprintf(stderr, "no builder for %.*s\n", static_cast<int>(button.size()), button.data());
        std::abort();
    }
    return *it;
}

// Builds one text per iteration and reports, besides the time per text, the time per
// output line and the output bytes per second.
void runBuilder(benchmark::State& state, const actions::Action& action, const actions::Inputs& inputs) {
    std::string text = action.build(inputs);
    const auto lines = static_cast<double>(std::count(text.begin(), text.end(), '\n'));
    for (auto _ : state) {
        text = action.build(inputs);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
    state.counters["lines"] = lines;
    state.counters["per_line"] =
        benchmark::Counter(lines, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void StatsLine(benchmark::State& state) {
    runBuilder(state, actionOf(actions::attributeActions(), "按钮1", actions::Panel::Command),
               {.texts = {"125"}, .selections = {}});
}

void AbilityLine(benchmark::State& state) {
    runBuilder(state, actionOf(actions::attributeActions(), "按钮3", actions::Panel::Ability),
               {.texts = {"3", "25"}, .selections = {}});
}

void PowerShootLine(benchmark::State& state) {
    runBuilder(state, actionOf(actions::attributeActions(), "按钮18", actions::Panel::Command),
               {.texts = {"5"}, .selections = {1, 9}});
}

void SocketLoadGemsLine(benchmark::State& state) {
    runBuilder(state, actionOf(actions::socketActions(), "按钮46", actions::Panel::Command),
               {.texts = {"Steve", "红宝石", "1"}, .selections = {}});
}

void GemBlock(benchmark::State& state) {
    runBuilder(
        state, actionOf(actions::socketActions(), "按钮50", actions::Panel::Config),
        {.texts = {"ruby_1", "&c红宝石 \"一级\"", "&c&l红宝石", "REDSTONE", "3", "80", "-10", "15", "2", "攻击宝石"},
         .selections = {0, 0, 7, 7}});
}

void ElementBlock(benchmark::State& state) {
    runBuilder(state, actionOf(actions::socketActions(), "按钮54", actions::Panel::Config),
               {.texts = {"fire", "&c火焰", "10", "5", "20", "40", "1", "15", "60", "2"}, .selections = {0, 8}});
}

void KeyLoreEntry(benchmark::State& state) {
    runBuilder(state, actionOf(actions::socketActions(), "按钮21", actions::Panel::Config),
               {.texts = {"heal_skill", "&a右键治疗 \"小\"", "heal {player} 5"}, .selections = {}});
}

// A 1 KB value: Chinese and ASCII text with a few quotes and backslashes, as a long lore
// line might hold.
std::string kilobyteValue(std::string_view piece) {
    std::string value;
    while (value.size() + piece.size() <= 1024) value += piece;
    return value;
}

void escapeEach(benchmark::State& state, const std::string& value) {
    std::string escaped;
    for (auto _ : state) {
        escaped = yaml::escaped(value);
        benchmark::DoNotOptimize(escaped.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(value.size()));
}

void YamlEscape1KB(benchmark::State& state) { escapeEach(state, kilobyteValue("&e※ 攻击力 +10 \"暴击\" C:\\path\t")); }

// The same size with nothing to escape: the common case of a plain value.
void YamlEscape1KBPlain(benchmark::State& state) { escapeEach(state, kilobyteValue("&e※ 攻击力 +10 暴击 ")); }

BENCHMARK(StatsLine);
BENCHMARK(AbilityLine);
BENCHMARK(PowerShootLine);
BENCHMARK(SocketLoadGemsLine);
BENCHMARK(GemBlock);
BENCHMARK(ElementBlock);
BENCHMARK(KeyLoreEntry);
BENCHMARK(YamlEscape1KB);
BENCHMARK(YamlEscape1KBPlain);

}  // namespace

BENCHMARK_MAIN();
