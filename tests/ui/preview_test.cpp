// The game's view of names and lore on the real main window: the strip beside a focused
// field, its place, the obfuscated animation, the whole-gem preview, and the panels'
// highlighting, which must leave the copied text as it was.
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QThread>

#include "actions/item_actions.h"
#include "actions/item_preview.h"
#include "actions/panels.h"
#include "builders/socket/gem_block.h"
#include "text/format.h"
#include "ui/automation/unit_json.h"
#include "ui/loader/controls.h"
#include "ui/panels/panel.h"
#include "ui/panels/panel_highlighter.h"
#include "ui/preview/field_preview.h"
#include "ui/preview/gem_preview.h"
#include "ui/preview/tooltip_view.h"
#include "ui_test_support.h"

namespace {

class Preview : public testing_support::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        main->activateWindow();
        settle();
        strip = main->findChild<ui::FieldPreview*>()->strip();
    }

    // Shows the page of a control of the main window and gives the control the focus.
    QLineEdit* focus(std::string_view name) {
        const int page = main->form().units[static_cast<std::size_t>(main->unitIndex(name))].page;
        if (page >= 0) main->pageControl()->setCurrentIndex(page);
        auto* field = control<QLineEdit>(name);
        field->setFocus(Qt::TabFocusReason);
        settle();
        return field;
    }

    // One key press as the keyboard gives it.
    static void type(QWidget* widget, const QString& keys) {
        for (QChar ch : keys) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QCoreApplication::sendEvent(widget, &press);
        }
    }

    static void wait(int ms) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(5);
        }
    }

    void click(std::string_view name) { control<QAbstractButton>(name)->click(); }

    ui::TooltipView* strip = nullptr;
};

std::vector<text::Line> lore(std::string_view typed) { return text::format(typed, text::Role::Lore); }

TEST_F(Preview, TheStripFollowsEveryKeystrokeOfTheFocusedField) {
    QLineEdit* name = focus("编辑框98");
    ASSERT_TRUE(strip->isVisible());
    EXPECT_EQ(strip->lines(), text::format("", text::Role::Name));
    QString typed;
    for (QChar ch : QStringLiteral("&cR&D &lx")) {
        type(name, QString(ch));
        typed += ch;
        EXPECT_EQ(strip->lines(), text::format(ui::toUtf8(typed), text::Role::Name)) << ui::toUtf8(typed);
    }
    EXPECT_EQ(strip->lines().at(0).size(), 3u);  // "R" red, " " light purple, "x" bold

    // The 种类 line is previewed whole, behind its fixed start.
    QLineEdit* kind = focus("编辑框68");
    type(kind, QStringLiteral("abc"));
    EXPECT_EQ(strip->lines(), lore("&e※ &7种类: abc"));

    // A field whose text lands on no item hides the strip.
    focus("编辑框59");
    EXPECT_FALSE(strip->isVisible());
    focus("编辑框61");
    EXPECT_TRUE(strip->isVisible());
}

// With a long text in every previewed field, the strip covers no field, button, list, tab
// or panel that is visible, and lies inside the window.
TEST_F(Preview, TheStripCoversNoControl) {
    for (const actions::PreviewField& row : actions::previewFields()) {
        QLineEdit* field = focus(row.field);
        ui::setEditText(field, QStringLiteral("&6&l红宝石 &7种类 &x&F&F&0&0&8&0Hex {grade} &kmagic"));
        ASSERT_TRUE(strip->isVisible()) << row.field;
        const QRect rect = strip->geometry();
        EXPECT_TRUE(main->rect().contains(rect)) << row.field;
        for (QWidget* widget : main->findChildren<QWidget*>()) {
            if (!widget->isVisible() || widget == strip || strip->isAncestorOf(widget)) continue;
            const bool interactive = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
                                     qobject_cast<QPlainTextEdit*>(widget) || qobject_cast<QComboBox*>(widget) ||
                                     qobject_cast<QTabBar*>(widget);
            // The notice line is read-only: the strip may lie over it when nothing else is free.
            const bool notice =
                widget == control("编辑框19") || widget == control("编辑框22") || widget == control("编辑框23");
            if (!interactive || notice) continue;
            const QRect area(widget->mapTo(main, QPoint(0, 0)), widget->size());
            EXPECT_FALSE(area.intersects(rect)) << row.field << " covers " << ui::toUtf8(widget->objectName()) << " "
                                                << ui::toUtf8(widget->accessibleName());
        }
    }
}

