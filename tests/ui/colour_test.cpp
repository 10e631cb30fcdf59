// The colour tools on the real main window: the tool's swatches, formats, custom colour and
// gradient on a field's cursor and selection, the fields' menu entries, one undo step per
// change, the previews following, the keyboard and the tool's place; and the automation ops,
// in process and through the real executable.
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QContextMenuEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTest>
#include <memory>

#include "actions/colour_fields.h"
#include "actions/item_actions.h"
#include "dark_palette.h"
#include "text/colour_tools.h"
#include "text/contrast.h"
#include "text/format.h"
#include "ui/colour/colour_menus.h"
#include "ui/colour/colour_tool.h"
#include "ui/colour/field_edit.h"
#include "ui/colour/swatch_button.h"
#include "ui/loader/controls.h"
#include "ui/preview/field_preview.h"
#include "ui/preview/tooltip_view.h"
#include "ui_test_support.h"

namespace {

using ui::ColourMenus;
using ui::ColourTool;

class Colour : public testing_support::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        main->show();
        main->activateWindow();
        QApplication::setActiveWindow(main);
        settle();
    }

    // The field shown on its page and focused, with the text and the cursor at its end.
    template <typename Field = QLineEdit>
    Field* field(std::string_view name, const QString& text = QString()) {
        const int page = main->form().units[static_cast<std::size_t>(main->unitIndex(name))].page;
        if (page >= 0) main->pageControl()->setCurrentIndex(page);
        auto* found = control<Field>(name);
        found->setFocus(Qt::OtherFocusReason);
        if (!text.isNull()) ui::setEditText(found, text);
        settle();
        return found;
    }

    ColourTool* openTool(QWidget* on) {
        ColourMenus::of(main)->openTool(on);
        settle();
        return ColourMenus::of(main)->tool();
    }

    static QPushButton* swatch(ColourTool* tool, const char* code) {
        for (QPushButton* button : tool->swatches())
            if (button->objectName() == QLatin1String(code)) return button;
        return nullptr;
    }
    static QPushButton* format(ColourTool* tool, const char* code) {
        for (QPushButton* button : tool->formatButtons())
            if (button->objectName() == QLatin1String(code)) return button;
        return nullptr;
    }

    // The field's context menu as a right click opens it; closed by the caller.
    static QMenu* contextMenu(QWidget* on) {
        auto* box = qobject_cast<QPlainTextEdit*>(on);
        QWidget* target = box != nullptr ? box->viewport() : on;  // a box takes the click on its viewport
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(4, 4), target->mapToGlobal(QPoint(4, 4)));
        QCoreApplication::sendEvent(target, &event);
        const QList<QMenu*> menus = on->findChildren<QMenu*>();
        return menus.isEmpty() ? nullptr : menus.last();
    }
    static QAction* entry(QMenu* menu, const char* name) {
        for (QAction* action : menu->actions())
            if (action->objectName() == QLatin1String(name)) return action;
        return nullptr;
    }

    static void undo(QWidget* on) { QTest::keyClick(on, Qt::Key_Z, Qt::ControlModifier); }

    QJsonObject run(const char* line) { return runLine(QByteArray(line)); }
    QString error(const char* line) {
        const QJsonObject reply = run(line);
        EXPECT_EQ(reply.value("ok"), QJsonValue(false)) << line;
        return reply.value("error").toString();
    }
};

QJsonObject fieldReply(const QString& text, int start, int end) {
    return {{"ok", true}, {"text", text}, {"start", start}, {"end", end}};
}

QJsonObject textReply(const char* text) { return {{"ok", true}, {"text", QString::fromUtf8(text)}}; }

TEST_F(Colour, ASwatchInsertsAtTheCursorAndAFormatInFrontOfTheSelection) {
    QLineEdit* name = field("编辑框98", QStringLiteral("宝石之力"));
    name->setCursorPosition(2);
    ColourTool* tool = openTool(name);
    ASSERT_TRUE(tool->isVisible());
    swatch(tool, "&c")->click();
    EXPECT_EQ(name->text(), QStringLiteral("宝石&c之力"));
    EXPECT_EQ(name->cursorPosition(), 4);
    EXPECT_EQ(tool->status(), QStringLiteral("已在光标处插入 &c"));

    name->setSelection(4, 2);
    format(tool, "&l")->click();
    EXPECT_EQ(name->text(), QStringLiteral("宝石&c&l之力"));
    EXPECT_EQ(name->selectedText(), QStringLiteral("之力"));
    EXPECT_EQ(name->selectionStart(), 6);
    format(tool, "&r")->click();
    EXPECT_EQ(name->text(), QStringLiteral("宝石&c&l&r之力"));
    EXPECT_EQ(tool->status(), QStringLiteral("已在选中的文字前插入 &r"));

    // Positions count characters: an emoji before the cursor is one, though Qt counts two.
    name->setText(QStringLiteral("😀剑"));
    name->setCursorPosition(2);
    swatch(tool, "&6")->click();
    EXPECT_EQ(name->text(), QStringLiteral("😀&6剑"));
    EXPECT_EQ(name->cursorPosition(), 4);
}

