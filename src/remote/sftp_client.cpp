#include "remote/sftp_client.h"

#include <algorithm>
#include <utility>

#include "remote/paths.h"
#include "remote/worker.h"

namespace remote::detail {
namespace {

using sftp::Reply;
using sftp::Request;

// Requests in flight at once, and the most of their bytes, for reads and for writes. OpenSSH's
// client keeps 64 requests of 32 KiB in flight.
constexpr std::size_t kInFlight = 64;
constexpr std::uint64_t kInFlightBytes = std::uint64_t{8} << 20;
// The largest read or write asked for, whatever the server's limits say.
constexpr std::uint64_t kMaxChunk = std::uint64_t{255} * 1024;
// Requests the channel has not taken yet: past this a transfer waits before queueing more.
constexpr std::size_t kMaxQueued = std::size_t{4} << 20;

std::string_view view(const QByteArray& bytes) { return {bytes.constData(), static_cast<std::size_t>(bytes.size())}; }

// The server's own words, fit to show: no control characters, not too long.
QString serverWords(const std::string& message) {
    QString text =
        QString::fromUtf8(message.data(), static_cast<qsizetype>(std::min<std::size_t>(message.size(), 300)));
    text.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
    return text.trimmed();
}

}  // namespace

SftpClient::SftpClient(Worker& worker, ssh_channel channel, int timeoutMs)
    : worker_(worker), channel_(channel), timeoutMs_(timeoutMs), in_(std::size_t{256} * 1024) {}

SftpClient::~SftpClient() {
    ssh_channel_close(channel_);
    ssh_channel_free(channel_);
}

void SftpClient::start() {
    send(Request::init(3));  // answered by VERSION, which has no id: 0
    const Reply reply = wait(0, QStringLiteral("SFTP 版本协商"));
    const auto version = reply.type == sftp::kVersion ? sftp::readVersion(reply.body) : std::nullopt;
    if (!version) broken("no version packet");
    if (version->version < 3) broken("SFTP version " + std::to_string(version->version));
    posixRename_ = version->offers("posix-rename@openssh.com");
    fsync_ = version->offers("fsync@openssh.com");
    if (!version->offers("limits@openssh.com")) return;
    const std::uint32_t id = send(std::move(Request(sftp::kExtended, nextId()).string("limits@openssh.com")));
    const Reply limitsReply = wait(id, QStringLiteral("SFTP 限制查询"));
    const auto limits = limitsReply.type == sftp::kExtendedReply ? sftp::readLimits(limitsReply.body) : std::nullopt;
    if (!limits) return;  // a server that offers the extension and then refuses it: the defaults
    if (limits->maxRead > 0) readChunk_ = static_cast<std::uint32_t>(std::min(limits->maxRead, kMaxChunk));
    if (limits->maxWrite > 0) writeChunk_ = static_cast<std::uint32_t>(std::min(limits->maxWrite, kMaxChunk));
    readChunk_ = std::max<std::uint32_t>(readChunk_, 1024);
    writeChunk_ = std::max<std::uint32_t>(writeChunk_, 1024);
}

bool SftpClient::service() {
    if (!alive_) return false;
    bool moved = false;
    while (outStart_ < out_.size()) {
        const std::uint32_t window = ssh_channel_window_size(channel_);
        if (window == 0) break;
        const auto count = static_cast<std::uint32_t>(
            std::min<std::size_t>({out_.size() - outStart_, window, std::size_t{256} * 1024}));
        const int written = ssh_channel_write(channel_, out_.data() + outStart_, count);
        if (written == SSH_ERROR) {
            alive_ = false;
            broken_ = "write";
            return true;
        }
        if (written <= 0) break;
        outStart_ += static_cast<std::size_t>(written);
        moved = true;
    }
    if (outStart_ == out_.size()) {
        out_.clear();
        outStart_ = 0;
    } else if (outStart_ > (std::size_t{1} << 20)) {
        out_.erase(0, outStart_);
        outStart_ = 0;
    }
    for (;;) {
        const int count = ssh_channel_read_nonblocking(channel_, in_.data(), static_cast<std::uint32_t>(in_.size()), 0);
        if (count > 0) {
            framer_.feed(std::string_view(in_.data(), static_cast<std::size_t>(count)));
            moved = true;
            continue;
        }
        if (count == SSH_EOF || count == SSH_ERROR || ssh_channel_is_closed(channel_) != 0 ||
            ssh_channel_is_eof(channel_) != 0) {
            alive_ = false;
            moved = true;
        }
        break;
    }
    takeReplies();
    return moved;
}

void SftpClient::takeReplies() {
    Reply reply;
    for (;;) {
        const sftp::Framer::Next next = framer_.next(reply);
        if (next == sftp::Framer::Next::NeedMore) return;
        if (next == sftp::Framer::Next::Bad) {
            alive_ = false;
            broken_ = framer_.error();
            return;
        }
        const auto found = waiting_.find(reply.id);
        if (found == waiting_.end()) {
            alive_ = false;
            broken_ = "a reply to request " + std::to_string(reply.id) + ", which was not sent or already answered";
            return;
        }
        const bool wanted = found->second;
        waiting_.erase(found);
        if (wanted) arrived_[reply.id] = std::move(reply);
    }
}

std::uint32_t SftpClient::send(Request&& request) {
    const std::uint32_t id = request.id();
    waiting_[id] = true;
    out_ += std::move(request).bytes();
    return id;
}

void SftpClient::forget(std::uint32_t id) {
    arrived_.erase(id);
    const auto found = waiting_.find(id);
    if (found != waiting_.end()) found->second = false;
}

void SftpClient::forgetAll() {
    arrived_.clear();
    for (auto& [id, wanted] : waiting_) wanted = false;
}

void SftpClient::closeQuietly(const std::string& handle) {
    if (alive_) forget(send(std::move(Request(sftp::kClose, nextId()).string(handle))));
}

Reply SftpClient::wait(std::uint32_t id, const QString& what) {
    QDeadlineTimer deadline(timeoutMs_);
    for (;;) {
        const auto found = arrived_.find(id);
        if (found != arrived_.end()) {
            Reply reply = std::move(found->second);
            arrived_.erase(found);
            return reply;
        }
        if (!alive_) {
            forget(id);
            if (!broken_.empty() && broken_ != "write")
                throw failure(QStringLiteral("dropped"),
                              QStringLiteral("服务器的回答不是有效的 SFTP 数据（%1），已断开（%2时）")
                                  .arg(QString::fromStdString(broken_), what));
            throw failure(QStringLiteral("dropped"),
                          QStringLiteral("与 %1 的 SFTP 连接断开了（%2时）").arg(worker_.where(), what));
        }
        try {
            worker_.turn(deadline, what);
        } catch (const Failure& stopped) {
            forget(id);
            // A server that answers late is given up: a reply may still be on its way.
            if (stopped.outcome.code == QLatin1String("timeout")) alive_ = false;
            throw;
        }
    }
}

void SftpClient::broken(const std::string& why) {
    alive_ = false;
    broken_ = why;
    throw failure(QStringLiteral("dropped"),
                  QStringLiteral("服务器的回答不是有效的 SFTP 数据（%1），已断开").arg(QString::fromStdString(why)));
}

void SftpClient::refused(const Reply& reply, const QString& what) {
    if (reply.type != sftp::kStatus)
        broken("reply of type " + std::to_string(reply.type) + " to " + what.toStdString());
    const auto status = sftp::readStatus(reply.body);
    if (!status) broken("a status packet too short");
    QString code = QStringLiteral("failed");
    if (status->code == sftp::kNoSuchFile) code = QStringLiteral("not-found");
    if (status->code == sftp::kPermissionDenied) code = QStringLiteral("permission-denied");
    QString message = QStringLiteral("无法%1：%2").arg(what, QString::fromUtf8(sftp::statusName(status->code)));
    const QString words = serverWords(status->message);
    if (!words.isEmpty()) message += QStringLiteral("（%1）").arg(words);
    Failure refusal = failure(code, message);
    refusal.status = status->code;
    throw refusal;
}

void SftpClient::expectStatusOk(const Reply& reply, const QString& what) {
    if (reply.type == sftp::kStatus) {
        const auto status = sftp::readStatus(reply.body);
        if (status && status->code == sftp::kOk) return;
    }
    refused(reply, what);
}

std::string SftpClient::expectHandle(const Reply& reply, const QString& what) {
    if (reply.type != sftp::kHandle) refused(reply, what);
    sftp::Fields fields(reply.body);
    const std::string_view handle = fields.string(256);
    if (!fields.ok() || handle.empty()) broken("a handle over 256 bytes or empty");
    return std::string(handle);
}

sftp::Attributes SftpClient::expectAttributes(const Reply& reply, const QString& what) {
    if (reply.type != sftp::kAttrs) refused(reply, what);
    sftp::Fields fields(reply.body);
    const sftp::Attributes attributes = fields.attributes();
    if (!fields.ok()) broken("attributes cut short");
    return attributes;
}

QByteArray SftpClient::expectOneName(const Reply& reply, const QString& what) {
    if (reply.type != sftp::kName) refused(reply, what);
    const auto names = sftp::readNames(reply.body);
    if (!names || names->size() != 1) broken("a name reply without exactly one name");
    const std::string& name = names->front().name;
    return {name.data(), static_cast<qsizetype>(name.size())};
}

sftp::Attributes SftpClient::statLike(sftp::Type type, const QByteArray& path, const QString& what) {
    const std::uint32_t id = send(std::move(Request(type, nextId()).string(view(path))));
    return expectAttributes(wait(id, what), what);
}

sftp::Attributes SftpClient::stat(const QByteArray& path) {
    return statLike(sftp::kStat, path, QStringLiteral("查看 %1").arg(displayName(path)));
}

sftp::Attributes SftpClient::lstat(const QByteArray& path) {
    return statLike(sftp::kLstat, path, QStringLiteral("查看 %1").arg(displayName(path)));
}

std::optional<sftp::Attributes> SftpClient::lstatIfAny(const QByteArray& path) {
    try {
        return lstat(path);
    } catch (const Failure& refusal) {
        if (refusal.status == sftp::kNoSuchFile) return std::nullopt;
        throw;
    }
}

sftp::Attributes SftpClient::fstat(const std::string& handle, const QByteArray& path) {
    const QString what = QStringLiteral("查看 %1").arg(displayName(path));
    const std::uint32_t id = send(std::move(Request(sftp::kFstat, nextId()).string(handle)));
    return expectAttributes(wait(id, what), what);
}

std::string SftpClient::open(const QByteArray& path, std::uint32_t flags, const sftp::Attributes& attributes) {
    const QString what = ((flags & sftp::kOpenWrite) != 0 ? QStringLiteral("写入 %1") : QStringLiteral("读取 %1"))
                             .arg(displayName(path));
    const std::uint32_t id =
        send(std::move(Request(sftp::kOpen, nextId()).string(view(path)).u32(flags).attributes(attributes)));
    return expectHandle(wait(id, what), what);
}

std::string SftpClient::opendir(const QByteArray& path) {
    const QString what = QStringLiteral("打开文件夹 %1").arg(displayName(path));
    const std::uint32_t id = send(std::move(Request(sftp::kOpendir, nextId()).string(view(path))));
    return expectHandle(wait(id, what), what);
}

void SftpClient::close(const std::string& handle, const QByteArray& path) {
    simple(std::move(Request(sftp::kClose, nextId()).string(handle)), QStringLiteral("关闭 %1").arg(displayName(path)));
}

std::vector<sftp::NameEntry> SftpClient::readdir(const std::string& handle, const QByteArray& path) {
    const QString what = QStringLiteral("列出文件夹 %1").arg(displayName(path));
    const std::uint32_t id = send(std::move(Request(sftp::kReaddir, nextId()).string(handle)));
    const Reply reply = wait(id, what);
    if (reply.type == sftp::kStatus) {
        const auto status = sftp::readStatus(reply.body);
        if (status && status->code == sftp::kEof) return {};
        refused(reply, what);
    }
    if (reply.type != sftp::kName) refused(reply, what);
    auto names = sftp::readNames(reply.body);
    if (!names) broken("a name reply cut short");
    return std::move(*names);
}

QByteArray SftpClient::realpath(const QByteArray& path) {
    const QString what = QStringLiteral("查找 %1").arg(displayName(path));
    const std::uint32_t id = send(std::move(Request(sftp::kRealpath, nextId()).string(view(path))));
    return expectOneName(wait(id, what), what);
}

QByteArray SftpClient::readlink(const QByteArray& path) {
    const QString what = QStringLiteral("读取链接 %1").arg(displayName(path));
    const std::uint32_t id = send(std::move(Request(sftp::kReadlink, nextId()).string(view(path))));
    return expectOneName(wait(id, what), what);
}

void SftpClient::simple(Request&& request, const QString& what) {
    const std::uint32_t id = send(std::move(request));
    expectStatusOk(wait(id, what), what);
}

void SftpClient::remove(const QByteArray& path) {
    simple(std::move(Request(sftp::kRemove, nextId()).string(view(path))),
           QStringLiteral("删除 %1").arg(displayName(path)));
}

void SftpClient::rename(const QByteArray& from, const QByteArray& to) {
    simple(std::move(Request(sftp::kRename, nextId()).string(view(from)).string(view(to))),
           QStringLiteral("把 %1 改名为 %2").arg(displayName(from), displayName(to)));
}

void SftpClient::posixRename(const QByteArray& from, const QByteArray& to) {
    simple(
        std::move(
            Request(sftp::kExtended, nextId()).string("posix-rename@openssh.com").string(view(from)).string(view(to))),
        QStringLiteral("用 %1 替换 %2").arg(displayName(from), displayName(to)));
}

void SftpClient::setstat(const QByteArray& path, const sftp::Attributes& attributes) {
    simple(std::move(Request(sftp::kSetstat, nextId()).string(view(path)).attributes(attributes)),
           QStringLiteral("设置 %1 的属性").arg(displayName(path)));
}

void SftpClient::fsetstat(const std::string& handle, const sftp::Attributes& attributes, const QByteArray& path) {
    simple(std::move(Request(sftp::kFsetstat, nextId()).string(handle).attributes(attributes)),
           QStringLiteral("设置 %1 的属性").arg(displayName(path)));
}

void SftpClient::fsyncHandle(const std::string& handle, const QByteArray& path) {
    simple(std::move(Request(sftp::kExtended, nextId()).string("fsync@openssh.com").string(handle)),
           QStringLiteral("把 %1 写入磁盘").arg(displayName(path)));
}

std::vector<std::optional<sftp::Attributes>> SftpClient::statMany(const std::vector<QByteArray>& paths) {
    return statManyLike(sftp::kStat, paths);
}

std::vector<std::optional<sftp::Attributes>> SftpClient::lstatMany(const std::vector<QByteArray>& paths) {
    return statManyLike(sftp::kLstat, paths);
}

std::vector<std::string> SftpClient::openMany(const std::vector<QByteArray>& paths, std::vector<QString>& refusals) {
    std::vector<std::string> handles(paths.size());
    refusals.assign(paths.size(), QString());
    std::size_t next = 0;
    std::deque<std::pair<std::uint32_t, std::size_t>> inFlight;
    try {
        while (next < paths.size() || !inFlight.empty()) {
            while (next < paths.size() && inFlight.size() < kInFlight) {
                inFlight.emplace_back(
                    send(std::move(
                        Request(sftp::kOpen, nextId()).string(view(paths[next])).u32(sftp::kOpenRead).attributes({}))),
                    next);
                ++next;
            }
            const auto [id, index] = inFlight.front();
            const QString what = QStringLiteral("读取 %1").arg(displayName(paths[index]));
            const Reply reply = wait(id, what);
            inFlight.pop_front();
            if (reply.type == sftp::kStatus) {
                try {
                    refused(reply, what);
                } catch (const Failure& failed) {
                    if (!alive_) throw;  // not a refusal: the channel is given up
                    refusals[index] = failed.outcome.message;
                }
            } else {
                handles[index] = expectHandle(reply, what);
            }
        }
    } catch (...) {
        for (const auto& request : inFlight) forget(request.first);
        for (const std::string& handle : handles)
            if (!handle.empty()) closeQuietly(handle);
        throw;
    }
    return handles;
}

std::vector<std::optional<sftp::Attributes>> SftpClient::statManyLike(sftp::Type type,
                                                                      const std::vector<QByteArray>& paths) {
    std::vector<std::optional<sftp::Attributes>> result(paths.size());
    std::size_t next = 0;
    std::deque<std::pair<std::uint32_t, std::size_t>> inFlight;
    try {
        while (next < paths.size() || !inFlight.empty()) {
            while (next < paths.size() && inFlight.size() < kInFlight) {
                inFlight.emplace_back(send(std::move(Request(type, nextId()).string(view(paths[next])))), next);
                ++next;
            }
            const auto [id, index] = inFlight.front();
            const QString what = QStringLiteral("查看 %1").arg(displayName(paths[index]));
            const Reply reply = wait(id, what);
            inFlight.pop_front();
            if (reply.type == sftp::kAttrs) {
                result[index] = expectAttributes(reply, what);
            } else if (reply.type != sftp::kStatus) {
                refused(reply, what);
            }
        }
    } catch (...) {
        for (const auto& request : inFlight) forget(request.first);
        throw;
    }
    return result;
}

QByteArray SftpClient::readAll(const std::string& handle, const QByteArray& path, std::uint64_t sizeHint,
                               std::uint64_t limit, const Moved& moved) {
    struct Pending {
        std::uint32_t id;
        std::uint64_t offset;
        std::uint32_t length;
    };
    const QString what = QStringLiteral("读取 %1").arg(displayName(path));
    QByteArray data;
    data.reserve(static_cast<qsizetype>(std::min(sizeHint, limit)) + 1);
    std::deque<Pending> inFlight;
    std::uint64_t next = 0;
    std::uint64_t pendingBytes = 0;
    bool ended = false;
    const auto ask = [&](std::uint64_t offset, std::uint32_t length) {
        const std::uint32_t id = send(std::move(Request(sftp::kRead, nextId()).string(handle).u64(offset).u32(length)));
        pendingBytes += length;
        return Pending{id, offset, length};
    };
    try {
        for (;;) {
            // Reads reach one chunk past what the file is known to hold, so its end is seen at once
            // and a file that grew is read on.
            const std::uint64_t horizon =
                std::max<std::uint64_t>(sizeHint, static_cast<std::uint64_t>(data.size())) + readChunk_;
            while (!ended && next < horizon && next <= limit && inFlight.size() < kInFlight &&
                   pendingBytes < kInFlightBytes) {
                inFlight.push_back(ask(next, readChunk_));
                next += readChunk_;
            }
            if (inFlight.empty()) break;
            const Pending pending = inFlight.front();
            const Reply reply = wait(pending.id, what);
            inFlight.pop_front();
            pendingBytes -= pending.length;
            if (reply.type == sftp::kStatus) {
                const auto status = sftp::readStatus(reply.body);
                if (!status || status->code != sftp::kEof) refused(reply, what);
                // The file ends here; what was asked past it will answer EOF too.
                ended = true;
                for (const Pending& later : inFlight) forget(later.id);
                inFlight.clear();
                break;
            }
            if (reply.type != sftp::kData) refused(reply, what);
            sftp::Fields fields(reply.body);
            const std::string_view bytes = fields.string(pending.length);
            if (!fields.ok()) broken("more data than asked for, or data cut short");
            if (static_cast<std::uint64_t>(data.size()) != pending.offset) broken("data out of order");
            if (bytes.empty()) broken("an empty data reply");
            data.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
            if (static_cast<std::uint64_t>(data.size()) > limit)
                throw failure(QStringLiteral("too-large"),
                              QStringLiteral("无法读取 %1：文件超过 %2 MB，编辑器最多打开 %2 MB")
                                  .arg(displayName(path))
                                  .arg(limit >> 20));
            if (moved) moved(static_cast<qint64>(bytes.size()));
            // A short read: the rest of that range is asked for next, before the reads behind it.
            if (bytes.size() < pending.length) {
                const auto got = static_cast<std::uint32_t>(bytes.size());
                inFlight.push_front(ask(pending.offset + got, pending.length - got));
            }
        }
    } catch (...) {
        for (const Pending& pending : inFlight) forget(pending.id);
        throw;
    }
    return data;
}

void SftpClient::writeAll(const std::string& handle, const QByteArray& path, const QByteArray& bytes,
                          const Moved& moved) {
    struct Pending {
        std::uint32_t id;
        std::uint32_t length;
    };
    const QString what = QStringLiteral("写入 %1").arg(displayName(path));
    const auto size = static_cast<std::uint64_t>(bytes.size());
    std::deque<Pending> inFlight;
    std::uint64_t next = 0;
    try {
        while (next < size || !inFlight.empty()) {
            while (next < size && inFlight.size() < kInFlight && out_.size() - outStart_ < kMaxQueued) {
                const auto length = static_cast<std::uint32_t>(std::min<std::uint64_t>(writeChunk_, size - next));
                const std::uint32_t id =
                    send(std::move(Request(sftp::kWrite, nextId())
                                       .string(handle)
                                       .u64(next)
                                       .string(std::string_view(bytes.constData() + next, length))));
                inFlight.push_back({id, length});
                next += length;
            }
            const Pending pending = inFlight.front();
            expectStatusOk(wait(pending.id, what), what);
            inFlight.pop_front();
            if (moved) moved(pending.length);
        }
    } catch (...) {
        for (const Pending& pending : inFlight) forget(pending.id);
        throw;
    }
}

}  // namespace remote::detail
