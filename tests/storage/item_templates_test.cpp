#include "storage/item_templates.h"

#include "scratch.h"

#include <gtest/gtest.h>
#include <QJsonArray>
#include <QTemporaryDir>

namespace {

using builders::item::ItemDesign;

ItemDesign sample() {
    ItemDesign design;
    design.name = "&c剑 \"引号\"";
    design.lore = "第一行\n\n价格 100\n";
    design.enchantments[0] = {"锋利 DAMAGE_ALL", "5"};
    design.enchantments[5] = {"typed", ""};
    design.flags = {true, false, false, false, false, true};
    design.unbreakable = true;
    design.replace = false;
    design.saveName = "sword";
    return design;
}

class ItemTemplatesTest : public testing::Test {
protected:
    QString store() const { return dir_.filePath("item_templates.json"); }
    QTemporaryDir dir_;
};

TEST_F(ItemTemplatesTest, EveryPartOfADesignComesBack) {
    ItemDesign other;
    other.name = "盾";
    ASSERT_TRUE(storage::saveItemTemplates(store(), {{"剑", sample()}, {"盾", other}}).ok());
    const storage::LoadedTemplates loaded = storage::loadItemTemplates(store());
    ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
    ASSERT_EQ(loaded.templates.size(), 2);
    EXPECT_EQ(loaded.templates[0].name, "剑");
    EXPECT_EQ(loaded.templates[0].design, sample());
    EXPECT_EQ(loaded.templates[1].design, other);
}

TEST_F(ItemTemplatesTest, ASavedNameIsReplacedInItsPlace) {
    ItemDesign changed = sample();
    changed.name = "新";
    const QList<storage::ItemTemplate> list =
        storage::withTemplate({{"a", sample()}, {"b", sample()}, {"c", sample()}}, {"b", changed});
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[1].name, "b");
    EXPECT_EQ(list[1].design.name, "新");
    EXPECT_EQ(storage::withTemplate(list, {"d", changed}).last().name, "d");
}

TEST_F(ItemTemplatesTest, MissingFileIsNoTemplatesAndADamagedOneIsNamed) {
    EXPECT_TRUE(storage::loadItemTemplates(store()).ok());
    EXPECT_TRUE(storage::loadItemTemplates(store()).templates.isEmpty());
    for (const QByteArray& bytes : {QByteArray("{\"templates\": ["), QByteArray("[1,2]"), QByteArray("{}")}) {
        scratch::write(store(), bytes);
        const storage::LoadedTemplates loaded = storage::loadItemTemplates(store());
        EXPECT_TRUE(loaded.error.startsWith("模板文件已损坏")) << bytes.constData();
        EXPECT_TRUE(loaded.error.endsWith(store()));
    }
}

// A hand-edited file: wrong types keep the defaults, unknown flags and extra rows are dropped.
TEST_F(ItemTemplatesTest, OddMembersKeepTheirDefaults) {
    QJsonArray rows;
    for (int i = 0; i < 8; ++i) rows.append(QJsonObject{{"name", QStringLiteral("e%1").arg(i)}, {"level", 3}});
    const QJsonObject object{
        {"name", 5}, {"enchantments", rows}, {"flags", QJsonArray{"HIDE_DYE", "HIDE_DESTROYS", 7}}, {"replace", "no"}};
    const ItemDesign design = storage::designFromJson(object);
    ItemDesign expected;
    for (std::size_t i = 0; i < 6; ++i) expected.enchantments[i].name = std::string(1, 'e') += std::to_string(i);
    expected.flags[3] = true;
    EXPECT_EQ(design, expected);
}

}  // namespace
