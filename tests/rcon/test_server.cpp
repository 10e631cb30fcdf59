#include "test_server.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <deque>
#include <string>
#include <string_view>
#include <utility>

namespace rcon_test {
namespace {

// The game cuts an answer every 4096 characters of its Java string: UTF-16 units.
constexpr qsizetype kPieceUnits = 4096;

std::string utf8(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace

QString chineseText(int units) {
    static const QString pattern = QStringLiteral("§6红宝石§r的光芒§l照亮§r了整片§b大地§r，");
    QString text;
    text.reserve(units);
    while (text.size() < units) text += pattern.left(units - text.size());
    return text;
}

QString answerTo(const QString& command) {
    if (command == QLatin1String("echo")) return {};
    if (command.startsWith(QLatin1String("echo "))) return command.mid(5);
    if (command.startsWith(QLatin1String("big "))) return chineseText(command.mid(4).toInt());
    if (command.startsWith(QLatin1String("pair ")))
        return QString(command.mid(5).toInt(), u'a') + QString::fromUcs4(U"\U0001F48E");  // 💎
    if (command == QLatin1String("list"))
        return QStringLiteral("There are 2 of a max of 20 players online: Steve, 小明");
    if (command.isEmpty()) return {};
    return QStringLiteral("Unknown or incomplete command, see below for error\n") + command +
           QStringLiteral("<--[HERE]");
}

struct TestServer::Session {
    // Cleared when the socket is deleted: a closed session stays in the map for a turn after
    // its socket's deleteLater, and the server may be taken down in between.
    QPointer<QTcpSocket> socket;
    rcon::Decoder decoder;
    bool loggedIn = false;
    bool busy = false;    // answering a slow command, or stalled for good
    bool closed = false;  // closing: takes no more requests
    std::deque<rcon::Packet> waiting;
    std::string outgoing;  // what is left to trickle out, byte by byte
    bool closeWhenSent = false;
    QTimer dripTimer;
    std::string floodBlock;  // packets of the flood, written again and again
};

namespace {

// The flood keeps this much on its way to the client, no more, so the server's own memory
// stays small however slowly the client reads.
constexpr qint64 kFloodQueued = 256 * 1024;
constexpr std::int32_t kStrayId = 0x5A5A5A5A;  // an id the client's requests never reach

}  // namespace

TestServer::TestServer(ServerOptions options, QObject* parent) : QObject(parent), options_(std::move(options)) {
    connect(&server_, &QTcpServer::newConnection, this, &TestServer::accept);
}

TestServer::~TestServer() {
    for (auto& [id, session] : sessions_) {
        if (session->socket.isNull()) continue;
        QObject::disconnect(session->socket, nullptr, this, nullptr);
        session->socket->abort();
    }
}

bool TestServer::listen() { return server_.listen(QHostAddress::LocalHost, 0); }

TestServer::Session* TestServer::find(int session) {
    const auto found = sessions_.find(session);
    return found == sessions_.end() || found->second->closed ? nullptr : found->second.get();
}

void TestServer::accept() {
    while (server_.hasPendingConnections()) {
        QTcpSocket* socket = server_.nextPendingConnection();
        const int id = ++accepted_;
        auto session = std::make_unique<Session>();
        session->socket = socket;
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(&session->dripTimer, &QTimer::timeout, this, [this, id] { drip(id); });
        connect(socket, &QTcpSocket::readyRead, this, [this, id] { receive(id); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, id] { flood(id); });
        connect(socket, &QTcpSocket::disconnected, this, [this, id, socket] {
            const auto found = sessions_.find(id);
            if (found != sessions_.end()) {
                found->second->closed = true;
                found->second->dripTimer.stop();
            }
            socket->deleteLater();
            QTimer::singleShot(0, this, [this, id] { sessions_.erase(id); });
        });
        sessions_[id] = std::move(session);
    }
}

void TestServer::receive(int id) {
    Session* session = find(id);
    if (session == nullptr) return;
    const QByteArray data = session->socket->readAll();
    bytesReceived_ += data.size();
    std::vector<rcon::Packet> packets;
    if (!session->decoder.feed(std::string_view(data.constData(), static_cast<std::size_t>(data.size())), packets)) {
        session->closed = true;
        session->socket->abort();
        return;
    }
    for (rcon::Packet& packet : packets) {
        if (packet.payload.size() > rcon::kMaxRequestPayload) {
            ++ignored_;
            continue;
        }
        requests_.push_back(packet);
        session->waiting.push_back(std::move(packet));
    }
    work(id);
}

void TestServer::work(int id) {
    for (Session* session = find(id); session != nullptr && !session->busy && !session->waiting.empty();
         session = find(id)) {
        const rcon::Packet request = std::move(session->waiting.front());
        session->waiting.pop_front();
        handle(id, request);
    }
}

void TestServer::handle(int id, const rcon::Packet& request) {
    Session* session = find(id);
    if (options_.stall == Stall::Everything) {
        session->busy = true;
        return;
    }
    if (request.type == rcon::kTypeLogin && options_.floodPayload > 0 && options_.floodsTheLogin) {
        startFlood(id, kStrayId, rcon::kTypeLoginAnswer);
        return;
    }
    if (request.type == rcon::kTypeLogin) {
        session->loggedIn = request.payload == utf8(options_.password);
        write(id, rcon::encode(session->loggedIn ? request.id : rcon::kIdAuthFailed, rcon::kTypeLoginAnswer, {}),
              false);
        return;
    }
    if (request.type == rcon::kTypeCommand) {
        if (!session->loggedIn) {
            write(id, rcon::encode(rcon::kIdAuthFailed, rcon::kTypeLoginAnswer, {}), false);
            return;
        }
        if (options_.stall == Stall::Commands) {
            session->busy = true;
            return;
        }
        if (options_.floodPayload > 0) {
            startFlood(id, options_.floodUnderTheCommandsId ? request.id : kStrayId, rcon::kTypeResponse);
            return;
        }
        const QString line = QString::fromUtf8(request.payload.data(), static_cast<qsizetype>(request.payload.size()));
        if (line.startsWith(QLatin1String("sleep "))) {
            const QStringList parts = line.split(u' ');
            const int ms = parts.value(1).toInt();
            const QString text = line.section(u' ', 2);
            session->busy = true;
            QTimer::singleShot(ms, this, [this, id, requestId = request.id, text] {
                Session* later = find(id);
                if (later == nullptr) return;
                later->busy = false;
                answer(id, requestId, text, true);
                work(id);
            });
            return;
        }
        answer(id, request.id, answerTo(line), true);
        return;
    }
    answer(id, request.id, QStringLiteral("Unknown request ") + QString::number(request.type, 16), false);
}

void TestServer::answer(int id, std::int32_t requestId, const QString& text, bool command) {
    std::string bytes;
    int packets = 0;
    qsizetype at = 0;
    do {  // an empty answer is one empty packet
        qsizetype units = kPieceUnits;
        if (options_.keepsPairsWhole && at + units < text.size() && text.at(at + units - 1).isHighSurrogate()) --units;
        const QString piece = text.mid(at, units);
        at += piece.size();
        bytes += rcon::encode(requestId, rcon::kTypeResponse, utf8(piece));
        ++packets;
    } while (at < text.size());
    if (!command) {
        write(id, std::move(bytes), false);
        return;
    }
    lastAnswerPackets_ = packets;
    if (options_.dropMidAnswer) {
        bytes.resize(bytes.size() / 2);
        write(id, std::move(bytes), true);
        return;
    }
    write(id, std::move(bytes), false);
}

void TestServer::write(int id, std::string bytes, bool thenClose) {
    Session* session = find(id);
    if (session == nullptr) return;
    if (options_.byteByByte) {
        session->outgoing += bytes;
        session->closeWhenSent = session->closeWhenSent || thenClose;
        if (!session->dripTimer.isActive()) session->dripTimer.start(0);
        return;
    }
    session->socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (thenClose) {
        session->closed = true;
        session->socket->disconnectFromHost();  // after what is written has gone out
    }
}

void TestServer::startFlood(int id, std::int32_t packetId, std::int32_t type) {
    Session* session = find(id);
    session->busy = true;  // takes nothing more: it only floods
    const std::string packet = rcon::encode(packetId, type, std::string(options_.floodPayload, 'z'));
    while (session->floodBlock.size() < 64 * 1024) session->floodBlock += packet;
    flood(id);
}

void TestServer::flood(int id) {
    Session* session = find(id);
    if (session == nullptr || session->floodBlock.empty()) return;
    while (session->socket->bytesToWrite() < kFloodQueued)
        session->socket->write(session->floodBlock.data(), static_cast<qint64>(session->floodBlock.size()));
}

void TestServer::drip(int id) {
    Session* session = find(id);
    if (session == nullptr) return;
    if (session->outgoing.empty()) {
        session->dripTimer.stop();
        if (session->closeWhenSent) {
            session->closed = true;
            session->socket->disconnectFromHost();
        }
        return;
    }
    session->socket->write(session->outgoing.data(), 1);
    session->socket->flush();
    session->outgoing.erase(0, 1);
}

}  // namespace rcon_test
