// The live check of the two panels of the main window: the status line beside each group
// box's title, in its three states, kept current off the UI thread, and clicked to the spot.
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextBlock>

#include "ui/base/text.h"
#include "ui/panels/panel.h"
#include "ui/panels/panel_check.h"
#include "ui/panels/panel_fill.h"
#include "ui/panels/panel_reader.h"
#include "ui_test_support.h"

namespace {

class PanelChecks : public testing_support::EditorTest {
protected:
    ui::PanelCheck* checkOf(std::string_view panelName) { return panel(panelName)->findChild<ui::PanelCheck*>(); }

    // Replaces the panel's text and waits until the status shows the check of that text.
    QString statusAfter(std::string_view panelName, const QString& text) {
        QPlainTextEdit* out = panel(panelName);
        ui::clearPanel(out);
        ui::appendToPanel(out, text);
        ui::PanelCheck* check = checkOf(panelName);
        QElapsedTimer timer;
        timer.start();
        while (!check->isCurrent() && timer.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_TRUE(check->isCurrent()) << "the check did not catch up within 5 s";
        QString full = ui::PanelCheck::statusText(check->result(), ui::PanelCheck::Rules::Configuration,
                                                  out->document()->isEmpty());
        // What the line shows is that text, shortened with "…" when it is wider than the line.
        QLabel* status = check->status();
        EXPECT_EQ(status->text(), status->fontMetrics().elidedText(full, Qt::ElideRight, status->width()));
        return full;
    }
};

const QString kGem = QStringLiteral(
    "ruby:\r\n  Keylore: \"K\"\r\n  Display_Name: \"N\"\r\n  Material: \"M\"\r\n  Shiny: true\r\n  Max_Grade: 5\r\n"
    "  Type_Item: \"Weapon\"\r\n  Base_Success_Rate: 80\r\n  Scale_Success_Rate: -8\r\n  Effect:\r\n"
    "    Bonus_Base_Additional_Damage: 10\r\n    Bonus_Scale_Additional_Damage: 2\r\n  Lores:\r\n  - \"x\"\r\n");

TEST_F(PanelChecks, TheStatusSaysWhetherTheServerCanReadThePanel) {
    EXPECT_EQ(statusAfter("编辑框20", kGem), QStringLiteral("✓ 可被服务器读取：1 个条目"));
    QString empty = kGem;
    empty.replace(QStringLiteral("Max_Grade: 5"), QStringLiteral("Max_Grade: "));
    EXPECT_EQ(statusAfter("编辑框20", empty), QStringLiteral("⚠ 1 个警告：第 6 行：“Max_Grade”的值是空的，应填数字"));
    const QString broken = statusAfter("编辑框20", QStringLiteral("ruby:\r\n  Keylore: a: b\r\n"));
    EXPECT_TRUE(broken.startsWith(QStringLiteral("✗ 第 2 行第 "))) << broken.toStdString();
    EXPECT_EQ(statusAfter("编辑框20", QString()), QString());
    // The command panel by its own rules.
    EXPECT_EQ(ui::PanelCheck::statusText(ui::checkText("/att Stats DAMAGE 1\r\n", ui::PanelCheck::Rules::Commands),
                                         ui::PanelCheck::Rules::Commands, false),
              QStringLiteral("✓ 1 条指令"));
}

// A file opened over the panel's text takes the old text's findings away at once: the header
// never speaks of a text that is gone.
TEST_F(PanelChecks, OpeningAFileClearsTheOldFindingsAtOnce) {
    EXPECT_TRUE(
        statusAfter("编辑框20", QStringLiteral("ruby:\r\n  Keylore: a: b\r\n")).startsWith(QStringLiteral("✗")));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gems.yml"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kGem.toUtf8());
    file.close();
    QLabel* status = checkOf("编辑框20")->status();
    bool read = false;
    QString shownWhenRead;
    editor->menu().documents().open(actions::Panel::Config, path, std::nullopt, false, [&](const documents::Outcome&) {
        shownWhenRead = status->text();
        read = true;
    });
    while (!read) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(shownWhenRead.startsWith(QStringLiteral("✗"))) << shownWhenRead.toStdString();
    EXPECT_EQ(statusAfter("编辑框20", kGem), QStringLiteral("✓ 可被服务器读取：1 个条目"));
}

// Only the check of the text as it stands is shown: one made stale by a later change is not.
TEST_F(PanelChecks, AStaleCheckIsNeverShown) {
    QPlainTextEdit* out = panel("编辑框20");
    ui::appendToPanel(out, QStringLiteral("a: b: c\r\n"));
    QCoreApplication::processEvents();
    ui::clearPanel(out);
    EXPECT_EQ(statusAfter("编辑框20", kGem), QStringLiteral("✓ 可被服务器读取：1 个条目"));
    EXPECT_TRUE(checkOf("编辑框20")->result().errors.empty());
}

// A large panel is copied for the check between the user's keys; a change while the copy is
// being taken starts it over, so the result shown is of the text as it ends.
TEST_F(PanelChecks, AChangeWhileALargePanelIsCopiedIsCheckedToo) {
    QPlainTextEdit* out = panel("编辑框20");
    QString blocks;
    for (int i = 0; i < 3000; ++i)
        blocks += QString(kGem).replace(QStringLiteral("ruby:"), QStringLiteral("gem%1:").arg(i));
    ui::appendToPanel(out, blocks);
    ui::PanelCheck* check = checkOf("编辑框20");
    for (int wait = 0; wait < 3; ++wait) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 55 + wait * 5) QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        QTextCursor start(out->document());
        start.insertText(QStringLiteral("extra%1: 1\n").arg(wait));
    }
    QElapsedTimer timer;
    timer.start();
    while (!check->isCurrent() && timer.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(check->isCurrent());
    EXPECT_TRUE(check->result().errors.empty());
    EXPECT_EQ(check->result().entries, 3003u);
}

// A file put into the panel is checked from its own text while it goes in, not copied back
// from the panel; what is checked must still be the panel's text, character for character,
// whatever the file's line ends and whatever the user does meanwhile.
TEST_F(PanelChecks, AFileIsCheckedAsThePanelHoldsItWhileItGoesIn) {
    QPlainTextEdit* out = panel("编辑框20");
    ui::PanelCheck* check = checkOf("编辑框20");
    const auto fill = [&](const QString& text, const std::function<void()>& meanwhile,
                          const std::function<void()>& after) {
        bool done = false;
        auto* filling = new ui::PanelFill(out, text, true);
        QObject::connect(filling, &ui::PanelFill::finished, [&] { done = true; });
        filling->start();
        if (meanwhile) {
            EXPECT_NE(ui::PanelFill::of(out), nullptr) << "the fill was over before anything could happen meanwhile";
            meanwhile();
        }
        while (!done) QCoreApplication::processEvents();
        if (after) after();
        QElapsedTimer timer;
        timer.start();
        while (!check->isCurrent() && timer.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_TRUE(check->isCurrent());
        ASSERT_NE(check->checkedUtf8(), nullptr);
        EXPECT_TRUE(*check->checkedUtf8() == ui::toUtf8(ui::panelLfText(out))) << "the check read another text";
        const yaml::CheckResult now = check->checkNow();
        EXPECT_EQ(check->result().entries, now.entries);
        EXPECT_EQ(check->result().errors.size(), now.errors.size());
    };
    QString large;
    for (int i = 0; i < 2000; ++i)
        large += QString(kGem).replace(QStringLiteral("ruby:"), QStringLiteral("gem%1:").arg(i));
    // Every way Qt ends a line, and the separators it keeps inside one.
    for (const QString& text :
         {large, QString(large).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
          QString(large).replace(QStringLiteral("\r\n"), QStringLiteral("\r")),
          QStringLiteral("a: 1\u2029b: 2\ufdd0c: 3\ufdd1d: \"x\u2028y\"\r\r\n\n\re: 5\r"), QString()}) {
        // A copy of its own, as an opened file's text is: a literal's is never shared.
        const QString copy(text.constData(), text.size());
        fill(copy, {}, {});
        EXPECT_TRUE(ui::panelLfText(out) == ui::readBack(copy)) << "Qt reads the text back otherwise";
    }
    // Appended while it goes in: the text after the file is checked too.
    fill(large, [&] { ui::appendToPanel(out, QStringLiteral("added: 2\r\n")); }, {});
    EXPECT_EQ(check->result().entries, 2001u);
    // Changed right after it is in, before the check made ahead is back (it comes back through
    // the event loop, which does not turn here): the change is checked, and the check of the
    // file alone is never shown.
    const QString file(large.constData(), large.size());
    out->setPlainText(file);
    check->checkAhead(file);
    check->adopt(file, out->document()->characterCount() - 1);
    QTextCursor(out->document()).insertText(QStringLiteral("bad: a: b\n"));
    QElapsedTimer timer;
    timer.start();
    while (!check->isCurrent() && timer.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(check->isCurrent());
    EXPECT_TRUE(*check->checkedUtf8() == ui::toUtf8(ui::panelLfText(out))) << "the check of the file alone was shown";
    EXPECT_FALSE(check->result().errors.empty());
    // Cut short by a clear: the empty panel is what is checked.
    fill(large, [&] { ui::clearPanel(out); }, {});
    EXPECT_EQ(check->result().entries, 0u);
}

TEST_F(PanelChecks, ClickingTheStatusGoesToTheFirstProblem) {
    statusAfter("编辑框20", QStringLiteral("ok: 1\r\nbad:\r\n\t- x\r\n"));
    ui::PanelCheck* check = checkOf("编辑框20");
    ASSERT_FALSE(check->result().errors.empty());
    const yaml::Finding first = check->result().errors.front();
    check->showPosition(first.line, first.column);
    const QTextCursor cursor = panel("编辑框20")->textCursor();
    EXPECT_EQ(cursor.blockNumber() + 1, first.line);
    EXPECT_EQ(cursor.positionInBlock() + 1, std::max(1, first.column));
}

// The status sits on the group box's title row, right of the title, over no control.
TEST_F(PanelChecks, TheStatusCoversNoControl) {
    for (const char* name : {"编辑框20", "编辑框1"}) {
        // A long finding: the status takes all the room the title row has.
        ui::appendToPanel(
            panel(name),
            QStringLiteral("%1: a: b: c /unknowncommand with a long line\n").arg(QString(60, QLatin1Char('x'))));
        QElapsedTimer timer;
        timer.start();
        while (!checkOf(name)->isCurrent() && timer.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QLabel* status = checkOf(name)->status();
        const QRect box(status->mapTo(main, QPoint(0, 0)), status->size());
        EXPECT_GT(box.width(), 150) << name;
        for (std::size_t i = 0; i < main->form().units.size(); ++i) {
            const forms::Unit& unit = main->form().units[i];
            if (unit.page >= 0 || unit.kind == forms::Kind::GroupBox) continue;
            QWidget* widget = main->control(static_cast<int>(i));
            const QRect other(widget->mapTo(main, QPoint(0, 0)), widget->size());
            EXPECT_FALSE(box.intersects(other)) << name << " covers " << unit.name;
        }
        auto* group = qobject_cast<QGroupBox*>(status->parentWidget());
        ASSERT_NE(group, nullptr);
        EXPECT_GE(status->x(), QFontMetrics(group->font()).horizontalAdvance(group->title())) << name;
    }
}

}  // namespace
