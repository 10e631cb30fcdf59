// A real OpenSSH server for the tests, on 127.0.0.1, with host and user keys made for it. One
// sshd (sshd -D -f CONFIG, its log on standard error) listens on three free ports:
//   full   key login as the user the tests run as; SFTP with posix-rename and fsync; forwarding
//   panel  as a hosting panel's SFTP server: password login for a user the server makes, SFTP
//          only (internal-sftp -P posix-rename: no posix-rename), AllowTcpForwarding no
//   cut    SFTP through a cutter that drops the link after a set number of request bytes
//          (setCut), as a lost connection does; the requests it saw are logged (cutLog)
// Ready means the server said it listens on all three: no waiting for a time.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "child_process.h"

namespace testing_support {

class SshServer {
public:
    // The cutter program (tests/remote/sftp_cutter.cpp); whether to make the panel's user (root only).
    explicit SshServer(QString cutter, bool withPanelUser = true)
        : cutter_(std::move(cutter)), withPanelUser_(withPanelUser) {}
    ~SshServer() { stop(); }
    SshServer(const SshServer&) = delete;
    SshServer& operator=(const SshServer&) = delete;

    // Starts the server; false with why() on a machine where it cannot run.
    bool start() {
        if (!dir_.isValid()) return fail(QStringLiteral("no temporary folder"));
        if (QStandardPaths::findExecutable(QStringLiteral("sshd"), {QStringLiteral("/usr/sbin")}).isEmpty())
            return fail(QStringLiteral("sshd is not installed (openssh-server)"));
        if (geteuid() == 0 && !QDir().mkpath(QStringLiteral("/run/sshd")))
            return fail(QStringLiteral("cannot make /run/sshd"));
        if (!keygen(path("host_ed25519"), {}) || !keygen(path("user_ed25519"), {}) ||
            !keygen(path("locked_ed25519"), passphrase()))
            return fail(QStringLiteral("ssh-keygen failed"));
        QFile keys(path("authorized_keys"));
        if (!keys.open(QIODevice::WriteOnly)) return fail(QStringLiteral("cannot write authorized_keys"));
        keys.write(readAll(path("user_ed25519.pub")) + readAll(path("locked_ed25519.pub")));
        keys.close();
        writeCut("-1", false);
        makePanelUser();
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (launch()) return true;
        }
        return false;
    }

    void stop() {
        sshd_.stop();
        if (!panelUser_.isEmpty()) {
            run(QStringLiteral("userdel"), {panelUser_});
            panelUser_.clear();
        }
    }

    QString why() const { return why_; }
    quint16 fullPort() const { return ports_[0]; }
    quint16 panelPort() const { return ports_[1]; }
    quint16 cutPort() const { return ports_[2]; }
    QString user() const { return QString::fromLocal8Bit(getpwuid(geteuid())->pw_name); }

    // A folder for the tests' files, which the panel user may write too.
    QString files() const { return path("files"); }
    QString userKey() const { return path("user_ed25519"); }
    QString lockedKey() const { return path("locked_ed25519"); }
    static QString passphrase() { return QStringLiteral("钥匙-passphrase-Q7"); }
    // The panel-like login; empty where no user could be made (not root).
    QString panelUser() const { return panelUser_; }
    QString panelHome() const { return path("panel"); }
    static QString panelPassword() { return QStringLiteral("面板-Pw-91x"); }
    QString panelProblem() const { return panelProblem_; }

    // The known_hosts line of the server's key for a port.
    QByteArray knownHostsLine(quint16 port) const {
        const QList<QByteArray> fields = readAll(path("host_ed25519.pub")).split(' ');
        return "[127.0.0.1]:" + QByteArray::number(port) + ' ' + fields.value(0) + ' ' + fields.value(1) + '\n';
    }
    QString hostKeyPath() const { return path("host_ed25519"); }

    // The cut server drops the link once it has passed limit bytes of requests (-1: never), with
    // or without posix-rename. Each connection reads this when its SFTP starts.
    void setCut(qint64 limit, bool posixRename) { writeCut(QByteArray::number(limit), posixRename); }
    // ... or it stops answering after limit bytes, and holds the channel open.
    void setStall(qint64 limit) { writeCut("stall " + QByteArray::number(limit), true); }
    // The offset in the request stream at which each request began, in the last connection to the
    // cut port.
    QList<qint64> cutLog() const {
        QList<qint64> offsets;
        for (const QByteArray& line : readAll(path("cut.log")).split('\n'))
            if (!line.isEmpty()) offsets.append(line.toLongLong());
        return offsets;
    }

