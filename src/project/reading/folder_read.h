// Reading a plugin's folder from a place into the folder's index: every YAML file of it and its
// subfolders, each by the rules of an open (UTF-8, else GBK; at most 64 MB; regular files only),
// links and other special files skipped and said so, a file that cannot be read told with why
// while the rest is read. Blocking and thread-safe: the editor runs it off its UI thread.
#pragma once

#include <QList>
#include <QString>

#include "project/folder.h"
#include "project/reading/place.h"
#include "storage/file_stamp.h"
#include "storage/safe_write.h"
#include "storage/text_codec.h"

namespace project {

// A file of the folder as it was read: what tells later whether it changed, and how its bytes
// were decoded.
struct ReadFile {
    QString path;              // relative to the folder, "/" between parts
    storage::FileStamp stamp;  // exists, size, time and SHA-1 of the bytes read; empty when not read
    storage::TextFormat format;
    QString warning;  // bytes the encoding could not read (storage::invalidBytesWarning); empty mostly
    QString error;    // why it could not be read ("无法打开：…"); the index has it as File::error
};

// An item of the folder that was not read, and why: a link, a pipe, a device, a socket, or a
// subfolder that could not be listed.
struct Skipped {
    QString path;
    QString why;
    bool operator==(const Skipped&) const = default;
};

struct FolderRead {
    QString place;           // Place::name()
    QString error;           // the folder itself could not be listed: nothing was read
    Folder folder;           // the index of every YAML file
    QList<ReadFile> files;   // one per file of folder.files(), in its order
    QList<Skipped> skipped;  // in folder order

    bool ok() const { return error.isEmpty(); }
    const ReadFile* file(const QString& path) const;
};

// Whether a file name is a YAML file's: ".yml" or ".yaml", in any case.
bool isYamlName(const QString& name);

// The most a reading takes: each file as an open (64 MB), and the folder's YAML files together,
// so that a folder of many large files cannot take the editor's memory (the files past it, in
// folder order, are told as not read).
constexpr qint64 kMaxFolderBytes = qint64{256} << 20;
struct ReadLimits {
    qint64 file = storage::kMaxFileBytes;
    qint64 folder = kMaxFolderBytes;
};

// Lists the folder and its subfolders, reads every YAML file (all asked of the place at once)
// and indexes them, on as many threads as the machine has cores, up to four. With an earlier
// reading of the folder (F5), a file whose bytes are as they were then keeps its index.
FolderRead readFolder(Place& place, const FolderRead* previous = nullptr, const ReadLimits& limits = {});

// A file's path in the folder as the index has it ("old/sockets.yml"), from their paths on this
// computer; empty when the file is not in the folder or below it. For the folder as a save
// would leave it (checkSave) when the file being saved is one of the folder's.
QString pathInFolder(const QString& folder, const QString& file);

// How a file differs in a later reading of the folder from an earlier one, by its bytes.
enum class Change { Changed, Added, Removed };
struct FileChange {
    QString path;
    Change change = Change::Changed;
    bool operator==(const FileChange&) const = default;
};
// The files of now that are not as they were in before (F5's marks), in now's order, then the
// files gone, in before's order. A file that could not be read either time is not compared.
QList<FileChange> changesSince(const FolderRead& before, const FolderRead& now);

}  // namespace project
