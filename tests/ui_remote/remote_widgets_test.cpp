// A server's files through the editor's widgets, as a person uses them: the host key asked at the
// first contact and refused when it changed (nothing sent either way), a password asked and a
// key's passphrase, the remote file dialog, another client's change between open and save
// (比较, 仍然写入, 取消), a transfer cancelled and a silent server, a link kept by the session, the
// list of servers.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextEdit>
#include <QTreeWidget>

#include "documents/location.h"
#include "remote_fixture.h"
#include "ui/files/diff_view.h"
#include "ui/files/panel_documents.h"
#include "ui/files/session_keeper.h"
#include "ui/folder/plugin_folder.h"
#include "ui/remote/host_key_dialog.h"
#include "ui/remote/profile_dialog.h"
#include "ui/remote/remote_file_dialog.h"
#include "ui/remote/secret_dialog.h"
#include "ui/server/server_link.h"

namespace ui_remote_test {
namespace {

const QJsonObject kOk{{"ok", true}};

class RemoteWidgets : public RemoteTest {
protected:
    // The first visible widget of a type (a dialog opened by the editor), once it shows.
    template <typename T>
    T* shown() {
        T* found = nullptr;
        waitFor([&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* typed = dynamic_cast<T*>(widget); typed != nullptr && typed->isVisible()) found = typed;
            }
            return found != nullptr;
        });
        return found;
    }
    // "SHA256:..." of the server's host key, as ssh-keygen -l shows it.
    static QString hostFingerprint() {
        const testing_support::Finished listed = testing_support::run(
            QStringLiteral("ssh-keygen"), {QStringLiteral("-lf"), ssh().hostKeyPath() + QStringLiteral(".pub")});
        return QString::fromLatin1(listed.output.split(' ').value(1));
    }
    // What the server logged for the connections made since from, once it logged their end.
    static QByteArray logSince(qsizetype from) {
        EXPECT_TRUE(ssh().waitForLog(from, "Connection closed by 127.0.0.1") ||
                    ssh().waitForLog(from, "Disconnected from"));
        return ssh().log().mid(from);
    }
    ui::RemoteFileDialog* openRemoteDialog() {
        editor->menu().openRemote(ui::Request::person(main));
        return shown<ui::RemoteFileDialog>();
    }
    static QStringList names(QTreeWidget* list) {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(0);
        return out;
    }
};

// Nothing but the key exchange reaches an unknown host: a script hears the fingerprint, a person
// sees it and trusts it; the editor's own known_hosts keeps it, and the dialog lists the folder
// with its YAML files first, then its folders, then the rest.
TEST_F(RemoteWidgets, AFirstContactShowsTheFingerprintAndTrustingKeepsTheKey) {
    ASSERT_EQ(op(keyProfile()), kOk);
    writeFile(file(QStringLiteral("b.yml")), "b: 1\n");
    writeFile(file(QStringLiteral("a.yaml")), "a: 1\n");
    writeFile(file(QStringLiteral("notes.txt")), "x");
    ASSERT_TRUE(QDir(folder_).mkdir(QStringLiteral("old")));
    const qsizetype before = ssh().log().size();
    const QJsonObject unknown = op({{"op", "remote-list"}, {"profile", "lobby"}});
    EXPECT_EQ(unknown.value("code"), "unknown-host");
    EXPECT_EQ(unknown.value("fingerprint").toString(), hostFingerprint());
    const QByteArray log = logSince(before);
    EXPECT_FALSE(log.contains("userauth")) << log.toStdString();
    // Only the key the server shows now is trusted.
    const QJsonObject mismatch = op({{"op", "trust-host"}, {"profile", "lobby"}, {"fingerprint", "SHA256:AAAA"}});
    EXPECT_EQ(mismatch.value("code"), "unknown-host");
    EXPECT_EQ(mismatch.value("fingerprint").toString(), hostFingerprint());
    EXPECT_FALSE(QFile::exists(known()));

    ui::RemoteFileDialog* dialog = openRemoteDialog();
    ASSERT_NE(dialog, nullptr);
    auto* question = shown<ui::HostKeyDialog>();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->kind(), ui::HostKeyDialog::Kind::Unknown);
    EXPECT_EQ(question->fingerprint(), hostFingerprint());
    EXPECT_EQ(question->textLabel()->text(),
              ui::HostKeyDialog::unknownText(QStringLiteral("lobby"), QStringLiteral("127.0.0.1"), ssh().fullPort(),
                                             known()));
    question->trustButton()->click();
    ASSERT_TRUE(waitFor([&] { return dialog->isReady() && dialog->list()->topLevelItemCount() == 4; }));
    EXPECT_EQ(names(dialog->list()), (QStringList{QStringLiteral("a.yaml"), QStringLiteral("b.yml"),
                                                  QStringLiteral("old"), QStringLiteral("notes.txt")}));
    EXPECT_EQ(dialog->pathLabel()->text(), QStringLiteral("lobby:") + folder_);
    EXPECT_EQ(readFile(known()), ssh().knownHostsLine(ssh().fullPort()));
    // Into a folder and back up.
    dialog->list()->setCurrentItem(dialog->list()->topLevelItem(2));
    dialog->openButton()->click();
    ASSERT_TRUE(waitFor([&] { return dialog->isReady() && dialog->folder() == (folder_ + "/old").toUtf8(); }));
    dialog->upButton()->click();
    ASSERT_TRUE(waitFor([&] { return dialog->isReady() && dialog->list()->topLevelItemCount() == 4; }));
    dialog->list()->setCurrentItem(dialog->list()->topLevelItem(1));
    dialog->openButton()->click();
    ASSERT_TRUE(waitFor([&] { return panel("编辑框20")->toPlainText() == QStringLiteral("b: 1\n"); }));
    const documents::Document document = editor->documents().document(actions::Panel::Config);
    EXPECT_EQ(document.shownPath(), QStringLiteral("lobby:") + file(QStringLiteral("b.yml")));
    EXPECT_EQ(main->statusBar()->findChild<QLabel*>(QStringLiteral("currentServer"))->text(),
              QStringLiteral("服务器：lobby"));
}

