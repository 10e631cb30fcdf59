// The files room through the real widgets: requests from a person and from a script side by
// side, and a close that waits for the save being written.
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include "ui/files/panel_documents.h"
#include "ui/files/request.h"
#include "ui/files/session_keeper.h"
#include "ui/loader/controls.h"
#include "ui/panels/panel.h"
#include "ui_test_support.h"

namespace {

class Files : public testing_support::EditorTest {
protected:
    // A configuration large enough that taking it for a save spans several turns of the loop.
    void fillConfiguration() {
        QString text;
        for (int i = 0; i < 20000; ++i) text += QStringLiteral("gem%1:\r\n  Max_Grade: 5\r\n").arg(i);
        ui::appendToPanel(panel("编辑框20"), text);
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
    QJsonObject line(const QString& text) { return runLine(text.toUtf8()); }
    // Saves the configuration panel's text into socket.yml of the folder: the panel's file.
    QString saveConfiguration(const QString& text) {
        QString path = folder.filePath(QStringLiteral("socket.yml"));
        EXPECT_EQ(line(QStringLiteral(R"({"op":"set","control":"编辑框20","text":"%1"})").arg(text)).value("ok"), true);
        EXPECT_EQ(line(QStringLiteral(R"({"op":"save","control":"编辑框20","path":"%1","lineEnd":"LF"})").arg(path))
                      .value("ok"),
                  true);
        return path;
    }
    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    // Another program's write, seconds after the editor's: a modification time of its own,
    // without waiting for the clock.
    static void writeFileLater(const QString& path, const QByteArray& bytes) {
        const QDateTime before = QFileInfo(path).lastModified();
        writeFile(path, bytes);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(before.addSecs(2), QFileDevice::FileModificationTime));
    }
    bool unsavedShown() const {
        const auto* label = main->statusBar()->findChild<QLabel*>(QStringLiteral("unsavedChanges"));
        return main->isWindowModified() && label != nullptr && label->isVisible() &&
               label->text() == QStringLiteral("未保存的更改");
    }
    QTemporaryDir folder;
};

// The person's question is asked while the script's "保存" waits for its outcome: a request
// says how its own questions are answered, whatever else is running.
TEST_F(Files, AUserEventDuringAScriptedSaveIsAskedAsAUserEvent) {
    const QString path = folder.filePath(QStringLiteral("socket.yml"));
    ASSERT_EQ(runLine(QStringLiteral(R"({"op":"set","control":"编辑框20","text":"a: 1\n"})").toUtf8()).value("ok"),
              true);
    ASSERT_EQ(
        runLine(QStringLiteral(R"({"op":"save","control":"编辑框20","path":"%1"})").arg(path).toUtf8()).value("ok"),
        true);
    fillConfiguration();  // the panel now differs from its file
    runner = std::make_unique<ui::ScriptRunner>(editor->automation(), -1);
    std::optional<QJsonObject> saved;
    runner->run(R"({"op":"trigger","action":"save"})", [&](const QJsonObject& reply) { saved = reply; });
    ASSERT_FALSE(saved) << "the scripted save answers once its file is written";
    ASSERT_TRUE(editor->documents().isSaving());

    editor->menu().action("reopen-other-encoding")->trigger();
    QMessageBox* box = visibleBox();
    ASSERT_NE(box, nullptr) << "the person is asked, not answered no on their behalf";
    EXPECT_TRUE(box->text().contains(QStringLiteral("用 GBK 重新读取"))) << box->text().toStdString();
    box->reject();

    ASSERT_TRUE(waitUntil([&] { return saved.has_value(); }));
    EXPECT_EQ(saved->value("ok"), true);
}

// Closing while a save is being written waits for the file, then closes: the loop goes on
// meanwhile and nobody spins it by hand.
TEST_F(Files, ClosingWaitsForTheSaveBeingWritten) {
    fillConfiguration();
    const QString path = folder.filePath(QStringLiteral("socket.yml"));
    bool written = false;
    editor->documents().save(actions::Panel::Config, {.path = path}, [&](const documents::Outcome& outcome) {
        EXPECT_TRUE(outcome.ok()) << outcome.message.toStdString();
        written = true;
    });
    main->close();
    EXPECT_FALSE(runtime->mainWindowClosed());
    ASSERT_TRUE(waitUntil([&] { return runtime->mainWindowClosed(); }));
    EXPECT_TRUE(written);
    EXPECT_TRUE(QFileInfo(path).size() > 500000);
}

// The title's "*" and the status bar's "未保存的更改" follow the configuration panel against its
// file: a change shows them, a save or an undo back to the saved text takes them away.
TEST_F(Files, TheTitleAndTheStatusBarSayWhatIsUnsaved) {
    main->show();
    EXPECT_FALSE(unsavedShown());
    saveConfiguration(QStringLiteral("a: 1\\n"));
    EXPECT_FALSE(unsavedShown());
    EXPECT_EQ(main->windowTitle(), QStringLiteral("socket.yml[*] - Tarnwick Quorvel编辑器"));
    QPlainTextEdit* config = panel("编辑框20");
    QTextCursor cursor(config->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("b: 2"));
    EXPECT_TRUE(unsavedShown());
    config->undo();
    EXPECT_FALSE(unsavedShown());
    cursor.insertText(QStringLiteral("b: 2"));
    EXPECT_EQ(trigger(QStringLiteral("save")), QString());
    EXPECT_FALSE(unsavedShown());
    // The session keeps the mark with the text: a restart still knows the panel differs.
    cursor.insertText(QStringLiteral("\nc: 3"));
    ui::SessionKeeper keeper(*runtime, editor->documents(), folder.filePath(QStringLiteral("session.json")), 60000);
    EXPECT_EQ(keeper.snapshot().value("files").toObject().value(QStringLiteral("编辑框20")).toObject().value("unsaved"),
              true);
}

// Closing with unsaved changes asks: 取消 stays, 保存 writes the file and closes, 不保存
// closes; a script's quit closes as it always has.
TEST_F(Files, ClosingWithUnsavedChangesAsksSaveDiscardOrCancel) {
    main->show();
    const QString path = saveConfiguration(QStringLiteral("a: 1"));
    panel("编辑框20")->appendPlainText(QStringLiteral("b: 2"));
    main->close();
    QMessageBox* box = visibleBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().startsWith(QStringLiteral("“socket.yml” 有未保存的更改。"))) << box->text().toStdString();
    click(box, QStringLiteral("取消"));
    settle();
    EXPECT_FALSE(runtime->mainWindowClosed());
    main->close();
    ASSERT_NE(visibleBox(), nullptr);
    click(visibleBox(), QStringLiteral("保存"));
    ASSERT_TRUE(waitUntil([&] { return runtime->mainWindowClosed(); }));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("a: 1\nb: 2"));
}

