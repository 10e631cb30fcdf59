// Writes a picture of every window and every page of the main window, for looking at the
// editor under a given palette and scale without a display:
//   QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 screenshots OUTDIR [--dark]
#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QPixmap>
#include <QStyle>
#include <cstdio>

#include "dark_palette.h"
#include "forms/windows.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/shell/application.h"
#include "ui/shell/editor.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: screenshots OUTDIR [--dark]\n");
        return 2;
    }
    const QDir out(args[1]);
    if (args.contains(QStringLiteral("--dark"))) QApplication::setPalette(testing_support::darkPalette());
    ui::Editor editor;
    ui::Runtime& runtime = editor.runtime();
    for (const forms::Window& form : forms::allWindows()) {
        ui::LiveWindow* live = runtime.open(form.id);
        live->show();
        QApplication::processEvents();
        if (ui::PageControl* pages = live->pageControl()) {
            for (int page = 0; page < pages->count(); ++page) {
                pages->setCurrentIndex(page);
                QApplication::processEvents();
                live->grab().save(out.filePath(QStringLiteral("main-page%1.png").arg(page)));
            }
        } else {
            live->grab().save(out.filePath(QStringLiteral("window-%1.png").arg(form.id, 0, 16)));
        }
    }
    return 0;
}