// Another server chosen in the dialog: the first server's files go at once, so none of them can
// be opened on the other, and one that cannot be reached leaves nothing to open.
TEST_F(RemoteWidgets, ChoosingAnotherServerTakesTheFirstServersFilesAway) {
    trust({ssh().fullPort()});
    ASSERT_EQ(op(keyProfile()), kOk);
    QJsonObject closed = keyProfile(QStringLiteral("closed"));
    closed.insert(QStringLiteral("port"), 1);
    ASSERT_EQ(op(closed), kOk);
    writeFile(file(QStringLiteral("a.yml")), "a: 1\n");
    ui::RemoteFileDialog* dialog = openRemoteDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->profile(), QStringLiteral("lobby"));
    ASSERT_TRUE(waitFor([&] { return dialog->isReady() && dialog->list()->topLevelItemCount() == 1; }));
    EXPECT_TRUE(dialog->openButton()->isEnabled());

    const int other = dialog->serverBox()->findText(QStringLiteral("closed"));
    ASSERT_GE(other, 0);
    dialog->serverBox()->setCurrentIndex(other);
    emit dialog->serverBox()->activated(other);
    EXPECT_EQ(dialog->list()->topLevelItemCount(), 0);
    EXPECT_FALSE(dialog->openButton()->isEnabled());
    ASSERT_TRUE(waitFor([&] { return dialog->isReady(); }));
    EXPECT_FALSE(dialog->messageLabel()->text().isEmpty());
    EXPECT_EQ(dialog->list()->topLevelItemCount(), 0);
    EXPECT_FALSE(dialog->openButton()->isEnabled());
    EXPECT_FALSE(dialog->pathLabel()->text().startsWith(QStringLiteral("lobby:")));
    dialog->reject();
}