TEST_F(Files, DiscardingClosesAndAScriptsQuitDoesNotAsk) {
    main->show();
    saveConfiguration(QStringLiteral("a: 1\\n"));
    panel("编辑框20")->appendPlainText(QStringLiteral("b: 2"));
    main->close();
    ASSERT_NE(visibleBox(), nullptr);
    click(visibleBox(), QStringLiteral("不保存"));
    ASSERT_TRUE(waitUntil([&] { return runtime->mainWindowClosed(); }));
    editor = std::make_unique<ui::Editor>();
    runtime = &editor->runtime();
    main = editor->main();
    runner.reset();
    main->show();
    saveConfiguration(QStringLiteral("a: 1\\n"));
    panel("编辑框20")->appendPlainText(QStringLiteral("b: 2"));
    EXPECT_EQ(trigger(QStringLiteral("quit")), QString());
    EXPECT_EQ(visibleBox(), nullptr);
    EXPECT_TRUE(waitUntil([&] { return runtime->mainWindowClosed(); }));
}

// 新建 asks when it would take anything; 撤销清空 brings back the panels, the fields, the
// page and the file link with its guard against bytes that could not be read.
TEST_F(Files, UndoingNewBringsBackPanelsFieldsAndTheFileLink) {
    const QString path = folder.filePath(QStringLiteral("gbk.yml"));
    writeFile(path, QByteArray("a: \xc4\xe3\x81 b\n"));  // GBK, and a lead byte with no second byte
    ASSERT_EQ(line(QStringLiteral(R"({"op":"open","control":"编辑框20","path":"%1","encoding":"GBK"})").arg(path))
                  .value("ok"),
              true);
    ASSERT_TRUE(editor->documents().document(actions::Panel::Config).lostBytes);
    QWidget* field = nullptr;
    QString caption;
    const forms::Window& form = main->form();
    for (std::size_t i = 0; i < form.units.size() && field == nullptr; ++i) {
        if (form.units[i].kind != forms::Kind::EditBox || form.units[i].readOnly || form.units[i].disabled) continue;
        QWidget* widget = main->control(static_cast<int>(i));
        if (widget != nullptr && qobject_cast<QPlainTextEdit*>(widget) == nullptr) {
            field = widget;
            caption = ui::editText(widget);
        }
    }
    ASSERT_NE(field, nullptr);
    ui::setEditText(field, QStringLiteral("红宝石"));
    const QString text = panel("编辑框20")->toPlainText();

    EXPECT_FALSE(trigger(QStringLiteral("new")).isEmpty()) << "a script's question is answered no";
    EXPECT_EQ(panel("编辑框20")->toPlainText(), text);
    QString message;
    EXPECT_EQ(trigger(QStringLiteral("new"), &message, true), QString());
    EXPECT_EQ(panel("编辑框20")->toPlainText(), QString());
    EXPECT_EQ(ui::editText(field), caption);
    EXPECT_FALSE(editor->documents().document(actions::Panel::Config).hasFile());

    EXPECT_EQ(trigger(QStringLiteral("undo-clear"), &message), QString());
    EXPECT_EQ(message, QStringLiteral("已撤销新建：输出框、输入框和文件关联都已找回"));
    EXPECT_EQ(panel("编辑框20")->toPlainText(), text);
    EXPECT_EQ(ui::editText(field), QStringLiteral("红宝石"));
    const documents::Document document = editor->documents().document(actions::Panel::Config);
    EXPECT_EQ(document.path, path);
    EXPECT_TRUE(document.lostBytes);
    // The guard is back: the stand-ins for the lost bytes are not written as text.
    const QString refused = trigger(QStringLiteral("save"));
    EXPECT_TRUE(refused.startsWith(QStringLiteral("无法保存：第 1 行第 5 列是替换字符"))) << refused.toStdString();
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("a: \xc4\xe3\x81 b\n"));
}

