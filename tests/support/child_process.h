// Programs the tests run (ssh-keygen, sshd, ssh-agent, useradd), started with fork and exec. Not
// QProcess: its children are made by a clone that ThreadSanitizer does not see, and after one the
// sanitizer no longer sees the parent's own locks, so the threaded tests' reports would be false.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

namespace testing_support {

struct Finished {
    int exitCode = -1;  // -1: it could not start, or it did not end by itself
    QByteArray output;  // standard output and standard error together
};

namespace detail {

inline pid_t spawn(const QString& program, const QStringList& arguments, int in, int out) {
    std::vector<QByteArray> words{program.toLocal8Bit()};
    for (const QString& argument : arguments) words.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (QByteArray& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // a test that dies takes its servers with it
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

}  // namespace detail

// Runs a program to its end (at most ms), input on its standard input.
inline Finished run(const QString& program, const QStringList& arguments, const QByteArray& input = {},
                    int ms = 30'000) {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return {};
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return {};
    }
    const pid_t pid = detail::spawn(program, arguments, in[0], out[1]);
    ::close(in[0]);
    ::close(out[1]);
    Finished finished;
    if (pid < 0) {
        ::close(in[1]);
        ::close(out[0]);
        return finished;
    }
    if (!input.isEmpty()) {
        [[maybe_unused]] const ssize_t written = ::write(in[1], input.constData(), static_cast<size_t>(input.size()));
    }
    ::close(in[1]);
    const QDeadlineTimer deadline(ms);
    char buffer[4096];
    for (;;) {
        pollfd fd{out[0], POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0))) <= 0) break;
        const ssize_t count = ::read(out[0], buffer, sizeof buffer);
        if (count <= 0) break;
        finished.output.append(buffer, count);
    }
    ::close(out[0]);
    if (deadline.hasExpired()) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!deadline.hasExpired() && WIFEXITED(status)) finished.exitCode = WEXITSTATUS(status);
    return finished;
}

// A program running beside the test whose output (standard output and error) is read as it comes:
// whenever the event loop runs, so that a program that writes much (sshd's log) never waits on a
// full pipe.
class Background {
public:
    Background() = default;
    ~Background() { stop(); }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    bool start(const QString& program, const QStringList& arguments) {
        int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        int out[2];
        if (null < 0 || ::pipe2(out, O_CLOEXEC) != 0) return false;
        pid_ = detail::spawn(program, arguments, null, out[1]);
        ::close(null);
        ::close(out[1]);
        output_ = out[0];
        notifier_ = std::make_unique<QSocketNotifier>(output_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { readAvailable(0); });
        return pid_ > 0;
    }

    bool running() {
        if (pid_ <= 0) return false;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        return true;
    }

    // What the program wrote so far.
    const QByteArray& output() {
        readAvailable(0);
        return text_;
    }

    // Waits until the output holds text after position from; false after ms.
    bool waitFor(qsizetype from, const QByteArray& text, int ms) {
        const QDeadlineTimer deadline(ms);
        while (text_.indexOf(text, from) < 0) {
            if (deadline.hasExpired() || output_ < 0) return false;
            readAvailable(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)));
        }
        return true;
    }

    void stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        closeOutput();
    }

private:
    // Takes what there is, waiting up to ms for the first bytes.
    void readAvailable(int ms) {
        char buffer[65536];
        while (output_ >= 0) {
            pollfd fd{output_, POLLIN, 0};
            if (::poll(&fd, 1, ms) <= 0) return;
            const ssize_t count = ::read(output_, buffer, sizeof buffer);
            if (count <= 0) {
                closeOutput();
                return;
            }
            text_.append(buffer, count);
            ms = 0;
        }
    }

    void closeOutput() {
        notifier_.reset();
        if (output_ >= 0) ::close(output_);
        output_ = -1;
    }

    pid_t pid_ = -1;
    int output_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QByteArray text_;
};

}  // namespace testing_support