// The fingerprints stand in a fixed-width font as large as the words around them, whether the
// editor's font is set in pixels or in points; the keyboard starts on 取消 (关闭), the default
// button, so neither Enter nor Space trusts a key.
TEST(HostKeyDialogs, TheFingerprintsAreAsLargeAsTheWordsAndTheKeyboardStartsOnCancel) {
    const QFont before = QApplication::font();
    struct Restore {
        QFont font;
        ~Restore() { QApplication::setFont(font); }
    } restore{before};
    remote::Outcome unknown;
    unknown.code = QStringLiteral("unknown-host");
    unknown.fingerprint = QStringLiteral("SHA256:m495BNZMbypaZn1Zitbi4F3T2ar7oM0RrMq3CuwSO1Q");
    remote::Outcome changed = unknown;
    changed.code = QStringLiteral("host-key-changed");
    changed.known = QStringLiteral("SHA256:XR7D4djfaSSHUEX/MGoAV3Lx4y6H/AuGOBtYY6Ujs5k");
    changed.knownFile = QStringLiteral("/data/known_hosts");
    changed.knownLine = 3;
    for (const bool inPixels : {true, false}) {
        QFont font = before;
        if (inPixels)
            font.setPixelSize(19);
        else
            font.setPointSizeF(17.5);
        QApplication::setFont(font);
        for (const remote::Outcome& outcome : {unknown, changed}) {
            SCOPED_TRACE((outcome.code + (inPixels ? QStringLiteral(" px") : QStringLiteral(" pt"))).toStdString());
            ui::HostKeyDialog dialog(outcome, QStringLiteral("lobby"), QStringLiteral("127.0.0.1"), 2222,
                                     QStringLiteral("/data/known_hosts"), nullptr);
            dialog.show();
            QList<QLabel*> keys;
            for (QLabel* label : dialog.findChildren<QLabel*>())
                if (label->text().endsWith(outcome.fingerprint) ||
                    (!outcome.known.isEmpty() && label->text().endsWith(outcome.known)))
                    keys << label;
            ASSERT_EQ(keys.size(), outcome.known.isEmpty() ? 1 : 2);
            for (QLabel* key : keys)
                EXPECT_EQ(QFontInfo(key->font()).pixelSize(), QFontInfo(dialog.textLabel()->font()).pixelSize());
            // The key shown and the key kept start at one edge, to be read one above the other.
            const auto start = [&dialog](QLabel* key, const QString& fingerprint) {
                const QString caption = key->text().left(key->text().size() - fingerprint.size());
                return key->mapTo(&dialog, key->contentsRect().topLeft()).x() +
                       QFontMetrics(key->font()).horizontalAdvance(caption);
            };
            if (keys.size() == 2) {
                const bool shownFirst = keys[0]->text().endsWith(outcome.fingerprint);
                QLabel* now = shownFirst ? keys[0] : keys[1];
                QLabel* kept = shownFirst ? keys[1] : keys[0];
                EXPECT_EQ(start(now, outcome.fingerprint), start(kept, outcome.known));
            }
            EXPECT_EQ(dialog.focusWidget(), dialog.closeButton());
            EXPECT_TRUE(dialog.closeButton()->isDefault());
        }
    }
}

// Another key than the one kept: refused before any login, with no way on from the dialog, words
// that say it may be an attack, and the file and line of the old key.
TEST_F(RemoteWidgets, AChangedHostKeyIsRefusedAndTellsWhereTheOldKeyIs) {
    QTemporaryDir other;
    const QString otherKey = other.filePath(QStringLiteral("k"));
    ASSERT_EQ(testing_support::run(QStringLiteral("ssh-keygen"),
                                   {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                                    QStringLiteral("-N"), QString(), QStringLiteral("-f"), otherKey})
                  .exitCode,
              0);
    const QList<QByteArray> fields = readFile(otherKey + QStringLiteral(".pub")).split(' ');
    writeFile(known(), "# kept by the editor\n[127.0.0.1]:" + QByteArray::number(ssh().fullPort()) + ' ' +
                           fields.value(0) + ' ' + fields.value(1) + '\n');
    ASSERT_EQ(op(keyProfile()), kOk);
    const qsizetype before = ssh().log().size();
    const QJsonObject changed = op({{"op", "remote-list"}, {"profile", "lobby"}});
    EXPECT_EQ(changed.value("code"), "host-key-changed");
    EXPECT_EQ(changed.value("fingerprint").toString(), hostFingerprint());
    EXPECT_TRUE(changed.value("known").toString().startsWith(QStringLiteral("SHA256:")));
    EXPECT_NE(changed.value("known"), changed.value("fingerprint"));
    const QByteArray log = logSince(before);
    EXPECT_FALSE(log.contains("userauth")) << log.toStdString();

    ui::RemoteFileDialog* dialog = openRemoteDialog();
    ASSERT_NE(dialog, nullptr);
    auto* refusal = shown<ui::HostKeyDialog>();
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(refusal->kind(), ui::HostKeyDialog::Kind::Changed);
    EXPECT_EQ(refusal->trustButton(), nullptr);
    EXPECT_EQ(refusal->findChildren<QPushButton*>().size(), 1);  // 关闭 only
    remote::Outcome outcome;
    outcome.knownFile = known();
    outcome.knownLine = 2;
    EXPECT_EQ(refusal->textLabel()->text(),
              ui::HostKeyDialog::changedText(outcome, QStringLiteral("lobby"), QStringLiteral("127.0.0.1"),
                                             ssh().fullPort()));
    EXPECT_TRUE(refusal->textLabel()->text().contains(QStringLiteral("中间人攻击")));
    EXPECT_TRUE(refusal->textLabel()->text().contains(
        QStringLiteral("ssh-keygen -R '[127.0.0.1]:%1' -f '%2'").arg(ssh().fullPort()).arg(known())));
    refusal->closeButton()->click();
    ASSERT_TRUE(waitFor([&] { return dialog->isReady(); }));
    EXPECT_EQ(dialog->list()->topLevelItemCount(), 0);
    EXPECT_FALSE(dialog->openButton()->isEnabled());
    dialog->reject();
}