// A file changed behind the editor: taken in at once while the panel has no changes (and
// said), left alone while it has; "重新载入" then replaces the text as one undo step.
TEST_F(Files, AFileChangedOnDiskIsReloadedWhenThePanelHasNoChanges) {
    const QString path = saveConfiguration(QStringLiteral("a: 1\\n"));
    writeFileLater(path, "a: 2\n");
    const QString told = QStringLiteral("“socket.yml”在磁盘上被别的程序改动过，已重新载入");
    ASSERT_TRUE(waitUntil([&] {
        return panel("编辑框20")->toPlainText() == QStringLiteral("a: 2\n") &&
               main->statusBar()->currentMessage() == told;
    })) << main->statusBar()->currentMessage().toStdString();
    EXPECT_FALSE(main->isWindowModified());

    panel("编辑框20")->appendPlainText(QStringLiteral("mine: 1"));
    const QString mine = panel("编辑框20")->toPlainText();
    writeFileLater(path, "a: 3\n");
    ASSERT_TRUE(
        waitUntil([&] { return main->statusBar()->currentMessage().contains(QStringLiteral("保存时会先问你")); }));
    EXPECT_EQ(panel("编辑框20")->toPlainText(), mine);
    EXPECT_EQ(trigger(QStringLiteral("reload")),
              QStringLiteral("重新载入“socket.yml”会替换配置文件输出框中未保存的更改（可以用 Ctrl+Z 找回）。"));
    QString message;
    EXPECT_EQ(trigger(QStringLiteral("reload"), &message, true), QString());
    EXPECT_EQ(panel("编辑框20")->toPlainText(), QStringLiteral("a: 3\n"));
    EXPECT_FALSE(main->isWindowModified());
    panel("编辑框20")->undo();
    EXPECT_EQ(panel("编辑框20")->toPlainText(), mine);
}

// Saving over a file changed on disk offers 重新载入 beside 仍然写入.
TEST_F(Files, ASaveOverAChangedFileOffersToReload) {
    const QString path = saveConfiguration(QStringLiteral("a: 1\\n"));
    panel("编辑框20")->appendPlainText(QStringLiteral("mine: 1"));
    writeFileLater(path, "theirs: 1\n");
    editor->menu().action("save")->trigger();
    ASSERT_TRUE(waitUntil([&] { return visibleBox() != nullptr; }));
    click(visibleBox(), QStringLiteral("重新载入"));
    ASSERT_TRUE(waitUntil([&] { return panel("编辑框20")->toPlainText() == QStringLiteral("theirs: 1\n"); }));
    EXPECT_NE(main->statusBar()->currentMessage(), QStringLiteral("正在保存 socket.yml…"));
}

