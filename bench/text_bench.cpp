// Cost of the text previews and panel highlighting: format on a long lore line and on the
// gem lore, and the highlighters on the lines a gem block and a command button write.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "text/format.h"
#include "text/highlight.h"
#include "text/utf8.h"

namespace {

// The gem block as the gem page writes it, one panel line each.
const std::vector<std::string> kGemBlock = {
    "Ruby_Gem:",
    "  Keylore: \"&c红宝石\"",
    "  Display_Name: \"&c&l红宝石 &f{grade}\"",
    "  Material: \"EMERALD\"",
    "  Shiny: true",
    "  Max_Grade: 10",
    "  Type_Item: \"Weapon\"",
    "  Base_Success_Rate: 80",
    "  Scale_Success_Rate: -5",
    "  Effect:",
    "    Bonus_Base_Max_Health: 4",
    "    Bonus_Scale_Max_Health: 2",
    "  Lores:",
    "  - \"&8&l&m---------------------\"",
    "  - \"&e※ &7种类: 镶嵌宝石\"",
    "  - \"&e※ &7等级: &f{grade}\"",
    "  - \"&e※ &7适合物品: &f{type_item}\"",
    "  - \"&e※ &7成功几率: &a{success_rate}% &8&l| &7失败几率: &c{failure_rate}%\"",
    "  - \"&8&l&m---------------------\"",
    "  - \"&8&l[&4&l!&8&l] &7效果:\"",
    "  - \"&9&l>> &b增加最大血量 {max_health}\"",
    "  - \"\"",
    "  - \"&2提示: &a将它放到物品上来镶嵌！\"",
};

std::u16string toUtf16(std::string_view s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        char32_t cp = 0xFFFD;
        const std::size_t length = text::utf8::decode(s, i, &cp);
        i += length == 0 ? 1 : length;
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

// A lore line of exactly 256 characters (codes included), built from the gem lore.
std::string loreLine256() {
    const std::string source =
        "&e※ &7成功几率: &a{success_rate}% &8&l| &7失败几率: &c{failure_rate}% "
        "&x&F&F&8&8&0&0Hex &kmagic&r R&Z ";
    std::string line;
    std::size_t at = 0;
    for (int characters = 0; characters < 256; ++characters) {
        char32_t cp = 0;
        const std::size_t length = text::utf8::decode(source, at, &cp);
        line += source.substr(at, length);
        at = (at + length) % source.size();
    }
    return line;
}

void perItem(benchmark::State& state, std::size_t items, std::size_t bytes) {
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(items));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

void FormatLore256(benchmark::State& state) {
    const std::string line = loreLine256();
    for (auto _ : state) {
        auto lines = text::format(line, text::Role::Lore);
        benchmark::DoNotOptimize(lines.data());
    }
    perItem(state, 1, line.size());
}

void FormatGemLore(benchmark::State& state) {
    std::string lore;
    for (std::size_t i = 13; i < kGemBlock.size(); ++i) {
        const std::string& line = kGemBlock[i];
        lore += line.substr(5, line.size() - 6);  // inside `  - "..."`
        lore += '\n';
    }
    for (auto _ : state) {
        auto lines = text::format(lore, text::Role::Lore);
        benchmark::DoNotOptimize(lines.data());
    }
    perItem(state, kGemBlock.size() - 13, lore.size());
}

void HighlightYamlRatesLine(benchmark::State& state) {
    const std::u16string line = toUtf16(kGemBlock[17]);
    std::vector<text::Span> spans;
    for (auto _ : state) {
        text::highlightYaml(line, spans);
        benchmark::DoNotOptimize(spans.data());
    }
    perItem(state, 1, line.size() * 2);
}

// Every line of the gem block in turn, as a panel repaints it: time per line.
void HighlightYamlGemBlock(benchmark::State& state) {
    std::vector<std::u16string> lines;
    std::size_t units = 0;
    for (const std::string& line : kGemBlock) {
        lines.push_back(toUtf16(line));
        units += lines.back().size();
    }
    std::vector<text::Span> spans;
    for (auto _ : state) {
        for (const std::u16string& line : lines) {
            text::highlightYaml(line, spans);
            benchmark::DoNotOptimize(spans.data());
        }
    }
    perItem(state, lines.size(), units * 2);
}

void HighlightCommandLine(benchmark::State& state) {
    const std::u16string line = u"/att Power SHOOT SHIFT_LEFT FLAME_ARROW 5";
    std::vector<text::Span> spans;
    for (auto _ : state) {
        text::highlightCommand(line, spans);
        benchmark::DoNotOptimize(spans.data());
    }
    perItem(state, 1, line.size() * 2);
}

}  // namespace

BENCHMARK(FormatLore256);
BENCHMARK(FormatGemLore);
BENCHMARK(HighlightYamlRatesLine);
BENCHMARK(HighlightYamlGemBlock);
BENCHMARK(HighlightCommandLine);

BENCHMARK_MAIN();
