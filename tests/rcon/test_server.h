// A stand-in for the game server's RCON listener, for the tests and the benchmark. It behaves
// as the game does: a login answered with type 2 under the request's id, or id -1 for a wrong
// password; answers cut every 4096 UTF-16 units, each piece a packet of its own; a request of
// an unknown type answered "Unknown request c8" under its id, after the answers before it;
// requests taken one at a time, in order; a request over 1446 payload bytes ignored without a
// word. On top, what the game does on a bad day: stall, close mid-answer, trickle byte by byte;
// and what a hostile server does: flood the client with packets it never asked for.
//
// Commands it understands:
//   echo TEXT       answers TEXT
//   big N           answers N characters of Chinese text with colour codes (chineseText)
//   list            answers as the game's "list" does
//   sleep MS TEXT   answers TEXT after MS milliseconds; later requests wait their turn
//   pair N          answers N ASCII letters and then one character outside the BMP (a
//                   surrogate pair in the game's Java string)
#pragma once

#include <QObject>
#include <QString>
#include <QTcpServer>
#include <map>
#include <memory>
#include <vector>

#include "rcon/packet.h"

namespace rcon_test {

enum class Stall {
    None,
    Commands,   // logs in, then never answers a command (nor anything after it)
    Everything  // accepts the connection and never answers at all
};

struct ServerOptions {
    QString password = QStringLiteral("口令-secret");
    Stall stall = Stall::None;
    bool dropMidAnswer = false;  // sends half the bytes of each command's answer, then closes
    bool byteByByte = false;     // writes one byte per event-loop turn, each flushed on its own
    // Cuts an answer before a surrogate pair that would straddle the 4096th unit instead of
    // through it, as server software that minds its characters does: the piece is one unit short.
    bool keepsPairsWhole = false;
    // Answers every command with an endless stream of packets of this many payload bytes, as
    // fast as the client takes them (0: off): under an id no request ever had, or under the
    // command's own id. The flood ends only when the client goes.
    std::size_t floodPayload = 0;
    bool floodUnderTheCommandsId = false;
    bool floodsTheLogin = false;  // floods at once, instead of answering the login
};

// N UTF-16 units of Chinese text with colour codes, all in the Basic Multilingual Plane.
QString chineseText(int units);

// What the server answers to a command line.
QString answerTo(const QString& command);

class TestServer : public QObject {
    Q_OBJECT

public:
    explicit TestServer(ServerOptions options = {}, QObject* parent = nullptr);
    ~TestServer() override;

    // Listens on 127.0.0.1, on a port the system picks.
    bool listen();
    quint16 port() const { return server_.serverPort(); }

    // Read when a request comes in: tests may change them between requests.
    ServerOptions& options() { return options_; }

    // Every request taken (logins, commands, markers), in the order they came.
    const std::vector<rcon::Packet>& requests() const { return requests_; }
    // Requests ignored for their length.
    int ignored() const { return ignored_; }
    qint64 bytesReceived() const { return bytesReceived_; }
    int connectionsAccepted() const { return accepted_; }
    // Packets of the last command answer sent.
    int lastAnswerPackets() const { return lastAnswerPackets_; }

private:
    struct Session;

    void accept();
    void receive(int session);
    void work(int session);
    void handle(int session, const rcon::Packet& request);
    void answer(int session, std::int32_t id, const QString& text, bool command);
    void write(int session, std::string bytes, bool thenClose);
    void drip(int session);
    void flood(int session);
    void startFlood(int session, std::int32_t id, std::int32_t type);
    Session* find(int session);

    QTcpServer server_;
    ServerOptions options_;
    std::map<int, std::unique_ptr<Session>> sessions_;
    int accepted_ = 0;
    std::vector<rcon::Packet> requests_;
    int ignored_ = 0;
    qint64 bytesReceived_ = 0;
    int lastAnswerPackets_ = 0;
};

}  // namespace rcon_test
