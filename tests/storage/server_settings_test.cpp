#include "storage/server_settings.h"

#include "scratch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QFile>
#include <QTemporaryDir>

namespace {

using storage::ServerSettings;

// A settings file that was damaged, edited by hand or written by someone else keeps every
// value it cannot use at its default, and the rest as written.
struct Case {
    const char* name;
    QByteArray bytes;
    ServerSettings expected;
};

class ParseServerSettings : public testing::TestWithParam<Case> {};

TEST_P(ParseServerSettings, KeepsWhatIsUsableAndDefaultsTheRest) {
    EXPECT_EQ(storage::parseServerSettings(GetParam().bytes), GetParam().expected);
}

const ServerSettings kDefaults;

INSTANTIATE_TEST_SUITE_P(
    Files, ParseServerSettings,
    testing::Values(
        Case{"Empty", "", kDefaults}, Case{"NotJson", "\xff\xfe garbage {", kDefaults},
        Case{"AnArray", "[1,2]", kDefaults},
        Case{"Whole",
             R"({"host":"mc.example.com","port":25580,"reloadCommand":"/qv reload","rememberPassword":true})",
             {.host = "mc.example.com", .port = 25580, .reloadCommand = "/qv reload", .rememberPassword = true}},
        Case{"PortZero", R"({"port":0})", kDefaults}, Case{"PortTooLarge", R"({"port":65536})", kDefaults},
        Case{"PortFraction", R"({"port":25575.5})", kDefaults}, Case{"PortAsText", R"({"port":"25580"})", kDefaults},
        Case{"BlankHost", R"({"host":"   "})", kDefaults}, Case{"HostWithLineBreak", R"({"host":"a\nb"})", kDefaults},
        Case{"HostTooLong", "{\"host\":\"" + QByteArray(1001, 'a') + "\"}", kDefaults},
        Case{"HostTrimmed", R"({"host":" 10.0.0.5 "})", {.host = "10.0.0.5"}},
        Case{"EmptyReloadCommandIsKept", R"({"reloadCommand":""})", {.reloadCommand = ""}},
        Case{"RememberAsText", R"({"rememberPassword":"yes"})", kDefaults}),
    [](const testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });

TEST(ServerSettings, RoundTripsThroughTheFileWithoutAnyPasswordField) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("server.json"));
    const ServerSettings settings{.host = QStringLiteral("服务器.example"),
                                  .port = 25580,
                                  .reloadCommand = QStringLiteral("/quorvel reload"),
                                  .rememberPassword = true};
    ASSERT_TRUE(storage::saveServerSettings(path, settings).ok());
    EXPECT_EQ(storage::loadServerSettings(path), settings);
    const QByteArray bytes = scratch::read(path);
    EXPECT_FALSE(bytes.contains("password\"")) << bytes.constData();
}

TEST(ServerSettings, MissingFilesAndPipesGiveTheDefaults) {
    QTemporaryDir dir;
    EXPECT_EQ(storage::loadServerSettings(dir.filePath(QStringLiteral("none.json"))), kDefaults);
    EXPECT_EQ(storage::loadServerSettings({}), kDefaults);
    // A pipe in the file's place: reading it would wait for a writer forever.
    const QString fifo = dir.filePath(QStringLiteral("server.json"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(storage::loadServerSettings(fifo), kDefaults);
}

}  // namespace
