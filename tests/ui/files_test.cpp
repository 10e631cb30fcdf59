// The files room through the real widgets: requests from a person and from a script side by
// side, and a close that waits for the save being written.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTemporaryDir>

#include "ui/files/panel_documents.h"
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

}  // namespace
