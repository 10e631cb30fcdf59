// A plugin's folder on a server as a place the folder's reading reads from: its folders listed
// and its files read over one profile's session, the reads of a folder's files in flight
// together. The reading runs off the UI thread and waits here for the session's answers; the
// session itself is asked on its own (the UI) thread, so it never waits on the network either.
#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>

#include "project/reading/place.h"
#include "remote/session.h"

namespace remote {

class FolderPlace : public project::Place {
public:
    // name: the folder as the user reads it ("lobby:/srv/lobby/plugins/Quorvel"); root: its path
    // on the server. Made and used on a thread that is not the session's.
    FolderPlace(QPointer<Session> session, QString name, QByteArray root);

    QString name() const override { return name_; }
    project::PlaceListing list(const QString& folder) override;
    QList<project::PlaceRead> read(const QStringList& paths, qint64 limit) override;

private:
    QByteArray pathOf(const QString& relative) const;

    QPointer<Session> session_;
    QString name_;
    QByteArray root_;
};

}  // namespace remote
