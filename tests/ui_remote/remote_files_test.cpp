// A server's file through the automation ops, as a script drives the editor: opened into the
// configuration panel and saved back byte for byte by every rule of a local file, an entry
// loaded and updated, another client's change refused until forced, a panel-like server, a link
// and a folder, the file's mode, and the server's codes when it cannot be reached.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDirIterator>
#include <QPlainTextEdit>
#include <QStatusBar>

#include "documents/location.h"
#include "remote_fixture.h"
#include "ui/files/panel_documents.h"

namespace ui_remote_test {
namespace {

using RemoteFiles = RemoteTest;

const QByteArray kBom("\xEF\xBB\xBF");

QJsonObject openOp(const QString& path, const QString& profile = QStringLiteral("lobby")) {
    return {{"op", "open"},       {"control", "编辑框20"}, {"profile", profile}, {"path", path},
            {"encoding", "auto"}, {"mode", "replace"},     {"force", true}};
}
const QJsonObject kOk{{"ok", true}};
const QJsonObject kSave{{"op", "save"}, {"control", "编辑框20"}};

// Each format comes in and goes back as it was; an edit is written in the file's own format.
TEST_F(RemoteFiles, EachFormatOpensAndSavesBackByteForByte) {
    trust({ssh().fullPort()});
    ASSERT_EQ(op(keyProfile()), kOk);
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* encoding;
        const char* lineEnd;
        QByteArray edited;  // after "红" became "蓝" (and "宝石" stays)
    };
    const QByteArray gbkRed("\xBA\xEC");
    const QByteArray gbkBlue("\xC0\xB6");
    const QByteArray gbkGem("\xB1\xA6\xCA\xAF");
    const Case cases[] = {
        {"utf8-crlf-bom.yml", kBom + "ruby:\r\n  名称: '&c红宝石'\r\n", "UTF-8", "CRLF",
         kBom + "ruby:\r\n  名称: '&c蓝宝石'\r\n"},
        {"gbk-lf.yml", "ruby:\n  n: '" + gbkRed + gbkGem + "'\n", "GBK", "LF",
         "ruby:\n  n: '" + gbkBlue + gbkGem + "'\n"},
        {"utf8-lf.yml", QStringLiteral("ruby:\n  名称: 红宝石\n").toUtf8(), "UTF-8", "LF",
         QStringLiteral("ruby:\n  名称: 蓝宝石\n").toUtf8()},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        writeFile(file(QString::fromLatin1(each.name)), each.bytes);
        const QJsonObject opened = op(openOp(QString::fromLatin1(each.name)));
        EXPECT_EQ(opened,
                  (QJsonObject{{"ok", true}, {"encoding", each.encoding}, {"lineEnd", each.lineEnd}, {"lines", 2}}));
        // The title and the status bar name the file with its server.
        const QString link = QStringLiteral("lobby:") + file(QString::fromLatin1(each.name));
        EXPECT_TRUE(main->windowTitle().startsWith(link)) << main->windowTitle().toStdString();
        EXPECT_EQ(op({{"op", "save"}, {"control", "编辑框20"}}).value("ok"), true);
        EXPECT_EQ(readFile(file(QString::fromLatin1(each.name))), each.bytes);
        QString text = panel("编辑框20")->toPlainText();
        text.replace(u'红', u'蓝');
        ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框20"}, {"text", text}}).value("ok"), true);
        const QJsonObject saved = op(kSave);
        EXPECT_EQ(saved, (QJsonObject{{"ok", true}, {"bytes", each.edited.size()}}));
        EXPECT_EQ(readFile(file(QString::fromLatin1(each.name))), each.edited);
        EXPECT_FALSE(panel("编辑框20")->document()->isModified());
    }
}

// The entries list, a page loaded from an entry of the server's file, the entry updated in place:
// only its changed line differs in the file the server gets back.
TEST_F(RemoteFiles, AnEntryIsLoadedAndUpdatedInAServersFile) {
    trust({ssh().fullPort()});
    ASSERT_EQ(op(keyProfile()), kOk);
    const QByteArray text = QStringLiteral(
                                "# 宝石\r\nruby:   # 红的\r\n    Keylore: '&c红'\r\n    Display_Name: \"&c红宝石\"\r\n"
                                "    Max_Grade: 3\r\n    Shiny: true\r\n    Base_Success_Rate: 50\r\n\r\njade:\r\n"
                                "    Display_Name: '&a翡翠'\r\n    Max_Grade: 2\r\n    Shiny: false\r\n")
                                .toUtf8();
    writeFile(file(QStringLiteral("sockets.yml")), text);
    ASSERT_EQ(op(openOp(QStringLiteral("sockets.yml"))).value("ok"), true);
    ASSERT_TRUE(waitFor([&] {
        const QJsonArray list = op({{"op", "entries"}, {"control", "编辑框20"}}).value("entries").toArray();
        return list.size() == 2;
    }));
    ASSERT_EQ(op({{"op", "load-entry"}, {"control", "编辑框20"}, {"entry", "ruby"}}).value("ok"), true);
    ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框63"}, {"text", "5"}}).value("ok"), true);
    ASSERT_EQ(op({{"op", "update-entry"}, {"control", "编辑框20"}}).value("ok"), true);
    EXPECT_EQ(op({{"op", "diff"}, {"control", "编辑框20"}}),
              (QJsonObject{{"ok", true},
                           {"changes", QJsonArray{QJsonObject{{"line", 5},
                                                              {"removed", QJsonArray{"    Max_Grade: 3"}},
                                                              {"added", QJsonArray{"    Max_Grade: 5"}}}}}}));
    ASSERT_EQ(op(kSave).value("ok"), true);
    QByteArray expected = text;
    expected.replace("Max_Grade: 3", "Max_Grade: 5");
    EXPECT_EQ(readFile(file(QStringLiteral("sockets.yml"))), expected);
}

// Someone else saved the file after it was opened: nothing is written until the script forces it.
TEST_F(RemoteFiles, AnotherClientsChangeIsRefusedUntilForced) {
    trust({ssh().fullPort()});
    ASSERT_EQ(op(keyProfile()), kOk);
    writeFile(file(QStringLiteral("a.yml")), "a: 1\n");
    ASSERT_EQ(op(openOp(QStringLiteral("a.yml"))).value("ok"), true);
    ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框20"}, {"text", "a: 2\n"}}).value("ok"), true);
    writeFile(file(QStringLiteral("a.yml")), "a: 1\nb: 9\n");
    const QJsonObject refused = op(kSave);
    EXPECT_EQ(refused.value("code"), "changed-on-server");
    EXPECT_EQ(refused.value("error"),
              QStringLiteral("服务器上的文件在打开或上次保存之后被别人改动过：lobby:%1。保存会覆盖那些改动，没有写入。")
                  .arg(file(QStringLiteral("a.yml"))));
    EXPECT_EQ(readFile(file(QStringLiteral("a.yml"))), QByteArray("a: 1\nb: 9\n"));
    EXPECT_EQ(op({{"op", "diff"}, {"control", "编辑框20"}}),
              (QJsonObject{{"ok", true},
                           {"changes", QJsonArray{QJsonObject{{"line", 1},
                                                              {"removed", QJsonArray{"a: 1", "b: 9"}},
                                                              {"added", QJsonArray{"a: 2"}}}}}}));
    QJsonObject forced = kSave;
    forced.insert(QStringLiteral("force"), true);
    EXPECT_EQ(op(forced).value("ok"), true);
    EXPECT_EQ(readFile(file(QStringLiteral("a.yml"))), QByteArray("a: 2\n"));
    // The next save expects what the forced one wrote.
    ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框20"}, {"text", "a: 3\n"}}).value("ok"), true);
    EXPECT_EQ(op(kSave).value("ok"), true);
    EXPECT_EQ(readFile(file(QStringLiteral("a.yml"))), QByteArray("a: 3\n"));
}

// What a local save refuses, a server's refuses the same way; a folder and a special file are
// refused with nothing written; a link is followed and stays a link; the mode is kept.
TEST_F(RemoteFiles, FoldersAreRefusedLinksFollowedAndTheModeKept) {
    trust({ssh().fullPort()});
    ASSERT_EQ(op(keyProfile()), kOk);
    writeFile(file(QStringLiteral("real.yml")), "a: 1\n");
    ::chmod(QFile::encodeName(file(QStringLiteral("real.yml"))).constData(), 0640);
    ASSERT_TRUE(QFile::link(QStringLiteral("real.yml"), file(QStringLiteral("link.yml"))));
    ASSERT_TRUE(QDir(folder_).mkdir(QStringLiteral("dir.yml")));
    ASSERT_EQ(op(openOp(QStringLiteral("link.yml"))).value("ok"), true);
    ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框20"}, {"text", "a: 2\n"}}).value("ok"), true);
    ASSERT_EQ(op(kSave).value("ok"), true);
    EXPECT_EQ(readFile(file(QStringLiteral("real.yml"))), QByteArray("a: 2\n"));
    EXPECT_TRUE(QFileInfo(file(QStringLiteral("link.yml"))).isSymLink());
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(file(QStringLiteral("real.yml"))).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640U);

