// The entries of the configuration panel through the real widgets and the automation ops:
// listed as the panel changes, loaded into their page, written back in place as one undo step,
// list lines put into the entry a page holds, duplicate, delete, rename and the diff.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include "ui/entries/entry_editor.h"
#include "ui/entries/entry_list.h"
#include "ui/loader/controls.h"
#include "ui/panels/panel.h"
#include "ui_test_support.h"

namespace {

// Two gems as a person wrote them: four blanks of indentation, single quotes, comments.
const QString kHandWritten = QStringLiteral(
    "# gems of the server\n"
    "ruby:\n"
    "    Keylore: '&c红'   # the menu line\n"
    "    Display_Name: \"&c红宝石\"\n"
    "    Material: 'REDSTONE'\n"
    "    Shiny: true\n"
    "    Max_Grade: 3\n"
    "    Type_Item: \"物品和武器\"\n"
    "    Base_Success_Rate: 50\n"
    "    Scale_Success_Rate: -8\n"
    "    Bonus_Base_Hit_Rate: 3\n"
    "\n"
    "jade:\n"
    "    Display_Name: '&a翡翠'\n"
    "    Max_Grade: 2\n"
    "    Shiny: false\n");

class Entries : public testing_support::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        ui::replacePanelText(panel("编辑框20"), kHandWritten);
    }
    QJsonObject op(const QString& line) { return runLine(line.toUtf8()); }
    QString configuration() { return ui::panelLfText(panel("编辑框20")); }
};

TEST_F(Entries, ListedAsTheServerSeesThemAndRefusedWhenUnknown) {
    const QJsonObject listed = op(R"({"op":"entries","control":"编辑框20"})");
    EXPECT_EQ(listed.value("entries"),
              QJsonArray({QJsonObject{{"id", "ruby"}, {"kind", "gem"}, {"line", 2}, {"end", 11}},
                          QJsonObject{{"id", "jade"}, {"kind", "gem"}, {"line", 13}, {"end", 16}}}));
    const QJsonObject unknown = op(R"({"op":"load-entry","control":"编辑框20","entry":"opal"})");
    EXPECT_EQ(unknown.value("ok"), false);
    EXPECT_EQ(unknown.value("code"), "unknown-entry");
    EXPECT_EQ(op(R"({"op":"entries","control":"编辑框1"})").value("ok"), false);
    EXPECT_EQ(op(R"({"op":"update-entry","control":"编辑框20"})").value("code"), "nothing-loaded");
}

// Load fills the fields the user sees; a changed grade changes its own line only, keeping the
// entry's indentation, quotes and comments; one Ctrl+Z takes the whole update back.
TEST_F(Entries, LoadThenUpdateChangesOnlyTheChangedLineAsOneUndoStep) {
    const QJsonObject loaded = op(R"({"op":"load-entry","control":"编辑框20","entry":"ruby"})");
    ASSERT_EQ(loaded.value("ok"), true) << loaded.value("error").toString().toStdString();
    EXPECT_EQ(loaded.value("page"), 4);
    EXPECT_EQ(loaded.value("extras"), QJsonArray({"    Bonus_Base_Hit_Rate: 3"}));
    EXPECT_EQ(main->pageControl()->currentIndex(), 4);
    EXPECT_EQ(op(R"({"op":"text","control":"编辑框61"})").value("text"), "&c红宝石");
    EXPECT_EQ(op(R"({"op":"text","control":"编辑框62"})").value("text"), "REDSTONE");
    EXPECT_EQ(op(R"({"op":"selection","control":"组合框3"})").value("index"), 0);  // 有附魔特效

    // No change: not a byte moves.
    EXPECT_EQ(op(R"({"op":"update-entry","control":"编辑框20"})"),
              QJsonObject({{"ok", true}, {"entry", "ruby"}, {"line", 2}, {"end", 11}}));
    EXPECT_EQ(configuration(), kHandWritten);

    op(R"({"op":"set","control":"编辑框63","text":"5"})");
    EXPECT_EQ(op(R"({"op":"update-entry","control":"编辑框20"})").value("ok"), true);
    QString expected = kHandWritten;
    expected.replace(QStringLiteral("    Max_Grade: 3\n"), QStringLiteral("    Max_Grade: 5\n"));
    EXPECT_EQ(configuration(), expected);
    panel("编辑框20")->undo();
    EXPECT_EQ(configuration(), kHandWritten);
}

