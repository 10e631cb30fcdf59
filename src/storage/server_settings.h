// The server link's settings that are no secret (host, port, the reload command, whether the
// password is kept in the keyring), kept as JSON in the data folder. There is no field for the
// password: it lives only in the system's keyring.
#pragma once

#include "storage/safe_write.h"

#include <QByteArray>
#include <QString>

namespace storage {

struct ServerSettings {
    static constexpr quint16 kDefaultPort = 25575;  // the game's rcon.port unless changed

    QString host = QStringLiteral("127.0.0.1");
    quint16 port = kDefaultPort;
    QString reloadCommand = QStringLiteral("/quorvel reload");  // sent after "保存并重载"
    bool rememberPassword = false;                              // kept in the keyring

    bool operator==(const ServerSettings&) const = default;
};

// dataFolder()/server.json.
QString serverSettingsPath();

// The settings in a file's bytes. Whatever is missing, of the wrong type or out of range
// (a port outside 1..65535, a host or command over 1000 characters, a line break in either)
// keeps its default; damaged bytes give the defaults.
ServerSettings parseServerSettings(const QByteArray& bytes);
QByteArray serverSettingsJson(const ServerSettings& settings);

// The settings kept in path; the defaults when there are none or they cannot be read.
ServerSettings loadServerSettings(const QString& path);
// Writes them atomically.
WriteResult saveServerSettings(const QString& path, const ServerSettings& settings);

}  // namespace storage
