// Output panels: append at the end, copy with CR LF bytes, clear; through their buttons.
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>

#include "ui/panel.h"
#include "ui_test_support.h"

namespace {

class Panels : public testing_support::EditorTest {
protected:
    static QByteArray clipboardBytes() {
        return QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain"));
    }
    void click(std::string_view button, std::uint32_t window = forms::kMainWindowId) {
        control<QPushButton>(button, window)->click();
    }
};

TEST_F(Panels, AppendGoesToTheEndWhateverTheUserSelected) {
    QPlainTextEdit* out = panel("编辑框1");
    ui::appendToPanel(out, QStringLiteral("first\r\n"));
    QTextCursor cursor = out->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(4, QTextCursor::KeepAnchor);  // the user selects "rs"
    out->setTextCursor(cursor);
    ui::appendToPanel(out, QStringLiteral("second\r\n"));
    EXPECT_EQ(ui::panelText(out), QStringLiteral("first\r\nsecond\r\n"));
    EXPECT_FALSE(out->textCursor().hasSelection());
    EXPECT_EQ(out->textCursor().position(), out->document()->characterCount() - 1);
    EXPECT_FALSE(out->document()->isUndoAvailable());
}

TEST_F(Panels, AppendScrollsTheNewTextIntoView) {
    QPlainTextEdit* out = panel("编辑框1");
    for (int i = 0; i < 200; ++i) ui::appendToPanel(out, QStringLiteral("/att Stats DAMAGE %1\r\n").arg(i));
    QScrollBar* bar = out->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(Panels, CopyPutsCrLfBytesOnTheClipboard) {
    control<QLineEdit>("编辑框2")->setText(QStringLiteral("10"));
    click("按钮1");
    click("按钮1");
    click("按钮2");
    EXPECT_EQ(clipboardBytes(), QByteArray("/att Stats DAMAGE 10\r\n/att Stats DAMAGE 10\r\n"));
}

TEST_F(Panels, CopyKeepsEveryCharacterAsWritten) {
    QPlainTextEdit* out = panel("编辑框20");
    const QString text = QStringLiteral("a\u00A0b\tc  中文\u2028d\r\n\r\n");
    ui::appendToPanel(out, text);
    click("按钮19");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), text);
}

TEST_F(Panels, CopyingAnEmptyPanelEmptiesTheClipboard) {
    QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
    click("按钮2");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());
}

TEST_F(Panels, ClearEmptiesThePanelAndAnEmptyOneStaysEmpty) {
    click("按钮20");
    EXPECT_EQ(ui::panelText(panel("编辑框20")), QString());
    ui::appendToPanel(panel("编辑框20"), QStringLiteral("x:\r\n"));
    ui::appendToPanel(panel("编辑框1"), QStringLiteral("kept\r\n"));
    click("按钮20");
    EXPECT_EQ(ui::panelText(panel("编辑框20")), QString());
    EXPECT_EQ(ui::panelText(panel("编辑框1")), QStringLiteral("kept\r\n"));
    click("按钮4");
    EXPECT_EQ(ui::panelText(panel("编辑框1")), QString());
}

TEST_F(Panels, ThePassiveSkillPanelHasItsOwnButtons) {
    runtime->open(forms::kPassiveSkillWindowId);
    QPlainTextEdit* out = panel("编辑框1", forms::kPassiveSkillWindowId);
    ui::appendToPanel(out, QStringLiteral("/att Ability BLIND 1 2\r\n"));
    click("按钮1", forms::kPassiveSkillWindowId);
    EXPECT_EQ(clipboardBytes(), QByteArray("/att Ability BLIND 1 2\r\n"));
    click("按钮2", forms::kPassiveSkillWindowId);
    EXPECT_EQ(ui::panelText(out), QString());
}

TEST_F(Panels, UserEditsInAPanelAreCopiedWithCrLf) {
    QPlainTextEdit* out = panel("编辑框1");
    out->setFocus();
    out->insertPlainText(QStringLiteral("typed\nby hand"));
    click("按钮2");
    EXPECT_EQ(clipboardBytes(), QByteArray("typed\r\nby hand"));
}

}  // namespace