TEST_F(Entries, TheUpdateButtonAndTheLineOfThePageFollowTheLoadedEntry) {
    main->pageControl()->setCurrentIndex(4);
    auto* update = main->findChild<QPushButton*>(QStringLiteral("更新条目"));
    ASSERT_NE(update, nullptr);
    EXPECT_FALSE(update->isEnabled());
    op(R"({"op":"load-entry","control":"编辑框20","entry":"jade"})");
    EXPECT_TRUE(update->isEnabled());
    auto* line = update->parentWidget()->findChild<QLabel*>(QStringLiteral("正在编辑"));
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->text().startsWith(QStringLiteral("正在编辑：jade（第 13 行）"))) << line->text().toStdString();
    op(R"({"op":"set","control":"编辑框59","text":"jade_green"})");
    update->click();
    EXPECT_TRUE(configuration().contains(QStringLiteral("\njade_green:\n    Display_Name: '&a翡翠'\n")));
    EXPECT_TRUE(line->text().startsWith(QStringLiteral("正在编辑：jade_green（第 13 行）")));
    // A rename onto an existing identifier is refused, the text untouched.
    op(R"({"op":"set","control":"编辑框59","text":"ruby"})");
    const QString before = configuration();
    EXPECT_EQ(op(R"({"op":"update-entry","control":"编辑框20"})").value("code"), "duplicate-key");
    EXPECT_EQ(configuration(), before);
}

// "添加" of the lore line goes to the end of the held gem's list, not the end of the panel; with
// nothing held it appends as it always did.
TEST_F(Entries, AListLineGoesIntoTheHeldEntry) {
    op(R"({"op":"set","control":"编辑框20","text":""})");
    op(R"({"op":"set","control":"编辑框59","text":"ruby"})");
    op(R"({"op":"click","control":"按钮50"})");
    op(R"({"op":"set","control":"编辑框59","text":"jade"})");
    op(R"({"op":"click","control":"按钮50"})");
    const QString two = configuration();
    op(R"({"op":"load-entry","control":"编辑框20","entry":"ruby"})");
    op(R"({"op":"set","control":"编辑框69","text":"第十一行"})");
    op(R"({"op":"click","control":"按钮51"})");
    const qsizetype jade = configuration().indexOf(QStringLiteral("\njade:"));
    const qsizetype added = configuration().indexOf(QStringLiteral("  - \"第十一行\"\n"));
    ASSERT_GT(added, 0);
    EXPECT_LT(added, jade);
    EXPECT_EQ(configuration().size(), two.size() + QStringLiteral("  - \"第十一行\"\n").size());
    editor->entries().release();
    op(R"({"op":"click","control":"按钮51"})");
    EXPECT_TRUE(configuration().endsWith(QStringLiteral("  - \"第十一行\"\n")));
}

// A held entry that another of its name has come to shadow since it was loaded takes no list
// line: the server reads the other one, which the page does not hold.
TEST_F(Entries, AListLineGoesIntoNoShadowedEntry) {
    op(R"({"op":"set","control":"编辑框20","text":""})");
    op(R"({"op":"set","control":"编辑框59","text":"ruby"})");
    op(R"({"op":"click","control":"按钮50"})");
    const QString one = configuration();
    op(R"({"op":"load-entry","control":"编辑框20","entry":"ruby"})");
    ui::replacePanelText(panel("编辑框20"), one + one);
    op(R"({"op":"set","control":"编辑框69","text":"第十一行"})");
    op(R"({"op":"click","control":"按钮51"})");
    EXPECT_EQ(configuration(), one + one);
}

