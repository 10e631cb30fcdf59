// The editor's session (what was built, so that nothing is lost on a crash) kept as JSON
// in the user's data folder: each save replaces the file atomically and keeps the one
// before it as a fallback, so some whole session always loads.
#pragma once

#include "storage/safe_write.h"

#include <QJsonObject>
#include <QString>

namespace storage {

// The editor's data folder (QStandardPaths::AppDataLocation, under XDG_DATA_HOME on
// Linux), created when missing. If it cannot be created the path is still returned and
// the first write reports why; empty only when the system names no such place.
QString dataFolder();

// dataFolder()/session.json; empty with dataFolder() (saving then reports it).
QString sessionFilePath();

// Where the session before the latest is kept: "session.json" -> "session.json.prev".
QString previousSessionPath(const QString& path);

// Writes the session. When the file there holds a readable session it first becomes
// previousSessionPath(path). At every moment one of the two files holds a whole session,
// so a crash or kill loses at most this write.
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
    // "会话文件已损坏（第 12 个字节处出错），已改用上一次保存的会话：PATH".
    QString warning;
};

// Loads the latest readable session. Never throws or crashes on damaged files.
LoadedSession loadSession(const QString& path);

}  // namespace storage
