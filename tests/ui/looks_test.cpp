// How the windows look: every text readable on its background under a light and a dark
// palette, pictures drawn at the screen's pixel ratio, and the window sizes.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>
#include <memory>

#include "actions/panels.h"
#include "dark_palette.h"
#include "text/contrast.h"
#include "ui/base/pictures.h"
#include "ui/base/readable_colour.h"
#include "ui/files/diff_view.h"
#include "ui/loader/controls.h"
#include "ui_test_support.h"

namespace {

using forms::Kind;

text::Rgb rgbOf(const QColor& c) {
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

class Looks : public testing_support::EditorTest {
protected:
    void TearDown() override {
        QApplication::setPalette(QApplication::style()->standardPalette());
        EditorTest::TearDown();
    }

    // The text and background colours a control draws with.
    static std::pair<QColor, QColor> colours(const forms::Unit& unit, QWidget* widget) {
        const QPalette& p = widget->palette();
        switch (unit.kind) {
        case Kind::EditBox:
        case Kind::ComboBox: return {p.color(QPalette::Text), p.color(QPalette::Base)};
        case Kind::Button: return {p.color(QPalette::ButtonText), p.color(QPalette::Button)};
        default: return {p.color(QPalette::WindowText), p.color(QPalette::Window)};
        }
    }

    void expectEveryTextReadable(const char* scheme) {
        for (const forms::Window& form : forms::allWindows()) {
            ui::LiveWindow* live = runtime->open(form.id);
            live->buildAllPages();
            for (std::size_t i = 0; i < form.units.size(); ++i) {
                const forms::Unit& unit = form.units[i];
                if (unit.kind == Kind::PicBox || unit.kind == Kind::PageControl || unit.caption.empty()) continue;
                QWidget* widget = live->control(static_cast<int>(i));
                const auto [textColour, background] = colours(unit, widget);
                const double ratio = text::contrastRatio(rgbOf(textColour), rgbOf(background));
                EXPECT_GE(ratio, text::kReadableContrast)
                    << scheme << ": " << form.title << " " << unit.name << " draws " << textColour.name().toStdString()
                    << " on " << background.name().toStdString();
            }
        }
    }
};

TEST_F(Looks, EveryTextIsReadableUnderALightAndADarkPalette) {
    expectEveryTextReadable("light");
    QApplication::setPalette(testing_support::darkPalette());
    expectEveryTextReadable("dark");
    // The form's own colours keep their hue: the notice line stays red, the notes red and pink.
    QWidget* notice = main->controlByName("编辑框19");
    EXPECT_EQ(ui::ReadableColour::formColourOf(notice), QColor(0xff, 0, 0));
    const QColor drawn = notice->palette().color(QPalette::Text);
    EXPECT_EQ(drawn.hue(), 0);
    EXPECT_GT(drawn.red(), drawn.green());
    // The introduction is drawn on the window's own (dark) colour, not on a light box.
    QWidget* intro = main->controlByName("编辑框21");
    ASSERT_NE(intro, nullptr);
    EXPECT_EQ(intro->palette().color(QPalette::Base), QColor(0x35, 0x35, 0x35));
    // in the scheme's own text colour, not a grey made just readable on it.
    EXPECT_EQ(intro->palette().color(QPalette::Text), QColor(0xee, 0xee, 0xee));
    // And back to light: the colours follow the palette again.
    QApplication::setPalette(QApplication::style()->standardPalette());
    expectEveryTextReadable("light again");
    EXPECT_EQ(intro->palette().color(QPalette::Text), QApplication::palette().color(QPalette::WindowText));
}

// A list opens as wide as its longest item (the enchantments' "PROTECTION_EXPLOSIONS"), on
// every window; the box itself keeps its place.
TEST_F(Looks, EveryListOpensWideEnoughForItsLongestItem) {
    int lists = 0;
    for (const forms::Window& form : forms::allWindows()) {
        ui::LiveWindow* live = runtime->open(form.id);
        live->buildAllPages();
        live->show();
        for (auto* combo : live->findChildren<QComboBox*>()) {
            if (combo->count() == 0 || live->unitIndex(combo->objectName().toStdString()) < 0) continue;
            const int width = combo->width();
            int widest = 0;
            for (int i = 0; i < combo->count(); ++i)
                widest = std::max(widest, combo->view()->fontMetrics().horizontalAdvance(combo->itemText(i)));
            combo->showPopup();
            EXPECT_GE(combo->view()->viewport()->width(), widest)
                << form.title << " " << combo->objectName().toStdString();
            combo->hidePopup();
            EXPECT_EQ(combo->width(), width);
            ++lists;
        }
    }
    EXPECT_GT(lists, 10);
}

// YAML is read by its indentation: the configuration panels do not wrap a long line to the
// left edge; the command panel wraps as before.
TEST_F(Looks, YamlPanelsScrollSidewaysAndCommandPanelsWrap) {
    for (const actions::PanelRow& row : actions::panels()) {
        ui::LiveWindow* live = runtime->open(row.window);
        auto* edit = qobject_cast<QPlainTextEdit*>(live->controlByName(row.name));
        ASSERT_NE(edit, nullptr) << row.name;
        EXPECT_EQ(edit->lineWrapMode(), row.check == actions::CheckRules::Configuration ? QPlainTextEdit::NoWrap
                                                                                        : QPlainTextEdit::WidgetWidth)
            << row.name;
    }
}

TEST_F(Looks, GroupBoxFramesRunThroughTheTitleAndNoControlInsideCrossesThem) {
    for (const forms::Window& form : forms::allWindows()) {
        ui::LiveWindow* live = runtime->open(form.id);
        live->buildAllPages();
        for (std::size_t i = 0; i < form.units.size(); ++i) {
            auto* box = qobject_cast<QGroupBox*>(live->control(static_cast<int>(i)));
            if (box == nullptr || box->title().isEmpty()) continue;
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = box->title();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect label =
                box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
            const QRect frame =
                box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, box);
            EXPECT_EQ(frame.top(), label.center().y()) << form.title << " " << form.units[i].name;
            for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (child->objectName().startsWith(QStringLiteral("status:"))) continue;  // the title row's status
                EXPECT_GT(child->geometry().top(), frame.top())
                    << form.title << " " << child->objectName().toStdString() << " crosses the frame of "
                    << form.units[i].name;
            }
        }
    }
}

