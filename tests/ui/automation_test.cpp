// The automation protocol, in process and through the real executable.
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include "ui/automation/script_runner.h"
#include "ui/files/main_menu.h"
#include "ui/loader/controls.h"
#include "ui_test_support.h"

namespace {

class Automation : public testing_support::EditorTest {
protected:
    QJsonObject run(const char* line) { return runLine(QByteArray(line)); }
    QString error(const char* line) {
        const QJsonObject reply = run(line);
        EXPECT_EQ(reply.value("ok"), QJsonValue(false)) << line;
        return reply.value("error").toString();
    }
};

TEST_F(Automation, SetClickAndReadBackThroughTheWidgets) {
    EXPECT_EQ(run(R"({"op":"set","control":"编辑框2","text":"1\r\n0"})"), QJsonObject({{"ok", true}}));
    EXPECT_EQ(run(R"({"op":"text","control":"编辑框2"})").value("text"), QStringLiteral("1 0"));
    EXPECT_EQ(run(R"({"op":"click","control":"按钮1"})"), QJsonObject({{"ok", true}}));
    EXPECT_EQ(run(R"({"op":"text","control":"编辑框1"})").value("text"), QStringLiteral("/att Stats DAMAGE 1 0\r\n"));
    EXPECT_EQ(run(R"({"op":"text","control":"标签1"})").value("text"), QStringLiteral("基本伤害"));
    EXPECT_EQ(run(R"({"op":"text","control":"按钮2"})").value("text"), QStringLiteral("一键复制"));
    run(R"({"op":"click","control":"按钮2"})");
    EXPECT_EQ(run(R"({"op":"clipboard"})").value("text"), QStringLiteral("/att Stats DAMAGE 1 0\r\n"));
}

TEST_F(Automation, SelectionAndPages) {
    EXPECT_EQ(run(R"({"op":"selection","control":"组合框1"})").value("index"), -1);
    run(R"({"op":"select","control":"组合框1","index":2})");
    EXPECT_EQ(run(R"({"op":"selection","control":"组合框1"})").value("index"), 2);
    run(R"({"op":"select","control":"组合框1","index":-1})");
    EXPECT_EQ(run(R"({"op":"selection","control":"组合框1"})").value("index"), -1);
    EXPECT_EQ(run(R"({"op":"page","index":4})"), QJsonObject({{"ok", true}}));
    EXPECT_EQ(main->pageControl()->currentIndex(), 4);
    EXPECT_FALSE(error(R"({"op":"page","index":8})").isEmpty());
}

TEST_F(Automation, WindowsOpenAndClose) {
    run(R"({"op":"click","control":"按钮23"})");
    EXPECT_EQ(run(R"({"op":"windows"})").value("windows"), QJsonArray({"0x52010001", "0x520100FB"}));
    run(R"({"op":"set","window":"0x520100fb","control":"编辑框2","text":"5"})");
    EXPECT_EQ(run(R"({"op":"text","window":"0x520100FB","control":"编辑框2"})").value("text"), "5");
    EXPECT_EQ(run(R"({"op":"close","window":"0x520100FB"})"), QJsonObject({{"ok", true}}));
    // Unloaded at once, before Qt gets round to deleting it.
    EXPECT_EQ(run(R"({"op":"windows"})").value("windows"), QJsonArray({"0x52010001"}));
    EXPECT_TRUE(error(R"({"op":"text","window":"0x520100FB","control":"编辑框2"})").contains("not loaded"));
}

TEST_F(Automation, LinesItCannotRunAreRefused) {
    EXPECT_TRUE(error("{not json").startsWith("bad JSON"));
    EXPECT_TRUE(error("").startsWith("bad JSON"));
    EXPECT_TRUE(error("\xff\xfe{}").startsWith("bad JSON"));
    EXPECT_FALSE(error("[1,2]").isEmpty());
    EXPECT_TRUE(error(R"({"op":"fly"})").contains("unknown op"));
    EXPECT_TRUE(error(R"({"op":"click","control":"按钮999"})").contains("no control"));
    EXPECT_TRUE(error(R"({"op":"click","control":"编辑框2"})").contains("not a Button"));
    EXPECT_TRUE(error(R"({"op":"set","control":"组合框1","text":"x"})").contains("not a EditBox"));
    EXPECT_FALSE(error(R"({"op":"set","control":"编辑框2"})").isEmpty());
    EXPECT_FALSE(error(R"({"op":"select","control":"组合框1","index":"2"})").isEmpty());
    EXPECT_FALSE(error(R"({"op":"text","window":"52010001","control":"编辑框2"})").isEmpty());
    EXPECT_FALSE(error(R"({"op":"set","control":"编辑框21","text":"x"})").isEmpty());  // disabled
    EXPECT_EQ(error(R"({"op":1})"), QStringLiteral("\"op\" must be a text"));
    EXPECT_EQ(error(R"({"text":"x"})"), QStringLiteral("missing \"op\""));
}

// Ids are read strictly: "0x" and one to eight hex digits.
TEST_F(Automation, WindowIdsAreParsedStrictly) {
    for (const char* id : {"0x+52010001", " 0x52010001", "0x52010001 ", "0x", "0x152010001", "0x5201g001", "0X-1"})
        EXPECT_TRUE(
            error(QStringLiteral(R"({"op":"text","window":"%1","control":"编辑框2"})").arg(id).toUtf8().constData())
                .contains("window"))
            << id;
    EXPECT_EQ(run(R"({"op":"text","window":"0X52010001","control":"编辑框2"})").value("ok"), true);
}

// An index outside -1 .. count-1 is refused like a page that does not exist; the selection stays.
TEST_F(Automation, SelectRefusesAnIndexOutsideTheList) {
    run(R"({"op":"select","control":"组合框1","index":2})");
    for (const char* line :
         {R"({"op":"select","control":"组合框1","index":4})", R"({"op":"select","control":"组合框1","index":-2})",
          R"({"op":"select","control":"组合框1","index":2147483647})"})
        EXPECT_TRUE(error(line).startsWith("no item")) << line;
    EXPECT_EQ(run(R"({"op":"selection","control":"组合框1"})").value("index"), 2);
}

// Every character of a string is kept: a raw byte-order mark too, where Qt's reader would drop
// one that starts the string.
TEST_F(Automation, ARawByteOrderMarkInAStringIsKept) {
    run("{\"op\":\"set\",\"control\":\"编辑框2\",\"text\":\"\xEF\xBB\xBF\"}");
    EXPECT_EQ(run(R"({"op":"text","control":"编辑框2"})").value("text"), QStringLiteral("\uFEFF"));
    run("{\"op\":\"set\",\"control\":\"编辑框2\",\"text\":\"\xEF\xBB\xBF"
        "a\\\"\xEF\xBB\xBF\"}");
    EXPECT_EQ(run(R"({"op":"text","control":"编辑框2"})").value("text"), QStringLiteral("\uFEFFa\"\uFEFF"));
    // Outside a string a leading mark is still the line's byte-order mark.
    EXPECT_EQ(run("\xEF\xBB\xBF{\"op\":\"windows\"}").value("ok"), true);
}

TEST_F(Automation, DumpDescribesEveryUnit) {
    const QJsonObject reply = run(R"({"op":"dump"})");
    const QJsonArray windows = reply.value("windows").toArray();
    ASSERT_EQ(windows.size(), 1);
    const QJsonObject window = windows[0].toObject();
    EXPECT_EQ(window.value("id"), "0x52010001");
    EXPECT_EQ(window.value("title"), "Tarnwick Quorvel编辑器");
    const QJsonArray units = window.value("units").toArray();
    // The window's own unit, the form's units, and the gem page's whole-gem preview.
    ASSERT_EQ(units.size(), static_cast<int>(main->form().units.size()) + 2);
    EXPECT_EQ(units.last().toObject().value("name"), "预览框1");
    EXPECT_EQ(units.last().toObject().value("kind"), "Preview");
    EXPECT_EQ(units.last().toObject().value("page"), 4);
    EXPECT_EQ(units[0].toObject().value("kind"), "window");
    EXPECT_EQ(units[0].toObject().value("id"), "0x06010000");
    QJsonObject panel, pages, combo, replace, enchantment, preview;
    for (const auto& value : units) {
        const QJsonObject unit = value.toObject();
        for (const char* key :
             {"id", "name", "kind", "parent", "page", "left", "top", "width", "height", "caption", "items", "selection",
              "visible", "disabled", "multiline", "font", "color", "click", "live"})
            EXPECT_TRUE(unit.contains(key)) << key;
        if (unit.value("name") == "编辑框1") panel = unit;
        if (unit.value("name") == "高级选择夹1") pages = unit;
        if (unit.value("name") == "组合框5") combo = unit;
        if (unit.value("name") == "选择框8") replace = unit;
        if (unit.value("name") == "组合框9") enchantment = unit;
        if (unit.value("name") == "图片框3") preview = unit;
    }
    // The item designer's units: a check box, an editable list, the preview.
    EXPECT_EQ(replace.value("kind"), "CheckBox");
    EXPECT_EQ(replace.value("checked"), true);
    EXPECT_EQ(replace.value("caption"), "替换原有");
    EXPECT_EQ(replace.value("page"), 6);
    EXPECT_EQ(enchantment.value("editable"), true);
    EXPECT_EQ(enchantment.value("parent"), "分组框18");
    EXPECT_EQ(combo.value("editable"), false);
    EXPECT_EQ(preview.value("kind"), "PicBox");
    EXPECT_EQ(panel.value("id"), "0x1601000C");
    EXPECT_EQ(panel.value("multiline"), true);
    EXPECT_EQ(panel.value("live").toObject().value("width"), 304);
    EXPECT_EQ(pages.value("tabs").toArray().size(), 8);
    EXPECT_EQ(pages.value("items").toArray().first(), "介绍");
    EXPECT_EQ(combo.value("parent"), "分组框11");
    EXPECT_EQ(combo.value("page"), 4);
    EXPECT_EQ(combo.value("selection"), -1);
    EXPECT_EQ(combo.value("items").toArray().size(), 16);
}

QJsonObject runJson(const char* text, const char* colour, bool italic = false, bool obfuscated = false) {
    return {{"text", QString::fromUtf8(text)},
            {"color", colour},
            {"bold", false},
            {"italic", italic},
            {"underlined", false},
            {"strikethrough", false},
            {"obfuscated", obfuscated}};
}

TEST_F(Automation, PreviewAnswersTheRunsTheGameDraws) {
    run(R"({"op":"set","control":"编辑框96","text":"&cR&D &k?x"})");
    EXPECT_EQ(run(R"({"op":"preview","control":"编辑框96"})"),
              QJsonObject({{"ok", true},
                           {"lines", QJsonArray{QJsonArray{runJson("R", "#ff5555"), runJson(" ", "#ff55ff"),
                                                           runJson("?x", "#ff55ff", false, true)}}}}));
    // A name starts white italic; the 种类 field shows its whole line.
    run(R"({"op":"set","control":"编辑框98","text":"剑"})");
    EXPECT_EQ(run(R"({"op":"preview","control":"编辑框98"})").value("lines"),
              QJsonArray{QJsonArray{runJson("剑", "#ffffff", true)}});
    EXPECT_EQ(run(R"({"op":"preview","control":"编辑框68"})").value("lines"),
              (QJsonArray{QJsonArray{runJson("※ ", "#ffff55"), runJson("种类: ", "#aaaaaa")}}));

    // The whole gem: the name, then the block's ten lore lines and the one added after it.
    run(R"({"op":"set","control":"编辑框61","text":"&c红宝石"})");
    run(R"({"op":"click","control":"按钮50"})");
    run(R"({"op":"set","control":"编辑框69","text":"&e附加"})");
    run(R"({"op":"click","control":"按钮51"})");
    const QJsonArray gem = run(R"({"op":"preview","control":"预览框1"})").value("lines").toArray();
    ASSERT_EQ(gem.size(), 12);
    EXPECT_EQ(gem.first(), QJsonArray{runJson("红宝石", "#ff5555")});
    EXPECT_EQ(gem[2], (QJsonArray{runJson("※ ", "#ffff55"), runJson("种类: ", "#aaaaaa")}));
    EXPECT_EQ(gem[9], QJsonArray());
    EXPECT_EQ(gem.last(), QJsonArray{runJson("附加", "#ffff55")});

    EXPECT_EQ(error(R"({"op":"preview","control":"编辑框2"})"),
              QStringLiteral("编辑框2 has no preview: use 编辑框98, 编辑框61, 编辑框96, 编辑框60, 编辑框68, 编辑框69, "
                             "编辑框82, 编辑框26, 预览框1, 图片框3"));
    EXPECT_TRUE(error(R"({"op":"preview","control":"编辑框999"})").contains("no control"));
    EXPECT_FALSE(error(R"({"op":"preview"})").isEmpty());
    run(R"({"op":"click","control":"按钮23"})");
    EXPECT_EQ(error(R"({"op":"preview","window":"0x520100FB","control":"编辑框26"})"),
              QStringLiteral("编辑框26 has no preview"));
    EXPECT_TRUE(error(R"({"op":"preview","window":"0x520100FB","control":"预览框1"})").contains("no control"));
}

// The real executable run on a script given on its standard input: how it ended, and its
// reply lines (split at each newline, the empty rest after the last one included).
struct ScriptRun {
    bool finished = false;
    QProcess::ExitStatus status = QProcess::CrashExit;
    int exitCode = -1;
    QList<QByteArray> lines;
};

ScriptRun runScript(const QByteArray& script) {
    QProcess editor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    editor.setProcessEnvironment(env);
    editor.start(QStringLiteral(QUORVEL_EDITOR_PATH), {"--script", "-"});
    if (!editor.waitForStarted(10000)) return {};
    editor.write(script);
    editor.closeWriteChannel();
    ScriptRun run;
    run.finished = editor.waitForFinished(30000);
    run.status = editor.exitStatus();
    run.exitCode = editor.exitCode();
    run.lines = editor.readAllStandardOutput().split('\n');
    return run;
}

// The item designer through the real executable: a check box toggled, a list typed into.
TEST(AutomationProcess, TheItemDesignerIsDrivenLikeEveryOtherPage) {
    const ScriptRun result = runScript(
        "{\"op\":\"toggle\",\"control\":\"选择框8\",\"checked\":false}\n"
        "{\"op\":\"selection\",\"control\":\"选择框8\"}\n"
        "{\"op\":\"set\",\"control\":\"组合框9\",\"text\":\"LUCK\"}\n"
        "{\"op\":\"set\",\"control\":\"编辑框101\",\"text\":\"3\"}\n"
        "{\"op\":\"toggle\",\"control\":\"选择框7\",\"checked\":true}\n"
        "{\"op\":\"click\",\"control\":\"按钮71\"}\n"
        "{\"op\":\"text\",\"control\":\"编辑框1\"}\n");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0);
    const QList<QByteArray>& lines = result.lines;
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0], R"({"ok":true})");
    EXPECT_EQ(lines[1], R"({"checked":false,"ok":true})");
    EXPECT_EQ(lines[2], R"({"ok":true})");
    EXPECT_EQ(QJsonDocument::fromJson(lines[6]).object().value("text"),
              QStringLiteral("/addenchant LUCK 3\r\n/unbreakable\r\n"));
}

