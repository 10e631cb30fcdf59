#include "remote/paths.h"

#include <gtest/gtest.h>

namespace {

TEST(RemotePaths, JoinWorksOutDotsByName) {
    struct Row {
        const char* folder;
        const char* path;
        const char* joined;
    };
    const Row rows[] = {
        {"/srv/lobby/plugins/Quorvel", "sockets.yml", "/srv/lobby/plugins/Quorvel/sockets.yml"},
        {"/srv/lobby/plugins/Quorvel", ".", "/srv/lobby/plugins/Quorvel"},
        {"/srv/lobby/plugins/Quorvel", "", "/srv/lobby/plugins/Quorvel"},
        {"/srv/lobby/plugins/Quorvel", "..", "/srv/lobby/plugins"},
        {"/srv/lobby/plugins/Quorvel", "../../x//y/./z.yml", "/srv/lobby/x/y/z.yml"},
        {"/srv/lobby/plugins/Quorvel/", "/etc/a.yml", "/etc/a.yml"},
        {"/", "../../..", "/"},
        {"", "plugins/a.yml", "plugins/a.yml"},
        {"", "../a.yml", "../a.yml"},
        {"", ".", "."},
        {"plugins", "..", "."},
    };
    for (const Row& row : rows)
        EXPECT_EQ(remote::joinPath(row.folder, row.path), QByteArray(row.joined)) << row.folder << " + " << row.path;
}

TEST(RemotePaths, ParentAndName) {
    EXPECT_EQ(remote::parentPath("/srv/a/b.yml"), QByteArray("/srv/a"));
    EXPECT_EQ(remote::parentPath("/b.yml"), QByteArray("/"));
    EXPECT_EQ(remote::parentPath("b.yml"), QByteArray());
    EXPECT_EQ(remote::fileName("/srv/a/b.yml"), QByteArray("b.yml"));
    EXPECT_EQ(remote::fileName("b.yml"), QByteArray("b.yml"));
}

TEST(RemotePaths, NamesShowAsUtf8ElseGbk) {
    EXPECT_EQ(remote::displayName("宝石.yml"), QStringLiteral("宝石.yml"));
    EXPECT_EQ(remote::displayName("\xb1\xa6\xca\xaf.yml"), QStringLiteral("宝石.yml"));  // GBK
}

}  // namespace