TEST_F(Entries, DuplicateRenameAndDeleteTouchOnlyTheirEntry) {
    EXPECT_EQ(op(R"({"op":"duplicate-entry","control":"编辑框20","entry":"jade","as":"jade_2"})").value("ok"), true);
    EXPECT_TRUE(configuration().endsWith(
        QStringLiteral("jade:\n    Display_Name: '&a翡翠'\n    Max_Grade: 2\n    Shiny: false\n"
                       "jade_2:\n    Display_Name: '&a翡翠'\n    Max_Grade: 2\n    Shiny: false\n")));
    EXPECT_EQ(op(R"({"op":"rename-entry","control":"编辑框20","entry":"jade_2","as":"ruby"})").value("code"),
              "duplicate-key");
    EXPECT_EQ(op(R"({"op":"rename-entry","control":"编辑框20","entry":"jade_2","as":"opal"})").value("ok"), true);
    EXPECT_EQ(op(R"({"op":"delete-entry","control":"编辑框20","entry":"jade"})").value("ok"), true);
    EXPECT_TRUE(configuration().endsWith(QStringLiteral(
        "    Bonus_Base_Hit_Rate: 3\n\nopal:\n    Display_Name: '&a翡翠'\n    Max_Grade: 2\n    Shiny: false\n")));
    EXPECT_EQ(op(R"({"op":"delete-entry","control":"编辑框20","entry":"jade"})").value("code"), "unknown-entry");
}

// Identifiers as the server names them: "1.0:" and then "1.00:" are one entry to it, which keeps
// the second; that one is loaded and updated. A rename onto "0x1F"'s name 31 is refused.
TEST_F(Entries, IdentifiersAsTheServerNamesThem) {
    ui::replacePanelText(panel("编辑框20"), QStringLiteral("1.0:\n  keylore: a\n  command:\n    - c\n"
                                                           "1.00:\n  keylore: b\n  command:\n    - c\n"
                                                           "0x1F:\n  keylore: x\n  command:\n    - c\n"));
    const QJsonObject loaded = op(R"({"op":"load-entry","control":"编辑框20","entry":"1.0"})");
    ASSERT_EQ(loaded.value("ok"), true) << loaded.value("error").toString().toStdString();
    EXPECT_EQ(op(R"({"op":"text","control":"编辑框26"})").value("text"), "b");
    op(R"({"op":"set","control":"编辑框26","text":"changed"})");
    const QJsonObject updated = op(R"({"op":"update-entry","control":"编辑框20"})");
    EXPECT_EQ(updated.value("line"), 5);
    EXPECT_TRUE(
        configuration().startsWith(QStringLiteral("1.0:\n  keylore: a\n  command:\n    - c\n"
                                                  "1.00:\n  keylore: \"changed\"\n")));
    const QJsonObject onto = op(R"({"op":"rename-entry","control":"编辑框20","entry":"1.0","as":"31"})");
    EXPECT_EQ(onto.value("code"), "duplicate-key");
    EXPECT_EQ(onto.value("error"), "已有识别名为“31”的条目（第 9 行，写作“0x1F”）");
}

// An edit whose result the server could not read is refused as invalid-yaml and the panel stays
// as it was; a delete takes the comment above its entry and answers with the entry's own lines.
TEST_F(Entries, EditsTheServerCouldNotReadAreRefused) {
    const QString text = QStringLiteral(
        "ruby:\n  Display_Name: &dn RUBY\n  Material: REDSTONE\n"
        "keep:\n  keylore: k\n  command:\n    - |+\n      say a\n\n"
        "# sap's name is ruby's\nsap:\n  Display_Name: *dn\n  Material: LAPIS\n");
    ui::replacePanelText(panel("编辑框20"), text);
    const QJsonArray listed = op(R"({"op":"entries","control":"编辑框20"})").value("entries").toArray();
    ASSERT_EQ(listed.size(), 3);
    EXPECT_EQ(listed[1], (QJsonObject{{"id", "keep"}, {"kind", "keylore"}, {"line", 4}, {"end", 9}}));
    const QJsonObject gone = op(R"({"op":"delete-entry","control":"编辑框20","entry":"ruby"})");
    EXPECT_EQ(gone.value("code"), "invalid-yaml");
    EXPECT_EQ(configuration(), text);
    const QJsonObject tooLong =
        op(QStringLiteral(R"({"op":"rename-entry","control":"编辑框20","entry":"keep","as":"%1"})")
               .arg(QString(1025, 'k')));
    EXPECT_EQ(tooLong.value("code"), "invalid-yaml");
    EXPECT_EQ(configuration(), text);
    EXPECT_EQ(op(R"({"op":"delete-entry","control":"编辑框20","entry":"sap"})"),
              (QJsonObject{{"ok", true}, {"entry", "sap"}, {"line", 11}, {"end", 13}}));
    EXPECT_EQ(configuration(), text.left(text.indexOf(QStringLiteral("# sap"))));
}

