#include "storage/session_reader.h"

#include <QJsonArray>
#include <QJsonValue>

#include <algorithm>
#include <cmath>

namespace storage {

namespace {

constexpr qsizetype kMaxDockState = qsizetype{16} * 1024;

// A whole number the file holds, within the range doubles carry exactly.
std::optional<qint64> integer(const QJsonValue& value) {
    if (!value.isDouble()) return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number || std::abs(number) > 9.0e15) return std::nullopt;
    return static_cast<qint64>(number);
}

std::optional<std::pair<qint64, qint64>> pairOf(const QJsonObject& object, const char* first, const char* second) {
    const std::optional<qint64> a = integer(object.value(QLatin1String(first)));
    const std::optional<qint64> b = integer(object.value(QLatin1String(second)));
    if (!a || !b) return std::nullopt;
    return std::pair{*a, *b};
}

std::optional<quint32> windowId(const QJsonValue& value) {
    const QString text = value.toString();
    if (!text.startsWith(QLatin1String("0x")) || text.size() > 10) return std::nullopt;
    bool hex = false;
    const uint id = QStringView(text).mid(2).toUInt(&hex, 16);
    return hex ? std::optional<quint32>(id) : std::nullopt;
}

SessionWindow windowOf(const QJsonObject& saved, quint32 id) {
    SessionWindow window;
    window.id = id;
    window.position = pairOf(saved, "x", "y");
    window.size = pairOf(saved, "width", "height");
    if (const std::optional<qint64> page = integer(saved.value(QLatin1String("page"))); page && *page >= 0)
        window.page = static_cast<int>(std::min<qint64>(*page, 1000));
    const QJsonObject texts = saved.value(QLatin1String("texts")).toObject();
    for (auto it = texts.begin(); it != texts.end(); ++it)
        if (it.value().isString()) window.texts.append({it.key(), it.value().toString()});
    const QJsonObject selections = saved.value(QLatin1String("selections")).toObject();
    for (auto it = selections.begin(); it != selections.end(); ++it)
        if (const std::optional<qint64> index = integer(it.value())) window.selections.append({it.key(), *index});
    // Base64 of a few hundred bytes; anything else is no dock state of this editor's.
    const QString docks = saved.value(QLatin1String("docks")).toString();
    if (!docks.isEmpty() && docks.size() <= kMaxDockState) {
        const auto decoded = QByteArray::fromBase64Encoding(docks.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (decoded) window.docks = *decoded;
    }
    return window;
}

// The longest profile name a session may name (servers.json's own limit).
constexpr qsizetype kMaxPlace = 100;

SessionDocument documentOf(const QString& panel, const QJsonObject& saved) {
    SessionDocument document;
    document.panel = panel;
    document.path = saved.value(QLatin1String("path")).toString();
    // A server's file: its profile's name, as servers.json has it (a name, never a secret).
    const QString place = saved.value(QLatin1String("place")).toString();
    if (place.size() <= kMaxPlace &&
        std::none_of(place.begin(), place.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }))
        document.place = place;
    document.format.encoding =
        encodingNamed(saved.value(QLatin1String("encoding")).toString()).value_or(Encoding::Utf8);
    document.format.bom = saved.value(QLatin1String("bom")).toBool() && document.format.encoding == Encoding::Utf8;
    document.format.lineEnd = lineEndNamed(saved.value(QLatin1String("lineEnd")).toString()).value_or(LineEnd::CrLf);
    document.stamp.exists = saved.value(QLatin1String("exists")).toBool();
    document.stamp.size = std::max<qint64>(0, integer(saved.value(QLatin1String("size"))).value_or(0));
    document.stamp.modified = QDateTime::fromMSecsSinceEpoch(
        std::clamp<qint64>(integer(saved.value(QLatin1String("modified"))).value_or(0), 0, qint64{1} << 50));
    document.stamp.hash = QByteArray::fromHex(saved.value(QLatin1String("hash")).toString().toLatin1());
    document.lostBytes = saved.value(QLatin1String("lostBytes")).toBool();
    document.unsaved = saved.value(QLatin1String("unsaved")).toBool();
    for (const QJsonValue change : saved.value(QLatin1String("quietChanges")).toArray())
        if (change.isString()) document.quietChanges << change.toString();
    return document;
}

qint64 overlap(qint64 start, qint64 length, qint64 screenStart, qint64 screenLength) {
    return std::max<qint64>(0, std::min(start + length, screenStart + screenLength) - std::max(start, screenStart));
}

}  // namespace

std::optional<SessionContent> readSessionContent(const QJsonObject& session, QLatin1StringView format) {
    if (session.value(QLatin1String("format")).toString() != format) return std::nullopt;
    SessionContent content;
    for (const QJsonValue value : session.value(QLatin1String("windows")).toArray()) {
        const QJsonObject saved = value.toObject();
        if (const std::optional<quint32> id = windowId(saved.value(QLatin1String("id"))))
            content.windows.append(windowOf(saved, *id));
    }
    const QJsonObject files = session.value(QLatin1String("files")).toObject();
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QJsonObject saved = it.value().toObject();
        if (!saved.value(QLatin1String("path")).toString().isEmpty())
            content.documents.append(documentOf(it.key(), saved));
    }
    return content;
}

std::optional<QRect> placeOnScreens(const SessionWindow& window, const QList<QRect>& screens, QSize minimum) {
    if (!window.position || !window.size || screens.isEmpty()) return std::nullopt;
    const auto [x, y] = *window.position;
    const auto [width, height] = *window.size;
    if (width <= 0 || height <= 0) return std::nullopt;
    // The screen the saved place overlapped most, in 64 bits: the saved numbers may be anything.
    const QRect* best = nullptr;
    qint64 bestArea = 0;
    for (const QRect& screen : screens) {
        const qint64 area =
            overlap(x, width, screen.x(), screen.width()) * overlap(y, height, screen.y(), screen.height());
        if (area > bestArea) {
            best = &screen;
            bestArea = area;
        }
    }
    if (best == nullptr) return std::nullopt;
    qint64 largestWidth = 0;
    qint64 largestHeight = 0;
    for (const QRect& screen : screens) {
        largestWidth = std::max<qint64>(largestWidth, screen.width());
        largestHeight = std::max<qint64>(largestHeight, screen.height());
    }
    // Never smaller than the window can be, never larger than the screen it goes on.
    const qint64 w = std::max<qint64>(std::min<qint64>({width, best->width(), largestWidth}), minimum.width());
    const qint64 h = std::max<qint64>(std::min<qint64>({height, best->height(), largestHeight}), minimum.height());
    const qint64 left =
        std::clamp<qint64>(x, best->x(), std::max<qint64>(best->x(), qint64{best->x()} + best->width() - w));
    const qint64 top =
        std::clamp<qint64>(y, best->y(), std::max<qint64>(best->y(), qint64{best->y()} + best->height() - h));
    return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(w), static_cast<int>(h));
}

}  // namespace storage