    const QJsonObject onFolder =
        op({{"op", "save"}, {"control", "编辑框20"}, {"profile", "lobby"}, {"path", "dir.yml"}});
    EXPECT_EQ(onFolder.value("code"), "not-regular");
    EXPECT_TRUE(QFileInfo(file(QStringLiteral("dir.yml"))).isDir());
    EXPECT_EQ(op(openOp(QStringLiteral("dir.yml"))).value("code"), "not-regular");
    const QJsonObject invalid = op({{"op", "set"}, {"control", "编辑框20"}, {"text", "a: [\n"}});
    ASSERT_EQ(invalid.value("ok"), true);
    EXPECT_EQ(op(kSave).value("code"), "invalid-yaml");
    EXPECT_EQ(readFile(file(QStringLiteral("real.yml"))), QByteArray("a: 2\n"));
    EXPECT_EQ(op(openOp(QStringLiteral("missing.yml"))).value("code"), "not-found");
}

// A save elsewhere: "profile" and "path" write a new file on the server; "path" alone, on this
// computer; the panel's document follows the file written.
TEST_F(RemoteFiles, ASaveElsewhereWritesThereAndTheDocumentFollows) {
    trust({ssh().fullPort()});
    ASSERT_EQ(op(keyProfile()), kOk);
    ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框20"}, {"text", "新: 1\n"}}).value("ok"), true);
    EXPECT_EQ(op({{"op", "save"}, {"control", "编辑框20"}, {"profile", "lobby"}, {"path", "new.yml"}}),
              (QJsonObject{{"ok", true}, {"bytes", 8}}));
    EXPECT_EQ(readFile(file(QStringLiteral("new.yml"))), QStringLiteral("新: 1\r\n").toUtf8());
    const documents::Document document = editor->documents().document(actions::Panel::Config);
    EXPECT_EQ(document.place, QStringLiteral("lobby"));
    EXPECT_EQ(document.path, file(QStringLiteral("new.yml")));
    QTemporaryDir local;
    const QString copy = local.filePath(QStringLiteral("copy.yml"));
    EXPECT_EQ(op({{"op", "save"}, {"control", "编辑框20"}, {"path", copy}}).value("ok"), true);
    EXPECT_EQ(readFile(copy), QStringLiteral("新: 1\r\n").toUtf8());
    EXPECT_EQ(editor->documents().document(actions::Panel::Config).place, QString());
}

