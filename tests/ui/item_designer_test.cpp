// The item designer page through its real widgets: the sequence in one append, the preview
// and the warning following the fields, templates in the data folder, reading commands back,
// and the automation ops for check boxes and editable lists.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "storage/item_templates.h"
#include "ui/automation/script_runner.h"
#include "ui/designer/item_designer.h"
#include "ui/loader/controls.h"
#include "ui/panels/panel.h"
#include "ui/preview/tooltip_view.h"
#include "ui_test_support.h"

namespace {

class ItemDesignerPage : public testing_support::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        QFile::remove(storage::itemTemplatesPath());
        main->pageControl()->setCurrentIndex(6);
        designer = ui::ItemDesigner::of(main);
        ASSERT_NE(designer, nullptr);
    }
    void TearDown() override {
        QFile::remove(storage::itemTemplatesPath());
        EditorTest::TearDown();
    }
    QJsonObject run(const char* line) { return runLine(QByteArray(line)); }
    // Answers the question box the editor shows with the button captioned caption.
    static void answer(const QString& caption) {
        QCoreApplication::processEvents();
        QMessageBox* box = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<QMessageBox*>(top); found != nullptr && found->isVisible()) box = found;
        ASSERT_NE(box, nullptr) << "no question for " << caption.toStdString();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == caption) return button->click();
        FAIL() << "no button " << caption.toStdString();
    }
    QString text(std::string_view name) { return ui::editText(control(name)); }
    bool checked(std::string_view name) { return control<QCheckBox>(name)->isChecked(); }
    QString label(std::string_view name) { return control<QLabel>(name)->text(); }
    // The preview's lines as "text #colour" per run, one line per row.
    std::string preview() {
        QStringList out;
        for (const text::Line& line : dynamic_cast<ui::TooltipView*>(control("图片框3"))->lines()) {
            QStringList runs;
            for (const text::Run& run : line)
                runs << ui::fromUtf8(run.text) + QLatin1Char(' ') + ui::fromUtf8(text::hexColour(run.style.rgb));
            out << runs.join(QLatin1Char('|'));
        }
        return out.join(QLatin1Char('\n')).toStdString();
    }
    void fill() {
        run(R"({"op":"set","control":"编辑框99","text":"&c剑"})");
        run(R"({"op":"set","control":"编辑框100","text":"第一行\n价格 100\n"})");
        run(R"({"op":"select","control":"组合框9","index":15})");
        run(R"({"op":"set","control":"编辑框101","text":"3"})");
        run(R"({"op":"set","control":"组合框10","text":"my_enchant"})");
        run(R"({"op":"set","control":"编辑框102","text":"2"})");
        run(R"({"op":"toggle","control":"选择框6","checked":true})");
        run(R"({"op":"toggle","control":"选择框7","checked":true})");
        run(R"({"op":"set","control":"编辑框107","text":"sword"})");
    }
    static constexpr const char* kFilled =
        "/setname &c剑\r\n/clearlore\r\n/addlore 第一行\r\n/addlore 价格 100\r\n/clearenchant\r\n"
        "/addenchant DAMAGE_ALL 3\r\n/addenchant my_enchant 2\r\n/clearflag\r\n/addflag HIDE_POTION_EFFECTS\r\n"
        "/unbreakable\r\n/quorvel save sword\r\n";
    ui::ItemDesigner* designer = nullptr;
};

TEST_F(ItemDesignerPage, GeneratesTheWholeSequenceInOneAppend) {
    QPlainTextEdit* commands = panel("编辑框1");
    ui::appendToPanel(commands, QStringLiteral("earlier\r\n"));
    int appends = 0;
    QObject::connect(commands->document(), &QTextDocument::contentsChange, [&](int, int, int added) {
        if (added > 0) ++appends;
    });
    run(R"({"op":"click","control":"按钮71"})");
    EXPECT_EQ(ui::panelText(commands), "earlier\r\n/clearlore\r\n/clearenchant\r\n/clearflag\r\n");
    fill();
    run(R"({"op":"toggle","control":"选择框8","checked":false})");
    ui::clearPanel(commands);
    appends = 0;
    run(R"({"op":"click","control":"按钮71"})");
    EXPECT_EQ(appends, 1);
    EXPECT_EQ(ui::panelText(commands),
              "/setname &c剑\r\n/addlore 第一行\r\n/addlore 价格 100\r\n/addenchant DAMAGE_ALL 3\r\n"
              "/addenchant my_enchant 2\r\n/addflag HIDE_POTION_EFFECTS\r\n/unbreakable\r\n/quorvel save sword\r\n");
    EXPECT_TRUE(ui::panelText(panel("编辑框20")).isEmpty());
}