// A text the server cannot read still lists what it can see; load and update refuse.
TEST_F(Entries, ABrokenTextListsButRefusesToLoad) {
    op(QStringLiteral(R"({"op":"set","control":"编辑框20","text":"%1"})")
           .arg(QString(kHandWritten + "  bad: [\n").replace("\\", "\\\\").replace("\"", "\\\"").replace("\n", "\\n")));
    EXPECT_EQ(op(R"({"op":"entries","control":"编辑框20"})").value("entries").toArray().size(), 2);
    const QJsonObject refused = op(R"({"op":"load-entry","control":"编辑框20","entry":"ruby"})");
    EXPECT_EQ(refused.value("code"), "invalid-yaml");
    EXPECT_FALSE(refused.value("error").toString().isEmpty());
}

TEST_F(Entries, TheListFollowsThePanelAndLoadsOnDoubleClick) {
    auto* list = main->findChild<ui::EntryList*>();
    ASSERT_NE(list, nullptr);
    const auto rows = [&] { return list->view()->model()->rowCount(); };
    QElapsedTimer timer;
    timer.start();
    while (rows() != 2 && timer.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(rows(), 2);
    list->filter()->setText(QStringLiteral("翡翠"));
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(list->idAt(0), "jade");
    emit list->view()->doubleClicked(list->view()->model()->index(0, 0));
    EXPECT_EQ(op(R"({"op":"text","control":"编辑框59"})").value("text"), "jade");
    EXPECT_EQ(main->pageControl()->currentIndex(), 4);
}

// The list is made when it is first shown: shown through its menu entry after the panel
// changed, it holds the panel's entries, and it follows the panel from then on.
TEST_F(Entries, AListFirstShownAfterTheTextChangedListsItAndFollowsIt) {
    auto* list = main->findChild<ui::EntryList*>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->findChild<QTableView*>(), nullptr);
    auto* toggle = main->findChild<QAction*>(QStringLiteral("entries"));
    ASSERT_NE(toggle, nullptr);
    const auto waitForRows = [&](int wanted) {
        QElapsedTimer timer;
        timer.start();
        auto* view = list->findChild<QTableView*>();
        while ((view == nullptr || view->model()->rowCount() != wanted) && timer.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            view = list->findChild<QTableView*>();
        }
        return view != nullptr ? view->model()->rowCount() : -1;
    };
    ui::replacePanelText(panel("编辑框20"), kHandWritten + QStringLiteral("\nopal:\n    Max_Grade: 1\n"));
    // Listed in the editor, not yet in a list nobody has seen.
    QElapsedTimer timer;
    timer.start();
    while (op(R"({"op":"entries","control":"编辑框20"})").value("entries").toArray().size() != 3 &&
           timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(list->findChild<QTableView*>(), nullptr);
    toggle->setChecked(true);
    EXPECT_EQ(waitForRows(3), 3);
    EXPECT_EQ(list->idAt(2), "opal");
    ui::replacePanelText(panel("编辑框20"), kHandWritten);
    EXPECT_EQ(waitForRows(2), 2);
}

// A name is drawn on the game's tooltip colour; an entry without one is a plain empty cell.
TEST_F(Entries, OnlyANameIsDrawnOnTheTooltipColour) {
    ui::replacePanelText(panel("编辑框20"), kHandWritten + QStringLiteral("\nopal:\n    Max_Grade: 1\n"));
    auto* list = main->findChild<ui::EntryList*>();
    ASSERT_NE(list, nullptr);
    main->findChild<QAction*>(QStringLiteral("entries"))->setChecked(true);
    QTableView* view = list->view();
    QElapsedTimer timer;
    timer.start();
    while (view->model()->rowCount() != 3 && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(view->model()->rowCount(), 3);
    view->clearSelection();
    const QImage shot = view->viewport()->grab().toImage();
    const auto backgroundOf = [&](int row) {
        const QRect cell = view->visualRect(view->model()->index(row, 2));
        const qreal ratio = shot.devicePixelRatio();
        return shot.pixelColor(qRound((cell.left() + 1) * ratio), qRound(cell.center().y() * ratio));
    };
    EXPECT_EQ(backgroundOf(1), QColor::fromRgb(0x100010));  // jade: "&a翡翠"
    EXPECT_NE(backgroundOf(2), QColor::fromRgb(0x100010));  // opal: no name
    EXPECT_EQ(backgroundOf(2), view->palette().color(QPalette::Base));
}

// Black and dark blue would vanish on the tooltip colour: those runs stand on a light backing,
// as readable as the game's own windows make them; a name in a bright colour has none.
TEST_F(Entries, BlackAndDarkBlueNamesStandOnALightBacking) {
    ui::replacePanelText(panel("编辑框20"),
                         kHandWritten + QStringLiteral("\nonyx:\n    Display_Name: '&0黑曜石'\n    Max_Grade: 1\n"
                                                       "\nlapis:\n    Display_Name: '&1青金石'\n    Max_Grade: 1\n"));
    auto* list = main->findChild<ui::EntryList*>();
    ASSERT_NE(list, nullptr);
    main->findChild<QAction*>(QStringLiteral("entries"))->setChecked(true);
    QTableView* view = list->view();
    QElapsedTimer timer;
    timer.start();
    while (view->model()->rowCount() != 4 && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(view->model()->rowCount(), 4);
    view->clearSelection();
    const QImage shot = view->viewport()->grab().toImage();
    // The pixels of a row's name cell in the backing's colour, and the dark ones of the text
    // drawn on that backing (inside the box the backing pixels span).
    struct Cell {
        int backing = 0;
        int ink = 0;
    };
    const auto cellOf = [&](int row) {
        const qreal ratio = shot.devicePixelRatio();
        const QRect cell = view->visualRect(view->model()->index(row, 2));
        const QRect pixels(QPoint(qRound(cell.left() * ratio), qRound(cell.top() * ratio)),
                           QPoint(qRound(cell.right() * ratio), qRound(cell.bottom() * ratio)));
        Cell found;
        QRect box;
        for (int y = pixels.top(); y <= pixels.bottom(); ++y)
            for (int x = pixels.left(); x <= pixels.right(); ++x)
                if ((shot.pixel(x, y) & 0xFFFFFF) == 0xC6C6C6) {
                    ++found.backing;
                    box |= QRect(x, y, 1, 1);
                }
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x) found.ink += qGray(shot.pixel(x, y)) < 120 ? 1 : 0;
        return found;
    };
    for (const int row : {2, 3}) {  // onyx "&0黑曜石", lapis "&1青金石"
        EXPECT_GT(cellOf(row).backing, 50) << "row " << row;
        EXPECT_GT(cellOf(row).ink, 10) << "row " << row;
    }
    EXPECT_EQ(cellOf(1).backing, 0);  // jade: "&a翡翠"
}

TEST_F(Entries, TheDiffIsAgainstTheFileOnDisk) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("socket.yml"));
    EXPECT_EQ(op(R"({"op":"diff","control":"编辑框20"})").value("ok"), false);  // no file yet
    ASSERT_EQ(op(QStringLiteral(R"({"op":"save","control":"编辑框20","path":"%1"})").arg(path)).value("ok"), true);
    EXPECT_EQ(op(R"({"op":"diff","control":"编辑框20"})"), QJsonObject({{"ok", true}, {"changes", QJsonArray()}}));
    op(R"({"op":"load-entry","control":"编辑框20","entry":"jade"})");
    op(R"({"op":"set","control":"编辑框63","text":"4"})");
    op(R"({"op":"update-entry","control":"编辑框20"})");
    EXPECT_EQ(op(R"({"op":"diff","control":"编辑框20"})").value("changes"),
              QJsonArray({QJsonObject{{"line", 15},
                                      {"removed", QJsonArray({"    Max_Grade: 2"})},
                                      {"added", QJsonArray({"    Max_Grade: 4"})}}}));
}

}  // namespace

