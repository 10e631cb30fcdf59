#include "project/reading/folder_read.h"

#include <QCryptographicHash>
#include <QDir>
#include <QHash>

#include <algorithm>
#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include "storage/safe_write.h"

namespace project {

namespace {

QString joinedPath(const QString& folder, const QString& name) {
    return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
}

// The folder's YAML files and what was skipped, folder by folder.
struct Walk {
    QStringList files;
    QList<qint64> sizes;  // of the files, as listed
    QList<Skipped> skipped;
    QString error;  // the folder itself could not be listed
};

Walk walk(Place& place) {
    Walk out;
    QStringList folders{QString()};
    while (!folders.isEmpty()) {
        const QString folder = folders.takeFirst();
        const PlaceListing listing = place.list(folder);
        if (!listing.error.isEmpty()) {
            if (folder.isEmpty()) {
                out.error = listing.error;
                return out;
            }
            out.skipped.append({folder, QStringLiteral("无法读取这个文件夹：%1").arg(listing.error)});
            continue;
        }
        for (const PlaceItem& item : listing.items) {
            const QString path = joinedPath(folder, item.name);
            switch (item.type) {
            case PlaceItem::Type::File:
                if (isYamlName(item.name)) {
                    out.files.append(path);
                    out.sizes.append(item.size);
                }
                break;
            case PlaceItem::Type::Folder: folders.append(path); break;
            case PlaceItem::Type::Link:
                // Whatever it names, a file or a folder of files, is not read.
                out.skipped.append({path, QStringLiteral("这是符号链接，没有读取（编辑器不跟随文件夹里的链接）")});
                break;
            case PlaceItem::Type::Other:
                if (isYamlName(item.name))
                    out.skipped.append({path, QStringLiteral("这不是普通文件（%1），没有读取").arg(item.kind)});
                break;
            }
        }
    }
    return out;
}

// One file read and indexed.
struct Indexed {
    File file;
    ReadFile read;
};

// A file's bytes indexed; when an earlier reading has the very bytes under the same path, its
// index is taken over instead of made again.
Indexed indexRead(const QString& path, const PlaceRead& bytes, const FolderRead* previous) {
    Indexed out;
    out.read.path = path;
    if (!bytes.ok()) {
        out.read.error = bytes.error;
        out.file = indexFile({path.toStdString(), {}, bytes.error.toStdString()});
        return out;
    }
    out.read.stamp.exists = true;
    out.read.stamp.size = bytes.bytes.size();
    out.read.stamp.modified = bytes.modified;
    out.read.stamp.hash = QCryptographicHash::hash(bytes.bytes, QCryptographicHash::Sha1);
    const ReadFile* was = previous != nullptr ? previous->file(path) : nullptr;
    const File* indexed = previous != nullptr ? previous->folder.file(path.toStdString()) : nullptr;
    if (was != nullptr && indexed != nullptr && was->stamp.exists && was->stamp.hash == out.read.stamp.hash &&
        was->stamp.size == out.read.stamp.size) {
        out.read.format = was->format;
        out.read.warning = was->warning;
        out.file = *indexed;
        return out;
    }
    const storage::DecodedText decoded = storage::decodeText(bytes.bytes);
    out.read.format = decoded.format;
    out.read.warning = storage::invalidBytesWarning(decoded);
    out.file = indexFile({path.toStdString(), decoded.text.toStdString(), {}});
    return out;
}

// Indexes the files on up to four threads, the largest first so that none is left alone at the end.
std::vector<Indexed> indexAll(const QStringList& paths, const QList<PlaceRead>& reads, const FolderRead* previous) {
    std::vector<Indexed> out(static_cast<std::size_t>(paths.size()));
    std::vector<std::size_t> order(out.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return reads[static_cast<qsizetype>(a)].bytes.size() > reads[static_cast<qsizetype>(b)].bytes.size();
    });
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t at = next++; at < order.size(); at = next++) {
            const auto i = static_cast<qsizetype>(order[at]);
            out[order[at]] = indexRead(paths[i], reads[i], previous);
        }
    };
    const auto cores = static_cast<std::size_t>(std::max(1u, std::thread::hardware_concurrency()));
    const std::size_t threads = std::min({cores, std::size_t{4}, std::max(order.size(), std::size_t{1})});
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    return out;
}

}  // namespace