// The real executable: one reply per input line, in order, nothing else on standard output.
TEST(AutomationProcess, OneReplyPerLineThenExitZero) {
    const ScriptRun result = runScript(
        "{\"op\":\"set\",\"control\":\"编辑框98\",\"text\":\"剑\"}\n"
        "\xc3\x28 broken\n"
        "\n"
        "{\"op\":\"click\",\"control\":\"按钮69\"}\r\n"
        "{\"op\":\"text\",\"control\":\"编辑框1\"}");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.status, QProcess::NormalExit);
    EXPECT_EQ(result.exitCode, 0);
    const QList<QByteArray>& lines = result.lines;
    ASSERT_EQ(lines.size(), 6);  // five replies and the empty rest after the last newline
    EXPECT_EQ(lines[0], R"({"ok":true})");
    EXPECT_TRUE(lines[1].startsWith(R"({"error":"bad JSON)"));
    EXPECT_TRUE(lines[2].startsWith(R"({"error":"bad JSON)"));
    EXPECT_EQ(lines[3], R"({"ok":true})");
    EXPECT_EQ(QJsonDocument::fromJson(lines[4]).object().value("text"), QStringLiteral("/setname 剑\r\n"));
    EXPECT_TRUE(lines[5].isEmpty());
}

// The preview op through the real executable, reply compared byte for byte.
TEST(AutomationProcess, PreviewRepliesWithTheRuns) {
    const ScriptRun result = runScript(
        "{\"op\":\"set\",\"control\":\"编辑框61\",\"text\":\"&6&l红宝石 &f{grade}\"}\n"
        "{\"op\":\"preview\",\"control\":\"编辑框61\"}\n"
        "{\"op\":\"set\",\"control\":\"编辑框26\",\"text\":\"R&Z &n&ku\"}\n"
        "{\"op\":\"preview\",\"control\":\"编辑框26\"}\n"
        "{\"op\":\"preview\",\"control\":\"编辑框2\"}\n");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0);
    const QList<QByteArray>& lines = result.lines;
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[1],
              "{\"lines\":[[{\"bold\":true,\"color\":\"#ffaa00\",\"italic\":false,\"obfuscated\":false,"
              "\"strikethrough\":false,\"text\":\"红宝石 \",\"underlined\":false},"
              "{\"bold\":false,\"color\":\"#ffffff\",\"italic\":false,\"obfuscated\":false,"
              "\"strikethrough\":false,\"text\":\"{grade}\",\"underlined\":false}]],\"ok\":true}");
    EXPECT_EQ(lines[3],
              "{\"lines\":[[{\"bold\":false,\"color\":\"#aa00aa\",\"italic\":true,\"obfuscated\":false,"
              "\"strikethrough\":false,\"text\":\"R&Z \",\"underlined\":false},"
              "{\"bold\":false,\"color\":\"#aa00aa\",\"italic\":true,\"obfuscated\":true,"
              "\"strikethrough\":false,\"text\":\"u\",\"underlined\":true}]],\"ok\":true}");
    EXPECT_TRUE(lines[4].startsWith("{\"error\":\"编辑框2 has no preview")) << lines[4].constData();
}

}  // namespace

