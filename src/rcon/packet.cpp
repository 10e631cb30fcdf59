#include "rcon/packet.h"

namespace rcon {
namespace {

void putInt32(std::string& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((bits >> shift) & 0xFFU);
}

std::int32_t int32At(std::string_view bytes, std::size_t at) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i)
        bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return static_cast<std::int32_t>(bits);
}

}  // namespace

std::string encode(std::int32_t id, std::int32_t type, std::string_view payload) {
    std::string out;
    out.reserve(payload.size() + 14);
    putInt32(out, static_cast<std::int32_t>(payload.size() + static_cast<std::size_t>(kMinLength)));
    putInt32(out, id);
    putInt32(out, type);
    out += payload;
    out += '\0';
    out += '\0';
    return out;
}

bool Decoder::feed(std::string_view chunk, std::vector<Packet>& out) {
    if (failed()) return false;
    buffer_ += chunk;
    const std::string_view bytes(buffer_);
    std::size_t at = 0;  // where the first packet not yet taken begins
    while (bytes.size() - at >= 4) {
        const std::int32_t length = int32At(bytes, at);
        if (length < kMinLength || length > kMaxLength) {
            error_ = "服务器发来的数据包长度不合理（" + std::to_string(length) + " 字节），连接已断开";
            buffer_.clear();
            return false;
        }
        const auto whole = static_cast<std::size_t>(length) + 4;
        if (bytes.size() - at < whole) break;
        const std::string_view packet = bytes.substr(at, whole);
        if (packet[whole - 2] != '\0' || packet[whole - 1] != '\0') {
            error_ = "服务器发来的数据包没有以两个空字节结尾，连接已断开";
            buffer_.clear();
            return false;
        }
        out.push_back({int32At(packet, 4), int32At(packet, 8), std::string(packet.substr(12, whole - 14))});
        at += whole;
    }
    // Keep only the unfinished packet, so the buffer never grows past one packet.
    buffer_.erase(0, at);
    return true;
}

}  // namespace rcon
