// The editor's session (what was built, so that nothing is lost on a crash) kept as JSON
// in the user's data folder: each save replaces the file atomically and keeps the one
// before it as a fallback, so some whole session always loads.
#pragma once

#include "storage/safe_write.h"

#include <QJsonObject>
#include <QLatin1StringView>
#include <QLockFile>
#include <QString>
#include <memory>

namespace storage {

// The editor's data folder (QStandardPaths::AppDataLocation, under XDG_DATA_HOME on
// Linux), created when missing. If it cannot be created the path is still returned and
// the first write reports why; empty only when the system names no such place.
QString dataFolder();

// dataFolder()/session.json; empty with dataFolder() (saving then reports it).
QString sessionFilePath();

// Where the session before the latest is kept: "session.json" -> "session.json.prev".
QString previousSessionPath(const QString& path);

// Writes the session. When the file there holds a readable session it becomes
// previousSessionPath(path) once the new one is written whole. At every moment one of the two
// files holds a whole session, so a crash or kill loses at most this write; a write that fails
// (a full disk, a read-only folder) changes neither.
WriteResult saveSession(const QString& path, const QJsonObject& session);

enum class SessionSource {
    None,      // nothing usable: a first start, or both files damaged
    Latest,    // path
    Previous,  // previousSessionPath(path): the latest is missing or damaged
};

struct LoadedSession {
    QJsonObject session;
    SessionSource source = SessionSource::None;
    // Empty when the latest session loaded or there was none to load; otherwise e.g.
    // "会话文件已损坏（第 12 个字节处出错），已改名为 session.json.damaged 保留：PATH；
    // 已改用上一次保存的会话。".
    QString warning;
};

// Loads the latest readable session. Never throws or crashes on damaged files: a damaged file
// is renamed to NAME.damaged (NAME.damaged-2, ...) so that the next save cannot replace it, and
// the warning says where it went.
LoadedSession loadSession(const QString& path);

// What the file at a session path is.
enum class SessionFileKind {
    Missing,  // nothing there, or an empty file
    Session,  // a JSON object whose "format" is the one asked for
    Damaged,  // names the format but cannot be read: set aside on loading
    Foreign,  // anything else (a server's YAML file, other JSON): never to be overwritten
};
SessionFileKind sessionFileKind(const QString& path, QLatin1StringView format);

// The session file one editor holds (a lock file beside it, NAME.lock, which a killed editor
// leaves stale and the next start takes over).
struct ClaimedSession {
    QString path;   // the session to keep; empty: none (error says why, or every name is held)
    QString error;  // the path asked for is not a session: the editor must not start on it
    // Another editor holds the session asked for: this one keeps its own beside it, e.g.
    // "另一个编辑器正在使用会话 PATH；这个编辑器的会话保存在 OTHER。".
    QString notice;
    std::shared_ptr<QLockFile> lock;
};

// Claims the session at path, of the given format: a file that is no such session is refused,
// and one held by another editor gives way to NAME-2.EXT, NAME-3.EXT, ... of this editor's own.
ClaimedSession claimSession(const QString& path, QLatin1StringView format);

}  // namespace storage
