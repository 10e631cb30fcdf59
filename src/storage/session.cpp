#include "storage/session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QStandardPaths>

namespace storage {

namespace {

struct Parsed {
    bool exists = false;
    QJsonObject session;
    QString problem;  // why an existing file is not a session, e.g. "第 12 个字节处出错"
};

Parsed parse(const QString& path) {
    Parsed parsed;
    QFile file(path);
    parsed.exists = QFileInfo(path).isFile();
    if (!parsed.exists) return parsed;
    if (!file.open(QIODevice::ReadOnly)) {
        parsed.problem = file.errorString();
        return parsed;
    }
    const QByteArray bytes = file.readAll();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        parsed.problem = QStringLiteral("第 %1 个字节处出错").arg(error.offset);
    } else if (!document.isObject()) {
        parsed.problem = QStringLiteral("内容不是一个 JSON 对象");
    } else {
        parsed.session = document.object();
    }
    return parsed;
}

}  // namespace

QString dataFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!folder.isEmpty()) QDir().mkpath(folder);
    return folder;
}

QString sessionFilePath() {
    const QString folder = dataFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/session.json");
}

QString previousSessionPath(const QString& path) { return path + QStringLiteral(".prev"); }

WriteResult saveSession(const QString& path, const QJsonObject& session) {
    const QByteArray bytes = QJsonDocument(session).toJson(QJsonDocument::Indented);
    // Rotating only a readable latest keeps a good fallback when the latest is damaged.
    // Between the rename and the write below only the fallback exists, and it is whole.
    const Parsed latest = parse(path);
    if (latest.exists && latest.problem.isEmpty()) {
        const QString previous = previousSessionPath(path);
        QFile::remove(previous);
        // Should the rename fail, the write below is still atomic; only the fallback is lost.
        QFile::rename(path, previous);
    }
    return writeFileAtomically(path, bytes, Backup::None);
}

LoadedSession loadSession(const QString& path) {
    LoadedSession loaded;
    const Parsed latest = parse(path);
    if (latest.exists && latest.problem.isEmpty()) {
        loaded.session = latest.session;
        loaded.source = SessionSource::Latest;
        return loaded;
    }
    const Parsed previous = parse(previousSessionPath(path));
    const QString shown = QDir::toNativeSeparators(path);
    if (previous.exists && previous.problem.isEmpty()) {
        loaded.session = previous.session;
        loaded.source = SessionSource::Previous;
        // A missing latest with a fallback is an interrupted save: nothing to tell.
        if (latest.exists) {
            loaded.warning =
                QStringLiteral("会话文件已损坏（%1），已改用上一次保存的会话：%2").arg(latest.problem, shown);
        }
        return loaded;
    }
    if (latest.exists) {
        loaded.warning = QStringLiteral("会话文件已损坏（%1），无法恢复：%2").arg(latest.problem, shown);
    } else if (previous.exists) {
        loaded.warning = QStringLiteral("会话文件已损坏（%1），无法恢复：%2")
                             .arg(previous.problem, QDir::toNativeSeparators(previousSessionPath(path)));
    }
    return loaded;
}

}  // namespace storage