// A password the server refused is asked again; a key with a passphrase too, and the passphrase
// from a script opens it.
TEST_F(RemoteWidgets, AWrongPasswordIsAskedAgainAndAKeysPassphraseOpensIt) {
    if (ssh().panelUser().isEmpty()) GTEST_SKIP() << ssh().panelProblem().toStdString();
    trust({ssh().panelPort(), ssh().fullPort()});
    QJsonObject panelProfile{{"op", "profile"},           {"name", "panel"},           {"host", "127.0.0.1"},
                             {"port", ssh().panelPort()}, {"user", ssh().panelUser()}, {"password", "wrong-password"},
                             {"folder", folder_}};
    ASSERT_EQ(op(panelProfile), kOk);
    EXPECT_EQ(op({{"op", "remote-list"}, {"profile", "panel"}}).value("code"), "auth-failed");
    ASSERT_TRUE(editor->servers().setCurrent(QStringLiteral("panel")));
    ui::RemoteFileDialog* dialog = openRemoteDialog();
    auto* asked = shown<ui::SecretDialog>();
    ASSERT_NE(asked, nullptr);
    asked->secretEdit()->setText(testing_support::SshServer::panelPassword());
    asked->keepBox()->setChecked(false);
    asked->accept();
    ASSERT_TRUE(waitFor([&] { return dialog->isReady() && dialog->pathLabel()->text().endsWith(folder_); }));
    EXPECT_EQ(dialog->messageLabel()->text(), QStringLiteral("这个文件夹是空的。"));
    dialog->reject();

    QJsonObject locked = keyProfile(QStringLiteral("locked"));
    locked.insert(QStringLiteral("key"), ssh().lockedKey());
    ASSERT_EQ(op(locked), kOk);
    const QJsonObject refused = op({{"op", "remote-list"}, {"profile", "locked"}});
    EXPECT_EQ(refused.value("code"), "auth-failed");
    locked.insert(QStringLiteral("passphrase"), testing_support::SshServer::passphrase());
    ASSERT_EQ(op(locked), kOk);
    EXPECT_EQ(op({{"op", "remote-list"}, {"profile", "locked"}}).value("ok"), true);
}

