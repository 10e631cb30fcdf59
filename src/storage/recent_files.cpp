#include "storage/recent_files.h"

#include "storage/session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace storage {

namespace {

// A server's file as the list keeps it: "lobby:/srv/.../sockets.yml" (a local path is absolute).
bool isServerLink(const QString& entry) {
    const qsizetype colon = entry.indexOf(QStringLiteral(":/"));
    return colon > 0 && !entry.startsWith(u'/');
}

QString normalised(const QString& path) {
    if (isServerLink(path)) return path;
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();  // empty when missing
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// Normalised, first mention kept, cut to the maximum.
QStringList tidied(const QStringList& list) {
    QStringList out;
    for (const QString& path : list) {
        if (path.isEmpty()) continue;
        const QString clean = normalised(path);
        if (!out.contains(clean)) out.append(clean);
        if (out.size() == kMaxRecentFiles) break;
    }
    return out;
}

}  // namespace

QString recentFilesPath() {
    const QString folder = dataFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/recent.json");
}

QStringList withRecentFile(const QStringList& list, const QString& path) {
    QStringList out = list;
    out.prepend(path);
    return tidied(out);
}

QStringList loadRecentFiles(const QString& store) {
    QFile file(store);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QJsonObject stored = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonArray files = stored.value("files").toArray();
    QStringList existing;
    for (const auto& value : files) {
        const QString path = value.toString();
        // A server's file cannot be looked at without connecting: it stays.
        if (!path.isEmpty() && (isServerLink(path) || QFileInfo(path).isFile())) existing.append(path);
    }
    return tidied(existing);
}

WriteResult saveRecentFiles(const QString& store, const QStringList& list) {
    const QJsonObject object{{"files", QJsonArray::fromStringList(tidied(list))}};
    return writeFileAtomically(store, QJsonDocument(object).toJson(), Backup::None);
}

WriteResult rememberRecentFile(const QString& store, const QString& path) {
    return saveRecentFiles(store, withRecentFile(loadRecentFiles(store), path));
}

}  // namespace storage
