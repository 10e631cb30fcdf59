// The item designer's templates: named designs kept as JSON in the user's data folder, so a
// design saved once loads back into every control of the page.
#pragma once

#include "builders/item/design.h"
#include "storage/safe_write.h"

#include <QJsonObject>
#include <QList>
#include <QString>

namespace storage {

struct ItemTemplate {
    QString name;
    builders::item::ItemDesign design;
};

// dataFolder()/item_templates.json; empty with dataFolder().
QString itemTemplatesPath();

struct LoadedTemplates {
    QList<ItemTemplate> templates;  // in the order they were first saved
    // Empty when the file loaded or does not exist yet; otherwise why it cannot be read, e.g.
    // "模板文件已损坏（第 12 个字节处出错）：PATH". The file is then left alone: saving is
    // refused so that the templates in it are not overwritten.
    QString error;

    bool ok() const { return error.isEmpty(); }
};

LoadedTemplates loadItemTemplates(const QString& path);

// Writes every template atomically, keeping the file before as NAME.bak.
WriteResult saveItemTemplates(const QString& path, const QList<ItemTemplate>& templates);

// The list with this template in it: it replaces one of the same name where that stood, or
// comes last.
QList<ItemTemplate> withTemplate(QList<ItemTemplate> templates, const ItemTemplate& added);

// The design as JSON and back. Reading takes what it finds: a missing or mistyped member keeps
// its default, an unknown flag name is skipped, rows past the sixth are dropped.
QJsonObject designToJson(const builders::item::ItemDesign& design);
builders::item::ItemDesign designFromJson(const QJsonObject& object);

}  // namespace storage
