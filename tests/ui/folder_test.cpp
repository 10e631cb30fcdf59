// The plugin's folder in the editor, through the "插件文件夹" panel and the automation ops, on a
// copy of the hand-written folder of tests/project/plugin with a link and a pipe made at run time:
// the ops' exact replies, the tree and its filter, F5's marks, double-click to an entry and to a
// finding's line, and the check that holds back 保存并重载.
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTreeView>

#include "ui/files/panel_documents.h"
#include "ui/folder/folder_model.h"
#include "ui/folder/folder_panel.h"
#include "ui/folder/plugin_folder.h"
#include "ui/loader/controls.h"
#include "ui/panels/panel.h"
#include "ui_test_support.h"

namespace {

const char kCommands[] =
    "/socket load gems ruby 1 Steve\n"
    "/socket load gems sapphire 1 Steve\n"
    "/socket load gems diamond 2 Alex\n"
    "/attribute element fire 10\n"
    "/attribute element ice 10 2\n"
    "/attribute element earth 10\n";

class Folder : public testing_support::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        ASSERT_TRUE(scratch.isValid());
        root = scratch.path() + QStringLiteral("/Quorvel");
        copy(QStringLiteral(QUORVEL_PLUGIN_FOLDER), root);
        // Skipped and said so, never followed or waited on.
        ASSERT_EQ(::symlink(QFile::encodeName(path("sockets.yml")).constData(),
                            QFile::encodeName(path("linked.yml")).constData()),
                  0);
        ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.yml")).constData(), 0600), 0);
    }

    static void copy(const QString& from, const QString& to) {
        ASSERT_TRUE(QDir().mkpath(to));
        for (const QFileInfo& item : QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name)) {
            if (item.isDir())
                copy(item.filePath(), to + QLatin1Char('/') + item.fileName());
            else
                ASSERT_TRUE(QFile::copy(item.filePath(), to + QLatin1Char('/') + item.fileName()));
        }
    }
    QString path(const char* relative) const { return root + QLatin1Char('/') + QString::fromUtf8(relative); }
    void write(const char* relative, const QByteArray& bytes) const {
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    QByteArray bytesOf(const char* relative) const {
        QFile file(path(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QJsonObject op(const QJsonObject& request) {
        return runLine(QJsonDocument(request).toJson(QJsonDocument::Compact));
    }
    QJsonObject openFolder() { return op({{"op", "folder"}, {"path", root}}); }
    // JSON as compact text with its keys in order, so that a failure shows both whole.
    static std::string str(const QJsonValue& value) {
        const QByteArray text = value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                                                : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
        return value.isString() ? value.toString().toStdString() : text.toStdString();
    }
    static std::string json(const char* text) {
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray(text));
        EXPECT_FALSE(document.isNull()) << text;
        return str(document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object()));
    }
    static std::vector<std::string> lines(const QStringList& list) {
        std::vector<std::string> out;
        for (const QString& line : list) out.push_back(line.toStdString());
        return out;
    }

    template <typename Condition>
    static bool waitUntil(Condition done, int ms = 20000) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }
    static QMessageBox* visibleBox() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) return box;
        return nullptr;
    }
    static void click(QMessageBox* box, const QString& caption) {
        for (QAbstractButton* button : box->buttons())
            if (button->text() == caption) return button->click();
        ADD_FAILURE() << "no button " << caption.toStdString() << " in " << box->text().toStdString();
    }

    ui::FolderPanel& folderPanel() { return editor->folderPanel(); }
    ui::FolderModel& model() { return *folderPanel().model(); }
    // The tree's rows as "name | kind | count", entries indented under their files.
    QStringList rows() {
        QStringList out;
        ui::FolderModel& m = model();
        const auto row = [&](const QModelIndex& index, const QString& indent) {
            out << indent + QStringLiteral("%1 | %2 | %3")
                                .arg(m.index(index.row(), 0, index.parent()).data().toString(),
                                     m.index(index.row(), 1, index.parent()).data().toString(),
                                     m.index(index.row(), 2, index.parent()).data().toString());
        };
        for (int f = 0; f < m.rowCount(); ++f) {
            const QModelIndex file = m.index(f, 0);
            row(file, {});
            for (int e = 0; e < m.rowCount(file); ++e) row(m.index(e, 0, file), QStringLiteral("  "));
        }
        return out;
    }
    QModelIndex rowNamed(const QString& name) {
        ui::FolderModel& m = model();
        const QModelIndexList found =
            m.match(m.index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchStartsWith | Qt::MatchRecursive);
        return found.isEmpty() ? QModelIndex() : found.front();
    }
    // A double-click on a row as a person's: the view shown and laid out first (the panel makes
    // its parts when it is first shown, and they show on the next turn of the loop).
    void doubleClick(QAbstractItemView* view, const QModelIndex& index) {
        ASSERT_TRUE(index.isValid());
        ASSERT_TRUE(waitUntil([&] { return view->isVisible() && view->viewport()->height() > 100; }));
        view->scrollTo(index);
        const QPoint at = view->visualRect(index).center();
        // A person's double-click: a click, then the second press that the system reports as
        // the double-click.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    QPlainTextEdit* configuration() { return panel("编辑框20"); }
    int caretLine(QPlainTextEdit* edit) { return edit->textCursor().blockNumber() + 1; }

    QTemporaryDir scratch;
    QString root;
};