TEST_F(Looks, PicturesAreDrawnAtTheScreensPixelRatio) {
    // Drawn at twice the pixels, the picture has detail that the 1x one stretched has not.
    const QSize size(304, 80);
    const QPixmap sharp = ui::drawPicture(forms::Picture::Banner, size, 2.0);
    EXPECT_EQ(sharp.size(), size * 2);
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    const QImage stretched = ui::drawPicture(forms::Picture::Banner, size, 1.0).toImage().scaled(size * 2);
    EXPECT_NE(sharp.toImage().convertToFormat(stretched.format()), stretched);
    // Each picture box draws at the ratio of the screen it is on (2 under QT_SCALE_FACTOR=2,
    // which the suite runs once more with).
    for (const forms::Window& form : forms::allWindows()) {
        ui::LiveWindow* live = runtime->open(form.id);
        live->buildAllPages();
        live->show();
        for (std::size_t i = 0; i < form.units.size(); ++i) {
            auto* box = dynamic_cast<ui::PictureBox*>(live->control(static_cast<int>(i)));
            if (box == nullptr || box->width() == 0 || box->height() == 0) continue;
            box->grab();  // paints it
            EXPECT_EQ(box->drawn().devicePixelRatio(), box->devicePixelRatioF()) << form.units[i].name;
            EXPECT_EQ(box->drawn().size(), (QSizeF(box->size()) * box->devicePixelRatioF()).toSize())
                << form.units[i].name;
        }
    }
}

