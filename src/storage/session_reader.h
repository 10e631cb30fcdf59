// A session's content as the editor restores it. The file is whatever was on disk, so every
// value is checked here: a value of the wrong type is dropped, numbers are taken only within
// their range, and a window's place is fitted to the screens there are now.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

#include "storage/file_stamp.h"
#include "storage/text_codec.h"

namespace storage {

struct SessionWindow {
    quint32 id = 0;
    // Where it was, as the file says (any 64-bit values); placeOnScreens makes a place of it.
    std::optional<std::pair<qint64, qint64>> position;
    std::optional<std::pair<qint64, qint64>> size;
    int page = -1;                                 // -1: none saved
    QList<std::pair<QString, QString>> texts;      // unit name, text
    QList<std::pair<QString, qint64>> selections;  // unit name, index as saved
    QByteArray docks;  // the docked panels' places, sizes and visibility, as the window saved them
};

struct SessionDocument {
    QString panel;  // the panel's name in the panel table
    QString path;
    TextFormat format;
    FileStamp stamp;
    bool lostBytes = false;
    QStringList quietChanges;  // what the next save will write otherwise than the file has it
    bool unsaved = false;      // the panel's text differed from the file
    QString place;             // the server profile of a server's file; empty: this computer
};

struct SessionContent {
    QList<SessionWindow> windows;
    QList<SessionDocument> documents;
};

// The session's content; nullopt when the object is not a session of the given format.
std::optional<SessionContent> readSessionContent(const QJsonObject& session, QLatin1StringView format);

// The place to give a window saved at window.position with window.size: no larger than the
// largest screen and no smaller than minimum, moved wholly onto the screen it overlapped most.
// nullopt when it has no place saved or overlaps no screen (a monitor unplugged): the window
// then takes its default place.
std::optional<QRect> placeOnScreens(const SessionWindow& window, const QList<QRect>& screens, QSize minimum);

}  // namespace storage