TEST_F(Colour, AnyHexColourComesFromTheColourDialogInTheChosenForm) {
    QLineEdit* name = field("编辑框61", QStringLiteral("剑"));
    name->setCursorPosition(0);
    ColourTool* tool = openTool(name);
    tool->customColourButton()->click();
    QColorDialog* dialog = tool->colourDialog();
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isModal());
    dialog->setCurrentColor(QColor(0x12, 0x34, 0xAB));
    dialog->accept();
    EXPECT_EQ(name->text(), QStringLiteral("&x&1&2&3&4&a&b剑"));

    tool->setHexForm(true);
    tool->customColourButton()->click();
    dialog->setCurrentColor(QColor(0xFF, 0x00, 0x80));
    dialog->accept();
    EXPECT_EQ(name->text(), QStringLiteral("&x&1&2&3&4&a&b&#ff0080剑"));

    // Cancelled: nothing is written.
    tool->customColourButton()->click();
    dialog->reject();
    EXPECT_EQ(name->text(), QStringLiteral("&x&1&2&3&4&a&b&#ff0080剑"));
}

TEST_F(Colour, AGradientColoursTheSelectionDroppingItsCodesOrTheWholeField) {
    QLineEdit* lore = field("编辑框96", QStringLiteral("前宝&c石后"));
    lore->setSelection(1, 4);  // 宝&c石
    ColourTool* tool = openTool(lore);
    EXPECT_EQ(tool->stops(), (std::vector<std::string>{"#ff5555", "#5555ff"}));
    tool->gradientButton()->click();
    // "后" was red after "&c": the red comes again after the selection.
    EXPECT_EQ(lore->text(), QStringLiteral("前&x&f&f&5&5&5&5宝&x&5&5&5&5&f&f石&c后"));
    EXPECT_EQ(lore->selectedText(), QStringLiteral("&x&f&f&5&5&5&5宝&x&5&5&5&5&f&f石"));
    EXPECT_EQ(tool->status(), QStringLiteral("已把渐变应用到选中的文字"));
    undo(lore);
    EXPECT_EQ(lore->text(), QStringLiteral("前宝&c石后"));

    // The formats kept follow every colour; the other form writes "&#".
    lore->setSelection(1, 4);
    tool->keepBoxes()[0]->setChecked(true);  // 粗体
    tool->setHexForm(true);
    tool->gradientButton()->click();
    EXPECT_EQ(lore->text(), QStringLiteral("前&#ff5555&l宝&#5555ff&l石&c后"));
    undo(lore);

    // Three stops over the whole field when nothing is selected.
    tool->keepBoxes()[0]->setChecked(false);
    tool->setHexForm(false);
    tool->setStops({0xFF0000, 0x00FF00, 0x0000FF});
    lore->setText(QStringLiteral("abc"));
    tool->gradientButton()->click();
    EXPECT_EQ(lore->text(), QStringLiteral("&x&f&f&0&0&0&0a&x&0&0&f&f&0&0b&x&0&0&0&0&f&fc"));
    EXPECT_EQ(tool->status(), QStringLiteral("已把渐变应用到整个字段"));
}

TEST_F(Colour, StopsAreAddedChangedInTheDialogAndRemovedDownToTwo) {
    ColourTool* tool = openTool(field("编辑框60"));
    EXPECT_FALSE(tool->removeStopButton()->isEnabled());
    tool->addStopButton()->click();
    ASSERT_EQ(tool->stopButtons().size(), 3u);
    tool->stopButtons()[2]->click();
    tool->colourDialog()->setCurrentColor(QColor(0x00, 0xFF, 0x00));
    tool->colourDialog()->accept();
    EXPECT_EQ(tool->stops(), (std::vector<std::string>{"#ff5555", "#5555ff", "#00ff00"}));
    EXPECT_EQ(tool->stopButtons()[2]->accessibleName(), QStringLiteral("色标 3：#00ff00"));
    EXPECT_TRUE(tool->removeStopButton()->isEnabled());
    tool->removeStopButton()->click();
    EXPECT_EQ(tool->stops(), (std::vector<std::string>{"#ff5555", "#5555ff"}));
    EXPECT_EQ(tool->stopButtons().size(), 2u);
    EXPECT_FALSE(tool->removeStopButton()->isEnabled());
}

