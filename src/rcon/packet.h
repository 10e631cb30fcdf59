// The RCON packet as the Minecraft server writes and reads it, and a decoder that takes the
// stream in whatever pieces the network hands over and refuses a length no server would send.
//
// A packet on the wire: int32 little-endian length of the rest, int32 request id, int32 type,
// the payload bytes (UTF-8), a NUL, and one more NUL. Standard library only, so the decoder can
// be fed hostile bytes by a fuzzer without Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rcon {

// Request types, and the one type of the server's answers.
constexpr std::int32_t kTypeLogin = 3;
constexpr std::int32_t kTypeCommand = 2;
constexpr std::int32_t kTypeLoginAnswer = 2;  // the server's reply to a login uses the command's number
constexpr std::int32_t kTypeResponse = 0;
// A type the server does not know: it answers "Unknown request c8" under that packet's id, after
// every packet of the answers before it, which marks where a split answer ends.
constexpr std::int32_t kTypeMarker = 200;

// The id the server puts on its reply to a login with a wrong password.
constexpr std::int32_t kIdAuthFailed = -1;

// id + type + the two NULs: the length field of a packet with an empty payload.
constexpr std::int32_t kMinLength = 10;
// The server reads a request into a buffer of 1460 bytes and ignores a longer one without a
// word; 1460 less the length field, id, type and the two NULs leaves this much payload.
constexpr std::size_t kMaxRequestPayload = 1446;
// The server splits an answer every 4096 UTF-16 code units; a unit becomes at most three UTF-8
// bytes, so a packet from the game holds at most 12,288 payload bytes. A piece's length says
// nothing certain about whether more follow (server software that will not cut a surrogate
// pair in two sends 4095 units, as few as 4095 bytes, before the rest): only the answer to a
// marker request (kTypeMarker) ends an answer.
// The largest length field the decoder accepts. The game never sends more than 12,298; the cap
// leaves room for servers that do not split their answers (proxies, other server software)
// while a hostile or garbled length (up to 2 GiB) cannot make the client reserve its memory.
constexpr std::int32_t kMaxLength = 1 << 20;

struct Packet {
    std::int32_t id = 0;
    std::int32_t type = 0;
    std::string payload;  // the bytes between the type and the two NULs

    bool operator==(const Packet&) const = default;
};

// The bytes of one packet, length field first.
std::string encode(std::int32_t id, std::int32_t type, std::string_view payload);

// What a packet is, as soon as its first twelve bytes are in: enough for a reader to decide
// whether it wants the packet before its payload arrives.
struct Header {
    std::int32_t id = 0;
    std::int32_t type = 0;
    std::size_t payloadBytes = 0;
};

// What a reader does with a packet it has seen the header of.
enum class Take {
    Keep,  // the packet is decoded and handed out
    Skip,  // its bytes are passed over as they arrive, never held, and it is not handed out
    Stop,  // the stream is failed here: nothing after the header is taken
};

// Cuts a byte stream into packets. Feed it chunks of any size, one byte included; it keeps an
// unfinished packet until the rest arrives. After a length field outside [kMinLength,
// kMaxLength] or a packet that does not end in two NULs the stream cannot be trusted any
// further: failed() turns true, error() says why (in Chinese, for the user), and every later
// feed is ignored. A filter, when set, sees each packet's header first; the packets it skips
// cost no memory however many there are, and a Stop fails the stream with the filter's own
// reason as the error.
class Decoder {
public:
    using Filter = std::function<Take(const Header&, std::string* why)>;

    void setFilter(Filter filter) { filter_ = std::move(filter); }

    // Appends the packets completed by this chunk to out; false once the stream has failed.
    bool feed(std::string_view chunk, std::vector<Packet>& out);

    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    // Bytes held for a packet not yet complete (a skipped packet holds none).
    std::size_t pending() const { return head_.size() + body_.size(); }

private:
    void fail(std::string why);
    // Takes bytes of the packet under way from the front of chunk; false when the stream failed.
    bool step(std::string_view& chunk, std::vector<Packet>& out);

    Filter filter_;
    std::string head_;  // the length, id and type of the packet under way, up to 12 bytes
    Header header_;
    bool skipping_ = false;
    std::size_t rest_ = 0;   // bytes of the packet under way still to come after its head
    std::string body_;       // the payload and NULs of a packet kept, as far as they came
    char last_[2] = {1, 1};  // the last two bytes of a packet skipped, for its two NULs
    std::string error_;
};

}  // namespace rcon
