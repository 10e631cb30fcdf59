// SFTP version 3 on the wire (draft-ietf-secsh-filexfer-02, as OpenSSH and hosting panels speak
// it): requests written, replies cut out of the channel's byte stream and read field by field.
// Every reply is untrusted input: each length is checked against the bytes there are and
// against a limit before anything is taken. Standard library only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace remote::sftp {

// clang-format off
enum Type : std::uint8_t {
    kInit = 1,      kVersion = 2,   kOpen = 3,      kClose = 4,     kRead = 5,      kWrite = 6,
    kLstat = 7,     kFstat = 8,     kSetstat = 9,   kFsetstat = 10, kOpendir = 11,  kReaddir = 12,
    kRemove = 13,   kMkdir = 14,    kRmdir = 15,    kRealpath = 16, kStat = 17,     kRename = 18,
    kReadlink = 19, kSymlink = 20,
    kStatus = 101,  kHandle = 102,  kData = 103,    kName = 104,    kAttrs = 105,
    kExtended = 200, kExtendedReply = 201,
};

enum Status : std::uint32_t {
    kOk = 0, kEof = 1, kNoSuchFile = 2, kPermissionDenied = 3, kFailure = 4, kBadMessage = 5,
    kNoConnection = 6, kConnectionLost = 7, kOpUnsupported = 8,
};

enum OpenFlag : std::uint32_t {
    kOpenRead = 0x01, kOpenWrite = 0x02, kOpenAppend = 0x04, kOpenCreate = 0x08, kOpenTruncate = 0x10,
    kOpenExclusive = 0x20,
};

enum AttrFlag : std::uint32_t {
    kAttrSize = 0x01, kAttrUidGid = 0x02, kAttrPermissions = 0x04, kAttrTimes = 0x08, kAttrExtended = 0x80000000,
};

// The file type bits of a mode, as POSIX (and so every SFTP server) has them.
enum FileType : std::uint32_t {
    kTypeMask = 0170000, kTypeFile = 0100000, kTypeDir = 0040000, kTypeLink = 0120000,
};
// clang-format on

// The largest packet taken from a server. OpenSSH sends at most 256 KiB; other servers a little
// more; past this the stream is not SFTP any more.
constexpr std::uint32_t kMaxPacket = 1u << 20;

struct Attributes {
    std::uint32_t flags = 0;
    std::uint64_t size = 0;
    std::uint32_t uid = 0;
    std::uint32_t gid = 0;
    std::uint32_t permissions = 0;
    std::uint32_t atime = 0;
    std::uint32_t mtime = 0;

    bool has(AttrFlag flag) const { return (flags & flag) != 0; }
    std::uint32_t type() const { return has(kAttrPermissions) ? permissions & kTypeMask : 0; }
};

// A request, built field by field; bytes() gives it framed with its length.
class Request {
public:
    Request(Type type, std::uint32_t id);
    // SSH_FXP_INIT has no id.
    static Request init(std::uint32_t version);

    Request& u32(std::uint32_t value);
    Request& u64(std::uint64_t value);
    Request& string(std::string_view value);
    Request& attributes(const Attributes& attributes);

    std::uint32_t id() const { return id_; }
    std::string bytes() &&;

private:
    Request() = default;
    std::uint32_t id_ = 0;
    std::string bytes_ = std::string(4, '\0');
};

// A reply taken off the stream: its type, its id (0 for VERSION) and what follows the id.
struct Reply {
    std::uint8_t type = 0;
    std::uint32_t id = 0;
    std::string body;
};

// Cuts whole packets out of the stream as it comes.
class Framer {
public:
    void feed(std::string_view bytes) { buffer_.append(bytes); }
    enum class Next { NeedMore, Got, Bad };
    // Bad: a length of 0 or over kMaxPacket, or a packet too short for its id; error() says which.
    Next next(Reply& reply);
    const std::string& error() const { return error_; }
    std::size_t buffered() const { return buffer_.size() - start_; }

private:
    std::string buffer_;
    std::size_t start_ = 0;
    std::string error_;
};

// Reads the fields of a reply's body; any read past the end makes ok() false for good and gives
// empty values.
class Fields {
public:
    explicit Fields(std::string_view bytes) : rest_(bytes) {}

    std::uint32_t u32();
    std::uint64_t u64();
    std::string_view string(std::uint32_t limit = kMaxPacket);
    Attributes attributes();

    bool ok() const { return ok_; }
    bool atEnd() const { return rest_.empty(); }

private:
    bool take(std::size_t count, std::string_view& out);

    std::string_view rest_;
    bool ok_ = true;
};

struct StatusReply {
    std::uint32_t code = kOk;
    std::string message;  // the server's words, as it sent them (UTF-8 by the protocol, not always)
};
std::optional<StatusReply> readStatus(std::string_view body);

struct NameEntry {
    std::string name;
    Attributes attributes;
};
// NAME: count entries of filename, longname, attributes; the long name is not kept.
std::optional<std::vector<NameEntry>> readNames(std::string_view body);

struct Version {
    std::uint32_t version = 0;
    std::vector<std::pair<std::string, std::string>> extensions;  // name, data

    bool offers(std::string_view name) const;
};
std::optional<Version> readVersion(std::string_view body);

// The server's limits@openssh.com reply: zero where the server sets none.
struct Limits {
    std::uint64_t maxPacket = 0;
    std::uint64_t maxRead = 0;
    std::uint64_t maxWrite = 0;
    std::uint64_t maxHandles = 0;
};
std::optional<Limits> readLimits(std::string_view body);

// Words for a status code the server sent without a message of its own.
std::string_view statusName(std::uint32_t code);

}  // namespace remote::sftp