// Every field the preview draws, and the designer's name and lore, have the entries after
// Qt's own, which stay.
TEST_F(Colour, EveryNameAndLoreFieldHasTheEntriesInItsMenu) {
    main->buildAllPages();
    for (const actions::ColourField& row : actions::colourFields()) {
        auto* on = field<QWidget>(row.field);
        QMenu* menu = contextMenu(on);
        ASSERT_NE(menu, nullptr) << row.field;
        // Qt's own entries come first, as a plain field of the kind has them.
        QLineEdit plainLine;
        QPlainTextEdit plainBox;
        std::unique_ptr<QMenu> standard(qobject_cast<QPlainTextEdit*>(on) != nullptr
                                            ? plainBox.createStandardContextMenu()
                                            : plainLine.createStandardContextMenu());
        const QList<QAction*> ours = menu->actions();
        ASSERT_GT(ours.size(), standard->actions().size() + 4) << row.field;
        for (qsizetype i = 0; i < standard->actions().size(); ++i)
            EXPECT_EQ(ours[i]->text(), standard->actions()[i]->text()) << row.field;
        QStringList added;
        for (const char* name :
             {ColourMenus::kOpenEntry, ColourMenus::kToXEntry, ColourMenus::kToHashEntry, ColourMenus::kStripEntry}) {
            QAction* action = entry(menu, name);
            ASSERT_NE(action, nullptr) << row.field << " " << name;
            added << action->text();
        }
        EXPECT_EQ(added, (QStringList{QStringLiteral("颜色…"), QStringLiteral("转换为 &&x&&R&&R&&G&&G&&B&&B 写法"),
                                      QStringLiteral("转换为 &&#RRGGBB 写法"), QStringLiteral("清除颜色代码")}));
        menu->close();
    }
    // Other fields have Qt's menu alone.
    QMenu* menu = contextMenu(field("编辑框2"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(entry(menu, ColourMenus::kOpenEntry), nullptr);
    menu->close();
}

TEST_F(Colour, TheMenuConvertsAndStripsTheWholeFieldEachOneUndoStep) {
    const QString mixed = QStringLiteral("&#FF0000红&x&0&0&f&f&0&0绿");
    QLineEdit* name = field("编辑框98", mixed);
    QMenu* menu = contextMenu(name);
    EXPECT_TRUE(entry(menu, ColourMenus::kToXEntry)->isEnabled());
    EXPECT_TRUE(entry(menu, ColourMenus::kToHashEntry)->isEnabled());
    entry(menu, ColourMenus::kToXEntry)->trigger();
    menu->close();
    EXPECT_EQ(name->text(), QStringLiteral("&x&f&f&0&0&0&0红&x&0&0&f&f&0&0绿"));
    undo(name);
    EXPECT_EQ(name->text(), mixed);

    menu = contextMenu(name);
    entry(menu, ColourMenus::kToHashEntry)->trigger();
    menu->close();
    EXPECT_EQ(name->text(), QStringLiteral("&#FF0000红&#00ff00绿"));
    undo(name);
    EXPECT_EQ(name->text(), mixed);

    name->setText(QStringLiteral("&c&l红&r色 &x&1&2&3&4&5&6x&#abcdefy§kz&q"));
    menu = contextMenu(name);
    entry(menu, ColourMenus::kStripEntry)->trigger();
    menu->close();
    EXPECT_EQ(name->text(), QStringLiteral("红色 xyz&q"));
    menu = contextMenu(name);
    EXPECT_FALSE(entry(menu, ColourMenus::kStripEntry)->isEnabled());
    EXPECT_FALSE(entry(menu, ColourMenus::kToHashEntry)->isEnabled());
    EXPECT_TRUE(entry(menu, ColourMenus::kOpenEntry)->isEnabled());
    entry(menu, ColourMenus::kOpenEntry)->trigger();
    menu->close();
    settle();
    ASSERT_NE(ColourMenus::of(main)->tool(), nullptr);
    EXPECT_TRUE(ColourMenus::of(main)->tool()->isVisible());
    EXPECT_EQ(ColourMenus::of(main)->tool()->field(), name);
    undo(name);
    EXPECT_EQ(name->text(), QStringLiteral("&c&l红&r色 &x&1&2&3&4&5&6x&#abcdefy§kz&q"));
}

// Ctrl+Z takes back the tool's change and nothing before it, on a line and on a box.
TEST_F(Colour, EachChangeIsOneUndoStepOfTheField) {
    QLineEdit* name = field("编辑框98", QString());
    QTest::keyClicks(name, QStringLiteral("ab"));
    ColourTool* tool = openTool(name);
    swatch(tool, "&c")->click();
    QTest::keyClicks(name, QStringLiteral("cd"));
    EXPECT_EQ(name->text(), QStringLiteral("ab&ccd"));
    undo(name);
    EXPECT_EQ(name->text(), QStringLiteral("ab&c"));
    undo(name);
    EXPECT_EQ(name->text(), QStringLiteral("ab"));
    tool->gradientButton()->click();
    EXPECT_EQ(name->text(), QStringLiteral("&x&f&f&5&5&5&5a&x&5&5&5&5&f&fb"));
    tool->convertButton(true)->click();
    EXPECT_EQ(name->text(), QStringLiteral("&#ff5555a&#5555ffb"));
    tool->stripButton()->click();
    EXPECT_EQ(name->text(), QStringLiteral("ab"));
    undo(name);
    EXPECT_EQ(name->text(), QStringLiteral("&#ff5555a&#5555ffb"));
    undo(name);
    EXPECT_EQ(name->text(), QStringLiteral("&x&f&f&5&5&5&5a&x&5&5&5&5&f&fb"));
    undo(name);
    EXPECT_EQ(name->text(), QStringLiteral("ab"));

    // The designer's lore, a box of several lines.
    auto* lore = field<QPlainTextEdit>(actions::designerTextFields().lore);
    QTest::keyClicks(lore, QStringLiteral("ab"));
    QTest::keyClick(lore, Qt::Key_Return);
    QTest::keyClicks(lore, QStringLiteral("c"));
    tool = openTool(lore);
    EXPECT_EQ(tool->field(), lore);
    tool->gradientButton()->click();
    EXPECT_EQ(lore->toPlainText(), QStringLiteral("&x&f&f&5&5&5&5a&x&c&6&5&5&8&eb\n&x&5&5&5&5&f&fc"));
    QTextCursor cursor = lore->textCursor();
    cursor.setPosition(0);
    lore->setTextCursor(cursor);
    format(tool, "&o")->click();
    EXPECT_EQ(lore->toPlainText(), QStringLiteral("&o&x&f&f&5&5&5&5a&x&c&6&5&5&8&eb\n&x&5&5&5&5&f&fc"));
    undo(lore);
    EXPECT_EQ(lore->toPlainText(), QStringLiteral("&x&f&f&5&5&5&5a&x&c&6&5&5&8&eb\n&x&5&5&5&5&f&fc"));
    undo(lore);
    EXPECT_EQ(lore->toPlainText(), QStringLiteral("ab\nc"));
}

TEST_F(Colour, ThePreviewsFollowTheChanges) {
    QLineEdit* name = field("编辑框98", QStringLiteral("剑"));
    ui::TooltipView* strip = main->findChild<ui::FieldPreview*>()->strip();
    ColourTool* tool = openTool(name);
    ASSERT_TRUE(strip->isVisible());  // the focus went to the tool's window: the strip stays
    name->setCursorPosition(0);
    swatch(tool, "&c")->click();
    EXPECT_EQ(strip->lines(), text::format("&c剑", text::Role::Name));
    tool->gradientButton()->click();
    EXPECT_EQ(strip->lines(), text::format("&x&f&f&5&5&5&5剑", text::Role::Name));
    // The tool leaves the field and its strip uncovered.
    const QRect fieldRect(name->mapToGlobal(QPoint(0, 0)), name->size());
    const QRect stripRect(strip->mapToGlobal(QPoint(0, 0)), strip->size());
    EXPECT_FALSE(tool->frameGeometry().intersects(fieldRect));
    EXPECT_FALSE(tool->frameGeometry().intersects(stripRect));

    // The designer's tooltip draws its name.
    QLineEdit* designerName = field(actions::designerTextFields().name, QStringLiteral("剑"));
    auto* tooltip = dynamic_cast<ui::TooltipView*>(control(actions::designerControls().preview));
    ASSERT_NE(tooltip, nullptr);
    tool = openTool(designerName);
    designerName->setCursorPosition(0);
    swatch(tool, "&a")->click();
    ASSERT_FALSE(tooltip->lines().empty());
    ASSERT_FALSE(tooltip->lines().front().empty());
    EXPECT_EQ(tooltip->lines().front().front().text, "剑");
    EXPECT_EQ(tooltip->lines().front().front().style.rgb, 0x55FF55u);
}

// The keyboard alone: Tab and the arrows move between swatches, Enter and Space insert, Esc
// closes and gives the field its focus back.
TEST_F(Colour, TheToolIsUsedWithTheKeyboard) {
    QLineEdit* name = field("编辑框82", QString());
    ColourTool* tool = openTool(name);
    QApplication::setActiveWindow(tool);
    ASSERT_EQ(QApplication::focusWidget(), tool->swatches()[0]);
    QTest::keyClick(tool->swatches()[0], Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), tool->swatches()[1]);
    QTest::keyClick(tool->swatches()[1], Qt::Key_Return);
    EXPECT_EQ(name->text(), QStringLiteral("&1"));
    QTest::keyClick(tool->swatches()[1], Qt::Key_Down);
    ASSERT_EQ(QApplication::focusWidget(), tool->swatches()[9]);
    QTest::keyClick(tool->swatches()[9], Qt::Key_Space);
    QTest::keyClick(tool->swatches()[9], Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    EXPECT_EQ(name->text(), QStringLiteral("&1&9&a"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(tool->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), name);
}

// A field whose page is no longer shown is not changed unseen; focusing another field of the
// tools moves the tool to it.
TEST_F(Colour, TheToolFollowsTheFocusAndLeavesAHiddenFieldAlone) {
    QLineEdit* name = field("编辑框98", QStringLiteral("剑"));
    ColourTool* tool = openTool(name);
    main->pageControl()->setCurrentIndex(0);
    QApplication::setActiveWindow(tool);
    settle();
    EXPECT_FALSE(tool->swatches()[0]->isEnabled());
    EXPECT_FALSE(tool->gradientButton()->isEnabled());
    EXPECT_EQ(tool->findChild<QLabel*>(QStringLiteral("作用于"))->text(),
              QStringLiteral("作用于：名字（不在当前页面上，点一下要改的字段）"));
    tool->swatches()[12]->click();
    EXPECT_EQ(name->text(), QStringLiteral("剑"));

    QApplication::setActiveWindow(main);
    QLineEdit* other = field("编辑框96", QStringLiteral("盾"));
    EXPECT_EQ(tool->field(), other);
    QApplication::setActiveWindow(tool);
    settle();
    ASSERT_TRUE(tool->swatches()[12]->isEnabled());
    tool->swatches()[12]->click();
    EXPECT_EQ(other->text(), QStringLiteral("盾&c"));
}

// Each swatch is named by its colour's official Chinese name, and its label reads on its
// colour on a dark palette as on a light one.
TEST_F(Colour, SwatchesAreNamedAndTheirLabelsContrast) {
    QApplication::setPalette(testing_support::darkPalette());
    ColourTool* tool = openTool(field("编辑框26"));
    const auto colours = text::colourButtons();
    ASSERT_EQ(tool->swatches().size(), colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i) {
        auto* swatch = static_cast<ui::SwatchButton*>(tool->swatches()[i]);
        EXPECT_EQ(swatch->accessibleName(), ui::fromUtf8(colours[i].zh));
        EXPECT_EQ(swatch->accessibleDescription(), QStringLiteral("插入 ") + ui::fromUtf8(colours[i].code));
        const QColor label = swatch->labelColour();
        const QColor fill = swatch->colour();
        const auto rgb = [](QColor c) {
            return text::Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                             static_cast<std::uint8_t>(c.blue())};
        };
        EXPECT_EQ(fill.rgb() & 0xFFFFFFu, colours[i].rgb);
        EXPECT_GE(text::contrastRatio(rgb(label), rgb(fill)), text::kReadableContrast) << colours[i].name;
    }
    EXPECT_EQ(tool->formatButtons().size(), 6u);
    for (QPushButton* button : tool->formatButtons()) EXPECT_FALSE(button->accessibleName().isEmpty());
    EXPECT_EQ(tool->formatButtons()[4]->accessibleName(), QStringLiteral("随机字符"));
    EXPECT_EQ(tool->formatButtons()[4]->text(), QStringLiteral("随机字符 &&k"));  // the & shows
    QApplication::setPalette(QApplication::style()->standardPalette());
}

// The tool goes beside the field and keeps it and its preview uncovered.
TEST(ColourToolPlace, BesideTheFieldOffItAndItsPreview) {
    const QRect screen(0, 0, 1920, 1080);
    const QRect name(100, 100, 272, 24);
    const QRect strip(100, 127, 300, 40);  // below the field
    QRect at = ColourTool::placeBeside(QSize(500, 400), screen, {name, strip});
    EXPECT_EQ(at, QRect(408, 100, 500, 400));
    // Near the right edge: on the left.
    at = ColourTool::placeBeside(QSize(400, 300), QRect(0, 0, 1280, 800), {QRect(1000, 300, 272, 24)});
    EXPECT_EQ(at, QRect(592, 300, 400, 300));
    // A field as wide as the screen: below it.
    at = ColourTool::placeBeside(QSize(400, 300), QRect(0, 0, 1280, 800), {QRect(0, 100, 1280, 24)});
    EXPECT_EQ(at, QRect(0, 132, 400, 300));
    // Near the bottom: above it.
    at = ColourTool::placeBeside(QSize(400, 300), QRect(0, 0, 1280, 800), {QRect(0, 700, 1280, 24)});
    EXPECT_EQ(at, QRect(0, 392, 400, 300));
    // No free place: on the screen, over the preview rather than over the field.
    at = ColourTool::placeBeside(QSize(400, 300), QRect(0, 0, 800, 600),
                                 {QRect(0, 0, 800, 260), QRect(0, 262, 800, 338)});
    EXPECT_TRUE(QRect(0, 0, 800, 600).contains(at));
    EXPECT_EQ(at.intersected(QRect(0, 0, 800, 260)), QRect());
}

// The three rules on a text of the request, with whole expected strings and every refusal.
TEST_F(Colour, TheTextOpsAnswerWithTheRules) {
    EXPECT_EQ(run(R"({"op":"gradient","text":"宝石之力","colors":["#ff5555","#5555ff"],"formats":"l","form":"x"})"),
              textReply("&x&f&f&5&5&5&5&l宝&x&c&6&5&5&8&e&l石&x&8&e&5&5&c&6&l之&x&5&5&5&5&f&f&l力"));
    EXPECT_EQ(run(R"({"op":"gradient","text":"宝石之力","colors":["#FF5555","#5555ff"],"form":"hash"})"),
              textReply("&#ff5555宝&#c6558e石&#8e55c6之&#5555ff力"));
    EXPECT_EQ(run(R"({"op":"gradient","text":"&c宝 石","colors":["#000000","#ffffff","#000000"],"formats":"nl"})"),
              textReply("&x&0&0&0&0&0&0&l&n宝 石"));
    EXPECT_EQ(error(R"({"op":"gradient","text":"x","colors":["#ff5555"]})"),
              QStringLiteral("a gradient needs at least two colours, got 1"));
    EXPECT_EQ(error(R"({"op":"gradient","text":"x","colors":[]})"),
              QStringLiteral("a gradient needs at least two colours, got 0"));
    for (const char* bad : {"#ff555", "ff55555", "#ff555g", "#ff55555", "red"})
        EXPECT_EQ(error(QStringLiteral(R"({"op":"gradient","text":"x","colors":["#ffffff","%1"]})")
                            .arg(QLatin1String(bad))
                            .toUtf8()
                            .constData()),
                  QStringLiteral("colour \"%1\" is not # and six hex digits").arg(QLatin1String(bad)));
    EXPECT_EQ(error(R"({"op":"gradient","text":"x","colors":["#ffffff","#000000"],"formats":"lr"})"),
              QStringLiteral("unknown format \"r\": the formats are l, o, n, m and k"));
    EXPECT_EQ(error(R"({"op":"gradient","text":"x","colors":["#ffffff","#000000"],"form":"rgb"})"),
              QStringLiteral("unknown form \"rgb\": use \"x\" or \"hash\""));
    EXPECT_EQ(error(R"({"op":"gradient","text":"x","colors":["#ffffff","#000000"],"form":""})"),
              QStringLiteral("unknown form \"\": use \"x\" or \"hash\""));
    EXPECT_EQ(error(R"({"op":"gradient","text":"x","colors":"#ffffff"})"),
              QStringLiteral("\"colors\" must be a list of colours such as [\"#ff5555\", \"#5555ff\"]"));
    EXPECT_EQ(error(R"({"op":"gradient","text":"x","colors":["#ffffff",0]})"),
              QStringLiteral("\"colors\" must be a list of colours such as [\"#ff5555\", \"#5555ff\"]"));
    EXPECT_EQ(error(R"({"op":"gradient","text":"x","colors":["#ffffff","#000000"],"formats":1})"),
              QStringLiteral("\"formats\" must be a string"));
    EXPECT_EQ(error(R"({"op":"gradient","colors":["#ffffff","#000000"]})"),
              QStringLiteral("\"text\" must be a string"));

    EXPECT_EQ(run(R"({"op":"convert","text":"&#ff0000红","to":"x"})"), textReply("&x&f&f&0&0&0&0红"));
    EXPECT_EQ(run(R"({"op":"convert","text":"&x&F&F&0&0&0&0红§x§0§0§f§f§0§0绿","to":"hash"})"),
              textReply("&#ff0000红&#00ff00绿"));
    // Only whole codes of the other form change.
    EXPECT_EQ(run(R"({"op":"convert","text":"&#FF0000&#ff00 &x&f&f&c &x&a&b&c&d&e&f","to":"x"})"),
              textReply("&x&f&f&0&0&0&0&#ff00 &x&f&f&c &x&a&b&c&d&e&f"));
    EXPECT_EQ(error(R"({"op":"convert","text":"x","to":"rgb"})"),
              QStringLiteral("unknown form \"rgb\": use \"x\" or \"hash\""));
    EXPECT_EQ(error(R"({"op":"convert","text":"x"})"), QStringLiteral("\"to\" must be a string"));

    EXPECT_EQ(run(R"({"op":"strip","text":"&c&l红&r色"})"), textReply("红色"));
    EXPECT_EQ(run(R"({"op":"strip","text":"§c红&#ff0000色&x&1&2&3&4&5&6!&X&A&B&C&D&E&F?&z & §"})"),
              textReply("红色!?&z & §"));
    EXPECT_EQ(error(R"({"op":"strip","text":3})"), QStringLiteral("\"text\" must be a string"));
}

// The tool on a field through the automation interface, as a person drives it.
TEST_F(Colour, TheColourOpDrivesTheToolOnAField) {
    run(R"({"op":"set","control":"编辑框98","text":"宝石之力"})");
    EXPECT_EQ(run(R"({"op":"set-selection","control":"编辑框98","start":0,"end":2})"),
              fieldReply(QStringLiteral("宝石之力"), 0, 2));
    // The name goes on white and italic after the selection, as before.
    EXPECT_EQ(run(R"({"op":"colour","control":"编辑框98","insert":"&c"})"),
              fieldReply(QStringLiteral("&c宝石&f&o之力"), 2, 4));
    // The gradient's first colour makes the "&c" in front dead: it goes.
    EXPECT_EQ(run(R"({"op":"colour","control":"编辑框98","gradient":{"colors":["#ff5555","#5555ff"]}})"),
              fieldReply(QStringLiteral("&x&f&f&5&5&5&5宝&x&5&5&5&5&f&f石&f&o之力"), 0, 30));
    EXPECT_EQ(run(R"({"op":"colour","control":"编辑框98","convert":"hash"})"),
              fieldReply(QStringLiteral("&#ff5555宝&#5555ff石&f&o之力"), 24, 24));
    EXPECT_EQ(run(R"({"op":"colour","control":"编辑框98","strip":true})"),
              fieldReply(QStringLiteral("宝石之力"), 4, 4));
    EXPECT_EQ(run(R"({"op":"colour","control":"编辑框98","insert":"&X&A&B&C&D&E&F"})"),
              fieldReply(QStringLiteral("宝石之力&x&a&b&c&d&e&f"), 18, 18));
    EXPECT_EQ(run(R"({"op":"colour","control":"编辑框98","insert":"&#AbCdEf"})").value("text"),
              QStringLiteral("宝石之力&x&a&b&c&d&e&f&#abcdef"));
    EXPECT_EQ(run(R"({"op":"colour","control":"编辑框98","insert":"&L"})").value("text"),
              QStringLiteral("宝石之力&x&a&b&c&d&e&f&#abcdef&l"));
    // Each is one undo step of the field.
    auto* name = control<QLineEdit>("编辑框98");
    name->undo();
    EXPECT_EQ(name->text(), QStringLiteral("宝石之力&x&a&b&c&d&e&f&#abcdef"));

    // The designer's lore counts a line break as the text op gives it: CR LF.
    run(R"({"op":"set","control":"编辑框100","text":"a\r\nb"})");
    EXPECT_EQ(run(R"({"op":"set-selection","control":"编辑框100","start":3,"end":4})"),
              fieldReply(QStringLiteral("a\r\nb"), 3, 4));
    EXPECT_EQ(run(R"({"op":"colour","control":"编辑框100","insert":"&c"})"),
              fieldReply(QStringLiteral("a\r\n&cb"), 5, 6));
    run(R"({"op":"set-selection","control":"编辑框100","start":0,"end":0})");
    EXPECT_EQ(
        run(R"({"op":"colour","control":"编辑框100","gradient":{"colors":["#000000","#ffffff"],"formats":"o","form":"hash"}})"),
        fieldReply(QStringLiteral("&#000000&oa\r\n&#ffffff&ob"), 24, 24));

    // Opened beside the field and closed.
    EXPECT_EQ(run(R"({"op":"colour","control":"编辑框61","open":true})").value("ok"), true);
    ColourTool* tool = ColourMenus::of(main)->tool();
    ASSERT_NE(tool, nullptr);
    EXPECT_TRUE(tool->isVisible());
    EXPECT_EQ(tool->field(), control("编辑框61"));
    run(R"({"op":"colour","control":"编辑框61","open":false})");
    EXPECT_FALSE(tool->isVisible());
}

// "宝石之力" with a colour code before it and "宝石" in a gradient: "之力" is drawn as before, in
// the preview the game's view comes from, and the code the gradient made dead is gone. A
// cursor or selection inside a code takes the whole code.
TEST_F(Colour, AGradientOnPartOfANameLeavesTheRestAsItWasDrawn) {
    run(R"({"op":"set","control":"编辑框98","text":"&6&l宝石之力"})");
    const QJsonArray before = run(R"({"op":"preview","control":"编辑框98"})").value("lines").toArray();
    run(R"({"op":"set-selection","control":"编辑框98","start":4,"end":6})");
    EXPECT_EQ(run(R"({"op":"colour","control":"编辑框98","gradient":{"colors":["#ff5555","#5555ff"],"formats":"l"}})"),
              fieldReply(QStringLiteral("&x&f&f&5&5&5&5&l宝&x&5&5&5&5&f&f&l石&6&l之力"), 0, 34));
    const QJsonArray after = run(R"({"op":"preview","control":"编辑框98"})").value("lines").toArray();
    ASSERT_EQ(before, QJsonArray{QJsonArray{before[0].toArray()[0]}});  // one run: gold and bold
    QJsonObject rest = before[0].toArray()[0].toObject();
    rest.insert(QStringLiteral("text"), QStringLiteral("之力"));
    ASSERT_EQ(after.size(), 1);
    EXPECT_EQ(after[0].toArray().last(), rest);

    run(R"({"op":"set","control":"编辑框98","text":"&cab"})");
    run(R"({"op":"set-selection","control":"编辑框98","start":1,"end":1})");
    EXPECT_EQ(run(R"({"op":"colour","control":"编辑框98","insert":"&l"})"), fieldReply(QStringLiteral("&c&lab"), 4, 4));
    run(R"({"op":"set","control":"编辑框98","text":"&cab"})");
    run(R"({"op":"set-selection","control":"编辑框98","start":1,"end":3})");
    EXPECT_EQ(run(R"({"op":"colour","control":"编辑框98","gradient":{"colors":["#00ff00","#0000ff"]}})"),
              fieldReply(QStringLiteral("&x&0&0&f&f&0&0a&cb"), 0, 15));
}

TEST_F(Colour, TheColourOpRefusesWhatTheToolCannotDo) {
    EXPECT_EQ(
        error(R"({"op":"colour","control":"编辑框2","insert":"&c"})"),
        QStringLiteral("编辑框2 has no colour tool: use 编辑框98, 编辑框61, 编辑框96, 编辑框60, 编辑框68, 编辑框69, "
                       "编辑框82, 编辑框26, 编辑框99, 编辑框100"));
    const QString one =
        QStringLiteral("give exactly one of \"insert\", \"gradient\", \"convert\", \"strip\" and \"open\"");
    EXPECT_EQ(error(R"({"op":"colour","control":"编辑框98"})"), one);
    EXPECT_EQ(error(R"({"op":"colour","control":"编辑框98","insert":"&c","strip":true})"), one);
    const QString code =
        QStringLiteral("\"insert\" must be one code: &0 to &f, &k, &l, &m, &n, &o, &r, &x&R&R&G&G&B&B or &#RRGGBB");
    for (const char* bad : {"&z", "c", "&c&l", "§c", "&x&f&f", "&#ff00", "", "&c "})
        EXPECT_EQ(error(QStringLiteral(R"({"op":"colour","control":"编辑框98","insert":"%1"})")
                            .arg(QString::fromUtf8(bad))
                            .toUtf8()
                            .constData()),
                  code)
            << bad;
    EXPECT_EQ(error(R"({"op":"colour","control":"编辑框98","insert":1})"),
              QStringLiteral("\"insert\" must be a string"));
    EXPECT_EQ(error(R"({"op":"colour","control":"编辑框98","convert":"rgb"})"),
              QStringLiteral("unknown form \"rgb\": use \"x\" or \"hash\""));
    EXPECT_EQ(error(R"({"op":"colour","control":"编辑框98","convert":""})"),
              QStringLiteral("unknown form \"\": use \"x\" or \"hash\""));
    EXPECT_EQ(error(R"({"op":"colour","control":"编辑框98","strip":false})"), QStringLiteral("\"strip\" must be true"));
    EXPECT_EQ(error(R"({"op":"colour","control":"编辑框98","open":"yes"})"),
              QStringLiteral("\"open\" must be true or false"));
    EXPECT_EQ(error(R"({"op":"colour","control":"编辑框98","gradient":["#ffffff"]})"),
              QStringLiteral("\"gradient\" must be an object: {\"colors\":[...],\"formats\":...,\"form\":...}"));
    EXPECT_EQ(error(R"({"op":"colour","control":"编辑框98","gradient":{"colors":["#ffffff"]}})"),
              QStringLiteral("a gradient needs at least two colours, got 1"));
    EXPECT_EQ(
        error(R"({"op":"colour","control":"编辑框98","gradient":{"colors":["#ffffff","#000000"],"formats":"q"}})"),
        QStringLiteral("unknown format \"q\": the formats are l, o, n, m and k"));
    EXPECT_TRUE(error(R"({"op":"colour","control":"编辑框999","strip":true})").startsWith("no control named"));
    // A refused request leaves the field as it was.
    EXPECT_EQ(run(R"({"op":"text","control":"编辑框98"})").value("text"), QString());

    run(R"({"op":"set","control":"编辑框98","text":"ab"})");
    EXPECT_EQ(error(R"({"op":"set-selection","control":"编辑框98","start":0,"end":3})"),
              QStringLiteral("\"end\" must be a whole number from 0 to 2, in characters (code points)"));
    EXPECT_EQ(error(R"({"op":"set-selection","control":"编辑框98","start":-1,"end":1})"),
              QStringLiteral("\"start\" must be a whole number from 0 to 2, in characters (code points)"));
    EXPECT_EQ(error(R"({"op":"set-selection","control":"编辑框98","start":0.5,"end":1})"),
              QStringLiteral("\"start\" must be a whole number from 0 to 2, in characters (code points)"));
    EXPECT_EQ(error(R"({"op":"set-selection","control":"按钮1","start":0,"end":0})"),
              QStringLiteral("按钮1 is no text field"));
    // Backwards: the cursor at "end"; the reply gives the selection from its start.
    EXPECT_EQ(run(R"({"op":"set-selection","control":"编辑框98","start":2,"end":0})"),
              fieldReply(QStringLiteral("ab"), 0, 2));
    EXPECT_EQ(control<QLineEdit>("编辑框98")->cursorPosition(), 0);
}

// The command check warns of a line longer than the chat box takes, with its number.
TEST_F(Colour, TheCommandCheckWarnsOfALineTooLongForTheChatBox) {
    const QString longLine = QStringLiteral("/setname &x&f&f&5&5&5&5") + QString(234, QLatin1Char('a'));
    ui::setEditText(panel("编辑框1"), QStringLiteral("/att Stats DAMAGE 10\n") + longLine + QStringLiteral("\n"));
    const QJsonObject reply = run(R"({"op":"check","control":"编辑框1"})");
    EXPECT_EQ(reply.value("warnings"),
              QJsonArray({QJsonObject{{"line", 2},
                                      {"message", QStringLiteral("这一行有 257 个字符，超过游戏聊天框的 256 "
                                                                 "个字符上限，无法在游戏里输入")}}}));
    EXPECT_EQ(reply.value("valid"), true);
}

// Through the real executable: the text ops and the tool on a field, one reply per line.
TEST(ColourProcess, TheOpsAnswerThroughTheRealExecutable) {
    QProcess editor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    editor.setProcessEnvironment(env);
    editor.start(QStringLiteral(QUORVEL_EDITOR_PATH), {"--script", "-"});
    ASSERT_TRUE(editor.waitForStarted(10000));
    editor.write(
        "{\"op\":\"gradient\",\"text\":\"宝石之力\",\"colors\":[\"#ff5555\",\"#5555ff\"],\"formats\":\"l\",\"form\":"
        "\"x\"}\n"
        "{\"op\":\"convert\",\"text\":\"&#ff0000红\",\"to\":\"x\"}\n"
        "{\"op\":\"strip\",\"text\":\"&c&l红&r色\"}\n"
        "{\"op\":\"gradient\",\"text\":\"x\",\"colors\":[\"#ff5555\"]}\n"
        "{\"op\":\"set\",\"control\":\"编辑框96\",\"text\":\"火焰之力\"}\n"
        "{\"op\":\"set-selection\",\"control\":\"编辑框96\",\"start\":2,\"end\":4}\n"
        "{\"op\":\"colour\",\"control\":\"编辑框96\",\"insert\":\"&6\"}\n"
        "{\"op\":\"colour\",\"control\":\"编辑框96\",\"open\":true}\n"
        "{\"op\":\"preview\",\"control\":\"编辑框96\"}\n");
    editor.closeWriteChannel();
    ASSERT_TRUE(editor.waitForFinished(30000));
    EXPECT_EQ(editor.exitCode(), 0);
    const QList<QByteArray> lines = editor.readAllStandardOutput().split('\n');
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(QString::fromUtf8(lines[0]),
              QStringLiteral(
                  R"({"ok":true,"text":"&x&f&f&5&5&5&5&l宝&x&c&6&5&5&8&e&l石&x&8&e&5&5&c&6&l之&x&5&5&5&5&f&f&l力"})"));
    EXPECT_EQ(QString::fromUtf8(lines[1]), QStringLiteral(R"({"ok":true,"text":"&x&f&f&0&0&0&0红"})"));
    EXPECT_EQ(QString::fromUtf8(lines[2]), QStringLiteral(R"({"ok":true,"text":"红色"})"));
    EXPECT_EQ(lines[3], R"({"error":"a gradient needs at least two colours, got 1","ok":false})");
    EXPECT_EQ(QString::fromUtf8(lines[5]), QStringLiteral(R"({"end":4,"ok":true,"start":2,"text":"火焰之力"})"));
    EXPECT_EQ(QString::fromUtf8(lines[6]), QStringLiteral(R"({"end":6,"ok":true,"start":4,"text":"火焰&6之力"})"));
    EXPECT_EQ(QString::fromUtf8(lines[7]), QStringLiteral(R"({"end":6,"ok":true,"start":4,"text":"火焰&6之力"})"));
    const QJsonArray preview = QJsonDocument::fromJson(lines[8]).object().value("lines").toArray();
    ASSERT_EQ(preview.size(), 1);
    EXPECT_EQ(preview[0].toArray().last().toObject().value("text"), QStringLiteral("之力"));
    EXPECT_EQ(preview[0].toArray().last().toObject().value("color"), QStringLiteral("#ffaa00"));
}

}  // namespace