// A character GBK cannot hold: the person may save the file as UTF-8 instead.
TEST_F(Files, ACharacterTheEncodingCannotHoldOffersUtf8) {
    const QString path = folder.filePath(QStringLiteral("gbk.yml"));
    writeFile(path, QByteArray("a: \xc4\xe3\n"));
    ASSERT_EQ(line(QStringLiteral(R"({"op":"open","control":"编辑框20","path":"%1","encoding":"GBK"})").arg(path))
                  .value("ok"),
              true);
    panel("编辑框20")->appendPlainText(QStringLiteral("b: \U0001F48E"));
    editor->menu().action("save")->trigger();
    ASSERT_TRUE(waitUntil([&] { return visibleBox() != nullptr; }));
    EXPECT_TRUE(visibleBox()->text().contains(QStringLiteral("改用 UTF-8 保存这个文件吗？")));
    click(visibleBox(), QStringLiteral("改用 UTF-8 保存"));
    ASSERT_TRUE(waitUntil([&] { return !main->isWindowModified(); }));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QStringLiteral("a: 你\n\nb: \U0001F48E").toUtf8());
    EXPECT_EQ(editor->documents().document(actions::Panel::Config).format.encoding, storage::Encoding::Utf8);
}

}  // namespace

// A request handed to work that ends later: it ends as that work tells it; cut short (every
// copy of the callback let go uncalled, as when the editor closes first), it ends refused once,
// never as a success.
TEST(Requests, AStepCutShortEndsTheRequestRefused) {
    std::vector<ui::Request::Result> heard;
    const auto listen = [&heard](const ui::Request::Result& result) { heard.push_back(result); };

    std::function<void(int)> done;
    {
        const ui::RequestPtr request = ui::Request::script(listen);
        done =
            request->awaiting(std::function<void(int)>([request](int) { request->status(QStringLiteral("已保存")); }));
    }
    EXPECT_TRUE(heard.empty());
    done(1);
    done = nullptr;
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_TRUE(heard[0].ran());

    heard.clear();
    {
        const ui::RequestPtr request = ui::Request::script(listen);
        done =
            request->awaiting(std::function<void(int)>([request](int) { request->status(QStringLiteral("已保存")); }));
    }
    std::function<void(int)> copy = done;
    done = nullptr;
    EXPECT_TRUE(heard.empty());  // one copy still waits
    copy = nullptr;
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_FALSE(heard[0].ran());
    EXPECT_FALSE(heard[0].refusal.isEmpty());
}

// Menus are found by their titles as shown, with or without an access letter.
TEST(Menus, ATitleIsMatchedWithoutItsAccessLetter) {
    const auto is = [](const char* shown, const char* title) {
        return ui::menuTitleIs(QString::fromUtf8(shown), QString::fromUtf8(title));
    };
    EXPECT_TRUE(is("文件(&F)", "文件"));
    EXPECT_TRUE(is("服务器(&S)", "服务器"));
    EXPECT_TRUE(is("帮助", "帮助"));
    EXPECT_TRUE(is("编&辑", "编辑"));
    EXPECT_TRUE(is("(&H)", ""));
    EXPECT_FALSE(is("文件(&F)", "文件(F)"));
    EXPECT_FALSE(is("文件(F)", "文件"));
    EXPECT_FALSE(is("帮助(&H) ", "帮助"));
    EXPECT_FALSE(is("帮", "帮助"));
}

