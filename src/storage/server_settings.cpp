#include "storage/server_settings.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "storage/session.h"

namespace storage {
namespace {

constexpr qsizetype kMaxText = 1000;
// Far beyond any settings file: a larger one is not read at all.
constexpr qint64 kMaxSettingsBytes = qint64{64} * 1024;

// A one-line text of sensible length from the object, or fallback.
QString lineOf(const QJsonObject& object, const char* key, const QString& fallback) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString()) return fallback;
    QString text = value.toString();
    if (text.size() > kMaxText || text.contains(u'\n') || text.contains(u'\r')) return fallback;
    return text;
}

}  // namespace

QString serverSettingsPath() {
    const QString folder = dataFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/server.json");
}

ServerSettings parseServerSettings(const QByteArray& bytes) {
    ServerSettings settings;
    const QJsonObject object = QJsonDocument::fromJson(bytes).object();
    const QString host = lineOf(object, "host", settings.host).trimmed();
    if (!host.isEmpty()) settings.host = host;
    const QJsonValue port = object.value(QStringLiteral("port"));
    if (port.isDouble() && port.toDouble() == static_cast<double>(port.toInt()) && port.toInt() >= 1 &&
        port.toInt() <= 65535)
        settings.port = static_cast<quint16>(port.toInt());
    settings.reloadCommand = lineOf(object, "reloadCommand", settings.reloadCommand);
    settings.rememberPassword = object.value(QStringLiteral("rememberPassword")).toBool(settings.rememberPassword);
    return settings;
}

QByteArray serverSettingsJson(const ServerSettings& settings) {
    const QJsonObject object{{"host", settings.host},
                             {"port", settings.port},
                             {"reloadCommand", settings.reloadCommand},
                             {"rememberPassword", settings.rememberPassword}};
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

ServerSettings loadServerSettings(const QString& path) {
    // Only a regular file of a settings file's size: a pipe put in its place would wait for a writer.
    if (path.isEmpty()) return {};
    const ReadResult read = readFile(path, kMaxSettingsBytes);
    return read.ok() ? parseServerSettings(read.bytes) : ServerSettings{};
}

WriteResult saveServerSettings(const QString& path, const ServerSettings& settings) {
    return writeFileAtomically(path, serverSettingsJson(settings), Backup::None);
}

}  // namespace storage
