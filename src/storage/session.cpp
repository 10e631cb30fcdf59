#include "storage/session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QStandardPaths>

namespace storage {

namespace {

// What a session file may hold at most: three full panels and the fields.
constexpr qint64 kMaxSessionBytes = 4 * kMaxFileBytes;

struct Parsed {
    bool exists = false;
    QJsonObject session;
    QString problem;  // why an existing file is not a session, e.g. "第 12 个字节处出错"
    QByteArray bytes;
};

bool present(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

Parsed parse(const QString& path) {
    Parsed parsed;
    parsed.exists = present(path);
    if (!parsed.exists) return parsed;
    ReadResult read = readFile(path, kMaxSessionBytes);
    if (!read.ok()) {
        parsed.problem = read.error;
        return parsed;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(read.bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        parsed.problem = QStringLiteral("第 %1 个字节处出错").arg(error.offset);
    } else if (!document.isObject()) {
        parsed.problem = QStringLiteral("内容不是一个 JSON 对象");
    } else {
        parsed.session = document.object();
    }
    parsed.bytes = std::move(read.bytes);
    return parsed;
}

// Renames a damaged file out of the way of the next save: NAME.damaged, NAME.damaged-2, ...
// The new name, empty when it could not be renamed.
QString setAside(const QString& path) {
    for (int n = 1; n < 100; ++n) {
        const QString aside = path + QStringLiteral(".damaged") + (n == 1 ? QString() : QStringLiteral("-%1").arg(n));
        if (present(aside)) continue;
        return QFile::rename(path, aside) ? aside : QString();
    }
    return {};
}

// "已改名为 session.json.damaged 保留" when the file was set aside.
QString keptAs(const QString& aside) {
    return aside.isEmpty() ? QString() : QStringLiteral("，已改名为 %1 保留").arg(QFileInfo(aside).fileName());
}

// session.json -> session-2.json
QString numbered(const QString& path, int n) {
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString name = suffix.isEmpty() ? info.fileName() + QStringLiteral("-%1").arg(n)
                                          : info.completeBaseName() + QStringLiteral("-%1.").arg(n) + suffix;
    return info.dir().filePath(name);
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
    // Rotating only a readable latest keeps a good fallback when the latest is damaged. The
    // latest becomes the fallback only once the new session is written whole beside it.
    const Parsed latest = parse(path);
    const bool rotate = latest.exists && latest.problem.isEmpty();
    return writeFileAtomically(
        path, bytes,
        WriteOptions{.backup = rotate ? Backup::Move : Backup::None, .backupPath = previousSessionPath(path)});
}

LoadedSession loadSession(const QString& path) {
    LoadedSession loaded;
    const Parsed latest = parse(path);
    if (latest.exists && latest.problem.isEmpty()) {
        loaded.session = latest.session;
        loaded.source = SessionSource::Latest;
        return loaded;
    }
    const QString shown = QDir::toNativeSeparators(path);
    // A damaged latest goes out of the way, so that no save replaces it.
    const QString latestAside = latest.exists ? setAside(path) : QString();
    const QString previousPath = previousSessionPath(path);
    const Parsed previous = parse(previousPath);
    if (previous.exists && previous.problem.isEmpty()) {
        loaded.session = previous.session;
        loaded.source = SessionSource::Previous;
        // A missing latest with a fallback is an interrupted save: nothing to tell.
        if (latest.exists) {
            loaded.warning = QStringLiteral("会话文件已损坏（%1）%2：%3；已改用上一次保存的会话。")
                                 .arg(latest.problem, keptAs(latestAside), shown);
        }
        return loaded;
    }
    if (latest.exists) {
        loaded.warning =
            QStringLiteral("会话文件已损坏（%1），无法恢复%2：%3").arg(latest.problem, keptAs(latestAside), shown);
    } else if (previous.exists) {
        const QString aside = setAside(previousPath);
        loaded.warning = QStringLiteral("会话文件已损坏（%1），无法恢复%2：%3")
                             .arg(previous.problem, keptAs(aside), QDir::toNativeSeparators(previousPath));
    }
    return loaded;
}

SessionFileKind sessionFileKind(const QString& path, QLatin1StringView format) {
    if (!present(path)) return SessionFileKind::Missing;
    const QFileInfo info(path);
    if (!info.isFile()) return SessionFileKind::Foreign;  // a folder, a pipe, a device, a dangling link
    if (info.size() == 0) return SessionFileKind::Missing;
    const Parsed parsed = parse(path);
    if (parsed.problem.isEmpty())
        return parsed.session.value(QStringLiteral("format")).toString() == format ? SessionFileKind::Session
                                                                                   : SessionFileKind::Foreign;
    // A session cut short or garbled still names its format near its start.
    const QByteArray mark = "\"format\": \"" + QByteArray(format.data(), format.size()) + '"';
    return parsed.bytes.contains(mark) ? SessionFileKind::Damaged : SessionFileKind::Foreign;
}

ClaimedSession claimSession(const QString& path, QLatin1StringView format) {
    ClaimedSession claimed;
    for (const QString& file : {path, previousSessionPath(path)}) {
        if (sessionFileKind(file, format) == SessionFileKind::Foreign) {
            claimed.error = QStringLiteral("这不是本编辑器的会话文件，不会用它保存会话（请换一个文件名）：%1")
                                .arg(QDir::toNativeSeparators(file));
            return claimed;
        }
    }
    const auto tryClaim = [&](const QString& candidate) {
        auto lock = std::make_shared<QLockFile>(candidate + QStringLiteral(".lock"));
        // Only a lock whose editor is gone is stale, however long the holder has run.
        lock->setStaleLockTime(0);
        if (lock->tryLock(0)) {
            claimed.path = candidate;
            claimed.lock = std::move(lock);
            return true;
        }
        // A folder where no lock can be made: the session's own writes will say why.
        if (lock->error() != QLockFile::LockFailedError) {
            claimed.path = candidate;
            return true;
        }
        return false;
    };
    if (tryClaim(path)) return claimed;
    const QString shown = QDir::toNativeSeparators(path);
    for (int n = 2; n < 100; ++n) {
        const QString own = numbered(path, n);
        if (sessionFileKind(own, format) == SessionFileKind::Foreign ||
            sessionFileKind(previousSessionPath(own), format) == SessionFileKind::Foreign)
            continue;
        if (tryClaim(own)) {
            claimed.notice = QStringLiteral("另一个编辑器正在使用会话 %1；这个编辑器的会话保存在 %2。")
                                 .arg(shown, QDir::toNativeSeparators(own));
            return claimed;
        }
    }
    claimed.notice = QStringLiteral("另一个编辑器正在使用会话 %1；这次不保存会话。").arg(shown);
    return claimed;
}

}  // namespace storage
