// Start-up time and peak memory of whole processes. Runs each command of the command line
// several times, alternating between them so that a busy moment of the machine falls on
// both alike, each with an empty pipe as standard input, and reports per command the
// medians of the wall time from fork to exit, the CPU time, the peak resident memory
// (ru_maxrss of that child, from wait4) and the page faults. The first command is compared
// against each of the others.
//
//   quorvel-bench-startup [--runs N] [--warmup N] -- LABEL CMD [ARG...] -- LABEL CMD [ARG...] ...
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Command {
    std::string label;
    std::vector<char*> argv;  // null-terminated
    std::vector<double> wallMs;
    std::vector<double> cpuMs;
    std::vector<long> maxRssKb;
    std::vector<long> pageFaults;
};

struct Run {
    double wallMs = 0;
    double cpuMs = 0;
    long maxRssKb = 0;
    long pageFaults = 0;
};

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Starts the command with an empty pipe on standard input (an input that ends at once) and
// standard output discarded, and waits for it.
Run runOnce(const Command& command) {
    int input[2];
    if (pipe(input) != 0) {
        std::perror("pipe");
        std::exit(2);
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        std::exit(2);
    }
    if (pid == 0) {
        alarm(60);  // a process that never ends is ended, and reported as failed
        dup2(input[0], STDIN_FILENO);
        close(input[0]);
        close(input[1]);
        if (FILE* null = std::freopen("/dev/null", "w", stdout); null == nullptr) _exit(126);
        execvp(command.argv[0], command.argv.data());
        std::perror(command.argv[0]);
        _exit(127);
    }
    close(input[0]);
    close(input[1]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) {
        std::perror("wait4");
        std::exit(2);
    }
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s ended with status %d\n", command.label.c_str(),
                     WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
        std::exit(1);
    }
    return {std::chrono::duration<double, std::milli>(end - start).count(),
            (seconds(usage.ru_utime) + seconds(usage.ru_stime)) * 1000.0, usage.ru_maxrss,
            usage.ru_minflt + usage.ru_majflt};
}

template <typename T>
double median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? static_cast<double>(values[n / 2])
                      : (static_cast<double>(values[n / 2 - 1]) + static_cast<double>(values[n / 2])) / 2.0;
}

[[noreturn]] void usage() {
    std::fputs("usage: quorvel-bench-startup [--runs N] [--warmup N] -- LABEL CMD [ARG...] -- LABEL CMD [ARG...] ...\n",
               stderr);
    std::exit(2);
}

}  // namespace

int main(int argc, char* argv[]) {
    int runs = 15;
    int warmup = 2;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--warmup") == 0 && i + 1 < argc)
            warmup = std::atoi(argv[++i]);
        else
            usage();
    }
    std::vector<Command> commands;
    while (i < argc && std::strcmp(argv[i], "--") == 0) {
        ++i;
        if (i + 1 >= argc) usage();
        Command command{.label = argv[i++], .argv = {}, .wallMs = {}, .cpuMs = {}, .maxRssKb = {}, .pageFaults = {}};
        for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) command.argv.push_back(argv[i]);
        command.argv.push_back(nullptr);
        commands.push_back(std::move(command));
    }
    if (commands.size() < 2 || runs < 1) usage();

    // Warm-up runs fill the file cache and the font cache and are not counted.
    for (int w = 0; w < warmup; ++w)
        for (Command& command : commands) runOnce(command);
    for (int r = 0; r < runs; ++r) {
        for (Command& command : commands) {
            const Run run = runOnce(command);
            command.wallMs.push_back(run.wallMs);
            command.cpuMs.push_back(run.cpuMs);
            command.maxRssKb.push_back(run.maxRssKb);
            command.pageFaults.push_back(run.pageFaults);
        }
    }

    std::printf("%d runs each (after %d warm-up runs), medians; all runs' wall times in ms:\n", runs, warmup);
    for (const Command& command : commands) {
        std::printf("  %-14s", command.label.c_str());
        for (double ms : command.wallMs) std::printf(" %.0f", ms);
        std::printf("\n");
    }
    for (const Command& command : commands) {
        std::printf("result %s_wall_ms %.1f\n", command.label.c_str(), median(command.wallMs));
        std::printf("result %s_cpu_ms %.1f\n", command.label.c_str(), median(command.cpuMs));
        std::printf("result %s_maxrss_kb %.0f\n", command.label.c_str(), median(command.maxRssKb));
        std::printf("result %s_page_faults %.0f\n", command.label.c_str(), median(command.pageFaults));
    }
    // "result LABEL_RATIO": the first command against each of the others, by wall time, CPU
    // time and peak memory.
    const Command& subject = commands[0];
    for (std::size_t other = 1; other < commands.size(); ++other) {
        const Command& baseline = commands[other];
        const char* label = baseline.label.c_str();
        std::printf("result startup_vs_%s_ratio %.2f\n", label, median(subject.wallMs) / median(baseline.wallMs));
        std::printf("result startup_cpu_vs_%s_ratio %.2f\n", label, median(subject.cpuMs) / median(baseline.cpuMs));
        std::printf("result memory_vs_%s_ratio %.2f\n", label, median(subject.maxRssKb) / median(baseline.maxRssKb));
    }
    return 0;
}
