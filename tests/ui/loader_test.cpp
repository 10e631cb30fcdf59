// Every unit of every window is live as its form row defines it.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabBar>
#include <QWindow>

#include "ui/base/readable_colour.h"
#include "ui/loader/controls.h"
#include "ui/preview/tooltip_view.h"
#include "ui_test_support.h"

namespace {

using forms::Kind;
using ui::fromUtf8;

class Loader : public testing_support::EditorTest {};

int pixelsOf(const forms::Font& font) { return font.height == 0 ? 12 : -font.height; }

QColor colourOf(std::uint32_t bgr) {
    return {static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF), static_cast<int>((bgr >> 16) & 0xFF)};
}

TEST_F(Loader, EveryUnitIsLiveWithItsGeometryCaptionItemsFontAndFlags) {
    for (const forms::Window& form : forms::allWindows()) {
        ui::LiveWindow* live = runtime->open(form.id);
        ASSERT_NE(live, nullptr);
        // The main window's title holds the place of its unsaved-changes mark.
        EXPECT_EQ(QString(live->windowTitle()).remove(QStringLiteral("[*]")), fromUtf8(form.title));
        for (std::size_t i = 0; i < form.units.size(); ++i) {
            const forms::Unit& unit = form.units[i];
            SCOPED_TRACE(std::string(unit.name));
            QWidget* widget = live->control(static_cast<int>(i));
            ASSERT_NE(widget, nullptr);
            // The main window's pages sit in a scroll area at the page control's place in the form.
            const bool scrolled = unit.kind == Kind::PageControl && live->formArea() != live;
            QWidget* placed = scrolled ? widget->parentWidget()->parentWidget() : widget;
            EXPECT_EQ(placed->geometry(), QRect(unit.rect.left, unit.rect.top, unit.rect.width, unit.rect.height));
            QWidget* container = !unit.parent.empty() ? live->controlByName(unit.parent)
                                 : unit.page >= 0     ? live->pageControl()->page(unit.page)
                                                      : live->formArea();
            EXPECT_EQ(placed->parentWidget(), container);
            EXPECT_FALSE(widget->isHidden());
            const QFont font = unit.kind == Kind::PageControl ? static_cast<ui::PageControl*>(widget)->tabBar()->font()
                                                              : widget->font();
            EXPECT_EQ(font.pixelSize(), pixelsOf(unit.font));
            EXPECT_EQ(font.bold(), unit.font.bold);
            const QString caption = fromUtf8(unit.caption);
            switch (unit.kind) {
            case Kind::EditBox:
                if (unit.multiline) {
                    auto* edit = qobject_cast<QPlainTextEdit*>(widget);
                    ASSERT_NE(edit, nullptr);
                    EXPECT_EQ(ui::editText(edit), caption);
                    EXPECT_EQ(edit->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn, unit.vscroll);
                    EXPECT_EQ(edit->isReadOnly(), unit.disabled || unit.readOnly);
                } else {
                    auto* edit = qobject_cast<QLineEdit*>(widget);
                    ASSERT_NE(edit, nullptr);
                    EXPECT_EQ(edit->text(), caption);
                    EXPECT_EQ(edit->isEnabled(), !unit.disabled);
                }
                if (unit.colour != forms::kDefaultColour) {
                    EXPECT_EQ(ui::ReadableColour::formColourOf(widget), colourOf(unit.colour));
                }
                break;
            case Kind::Label: {
                auto* label = qobject_cast<QLabel*>(widget);
                ASSERT_NE(label, nullptr);
                EXPECT_EQ(label->text(), ui::toLf(caption));
                if (unit.colour != forms::kDefaultColour) {
                    EXPECT_EQ(ui::ReadableColour::formColourOf(label), colourOf(unit.colour));
                }
                break;
            }
            case Kind::Button:
                ASSERT_NE(qobject_cast<QPushButton*>(widget), nullptr);
                EXPECT_EQ(static_cast<QPushButton*>(widget)->text(), caption);
                break;
            case Kind::GroupBox:
                ASSERT_NE(qobject_cast<QGroupBox*>(widget), nullptr);
                EXPECT_EQ(static_cast<QGroupBox*>(widget)->title(), caption);
                break;
            case Kind::ComboBox: {
                auto* combo = qobject_cast<QComboBox*>(widget);
                ASSERT_NE(combo, nullptr);
                ASSERT_EQ(combo->count(), static_cast<int>(unit.items.size()));
                for (int k = 0; k < combo->count(); ++k)
                    EXPECT_EQ(combo->itemText(k), fromUtf8(unit.items[static_cast<std::size_t>(k)]));
                EXPECT_EQ(combo->currentIndex(), -1);
                EXPECT_EQ(combo->isEditable(), unit.editable);
                if (unit.editable) {
                    // Typed text stays as typed: no completion, nothing added to the list.
                    EXPECT_EQ(combo->completer(), nullptr);
                    EXPECT_EQ(combo->insertPolicy(), QComboBox::NoInsert);
                    EXPECT_EQ(combo->currentText(), QString());
                }
                break;
            }
            case Kind::CheckBox: {
                auto* box = qobject_cast<QCheckBox*>(widget);
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(box->text(), caption);
                EXPECT_EQ(box->isChecked(), unit.checked);
                break;
            }
            case Kind::PageControl: {
                QTabBar* tabs = static_cast<ui::PageControl*>(widget)->tabBar();
                ASSERT_EQ(tabs->count(), static_cast<int>(unit.items.size()));
                for (int k = 0; k < tabs->count(); ++k)
                    EXPECT_EQ(tabs->tabText(k), fromUtf8(unit.items[static_cast<std::size_t>(k)]));
                EXPECT_EQ(tabs->currentIndex(), 0);
                break;
            }
            case Kind::PicBox:
                if (unit.picture == forms::Picture::ItemTooltip)
                    EXPECT_NE(dynamic_cast<ui::TooltipView*>(widget), nullptr);
                else
                    EXPECT_NE(dynamic_cast<ui::PictureBox*>(widget), nullptr);
                break;
            case Kind::Window: FAIL() << "a window row among the controls"; break;
            }
        }
    }
}