// Someone else saved the server's file after it was opened: the person is asked 比较 / 仍然写入 /
// 取消; 取消 writes nothing, 比较 shows the panel against the server's text now, 仍然写入 writes.
TEST_F(RemoteWidgets, AnotherClientsChangeAsksToCompareWriteAnywayOrCancel) {
    trust({ssh().fullPort()});
    ASSERT_EQ(op(keyProfile()), kOk);
    writeFile(file(QStringLiteral("a.yml")), "a: 1\n");
    ASSERT_EQ(op({{"op", "open"}, {"control", "编辑框20"}, {"profile", "lobby"}, {"path", "a.yml"}}).value("ok"), true);
    ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框20"}, {"text", "a: 2\n"}}).value("ok"), true);
    writeFile(file(QStringLiteral("a.yml")), "a: 1\nb: 9\n");

    const auto askSave = [&] {
        editor->menu().save(ui::Request::person(main));
        return shown<QMessageBox>();
    };
    QMessageBox* question = askSave();
    ASSERT_NE(question, nullptr);
    EXPECT_TRUE(question->text().startsWith(QStringLiteral("服务器上的文件在打开或上次保存之后被别人改动过")));
    QStringList captions;
    for (QAbstractButton* button : question->buttons()) captions << button->text();
    captions.sort();
    EXPECT_EQ(captions, (QStringList{QStringLiteral("仍然写入"), QStringLiteral("取消"), QStringLiteral("比较")}));
    const auto button = [](QMessageBox* box, const QString& caption) {
        for (QAbstractButton* each : box->buttons())
            if (each->text() == caption) return each;
        return static_cast<QAbstractButton*>(nullptr);
    };
    button(question, QStringLiteral("取消"))->click();
    ASSERT_TRUE(waitFor([&] { return !question->isVisible(); }));
    EXPECT_EQ(readFile(file(QStringLiteral("a.yml"))), QByteArray("a: 1\nb: 9\n"));

    question = askSave();
    ASSERT_NE(question, nullptr);
    button(question, QStringLiteral("比较"))->click();
    auto* diff = shown<ui::DiffView>();
    ASSERT_NE(diff, nullptr);
    ASSERT_TRUE(waitFor([&] { return diff->isLoaded(); }));
    EXPECT_EQ(diff->summary()->text(),
              QStringLiteral("保存会改动 1 处：删去 2 行，加入 1 行（行号是磁盘上文件的行号）。"));
    EXPECT_EQ(diff->lines()->toPlainText(), QStringLiteral("\n第 1 行\n     1 - a: 1\n     2 - b: 9\n       + a: 2\n"));
    diff->close();
    question = shown<QMessageBox>();  // asked again after the comparison
    ASSERT_NE(question, nullptr);
    button(question, QStringLiteral("仍然写入"))->click();
    ASSERT_TRUE(waitFor([&] { return readFile(file(QStringLiteral("a.yml"))) == "a: 2\n"; }));
    ASSERT_TRUE(waitFor([&] { return !panel("编辑框20")->document()->isModified(); }));
}

// A save of more than 1 MB shows how far it is in the status bar; "取消" stops it with the
// server's file as it was. A server that stops answering is told by what did not answer.
TEST_F(RemoteWidgets, ALargeSaveShowsItsProgressAndCanBeCancelledAndASilentServerTimesOut) {
    trust({ssh().cutPort()});
    QJsonObject cut = keyProfile();
    cut.insert(QStringLiteral("port"), ssh().cutPort());
    ASSERT_EQ(op(cut), kOk);
    QByteArray big;
    for (int i = 0; big.size() < 3 * 1024 * 1024; ++i) big += "key" + QByteArray::number(i) + ": value\n";
    writeFile(file(QStringLiteral("big.yml")), big);
    // The server stops reading half way through the new text (the reads before ask little).
    ssh().setStall(big.size() / 2);
    ASSERT_EQ(op({{"op", "open"}, {"control", "编辑框20"}, {"profile", "lobby"}, {"path", "big.yml"}}).value("ok"),
              true);
    panel("编辑框20")->appendPlainText(QStringLiteral("added: 1"));
    // A cancelled save removes its temporary file, which the silent server makes wait its time.
    editor->servers().setTimeoutMs(3000);
    std::optional<QJsonObject> reply;
    runner = std::make_unique<ui::ScriptRunner>(editor->automation(), -1);
    runner->run(R"({"op":"save","control":"编辑框20"})", [&](const QJsonObject& r) { reply = r; });
    auto* transfer = main->statusBar()->findChild<QWidget*>(QStringLiteral("transfer"));
    ASSERT_NE(transfer, nullptr);
    ASSERT_TRUE(waitFor([&] { return transfer->isVisible(); }));
    EXPECT_TRUE(transfer->findChild<QLabel*>()->text().startsWith(QStringLiteral("正在保存到 lobby：big.yml…")));
    transfer->findChild<QPushButton*>(QStringLiteral("cancelTransfer"))->click();
    ASSERT_TRUE(waitFor([&] { return reply.has_value(); }));
    EXPECT_EQ(reply->value("code"), "cancelled") << json(*reply);
    EXPECT_TRUE(waitFor([&] { return !transfer->isVisible(); }));
    EXPECT_EQ(readFile(file(QStringLiteral("big.yml"))), big);

    // The same stall with a short time limit: the server's silence is told.
    editor->servers().setTimeoutMs(1500);
    const QJsonObject silent = op({{"op", "save"}, {"control", "编辑框20"}});
    EXPECT_EQ(silent.value("code"), "timeout") << json(silent);
    EXPECT_TRUE(silent.value("error").toString().contains(QStringLiteral("没有回答"))) << json(silent);
    ssh().setCut(-1, true);
    EXPECT_EQ(readFile(file(QStringLiteral("big.yml"))), big);
}