namespace {

// Which entry a page holds, the lines it has no field for and the way to let go stay whole on
// every page, whatever the identifier's length: nothing of the line is cut off.
TEST_F(Entries, TheLineBesideALoadedEntryIsNeverCut) {
    const QString longId = QStringLiteral("dragons_eye_of_the_northern_mountains");
    ui::replacePanelText(panel("编辑框20"),
                         QStringLiteral("%1:\n  Display_Name: \"&6龙\"\n  Max_Grade: 7\n  Extra_Key: 1\n"
                                        "fire_element_of_the_old_volcano:\n  Keylore: \"&c火\"\n"
                                        "  Scale_Base_Additional_Damage: 2\n  Resistance:\n    water: -20\n"
                                        "heal:\n  keylore: \"&a治疗\"\n  command:\n    - \"heal %player%\"\n"
                                        "    - \"say healed\"\n")
                             .arg(longId));
    for (const QString& id : {longId, QStringLiteral("fire_element_of_the_old_volcano"), QStringLiteral("heal")}) {
        const QJsonObject loaded =
            op(QStringLiteral(R"({"op":"load-entry","control":"编辑框20","entry":"%1"})").arg(id));
        ASSERT_EQ(loaded.value("ok"), true) << loaded.value("error").toString().toStdString();
        const int page = loaded.value("page").toInt();
        QLabel* line = nullptr;
        for (QLabel* label : main->findChildren<QLabel*>(QStringLiteral("正在编辑")))
            if (!label->text().isEmpty() && main->pageControl()->page(page)->isAncestorOf(label)) line = label;
        ASSERT_NE(line, nullptr) << id.toStdString();
        const QString text = line->text();
        EXPECT_TRUE(text.contains(QStringLiteral("另有 1 行")) && text.contains(QStringLiteral("结束")))
            << text.toStdString();
        // The label's text laid out as it is drawn takes no more room than the label has.
        QTextDocument drawn;
        drawn.setDefaultFont(line->font());
        drawn.setDocumentMargin(0);
        drawn.setHtml(text);
        EXPECT_LE(drawn.idealWidth(), line->width()) << id.toStdString() << ": " << text.toStdString();
        EXPECT_LE(drawn.size().height(), line->height()) << id.toStdString() << ": " << text.toStdString();
    }
}

}  // namespace

