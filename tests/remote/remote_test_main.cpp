// The tests against a real OpenSSH server: a home of their own (no keyring, nothing written where
// it should not be), one sshd for the whole program, started when a test first needs it.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <memory>

#include "private_home.h"
#include "remote_support.h"

namespace remote_test {
namespace {

std::unique_ptr<testing_support::SshServer> running;
QString problem;
bool tried = false;

}  // namespace

testing_support::SshServer* server() {
    if (!tried) {
        tried = true;
        running = std::make_unique<testing_support::SshServer>(QStringLiteral(QUORVEL_SFTP_CUTTER));
        if (!running->start()) {
            problem = running->why();
            running.reset();
        }
    }
    return running.get();
}

QString serverProblem() { return problem; }

}  // namespace remote_test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const QTemporaryDir home;
    if (!home.isValid()) return 1;
    testing_support::usePrivateHome(home);
    QCoreApplication app(argc, argv);
    const int failed = RUN_ALL_TESTS();
    remote_test::running.reset();  // stops sshd and removes its user before the home goes
    return failed;
}