// The session keeps the link, never a secret: the next editor connects again when the file is
// used, and its save still notices another client's change.
TEST_F(RemoteWidgets, TheSessionKeepsTheLinkAndTheNextEditorConnectsWhenTheFileIsUsed) {
    trust({ssh().fullPort()});
    ASSERT_EQ(op(keyProfile()), kOk);
    writeFile(file(QStringLiteral("s.yml")), "s: 1\r\n");
    ASSERT_EQ(op({{"op", "open"}, {"control", "编辑框20"}, {"profile", "lobby"}, {"path", "s.yml"}}).value("ok"), true);
    const QString session = data_.filePath(QStringLiteral("session.json"));
    {
        ui::SessionKeeper keeper(*runtime, editor->documents(), session, 0);
        keeper.saveNow();
    }
    runner.reset();
    editor = std::make_unique<ui::Editor>();
    runtime = &editor->runtime();
    main = editor->main();
    editor->servers().setFolder(data_.path());
    ui::SessionKeeper keeper(*runtime, editor->documents(), session, 0);
    EXPECT_EQ(keeper.restore(), QString());
    const documents::Document restored = editor->documents().document(actions::Panel::Config);
    EXPECT_EQ(restored.shownPath(), QStringLiteral("lobby:") + file(QStringLiteral("s.yml")));
    ASSERT_EQ(op({{"op", "set"}, {"control", "编辑框20"}, {"text", "s: 2\n"}}).value("ok"), true);
    EXPECT_EQ(op({{"op", "save"}, {"control", "编辑框20"}}).value("ok"), true);
    EXPECT_EQ(readFile(file(QStringLiteral("s.yml"))), QByteArray("s: 2\r\n"));
    EXPECT_TRUE(main->windowTitle().startsWith(QStringLiteral("lobby:") + file(QStringLiteral("s.yml"))));
}

// The list of servers: a profile made in the form, the warning while RCON would go in clear,
// the secrets in memory and never in servers.json, a rename.
TEST_F(RemoteWidgets, TheListOfServersMakesRenamesAndRemovesProfilesWithoutWritingASecret) {
    editor->server().openProfiles();
    ui::ProfileDialog* dialog = editor->server().profileDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->nameEdit()->setText(QStringLiteral("生存服"));
    dialog->hostEdit()->setText(QStringLiteral("203.0.113.7"));
    EXPECT_EQ(dialog->portBox()->value(), 22);
    dialog->userEdit()->setText(QStringLiteral("mc"));
    dialog->authBox()->setCurrentIndex(1);  // 密码
    dialog->passwordEdit()->setText(QStringLiteral("ssh-口令-x"));
    dialog->keepPasswordBox()->setChecked(false);
    dialog->folderEdit()->setText(QStringLiteral("/srv/survival/plugins/Quorvel/"));
    EXPECT_TRUE(dialog->tunnelBox()->isChecked());
    EXPECT_TRUE(dialog->tunnelWarning()->isHidden());
    dialog->tunnelBox()->setChecked(false);
    EXPECT_FALSE(dialog->tunnelWarning()->isHidden());
    EXPECT_EQ(dialog->tunnelWarning()->text(), ui::ProfileDialog::clearTextWarning());
    dialog->tunnelBox()->setChecked(true);
    dialog->rconPasswordEdit()->setText(QStringLiteral("rcon-口令-y"));
    dialog->keepRconPasswordBox()->setChecked(false);
    dialog->saveButton()->click();
    EXPECT_EQ(dialog->messageLabel()->text(), QStringLiteral("已保存“生存服”"));
    const storage::ServerProfile* made = editor->servers().profile(QStringLiteral("生存服"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->folder, QStringLiteral("/srv/survival/plugins/Quorvel"));
    EXPECT_EQ(made->auth, storage::SshAuth::Password);
    EXPECT_EQ(editor->servers().current(), QStringLiteral("生存服"));
    EXPECT_EQ(editor->servers().secret(QStringLiteral("生存服"), storage::SecretKind::SshPassword),
              QStringLiteral("ssh-口令-x"));
    EXPECT_EQ(dialog->passwordEdit()->text(), QString());  // never shown again

    dialog->nameEdit()->setText(QStringLiteral("survival"));
    dialog->saveButton()->click();
    EXPECT_EQ(editor->servers().profile(QStringLiteral("生存服")), nullptr);
    EXPECT_EQ(editor->servers().current(), QStringLiteral("survival"));
    EXPECT_EQ(editor->servers().secret(QStringLiteral("survival"), storage::SecretKind::RconPassword),
              QStringLiteral("rcon-口令-y"));
    EXPECT_EQ(main->statusBar()->findChild<QLabel*>(QStringLiteral("currentServer"))->text(),
              QStringLiteral("服务器：survival"));
    const QString file = data_.filePath(QStringLiteral("servers.json"));
    ASSERT_TRUE(waitFor([&] { return readFile(file).contains("survival") && !readFile(file).contains("生存服"); }));
    EXPECT_FALSE(readFile(file).contains("口令"));

    // Each server in the list: its name, where it logs in and its plugin folder, each line within
    // the list's width however long it is (shortened in its middle, never under a scroll bar).
    QListWidget* list = dialog->list();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(),
              QStringLiteral("survival（当前）\nmc@203.0.113.7:22\n/srv/survival/plugins/Quorvel"));
    const QString deep = QStringLiteral("/home/minecraft/servers/%1/plugins/Quorvel").arg(QString(80, u'x'));
    dialog->folderEdit()->setText(deep);
    dialog->saveButton()->click();
    ASSERT_EQ(list->count(), 1);
    ASSERT_TRUE(list->item(0)->text().endsWith(deep));
    ASSERT_GT(list->fontMetrics().horizontalAdvance(deep), list->viewport()->width());
    list->doItemsLayout();
    EXPECT_LE(list->visualItemRect(list->item(0)).width(), list->viewport()->width());
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
    dialog->reject();
}