    // Everything the server logged so far.
    QByteArray log() { return sshd_.output(); }
    // Waits until the log holds text after position from; false after ms.
    bool waitForLog(qsizetype from, const QByteArray& text, int ms = 10'000) { return sshd_.waitFor(from, text, ms); }

private:
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    static QByteArray readAll(const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    // A process that runs (one that ended and was not yet reaped counts as gone).
    static bool alive(qlonglong pid) {
        const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
        const qsizetype end = stat.lastIndexOf(')');
        return end > 0 && stat.size() > end + 2 && stat[end + 2] != 'Z';
    }

    bool fail(const QString& why) {
        why_ = why;
        return false;
    }

    static bool keygen(const QString& file, const QString& passphrase) {
        const QStringList arguments = {QStringLiteral("-q"),           QStringLiteral("-t"), QStringLiteral("ed25519"),
                                       QStringLiteral("-N"),           passphrase,           QStringLiteral("-C"),
                                       QStringLiteral("quorvel-test"), QStringLiteral("-f"), file};
        return run(QStringLiteral("ssh-keygen"), arguments).exitCode == 0;
    }

    void writeCut(const QByteArray& limit, bool posixRename) {
        QFile control(path("cut.control"));
        if (!control.open(QIODevice::WriteOnly)) return;
        control.write(limit + '\n' + sftpServer_.toLocal8Bit() + '\n' +
                      (posixRename ? QByteArray() : QByteArray("-P\nposix-rename\n")));
    }

    // A user with a password, as hosting panels hand out: root only.
    void makePanelUser() {
        QDir().mkpath(files());
        QDir().mkpath(panelHome());
        if (!withPanelUser_) {
            panelProblem_ = QStringLiteral("no panel user asked for");
            return;
        }
        if (geteuid() != 0) {
            panelProblem_ = QStringLiteral("not root: no user can be made for the password login");
            return;
        }
        // Users of earlier runs that were killed before they could remove theirs: the process whose
        // number the name holds is gone.
        QStringList stale;
        ::setpwent();
        while (const passwd* entry = ::getpwent()) {
            const QByteArray user(entry->pw_name);
            bool number = false;
            const qlonglong pid = user.mid(3).toLongLong(&number, 16);
            if (user.startsWith("qv.") && number && !alive(pid)) stale << QString::fromLocal8Bit(user);
        }
        ::endpwent();
        for (const QString& user : stale) run(QStringLiteral("userdel"), {user});
        const QString name = QStringLiteral("qv.%1").arg(QString::number(getpid(), 16));
        if (run(QStringLiteral("useradd"), {QStringLiteral("-M"), QStringLiteral("-d"), panelHome(),
                                            QStringLiteral("-s"), QStringLiteral("/usr/sbin/nologin"), name})
                .exitCode != 0) {
            panelProblem_ = QStringLiteral("useradd failed");
            return;
        }
        panelUser_ = name;
        if (run(QStringLiteral("chpasswd"), {}, (name + u':' + panelPassword() + u'\n').toUtf8()).exitCode != 0) {
            panelProblem_ = QStringLiteral("chpasswd failed");
            return;
        }
        const passwd* entry = getpwnam(name.toLocal8Bit().constData());
        if (entry == nullptr) {
            panelProblem_ = QStringLiteral("the new user is not found");
            return;
        }
        for (const QString& folder : {panelHome(), files()}) {
            [[maybe_unused]] const int owned =
                ::chown(QFile::encodeName(folder).constData(), entry->pw_uid, entry->pw_gid);
        }
        // The scratch folder itself is root's 0700: the panel user needs to pass through it.
        ::chmod(QFile::encodeName(dir_.path()).constData(), 0711);
    }

    bool launch() {
        QTcpServer probes[3];
        for (int i = 0; i < 3; ++i) {
            if (!probes[i].listen(QHostAddress::LocalHost)) return fail(QStringLiteral("no free port"));
            ports_[i] = probes[i].serverPort();
        }
        for (QTcpServer& probe : probes) probe.close();
        QFile config(path("sshd_config"));
        if (!config.open(QIODevice::WriteOnly)) return fail(QStringLiteral("cannot write sshd_config"));
        const QString text =
            QStringLiteral(
                "ListenAddress 127.0.0.1:%1\n"
                "ListenAddress 127.0.0.1:%2\n"
                "ListenAddress 127.0.0.1:%3\n"
                "HostKey %4\n"
                "PidFile none\n"
                "UsePAM no\n"
                "StrictModes no\n"
                "PermitRootLogin prohibit-password\n"
                "AuthorizedKeysFile %5\n"
                "PasswordAuthentication no\n"
                "KbdInteractiveAuthentication no\n"
                "MaxStartups 200\n"
                "MaxSessions 50\n"
                "LogLevel DEBUG1\n"
                "Subsystem sftp internal-sftp\n"
                "AllowTcpForwarding yes\n"
                "Match LocalPort %2\n"
                "    PasswordAuthentication yes\n"
                "    AllowTcpForwarding no\n"
                "    ForceCommand internal-sftp -P posix-rename\n"
                "Match LocalPort %3\n"
                // The cutter runs through the user's shell; a shell that thinks it
                // is nested does not run the user's ~/.bashrc (which may be slow).
                "    SetEnv SHLVL=5\n"
                "    ForceCommand %6 %7 %8\n")
                .arg(ports_[0])
                .arg(ports_[1])
                .arg(ports_[2])
                .arg(path("host_ed25519"), path("authorized_keys"), cutter_, path("cut.control"), path("cut.log"));
        config.write(text.toLocal8Bit());
        config.close();
        sshd_.stop();
        if (!sshd_.start(QStringLiteral("/usr/sbin/sshd"),
                         {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"), path("sshd_config")}))
            return fail(QStringLiteral("sshd did not start"));
        for (const quint16 port : ports_) {
            const QByteArray ready = "Server listening on 127.0.0.1 port " + QByteArray::number(port) + '.';
            if (!sshd_.waitFor(0, ready, 20'000)) {
                why_ = QStringLiteral("sshd did not listen: ") + QString::fromLocal8Bit(sshd_.output().right(2000));
                sshd_.stop();
                return false;
            }
        }
        return true;
    }

    QString cutter_;
    bool withPanelUser_ = true;
    QString sftpServer_ = QStringLiteral("/usr/lib/openssh/sftp-server");
    QTemporaryDir dir_;
    Background sshd_;
    QString why_;
    quint16 ports_[3] = {0, 0, 0};
    QString panelUser_;
    QString panelProblem_;
};

}  // namespace testing_support