TEST_F(ItemDesignerPage, PreviewAndWarningFollowTheFields) {
    EXPECT_EQ(preview(), "物品原名 #ffffff");
    EXPECT_TRUE(label("标签143").isEmpty());
    fill();
    EXPECT_EQ(
        preview(),
        "剑 #ff5555\n锋利 III #aaaaaa\nmy_enchant II #aaaaaa\n第一行 #aa00aa\n价格 100 #aa00aa\n无法破坏 #5555ff");
    EXPECT_EQ(label("标签143"), "注意：Lore 第 2 行以“空格+数字”结尾，服务器可能把这个数字当作行数");
    run(R"({"op":"toggle","control":"选择框1","checked":true})");
    run(R"({"op":"toggle","control":"选择框3","checked":true})");
    EXPECT_EQ(preview(), "剑 #ff5555\n第一行 #aa00aa\n价格 100 #aa00aa");
    // The warning never changes the line itself.
    run(R"({"op":"click","control":"按钮71"})");
    EXPECT_TRUE(ui::panelText(panel("编辑框1")).contains("/addlore 价格 100\r\n"));
}

TEST_F(ItemDesignerPage, TemplatesSaveLoadAndDeleteThroughTheDataFolder) {
    fill();
    run(R"({"op":"click","control":"按钮72"})");
    EXPECT_EQ(label("标签140"), "请先在“模板”框中输入模板名");
    EXPECT_FALSE(QFile::exists(storage::itemTemplatesPath()));
    run(R"({"op":"set","control":"组合框15","text":"剑模板"})");
    run(R"({"op":"click","control":"按钮72"})");
    EXPECT_EQ(label("标签140"), "已保存模板：剑模板");
    const storage::LoadedTemplates stored = storage::loadItemTemplates(storage::itemTemplatesPath());
    ASSERT_EQ(stored.templates.size(), 1);
    EXPECT_EQ(stored.templates[0].design, designer->design());

    // Another design, then the template back: every control as it was. The fields changed
    // since the save, so the pick asks first: a script's answer is "no".
    designer->show(builders::item::ItemDesign{});
    EXPECT_EQ(text("编辑框99"), "");
    const QJsonObject refused = run(R"({"op":"select","control":"组合框15","index":0})");
    EXPECT_EQ(refused.value("ok"), false);
    EXPECT_EQ(refused.value("error").toString(),
              QStringLiteral("页面上的内容改过了。载入模板“剑模板”会替换这些改动，要载入吗？"));
    EXPECT_EQ(text("编辑框99"), "");
    EXPECT_EQ(label("标签140"), "已保存模板：剑模板");
    // A person says yes.
    designer->loadTemplate(0);
    answer(QStringLiteral("载入"));
    EXPECT_EQ(label("标签140"), "已载入模板：剑模板");
    EXPECT_EQ(text("编辑框99"), "&c剑");
    EXPECT_EQ(text("编辑框100"), "第一行\r\n价格 100\r\n");
    EXPECT_EQ(control<QComboBox>("组合框9")->currentIndex(), 15);
    EXPECT_EQ(text("组合框10"), "my_enchant");
    EXPECT_EQ(control<QComboBox>("组合框10")->currentIndex(), -1);
    EXPECT_TRUE(checked("选择框6"));
    EXPECT_TRUE(checked("选择框7"));
    EXPECT_TRUE(checked("选择框8"));
    run(R"({"op":"click","control":"按钮71"})");
    EXPECT_EQ(ui::panelText(panel("编辑框1")), kFilled);
    // Unchanged since the pick: a pick asks nothing.
    EXPECT_EQ(run(R"({"op":"select","control":"组合框15","index":0})").value("ok"), true);

    // Deleting asks first; a script's "no" keeps the template.
    const QJsonObject kept = run(R"({"op":"click","control":"按钮73"})");
    EXPECT_EQ(kept.value("error").toString(), QStringLiteral("要删除模板“剑模板”吗？删除后不能恢复。"));
    EXPECT_EQ(storage::loadItemTemplates(storage::itemTemplatesPath()).templates.size(), 1);
    // A person who cancels keeps it too; one who says yes deletes it.
    control<QPushButton>("按钮73")->click();
    answer(QStringLiteral("取消"));
    EXPECT_EQ(storage::loadItemTemplates(storage::itemTemplatesPath()).templates.size(), 1);
    control<QPushButton>("按钮73")->click();
    answer(QStringLiteral("删除"));
    EXPECT_EQ(label("标签140"), "已删除模板：剑模板");
    EXPECT_EQ(control<QComboBox>("组合框15")->count(), 0);
    EXPECT_TRUE(storage::loadItemTemplates(storage::itemTemplatesPath()).templates.isEmpty());
}

// A "no" to a pick over changed fields leaves the fields, and the box shows the name they came
// from, so "保存模板" does not write them over the template picked.
TEST_F(ItemDesignerPage, ANoToAPickKeepsTheFieldsAndTheNameTheyCameFrom) {
    run(R"({"op":"set","control":"组合框15","text":"甲"})");
    fill();
    run(R"({"op":"click","control":"按钮72"})");
    run(R"({"op":"set","control":"编辑框99","text":"乙"})");
    run(R"({"op":"set","control":"组合框15","text":"乙"})");
    run(R"({"op":"click","control":"按钮72"})");
    run(R"({"op":"set","control":"编辑框99","text":"改过"})");
    auto* box = control<QComboBox>("组合框15");
    box->setCurrentIndex(box->findText(QStringLiteral("甲")));
    emit box->activated(box->currentIndex());
    answer(QStringLiteral("取消"));
    EXPECT_EQ(text("编辑框99"), "改过");
    EXPECT_EQ(box->currentText(), QStringLiteral("乙"));
}