namespace {

class EntriesList : public Entries {
protected:
    ui::EntryList* shownList() {
        auto* list = main->findChild<ui::EntryList*>();
        main->findChild<QAction*>(QStringLiteral("entries"))->setChecked(true);
        QTableView* view = list->view();
        QElapsedTimer timer;
        timer.start();
        while (view->model()->rowCount() != 2 && timer.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return list;
    }
    static QLabel* countOf(ui::EntryList* list) {
        for (QLabel* label : list->findChildren<QLabel*>())
            if (label->text().contains(QStringLiteral("个条目"))) return label;
        return nullptr;
    }
    template <typename T>
    static T* shownDialog() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<T*>(widget); dialog != nullptr && dialog->isVisible()) return dialog;
        return nullptr;
    }
};

// The filter: the count says how many match of how many, Down goes into the list and Enter
// loads the chosen entry, or the only match straight from the filter.
TEST_F(EntriesList, TheFilterCountsMatchesAndItsKeysReachAndLoadThem) {
    ui::EntryList* list = shownList();
    ASSERT_NE(countOf(list), nullptr);
    EXPECT_EQ(countOf(list)->text(), QStringLiteral("2 个条目"));
    list->filter()->setFocus();
    list->filter()->setText(QStringLiteral("翡翠"));
    EXPECT_EQ(countOf(list)->text(), QStringLiteral("1 / 2 个条目"));
    QTest::keyClick(list->filter(), Qt::Key_Return);
    EXPECT_EQ(main->pageControl()->currentIndex(), 4);
    EXPECT_EQ(op(R"({"op":"text","control":"编辑框59"})").value("text"), "jade");
    list->filter()->clear();
    EXPECT_EQ(countOf(list)->text(), QStringLiteral("2 个条目"));
    list->filter()->setFocus();
    QTest::keyClick(list->filter(), Qt::Key_Down);
    EXPECT_TRUE(list->view()->hasFocus());
    EXPECT_EQ(list->view()->currentIndex().row(), 0);
    QTest::keyClick(list->view(), Qt::Key_Return);
    EXPECT_EQ(op(R"({"op":"text","control":"编辑框59"})").value("text"), "ruby");
}

