// libFuzzer target for the RCON packet decoder, fed what a hostile or broken server could send.
// The first byte chooses how the rest is cut; whatever the bytes:
//   - the packets, the failure and its message do not depend on where the stream is cut: the
//     whole stream at once and the same bytes in pieces of 1 to 16 bytes decode alike;
//   - the decoder never keeps more than one packet's bytes;
//   - the packets decoded encode back to exactly the bytes they came from;
//   - a filter that skips the packets of odd ids hands out exactly the others, fails where the
//     stream fails, and holds no more than an unfiltered decoder.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "rcon/packet.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned cut = data[0];
    const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);

    rcon::Decoder whole;
    std::vector<rcon::Packet> wholePackets;
    const bool wholeTrusted = whole.feed(stream, wholePackets);

    rcon::Decoder pieces;
    std::vector<rcon::Packet> piecePackets;
    for (std::size_t at = 0, step = 0; at < stream.size(); ++step) {
        const std::size_t length = 1 + ((cut + step * 7) % 16);
        pieces.feed(stream.substr(at, length), piecePackets);
        require(pieces.pending() < 4 + static_cast<std::size_t>(rcon::kMaxLength));
        at += length;
    }

    require(wholeTrusted == !pieces.failed());
    require(whole.error() == pieces.error());
    require(wholePackets == piecePackets);
    require(whole.pending() == pieces.pending());

    rcon::Decoder filtered;
    filtered.setFilter([](const rcon::Header& header, std::string*) {
        return header.id % 2 == 0 ? rcon::Take::Keep : rcon::Take::Skip;
    });
    std::vector<rcon::Packet> filteredPackets;
    for (std::size_t at = 0, step = 0; at < stream.size(); ++step) {
        const std::size_t length = 1 + ((cut + step * 5) % 16);
        filtered.feed(stream.substr(at, length), filteredPackets);
        require(filtered.pending() < 4 + static_cast<std::size_t>(rcon::kMaxLength));
        at += length;
    }
    std::vector<rcon::Packet> even;
    for (const rcon::Packet& p : wholePackets)
        if (p.id % 2 == 0) even.push_back(p);
    require(filteredPackets == even);
    require(filtered.error() == whole.error());
    require(filtered.pending() <= whole.pending());

    std::string encoded;
    for (const rcon::Packet& p : wholePackets) encoded += rcon::encode(p.id, p.type, p.payload);
    require(stream.substr(0, encoded.size()) == encoded);
    if (wholeTrusted) require(encoded.size() + whole.pending() == stream.size());
    return 0;
}