TEST_F(Looks, ExtraRoomGoesToThePanelsAndLessRoomScrollsThePages) {
    main->show();
    main->fitToForm();
    const QSize form = main->size();
    QWidget* commands = main->controlByName("编辑框1");
    QWidget* config = main->controlByName("编辑框20");
    const QRect commandsBefore = commands->geometry();
    const QRect configBefore = config->geometry();
    const QRect copyBefore = main->controlByName("按钮2")->geometry();
    const QRect clearConfigBefore = main->controlByName("按钮20")->geometry();
    QWidget* pages = main->pageControl()->parentWidget()->parentWidget();  // its scroll area
    const QRect pagesBefore = pages->geometry();
    main->resize(form + QSize(200, 100));
    EXPECT_EQ(commands->geometry(), commandsBefore.adjusted(0, 0, 200, 50));
    EXPECT_EQ(config->geometry(), configBefore.adjusted(0, 50, 200, 100));
    EXPECT_EQ(main->controlByName("按钮2")->geometry(), copyBefore.translated(200, 0));
    EXPECT_EQ(main->controlByName("按钮20")->geometry(), clearConfigBefore.translated(200, 100));
    EXPECT_EQ(pages->geometry(), pagesBefore);
    // No control reaches past the window, and back at the form's size all is as the form says.
    for (QWidget* child : main->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(main->rect().contains(child->geometry())) << child->objectName().toStdString();
    }
    // Smaller than the form: the panels give room down to a usable size, the pages scroll, and
    // every control of the column beside them stays inside the window.
    EXPECT_LT(main->minimumHeight(), form.height() - 250);
    main->resize(form - QSize(300, 250));
    EXPECT_EQ(main->size(), form - QSize(300, 250));
    EXPECT_EQ(pages->height(), pagesBefore.height() - 250);
    EXPECT_LT(pages->width(), pagesBefore.width());
    EXPECT_GT(commands->height(), 80);
    for (const char* name : {"按钮2", "按钮4", "按钮19", "按钮20", "编辑框1", "编辑框20", "编辑框23"}) {
        QWidget* control = main->controlByName(name);
        EXPECT_TRUE(main->formArea()->rect().contains(control->geometry())) << name;
        EXPECT_FALSE(control->geometry().intersects(pages->geometry())) << name;
    }
    main->resize(form);
    EXPECT_EQ(commands->geometry(), commandsBefore);
    EXPECT_EQ(config->geometry(), configBefore);
    EXPECT_EQ(pages->geometry(), pagesBefore);

    ui::LiveWindow* passive = runtime->open(forms::kPassiveSkillWindowId);
    passive->show();
    passive->fitToForm();
    QWidget* panel = passive->controlByName("编辑框1");
    const QRect panelBefore = panel->geometry();
    const QRect copy = passive->controlByName("按钮1")->geometry();
    passive->resize(passive->size() + QSize(40, 60));
    EXPECT_EQ(panel->geometry(), panelBefore.adjusted(0, 0, 40, 60));
    EXPECT_EQ(passive->controlByName("按钮1")->geometry(), copy.translated(0, 60));
}

// The editor's style reads a standard icon when it is first drawn; drawn, it is Fusion's own,
// also from a copy made for a widget that is gone since.
TEST_F(Looks, StandardIconsAreFusionsOwnWhenDrawn) {
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    for (const QStyle::StandardPixmap which :
         {QStyle::SP_LineEditClearButton, QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_MessageBoxWarning,
          QStyle::SP_DialogOkButton, QStyle::SP_ArrowLeft}) {
        SCOPED_TRACE(static_cast<int>(which));
        const QIcon expected = fusion->standardIcon(which);
        QIcon copy;
        {
            QWidget owner;
            const QIcon icon = QApplication::style()->standardIcon(which, nullptr, &owner);
            copy = icon;
            EXPECT_FALSE(icon.isNull());
            EXPECT_EQ(icon.availableSizes(), expected.availableSizes());
            for (const QSize size : {QSize(16, 16), QSize(32, 32), QSize(20, 10)})
                EXPECT_EQ(icon.actualSize(size), expected.actualSize(size));
        }
        EXPECT_EQ(copy.pixmap(QSize(16, 16)).toImage(), expected.pixmap(QSize(16, 16)).toImage());
        EXPECT_EQ(copy.pixmap(QSize(16, 16)).devicePixelRatio(), expected.pixmap(QSize(16, 16)).devicePixelRatio());
        EXPECT_EQ(copy.pixmap(QSize(24, 24), 1.5).toImage(), expected.pixmap(QSize(24, 24), 1.5).toImage());
        EXPECT_EQ(copy.pixmap(QSize(16, 16), QIcon::Disabled).toImage(),
                  expected.pixmap(QSize(16, 16), QIcon::Disabled).toImage());
    }
}