// A damaged template file is left as it is: saving would lose the templates in it.
TEST_F(ItemDesignerPage, ADamagedTemplateFileIsNotOverwritten) {
    QFile file(storage::itemTemplatesPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"templates\": [ broken");
    file.close();
    run(R"({"op":"set","control":"组合框15","text":"新模板"})");
    run(R"({"op":"click","control":"按钮72"})");
    EXPECT_TRUE(label("标签140").startsWith("模板文件已损坏")) << label("标签140").toStdString();
    EXPECT_TRUE(label("标签140").endsWith("，未保存"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "{\"templates\": [ broken");
}

TEST_F(ItemDesignerPage, ReadingCommandsFillsThePageAndListsWhatItCannotShow) {
    const QStringList unknown =
        designer->readCommands(QString::fromUtf8(kFilled) + "/att Stats DAMAGE 10\r\n/addflag HIDE_DYE\r\n");
    // The editor's own /att line is read and left aside; only what nothing writes is unknown.
    EXPECT_EQ(unknown, QStringList({"/addflag HIDE_DYE"}));
    EXPECT_EQ(label("标签140"),
              "已从指令读取；1 行无法识别，见“从指令读取”窗口；1 行是编辑器其他按钮的指令，不属于物品设计");
    EXPECT_EQ(text("编辑框99"), "&c剑");
    EXPECT_EQ(control<QComboBox>("组合框9")->currentIndex(), 15);
    run(R"({"op":"click","control":"按钮71"})");
    EXPECT_EQ(ui::panelText(panel("编辑框1")), kFilled);

    // The window: pasted commands, 读取, the unknown lines shown and the window kept open.
    run(R"({"op":"click","control":"按钮74"})");
    QDialog* dialog = designer->readerDialog();
    ASSERT_TRUE(dialog->isVisible());
    dialog->findChild<QPlainTextEdit*>("指令")->setPlainText("/setname 盾\n/removelore 1\n");
    dialog->findChild<QPushButton*>("读取")->click();
    EXPECT_EQ(text("编辑框99"), "盾");
    EXPECT_EQ(text("编辑框101"), "");
    EXPECT_FALSE(checked("选择框8"));  // no clear line: the item keeps what it had
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->findChild<QPlainTextEdit*>("无法识别")->toPlainText(), "/removelore 1");
    dialog->findChild<QPlainTextEdit*>("指令")->setPlainText("/unbreakable");
    dialog->findChild<QPushButton*>("读取")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(checked("选择框7"));
}

TEST_F(ItemDesignerPage, AutomationTogglesCheckBoxesAndTypesIntoEditableLists) {
    EXPECT_EQ(run(R"({"op":"selection","control":"选择框8"})"), QJsonObject({{"ok", true}, {"checked", true}}));
    EXPECT_EQ(run(R"({"op":"toggle","control":"选择框8","checked":false})"), QJsonObject({{"ok", true}}));
    EXPECT_EQ(run(R"({"op":"selection","control":"选择框8"})"), QJsonObject({{"ok", true}, {"checked", false}}));
    EXPECT_EQ(run(R"({"op":"text","control":"选择框1"})").value("text"), "隐藏附魔 HIDE_ENCHANTS");
    // A line break typed into a list becomes a blank, as in every one-line field.
    EXPECT_EQ(run(R"({"op":"set","control":"组合框9","text":"a\nb"})"), QJsonObject({{"ok", true}}));
    EXPECT_EQ(run(R"({"op":"text","control":"组合框9"})").value("text"), "a b");
    EXPECT_EQ(run(R"({"op":"selection","control":"组合框9"})").value("index"), -1);
    run(R"({"op":"select","control":"组合框9","index":1})");
    EXPECT_EQ(run(R"({"op":"text","control":"组合框9"})").value("text"), "火焰保护 PROTECTION_FIRE");
    const auto refused = [&](const char* line) { return run(line).value("error").toString(); };
    EXPECT_TRUE(refused(R"({"op":"toggle","control":"选择框8"})").contains("checked"));
    EXPECT_TRUE(refused(R"({"op":"toggle","control":"选择框8","checked":1})").contains("checked"));
    EXPECT_TRUE(refused(R"({"op":"toggle","control":"组合框9","checked":true})").contains("not a CheckBox"));
    EXPECT_TRUE(refused(R"({"op":"set","control":"组合框1","text":"x"})").contains("not a EditBox"));
    EXPECT_TRUE(refused(R"({"op":"set","control":"选择框1","text":"x"})").contains("not a EditBox"));
}

}  // namespace
