// The plugin folder: a local folder of 50 files (some in subfolders, some in GBK) holding 10,000
// gem, element and key-lore entries in all, read and indexed from the disk and checked for its
// findings, as one request; and finding entries in it by name, lore and identifier. Medians of
// several rounds, the first of which is told apart.
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "project/findings.h"
#include "project/reading/folder_read.h"
#include "sample_folder.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of the whole process, every thread's: what a reading costs whatever else the machine runs.
double cpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

[[noreturn]] void fail(const char* message) {
    std::fprintf(stderr, "quorvel-bench-project: %s\n", message);
    std::exit(1);
}

}  // namespace

int main() {
    QTemporaryDir scratch;
    if (!scratch.isValid()) fail("no scratch folder");
    const QString root = scratch.path() + "/Quorvel";
    const int entries = bench::makeSampleFolder(root);
    const std::vector<project::PanelText> panels = {
        {"编辑框1", "/socket load gems gem5000 1 Steve\n/attribute element element9 10\n"}};

    // Listed and checked: from the request to the findings.
    constexpr int kRounds = 7;
    std::vector<double> listed;
    std::vector<double> checked;
    std::vector<double> cpu;
    double first = 0;
    project::FolderRead read;
    std::size_t findings = 0;
    for (int round = 0; round <= kRounds; ++round) {
        const Clock::time_point start = Clock::now();
        const double cpuStart = cpuMs();
        project::LocalPlace place(root);
        read = project::readFolder(place);
        const double listMs = msSince(start);
        findings = project::check(read.folder, panels).size();
        const double allMs = msSince(start);
        if (round == 0) {
            first = allMs;
        } else {
            listed.push_back(listMs);
            checked.push_back(allMs);
            cpu.push_back(cpuMs() - cpuStart);
        }
    }
    if (read.files.size() != 50 || read.folder.entryCount() != static_cast<std::size_t>(entries))
        fail("the folder did not read as 50 files of 10,000 entries");
    if (findings != 0) fail("the generated folder has findings");

    // F5: the folder read again with nothing changed; each file is read and hashed, none indexed again.
    std::vector<double> rereads;
    for (int round = 0; round < kRounds; ++round) {
        const Clock::time_point start = Clock::now();
        project::LocalPlace place(root);
        const project::FolderRead again = project::readFolder(place, &read);
        rereads.push_back(msSince(start));
        if (!project::changesSince(read, again).isEmpty()) fail("the folder changed between two readings");
    }

    // The older copies hold gems of their own numbers: no finding. One more file repeating a gem
    // gives two, as a save of it would.
    const Clock::time_point saveStart = Clock::now();
    const project::SaveCheck save =
        project::checkSave(read.folder, {"sockets-0.yml", "gem7000:\n  Display_Name: x\n  Max_Grade: 1\n", ""}, panels);
    const double saveMs = msSince(saveStart);
    if (save.added.size() != 2) fail("the save check did not find the repeated gem");

    // find: a name that most gems have, one identifier, a lore of one key-lore entry, nothing.
    const char* queries[] = {"红宝石", "gem7377", "技能999", "没有这个"};
    double findMs = 0;
    std::printf("find (median of 51 rounds each):\n");
    for (const char* query : queries) {
        std::vector<double> times;
        std::size_t matches = 0;
        for (int round = 0; round < 51; ++round) {
            const Clock::time_point start = Clock::now();
            matches = read.folder.find(query).size();
            times.push_back(msSince(start));
        }
        const double ms = median(times);
        findMs = std::max(findMs, ms);
        std::printf("  %6zu matches %8.2f ms  %s\n", matches, ms, query);
    }

    std::printf("a local folder of %lld files, %d entries, medians of %d rounds:\n",
                static_cast<long long>(read.files.size()), entries, kRounds);
    std::printf("  read and indexed                    %8.1f ms\n", median(listed));
    std::printf("  read, indexed and checked           %8.1f ms (first round %.1f ms)\n", median(checked), first);
    std::printf("  CPU time of that, all threads       %8.1f ms\n", median(cpu));
    std::printf("  read again, nothing changed (F5)    %8.1f ms\n", median(rereads));
    std::printf("  check of one file replaced (a save) %8.1f ms\n", saveMs);
    std::printf("result project_folder_ms %.1f\n", median(checked));
    std::printf("result project_folder_first_ms %.1f\n", first);
    std::printf("result project_folder_cpu_ms %.1f\n", median(cpu));
    std::printf("result project_find_ms %.2f\n", findMs);
    std::printf("result project_save_check_ms %.1f\n", saveMs);
    std::printf("result project_reread_ms %.1f\n", median(rereads));
    return 0;
}
