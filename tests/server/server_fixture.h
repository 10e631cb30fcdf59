// What the server link's tests share: the editor with the test server listening on
// 127.0.0.1, ops run as a script runs them, and waiting for what the event loop brings.
#pragma once

#include <gtest/gtest.h>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <ostream>

#include "rcon/packet.h"
#include "test_server.h"
#include "ui/server/server_link.h"
#include "ui_test_support.h"
#include "wait.h"

// Failure output shows the text and the JSON, not their bytes.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QJsonObject& object, std::ostream* out) {
    *out << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

namespace server_testing {

// The temporary home of the test run: every file the editor writes lands below it.
extern QString home;

const QString kHost = QStringLiteral("127.0.0.1");
const QString kPassword = rcon_test::ServerOptions{}.password;
constexpr int kWaitMs = 20'000;  // far beyond any answer here: only a hang reaches it

class ServerTest : public testing_support::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        ASSERT_TRUE(server.listen());
        link = &editor->server();
    }

    QJsonObject op(const QJsonObject& request) {
        return runLine(QJsonDocument(request).toJson(QJsonDocument::Compact));
    }
    QJsonObject connectToServer(const QString& password = kPassword) {
        return op({{"op", "connect"}, {"host", kHost}, {"port", server.port()}, {"password", password}});
    }
    QString address() const { return kHost + u':' + QString::number(server.port()); }

    // The commands the server took, as text, in order.
    QStringList commandsReceived() const {
        QStringList lines;
        for (const rcon::Packet& p : server.requests())
            if (p.type == rcon::kTypeCommand)
                lines << QString::fromUtf8(p.payload.data(), static_cast<qsizetype>(p.payload.size()));
        return lines;
    }

    template <typename Done>
    static bool waitFor(Done done, int ms = kWaitMs) {
        return rcon_test::waitFor(done, ms);
    }

    rcon_test::TestServer server;
    ui::ServerLink* link = nullptr;
};

}  // namespace server_testing