TEST_F(Looks, QtsOwnMenusSpeakChinese) {
    auto* field = main->findChild<QLineEdit*>(QStringLiteral("编辑框2"));
    if (field == nullptr) field = qobject_cast<QLineEdit*>(main->controlByName("编辑框2"));
    ASSERT_NE(field, nullptr);
    std::unique_ptr<QMenu> menu(field->createStandardContextMenu());
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) texts << action->text();
    EXPECT_FALSE(texts.join(QLatin1Char(' ')).contains(QStringLiteral("Undo")));
    const QString all = texts.join(QLatin1Char(' '));
    EXPECT_TRUE(all.contains(QStringLiteral("粘贴")) && all.contains(QStringLiteral("全选"))) << all.toStdString();
}

}  // namespace

namespace {

// "比较" on a dark palette: each changed line readable on its own ground, and an underscore
// that hangs below the line is drawn on that ground, not on the row under it or the window's.
TEST_F(Looks, TheDiffsRowsAreReadableAndKeepTheirUnderscores) {
    QApplication::setPalette(testing_support::darkPalette());
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("a.yml"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("ruby:\n  Max_Grade: 3\n");
    file.close();
    ui::DiffView* view =
        ui::DiffView::show(main, path, storage::Encoding::Utf8, QStringLiteral("ruby:\n  Max_Grade: 5\n"));
    QElapsedTimer timer;
    timer.start();
    while (!view->isLoaded() && timer.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(view->isLoaded());
    EXPECT_GE(text::contrastRatio(rgbOf(ui::DiffView::kRemovedInk), rgbOf(ui::DiffView::kRemovedGround)),
              text::kReadableContrast);
    EXPECT_GE(text::contrastRatio(rgbOf(ui::DiffView::kAddedInk), rgbOf(ui::DiffView::kAddedGround)),
              text::kReadableContrast);
    QTextEdit* lines = view->lines();
    lines->resize(400, 200);
    const QImage shot = lines->viewport()->grab().toImage();
    // The underscore of "Max_Grade" on each changed row: ink-coloured pixels right below the
    // letters' baseline, inside the row's ground.
    QTextCursor found = lines->document()->find(QStringLiteral("_"));
    int underscores = 0;
    while (!found.isNull()) {
        QTextCursor at(found);
        at.setPosition(found.selectionStart());
        const QRect glyph =
            lines->cursorRect(at).adjusted(0, 0, QFontMetrics(lines->font()).horizontalAdvance(u'_'), 4);
        // The underscore's ink on the pixel rows where the row's ground is (beside the glyph).
        const auto pixel = [&](int x, int y) {
            return shot.pixelColor(x * shot.width() / lines->viewport()->width(),
                                   y * shot.height() / lines->viewport()->height());
        };
        int darkest = 255;
        for (int y = glyph.top(); y <= glyph.bottom(); ++y) {
            if (pixel(glyph.left() - 3, y).lightness() < 180) continue;  // not the row's ground
            for (int x = glyph.left(); x <= glyph.right(); ++x) darkest = std::min(darkest, pixel(x, y).lightness());
        }
        underscores += darkest < 150 ? 1 : 0;

        found = lines->document()->find(QStringLiteral("_"), found);
    }
    EXPECT_EQ(underscores, 2);
    view->close();
}

}  // namespace