// The current server's plugin folder from the 文件 menu: read over the profile's session, an
// entry double-clicked opens the server's file into the configuration panel with the entry in
// its page, and the panel's file is known as one of the folder's.
TEST_F(RemoteWidgets, TheCurrentServersPluginFolderOpensAndItsEntriesOpenTheServersFile) {
    trust({ssh().fullPort()});
    ASSERT_EQ(op(keyProfile()), kOk);
    ASSERT_TRUE(editor->servers().setCurrent(QStringLiteral("lobby")));
    writeFile(file(QStringLiteral("gems.yml")),
              QStringLiteral("jade:\n  Display_Name: '&a翡翠'\n  Max_Grade: 2\nruby:\n  Display_Name: '&c红宝石'\n"
                             "  Max_Grade: 3\n")
                  .toUtf8());
    ASSERT_TRUE(QDir(folder_).mkdir(QStringLiteral("old")));
    writeFile(file(QStringLiteral("old/elements.yml")), "fire:\n  Keylore: '&c火'\n");
    EXPECT_EQ(trigger(QStringLiteral("open-server-folder")), QString());
    ui::PluginFolder& folder = editor->folder();
    ASSERT_TRUE(waitFor([&] { return folder.isOpen() && !folder.isReading(); }));
    EXPECT_EQ(folder.name(), QStringLiteral("lobby:") + folder_);
    const auto read = folder.reading();
    ASSERT_EQ(read->folder.files().size(), 2u);
    EXPECT_EQ(read->folder.files()[0].path, "gems.yml");
    EXPECT_EQ(read->folder.files()[0].entries().size(), 2u);
    EXPECT_EQ(read->folder.files()[1].path, "old/elements.yml");

    folder.openEntry(QStringLiteral("gems.yml"), QStringLiteral("ruby"), 4);
    ASSERT_TRUE(waitFor([&] { return folder.isInPanel(QStringLiteral("gems.yml")); }));
    const documents::Document document = editor->documents().document(actions::Panel::Config);
    EXPECT_EQ(document.shownPath(), QStringLiteral("lobby:") + file(QStringLiteral("gems.yml")));
    EXPECT_EQ(folder.fileInPanel(), QStringLiteral("gems.yml"));
    ASSERT_TRUE(waitFor([&] {
        return control<QLineEdit>("编辑框61") != nullptr &&
               control<QLineEdit>("编辑框61")->text() == QStringLiteral("&c红宝石");
    }));
}

}  // namespace
}  // namespace ui_remote_test