bool isYamlName(const QString& name) {
    return name.endsWith(QLatin1String(".yml"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String(".yaml"), Qt::CaseInsensitive);
}

const ReadFile* FolderRead::file(const QString& path) const {
    for (const ReadFile& read : files)
        if (read.path == path) return &read;
    return nullptr;
}

QString pathInFolder(const QString& folder, const QString& file) {
    QString relative = QDir(QDir::cleanPath(folder)).relativeFilePath(QDir::cleanPath(file));
    if (relative.isEmpty() || relative == QLatin1String(".") || relative.startsWith(QLatin1String("../")) ||
        relative == QLatin1String("..") || QDir::isAbsolutePath(relative))
        return {};
    return relative;
}

FolderRead readFolder(Place& place, const FolderRead* previous, const ReadLimits& limits) {
    FolderRead out;
    out.place = place.name();
    Walk found = walk(place);
    if (!found.error.isEmpty()) {
        out.error = found.error;
        return out;
    }
    // The files in folder order; those past the folder's limit are not asked for.
    std::vector<qsizetype> order(static_cast<std::size_t>(found.files.size()));
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<qsizetype>(i);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return inFolderOrder(found.files[a].toStdString(), found.files[b].toStdString());
    });
    QStringList paths;
    QStringList asked;
    QList<PlaceRead> reads;
    qint64 total = 0;
    for (const qsizetype i : order) {
        paths.append(found.files[i]);
        const qint64 size = found.sizes[i];
        if (size <= limits.file) total += size;  // a larger one is refused without a byte read
        if (total <= limits.folder) asked.append(found.files[i]);
    }
    const QList<PlaceRead> answers = place.read(asked, limits.file);
    PlaceRead missing;
    missing.error =
        answers.size() == asked.size()
            ? QStringLiteral("无法打开：文件夹里的 YAML 文件一共超过 %1 MB，这个文件没有读取").arg(limits.folder >> 20)
            : QStringLiteral("无法打开：没有读到这个文件");  // a place that answered otherwise
    for (qsizetype i = 0, a = 0; i < paths.size(); ++i) {
        const bool wasAsked = a < asked.size() && asked[a] == paths[i];
        reads.append(wasAsked && answers.size() == asked.size() ? answers[a] : missing);
        if (wasAsked) ++a;
    }
    std::vector<Indexed> indexed = indexAll(paths, reads, previous);
    QHash<QString, ReadFile> byPath;
    std::vector<File> files;
    files.reserve(indexed.size());
    for (Indexed& one : indexed) {
        QString path = one.read.path;
        byPath.emplace(std::move(path), std::move(one.read));
        files.push_back(std::move(one.file));
    }
    out.folder = Folder(std::move(files));
    for (const File& file : out.folder.files()) out.files.append(byPath.take(QString::fromStdString(file.path)));
    out.skipped = std::move(found.skipped);
    std::stable_sort(out.skipped.begin(), out.skipped.end(), [](const Skipped& a, const Skipped& b) {
        return inFolderOrder(a.path.toStdString(), b.path.toStdString());
    });
    return out;
}

QList<FileChange> changesSince(const FolderRead& before, const FolderRead& now) {
    QList<FileChange> out;
    for (const ReadFile& file : now.files) {
        const ReadFile* was = before.file(file.path);
        if (was == nullptr) {
            out.append({file.path, Change::Added});
        } else if (was->stamp.exists != file.stamp.exists ||
                   (file.stamp.exists && was->stamp.hash != file.stamp.hash)) {
            out.append({file.path, Change::Changed});
        }
    }
    for (const ReadFile& file : before.files)
        if (now.file(file.path) == nullptr) out.append({file.path, Change::Removed});
    return out;
}

}  // namespace project
