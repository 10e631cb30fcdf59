// The "recent files" list: the files the user opened or saved last, most recent first, at
// most ten, no duplicates and no files that have since gone, kept as JSON in the data
// folder. A server's file is kept as its link ("lobby:/srv/lobby/plugins/Quorvel/sockets.yml"),
// as it is and whether or not it is still there.
#pragma once

#include "storage/safe_write.h"

#include <QString>
#include <QStringList>

namespace storage {

constexpr int kMaxRecentFiles = 10;

// dataFolder()/recent.json.
QString recentFilesPath();

// The list with path put first: an earlier mention of the same file is removed and the
// list cut to kMaxRecentFiles. Paths are compared as absolute, cleaned paths (through
// symbolic links when the file exists).
QStringList withRecentFile(const QStringList& list, const QString& path);

// The stored list without files that no longer exist; an unreadable or damaged store
// gives an empty list.
QStringList loadRecentFiles(const QString& store);

// Writes the list atomically (at most kMaxRecentFiles, duplicates removed).
WriteResult saveRecentFiles(const QString& store, const QStringList& list);

// Loads the list, puts path first and saves it: the call for "a file was opened or saved".
WriteResult rememberRecentFile(const QString& store, const QString& path);

}  // namespace storage
