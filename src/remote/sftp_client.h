// Inside remote::Session (not for other code): an SFTP version 3 client over one SSH channel on
// the worker's thread. Requests carry ids; a reply must answer a request that is waiting, within
// the time limit, or the channel is given up. Reads and writes keep many requests in flight, as
// OpenSSH's own client does; posix-rename@openssh.com and fsync@openssh.com are used where the
// server's version packet offers them.
#pragma once

#include <libssh/libssh.h>

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "remote/sftp_packet.h"

namespace remote::detail {

class Worker;

class SftpClient {
public:
    // Bytes moved by a transfer, as they move.
    using Moved = std::function<void(qint64 bytes)>;

    SftpClient(Worker& worker, ssh_channel channel, int timeoutMs);
    // How long the server may stay silent for each reply, from the next wait on.
    void setTimeout(int ms) { timeoutMs_ = ms; }
    ~SftpClient();
    SftpClient(const SftpClient&) = delete;
    SftpClient& operator=(const SftpClient&) = delete;

    // Version exchange and the server's limits. Throws Failure.
    void start();
    bool alive() const { return alive_; }
    bool posixRename() const { return posixRename_; }
    bool fsync() const { return fsync_; }

    // After a request: replies still to come are dropped when they come.
    void forgetAll();
    // Closes a handle without waiting for the answer (a request that ends early).
    void closeQuietly(const std::string& handle);

    // The worker's loop: moves the channel's bytes both ways. True when any moved.
    bool service();
    bool wantsRead() const { return alive_; }

    // Each throws Failure: the server's refusal ("not-found", "permission-denied", "failed" with
    // its status), "dropped", "timeout" or "cancelled". what names the request for the messages.
    sftp::Attributes stat(const QByteArray& path);
    sftp::Attributes lstat(const QByteArray& path);
    // nullopt where the server says there is no such file.
    std::optional<sftp::Attributes> lstatIfAny(const QByteArray& path);
    sftp::Attributes fstat(const std::string& handle, const QByteArray& path);
    std::string open(const QByteArray& path, std::uint32_t flags, const sftp::Attributes& attributes = {});
    std::string opendir(const QByteArray& path);
    void close(const std::string& handle, const QByteArray& path);
    // One READDIR's entries; empty at the end of the folder.
    std::vector<sftp::NameEntry> readdir(const std::string& handle, const QByteArray& path);
    QByteArray realpath(const QByteArray& path);
    QByteArray readlink(const QByteArray& path);
    void remove(const QByteArray& path);
    void rename(const QByteArray& from, const QByteArray& to);
    void posixRename(const QByteArray& from, const QByteArray& to);
    void setstat(const QByteArray& path, const sftp::Attributes& attributes);
    void fsetstat(const std::string& handle, const sftp::Attributes& attributes, const QByteArray& path);
    void fsyncHandle(const std::string& handle, const QByteArray& path);

    // Stats of many paths at once (nullopt for those the server refuses); lstatMany does not
    // follow a link.
    std::vector<std::optional<sftp::Attributes>> statMany(const std::vector<QByteArray>& paths);
    std::vector<std::optional<sftp::Attributes>> lstatMany(const std::vector<QByteArray>& paths);
    // Opens many files for reading at once: each its handle, or empty with why in refusals.
    std::vector<std::string> openMany(const std::vector<QByteArray>& paths, std::vector<QString>& refusals);

    // The whole file behind an open handle, reads pipelined; sizeHint is what fstat said. Over
    // limit bytes: "too-large".
    QByteArray readAll(const std::string& handle, const QByteArray& path, std::uint64_t sizeHint, std::uint64_t limit,
                       const Moved& moved);
    // Writes bytes from offset 0, writes pipelined.
    void writeAll(const std::string& handle, const QByteArray& path, const QByteArray& bytes, const Moved& moved);

private:
    std::uint32_t send(sftp::Request&& request);
    std::uint32_t nextId() { return ++lastId_; }
    sftp::Reply wait(std::uint32_t id, const QString& what);
    void forget(std::uint32_t id);  // a reply no longer waited for: dropped when it comes
    void expectStatusOk(const sftp::Reply& reply, const QString& what);
    std::string expectHandle(const sftp::Reply& reply, const QString& what);
    sftp::Attributes expectAttributes(const sftp::Reply& reply, const QString& what);
    QByteArray expectOneName(const sftp::Reply& reply, const QString& what);
    [[noreturn]] void refused(const sftp::Reply& reply, const QString& what);
    [[noreturn]] void broken(const std::string& why);
    sftp::Attributes statLike(sftp::Type type, const QByteArray& path, const QString& what);
    std::vector<std::optional<sftp::Attributes>> statManyLike(sftp::Type type, const std::vector<QByteArray>& paths);
    void simple(sftp::Request&& request, const QString& what);
    void takeReplies();

    Worker& worker_;
    ssh_channel channel_;
    int timeoutMs_;
    bool alive_ = true;
    std::string broken_;  // why the channel was given up

    std::string out_;  // requests not yet taken by the channel
    std::size_t outStart_ = 0;
    std::vector<char> in_;
    sftp::Framer framer_;
    std::uint32_t lastId_ = 0;
    std::map<std::uint32_t, bool> waiting_;  // id -> still wanted
    std::map<std::uint32_t, sftp::Reply> arrived_;

    bool posixRename_ = false;
    bool fsync_ = false;
    std::uint32_t readChunk_ = 32 * 1024;
    std::uint32_t writeChunk_ = 32 * 1024;
};

}  // namespace remote::detail
