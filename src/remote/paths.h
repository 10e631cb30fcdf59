// Paths on the server as the SFTP protocol has them: bytes, '/' between names, in whatever
// encoding the server's files were named with. Joined and cut here; shown to the user as UTF-8,
// else as GBK (the other encoding Chinese servers' names come in).
#pragma once

#include <QByteArray>
#include <QString>

namespace remote {

// path against folder: path itself when absolute, else folder/path; "." and ".." worked out by
// name ("/a/b/../c" -> "/a/c", never above "/"), doubled slashes made one, no slash at the end.
// A relative path with an empty folder stays relative (the server takes it from the login folder);
// an empty path is the folder.
QByteArray joinPath(const QByteArray& folder, const QByteArray& path);

// "/srv/a/b.yml" -> "/srv/a"; "/b.yml" -> "/"; "b.yml" -> "".
QByteArray parentPath(const QByteArray& path);
// "/srv/a/b.yml" -> "b.yml".
QByteArray fileName(const QByteArray& path);

// A name or path for the user: UTF-8 when its bytes are valid UTF-8, else GBK.
QString displayName(const QByteArray& bytes);

}  // namespace remote