TEST_F(Folder, TheOpsAnswerInTheirShapesAndBeforeAFolderSayNoFolder) {
    for (const char* request : {R"({"op":"folder-check"})", R"({"op":"find","text":"ruby"})", R"({"op":"folder"})",
                                R"({"op":"open-entry","file":"sockets.yml","entry":"ruby"})"}) {
        const QJsonObject refused = runLine(request);
        EXPECT_EQ(refused.value("ok"), false) << request;
        EXPECT_EQ(refused.value("code").toString().toStdString(), "no-folder") << request;
    }
    EXPECT_EQ(str(openFolder()), json(R"({"ok":true,"files":[
        {"path":"broken.yml","kind":"element","entries":1},
        {"path":"config.yaml","kind":"other","entries":2},
        {"path":"elements.yml","kind":"element","entries":3},
        {"path":"gems-extra.yml","kind":"gem","entries":3},
        {"path":"keylore.yml","kind":"keylore","entries":4},
        {"path":"sockets.yml","kind":"gem","entries":3},
        {"path":"more/extra.yml","kind":"mixed","entries":2}],
      "skipped":[
        {"path":"linked.yml","why":"这是符号链接，没有读取（编辑器不跟随文件夹里的链接）"},
        {"path":"pipe.yml","why":"这不是普通文件（命名管道），没有读取"}]})"));
    // By the name with its colour codes taken off, by identifier in either case, as the server
    // names it ("1.00" is 1.0), in the order of the files and lines; a GBK file's Chinese too.
    EXPECT_EQ(str(op({{"op", "find"}, {"text", "红宝石"}})),
              json(R"({"ok":true,"matches":[{"file":"sockets.yml","entry":"ruby","kind":"gem","line":2}]})"));
    EXPECT_EQ(str(op({{"op", "find"}, {"text", "1.0"}})), json(R"({"ok":true,"matches":[
        {"file":"gems-extra.yml","entry":"1.0","kind":"gem","line":8},
        {"file":"gems-extra.yml","entry":"1.00","kind":"gem","line":11},
        {"file":"sockets.yml","entry":"1.00","kind":"gem","line":20}]})"));
    EXPECT_EQ(str(op({{"op", "find"}, {"text", "黄玉"}})),
              json(R"({"ok":true,"matches":[{"file":"gems-extra.yml","entry":"topaz","kind":"gem","line":2}]})"));
    EXPECT_EQ(str(op({{"op", "find"}, {"text", "没有这个"}})), json(R"({"ok":true,"matches":[]})"));

    ui::replacePanelText(panel("编辑框1"), QString::fromUtf8(kCommands));
    EXPECT_EQ(str(op({{"op", "folder-check"}})), json(R"({"ok":true,"findings":[
        {"file":"broken.yml","line":5,"column":1,"code":"unreadable",
         "message":"服务器无法读取这个文件：制表符（Tab）不能用于缩进或放在这里，请改用空格"},
        {"file":"elements.yml","line":7,"code":"unknown-element","entry":"ice",
         "message":"元素“fire”的抗性写了元素“ice”，文件夹里没有文件定义这个元素"},
        {"file":"elements.yml","line":10,"code":"duplicate-id","entry":"water","other":{"file":"elements.yml","line":15},
         "message":"识别名“water”在本文件第 15 行也有定义，服务器只保留后面的那个"},
        {"file":"elements.yml","line":15,"code":"duplicate-id","entry":"water","other":{"file":"elements.yml","line":10},
         "message":"识别名“water”在本文件第 10 行也有定义，服务器只保留后面的那个"},
        {"file":"gems-extra.yml","line":8,"code":"duplicate-id","entry":"1.0","other":{"file":"sockets.yml","line":20},
         "message":"宝石识别名“1.0”在sockets.yml 第 20 行也有定义"},
        {"file":"keylore.yml","line":1,"code":"duplicate-keylore","entry":"heal","other":{"file":"keylore.yml","line":5},
         "message":"关键lore“heal”和本文件第 5 行的“cure”是同一段 lore 文字“&a治疗”，两条都会在同一件物品上触发"},
        {"file":"keylore.yml","line":5,"code":"duplicate-keylore","entry":"cure","other":{"file":"keylore.yml","line":1},
         "message":"关键lore“cure”和本文件第 1 行的“heal”是同一段 lore 文字“&a治疗”，两条都会在同一件物品上触发"},
        {"file":"sockets.yml","line":19,"code":"mismatched-effect","entry":"emerald",
         "message":"宝石“emerald”的属性 Bonus_Base_Critical_Chance 和附加属性 Bonus_Scale_Critical_Damage 不对应（属性和附加属性需要对应：Bonus_Base_X 配 Bonus_Scale_X）"},
        {"file":"sockets.yml","line":20,"code":"duplicate-id","entry":"1.0","other":{"file":"gems-extra.yml","line":8},
         "message":"宝石识别名“1.0”（写作“1.00”）在gems-extra.yml 第 8 行也有定义"},
        {"panel":"编辑框1","line":3,"code":"unknown-gem","entry":"diamond",
         "message":"/socket load gems 写的宝石“diamond”，文件夹里没有文件定义这个宝石"},
        {"panel":"编辑框1","line":5,"code":"unknown-element","entry":"ice",
         "message":"/attribute element 写的元素“ice”，文件夹里没有文件定义这个元素"}]})"));
    // The check's findings are the panel's too.
    EXPECT_EQ(folderPanel().findingsModel()->rowCount(), 11);
    EXPECT_EQ(folderPanel().tabs()->tabText(1).toStdString(), std::string("检查结果（11）"));

    const QJsonObject missing = op({{"op", "folder"}, {"path", root + QStringLiteral("/nowhere")}});
    EXPECT_EQ(str(missing), json(R"({"ok":false,"code":"io","error":"文件夹不存在"})"));
    EXPECT_EQ(op({{"op", "find"}, {"text", "ruby"}}).value("matches").toArray().size(), 1) << "the open folder stays";
    EXPECT_EQ(
        op({{"op", "open-entry"}, {"file", "nowhere.yml"}, {"entry", "ruby"}}).value("code").toString().toStdString(),
        "unknown-file");
    EXPECT_EQ(
        op({{"op", "open-entry"}, {"file", "sockets.yml"}, {"entry", "opal"}}).value("code").toString().toStdString(),
        "unknown-entry");
}