TEST_F(Loader, PageControlsSitBelowTheTabRowAndOnlyTheCurrentPageShows) {
    ui::PageControl* pages = main->pageControl();
    ASSERT_NE(pages, nullptr);
    const int tabRow = pages->tabBar()->geometry().bottom();
    const forms::Window& form = main->form();
    for (std::size_t i = 0; i < form.units.size(); ++i) {
        const forms::Unit& unit = form.units[i];
        if (unit.page < 0 || !unit.parent.empty()) continue;
        QWidget* widget = main->control(static_cast<int>(i));
        EXPECT_EQ(widget->mapTo(pages, QPoint(0, 0)), QPoint(unit.rect.left, unit.rect.top)) << unit.name;
        EXPECT_GT(unit.rect.top, tabRow) << unit.name << " under the tab row";
    }
    for (int page = 0; page < pages->count(); ++page) {
        pages->tabBar()->setCurrentIndex(page);
        for (int other = 0; other < pages->count(); ++other)
            EXPECT_EQ(pages->page(other)->isVisibleTo(main), other == page);
    }
}

TEST_F(Loader, EveryWindowShowsAllItsControlsWhole) {
    for (const forms::Window& form : forms::allWindows()) {
        ui::LiveWindow* live = runtime->open(form.id);
        for (std::size_t i = 0; i < form.units.size(); ++i) {
            QWidget* widget = live->control(static_cast<int>(i));
            const QRect inWindow(widget->mapTo(live, QPoint(0, 0)), widget->size());
            EXPECT_TRUE(live->rect().contains(inWindow)) << form.units[i].name;
        }
    }
}

