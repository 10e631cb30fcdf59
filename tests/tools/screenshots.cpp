// Writes a picture of every window and every page of the main window, for looking at the
// editor under a given palette and scale without a display:
//   QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 screenshots OUTDIR [--dark]
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QPixmap>
#include <QStyle>
#include <QTemporaryDir>
#include <cstdio>

#include "actions/panels.h"
#include "dark_palette.h"
#include "forms/windows.h"
#include "ui/entries/entry_editor.h"
#include "ui/entries/entry_list.h"
#include "ui/files/diff_view.h"
#include "ui/files/panel_documents.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/panels/panel.h"
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
    // The entries of a socket file beside the form, one loaded into the "宝石" page.
    ui::LiveWindow* main = editor.main();
    ui::replacePanelText(
        editor.documents().panel(actions::Panel::Config),
        QStringLiteral(
            "ruby:\n  Keylore: \"&7镶嵌后增加攻击\"\n  Display_Name: \"&c&l红宝石\"\n  Material: \"REDSTONE\"\n"
            "  Shiny: true\n  Max_Grade: 3\n  Type_Item: \"物品和武器\"\n  Base_Success_Rate: 60\n"
            "  Scale_Success_Rate: -8\n  Bonus_Base_Hit_Rate: 3\n"
            "jade:\n  Display_Name: \"&a翡翠\"\n  Max_Grade: 2\n  Shiny: false\n"
            "topaz:\n  Display_Name: \"&x&f&f&a&a&0&0黄玉\"\n  Max_Grade: 4\n  Shiny: true\n"
            "fire:\n  Keylore: \"&c火焰\"\n  Scale_Base_Additional_Damage: 2\n  Scale_Percent_Damage: 5\n"
            "  Resistance:\n    water: -10\n"
            "opal:\n  Max_Grade: 1\n"
            "settings:\n  debug: false\n"));
    if (QWidget* list = main->findChild<ui::EntryList*>()) main->showPanel(list, true);
    editor.entries().load(QStringLiteral("ruby"));
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    main->grab().save(out.filePath(QStringLiteral("entries.png")));
    // What a save would change in a file, underscores and colour codes and all.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("sockets.yml"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("ruby:\n  Display_Name: \"&c&l红宝石\"\n  Max_Grade: 3\n  Base_Success_Rate: 60\n");
    file.close();
    ui::DiffView* diff = ui::DiffView::show(
        main, path, storage::Encoding::Utf8,
        QStringLiteral("ruby:\n  Display_Name: \"&c&l红宝石\"\n  Max_Grade: 5\n  Base_Success_Rate: 70\n"));
    for (int i = 0; i < 200 && !diff->isLoaded(); ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);
    diff->grab().save(out.filePath(QStringLiteral("diff.png")));
    return 0;
}
