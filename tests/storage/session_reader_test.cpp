#include "storage/session_reader.h"

#include "scratch.h"

#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonDocument>

#include <climits>
#include <optional>

namespace {

using storage::placeOnScreens;
using storage::SessionWindow;

const QLatin1StringView kFormat("quorvel-editor-session");
const QList<QRect> kScreens{QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 1024)};
const QSize kMinimum(400, 300);

SessionWindow saved(qint64 x, qint64 y, qint64 width, qint64 height) {
    SessionWindow window;
    window.position = std::pair{x, y};
    window.size = std::pair{width, height};
    return window;
}

// Every place a session can name becomes one on a screen that exists now, never larger than
// that screen: a width of 100,000 once made every start paint a window too large to allocate.
TEST(SessionReaderTest, FitsEverySavedPlaceToTheScreens) {
    EXPECT_EQ(placeOnScreens(saved(100, 50, 800, 600), kScreens, kMinimum), QRect(100, 50, 800, 600));
    EXPECT_EQ(placeOnScreens(saved(2000, 10, 800, 600), kScreens, kMinimum), QRect(2000, 10, 800, 600));
    EXPECT_EQ(placeOnScreens(saved(100, 50, 100000, 100000), kScreens, kMinimum), QRect(0, 0, 1920, 1040));
    EXPECT_EQ(placeOnScreens(saved(1800, 900, 800, 600), kScreens, kMinimum),
              QRect(1920, 424, 800, 600));  // mostly on the second
    EXPECT_EQ(placeOnScreens(saved(10, 10, 50, 20), kScreens, kMinimum), QRect(10, 10, 400, 300));
    EXPECT_EQ(placeOnScreens(saved(INT_MAX - 10, 0, 800, 600), kScreens, kMinimum), std::nullopt);
    EXPECT_EQ(placeOnScreens(saved(-5000, -5000, 800, 600), kScreens, kMinimum), std::nullopt);
    EXPECT_EQ(placeOnScreens(saved(INT_MIN, INT_MIN, INT_MAX, INT_MAX), kScreens, kMinimum), std::nullopt);
    EXPECT_EQ(placeOnScreens(saved(-(qint64{1} << 40), 0, qint64{1} << 41, 500), kScreens, kMinimum),
              QRect(0, 0, 1920, 500));
    EXPECT_EQ(placeOnScreens(saved(0, 0, 0, 600), kScreens, kMinimum), std::nullopt);
    EXPECT_EQ(placeOnScreens(saved(0, 0, 800, 600), {}, kMinimum), std::nullopt);
    EXPECT_EQ(placeOnScreens(SessionWindow{}, kScreens, kMinimum), std::nullopt);
}

// Values of the wrong type or out of range are dropped, never turned into something else.
TEST(SessionReaderTest, TakesOnlyValuesOfTheRightShape) {
    const QByteArray json = R"({
        "format": "quorvel-editor-session",
        "windows": [
            {"id": "0x52010001", "x": 1e300, "y": 5, "width": 800, "height": 600, "page": 2,
             "texts": {"编辑框20": "ruby:\n", "编辑框2": 7}, "selections": {"组合框1": 2.5, "组合框2": 1}},
            {"id": "0x5201000100", "x": 0},
            {"id": 12},
            {"id": "0x520100FB", "x": 10, "y": 20, "width": 300, "height": 200, "page": -3}
        ],
        "files": {"编辑框20": {"path": "/srv/socket.yml", "encoding": "GBK", "bom": true, "lineEnd": "LF",
                               "exists": true, "size": -4, "modified": 1e20, "hash": "00ff"},
                  "编辑框1": {"path": 3}}
    })";
    const std::optional<storage::SessionContent> content =
        storage::readSessionContent(QJsonDocument::fromJson(json).object(), kFormat);
    ASSERT_TRUE(content);
    ASSERT_EQ(content->windows.size(), 2);
    const SessionWindow& main = content->windows[0];
    EXPECT_EQ(main.id, 0x52010001u);
    EXPECT_EQ(main.position, std::nullopt);
    EXPECT_EQ(main.page, 2);
    EXPECT_EQ(main.texts, (QList<std::pair<QString, QString>>{{"编辑框20", "ruby:\n"}}));
    EXPECT_EQ(main.selections, (QList<std::pair<QString, qint64>>{{"组合框2", 1}}));
    EXPECT_EQ(content->windows[1].id, 0x520100FBu);
    EXPECT_EQ(content->windows[1].page, -1);
    ASSERT_EQ(content->documents.size(), 1);
    const storage::SessionDocument& document = content->documents[0];
    EXPECT_EQ(document.path, "/srv/socket.yml");
    EXPECT_EQ(document.format, (storage::TextFormat{storage::Encoding::Gbk, false, storage::LineEnd::Lf}));
    EXPECT_EQ(document.stamp.size, 0);
    EXPECT_EQ(document.stamp.modified.toMSecsSinceEpoch(), 0);
    EXPECT_EQ(document.stamp.hash, QByteArray("\x00\xff", 2));

    EXPECT_FALSE(storage::readSessionContent(QJsonObject{{"format", "other"}}, kFormat));
}

}  // namespace
