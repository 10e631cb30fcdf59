// An SFTP subsystem that drops the link after a set number of request bytes, as a connection lost
// in the middle of a save does. Run by the test sshd as the cut port's forced command:
//   sftp_cutter CONTROL LOG
// CONTROL holds the limit (-1: none), the SFTP server's path and its arguments, one a line. The
// requests' bytes go to the server until the limit; then nothing more goes either way, the
// server finishes what it was given (as a server does with the requests it had when the link
// died) and the channel closes. A limit written "stall N" keeps the channel open instead and
// never answers again, as a server that hangs. LOG gets the offset at which each request began.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::ifstream control(argv[1]);
    std::string line;
    std::getline(control, line);
    const bool stall = line.rfind("stall ", 0) == 0;
    const long long limit = std::stoll(stall ? line.substr(6) : line);
    std::vector<std::string> command;
    while (std::getline(control, line))
        if (!line.empty()) command.push_back(line);
    if (command.empty()) return 2;
    std::ofstream log(argv[2], std::ios::trunc);

    int toServer[2];
    int fromServer[2];
    if (::pipe(toServer) != 0 || ::pipe(fromServer) != 0) return 1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(toServer[0], 0);
        ::dup2(fromServer[1], 1);
        ::close(toServer[1]);
        ::close(fromServer[0]);
        std::vector<char*> args;
        for (std::string& arg : command) args.push_back(arg.data());
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(toServer[0]);
    ::close(fromServer[1]);

    long long passed = 0;
    long long nextRequest = 0;  // where the next request starts in the stream
    unsigned char header[4];
    int headerBytes = 0;
    bool clientOpen = true;
    char buffer[65536];
    for (;;) {
        pollfd fds[2] = {{0, static_cast<short>(clientOpen ? POLLIN : 0), 0}, {fromServer[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if ((fds[0].revents & (POLLIN | POLLHUP)) != 0 && clientOpen) {
            const ssize_t count = ::read(0, buffer, sizeof buffer);
            if (count <= 0) {
                clientOpen = false;
                ::close(toServer[1]);
                continue;
            }
            long long allowed = count;
            if (limit >= 0 && passed + allowed > limit) allowed = limit - passed;
            for (long long i = 0; i < allowed; ++i) {
                const long long at = passed + i;
                if (at == nextRequest) {
                    log << at << '\n' << std::flush;
                    headerBytes = 0;
                }
                if (at >= nextRequest && headerBytes < 4) {
                    header[headerBytes++] = static_cast<unsigned char>(buffer[i]);
                    if (headerBytes == 4) {
                        const std::uint32_t length = (std::uint32_t{header[0]} << 24) |
                                                     (std::uint32_t{header[1]} << 16) |
                                                     (std::uint32_t{header[2]} << 8) | std::uint32_t{header[3]};
                        nextRequest = nextRequest + 4 + length;
                    }
                }
            }
            if (!writeAll(toServer[1], buffer, static_cast<std::size_t>(allowed))) break;
            passed += allowed;
            if (limit >= 0 && passed >= limit) {
                // The link is gone: the server finishes what it has, and nothing more reaches either side.
                ::close(toServer[1]);
                if (stall) {
                    // ... or the server hangs: the channel stays open and silent until the client leaves.
                    while (::read(0, buffer, sizeof buffer) > 0) {}
                }
                while (::read(fromServer[0], buffer, sizeof buffer) > 0) {}
                ::waitpid(child, nullptr, 0);
                return 0;
            }
        }
        if ((fds[1].revents & (POLLIN | POLLHUP)) != 0) {
            const ssize_t count = ::read(fromServer[0], buffer, sizeof buffer);
            if (count <= 0) break;
            if (!writeAll(1, buffer, static_cast<std::size_t>(count))) break;
        }
    }
    ::waitpid(child, nullptr, 0);
    return 0;
}