// The panel shows itself with the folder: each file with its kind and count, the items skipped
// with why, and a filter that keeps the entries it finds under their files.
TEST_F(Folder, ThePanelListsFilesAndEntriesAndFilters) {
    ASSERT_EQ(openFolder().value("ok"), true);
    EXPECT_TRUE(main->panelShown(&folderPanel()));
    const QStringList files = {
        QStringLiteral("broken.yml | 元素 | 1"),           QStringLiteral("  stone  石头 | 元素 | 第 1 行"),
        QStringLiteral("config.yaml | 其他 | 2"),          QStringLiteral("  language | 其他 | 第 2 行"),
        QStringLiteral("  debug | 其他 | 第 3 行"),        QStringLiteral("elements.yml | 元素 | 3"),
        QStringLiteral("  fire  火焰 | 元素 | 第 1 行"),   QStringLiteral("  water  水 | 元素 | 第 10 行"),
        QStringLiteral("  water  水流 | 元素 | 第 15 行"),
    };
    EXPECT_EQ(lines(rows().mid(0, files.size())), lines(files));
    EXPECT_EQ(
        lines(rows().mid(rows().size() - 5)),
        lines(QStringList{QStringLiteral("more/extra.yml | 混合 | 2"), QStringLiteral("  earth  大地 | 元素 | 第 1 行"),
                          QStringLiteral("  sapphire  蓝宝石 | 宝石 | 第 4 行"), QStringLiteral("linked.yml | 跳过 | "),
                          QStringLiteral("pipe.yml | 跳过 | ")}));
    EXPECT_EQ(folderPanel().notes()->text().toStdString(),
              std::string("linked.yml：这是符号链接，没有读取（编辑器不跟随文件夹里的链接）\n"
                          "pipe.yml：这不是普通文件（命名管道），没有读取"));
    EXPECT_EQ(folderPanel().status()->text().toStdString(), std::string("7 个文件，18 个条目，跳过 2 项"));

    folderPanel().filter()->setText(QStringLiteral("红宝石"));
    ASSERT_TRUE(waitUntil([&] { return model().filtered(); }));
    EXPECT_EQ(lines(rows()), lines(QStringList{QStringLiteral("sockets.yml | 宝石 | 1/3"),
                                               QStringLiteral("  ruby  红宝石 | 宝石 | 第 2 行")}));
    EXPECT_TRUE(folderPanel().tree()->isExpanded(model().index(0, 0)));
    EXPECT_EQ(folderPanel().status()->text().toStdString(), std::string("1 个文件，找到 1 / 18 个条目，跳过 2 项"));
    // By identifier, either case; the subfolder's file too.
    folderPanel().filter()->setText(QStringLiteral("SAPPH"));
    ASSERT_TRUE(waitUntil([&] { return rows().size() == 2 && rows().front().startsWith(QStringLiteral("more/")); }));
    EXPECT_EQ(rows().back().toStdString(), std::string("  sapphire  蓝宝石 | 宝石 | 第 4 行"));
    folderPanel().filter()->clear();
    EXPECT_EQ(lines(rows().mid(0, files.size())), lines(files));
}

