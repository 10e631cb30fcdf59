#include "documents/location.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <algorithm>
#include <string_view>

#include "documents/document.h"
#include "storage/text_codec.h"
#include "text/utf8.h"

namespace documents {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isEscape(QChar c) { return c.unicode() >= kEscapeBase + 0x80 && c.unicode() <= kEscapeBase + 0xFF; }

}  // namespace

QString serverPathText(QByteArrayView bytes) {
    const std::string_view view(bytes.data(), static_cast<std::size_t>(bytes.size()));
    QString text;
    text.reserve(bytes.size());
    std::size_t at = 0;
    while (at < view.size()) {
        char32_t cp = 0;
        const text::utf8::Sequence sequence = text::utf8::scan(view, at, &cp);
        if (sequence.valid) {
            text.append(QString::fromUcs4(&cp, 1));
        } else {
            for (std::size_t i = 0; i < sequence.length; ++i)
                text.append(QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(view[at + i]))));
        }
        at += sequence.length;
    }
    return text;
}

QByteArray serverPathBytes(const QString& text) {
    QByteArray bytes;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isEscape(text[i])) continue;
        bytes += QStringView(text).sliced(start, i - start).toUtf8();
        if (i < text.size()) bytes += static_cast<char>(text[i].unicode() - kEscapeBase);
        start = i + 1;
    }
    return bytes;
}

QString shownServerPath(const QString& path) {
    if (std::none_of(path.begin(), path.end(), isEscape)) return path;
    return storage::decodeText(serverPathBytes(path), storage::Encoding::Gbk).text;
}

QString shownLocation(const QString& place, const QString& path) {
    return place.isEmpty() ? shown(path) : place + u':' + shownServerPath(path);
}

bool sameLocation(const QString& placeA, const QString& pathA, const QString& placeB, const QString& pathB) {
    if (placeA != placeB) return false;
    if (placeA.isEmpty()) return sameFile(pathA, pathB);
    return !pathA.isEmpty() && pathA == pathB;
}

QString serverLink(const QString& place, const QString& path) { return place + u':' + path; }

std::optional<Location> parseServerLink(const QString& link) {
    const qsizetype colon = link.indexOf(QStringLiteral(":/"));
    if (colon <= 0 || link.startsWith(u'/')) return std::nullopt;
    return Location{link.left(colon), link.mid(colon + 1)};
}

QByteArray contentHash(QByteArrayView bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1); }

storage::FileStamp serverStamp(QByteArrayView bytes, qint64 mtime) {
    storage::FileStamp stamp;
    stamp.exists = true;
    stamp.size = bytes.size();
    stamp.modified = QDateTime::fromSecsSinceEpoch(mtime);
    stamp.hash = contentHash(bytes);
    return stamp;
}

}  // namespace documents