namespace {

// Opening another file over unsaved changes: a script is refused with "unsaved" and nothing
// changes; with "force" the file comes in, and 撤销清空 brings back the changes and their file.
TEST_F(Files, AnOpenOverUnsavedChangesIsRefusedAndAForcedOneIsTakenBack) {
    const QString a = folder.filePath(QStringLiteral("a.yml"));
    const QString b = folder.filePath(QStringLiteral("b.yml"));
    writeFile(a, "a:\n  Max_Grade: 1\n");
    writeFile(b, "b:\n  Max_Grade: 2\n");
    ASSERT_EQ(line(QStringLiteral(R"({"op":"open","control":"编辑框20","path":"%1"})").arg(a)).value("ok"), true);
    ASSERT_EQ(line(QStringLiteral(R"({"op":"set","control":"编辑框20","text":"a:\n  Max_Grade: 9\n"})")).value("ok"),
              true);
    EXPECT_TRUE(unsavedShown());
    const QJsonObject refused =
        line(QStringLiteral(R"({"op":"open","control":"编辑框20","path":"%1","mode":"replace"})").arg(b));
    EXPECT_EQ(refused.value("ok"), false);
    EXPECT_EQ(refused.value("code"), "unsaved");
    EXPECT_TRUE(refused.value("error").toString().contains(QStringLiteral("a.yml")));
    EXPECT_EQ(ui::panelLfText(panel("编辑框20")), QStringLiteral("a:\n  Max_Grade: 9\n"));
    EXPECT_EQ(editor->documents().document(actions::Panel::Config).path, a);
    // Added after the text, nothing is lost: no question.
    EXPECT_EQ(
        line(QStringLiteral(R"({"op":"open","control":"编辑框20","path":"%1","mode":"append"})").arg(b)).value("ok"),
        true);
    EXPECT_EQ(ui::panelLfText(panel("编辑框20")), QStringLiteral("a:\n  Max_Grade: 9\nb:\n  Max_Grade: 2\n"));
    EXPECT_EQ(
        line(QStringLiteral(R"({"op":"open","control":"编辑框20","path":"%1","mode":"replace","force":true})").arg(b))
            .value("ok"),
        true);
    EXPECT_EQ(ui::panelLfText(panel("编辑框20")), QStringLiteral("b:\n  Max_Grade: 2\n"));
    EXPECT_EQ(editor->documents().document(actions::Panel::Config).path, b);
    EXPECT_FALSE(unsavedShown());
    EXPECT_EQ(line(QStringLiteral(R"({"op":"trigger","action":"undo-clear"})")).value("ok"), true);
    EXPECT_EQ(ui::panelLfText(panel("编辑框20")), QStringLiteral("a:\n  Max_Grade: 9\nb:\n  Max_Grade: 2\n"));
    EXPECT_EQ(editor->documents().document(actions::Panel::Config).path, a);
    EXPECT_TRUE(unsavedShown());
    // The file it replaced again is one Ctrl+Z away in the panel's own history.
    panel("编辑框20")->undo();
    EXPECT_EQ(ui::panelLfText(panel("编辑框20")), QStringLiteral("b:\n  Max_Grade: 2\n"));
}

// A person opening over unsaved changes is asked 保存 / 不保存 / 取消 after 替换: 取消 keeps
// everything, 保存 writes the changes into their file before the other file comes in, and
// Ctrl+Z right after an open brings the replaced text back.
TEST_F(Files, APersonIsAskedToSaveBeforeAnOpenReplacesUnsavedChanges) {
    const QString a = folder.filePath(QStringLiteral("a.yml"));
    const QString b = folder.filePath(QStringLiteral("b.yml"));
    writeFile(a, "a:\n  Max_Grade: 1\n");
    writeFile(b, "b:\n  Max_Grade: 2\n");
    ASSERT_EQ(line(QStringLiteral(R"({"op":"open","control":"编辑框20","path":"%1"})").arg(a)).value("ok"), true);
    ASSERT_EQ(line(QStringLiteral(R"({"op":"set","control":"编辑框20","text":"a:\n  Max_Grade: 9\n"})")).value("ok"),
              true);
    const auto openAsPerson = [&] { editor->menu().openPath(ui::Request::person(main), b); };
    for (const QString& answer : {QStringLiteral("取消"), QStringLiteral("保存")}) {
        openAsPerson();
        QMessageBox* which = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (which = visibleBox()) != nullptr; }));
        click(which, QStringLiteral("替换"));
        QMessageBox* save = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (save = visibleBox()) != nullptr && save != which; }));
        EXPECT_TRUE(save->text().contains(QStringLiteral("a.yml"))) << save->text().toStdString();
        click(save, answer);
        if (answer == QStringLiteral("取消")) {
            ASSERT_TRUE(waitUntil([&] { return visibleBox() == nullptr; }));
            EXPECT_EQ(ui::panelLfText(panel("编辑框20")), QStringLiteral("a:\n  Max_Grade: 9\n"));
            EXPECT_TRUE(unsavedShown());
        }
    }
    ASSERT_TRUE(waitUntil([&] { return editor->documents().document(actions::Panel::Config).path == b; }));
    EXPECT_EQ(ui::panelLfText(panel("编辑框20")), QStringLiteral("b:\n  Max_Grade: 2\n"));
    QFile saved(a);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("a:\n  Max_Grade: 9\n"));
    panel("编辑框20")->setFocus();
    QTest::keyClick(panel("编辑框20"), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ui::panelLfText(panel("编辑框20")), QStringLiteral("a:\n  Max_Grade: 9\n"));
    EXPECT_EQ(editor->documents().document(actions::Panel::Config).path, a);
    EXPECT_FALSE(unsavedShown());
}

}  // namespace
