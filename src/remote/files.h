// Inside remote::Session (not for other code): what the requests on files do on the worker's
// thread, one SFTP step after another. Each throws Failure; the fields of result it has filled
// stay (a save refused as changed-on-server keeps what the server holds now).
#pragma once

#include <QByteArray>
#include <functional>

#include "remote/session.h"

namespace remote::detail {

class Worker;

// Bytes moved so far by a transfer, as they move.
using Moved = std::function<void(qint64 bytes)>;

void listFolder(Worker& worker, const QByteArray& path, Listing& result);
void readFile(Worker& worker, const QByteArray& path, FileRead& result, const Moved& moved);
void readFiles(Worker& worker, const std::vector<QByteArray>& paths, qint64 limit, ManyRead& result);
void saveFile(Worker& worker, const QByteArray& path, const QByteArray& bytes, const SaveOptions& options,
              SaveOutcome& result, const Moved& moved);

}  // namespace remote::detail