// A refused rename keeps its dialog with the reason under the field; a good name then goes.
// Deleting asks first, and 取消 deletes nothing.
TEST_F(EntriesList, ARefusedRenameStaysOpenWithItsReasonAndADeleteAsksFirst) {
    ui::EntryList* list = shownList();
    QMetaObject::invokeMethod(list, "askName", Q_ARG(QString, QStringLiteral("重命名条目")),
                              Q_ARG(QString, QStringLiteral("ruby")), Q_ARG(bool, true));
    auto* dialog = shownDialog<QDialog>();
    ASSERT_NE(dialog, nullptr);
    auto* field = dialog->findChild<QLineEdit*>();
    auto* reason = dialog->findChild<QLabel*>(QStringLiteral("reason"));
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    field->setText(QStringLiteral("jade"));
    buttons->button(QDialogButtonBox::Ok)->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(reason->isVisible());
    EXPECT_TRUE(reason->text().contains(QStringLiteral("jade"))) << reason->text().toStdString();
    EXPECT_EQ(configuration(), kHandWritten);
    field->setText(QStringLiteral("ruby_red"));
    buttons->button(QDialogButtonBox::Ok)->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(configuration().contains(QStringLiteral("\nruby_red:\n")));
    settle();
    QMetaObject::invokeMethod(list, "askRemove", Q_ARG(QString, QStringLiteral("jade")), Q_ARG(int, 13));
    auto* box = shownDialog<QMessageBox>();
    ASSERT_NE(box, nullptr);
    for (QAbstractButton* button : box->buttons())
        if (button->text() == QStringLiteral("取消")) button->click();
    EXPECT_TRUE(configuration().contains(QStringLiteral("\njade:\n")));
}

// The lines a loaded entry has beyond its page follow the panel: an undo brings the list back.
TEST_F(Entries, TheOtherLinesOfALoadedEntryFollowAnUndo) {
    ASSERT_EQ(op(R"({"op":"load-entry","control":"编辑框20","entry":"ruby"})").value("ok"), true);
    QLabel* line = nullptr;
    for (QLabel* label : main->findChildren<QLabel*>(QStringLiteral("正在编辑")))
        if (!label->text().isEmpty()) line = label;
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->text().contains(QStringLiteral("另有 1 行")));
    QTextCursor cursor(panel("编辑框20")->document());
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::PreviousBlock);
    const int at = static_cast<int>(configuration().indexOf(QStringLiteral("    Bonus_Base_Hit_Rate: 3\n")));
    cursor.setPosition(at + static_cast<int>(QStringLiteral("    Bonus_Base_Hit_Rate: 3\n").size()));
    cursor.insertText(QStringLiteral("    Extra_Key: 1\n"));
    QElapsedTimer timer;
    timer.start();
    while (!line->text().contains(QStringLiteral("另有 2 行")) && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(line->text().contains(QStringLiteral("另有 2 行"))) << line->text().toStdString();
    panel("编辑框20")->undo();
    timer.start();
    while (!line->text().contains(QStringLiteral("另有 1 行")) && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(line->text().contains(QStringLiteral("另有 1 行"))) << line->text().toStdString();
}

}  // namespace

namespace {

// The gem preview of a loaded gem shows the gem the file holds: its own lore lines, with the
// values the page holds now.
TEST_F(Entries, TheGemPreviewOfALoadedGemShowsItsOwnLore) {
    ui::replacePanelText(panel("编辑框20"),
                         QStringLiteral("opal:\n    Display_Name: \"&b蛋白石\"\n    Max_Grade: 2\n    Lores:\n"
                                        "      - \"&7自己的一行\"\n      - \"&7另一行\"\n"));
    ASSERT_EQ(op(R"({"op":"load-entry","control":"编辑框20","entry":"opal"})").value("ok"), true);
    const auto shown = [&] {
        QStringList lines;
        for (const QJsonValue line : op(R"({"op":"preview","control":"预览框1"})").value("lines").toArray()) {
            QString text;
            for (const QJsonValue run : line.toArray()) text += run.toObject().value("text").toString();
            lines << text;
        }
        return lines;
    };
    EXPECT_EQ(shown(), QStringList({QStringLiteral("蛋白石"), QStringLiteral("自己的一行"), QStringLiteral("另一行")}));
    ASSERT_EQ(op(R"({"op":"set","control":"编辑框61","text":"&b大蛋白石"})").value("ok"), true);
    EXPECT_EQ(shown(),
              QStringList({QStringLiteral("大蛋白石"), QStringLiteral("自己的一行"), QStringLiteral("另一行")}));
    // Let go: the page's own gem again.
    main->findChild<ui::EntryEditor*>()->release();
    EXPECT_NE(shown().value(1), QStringLiteral("自己的一行"));
}

}  // namespace
