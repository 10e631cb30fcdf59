// The main window on the screen it opens on, whatever its size and scale (ctest runs these
// under several screens): it fits the room the screen leaves, every control of the column
// beside the pages shows, and the pages scroll for what does not fit.
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