// A hosting panel's SFTP server: a password login, no posix-rename (the old text kept as
// NAME.bak while the new one takes its name), no shell.
TEST_F(RemoteFiles, APanelLikeServerTakesTheSaveThroughABackup) {
    if (ssh().panelUser().isEmpty()) GTEST_SKIP() << ssh().panelProblem().toStdString();
    trust({ssh().panelPort()});
    ASSERT_EQ(op({{"op", "profile"},
                  {"name", "panel"},
                  {"host", "127.0.0.1"},
                  {"port", ssh().panelPort()},
                  {"user", ssh().panelUser()},
                  {"password", testing_support::SshServer::panelPassword()},
                  {"folder", folder_}}),
              kOk);
    writeFile(file(QStringLiteral("config.yml")), "a: 1\r\n");
    const QJsonObject opened = op(openOp(QStringLiteral("config.yml"), QStringLiteral("panel")));
    ASSERT_EQ(opened.value("ok"), true) << json(opened);
    ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框20"}, {"text", "a: 2\n"}}).value("ok"), true);
    const QJsonObject saved = op(kSave);
    EXPECT_EQ(saved.value("ok"), true) << json(saved);
    // The file was root's: the panel's user cannot give the new one that owner, and says so.
    EXPECT_EQ(saved.value("warning").toString(),
              QStringLiteral("服务器不能直接替换文件，原来的内容改名为 config.yml.bak 保留。服务器上的 %1 原来属于 "
                             "uid 0、gid 0，新文件属于登录的用户")
                  .arg(file(QStringLiteral("config.yml"))));
    EXPECT_EQ(readFile(file(QStringLiteral("config.yml"))), QByteArray("a: 2\r\n"));
    EXPECT_EQ(readFile(file(QStringLiteral("config.yml.bak"))), QByteArray("a: 1\r\n"));
    EXPECT_EQ(op({{"op", "remote-list"}, {"profile", "panel"}, {"path", "."}}).value("files").toArray().size(), 2);
}

