#include "remote/sftp_packet.h"

#include <algorithm>

namespace remote::sftp {
namespace {

void putU32(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value >> 24);
    out += static_cast<char>(value >> 16);
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value);
}

std::uint32_t getU32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (std::uint32_t{u[0]} << 24) | (std::uint32_t{u[1]} << 16) | (std::uint32_t{u[2]} << 8) | std::uint32_t{u[3]};
}

}  // namespace

Request::Request(Type type, std::uint32_t id) : id_(id) {
    bytes_ += static_cast<char>(type);
    putU32(bytes_, id);
}

Request Request::init(std::uint32_t version) {
    Request request;
    request.bytes_ += static_cast<char>(kInit);
    putU32(request.bytes_, version);
    return request;
}

Request& Request::u32(std::uint32_t value) {
    putU32(bytes_, value);
    return *this;
}

Request& Request::u64(std::uint64_t value) {
    putU32(bytes_, static_cast<std::uint32_t>(value >> 32));
    putU32(bytes_, static_cast<std::uint32_t>(value));
    return *this;
}

Request& Request::string(std::string_view value) {
    putU32(bytes_, static_cast<std::uint32_t>(value.size()));
    bytes_.append(value);
    return *this;
}

Request& Request::attributes(const Attributes& attributes) {
    const std::uint32_t flags = attributes.flags & (kAttrSize | kAttrUidGid | kAttrPermissions | kAttrTimes);
    u32(flags);
    if ((flags & kAttrSize) != 0) u64(attributes.size);
    if ((flags & kAttrUidGid) != 0) u32(attributes.uid).u32(attributes.gid);
    if ((flags & kAttrPermissions) != 0) u32(attributes.permissions);
    if ((flags & kAttrTimes) != 0) u32(attributes.atime).u32(attributes.mtime);
    return *this;
}

std::string Request::bytes() && {
    const auto length = static_cast<std::uint32_t>(bytes_.size() - 4);
    for (int i = 0; i < 4; ++i) bytes_[static_cast<std::size_t>(i)] = static_cast<char>(length >> (24 - 8 * i));
    return std::move(bytes_);
}

Framer::Next Framer::next(Reply& reply) {
    if (buffered() < 4) return Next::NeedMore;
    const std::uint32_t length = getU32(buffer_.data() + start_);
    if (length == 0 || length > kMaxPacket) {
        error_ = "packet length " + std::to_string(length);
        return Next::Bad;
    }
    if (buffered() - 4 < length) return Next::NeedMore;
    const char* packet = buffer_.data() + start_ + 4;
    reply.type = static_cast<std::uint8_t>(packet[0]);
    std::size_t head = 1;
    reply.id = 0;
    if (reply.type != kVersion) {
        if (length < 5) {
            error_ = "packet of type " + std::to_string(reply.type) + " without an id";
            return Next::Bad;
        }
        reply.id = getU32(packet + 1);
        head = 5;
    }
    reply.body.assign(packet + head, length - head);
    start_ += 4 + length;
    // Compact once the consumed part dominates, so the buffer does not grow without end.
    if (start_ > 65536 && start_ * 2 > buffer_.size()) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    return Next::Got;
}

bool Fields::take(std::size_t count, std::string_view& out) {
    if (!ok_ || rest_.size() < count) {
        ok_ = false;
        rest_ = {};
        return false;
    }
    out = rest_.substr(0, count);
    rest_.remove_prefix(count);
    return true;
}

std::uint32_t Fields::u32() {
    std::string_view bytes;
    return take(4, bytes) ? getU32(bytes.data()) : 0;
}

std::uint64_t Fields::u64() {
    const std::uint64_t high = u32();
    return (high << 32) | u32();
}

std::string_view Fields::string(std::uint32_t limit) {
    const std::uint32_t length = u32();
    if (length > limit) {
        ok_ = false;
        rest_ = {};
        return {};
    }
    std::string_view bytes;
    return take(length, bytes) ? bytes : std::string_view{};
}

Attributes Fields::attributes() {
    Attributes attributes;
    attributes.flags = u32();
    if (attributes.has(kAttrSize)) attributes.size = u64();
    if (attributes.has(kAttrUidGid)) {
        attributes.uid = u32();
        attributes.gid = u32();
    }
    if (attributes.has(kAttrPermissions)) attributes.permissions = u32();
    if (attributes.has(kAttrTimes)) {
        attributes.atime = u32();
        attributes.mtime = u32();
    }
    if (attributes.has(kAttrExtended)) {
        const std::uint32_t count = u32();
        for (std::uint32_t i = 0; i < count && ok_; ++i) {
            string();
            string();
        }
    }
    return attributes;
}

std::optional<StatusReply> readStatus(std::string_view body) {
    Fields fields(body);
    StatusReply status;
    status.code = fields.u32();
    if (!fields.ok()) return std::nullopt;
    // Version 3 servers may end the packet after the code.
    if (!fields.atEnd()) {
        const std::string_view message = fields.string(4096);
        if (!fields.ok()) return std::nullopt;
        status.message.assign(message);
    }
    return status;
}

std::optional<std::vector<NameEntry>> readNames(std::string_view body) {
    Fields fields(body);
    const std::uint32_t count = fields.u32();
    std::vector<NameEntry> entries;
    // Each entry takes at least 12 bytes: a count past what the body can hold is a lie.
    if (!fields.ok() || count > body.size() / 12) return std::nullopt;
    entries.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        NameEntry entry;
        entry.name.assign(fields.string());
        fields.string();  // the long name, as ls -l would show it
        entry.attributes = fields.attributes();
        if (!fields.ok()) return std::nullopt;
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool Version::offers(std::string_view name) const {
    return std::any_of(extensions.begin(), extensions.end(), [&](const auto& pair) { return pair.first == name; });
}

std::optional<Version> readVersion(std::string_view body) {
    Fields fields(body);
    Version version;
    version.version = fields.u32();
    if (!fields.ok()) return std::nullopt;
    while (!fields.atEnd()) {
        const std::string_view name = fields.string(1024);
        const std::string_view data = fields.string(4096);
        if (!fields.ok()) return std::nullopt;
        version.extensions.emplace_back(name, data);
    }
    return version;
}

std::optional<Limits> readLimits(std::string_view body) {
    Fields fields(body);
    Limits limits{fields.u64(), fields.u64(), fields.u64(), fields.u64()};
    if (!fields.ok()) return std::nullopt;
    return limits;
}

std::string_view statusName(std::uint32_t code) {
    switch (code) {
    case kOk: return "成功";
    case kEof: return "已到文件末尾";
    case kNoSuchFile: return "文件不存在";
    case kPermissionDenied: return "没有权限";
    case kFailure: return "服务器操作失败";
    case kBadMessage: return "服务器认为请求格式不对";
    case kNoConnection: return "没有连接";
    case kConnectionLost: return "连接已断开";
    case kOpUnsupported: return "服务器不支持这个操作";
    default: return "服务器返回了未知的错误";
    }
}

}  // namespace remote::sftp
