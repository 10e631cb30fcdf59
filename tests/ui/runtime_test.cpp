// Control access, single-instance windows, the one-line field rule and the fatal errors.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "ui/base/fatal.h"
#include "ui/loader/controls.h"
#include "ui_test_support.h"

namespace {

using testing::ExitedWithCode;

class Runtime : public testing_support::EditorTest {
protected:
    std::uint32_t id(std::string_view name, std::uint32_t window = forms::kMainWindowId) {
        return ui::Runtime::unitId(window, name);
    }
};

TEST_F(Runtime, ReadsAndSetsControlsByWindowAndUnitId) {
    EXPECT_EQ(runtime->text(forms::kMainWindowId, id("编辑框2")), QString());
    runtime->setText(forms::kMainWindowId, id("编辑框2"), QStringLiteral(" 10 "));
    EXPECT_EQ(control<QLineEdit>("编辑框2")->text(), QStringLiteral(" 10 "));
    EXPECT_EQ(runtime->text(forms::kMainWindowId, id("编辑框2")), QStringLiteral(" 10 "));
    EXPECT_EQ(runtime->selection(forms::kMainWindowId, id("组合框1")), -1);
    control<QComboBox>("组合框1")->setCurrentIndex(3);
    EXPECT_EQ(runtime->selection(forms::kMainWindowId, id("组合框1")), 3);
    EXPECT_EQ(id("编辑框1"), 0x1601000Cu);
}

TEST_F(Runtime, SecondaryWindowsOpenOncePerIdAndStartAfreshAfterClosing) {
    control<QPushButton>("按钮23")->click();
    ui::LiveWindow* passive = runtime->window(forms::kPassiveSkillWindowId);
    ASSERT_NE(passive, nullptr);
    passive->controlByName("编辑框2")->setProperty("text", QStringLiteral("3"));
    control<QPushButton>("按钮23")->click();
    EXPECT_EQ(runtime->window(forms::kPassiveSkillWindowId), passive);
    EXPECT_EQ(runtime->windows().size(), 2u);
    EXPECT_EQ(ui::editText(passive->controlByName("编辑框2")), QStringLiteral("3"));

    passive->close();
    settle();
    EXPECT_EQ(runtime->window(forms::kPassiveSkillWindowId), nullptr);
    EXPECT_EQ(runtime->windows().size(), 1u);
    control<QPushButton>("按钮23")->click();
    passive = runtime->window(forms::kPassiveSkillWindowId);
    ASSERT_NE(passive, nullptr);
    EXPECT_EQ(ui::editText(passive->controlByName("编辑框2")), QString());
}

TEST_F(Runtime, EachWindowButtonOpensItsWindow) {
    const std::pair<std::string_view, std::uint32_t> buttons[] = {{"按钮23", forms::kPassiveSkillWindowId},
                                                                  {"按钮52", forms::kAttributeVariablesWindowId},
                                                                  {"按钮53", forms::kAttributeListWindowId},
                                                                  {"按钮70", forms::kMoreCommandsWindowId}};
    for (const auto& [button, window] : buttons) {
        control<QPushButton>(button)->click();
        EXPECT_NE(runtime->window(window), nullptr) << button;
    }
    EXPECT_EQ(runtime->windows().size(), 5u);
}

TEST(SingleLineField, EveryLineBreakBecomesOneBlank) {
    QWidget parent;
    ui::SingleLineEdit field(&parent);
    field.setText(QStringLiteral("a\r\nb\rc\nd\u2029e"));
    EXPECT_EQ(field.text(), QStringLiteral("a b c d e"));
    field.setText(QStringLiteral("\r\n\r\n"));
    EXPECT_EQ(field.text(), QStringLiteral("  "));
    // The breaks of Unicode and YAML 1.1 beyond CR and LF: a gem grade of "5" LINE SEPARATOR
    // "  Shiny: false" would otherwise load as two keys on the server.
    field.setText(QStringLiteral("5\u2028  Shiny: false\u0085x\vy\fz\x1c\x1d\x1e!\uFDD0\uFDD1."));
    EXPECT_EQ(field.text(), QStringLiteral("5   Shiny: false x y z   !  ."));
    // Near misses stay: a tab, NUL, the other C0 and C1 controls, a no-break space.
    field.setText(QStringLiteral("a\tb\x1fc\u0084d\u00A0e"));
    EXPECT_EQ(field.text(), QStringLiteral("a\tb\x1fc\u0084d\u00A0e"));
    // A paste at the caret goes through the same rule.
    field.setText(QStringLiteral("xy"));
    field.setCursorPosition(1);
    field.insert(QStringLiteral("1\r\n2"));
    EXPECT_EQ(field.text(), QStringLiteral("x1 2y"));
    EXPECT_EQ(field.cursorPosition(), 4);
}

TEST(SingleLineField, HasNoLengthLimit) {
    QWidget parent;
    ui::SingleLineEdit field(&parent);
    const QString long_(100000, QLatin1Char('x'));
    field.setText(long_);
    EXPECT_EQ(field.text(), long_);
}

TEST(FatalError, TextHasTheRuntimeLayout) {
    EXPECT_EQ(ui::fatalText("未载入欲访问窗口组件所在的窗口"),
              "运行时出错!\r\n\r\n错误信息：未载入欲访问窗口组件所在的窗口\r\n");
}

TEST_F(Runtime, ReadingAControlOfAWindowThatIsNotLoadedIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ui::setFatalToStandardError(true);
            runtime->text(forms::kPassiveSkillWindowId, id("编辑框2", forms::kPassiveSkillWindowId));
        },
        ExitedWithCode(255), "错误信息：未载入欲访问窗口组件所在的窗口");
}

TEST_F(Runtime, TheFatalErrorBoxShowsItsTextsThenTheProgramEnds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ui::setFatalToStandardError(false);
            // Looks for the box until it is up, then reads it and dismisses it.
            auto* poll = new QTimer;
            QObject::connect(poll, &QTimer::timeout, [] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (box == nullptr) return;
                std::fprintf(stderr, "title=%s icon=%d text=%s|\n", box->windowTitle().toUtf8().constData(),
                             static_cast<int>(box->icon()), box->text().toUtf8().constData());
                box->accept();
            });
            poll->start(10);
            runtime->selection(0x52010999, 0x16010001);
        },
        ExitedWithCode(255), "title=错误 icon=3 text=运行时出错!\n\n错误信息：未载入欲访问窗口组件所在的窗口\n\\|");
}

#ifndef QUORVEL_SANITIZE
TEST(FatalError, AnAllocationThatFailsIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ui::setFatalToStandardError(true);
            volatile std::size_t huge = std::size_t(1) << 62;
            char* p = new char[huge];
            std::printf("%p", static_cast<void*>(p));
        },
        ExitedWithCode(255), "分配 4611686018427387904 字节内存失败!");
}
#endif

}  // namespace
