// The editor with the program's sshd: a data folder of the test's own (servers.json, the
// editor's known_hosts), a folder on the server for the test's files (which the panel user may
// write too), and ops run as a script runs them.
#pragma once

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "ui/remote/servers.h"
#include "ui_remote_support.h"
#include "ui_test_support.h"

namespace ui_remote_test {

class RemoteTest : public testing_support::EditorTest {
protected:
    void SetUp() override {
        REQUIRE_SSH_SERVER();
        EditorTest::SetUp();
        ASSERT_TRUE(data_.isValid());
        editor->servers().setFolder(data_.path());
        editor->servers().setTimeoutMs(20'000);
        // A folder of the test's own on the server, open to the panel user as a panel's files are.
        QTemporaryDir made(ssh().files() + QStringLiteral("/t-XXXXXX"));
        made.setAutoRemove(false);
        ASSERT_TRUE(made.isValid());
        folder_ = made.path();
        ::chmod(QFile::encodeName(folder_).constData(), 0777);
    }
    void TearDown() override {
        EditorTest::TearDown();
        if (!folder_.isEmpty()) QDir(folder_).removeRecursively();
    }

    static testing_support::SshServer& ssh() { return *server(); }
    QString known() const { return data_.filePath(QStringLiteral("known_hosts")); }
    // The editor trusts the server's key on these ports.
    void trust(std::initializer_list<quint16> ports) {
        QFile file(known());
        ASSERT_TRUE(file.open(QIODevice::Append));
        for (const quint16 port : ports) file.write(ssh().knownHostsLine(port));
    }
    QString file(const QString& name) const { return folder_ + u'/' + name; }

    QJsonObject op(const QJsonObject& request) {
        return runLine(QJsonDocument(request).toJson(QJsonDocument::Compact));
    }

    // A profile that logs in with the test user's key on the full port.
    QJsonObject keyProfile(const QString& name = QStringLiteral("lobby")) {
        return {{"op", "profile"},      {"name", name},           {"host", "127.0.0.1"}, {"port", ssh().fullPort()},
                {"user", ssh().user()}, {"key", ssh().userKey()}, {"folder", folder_}};
    }

    QTemporaryDir data_;
    QString folder_;
};

}  // namespace ui_remote_test