TEST_F(Folder, F5MarksTheFilesChangedSinceTheyWereRead) {
    ASSERT_EQ(openFolder().value("ok"), true);
    write("config.yaml", "language: en_US\n");
    write("more/new.yml", "opal:\n  Display_Name: \"&f蛋白石\"\n  Max_Grade: 1\n");
    ASSERT_TRUE(QFile::remove(path("broken.yml")));
    write("sockets.yml", bytesOf("sockets.yml"));  // written again, the same bytes: no mark
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    QTest::keyClick(main, Qt::Key_F5);
    ASSERT_TRUE(waitUntil([&] { return !editor->folder().isReading() && !editor->folder().changes().isEmpty(); }));
    EXPECT_EQ(rowNamed(QStringLiteral("config.yaml")).data().toString().toStdString(),
              std::string("config.yaml（已改动）"));
    EXPECT_EQ(rowNamed(QStringLiteral("more/new.yml")).data().toString().toStdString(),
              std::string("more/new.yml（新文件）"));
    EXPECT_EQ(rowNamed(QStringLiteral("sockets.yml")).data().toString().toStdString(), std::string("sockets.yml"));
    EXPECT_TRUE(rowNamed(QStringLiteral("config.yaml")).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(folderPanel().status()->text().toStdString(),
              std::string("7 个文件，17 个条目，跳过 2 项；自上次读取后：1 个文件改动，1 个新文件，"
                          "1 个文件已删除（broken.yml）"));
    // The folder op names the folder open as F5 does, and says the same.
    write("config.yaml", "language: zh_CN\n");
    const QJsonObject again = op({{"op", "folder"}});
    EXPECT_EQ(str(again.value("files").toArray().at(0)), json(R"({"path":"config.yaml","kind":"other","entries":1,
                                                           "change":"changed"})"));
    EXPECT_FALSE(again.contains("removed"));
    ASSERT_TRUE(QFile::remove(path("more/new.yml")));
    EXPECT_EQ(str(openFolder().value("removed")), json(R"(["more/new.yml"])"));
}

// A file that cannot be read is in the list with why, and the rest is read.
TEST_F(Folder, AFileThatCannotBeReadIsToldAndTheRestShown) {
    write("big.yml", "a: 1\n");
    ASSERT_EQ(::truncate(QFile::encodeName(path("big.yml")).constData(), qint64{65} << 20), 0);
    const QJsonObject read = openFolder();
    EXPECT_EQ(str(read.value("files").toArray().at(0)), json(R"({"path":"big.yml","kind":"other","entries":0,
                       "error":"无法打开：文件太大（65 MB），编辑器最多打开 64 MB"})"));
    EXPECT_EQ(read.value("files").toArray().size(), 8);
    EXPECT_EQ(rows().front().toStdString(), std::string("big.yml（没有读取） | 其他 | 0"));
    EXPECT_TRUE(folderPanel().notes()->text().startsWith(
        QStringLiteral("big.yml：无法打开：文件太大（65 MB），编辑器最多打开 64 MB\nlinked.yml：")));
    EXPECT_EQ(folderPanel().status()->text().toStdString(),
              std::string("8 个文件，18 个条目，1 个文件没有读取，跳过 2 项"));
}

// open-entry answers as load-entry: the GBK file's gem in the gem page's fields.
TEST_F(Folder, OpenEntryOpensTheFileAndLoadsTheEntry) {
    ASSERT_EQ(openFolder().value("ok"), true);
    EXPECT_EQ(str(op({{"op", "open-entry"}, {"file", "gems-extra.yml"}, {"entry", "topaz"}})),
              json(R"({"ok":true,"page":4,"extras":[]})"));
    EXPECT_EQ(editor->documents().document(actions::Panel::Config).path, path("gems-extra.yml"));
    EXPECT_EQ(editor->documents().document(actions::Panel::Config).format.encoding, storage::Encoding::Gbk);
    EXPECT_EQ(op({{"op", "text"}, {"control", "编辑框61"}}).value("text").toString().toStdString(), "&6黄玉");
    EXPECT_EQ(str(op({{"op", "open-entry"}, {"file", "elements.yml"}, {"entry", "fire"}})),
              json(R"({"ok":true,"page":5,"extras":["    water: -20","    ice: 10","    earth: 5"]})"));

    // The panel's own changes to a file of the folder are kept: the entry comes from the panel.
    const QString changed =
        ui::panelLfText(configuration()).replace(QStringLiteral("&c火焰"), QStringLiteral("&4烈火"));
    ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框20"}, {"text", changed}}).value("ok"), true);
    EXPECT_EQ(op({{"op", "open-entry"}, {"file", "elements.yml"}, {"entry", "fire"}}).value("ok"), true);
    EXPECT_EQ(op({{"op", "text"}, {"control", "编辑框82"}}).value("text").toString().toStdString(), "&4烈火");
    // Another file over those changes is refused unless forced.
    const QJsonObject refused = op({{"op", "open-entry"}, {"file", "sockets.yml"}, {"entry", "ruby"}});
    EXPECT_EQ(refused.value("code").toString().toStdString(), "unsaved");
    EXPECT_TRUE(ui::panelLfText(configuration()).contains(QStringLiteral("&4烈火")));
    EXPECT_EQ(op({{"op", "open-entry"}, {"file", "sockets.yml"}, {"entry", "ruby"}, {"force", true}}).value("page"), 4);
    EXPECT_EQ(op({{"op", "text"}, {"control", "编辑框59"}}).value("text").toString().toStdString(), "ruby");
}

// Double-click on an entry: its file opened, the entry in its page; over unsaved changes the
// person is asked first, and 取消 opens nothing.
TEST_F(Folder, DoubleClickOpensTheFileAndLoadsTheEntry) {
    ASSERT_EQ(openFolder().value("ok"), true);
    QTreeView* tree = folderPanel().tree();
    tree->expandAll();
    doubleClick(tree, rowNamed(QStringLiteral("sapphire")));
    ASSERT_TRUE(waitUntil([&] { return editor->folder().isInPanel(QStringLiteral("more/extra.yml")); }));
    ASSERT_TRUE(waitUntil([&] { return op({{"op", "text"}, {"control", "编辑框59"}}).value("text") == "sapphire"; }));
    EXPECT_EQ(main->pageControl()->currentIndex(), 4);
    EXPECT_EQ(op({{"op", "text"}, {"control", "编辑框61"}}).value("text").toString().toStdString(), "&9蓝宝石");

    // An entry of no page (the plugin's settings): its line is shown.
    doubleClick(tree, rowNamed(QStringLiteral("debug")));
    ASSERT_TRUE(waitUntil([&] { return caretLine(configuration()) == 3; }));
    EXPECT_TRUE(editor->folder().isInPanel(QStringLiteral("config.yaml")));

    configuration()->textCursor().insertText(QStringLiteral("# mine\n"));
    doubleClick(tree, rowNamed(QStringLiteral("ruby")));
    QMessageBox* question = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (question = visibleBox()) != nullptr; }));
    EXPECT_TRUE(question->text().contains(QStringLiteral("“config.yaml”有未保存的更改")))
        << question->text().toStdString();
    question->reject();
    QCoreApplication::processEvents();
    EXPECT_TRUE(editor->folder().isInPanel(QStringLiteral("config.yaml")));
    EXPECT_TRUE(ui::panelLfText(configuration()).contains(QStringLiteral("# mine")));
    // 不保存: the file comes in, the entry with it.
    doubleClick(tree, rowNamed(QStringLiteral("ruby")));
    ASSERT_TRUE(waitUntil([&] { return (question = visibleBox()) != nullptr; }));
    click(question, QStringLiteral("不保存"));
    ASSERT_TRUE(waitUntil([&] { return op({{"op", "text"}, {"control", "编辑框59"}}).value("text") == "ruby"; }));
    EXPECT_TRUE(editor->folder().isInPanel(QStringLiteral("sockets.yml")));
}

