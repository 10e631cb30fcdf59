#include "remote/files.h"

#include "remote/paths.h"
#include "remote/sftp_client.h"
#include "remote/worker.h"
#include "storage/safe_write.h"

namespace remote::detail {
namespace {

// More entries than any plugin folder holds: a server that sends more is not believed.
constexpr std::size_t kMaxEntries = 100'000;

EntryType typeOf(const sftp::Attributes& attributes) {
    switch (attributes.type()) {
    case sftp::kTypeFile: return EntryType::File;
    case sftp::kTypeDir: return EntryType::Folder;
    case sftp::kTypeLink: return EntryType::Link;
    default: return EntryType::Other;
    }
}

// Closes a handle when a request ends before it could close it itself.
class HandleGuard {
public:
    HandleGuard(SftpClient& sftp, std::string handle) : sftp_(sftp), handle_(std::move(handle)) {}
    ~HandleGuard() {
        if (!handle_.empty()) sftp_.closeQuietly(handle_);
    }
    HandleGuard(const HandleGuard&) = delete;
    HandleGuard& operator=(const HandleGuard&) = delete;
    const std::string& handle() const { return handle_; }
    void close(const QByteArray& path) { sftp_.close(std::exchange(handle_, {}), path); }

private:
    SftpClient& sftp_;
    std::string handle_;
};

}  // namespace

void listFolder(Worker& worker, const QByteArray& path, Listing& result) {
    worker.ensureConnected();
    SftpClient& sftp = worker.sftp();
    result.path = sftp.realpath(path.isEmpty() ? QByteArray(".") : path);
    HandleGuard folder(sftp, sftp.opendir(result.path));
    std::vector<QByteArray> links;
    std::vector<std::size_t> linkEntries;
    for (;;) {
        std::vector<sftp::NameEntry> batch = sftp.readdir(folder.handle(), result.path);
        if (batch.empty()) break;
        for (sftp::NameEntry& entry : batch) {
            if (entry.name == "." || entry.name == ".." || entry.name.empty() ||
                entry.name.find('/') != std::string::npos)
                continue;
            if (result.entries.size() >= kMaxEntries)
                throw failure(QStringLiteral("failed"), QStringLiteral("文件夹 %1 的条目超过 %2 个，没有列出")
                                                            .arg(displayName(result.path))
                                                            .arg(kMaxEntries));
            RemoteEntry shown;
            shown.name = QByteArray(entry.name.data(), static_cast<qsizetype>(entry.name.size()));
            shown.displayName = displayName(shown.name);
            shown.type = typeOf(entry.attributes);
            shown.size = static_cast<qint64>(std::min<std::uint64_t>(entry.attributes.size, INT64_MAX));
            shown.mtime = entry.attributes.mtime;
            shown.permissions = entry.attributes.permissions & 07777;
            if (shown.type == EntryType::Link) {
                links.push_back(joinPath(result.path, shown.name));
                linkEntries.push_back(result.entries.size());
            }
            result.entries.push_back(std::move(shown));
        }
    }
    folder.close(result.path);
    const auto targets = sftp.statMany(links);
    for (std::size_t i = 0; i < targets.size(); ++i)
        if (targets[i]) result.entries[linkEntries[i]].linkTarget = typeOf(*targets[i]);
}

namespace {

Failure notRegular(const QByteArray& path, const sftp::Attributes& attributes, const QString& doing) {
    const QString what = attributes.type() == sftp::kTypeDir ? QStringLiteral("这是一个文件夹，不是文件")
                                                             : QStringLiteral("这不是普通文件");
    return failure(QStringLiteral("not-regular"), QStringLiteral("无法%1：%2：%3").arg(doing, what, displayName(path)));
}

bool regular(const sftp::Attributes& attributes) {
    return !attributes.has(sftp::kAttrPermissions) || attributes.type() == sftp::kTypeFile;
}

Failure tooLarge(const QByteArray& path, std::uint64_t size) {
    return failure(QStringLiteral("too-large"), QStringLiteral("无法打开：文件太大（%1 MB），编辑器最多打开 %2 MB：%3")
                                                    .arg(static_cast<double>(size) / (1 << 20), 0, 'f', 1)
                                                    .arg(storage::kMaxFileBytes >> 20)
                                                    .arg(displayName(path)));
}

}  // namespace

void readFile(Worker& worker, const QByteArray& path, FileRead& result, const Moved& moved) {
    worker.ensureConnected();
    SftpClient& sftp = worker.sftp();
    // Looked at before it is opened: opening a pipe would hold the server's SFTP process.
    const sftp::Attributes named = sftp.stat(path);
    if (!regular(named)) throw notRegular(path, named, QStringLiteral("打开"));
    if (named.size > static_cast<std::uint64_t>(storage::kMaxFileBytes)) throw tooLarge(path, named.size);
    HandleGuard file(sftp, sftp.open(path, sftp::kOpenRead));
    const sftp::Attributes opened = sftp.fstat(file.handle(), path);
    if (!regular(opened)) throw notRegular(path, opened, QStringLiteral("打开"));
    result.stamp = {opened.permissions & 07777, opened.mtime, static_cast<qint64>(opened.size)};
    try {
        result.bytes = sftp.readAll(file.handle(), path, opened.size, storage::kMaxFileBytes, moved);
    } catch (const Failure& failed) {
        if (failed.outcome.code == QLatin1String("too-large")) throw tooLarge(path, opened.size);
        throw;
    }
    file.close(path);
    result.stamp = {opened.permissions & 07777, opened.mtime, result.bytes.size()};
}

}  // namespace remote::detail
