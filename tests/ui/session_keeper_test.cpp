// The session's autosave reads a large panel a slice at a time between events: what it writes
// must be the panel's text exactly, also when the panel changes in the middle of a read.
#include <QElapsedTimer>
#include <QJsonArray>
#include <QTemporaryDir>

#include "storage/session.h"
#include "ui/files/session_keeper.h"
#include "ui/panels/panel.h"
#include "ui_test_support.h"

namespace {

class Session : public testing_support::EditorTest {
protected:
    QString savedPanel(const QString& file) {
        const QJsonObject session = storage::loadSession(file).session;
        const QJsonObject first = session.value("windows").toArray().first().toObject();
        return first.value("texts").toObject().value("编辑框20").toString();
    }
    static void waitFor(const std::function<bool()>& done) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 20'000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QTemporaryDir folder;
};

TEST_F(Session, TheAutosaveWritesThePanelExactlyWhateverItsLinesLookLike) {
    const QString file = folder.filePath("session.json");
    ui::SessionKeeper keeper(*runtime, editor->documents(), file, 1);
    QPlainTextEdit* edit = panel("编辑框20");
    int saves = 0;
    for (const QString& text : {QStringLiteral("\n\nx\n"), QStringLiteral("a"), QStringLiteral("a:\n  b: \u00a0c\n\n"),
                                QStringLiteral("\n")}) {
        ui::replacePanelText(edit, text);
        waitFor([&] { return keeper.saves() > saves; });
        saves = keeper.saves();
        EXPECT_EQ(savedPanel(file), text);
    }
}

TEST_F(Session, AnEditDuringTheSlicedReadIsNotLost) {
    const QString file = folder.filePath("session.json");
    ui::SessionKeeper keeper(*runtime, editor->documents(), file, 1);
    QPlainTextEdit* edit = panel("编辑框20");
    QString big;
    for (int i = 0; i < 200'000; ++i) big += QStringLiteral("line %1\n").arg(i);
    ui::replacePanelText(edit, big);
    // Let the read start, then change the panel while it runs.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ui::appendToPanel(edit, QStringLiteral("end\n"));
    waitFor([&] { return keeper.saves() >= 1 && savedPanel(file) == big + "end\n"; });
    EXPECT_EQ(savedPanel(file), big + "end\n");
    keeper.saveNow();
    EXPECT_EQ(savedPanel(file), big + "end\n");
}

}  // namespace