// 检查文件夹 from the menu fills the findings; double-click goes to the line: in the file, opened
// into the configuration panel, or in the command panel.
TEST_F(Folder, DoubleClickOnAFindingGoesToItsLine) {
    ui::replacePanelText(panel("编辑框1"), QString::fromUtf8(kCommands));
    ASSERT_EQ(openFolder().value("ok"), true);
    QAction* check = editor->menu().action("check-folder");
    ASSERT_NE(check, nullptr);
    check->trigger();
    ASSERT_TRUE(waitUntil([&] { return editor->folder().findings().has_value(); }));
    EXPECT_EQ(folderPanel().tabs()->currentIndex(), 1);
    QTableView* view = folderPanel().findingsView();
    ui::FindingsModel* findings = folderPanel().findingsModel();
    ASSERT_EQ(findings->rowCount(), 11);
    EXPECT_EQ(findings->index(1, 0).data().toString().toStdString(), std::string("elements.yml:7"));
    EXPECT_EQ(findings->index(1, 1).data().toString().toStdString(), std::string("未定义元素"));
    EXPECT_EQ(findings->index(1, 2).data().toString().toStdString(), std::string("ice"));

    doubleClick(view, findings->index(1, 0));
    ASSERT_TRUE(waitUntil([&] { return caretLine(configuration()) == 7; }));
    EXPECT_TRUE(editor->folder().isInPanel(QStringLiteral("elements.yml")));
    EXPECT_EQ(configuration()->textCursor().block().text(), QStringLiteral("    ice: 10"));
    EXPECT_EQ(QApplication::focusWidget(), configuration());

    view->setCurrentIndex(findings->index(10, 0));
    EXPECT_EQ(folderPanel().findChild<QLabel*>(QStringLiteral("findingMessage"))->text().toStdString(),
              std::string("编辑框1 第 5 行：/attribute element 写的元素“ice”，文件夹里没有文件定义这个元素"));
    doubleClick(view, findings->index(10, 0));
    EXPECT_EQ(caretLine(panel("编辑框1")), 5);
    EXPECT_EQ(QApplication::focusWidget(), panel("编辑框1"));
}