TEST_F(Preview, ObfuscatedTextChangesWhileShownAndStopsWhenHidden) {
    QLineEdit* field = focus("编辑框96");
    EXPECT_FALSE(strip->isAnimating());
    ui::setEditText(field, QStringLiteral("&kmagic&r plain"));
    ASSERT_TRUE(strip->isAnimating());
    const QImage first = strip->grab().toImage();
    const int frame = strip->frame();
    wait(3 * ui::TooltipView::kObfuscationMs);
    EXPECT_GE(strip->frame(), frame + 2);
    EXPECT_NE(strip->grab().toImage(), first);
    // The runs keep the real text.
    EXPECT_EQ(strip->lines().at(0).at(0).text, "magic");
    focus("编辑框59");
    EXPECT_FALSE(strip->isAnimating());
    const int stopped = strip->frame();
    wait(2 * ui::TooltipView::kObfuscationMs);
    EXPECT_EQ(strip->frame(), stopped);
}

TEST_F(Preview, TheWholeGemShowsNameFixedLoreAndAddedLines) {
    main->pageControl()->setCurrentIndex(4);
    settle();
    auto* preview = main->findChild<ui::GemPreview*>();
    ASSERT_NE(preview->toggle(), nullptr);
    EXPECT_FALSE(preview->isVisible());
    preview->toggle()->click();
    ASSERT_TRUE(preview->isVisible());

    ui::setEditText(control("编辑框59"), QStringLiteral("Ruby"));
    ui::setEditText(control("编辑框61"), QStringLiteral("&c红宝石"));
    ui::setEditText(control("编辑框68"), QStringLiteral("镶嵌宝石"));
    click("按钮50");
    ui::setEditText(control("编辑框69"), QStringLiteral("&d第一行"));
    click("按钮51");
    ui::setEditText(control("编辑框69"), QStringLiteral("第二行"));
    click("按钮51");
    ui::setEditText(control("编辑框61"), QStringLiteral("&6红宝石 II"));  // changed after 完成
    settle();

    std::vector<text::Line> expected = text::format("&6红宝石 II", text::Role::Name);
    for (const char* line :
         {"&8&l&m---------------------", "&e※ &7种类: 镶嵌宝石", "&e※ &7等级: &f{grade}",
          "&e※ &7适合物品: &f{type_item}", "&e※ &7成功几率: &a{success_rate}% &8&l| &7失败几率: &c{failure_rate}%",
          "&8&l&m---------------------", "&8&l[&4&l!&8&l] &7效果:", "&9&l>> &b增加最大血量 {max_health}", "",
          "&2提示: &a将它放到物品上来镶嵌！", "&d第一行", "第二行"})
        for (text::Line& l : lore(line)) expected.push_back(std::move(l));
    EXPECT_EQ(preview->view()->lines(), expected);
    EXPECT_EQ(ui::GemPreview::linesOf(ui::GemPreview::gemOf(*main)), expected);

    // Closing the window turns the button off; a cleared panel takes the added lines away.
    preview->close();
    EXPECT_FALSE(preview->toggle()->isChecked());
    click("按钮20");
    preview->toggle()->click();
    settle();
    EXPECT_EQ(preview->view()->lines().size(), 11u);
}

// The item designer's tooltip answers the preview op, as the README documents it: the runs
// it draws, the name first, then the lore lines.
TEST_F(Preview, TheDesignersTooltipAnswersThePreviewOp) {
    const actions::DesignerTextFields& fields = actions::designerTextFields();
    ui::setEditText(control(fields.name), QStringLiteral("&c剑"));
    ui::setEditText(control(fields.lore), QStringLiteral("第一行\n&l第二行"));
    const QJsonObject reply = runLine(R"({"op":"preview","control":"图片框3"})");
    const auto run = [](const char* text, const char* colour, bool bold, bool italic) {
        return QJsonObject{{"text", text},        {"color", colour},        {"bold", bold},       {"italic", italic},
                           {"underlined", false}, {"strikethrough", false}, {"obfuscated", false}};
    };
    ASSERT_EQ(reply.value("ok"), true) << reply.value("error").toString().toStdString();
    const QJsonArray lines = reply.value("lines").toArray();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], (QJsonArray{run("剑", "#ff5555", false, false)}));
    EXPECT_TRUE(lines.contains(QJsonArray{run("第一行", "#aa00aa", false, true)})) << lines.size();
    EXPECT_TRUE(lines.contains(QJsonArray{run("第二行", "#aa00aa", true, true)})) << lines.size();
    EXPECT_EQ(lines, ui::linesJson(dynamic_cast<ui::TooltipView*>(control("图片框3"))->lines()));
}

