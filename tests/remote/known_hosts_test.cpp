// known_hosts as OpenSSH writes and reads it: the files are untrusted, the answers decide whether
// a password may leave the machine.
#include "remote/known_hosts.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

namespace {

using remote::HostKey;
using remote::HostKeyStatus;
using remote::KnownHosts;

// Keys and fingerprints as ssh-keygen made and showed them.
const QByteArray kA = "AAAAC3NzaC1lZDI1NTE5AAAAIM0O2u3E5VAw3Qgv7nav7B1Ee/H4MdVZ9M3ceeM0Wims";
const QByteArray kB = "AAAAC3NzaC1lZDI1NTE5AAAAIHLiYK7xZwZDfzMIaPNa1VBy+fKwLH1l2pm/x12TZiUc";
const QByteArray kC =
    "AAAAE2VjZHNhLXNoYTItbmlzdHAyNTYAAAAIbmlzdHAyNTYAAABBBA8KhW/Q5uXciAxOn17bPf61hvIp6mqxldGGJpBd8y/"
    "3NWjj80V5odxiIJTVmDHxcIKeRex4vq8cktI9c7NNtXA=";
const QString kFingerprintA = QStringLiteral("SHA256:ccadcrfmKBsNJezTobahNFbedt68aAy6EVkoq6VS8+8");
const QString kFingerprintB = QStringLiteral("SHA256:L3eGHrxC5/UDUSrU7SG33nPQMzsybunLOCKgaHOU4qM");
const QString kFingerprintC = QStringLiteral("SHA256:f3LBLBELFGBogyQ11D1EFmezpMyGMpmO+LQlsSTK+wo");

HostKey key(const QByteArray& base64) { return HostKey::fromBlob(QByteArray::fromBase64(base64)); }

TEST(HostKeys, FingerprintsAreThoseOpenSshShows) {
    EXPECT_EQ(remote::fingerprint(key(kA)), kFingerprintA);
    EXPECT_EQ(remote::fingerprint(key(kB)), kFingerprintB);
    EXPECT_EQ(remote::fingerprint(key(kC)), kFingerprintC);
    EXPECT_EQ(key(kA).type, QByteArray("ssh-ed25519"));
    EXPECT_EQ(key(kC).type, QByteArray("ecdsa-sha2-nistp256"));
    // A blob that claims more than it holds, or no type at all, is no key.
    EXPECT_TRUE(HostKey::fromBlob(QByteArray("\0\0\0\xff"
                                             "ssh-ed25519",
                                             15))
                    .isNull());
    EXPECT_TRUE(HostKey::fromBlob(QByteArray("\0\0\0\0", 4)).isNull());
    EXPECT_TRUE(HostKey::fromBlob({}).isNull());
}

TEST(HostKeys, NamesAreThoseOfKnownHosts) {
    EXPECT_EQ(remote::knownHostsName(QStringLiteral("MC.Example.cn"), 22), QByteArray("mc.example.cn"));
    EXPECT_EQ(remote::knownHostsName(QStringLiteral("127.0.0.1"), 2222), QByteArray("[127.0.0.1]:2222"));
    EXPECT_EQ(remote::knownHostsName(QStringLiteral("::1"), 2022), QByteArray("[::1]:2022"));
}

// Every form a line takes in the files people have: plain names, ports, lists, wildcards and
// negations, hashed names (ssh-keygen -H), comments, CR LF, markers, and lines that are damaged.
TEST(HostKeys, LinesOfEveryFormMatchTheirHostsOnly) {
    KnownHosts hosts;
    hosts.add(QStringLiteral("/own"),
              "# a comment\r\n"
              "\r\n"
              "   \n"
              "plain.example,10.0.0.1 ssh-ed25519 " +
                  kA +
                  " comment with words\r\n"
                  "[ported.example]:2222 ssh-ed25519 " +
                  kA +
                  "\n"
                  "*.wild.example,!bad.wild.example ssh-ed25519 " +
                  kA +
                  "\n"
                  "|1|8eJ2VZ/Ysfx+rkKmYemFljIFG00=|JGNLjlSLo8h98bLwDkDh9kOU/M4= ssh-ed25519 " +
                  kA +
                  "\n"
                  "|1|hFzp/8/nnGYRK9TwEiufZ9txJYo=|/HRjSZS9ChKVP536blsCJhpftY0= ssh-ed25519 " +
                  kB +
                  "\n"
                  "broken.example ssh-ed25519 not*base64\n"
                  "mismatch.example ssh-rsa " +
                  kA +
                  "\n"
                  "@cert-authority * ssh-ed25519 " +
                  kB +
                  "\n"
                  "short.example ssh-ed25519\n");
    struct Row {
        const char* host;
        quint16 port;
        const QByteArray& key;
        HostKeyStatus status;
    };
    const Row rows[] = {
        {"plain.example", 22, kA, HostKeyStatus::Known},
        {"PLAIN.example", 22, kA, HostKeyStatus::Known},
        {"10.0.0.1", 22, kA, HostKeyStatus::Known},
        {"plain.example", 2222, kA, HostKeyStatus::Unknown},  // another port is another host
        {"ported.example", 2222, kA, HostKeyStatus::Known},
        {"ported.example", 22, kA, HostKeyStatus::Unknown},
        {"a.wild.example", 22, kA, HostKeyStatus::Known},
        {"bad.wild.example", 22, kA, HostKeyStatus::Unknown},  // negated
        {"wild.example", 22, kA, HostKeyStatus::Unknown},
        {"mc.example.cn", 22, kA, HostKeyStatus::Known},    // hashed
        {"mc.example.cn", 2222, kB, HostKeyStatus::Known},  // hashed, with the port
        {"mc.example.cn", 2222, kA, HostKeyStatus::Changed},
        {"broken.example", 22, kA, HostKeyStatus::Unknown},
        {"mismatch.example", 22, kA, HostKeyStatus::Unknown},  // type and key disagree: passed over
        {"anything.example", 22, kB, HostKeyStatus::Unknown},  // certificates are not taken
        {"short.example", 22, kA, HostKeyStatus::Unknown},
    };
    for (const Row& row : rows)
        EXPECT_EQ(hosts.check(QString::fromLatin1(row.host), row.port, key(row.key)).status, row.status)
            << row.host << ':' << row.port;
}

TEST(HostKeys, AChangedKeyNamesTheOneKeptAndWhereItIs) {
    KnownHosts hosts;
    hosts.add(QStringLiteral("/home/op/.ssh/known_hosts"), "other ssh-ed25519 " + kA + "\n");
    hosts.add(QStringLiteral("/data/known_hosts"),
              "# kept by the editor\n"
              "[mc.example.cn]:2222 ecdsa-sha2-nistp256 " +
                  kC +
                  "\n"
                  "[mc.example.cn]:2222 ssh-ed25519 " +
                  kA + "\n");
    const remote::HostKeyCheck check = hosts.check(QStringLiteral("mc.example.cn"), 2222, key(kB));
    EXPECT_EQ(check.status, HostKeyStatus::Changed);
    EXPECT_EQ(check.fingerprint, kFingerprintB);
    // The key of the same type is the one that changed.
    EXPECT_EQ(check.knownFingerprint, kFingerprintA);
    EXPECT_EQ(check.file, QStringLiteral("/data/known_hosts"));
    EXPECT_EQ(check.line, 3);
    // A host known by several keys is known by each of them, and asked for those types first.
    EXPECT_EQ(hosts.check(QStringLiteral("mc.example.cn"), 2222, key(kC)).status, HostKeyStatus::Known);
    EXPECT_EQ(hosts.typesFor(QStringLiteral("mc.example.cn"), 2222),
              QByteArrayList({"ecdsa-sha2-nistp256", "ssh-ed25519"}));
    EXPECT_EQ(hosts.typesFor(QStringLiteral("nowhere"), 22), QByteArrayList());
}

TEST(HostKeys, ARevokedKeyIsRefusedEvenWhereItIsAlsoKept) {
    KnownHosts hosts;
    hosts.add(QStringLiteral("/own"), "mc.example.cn ssh-ed25519 " + kA + "\n@revoked * ssh-ed25519 " + kA + "\n");
    const remote::HostKeyCheck check = hosts.check(QStringLiteral("mc.example.cn"), 22, key(kA));
    EXPECT_EQ(check.status, HostKeyStatus::Revoked);
    EXPECT_EQ(check.line, 2);
    EXPECT_EQ(hosts.check(QStringLiteral("mc.example.cn"), 22, key(kB)).status, HostKeyStatus::Changed);
}

TEST(HostKeys, TrustingAddsOneLineThatTheNextReadKnows) {
    QTemporaryDir dir;
    const QString own = dir.filePath(QStringLiteral("known_hosts"));
    ASSERT_TRUE(remote::trustHostKey(own, QStringLiteral("127.0.0.1"), 2222, key(kA)).ok());
    {
        QFile file(own);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("# the user's own note, no line end");
    }
    ASSERT_TRUE(remote::trustHostKey(own, QStringLiteral("mc.example.cn"), 22, key(kC)).ok());
    QFile file(own);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "[127.0.0.1]:2222 ssh-ed25519 " + kA + "\n# the user's own note, no line end\n" +
                                  "mc.example.cn ecdsa-sha2-nistp256 " + kC + "\n");
    const KnownHosts hosts = KnownHosts::read({own, dir.filePath(QStringLiteral("missing"))});
    EXPECT_EQ(hosts.check(QStringLiteral("127.0.0.1"), 2222, key(kA)).status, HostKeyStatus::Known);
    EXPECT_EQ(hosts.check(QStringLiteral("mc.example.cn"), 22, key(kC)).status, HostKeyStatus::Known);
}

}  // namespace
