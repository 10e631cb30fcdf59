// SFTP packets written byte for byte as version 3 has them, and replies read as the untrusted
// input they are: every length checked before anything is taken.
#include "remote/sftp_packet.h"

#include <gtest/gtest.h>

namespace {

using namespace remote::sftp;
using namespace std::string_literals;

std::string u32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}
std::string str(const std::string& s) { return u32(static_cast<std::uint32_t>(s.size())) + s; }
std::string packet(std::uint8_t type, const std::string& rest) {
    return u32(static_cast<std::uint32_t>(rest.size() + 1)) + static_cast<char>(type) + rest;
}

TEST(SftpPackets, RequestsAreWrittenAsTheProtocolHasThem) {
    EXPECT_EQ(Request::init(3).bytes(), "\0\0\0\5\1\0\0\0\3"s);
    Attributes mode;
    mode.flags = kAttrPermissions;
    mode.permissions = 0640;
    EXPECT_EQ(std::move(Request(kOpen, 7).string("/srv/a.yml").u32(kOpenWrite | kOpenCreate).attributes(mode)).bytes(),
              packet(kOpen, u32(7) + str("/srv/a.yml") + u32(0x0a) + u32(kAttrPermissions) + u32(0640)));
    EXPECT_EQ(std::move(Request(kRead, 9).string("h1").u64(0x1'0000'0002).u32(32768)).bytes(),
              packet(kRead, u32(9) + str("h1") + u32(1) + u32(2) + u32(32768)));
    Attributes all;
    all.flags = kAttrSize | kAttrUidGid | kAttrPermissions | kAttrTimes | kAttrExtended;  // no extensions are sent
    all.size = 5;
    all.uid = 1;
    all.gid = 2;
    all.permissions = 0100644;
    all.atime = 3;
    all.mtime = 4;
    EXPECT_EQ(std::move(Request(kSetstat, 1).string("x").attributes(all)).bytes(),
              packet(kSetstat, u32(1) + str("x") + u32(0x0f) + u32(0) + u32(5) + u32(1) + u32(2) + u32(0100644) +
                                   u32(3) + u32(4)));
}

TEST(SftpPackets, TheFramerCutsPacketsHoweverTheyArrive) {
    const std::string stream = packet(kStatus, u32(1) + u32(kOk) + str("ok") + str("")) +
                               packet(kVersion, u32(3) + str("posix-rename@openssh.com") + str("1")) +
                               packet(kData, u32(2) + str("data"));
    // Byte by byte, and all at once: the same three replies.
    for (const std::size_t step : {std::size_t{1}, stream.size()}) {
        Framer framer;
        std::vector<Reply> replies;
        for (std::size_t at = 0; at < stream.size(); at += step) {
            framer.feed(std::string_view(stream).substr(at, step));
            Reply reply;
            while (framer.next(reply) == Framer::Next::Got) replies.push_back(reply);
        }
        ASSERT_EQ(replies.size(), 3u);
        EXPECT_EQ(replies[0].type, kStatus);
        EXPECT_EQ(replies[0].id, 1u);
        EXPECT_EQ(replies[1].type, kVersion);
        EXPECT_EQ(replies[1].id, 0u);
        EXPECT_EQ(replies[1].body, u32(3) + str("posix-rename@openssh.com") + str("1"));
        EXPECT_EQ(replies[2].body, str("data"));
        EXPECT_EQ(framer.buffered(), 0u);
    }
}

TEST(SftpPackets, TheFramerRefusesWhatIsNoPacket) {
    for (const std::string& bad : {u32(0) + "x"s, u32(kMaxPacket + 1), u32(3) + "\x65\0\0"s}) {
        Framer framer;
        framer.feed(bad);
        Reply reply;
        EXPECT_EQ(framer.next(reply), Framer::Next::Bad) << framer.error();
    }
    Framer framer;
    framer.feed(u32(kMaxPacket));  // a large packet may still come
    Reply reply;
    EXPECT_EQ(framer.next(reply), Framer::Next::NeedMore);
}

TEST(SftpPackets, RepliesAreReadWithinTheirBytes) {
    const auto status = readStatus(u32(kNoSuchFile) + str("No such file") + str("en"));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->code, kNoSuchFile);
    EXPECT_EQ(status->message, "No such file");
    EXPECT_EQ(readStatus(u32(kEof))->code, kEof);  // version 3 servers may stop after the code
    EXPECT_FALSE(readStatus("\0\0"s));
    EXPECT_FALSE(readStatus(u32(kFailure) + u32(100) + "short"));

    Attributes file;
    file.flags = kAttrSize | kAttrPermissions | kAttrTimes | kAttrExtended;
    const std::string attrs = u32(file.flags) + u32(0) + u32(1234) + u32(0100600) + u32(1) + u32(1765300000) + u32(1) +
                              str("ext@x") + str("data");
    const auto names = readNames(u32(2) + str("a.yml") + str("-rw------- a.yml") + attrs + str("宝石") + str("") +
                                 u32(kAttrPermissions) + u32(040755));
    ASSERT_TRUE(names);
    ASSERT_EQ(names->size(), 2u);
    EXPECT_EQ((*names)[0].name, "a.yml");
    EXPECT_EQ((*names)[0].attributes.size, 1234u);
    EXPECT_EQ((*names)[0].attributes.mtime, 1765300000u);
    EXPECT_EQ((*names)[0].attributes.type(), kTypeFile);
    EXPECT_EQ((*names)[1].name, "宝石");
    EXPECT_EQ((*names)[1].attributes.type(), kTypeDir);
    // A count the bytes cannot hold, and entries cut short.
    EXPECT_FALSE(readNames(u32(0xffffffff) + str("a")));
    EXPECT_FALSE(readNames(u32(1) + str("a.yml") + str("") + u32(kAttrSize) + u32(0)));

    const auto version =
        readVersion(u32(3) + str("posix-rename@openssh.com") + str("1") + str("fsync@openssh.com") + str("1"));
    ASSERT_TRUE(version);
    EXPECT_EQ(version->version, 3u);
    EXPECT_TRUE(version->offers("fsync@openssh.com"));
    EXPECT_FALSE(version->offers("limits@openssh.com"));
    EXPECT_FALSE(readVersion(u32(3) + str("posix-rename@openssh.com")));

    const auto limits =
        readLimits(u32(0) + u32(262144) + u32(0) + u32(261120) + u32(0) + u32(261120) + u32(0) + u32(0));
    ASSERT_TRUE(limits);
    EXPECT_EQ(limits->maxRead, 261120u);
    EXPECT_FALSE(readLimits(u32(0)));

    const std::string abc = str("abc");
    Fields fields(abc);
    EXPECT_TRUE(fields.string(2).empty());  // longer than the limit given
    EXPECT_FALSE(fields.ok());
}

}  // namespace