// The menu bar and the status bar add to the main window's height; the form keeps its own
// area between them, the size of the form, and every control keeps its form coordinates.
TEST_F(Loader, TheMainWindowsMenusAndStatusBarFrameTheFormWithoutMovingIt) {
    QWidget* area = main->formArea();
    ASSERT_NE(area, main);
    ASSERT_NE(main->menuBar(), nullptr);
    ASSERT_NE(main->statusBar(), nullptr);
    main->show();
    QCoreApplication::processEvents();
    const QRect bar = main->menuBar()->geometry();
    const QRect status = main->statusBar()->geometry();
    const QRect shown(main->formScroll()->mapTo(main, QPoint(0, 0)), main->formScroll()->size());
    EXPECT_EQ(shown.y(), bar.bottom() + 1);
    EXPECT_EQ(status.y(), shown.bottom() + 1);
    EXPECT_EQ(main->height(), bar.height() + shown.height() + status.height());
    // The outer size is the form's plus the two bars: the form area is the client area the
    // form's frame leaves, all of it shown.
    const QMargins frame = main->windowHandle()->frameMargins();
    EXPECT_EQ(area->height(), main->form().rect.height - frame.top() - frame.bottom());
    EXPECT_EQ(area->width(), main->form().rect.width - frame.left() - frame.right());
    EXPECT_EQ(main->formScroll()->viewport()->size(), area->size());
    const QStringList menus = [&] {
        QStringList titles;
        for (QAction* action : main->menuBar()->actions()) titles << action->text();
        return titles;
    }();
    EXPECT_EQ(menus, QStringList({"文件(&F)", "编辑(&E)", "服务器(&S)", "视图(&V)", "帮助(&H)"}));
    for (const char* name : {"编辑框20", "按钮20", "高级选择夹1", "编辑框19"}) {
        const forms::Unit& unit = main->form().units[static_cast<std::size_t>(main->unitIndex(name))];
        EXPECT_EQ(main->controlByName(name)->mapTo(area, QPoint(0, 0)), QPoint(unit.rect.left, unit.rect.top)) << name;
    }
}

// A caption that does not fit its label would show cut off.
TEST_F(Loader, NoLabelCutsItsCaption) {
    for (const forms::Window& form : forms::allWindows()) {
        ui::LiveWindow* live = runtime->open(form.id);
        for (std::size_t i = 0; i < form.units.size(); ++i) {
            auto* label = dynamic_cast<ui::CaptionLabel*>(live->control(static_cast<int>(i)));
            if (label == nullptr || label->height() == 0) continue;
            label->fitCaption();  // as its first showing would
            const QRect needed =
                QFontMetrics(label->font())
                    .boundingRect(label->rect(), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignVCenter, label->text());
            EXPECT_TRUE(label->rect().adjusted(0, -2, 0, 2).contains(needed))
                << form.units[i].name << " needs " << needed.width() << "x" << needed.height();
        }
    }
}

TEST_F(Loader, TabFollowsReadingOrderAndFieldsAreNamedByTheirLabels) {
    ui::PageControl* pages = main->pageControl();
    pages->setCurrentIndex(1);
    // On the attribute page: 基本伤害's field, its button, then the next row; the read-only note
    // to their right is out of the Tab chain.
    auto nextTab = [](QWidget* widget) {
        do widget = widget->nextInFocusChain();
        while (!(widget->focusPolicy() & Qt::TabFocus));
        return widget;
    };
    QWidget* damage = main->controlByName("编辑框2");
    EXPECT_EQ(nextTab(damage), main->controlByName("按钮1"));
    EXPECT_EQ(nextTab(main->controlByName("按钮1")), main->controlByName("编辑框3"));
    EXPECT_EQ(nextTab(main->controlByName("编辑框3")), main->controlByName("按钮3"));
    EXPECT_EQ(damage->accessibleName(), QStringLiteral("基本伤害"));
    EXPECT_EQ(main->controlByName("编辑框13")->accessibleName(), QStringLiteral("暴击几率（%）"));
    EXPECT_EQ(main->controlByName("组合框3")->accessibleName(), QStringLiteral("附魔特效："));
}

}  // namespace