// The folder's entries, the profiles, the codes of a server that cannot be reached.
TEST_F(RemoteFiles, ProfilesAndListingsAnswerInTheirShapes) {
    trust({ssh().fullPort()});
    ASSERT_EQ(op(keyProfile()), kOk);
    EXPECT_EQ(op({{"op", "profiles"}}), (QJsonObject{{"ok", true},
                                                     {"profiles", QJsonArray{QJsonObject{{"name", "lobby"},
                                                                                         {"host", "127.0.0.1"},
                                                                                         {"port", ssh().fullPort()},
                                                                                         {"user", ssh().user()},
                                                                                         {"folder", folder_},
                                                                                         {"tunnel", true}}}}}));
    writeFile(file(QStringLiteral("sockets.yml")), "12345");
    ASSERT_TRUE(QDir(folder_).mkdir(QStringLiteral("old")));
    ASSERT_TRUE(QFile::link(QStringLiteral("sockets.yml"), file(QStringLiteral("x.yml"))));
    const QJsonObject listed = op({{"op", "remote-list"}, {"profile", "lobby"}, {"path", "."}});
    ASSERT_EQ(listed.value("ok"), true) << json(listed);
    EXPECT_EQ(listed.value("path"), folder_);
    const QJsonArray files = listed.value("files").toArray();
    ASSERT_EQ(files.size(), 3);
    const qint64 mtime = QFileInfo(file(QStringLiteral("sockets.yml"))).lastModified().toSecsSinceEpoch();
    EXPECT_EQ(files[0].toObject().value("name"), "old");
    EXPECT_EQ(files[0].toObject().value("type"), "dir");
    EXPECT_EQ(files[1].toObject(),
              (QJsonObject{{"name", "sockets.yml"}, {"type", "file"}, {"size", 5}, {"mtime", mtime}}));
    EXPECT_EQ(files[2].toObject().value("type"), "link");
    EXPECT_EQ(files[2].toObject().value("target"), "file");
    // An absolute path, and the folder's parent.
    EXPECT_EQ(op({{"op", "remote-list"}, {"profile", "lobby"}, {"path", ".."}}).value("path"), ssh().files());
    EXPECT_EQ(op({{"op", "remote-list"}, {"profile", "lobby"}, {"path", folder_ + "/old"}}).value("files"),
              QJsonArray());

    EXPECT_EQ(op({{"op", "remote-list"}, {"profile", "nowhere"}}),
              (QJsonObject{{"ok", false},
                           {"error",
                            "no profile named \"nowhere\" (profiles: lobby); add it with the "
                            "profile op"}}));
    EXPECT_EQ(op({{"op", "profile"}, {"name", "x"}, {"host", "h"}, {"user", "u"}, {"key", "/k"}, {"password", "p"}})
                  .value("error"),
              "give \"key\" or \"password\", not both");
    QJsonObject closed = keyProfile(QStringLiteral("closed"));
    closed.insert(QStringLiteral("port"), 1);
    ASSERT_EQ(op(closed), kOk);
    EXPECT_EQ(op({{"op", "remote-list"}, {"profile", "closed"}}).value("code"), "unreachable");
}

}  // namespace
}  // namespace ui_remote_test