// The gem window closes on Esc, belongs to its page, and stands beside the main window or
// over the form, never over the command panel while the screen has room elsewhere.
TEST_F(Preview, TheGemWindowClosesOnEscFollowsItsPageAndLeavesTheCommandPanelFree) {
    const QRect screen = main->screen()->availableGeometry();
    main->show();
    const int gem = ui::GemPreview::gemPage(*main);
    main->pageControl()->setCurrentIndex(gem);
    settle();
    auto* preview = main->findChild<ui::GemPreview*>();
    ASSERT_NE(preview->toggle(), nullptr);
    preview->toggle()->click();
    ASSERT_TRUE(preview->isVisible());
    QTest::keyClick(preview, Qt::Key_Escape);
    EXPECT_FALSE(preview->isVisible());
    EXPECT_FALSE(preview->toggle()->isChecked());

    preview->toggle()->click();
    main->pageControl()->setCurrentIndex(0);
    EXPECT_FALSE(preview->isVisible());
    main->pageControl()->setCurrentIndex(gem);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_TRUE(preview->toggle()->isChecked());
    // Closed, it stays closed on the way back.
    preview->close();
    main->pageControl()->setCurrentIndex(0);
    main->pageControl()->setCurrentIndex(gem);
    EXPECT_FALSE(preview->isVisible());

    main->pageControl()->setCurrentIndex(0);
    const auto commandPanel = [&] {
        QWidget* group = main->controlByName(actions::panelRow(actions::Panel::Command).group);
        return QRect(group->mapToGlobal(QPoint(0, 0)), group->size());
    };
    const auto placedAt = [&](const QRect& window) {
        main->setGeometry(window);
        settle();
        ui::GemPreview fresh(main);
        fresh.show();
        settle();
        const QRect where = fresh.frameGeometry();
        fresh.hide();
        return where;
    };
    // Room on the right: beside the window.
    QRect at = placedAt(QRect(screen.left(), screen.top(), main->width(), main->height()));
    EXPECT_GE(at.left(), main->frameGeometry().right());
    EXPECT_TRUE(screen.contains(at));
    // On the right edge: on the left.
    at = placedAt(QRect(screen.right() + 1 - main->width(), screen.top(), main->width(), main->height()));
    EXPECT_LE(at.right(), main->frameGeometry().left());
    EXPECT_TRUE(screen.contains(at));
    // The window as wide as the screen: over the form, clear of the command panel.
    at = placedAt(screen);
    EXPECT_TRUE(screen.contains(at));
    EXPECT_FALSE(at.intersects(commandPanel())) << at.x() << "," << at.y();
    ui::PageControl* pages = main->pageControl();
    EXPECT_TRUE(QRect(pages->mapToGlobal(QPoint(0, 0)), pages->size()).contains(at));
}

// The panels are highlighted, and what is copied is what the builders wrote.
TEST_F(Preview, HighlightingColoursThePanelsAndChangesNoCopiedByte) {
    ui::setEditText(control("编辑框59"), QStringLiteral("Ruby"));
    ui::setEditText(control("编辑框61"), QStringLiteral("&c红宝石"));
    click("按钮50");
    ui::setEditText(control("编辑框98"), QStringLiteral("&c剑"));
    click("按钮69");
    settle();
    QPlainTextEdit* config = panel("编辑框20");
    const QTextBlock name = config->document()->findBlockByNumber(2);
    ASSERT_EQ(name.text(), QStringLiteral("  Display_Name: \"&c红宝石\""));
    const QList<QTextLayout::FormatRange> formats = name.layout()->formats();
    ASSERT_FALSE(formats.isEmpty());
    bool red = false;
    for (const QTextLayout::FormatRange& range : formats)
        red = red || (name.text().mid(range.start, range.length) == QStringLiteral("&c") &&
                      range.format.foreground().color() == QColor(0xFF5555));
    EXPECT_TRUE(red);
    const QTextBlock command = panel("编辑框1")->document()->firstBlock();
    ASSERT_FALSE(command.layout()->formats().isEmpty());
    EXPECT_EQ(command.layout()->formats().first().start, 0);
    EXPECT_EQ(command.layout()->formats().first().length, 8);  // "/setname"

    control<QAbstractButton>("按钮19")->click();
    builders::socket::GemFields gem;
    gem.id = "Ruby";
    gem.displayName = "&c红宝石";
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), builders::socket::gemBlock(gem));
    control<QAbstractButton>("按钮2")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toUtf8(), QByteArray("/setname &c剑\r\n"));
}

