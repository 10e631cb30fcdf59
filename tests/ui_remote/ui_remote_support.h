// What the tests of the servers' files in the editor share: the program's one sshd, the test's
// home (every file the editor writes lands below it), and waiting for what the event loop brings.
#pragma once

#include <gtest/gtest.h>
#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <ostream>

#include "ssh_server.h"
#include "wait.h"

// Failure output shows the text and the JSON, not their bytes.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QJsonObject& object, std::ostream* out) {
    *out << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

namespace ui_remote_test {

// A reply for a failure message.
inline std::string json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

// The test program's server, started when first asked for; nullptr (and why) where it cannot run.
testing_support::SshServer* server();
QString serverProblem();
// The temporary home of the test run.
extern QString home;

#define REQUIRE_SSH_SERVER()                                                                    \
    if (ui_remote_test::server() == nullptr) {                                                  \
        GTEST_SKIP() << "no OpenSSH server: " << ui_remote_test::serverProblem().toStdString(); \
    }

constexpr int kWaitMs = 60'000;  // far beyond any answer here: only a hang reaches it

template <typename Done>
bool waitFor(Done done, int ms = kWaitMs) {
    return rcon_test::waitFor(done, ms);
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace ui_remote_test
