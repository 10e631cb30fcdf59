// The entries of a socket file of 10,000 gem blocks: listing it (with the server's check, and
// with the panel's own check handed over), and loading, updating, duplicating, renaming and
// removing one entry of it.
#include <benchmark/benchmark.h>

#include <string>

#include "entries/entries.h"
#include "sample_socket.h"
#include "yaml/check.h"

namespace {

constexpr int kGems = 10000;

const std::string& socketFile() {
    static const std::string text = [] {
        std::string out;
        for (int i = 0; i < kGems; ++i) bench::appendSampleGem(out, i);
        return out;
    }();
    return text;
}

const entries::Index& socketIndex() {
    static const entries::Index index(socketFile());
    return index;
}

// The whole listing: the server's check of the text and the scan of its lines.
void listWithCheck(benchmark::State& state) {
    std::size_t count = 0;
    for (auto _ : state) {
        const entries::Listing listing = entries::list(socketFile());
        count = listing.entries.size();
        benchmark::DoNotOptimize(listing.entries.data());
    }
    if (count != kGems) state.SkipWithError("the file did not list as 10,000 entries");
}

// The listing when the panel's live check of the same text is at hand.
void listWithPanelCheck(benchmark::State& state) {
    const yaml::CheckResult check = yaml::checkConfiguration(socketFile());
    std::size_t count = 0;
    for (auto _ : state) {
        const entries::Index index(socketFile(), check);
        count = index.listing().entries.size();
        benchmark::DoNotOptimize(index.listing().entries.data());
    }
    if (count != kGems) state.SkipWithError("the file did not list as 10,000 entries");
}

void loadOne(benchmark::State& state) {
    const entries::Index& index = socketIndex();
    for (auto _ : state) {
        const entries::LoadResult loaded = index.load("gem5000");
        if (!loaded.ok()) state.SkipWithError("gem5000 did not load");
        benchmark::DoNotOptimize(loaded.loaded.inputs.texts.data());
    }
}

// One field changed: the whole new text comes back.
void updateOne(benchmark::State& state) {
    const entries::Index& index = socketIndex();
    const entries::LoadResult loaded = index.load("gem5000");
    actions::Inputs inputs = loaded.loaded.inputs;
    inputs.texts[4] = std::to_string(9);  // Max_Grade
    for (auto _ : state) {
        const entries::EditResult updated = index.update(loaded.loaded, inputs);
        if (!updated.ok()) state.SkipWithError("gem5000 did not update");
        benchmark::DoNotOptimize(updated.text.data());
    }
}

// The other edits of one entry, each read back as the server reads it before it is given out.
void duplicateOne(benchmark::State& state) {
    const entries::Index& index = socketIndex();
    for (auto _ : state) {
        const entries::EditResult copied = index.duplicate("gem5000", "gem5000_2");
        if (!copied.ok()) state.SkipWithError("gem5000 did not duplicate");
        benchmark::DoNotOptimize(copied.text.data());
    }
}

void renameOne(benchmark::State& state) {
    const entries::Index& index = socketIndex();
    for (auto _ : state) {
        const entries::EditResult renamed = index.rename("gem5000", "gem5000_2");
        if (!renamed.ok()) state.SkipWithError("gem5000 was not renamed");
        benchmark::DoNotOptimize(renamed.text.data());
    }
}

void removeOne(benchmark::State& state) {
    const entries::Index& index = socketIndex();
    for (auto _ : state) {
        const entries::EditResult removed = index.remove("gem5000");
        if (!removed.ok()) state.SkipWithError("gem5000 was not removed");
        benchmark::DoNotOptimize(removed.text.data());
    }
}

BENCHMARK(listWithCheck)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(listWithPanelCheck)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(loadOne)->Unit(benchmark::kMillisecond);
BENCHMARK(updateOne)->Unit(benchmark::kMillisecond);
BENCHMARK(duplicateOne)->Unit(benchmark::kMillisecond);
BENCHMARK(renameOne)->Unit(benchmark::kMillisecond);
BENCHMARK(removeOne)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