// A large text (a file opened, a paste) is highlighted where the panel shows it before it is
// drawn, and everywhere else while the editor is idle; a small change at once. Switched
// off, the panel is drawn plain.
TEST_F(Preview, LargeTextsAreHighlightedWhereShownFirstAndEverywhereWhenIdle) {
    QPlainTextEdit* config = panel("编辑框20");
    auto* highlighter = config->findChild<ui::PanelHighlighter*>();
    ASSERT_NE(highlighter, nullptr);
    const auto coloured = [&](int line) {
        return !config->document()->findBlockByNumber(line).layout()->formats().isEmpty();
    };
    QString text;
    for (int i = 0; i < 5000; ++i) text += QStringLiteral("key%1: \"&cvalue\"\r\n").arg(i);
    ui::appendToPanel(config, text);
    EXPECT_TRUE(highlighter->hasPending());
    config->verticalScrollBar()->setValue(config->verticalScrollBar()->maximum() / 2);
    config->viewport()->repaint();
    const int shown = config->cursorForPosition(QPoint(2, 2)).blockNumber();
    EXPECT_TRUE(coloured(shown)) << shown;
    EXPECT_TRUE(coloured(shown + 3));
    QElapsedTimer timer;
    timer.start();
    while (highlighter->hasPending() && timer.elapsed() < 10000) QCoreApplication::processEvents();
    EXPECT_FALSE(highlighter->hasPending());
    for (int number : {0, 1, 2500, 4999}) EXPECT_TRUE(coloured(number)) << number;

    // Typing into a line highlights it again at once: a key that becomes a comment.
    const QTextBlock line = config->document()->findBlockByNumber(10);
    ASSERT_FALSE(line.layout()->formats().front().format.fontItalic());
    QTextCursor cursor(line);
    cursor.insertText(QStringLiteral("# "));
    const QList<QTextLayout::FormatRange> formats = config->document()->findBlockByNumber(10).layout()->formats();
    ASSERT_EQ(formats.size(), 1);
    EXPECT_TRUE(formats.front().format.fontItalic());
    EXPECT_EQ(formats.front().length, line.length() - 1);

    highlighter->setActive(false);
    for (int number : {0, 2500, 4999}) EXPECT_FALSE(coloured(number)) << number;
    highlighter->setActive(true);
    highlighter->highlightAll();
    for (int number : {0, 2500, 4999}) EXPECT_TRUE(coloured(number)) << number;
    EXPECT_EQ(ui::panelText(config), QString(text).replace(QStringLiteral("\nkey10:"), QStringLiteral("\n# key10:")));
}

// A colour that would vanish on the panel's ground gets a ground that shows it.
TEST(PanelHighlighterFormats, CodesStayReadableOnLightAndDarkPanels) {
    const QColor white(0xFFFFFF), black(0x1E1E1E);
    const auto format = [](std::uint32_t rgb, const QColor& base) {
        return ui::PanelHighlighter::formatFor(text::Token::ColourCode, rgb, base);
    };
    EXPECT_EQ(format(0xFF5555, white).foreground().color(), QColor(0xFF5555));
    EXPECT_EQ(format(0xFF5555, white).background().style(), Qt::NoBrush);
    EXPECT_NE(format(0xFFFFFF, white).background().style(), Qt::NoBrush);
    EXPECT_NE(format(0xFFFF55, white).background().style(), Qt::NoBrush);
    EXPECT_NE(format(0x000000, black).background().style(), Qt::NoBrush);
    EXPECT_EQ(format(0xFFFFFF, black).background().style(), Qt::NoBrush);
    EXPECT_NE(ui::PanelHighlighter::formatFor(text::Token::Key, 0, white).foreground().color(),
              ui::PanelHighlighter::formatFor(text::Token::Key, 0, black).foreground().color());
}

}  // namespace
