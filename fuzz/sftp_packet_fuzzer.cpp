// libFuzzer target for the SFTP replies a hostile or broken server could send. The first byte
// chooses how the rest is cut; whatever the bytes:
//   - the replies and the failure do not depend on where the stream is cut: the whole stream at
//     once and the same bytes in pieces of 1 to 16 bytes frame alike;
//   - no reply is larger than the limit, and every reader of a reply's body stays within it
//     (AddressSanitizer checks each read) and never believes a count its bytes cannot hold.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "remote/sftp_packet.h"

namespace {

using namespace remote::sftp;

void require(bool condition) {
    if (!condition) std::abort();
}

struct Framed {
    std::vector<Reply> replies;
    bool bad = false;
    std::string error;
};

template <typename Feed>
Framed frame(Feed feed) {
    Framer framer;
    Framed result;
    feed([&](std::string_view bytes) {
        if (result.bad) return;
        framer.feed(bytes);
        Reply reply;
        for (;;) {
            const Framer::Next next = framer.next(reply);
            if (next == Framer::Next::NeedMore) return;
            if (next == Framer::Next::Bad) {
                result.bad = true;
                result.error = framer.error();
                return;
            }
            require(reply.body.size() < kMaxPacket);
            result.replies.push_back(reply);
        }
    });
    return result;
}

void read(const Reply& reply) {
    const std::string_view body = reply.body;
    if (const auto status = readStatus(body)) require(status->message.size() <= 4096);
    if (const auto names = readNames(body)) require(names->size() <= body.size() / 12);
    if (const auto version = readVersion(body)) require(version->extensions.size() <= body.size() / 8);
    readLimits(body);
    Fields fields(body);
    fields.attributes();
    const std::string_view handle = fields.string(256);
    require(handle.size() <= 256);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned cut = data[0];
    const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
    const Framed whole = frame([&](auto feed) { feed(stream); });
    const Framed pieces = frame([&](auto feed) {
        for (std::size_t at = 0, step = 0; at < stream.size(); ++step) {
            const std::size_t length = 1 + ((cut + step * 7) % 16);
            feed(stream.substr(at, length));
            at += length;
        }
    });
    require(whole.bad == pieces.bad);
    require(whole.error == pieces.error);
    require(whole.replies.size() == pieces.replies.size());
    for (std::size_t i = 0; i < whole.replies.size(); ++i) {
        require(whole.replies[i].type == pieces.replies[i].type);
        require(whole.replies[i].id == pieces.replies[i].id);
        require(whole.replies[i].body == pieces.replies[i].body);
        read(whole.replies[i]);
    }
    return 0;
}
