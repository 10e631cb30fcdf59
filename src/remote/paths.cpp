#include "remote/paths.h"

#include <QByteArrayList>
#include <QUtf8StringView>

#include "storage/text_codec.h"

namespace remote {

QByteArray joinPath(const QByteArray& folder, const QByteArray& path) {
    const QByteArray whole = path.startsWith('/') || folder.isEmpty() ? path : folder + '/' + path;
    const bool absolute = whole.startsWith('/');
    QByteArrayList names;
    for (const QByteArray& name : whole.split('/')) {
        if (name.isEmpty() || name == ".") continue;
        if (name == ".." && !names.isEmpty() && names.last() != "..") {
            names.removeLast();
        } else if (name == ".." && absolute) {
            continue;  // above "/" is "/"
        } else {
            names.append(name);
        }
    }
    const QByteArray joined = names.join('/');
    if (absolute) return '/' + joined;
    return joined.isEmpty() ? QByteArray(".") : joined;
}

QByteArray parentPath(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return {};
    return slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray fileName(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

QString displayName(const QByteArray& bytes) {
    if (QUtf8StringView(bytes).isValidUtf8()) return QString::fromUtf8(bytes);
    return storage::decodeText(bytes, storage::Encoding::Gbk).text;
}

}  // namespace remote
