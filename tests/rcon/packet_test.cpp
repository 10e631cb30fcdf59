// The packet codec: the bytes of a packet exactly, a stream cut at every place, and length
// fields no server sends.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "rcon/packet.h"

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values) out += static_cast<char>(v);
    return out;
}

std::vector<rcon::Packet> decodeInChunks(const std::string& stream, std::size_t chunk) {
    rcon::Decoder decoder;
    std::vector<rcon::Packet> packets;
    for (std::size_t at = 0; at < stream.size(); at += chunk)
        EXPECT_TRUE(decoder.feed(std::string_view(stream).substr(at, chunk), packets));
    EXPECT_EQ(decoder.pending(), 0U);
    return packets;
}

TEST(PacketEncode, LengthIdTypePayloadAndTwoNuls) {
    EXPECT_EQ(rcon::encode(7, rcon::kTypeCommand, "list"),
              bytes({14, 0, 0, 0, 7, 0, 0, 0, 2, 0, 0, 0, 'l', 'i', 's', 't', 0, 0}));
    // Little-endian, and negative ids as two's complement.
    EXPECT_EQ(rcon::encode(-1, rcon::kTypeLoginAnswer, ""),
              bytes({10, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 0, 0}));
    EXPECT_EQ(rcon::encode(0x01020304, rcon::kTypeMarker, "").substr(4, 8), bytes({4, 3, 2, 1, 200, 0, 0, 0}));
}

TEST(PacketEncode, PayloadIsUtf8AsGiven) {
    // "§a红": § is C2 A7 on the wire, 红 is E7 BA A2.
    const std::string packet = rcon::encode(1, rcon::kTypeCommand,
                                            "\xC2\xA7"
                                            "a\xE7\xBA\xA2");
    EXPECT_EQ(packet.substr(0, 4), bytes({16, 0, 0, 0}));
    EXPECT_EQ(packet.substr(12), bytes({0xC2, 0xA7, 'a', 0xE7, 0xBA, 0xA2, 0, 0}));
}

