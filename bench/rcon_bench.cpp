// 1,000 short console lines sent and answered over RCON, against the test server on
// 127.0.0.1 (on a thread of its own, with its own event loop), two ways:
//
//   client  the editor's rcon::Client: all 1,000 lines given to send() at once, as the UI
//           gives it a panel of lines, answered one by one through the event loop
//   floor   the least any client can do that knows when an answer is whole: a blocking socket
//           that writes one packet and reads its one answer packet, then writes the end marker
//           and reads its answer, 1,000 times, no event loop, no queue, no time limits
//
// The two take turns, several rounds each, on the same server, so both meet the same machine;
// the ratio of their medians is the client's overhead over the protocol's own cost.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "rcon/client.h"
#include "rcon/packet.h"
#include "test_server.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLines = 1000;
constexpr int kRounds = 15;

[[noreturn]] void fail(const char* message) {
    std::fprintf(stderr, "quorvel-bench-rcon: %s\n", message);
    std::exit(1);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The floor: a plain blocking socket.
class BlockingClient {
public:
    BlockingClient(quint16 port, const std::string& password) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd_ < 0 || ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            fail("the floor client cannot connect");
        const int on = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        if (exchange(rcon::kTypeLogin, password).id != 1) fail("the floor client was not let in");
    }
    ~BlockingClient() { ::close(fd_); }
    BlockingClient(const BlockingClient&) = delete;
    BlockingClient& operator=(const BlockingClient&) = delete;

    // Writes one packet and reads the one packet that answers it.
    rcon::Packet exchange(std::int32_t type, const std::string& payload) {
        const std::string packet = rcon::encode(++id_, type, payload);
        if (::write(fd_, packet.data(), packet.size()) != static_cast<ssize_t>(packet.size())) fail("write failed");
        std::string bytes = readExactly(4);
        std::uint32_t length = 0;
        for (int i = 3; i >= 0; --i)
            length = length << 8 | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
        if (length > static_cast<std::uint32_t>(rcon::kMaxLength)) fail("the floor client read a bad length");
        bytes += readExactly(length);
        std::vector<rcon::Packet> packets;
        rcon::Decoder decoder;
        if (!decoder.feed(bytes, packets) || packets.size() != 1) fail("the floor client read a bad packet");
        return packets.front();
    }

private:
    std::string readExactly(std::size_t n) {
        std::string data(n, '\0');
        std::size_t at = 0;
        while (at < n) {
            const ssize_t got = ::read(fd_, data.data() + at, n - at);
            if (got <= 0) fail("the server closed the floor client's connection");
            at += static_cast<std::size_t>(got);
        }
        return data;
    }

    int fd_ = -1;
    std::int32_t id_ = 0;
};

std::string lineNumber(int i) { return "echo 第" + std::to_string(i) + "行"; }

double floorRound(quint16 port, const std::string& password) {
    BlockingClient client(port, password);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kLines; ++i) {
        const std::string line = lineNumber(i);
        if (client.exchange(rcon::kTypeCommand, line).payload != line.substr(5))
            fail("the floor client got a wrong answer");
        // Only the marker's answer says that no piece follows.
        if (client.exchange(rcon::kTypeMarker, {}).type != rcon::kTypeResponse)
            fail("the floor client lost the marker");
    }
    return msSince(start);
}

double clientRound(quint16 port, const QString& password) {
    rcon::Client client;
    QEventLoop loop;
    std::optional<rcon::ConnectOutcome> outcome;
    client.connectToServer(QStringLiteral("127.0.0.1"), port, password, 5000, &loop,
                           [&](const rcon::ConnectOutcome& o) {
                               outcome = o;
                               loop.quit();
                           });
    loop.exec();
    if (!outcome || !outcome->ok()) fail("the client could not log in");

    int answered = 0;
    bool wrong = false;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kLines; ++i) {
        const QString line = QString::fromStdString(lineNumber(i));
        client.send(line, 5000, &loop, [&, expected = line.mid(5)](const rcon::Answer& a) {
            wrong = wrong || a.text != expected;
            if (++answered == kLines) loop.quit();
        });
    }
    loop.exec();
    const double ms = msSince(start);
    if (wrong) fail("the client got a wrong answer");
    return ms;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);

    // The server on its own thread, made there so its sockets belong to that thread's loop.
    QThread serverThread;
    serverThread.start();
    QObject serverHome;
    serverHome.moveToThread(&serverThread);
    rcon_test::TestServer* server = nullptr;
    quint16 port = 0;
    QMetaObject::invokeMethod(
        &serverHome,
        [&] {
            server = new rcon_test::TestServer;
            if (server->listen()) port = server->port();
        },
        Qt::BlockingQueuedConnection);
    if (port == 0) fail("the test server cannot listen");
    const QString password = rcon_test::ServerOptions{}.password;

    std::vector<double> floor;
    std::vector<double> client;
    floorRound(port, password.toStdString());  // warm-up, untimed
    clientRound(port, password);
    for (int round = 0; round < kRounds; ++round) {
        floor.push_back(floorRound(port, password.toStdString()));
        client.push_back(clientRound(port, password));
    }

    QMetaObject::invokeMethod(
        &serverHome, [&] { delete server; }, Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();

    const double clientMs = median(client);
    const double floorMs = median(floor);
    std::printf("RCON: %d short lines sent and answered, test server on 127.0.0.1, median of %d rounds\n", kLines,
                kRounds);
    std::printf("  rcon::Client, all queued at once  %8.1f ms  (%.1f us a line)\n", clientMs,
                clientMs * 1000.0 / kLines);
    std::printf("  blocking socket, line then marker %8.1f ms  (%.1f us a line)\n", floorMs, floorMs * 1000.0 / kLines);
    std::printf("result rcon_client_ms %.1f\n", clientMs);
    std::printf("result rcon_floor_ms %.1f\n", floorMs);
    std::printf("result rcon_ratio %.2f\n", clientMs / floorMs);
    return 0;
}
