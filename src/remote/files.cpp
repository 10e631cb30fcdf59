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

// Many files of a folder, their requests in flight together: the types and sizes of all (links
// not followed), then the opens of the regular ones, then each file's reads, its close not waited
// for. A file the server refuses, or that is no regular file or too large, has its error and the
// rest are read; a connection that breaks ends them all.
void readFiles(Worker& worker, const std::vector<QByteArray>& paths, qint64 limit, ManyRead& result) {
    worker.ensureConnected();
    SftpClient& sftp = worker.sftp();
    result.files.assign(paths.size(), FileRead{});
    const auto named = sftp.lstatMany(paths);
    std::vector<QByteArray> wanted;
    std::vector<std::size_t> wantedIndex;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        FileRead& file = result.files[i];
        if (!named[i]) {
            static_cast<Outcome&>(file) = failure(QStringLiteral("not-found"),
                                                  QStringLiteral("无法打开：找不到文件：%1").arg(displayName(paths[i])))
                                              .outcome;
        } else if (named[i]->type() != sftp::kTypeFile) {
            static_cast<Outcome&>(file) = notRegular(paths[i], *named[i], QStringLiteral("打开")).outcome;
        } else if (named[i]->size > static_cast<std::uint64_t>(limit)) {
            static_cast<Outcome&>(file) = tooLarge(paths[i], named[i]->size).outcome;
        } else {
            file.stamp = {named[i]->permissions & 07777, named[i]->mtime, static_cast<qint64>(named[i]->size)};
            wanted.push_back(paths[i]);
            wantedIndex.push_back(i);
        }
    }
    std::vector<QString> refusals;
    std::vector<std::string> handles = sftp.openMany(wanted, refusals);
    try {
        for (std::size_t k = 0; k < wanted.size(); ++k) {
            FileRead& file = result.files[wantedIndex[k]];
            if (handles[k].empty()) {
                file.code = QStringLiteral("failed");
                file.message = refusals[k];
                continue;
            }
            try {
                file.bytes = sftp.readAll(handles[k], wanted[k], static_cast<std::uint64_t>(file.stamp.size),
                                          static_cast<std::uint64_t>(limit), {});
                file.stamp.size = file.bytes.size();
            } catch (const Failure& failed) {
                if (!sftp.alive() || failed.outcome.code == QLatin1String("timeout") ||
                    failed.outcome.code == QLatin1String("cancelled"))
                    throw;
                static_cast<Outcome&>(file) = failed.outcome;
                file.bytes.clear();
            }
            sftp.closeQuietly(std::exchange(handles[k], {}));
        }
    } catch (...) {
        for (const std::string& handle : handles)
            if (!handle.empty()) sftp.closeQuietly(handle);
        throw;
    }
}

}  // namespace remote::detail