namespace {

class FileOps : public Automation {};

TEST_F(FileOps, OpenAndSaveCheckTheirRequests) {
    EXPECT_EQ(error(R"({"op":"open","control":"编辑框1","path":"/x.yml"})"),
              QStringLiteral("files open into 编辑框20 of the main window only"));
    EXPECT_EQ(error(R"({"op":"open","control":"编辑框20"})"), QStringLiteral("\"path\" must be a file name"));
    EXPECT_EQ(error(R"({"op":"open","control":"编辑框20","path":"/x.yml","encoding":"latin1"})"),
              QStringLiteral("\"encoding\" must be one of \"auto\", \"UTF-8\", \"GBK\""));
    EXPECT_EQ(error(R"({"op":"save","control":"编辑框2","path":"/x.yml"})"),
              QStringLiteral("only 编辑框20 and 编辑框1 of the main window are saved"));
    EXPECT_EQ(error(R"({"op":"save","control":"编辑框20","path":"/x.yml","force":1})"),
              QStringLiteral("\"force\" must be true or false"));
    const QJsonObject missing = run(R"({"op":"open","control":"编辑框20","path":"/no/such.yml"})");
    EXPECT_EQ(missing, QJsonObject({{"ok", false}, {"code", "io"}, {"error", "无法打开：文件不存在：/no/such.yml"}}));
}

TEST_F(FileOps, TriggerRunsNamedActionsAndRefusesTheOnesThatNeedADialog) {
    EXPECT_EQ(error(R"({"op":"trigger","action":"fly"})"), QStringLiteral("unknown action: fly"));
    EXPECT_EQ(error(R"({"op":"trigger","action":"save-as"})"), QStringLiteral("“另存为”要选择文件：请用 save 操作"));
    EXPECT_EQ(error(R"({"op":"trigger","action":"undo-clear"})"), QStringLiteral("没有可以撤销的清空。"));
    run(R"({"op":"set","control":"编辑框20","text":"a: 1"})");
    // 新建 would take the panel's text: a script's answer is "no", unless it forces the "yes".
    EXPECT_EQ(error(R"({"op":"trigger","action":"new"})"),
              QStringLiteral("新建会清空两个输出框、所有输入框和文件关联，并关闭其他窗口。\n"
                             "“撤销清空”可以找回输出框、输入框和文件关联。"));
    EXPECT_EQ(run(R"({"op":"text","control":"编辑框20"})").value("text"), QStringLiteral("a: 1"));
    EXPECT_EQ(error(R"({"op":"trigger","action":"new","force":"yes"})"),
              QStringLiteral("\"force\" must be true or false"));
    EXPECT_EQ(run(R"({"op":"trigger","action":"new","force":true})").value("ok"), true);
    EXPECT_EQ(run(R"({"op":"text","control":"编辑框20"})").value("text"), QString());
    // Nothing left to lose: no question.
    EXPECT_EQ(run(R"({"op":"trigger","action":"new"})").value("ok"), true);
    QJsonArray names;
    for (const ui::MenuRow& row : ui::menuRows()) names.append(QLatin1String(row.name));
    EXPECT_EQ(run(R"({"op":"dump"})").value("actions"), names);
}

}  // namespace
