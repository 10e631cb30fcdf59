// Where a plugin's folder is read from: its items folder by folder, and its files' bytes, never
// through a link and never waiting on a pipe or a device. The local disk is one place; a
// server's folder over SFTP is another, answering the same two questions.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace project {

// One item of a folder, as the place has it (a link is a link, not what it points to).
struct PlaceItem {
    enum class Type { File, Folder, Link, Other };
    QString name;  // its name in its folder
    Type type = Type::Other;
    QString kind;  // Other: what it is, as the user reads it ("命名管道", "字符设备", "套接字")
    qint64 size = 0;
    QDateTime modified;
};

struct PlaceListing {
    QList<PlaceItem> items;  // in no particular order
    QString error;           // why the folder could not be listed; empty when it was
};

struct PlaceRead {
    QByteArray bytes;
    qint64 size = 0;  // of the file read, and its time
    QDateTime modified;
    QString error;  // why the file could not be read ("无法打开：…"); bytes are then empty
    bool ok() const { return error.isEmpty(); }
};

class Place {
public:
    virtual ~Place() = default;
    // The folder as the user reads it: "/srv/mc/plugins/Quorvel", "lobby:/plugins/Quorvel".
    virtual QString name() const = 0;
    // The items of a folder of the place: "" its own folder, "old/2023" one below it.
    virtual PlaceListing list(const QString& folder) = 0;
    // The files' bytes, each at most limit bytes, in the order asked: a file that is no
    // regular file (a link, a pipe, a device) or is larger is refused without a byte read. All
    // are asked at once, so that a remote place can have its reads in flight together.
    virtual QList<PlaceRead> read(const QStringList& paths, qint64 limit) = 0;
};

// A folder on this computer. Every name below it is opened without following links, one part
// of the path at a time, so a link swapped in after the listing is refused, not followed; files
// are opened without blocking, so a pipe put in a file's place cannot hold the read. The folder
// itself is opened when the place is made (a link the user chose as the folder is followed):
// the place reads that folder even if another takes its name.
class LocalPlace : public Place {
public:
    explicit LocalPlace(QString root);
    ~LocalPlace() override;
    LocalPlace(const LocalPlace&) = delete;
    LocalPlace& operator=(const LocalPlace&) = delete;

    QString name() const override { return root_; }
    PlaceListing list(const QString& folder) override;
    QList<PlaceRead> read(const QStringList& paths, qint64 limit) override;

private:
    QString root_;
    int rootFd_ = -1;
    QString rootError_;  // why the folder could not be opened
};

}  // namespace project