// 保存并重载 with a folder open: a save that adds findings holds the reload back. A script is
// refused with the findings (the file is saved); forced, the reload goes on (here: no
// connection, so it is refused for that). A person is asked.
TEST_F(Folder, ASaveThatAddsFindingsHoldsTheReload) {
    ASSERT_EQ(openFolder().value("ok"), true);
    ASSERT_EQ(op({{"op", "open"}, {"control", "编辑框20"}, {"path", path("more/extra.yml")}}).value("ok"), true);
    // A second ruby: one more gem defined twice, in two files.
    ui::appendToPanel(configuration(), QStringLiteral("ruby:\n  Display_Name: \"&c又一个\"\n  Max_Grade: 1\n"));
    const QJsonObject refused = op({{"op", "trigger"}, {"action", "save-and-reload"}});
    EXPECT_EQ(refused.value("ok"), false);
    EXPECT_EQ(refused.value("code").toString().toStdString(), "folder-findings");
    EXPECT_EQ(str(refused.value("findings")), json(R"([
        {"file":"sockets.yml","line":2,"code":"duplicate-id","entry":"ruby","other":{"file":"more/extra.yml","line":10},
         "message":"宝石识别名“ruby”在more/extra.yml 第 10 行也有定义"},
        {"file":"more/extra.yml","line":10,"code":"duplicate-id","entry":"ruby","other":{"file":"sockets.yml","line":2},
         "message":"宝石识别名“ruby”在sockets.yml 第 2 行也有定义"}])"));
    EXPECT_TRUE(
        refused.value("error").toString().startsWith(QStringLiteral("文件已经保存。保存后插件文件夹多了 2 个问题")));
    EXPECT_TRUE(bytesOf("more/extra.yml").endsWith("ruby:\n  Display_Name: \"&c又一个\"\n  Max_Grade: 1\n"))
        << "saved before the check";
    // The panel shows them, marked as the save's.
    QStringList marked;
    const ui::FindingsModel* shown = folderPanel().findingsModel();
    for (int row = 0; row < shown->rowCount(); ++row)
        if (shown->index(row, 0).data().toString().startsWith(QStringLiteral("新 ")))
            marked << shown->index(row, 0).data().toString();
    EXPECT_EQ(lines(marked), lines({QStringLiteral("新 sockets.yml:2"), QStringLiteral("新 more/extra.yml:10")}));

    const QJsonObject forced = op({{"op", "trigger"}, {"action", "save-and-reload"}, {"force", true}});
    EXPECT_EQ(forced.value("code").toString().toStdString(), "not-connected")
        << "forced past the findings, it reached the reload";

    // A save that adds nothing goes straight to the reload.
    ui::replacePanelText(
        configuration(),
        QString::fromUtf8(bytesOf("more/extra.yml")).replace(QStringLiteral("ruby:"), QStringLiteral("garnet:")));
    EXPECT_EQ(op({{"op", "trigger"}, {"action", "save-and-reload"}}).value("code").toString().toStdString(),
              "not-connected");

    // A file outside the folder is not checked.
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath(QStringLiteral("sockets.yml"));
    ASSERT_EQ(op({{"op", "save"}, {"control", "编辑框20"}, {"path", outside}}).value("ok"), true);
    ui::appendToPanel(configuration(), QStringLiteral("ruby:\n  Max_Grade: 1\n"));
    EXPECT_EQ(op({{"op", "trigger"}, {"action", "save-and-reload"}}).value("code").toString().toStdString(),
              "not-connected");
}

}  // namespace
