#include "rcon/packet.h"

#include <algorithm>

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
    while (!chunk.empty())
        if (!step(chunk, out)) return false;
    return true;
}

bool Decoder::step(std::string_view& chunk, std::vector<Packet>& out) {
    constexpr std::size_t kHead = 12;  // length, id, type
    if (head_.size() < kHead) {
        const bool hadLength = head_.size() >= 4;
        const std::size_t take = std::min(kHead - head_.size(), chunk.size());
        head_.append(chunk.substr(0, take));
        chunk.remove_prefix(take);
        if (!hadLength && head_.size() >= 4) {
            // Checked before anything more is kept, so a hostile length costs nothing.
            const std::int32_t length = int32At(head_, 0);
            if (length < kMinLength || length > kMaxLength) {
                fail("服务器发来的数据包长度不合理（" + std::to_string(length) + " 字节），连接已断开");
                return false;
            }
        }
        if (head_.size() < kHead) return true;
        const auto length = static_cast<std::size_t>(int32At(head_, 0));
        header_ = {int32At(head_, 4), int32At(head_, 8), length - static_cast<std::size_t>(kMinLength)};
        rest_ = header_.payloadBytes + 2;
        Take verdict = Take::Keep;
        std::string why;
        if (filter_) verdict = filter_(header_, &why);
        if (verdict == Take::Stop) {
            fail(why.empty() ? std::string("服务器发来了不该有的数据包，连接已断开") : why);
            return false;
        }
        skipping_ = verdict == Take::Skip;
        if (!skipping_) body_.reserve(rest_);
        return true;
    }
    const std::size_t take = std::min(rest_, chunk.size());
    if (skipping_) {
        if (take >= 2) {
            last_[0] = chunk[take - 2];
            last_[1] = chunk[take - 1];
        } else if (take == 1) {
            last_[0] = last_[1];
            last_[1] = chunk[0];
        }
    } else {
        body_.append(chunk.substr(0, take));
    }
    chunk.remove_prefix(take);
    rest_ -= take;
    if (rest_ > 0) return true;
    const char* nuls = skipping_ ? last_ : body_.data() + body_.size() - 2;
    if (nuls[0] != '\0' || nuls[1] != '\0') {
        fail("服务器发来的数据包没有以两个空字节结尾，连接已断开");
        return false;
    }
    if (!skipping_) {
        body_.resize(body_.size() - 2);
        out.push_back({header_.id, header_.type, std::move(body_)});
    }
    body_ = std::string();
    head_.clear();
    skipping_ = false;
    last_[0] = last_[1] = 1;
    return true;
}

void Decoder::fail(std::string why) {
    error_ = std::move(why);
    head_ = std::string();
    body_ = std::string();
    skipping_ = false;
    rest_ = 0;
}

}  // namespace rcon
