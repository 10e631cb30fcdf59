#include "rcon/password_store.h"

#include <qt6keychain/keychain.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QThread>
#include <mutex>
#include <utility>

namespace rcon {
namespace {

const QString kService = QStringLiteral("Tarnwick Quorvel编辑器");

QThread* keyringThread = nullptr;

// At exit: stop the keyring thread if it is free; one stuck on the bus is left to the exit.
void stopKeyringThread() {
    keyringThread->quit();
    keyringThread->wait(QDeadlineTimer(1000));
}

// An object on the keyring thread, where the QtKeychain jobs are made and run. The thread is
// never destroyed: QThread's destructor would wait for a job stuck on the bus.
QObject* keyringHome() {
    static QObject* const home = [] {
        keyringThread = new QThread;
        keyringThread->setObjectName(QStringLiteral("keyring"));
        auto* object = new QObject;
        object->moveToThread(keyringThread);
        keyringThread->start();
        qAddPostRoutine(stopKeyringThread);
        return object;
    }();
    return home;
}

}  // namespace

struct PasswordStore::Mailbox {
    std::mutex mutex;
    PasswordStore* store = nullptr;  // null once the store is gone
};

PasswordStore::PasswordStore(QObject* parent) : QObject(parent), mailbox_(std::make_shared<Mailbox>()) {
    mailbox_->store = this;
}

PasswordStore::~PasswordStore() {
    const std::lock_guard lock(mailbox_->mutex);
    mailbox_->store = nullptr;
}

QString PasswordStore::rconKey(const QString& host, quint16 port) {
    return QStringLiteral("rcon/") + host + u':' + QString::number(port);
}

void PasswordStore::read(const QString& host, quint16 port, QObject* context, Callback done) {
    start(Kind::Read, rconKey(host, port), {}, context, std::move(done));
}

void PasswordStore::write(const QString& host, quint16 port, const QString& password, QObject* context, Callback done) {
    start(Kind::Write, rconKey(host, port), password, context, std::move(done));
}

void PasswordStore::remove(const QString& host, quint16 port, QObject* context, Callback done) {
    start(Kind::Remove, rconKey(host, port), {}, context, std::move(done));
}

void PasswordStore::read(const QString& key, QObject* context, Callback done) {
    start(Kind::Read, key, {}, context, std::move(done));
}

void PasswordStore::write(const QString& key, const QString& secret, QObject* context, Callback done) {
    start(Kind::Write, key, secret, context, std::move(done));
}

void PasswordStore::remove(const QString& key, QObject* context, Callback done) {
    start(Kind::Remove, key, {}, context, std::move(done));
}

void PasswordStore::start(Kind kind, const QString& key, const QString& password, QObject* context, Callback done) {
    const int request = ++lastRequest_;
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, [this, request] {
        complete(request, {QStringLiteral("no-keyring"),
                           QStringLiteral("密钥环在 %1 秒内没有回答，密码没有读取或保存；下次连接时需要重新输入密码")
                               .arg(timeoutMs_ / 1000.0, 0, 'g', 3),
                           {}});
    });
    waiting_[request] = {context, context != nullptr, std::move(done), timer};
    timer->start(timeoutMs_);

    QMetaObject::invokeMethod(
        keyringHome(),
        [mailbox = mailbox_, request, kind, key, password] {
            QKeychain::Job* job = nullptr;
            if (kind == Kind::Read) {
                job = new QKeychain::ReadPasswordJob(kService);
            } else if (kind == Kind::Write) {
                auto* writeJob = new QKeychain::WritePasswordJob(kService);
                writeJob->setTextData(password);
                job = writeJob;
            } else {
                job = new QKeychain::DeletePasswordJob(kService);
            }
            job->setKey(key);
            job->setInsecureFallback(false);  // never a plain settings file
            job->setAutoDelete(true);
            QObject::connect(job, &QKeychain::Job::finished, job, [mailbox, request, kind](QKeychain::Job* finished) {
                const int error = finished->error();
                const QString text = finished->errorString();
                QString secret;
                if (kind == Kind::Read && error == QKeychain::NoError)
                    secret = static_cast<QKeychain::ReadPasswordJob*>(finished)->textData();
                const std::lock_guard lock(mailbox->mutex);
                PasswordStore* store = mailbox->store;
                if (store == nullptr) return;
                QMetaObject::invokeMethod(
                    store,
                    [store, request, kind, error, text, secret] {
                        store->finished(request, kind, error, text, secret);
                    },
                    Qt::QueuedConnection);
            });
            job->start();
        },
        Qt::QueuedConnection);
}

void PasswordStore::finished(int request, Kind kind, int error, const QString& errorText, const QString& password) {
    KeyringResult result;
    switch (error) {
    case QKeychain::NoError: result.password = password; break;
    case QKeychain::EntryNotFound:
        // Nothing to remove is what remove wanted.
        if (kind != Kind::Remove)
            result = {QStringLiteral("not-found"), QStringLiteral("密钥环里没有这台服务器的密码，请输入密码"), {}};
        break;
    case QKeychain::AccessDenied:
    case QKeychain::AccessDeniedByUser:
        result = {
            QStringLiteral("denied"), QStringLiteral("密钥环拒绝了访问（可能已锁定或被取消）；密码需要手动输入"), {}};
        break;
    case QKeychain::CouldNotDeleteEntry:
        result = {QStringLiteral("failed"), QStringLiteral("密钥环没能删除保存的密码（%1）").arg(errorText), {}};
        break;
    default: {
        // No Secret Service or KWallet on the session bus, or no session bus at all: QtKeychain
        // then reports NoBackendAvailable or, without a bus, an "Unknown error".
        const QString what = kind == Kind::Read ? QStringLiteral("没有读取保存的密码，请输入密码")
                             : kind == Kind::Write ? QStringLiteral("密码没有保存，下次连接时需要重新输入")
                                                   : QStringLiteral("没有可删除的密码");
        // The library's own words are English and, without a bus, only "Unknown error": said
        // in the interface's language instead, with the library's text only where it says more.
        const bool generic =
            errorText.isEmpty() || errorText.contains(QStringLiteral("Unknown error"), Qt::CaseInsensitive);
        const QString why = error == QKeychain::NoBackendAvailable ? QStringLiteral("没有运行中的密钥环服务")
                            : generic ? QStringLiteral("没有可用的会话总线或密钥环服务")
                                      : QStringLiteral("密钥环报告：%1").arg(errorText);
        result = {QStringLiteral("no-keyring"),
                  QStringLiteral("这台电脑上没有可用的密钥环（Secret Service 或 KWallet）：%1。%2").arg(what, why),
                  {}};
        break;
    }
    }
    complete(request, result);
}

void PasswordStore::complete(int request, const KeyringResult& result) {
    const auto found = waiting_.find(request);
    if (found == waiting_.end()) return;  // already answered: the keyring came after the time limit
    Waiting waiting = std::move(found->second);
    waiting_.erase(found);
    waiting.timer->deleteLater();
    if (waiting.guarded && waiting.context.isNull()) return;
    if (waiting.done) waiting.done(result);
}

}  // namespace rcon
