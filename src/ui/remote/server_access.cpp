#include "ui/remote/server_access.h"

#include <QObject>
#include <QWidget>
#include <memory>

#include "ui/remote/host_key_dialog.h"
#include "ui/remote/secret_dialog.h"
#include "ui/remote/servers.h"

namespace ui {
namespace {

using storage::SecretKind;

// The steps of one reach: each answer of the server decides the next.
class Reach : public std::enable_shared_from_this<Reach> {
public:
    Reach(Servers& servers, QString name, QWidget* person, QObject* context, Reached done)
        : servers_(servers), name_(std::move(name)), person_(person), context_(context), guarded_(context != nullptr),
          done_(std::move(done)) {}

    void start() {
        auto self = shared_from_this();
        servers_.prepareSession(name_, context_, [self](remote::Session* session) { self->connect(session); });
    }

private:
    void finish(const remote::Outcome& outcome, remote::Session* session) {
        if (guarded_ && context_ == nullptr) return;
        done_(outcome, session);
    }

    void connect(remote::Session* session) {
        if (session == nullptr) {
            remote::Outcome none;
            none.code = QStringLiteral("failed");
            none.message = servers_.loginProblem(name_);
            return finish(none, nullptr);
        }
        session_ = session;
        auto self = shared_from_this();
        session->connectToServer(session, [self](const remote::Outcome& outcome) { self->connected(outcome); });
    }

    void connected(const remote::Outcome& outcome) {
        if (session_ == nullptr) return finish(cancelled(), nullptr);
        const bool person = person_ != nullptr;
        if (outcome.ok() || !person) return finish(outcome, session_);
        if (outcome.code == QLatin1String("unknown-host") || outcome.code == QLatin1String("host-key-changed") ||
            outcome.code == QLatin1String("host-key-revoked"))
            return askHostKey(outcome);
        if (outcome.code == QLatin1String("auth-failed") && outcome.secretNeeded) return askSecret(outcome);
        finish(outcome, session_);
    }

    void askHostKey(const remote::Outcome& outcome) {
        const storage::ServerProfile* profile = servers_.profile(name_);
        if (profile == nullptr) return finish(outcome, session_);
        auto* dialog =
            new HostKeyDialog(outcome, name_, profile->host, profile->port, servers_.knownHostsPath(), person_);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        auto self = shared_from_this();
        QObject::connect(dialog, &QDialog::finished, dialog, [self, dialog, outcome](int result) {
            if (dialog->kind() != HostKeyDialog::Kind::Unknown) return self->finish(outcome, self->session_);
            if (result != QDialog::Accepted || self->session_ == nullptr)
                return self->finish(self->declined(), nullptr);
            self->session_->trustHost(dialog->fingerprint(), self->session_, [self](const remote::Outcome& trusted) {
                if (!trusted.ok()) return self->finish(trusted, self->session_);
                self->connect(self->session_);
            });
        });
        dialog->open();
    }

    void askSecret(const remote::Outcome& outcome) {
        const storage::ServerProfile* profile = servers_.profile(name_);
        if (profile == nullptr) return finish(outcome, session_);
        const bool passphrase = profile->auth == storage::SshAuth::Key;
        const SecretKind kind = passphrase ? SecretKind::KeyPassphrase : SecretKind::SshPassword;
        const bool kept = passphrase ? profile->keepPassphrase : profile->keepPassword;
        auto* dialog = new SecretDialog(
            passphrase ? QStringLiteral("密钥的密码") : QStringLiteral("登录 %1").arg(name_), outcome.message,
            passphrase ? QStringLiteral("密钥的密码：") : QStringLiteral("SSH 密码："), kept, person_);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        auto self = shared_from_this();
        QObject::connect(dialog, &QDialog::finished, dialog, [self, dialog, kind, outcome](int result) {
            if (result != QDialog::Accepted || dialog->secret().isEmpty())
                return self->finish(self->declined(), nullptr);
            const QString secret = dialog->secret();
            self->servers_.setSecret(self->name_, kind, secret);
            if (dialog->keep()) self->keepAfterLogin_ = {kind, secret};
            self->connectThenKeep();
        });
        dialog->open();
    }

    // The secret goes to the keyring only once the server took it.
    void connectThenKeep() {
        if (session_ == nullptr) return finish(cancelled(), nullptr);
        auto self = shared_from_this();
        session_->connectToServer(session_, [self](const remote::Outcome& outcome) {
            if (outcome.ok() && self->keepAfterLogin_.second.size() > 0) {
                self->servers_.keepSecret(self->name_, self->keepAfterLogin_.first, self->keepAfterLogin_.second,
                                          &self->servers_,
                                          [servers = &self->servers_](const rcon::KeyringResult& kept) {
                                              if (!kept.ok()) emit servers->problem(kept.message);
                                          });
            }
            self->keepAfterLogin_ = {};
            self->connected(outcome);
        });
    }

    static remote::Outcome cancelled() {
        remote::Outcome outcome;
        outcome.code = QStringLiteral("cancelled");
        outcome.message = QStringLiteral("已取消");
        return outcome;
    }
    remote::Outcome declined() const {
        remote::Outcome outcome = cancelled();
        outcome.message = QStringLiteral("没有连接 %1").arg(name_);
        return outcome;
    }

    Servers& servers_;
    QString name_;
    QPointer<QWidget> person_;
    QPointer<QObject> context_;
    bool guarded_;
    Reached done_;
    QPointer<remote::Session> session_;
    std::pair<SecretKind, QString> keepAfterLogin_{SecretKind::SshPassword, {}};
};

}  // namespace

QString addressOf(const Servers& servers, const QString& name) {
    const storage::ServerProfile* profile = servers.profile(name);
    if (profile == nullptr) return {};
    const QString host = profile->host.contains(u':') ? QStringLiteral("[%1]").arg(profile->host) : profile->host;
    return host + u':' + QString::number(profile->port);
}

void reachServer(Servers& servers, const QString& name, QWidget* person, QObject* context, Reached done) {
    std::make_shared<Reach>(servers, name, person, context, std::move(done))->start();
}

}  // namespace ui
