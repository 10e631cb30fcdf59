#include "storage/item_templates.h"

#include "storage/session.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace storage {
namespace {

using builders::item::ItemDesign;

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

void readText(const QJsonObject& object, const char* key, std::string& into) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isString()) into = toUtf8(value.toString());
}

void readBool(const QJsonObject& object, const char* key, bool& into) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isBool()) into = value.toBool();
}

}  // namespace

QString itemTemplatesPath() {
    const QString folder = dataFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/item_templates.json");
}

QJsonObject designToJson(const ItemDesign& design) {
    QJsonArray enchantments;
    for (const builders::item::Enchantment& row : design.enchantments)
        enchantments.append(QJsonObject{{"name", fromUtf8(row.name)}, {"level", fromUtf8(row.level)}});
    QJsonArray flags;
    for (std::size_t i = 0; i < builders::item::kFlagCount; ++i) {
        const std::string_view name = builders::item::flagNames()[i].name;
        if (design.flags[i]) flags.append(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    }
    return {{"name", fromUtf8(design.name)},        {"lore", fromUtf8(design.lore)},
            {"enchantments", enchantments},         {"flags", flags},
            {"unbreakable", design.unbreakable},    {"replace", design.replace},
            {"saveName", fromUtf8(design.saveName)}};
}

ItemDesign designFromJson(const QJsonObject& object) {
    ItemDesign design;
    readText(object, "name", design.name);
    readText(object, "lore", design.lore);
    const QJsonArray rows = object.value(QStringLiteral("enchantments")).toArray();
    for (qsizetype i = 0; i < rows.size() && i < static_cast<qsizetype>(builders::item::kEnchantmentRows); ++i) {
        const QJsonObject row = rows.at(i).toObject();
        readText(row, "name", design.enchantments[static_cast<std::size_t>(i)].name);
        readText(row, "level", design.enchantments[static_cast<std::size_t>(i)].level);
    }
    for (const auto& flag : object.value(QStringLiteral("flags")).toArray()) {
        const std::string name = toUtf8(flag.toString());
        for (std::size_t i = 0; i < builders::item::kFlagCount; ++i)
            if (builders::item::flagNames()[i].name == name) design.flags[i] = true;
    }
    readBool(object, "unbreakable", design.unbreakable);
    readBool(object, "replace", design.replace);
    readText(object, "saveName", design.saveName);
    return design;
}

LoadedTemplates loadItemTemplates(const QString& path) {
    LoadedTemplates loaded;
    if (!QFileInfo(path).isFile()) return loaded;  // none saved yet
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        loaded.error = QStringLiteral("无法读取模板文件（%1）：%2").arg(file.errorString(), path);
        return loaded;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject() ||
        !document.object().value(QStringLiteral("templates")).isArray()) {
        const QString where = error.error != QJsonParseError::NoError
                                  ? QStringLiteral("第 %1 个字节处出错").arg(error.offset)
                                  : QStringLiteral("不是模板列表");
        loaded.error = QStringLiteral("模板文件已损坏（%1）：%2").arg(where, path);
        return loaded;
    }
    for (const auto& value : document.object().value(QStringLiteral("templates")).toArray()) {
        const QJsonObject entry = value.toObject();
        const QString name = entry.value(QStringLiteral("name")).toString();
        if (name.isEmpty()) continue;
        loaded.templates =
            withTemplate(loaded.templates, {name, designFromJson(entry.value(QStringLiteral("design")).toObject())});
    }
    return loaded;
}

WriteResult saveItemTemplates(const QString& path, const QList<ItemTemplate>& templates) {
    QJsonArray list;
    for (const ItemTemplate& entry : templates)
        list.append(QJsonObject{{"name", entry.name}, {"design", designToJson(entry.design)}});
    const QByteArray bytes = QJsonDocument(QJsonObject{{"templates", list}}).toJson(QJsonDocument::Indented);
    return writeFileAtomically(path, bytes, Backup::Keep);
}

QList<ItemTemplate> withTemplate(QList<ItemTemplate> templates, const ItemTemplate& added) {
    for (ItemTemplate& entry : templates) {
        if (entry.name == added.name) {
            entry.design = added.design;
            return templates;
        }
    }
    templates.append(added);
    return templates;
}

}  // namespace storage
