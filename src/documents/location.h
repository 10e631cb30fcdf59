// Where a document's file is: a path on this computer, or a file on a server of a profile. A
// server's path is bytes in whatever encoding the server's files were named with; a document
// holds it as text that gives back those very bytes (serverPathText), and shows it to the user as
// "lobby:/srv/lobby/plugins/Quorvel/sockets.yml", its name read as UTF-8, else as GBK.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

#include "storage/file_stamp.h"

namespace documents {

// A server path's bytes as text, losslessly: valid UTF-8 as its characters, every other byte b
// as the lone surrogate U+DC00+b (which no valid UTF-8 gives), so serverPathBytes undoes it.
QString serverPathText(QByteArrayView bytes);
QByteArray serverPathBytes(const QString& text);

// The server path for the user: its bytes read as UTF-8 where they are valid UTF-8, else as GBK.
QString shownServerPath(const QString& path);
// A file for the user: a local path in the system's form, a server's as "lobby:/srv/.../x.yml".
QString shownLocation(const QString& place, const QString& path);

// Whether two locations name one file: the same profile and path on a server, or paths that
// name one file on this computer (documents::sameFile).
bool sameLocation(const QString& placeA, const QString& pathA, const QString& placeB, const QString& pathB);

// A server's file as the recent list and the session keep it: "lobby:" and the path's text
// (lone surrogates and all); never a secret.
QString serverLink(const QString& place, const QString& path);
// Where a file is: place names the server profile (empty: this computer), path the file there.
struct Location {
    QString place;
    QString path;

    bool onServer() const { return !place.isEmpty(); }
    bool operator==(const Location&) const = default;
};
// The profile and path of a link; nullopt for anything else (a local path starts with "/").
std::optional<Location> parseServerLink(const QString& link);

// The stamp of a server's file whose bytes are known (just read or written): its size, its time
// (seconds since 1970, as SFTP gives it) and their SHA-1.
storage::FileStamp serverStamp(QByteArrayView bytes, qint64 mtime);
QByteArray contentHash(QByteArrayView bytes);

}  // namespace documents