TEST(PacketDecode, SameResultWhereverTheStreamIsCut) {
    const std::vector<rcon::Packet> sent = {
        {5, rcon::kTypeLoginAnswer, ""},
        {6, rcon::kTypeResponse, std::string(12'288, 'x')},  // the largest piece the game sends
        {6, rcon::kTypeResponse,
         "\xC2\xA7"
         "6\xE7\xBA\xA2\xE5\xAE\x9D\xE7\x9F\xB3"},
        {7, rcon::kTypeResponse, "Unknown request c8"},
        {-1, rcon::kTypeLoginAnswer, ""},
    };
    std::string stream;
    for (const rcon::Packet& p : sent) stream += rcon::encode(p.id, p.type, p.payload);
    for (const std::size_t chunk :
         {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{13}, std::size_t{4096}, stream.size()})
        EXPECT_EQ(decodeInChunks(stream, chunk), sent) << "chunks of " << chunk;
}

TEST(PacketDecode, KeepsAnUnfinishedPacketUntilItsRest) {
    rcon::Decoder decoder;
    std::vector<rcon::Packet> packets;
    const std::string packet = rcon::encode(3, rcon::kTypeResponse, "hello");
    EXPECT_TRUE(decoder.feed(packet.substr(0, 11), packets));
    EXPECT_TRUE(packets.empty());
    EXPECT_EQ(decoder.pending(), 11U);
    EXPECT_TRUE(decoder.feed(packet.substr(11) + packet.substr(0, 2), packets));
    ASSERT_EQ(packets.size(), 1U);
    EXPECT_EQ(packets[0].payload, "hello");
    EXPECT_EQ(decoder.pending(), 2U);  // the start of the next one
}

class HostileLength : public testing::TestWithParam<std::int32_t> {};

// A length no server sends fails the stream as soon as its four bytes are in, before anything
// is kept for the body, and the decoder takes nothing after it.
TEST_P(HostileLength, FailsAtOnceAndStaysFailed) {
    rcon::Decoder decoder;
    std::vector<rcon::Packet> packets;
    const auto length = static_cast<std::uint32_t>(GetParam());
    const std::string head = bytes({static_cast<int>(length & 0xFF), static_cast<int>((length >> 8) & 0xFF),
                                    static_cast<int>((length >> 16) & 0xFF), static_cast<int>(length >> 24)});
    EXPECT_FALSE(decoder.feed(rcon::encode(1, 0, "ok") + head, packets));
    ASSERT_EQ(packets.size(), 1U);  // what came before is still delivered
    EXPECT_TRUE(decoder.failed());
    EXPECT_NE(decoder.error().find(std::to_string(GetParam())), std::string::npos) << decoder.error();
    EXPECT_EQ(decoder.pending(), 0U);
    EXPECT_FALSE(decoder.feed(rcon::encode(2, 0, "later"), packets));
    EXPECT_EQ(packets.size(), 1U);
}

INSTANTIATE_TEST_SUITE_P(Lengths, HostileLength,
                         testing::Values(-1, std::numeric_limits<std::int32_t>::min(), 0, 9, rcon::kMaxLength + 1,
                                         std::numeric_limits<std::int32_t>::max()));

TEST(PacketDecode, LengthsAtTheLimitsAreTaken) {
    rcon::Decoder decoder;
    std::vector<rcon::Packet> packets;
    EXPECT_TRUE(decoder.feed(rcon::encode(1, 0, ""), packets));  // length 10
    const std::string largest = rcon::encode(2, 0, std::string(rcon::kMaxLength - rcon::kMinLength, 'y'));
    EXPECT_TRUE(decoder.feed(largest, packets));
    ASSERT_EQ(packets.size(), 2U);
    EXPECT_EQ(packets[1].payload.size(), static_cast<std::size_t>(rcon::kMaxLength - rcon::kMinLength));
}

TEST(PacketDecode, PacketWithoutItsTwoNulsFailsTheStream) {
    rcon::Decoder decoder;
    std::vector<rcon::Packet> packets;
    std::string packet = rcon::encode(1, 0, "abc");
    packet[packet.size() - 2] = 'x';  // a length that is off by one lands here
    EXPECT_FALSE(decoder.feed(packet, packets));
    EXPECT_TRUE(packets.empty());
    EXPECT_TRUE(decoder.failed());
}

// A filter sees each header before the payload: what it skips is never held, however it is
// cut, and the packets it keeps come out as without a filter; a Stop fails the stream with the
// filter's reason before the payload is taken.
TEST(PacketDecode, SkippedPacketsCostNothingAndAStopSaysWhy) {
    const std::string stray = rcon::encode(99, rcon::kTypeResponse, std::string(8192, 'z'));
    const std::string kept = rcon::encode(5, rcon::kTypeResponse, "whole");
    const std::string stream = stray + kept + stray;
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, stream.size()}) {
        rcon::Decoder decoder;
        std::vector<rcon::Header> seen;
        decoder.setFilter([&](const rcon::Header& header, std::string*) {
            seen.push_back(header);
            return header.id == 5 ? rcon::Take::Keep : rcon::Take::Skip;
        });
        std::vector<rcon::Packet> packets;
        std::size_t mostHeld = 0;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            EXPECT_TRUE(decoder.feed(std::string_view(stream).substr(at, chunk), packets));
            mostHeld = std::max(mostHeld, decoder.pending());
        }
        EXPECT_EQ(packets, std::vector<rcon::Packet>({{5, rcon::kTypeResponse, "whole"}})) << "chunks of " << chunk;
        EXPECT_LE(mostHeld, kept.size()) << "chunks of " << chunk;
        ASSERT_EQ(seen.size(), 3U);
        EXPECT_EQ(seen[0].payloadBytes, 8192U);
        EXPECT_EQ(seen[1].payloadBytes, 5U);
    }

    rcon::Decoder decoder;
    decoder.setFilter([](const rcon::Header&, std::string* why) {
        *why = "太多了";
        return rcon::Take::Stop;
    });
    std::vector<rcon::Packet> packets;
    EXPECT_FALSE(decoder.feed(kept, packets));
    EXPECT_EQ(decoder.error(), "太多了");
    EXPECT_TRUE(packets.empty());
    EXPECT_EQ(decoder.pending(), 0U);
}

// A skipped packet still has to end in its two NULs: the stream is no better trusted for it.
TEST(PacketDecode, ASkippedPacketWithoutItsNulsFailsTheStream) {
    std::string stray = rcon::encode(99, rcon::kTypeResponse, "abc");
    stray[stray.size() - 1] = 'x';
    rcon::Decoder decoder;
    decoder.setFilter([](const rcon::Header&, std::string*) { return rcon::Take::Skip; });
    std::vector<rcon::Packet> packets;
    EXPECT_FALSE(decoder.feed(stray, packets));
    EXPECT_TRUE(decoder.failed());
}

}  // namespace
