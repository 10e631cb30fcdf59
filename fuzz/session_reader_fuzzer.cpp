// libFuzzer target for the session reader, fed whatever a session file on disk may hold (the
// user's data folder is anyone's to write into, and a --session file anything). Whatever the
// bytes:
//   - reading the JSON into a session's content never crashes, overflows or allocates without
//     bound;
//   - every window place it yields lies on one of the screens, no larger than the largest
//     screen unless the window's minimum is, and each value fits the int it becomes.
// Qt Core itself is not instrumented; the reader and the placement are.
#include <QJsonDocument>
#include <QList>
#include <QRect>

#include <cstdint>
#include <cstdlib>

#include "storage/session_reader.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

const QList<QRect> kScreens{QRect(0, 0, 1920, 1040), QRect(1920, -200, 1280, 1024), QRect(-1600, 0, 1600, 900)};
const QSize kMinimum(640, 480);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    const std::optional<storage::SessionContent> content =
        storage::readSessionContent(document.object(), QLatin1StringView("quorvel-editor-session"));
    if (!content) return 0;
    for (const storage::SessionWindow& window : content->windows) {
        require(window.page >= -1 && window.page <= 1000);
        const std::optional<QRect> place = storage::placeOnScreens(window, kScreens, kMinimum);
        if (!place) continue;
        require(place->width() >= kMinimum.width() && place->height() >= kMinimum.height());
        require(place->width() <= 1920 && place->height() <= 1040);
        bool onAScreen = false;
        for (const QRect& screen : kScreens) onAScreen = onAScreen || screen.contains(*place);
        require(onAScreen);
    }
    for (const storage::SessionDocument& file : content->documents)
        require(!file.path.isEmpty() && file.stamp.size >= 0);
    return 0;
}
