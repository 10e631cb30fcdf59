// The main window on the screen it opens on, whatever its size and scale (ctest runs these
// under several screens): it fits the room the screen leaves, every control of the column
// beside the pages shows, and the pages scroll for what does not fit.
#include <QDockWidget>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QWindow>

#include "ui/loader/controls.h"
#include "ui_test_support.h"

namespace {

class SmallScreen : public testing_support::EditorTest {};

TEST_F(SmallScreen, TheWindowFitsTheScreenAndEveryControlStaysReachable) {
    main->show();
    main->fitToForm();
    QCoreApplication::processEvents();
    const QRect available = main->screen()->availableGeometry();
    SCOPED_TRACE(QStringLiteral("screen %1x%2").arg(available.width()).arg(available.height()).toStdString());
    EXPECT_TRUE(available.contains(main->frameGeometry()))
        << main->frameGeometry().width() << "x" << main->frameGeometry().height();
    EXPECT_TRUE(main->rect().contains(main->statusBar()->geometry()));
    // The column beside the pages: both panels and their buttons inside the form area, clear
    // of the pages' scroll area.
    auto* pages = qobject_cast<QScrollArea*>(main->pageControl()->parentWidget()->parentWidget());
    ASSERT_NE(pages, nullptr);
    for (const char* name : {"编辑框1", "按钮2", "按钮4", "编辑框20", "按钮19", "按钮20"}) {
        QWidget* control = main->controlByName(name);
        EXPECT_TRUE(main->formArea()->rect().contains(control->geometry())) << name;
        EXPECT_FALSE(control->geometry().intersects(pages->geometry())) << name;
        EXPECT_GE(control->height(), 20) << name;
    }
    // What the pages' room does not show, they scroll to: the last control of the gem page.
    main->pageControl()->setCurrentIndex(4);
    QWidget* last = main->controlByName("按钮51");
    pages->ensureWidgetVisible(last);
    const QRect shown(pages->viewport()->mapTo(main, QPoint(0, 0)), pages->viewport()->size());
    EXPECT_TRUE(shown.contains(QRect(last->mapTo(main, QPoint(0, 0)), last->size())));
    EXPECT_EQ(pages->verticalScrollBar()->maximum() > 0, pages->viewport()->height() < main->pageControl()->height());
}

}  // namespace

namespace {

// With or without the docked panels taking room from the form: no label of the form overlaps
// a button, on any page.
TEST_F(SmallScreen, NoLabelOverlapsAButtonWhateverTheRoom) {
    main->show();
    main->fitToForm();
    QCoreApplication::processEvents();
    main->buildAllPages();
    for (const QString& panel : {QString(), QStringLiteral("entries"), QStringLiteral("replies")}) {
        for (QDockWidget* dock : main->docks()) main->showPanel(dock->widget(), dock->objectName() == panel);
        QCoreApplication::processEvents();
        SCOPED_TRACE(("with " + (panel.isEmpty() ? QStringLiteral("no panel") : panel)).toStdString());
        const forms::Window& form = main->form();
        for (std::size_t i = 0; i < form.units.size(); ++i) {
            if (form.units[i].kind != forms::Kind::Label) continue;
            QWidget* label = main->builtControl(static_cast<int>(i));
            if (label == nullptr || label->isHidden()) continue;
            const QRect at(label->mapTo(main, QPoint(0, 0)), label->size());
            for (std::size_t j = 0; j < form.units.size(); ++j) {
                if (form.units[j].kind != forms::Kind::Button || form.units[j].page != form.units[i].page) continue;
                QWidget* button = main->builtControl(static_cast<int>(j));
                if (button == nullptr || button->isHidden()) continue;
                const QRect other(button->mapTo(main, QPoint(0, 0)), button->size());
                EXPECT_FALSE(at.intersects(other)) << form.units[i].name << " overlaps " << form.units[j].name;
            }
        }
    }
}

}  // namespace
