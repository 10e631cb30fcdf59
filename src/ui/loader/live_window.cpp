#include "ui/loader/live_window.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QGuiApplication>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "actions/action.h"
#include "actions/feeds.h"
#include "forms/resizing.h"
#include "forms/windows.h"
#include "ui/base/fonts.h"
#include "ui/base/native_window.h"
#include "ui/base/text.h"
#include "ui/loader/controls.h"
#include "ui/loader/reading_order.h"
#include "ui/loader/widget_factory.h"

namespace ui {
namespace {

bool isContainer(forms::Kind kind) { return kind == forms::Kind::PageControl || kind == forms::Kind::GroupBox; }

// The room a window may take on its screen: the screen less its task bars, and at a fractional
// scale one logical pixel less on the right and at the bottom, where a window's last device
// pixel can round past the screen's edge.
QRect roomOn(const QScreen* screen, const QWidget* window) {
    QRect room = screen->availableGeometry();
    const qreal ratio = window->devicePixelRatioF();
    if (ratio != std::floor(ratio)) room.adjust(0, 0, -1, -1);
    return room;
}

// The window's frame on the screen, as the window system has it where it can say.
QRect outerPlace(const QWidget* window) {
    if (const std::optional<NativePlace> native = nativePlace(window))
        return native->client.marginsAdded(native->frame);
    return window->frameGeometry();
}

}  // namespace

QString hexId(std::uint32_t id) {
    return QStringLiteral("0x%1")
        .arg(id, 8, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QStringLiteral("0X"), QStringLiteral("0x"));
}

namespace {

// A screen reader hears each editor window as a window (AT-SPI "frame"), not as the filler a
// plain widget is.
QAccessibleInterface* windowInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("ui::LiveWindow") && object != nullptr && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

}  // namespace

LiveWindow::LiveWindow(const forms::Window& form, bool chrome) : QWidget(nullptr), form_(form) {
    static const bool roleTold = [] {
        QAccessible::installFactory(windowInterface);
        return true;
    }();
    (void)roleTold;
    setAttribute(Qt::WA_DeleteOnClose);
    // The form's controls sit on an area of their own, in a scroll area: on a screen smaller
    // than the form (a laptop at scale 2) the window fits the screen and the form scrolls.
    formArea_ = new QWidget(this);
    formArea_->setObjectName(QStringLiteral("formArea"));
    formArea_->installEventFilter(this);
    chrome_ = chrome;
    setWindowTitle(fromUtf8(form.title));
    setFont(unitFont({}));
    widgets_.assign(form.units.size(), nullptr);
    reading_ = actions::readingOf(form);
    for (std::size_t i = 0; i < form.units.size(); ++i) {
        byName_.emplace(form.units[i].name, static_cast<int>(i));
        byId_.insert(form.ids[i], static_cast<int>(i));
    }
    build(-1);
    if (pageControl_ != nullptr) {
        pageBuilt_.assign(static_cast<std::size_t>(pageControl_->count()), false);
        // A page's controls exist before the page is first shown.
        connect(pageControl_, &PageControl::aboutToShow, this, [this](int page) { build(page); });
        build(pageControl_->currentIndex());
    }
    addKeys();
    if (!chrome) {
        // A window with chrome puts its scroll area between its bars (addChrome).
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        formArea_->setMinimumSize(controlsExtent());
        makeFormScroll();
        layout->addWidget(formScroll_);
    }
    // A field reached with Tab is scrolled into view, in the form and in its page.
    focusFollower_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now == nullptr || !formArea_->isAncestorOf(now)) return;
        if (pageScroll_ != nullptr && pageScroll_->widget() != nullptr && pageScroll_->widget()->isAncestorOf(now))
            pageScroll_->ensureWidgetVisible(now, 8, 8);
        if (formScroll_ != nullptr) formScroll_->ensureWidgetVisible(now, 8, 8);
    });
    move(form.rect.left, form.rect.top);
    const QSize extent = controlsExtent();
    resize(std::max(form.rect.width, extent.width()), std::max(form.rect.height, extent.height()));
    if (pageControl_ != nullptr) connect(pageControl_, &PageControl::aboutToShow, this, &LiveWindow::changed);
}

// The docks go with the window's children, after this object's own members: nothing they say
// on the way (a dock hidden as its window goes) may reach them.
LiveWindow::~LiveWindow() {
    // QWidget's destructor hides the children, which moves the focus while this object's members
    // are gone; the application's signal must not reach the follower then.
    disconnect(focusFollower_);
    for (QDockWidget* dock : docks_) dock->toggleViewAction()->disconnect(this);
    docks_.clear();
}

void LiveWindow::makeFormScroll() {
    formScroll_ = new QScrollArea;
    formScroll_->setObjectName(QStringLiteral("formScroll"));
    formScroll_->setFrameShape(QFrame::NoFrame);
    formScroll_->setWidgetResizable(true);
    formScroll_->setWidget(formArea_);
    // A click on the form's ground (or a read-only notice) leaves the keyboard where it was.
    formScroll_->setFocusPolicy(Qt::NoFocus);
    formScroll_->viewport()->setAutoFillBackground(false);
}

void LiveWindow::addChrome(QMenuBar* menuBar, QStatusBar* statusBar) {
    if (!chrome_ || menuBar_ != nullptr) return;
    menuBar_ = menuBar;
    statusBar_ = statusBar;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    // The form area never shrinks below what its controls need, so none is cut off or moved;
    // when the room is smaller, the scroll area around it shows a part of it at a time.
    formArea_->setMinimumSize(controlsExtent());
    makeFormScroll();
    // The docked panels share the room with the form: a plain QMainWindow inside this window
    // (made a plain widget: a QMainWindow is a window of its own by default), for the docks'
    // separators, tabs and saved state.
    frame_ = new QMainWindow(this);
    frame_->setWindowFlags(Qt::Widget);
    frame_->setObjectName(QStringLiteral("dockFrame"));
    frame_->setDockOptions(QMainWindow::AllowTabbedDocks | QMainWindow::AllowNestedDocks);
    frame_->setCentralWidget(formScroll_);
    layout->addWidget(frame_, 1);
    layout->addWidget(statusBar);
    resize(width(), height() + chromeHeight());
}

// Their laid-out heights once the window is shown, their wishes before.
int LiveWindow::chromeHeight() const {
    int height = 0;
    for (QWidget* bar : {static_cast<QWidget*>(menuBar_), static_cast<QWidget*>(statusBar_)})
        if (bar != nullptr) height += bar->isVisible() ? bar->height() : bar->sizeHint().height();
    return height;
}

QDockWidget* LiveWindow::addDock(QWidget* panel, const QString& name, const QString& title, Qt::DockWidgetArea area) {
    if (frame_ == nullptr) return nullptr;
    auto* dock = new QDockWidget(title, frame_);
    dock->setObjectName(name);
    // Never floating: a floating dock is a window of its own that can end up off every screen.
    dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    dock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
    dock->setWidget(panel);
    frame_->addDockWidget(area, dock);
    dock->hide();
    docks_.push_back(dock);
    // The dock's own toggle is checked while the user has it shown, whether from a menu, its
    // close button or the session.
    connect(dock->toggleViewAction(), &QAction::toggled, this, [this, dock](bool shown) {
        dockToggled(dock, shown);
        emit panelToggled(dock->widget(), shown);
        emit changed();
    });
    return dock;
}

QDockWidget* LiveWindow::dockOf(const QWidget* panel) const {
    for (QDockWidget* dock : docks_)
        if (dock->widget() == panel) return dock;
    return nullptr;
}

void LiveWindow::showPanel(QWidget* panel, bool shown) {
    QDockWidget* dock = dockOf(panel);
    if (dock == nullptr || (dock->toggleViewAction()->isChecked() == shown && dock->isVisible() == shown)) return;
    dock->setVisible(shown);
    if (shown) dock->raise();  // the front tab of its group
}

bool LiveWindow::panelShown(const QWidget* panel) const {
    const QDockWidget* dock = dockOf(panel);
    return dock != nullptr && dock->toggleViewAction()->isChecked();
}

QByteArray LiveWindow::dockState() const { return frame_ != nullptr ? frame_->saveState() : QByteArray(); }

bool LiveWindow::restoreDockState(const QByteArray& state) {
    if (frame_ == nullptr) return false;
    restoringDocks_ = true;
    const bool restored = frame_->restoreState(state);
    restoringDocks_ = false;
    // Each dock has the size the user gave it.
    if (restored)
        for (QDockWidget* dock : docks_) firstShown_.insert(dock);
    return restored;
}

// The room the shown docks take beside and below the form, as they ask for it.
QSize LiveWindow::docksExtent() const {
    QSize extent(0, 0);
    bool side[2] = {false, false};
    bool bottom = false;
    for (const QDockWidget* dock : docks_) {
        if (!dock->toggleViewAction()->isChecked()) continue;
        const Qt::DockWidgetArea area = frame_->dockWidgetArea(const_cast<QDockWidget*>(dock));
        const QSize hint = dock->sizeHint();
        if (area == Qt::BottomDockWidgetArea) {
            if (!std::exchange(bottom, true)) extent.rheight() += hint.height();
        } else {
            bool& taken = side[area == Qt::LeftDockWidgetArea ? 0 : 1];
            if (!std::exchange(taken, true)) extent.rwidth() += hint.width();
        }
    }
    return extent;
}

// A dock the user shows takes its room from the form; the window grows for it first, as far as
// its screen has room (never past it), and gives that back when the dock is hidden again.
void LiveWindow::dockToggled(QDockWidget* dock, bool shown) {
    if (restoringDocks_ || !formSize_.isValid() || !isVisible() || isMaximized() || isFullScreen()) return;
    const Qt::DockWidgetArea area = frame_->dockWidgetArea(dock);
    const bool below = area == Qt::BottomDockWidgetArea;
    if (!shown) {
        const int grown = std::exchange(grownFor_[dock], 0);
        if (grown > 0)
            resize(below ? width() : std::max(minimumWidth(), width() - grown),
                   below ? std::max(minimumHeight(), height() - grown) : height());
        return;
    }
    // Another dock already shown on that side, or a tab of one: the room is there already.
    for (QDockWidget* other : docks_)
        if (other != dock && other->toggleViewAction()->isChecked() && frame_->dockWidgetArea(other) == area) return;
    const QScreen* shownOn = screen();
    if (shownOn == nullptr) return;
    const QRect room = roomOn(shownOn, this);
    const QRect outer = outerPlace(this);
    // The dock and the separator that lets the user resize it.
    const QSize hint = dock->sizeHint();
    const int separator = frame_->style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, frame_);
    const int wanted = (below ? hint.height() : hint.width()) + separator;
    const int spare = below ? room.height() - outer.height() : room.width() - outer.width();
    const int grow = std::clamp(wanted, 0, std::max(0, spare));
    grownFor_[dock] = grow;
    if (grow > 0) {
        resize(width() + (below ? 0 : grow), height() + (below ? grow : 0));
        // The window system has the new size only later: the frame is kept on the room as it
        // will be.
        const QRect grown = outer.adjusted(0, 0, below ? 0 : grow, below ? grow : 0);
        const int x = std::clamp(grown.left(), room.left(), std::max(room.left(), room.right() + 1 - grown.width()));
        const int y = std::clamp(grown.top(), room.top(), std::max(room.top(), room.bottom() + 1 - grown.height()));
        if (x != grown.left() || y != grown.top()) move(QPoint(x, y));
    }
    // Shown for the first time on a screen without room for it: a share of the window, not the
    // size it asks for, so that the form keeps the larger part.
    if (grow < wanted && firstShown_.insert(dock).second) {
        if (layout() != nullptr) layout()->activate();
        const int have = below ? frame_->height() : frame_->width();
        const QSize least = dock->minimumSizeHint();
        const int share = std::max(have * (below ? 35 : 30) / 100, below ? least.height() : least.width());
        frame_->resizeDocks({dock}, {std::min(wanted, share)}, below ? Qt::Vertical : Qt::Horizontal);
    }
}

void LiveWindow::keepOnScreen() {
    const QScreen* shown = screen();
    if (shown == nullptr) return;
    const QRect room = roomOn(shown, this);
    const QRect outer = outerPlace(this);
    if (room.contains(outer)) return;
    const int x = std::clamp(outer.left(), room.left(), std::max(room.left(), room.right() + 1 - outer.width()));
    const int y = std::clamp(outer.top(), room.top(), std::max(room.top(), room.bottom() + 1 - outer.height()));
    move(QPoint(x, y));
}

// Builds the units of one page (-1: the window's own). Containers first: the controls drawn
// over them come later and so stay on top and take their own clicks, whatever the order of
// the form's rows.
void LiveWindow::build(int page) {
    if (page >= 0) {
        if (static_cast<std::size_t>(page) >= pageBuilt_.size() || pageBuilt_[static_cast<std::size_t>(page)]) return;
        pageBuilt_[static_cast<std::size_t>(page)] = true;
    }
    for (int pass = 0; pass < 2; ++pass)
        for (std::size_t i = 0; i < form_.units.size(); ++i)
            if (form_.units[i].page == page && isContainer(form_.units[i].kind) == (pass == 0)) create(i);
    const BuiltUnits units{form_, reading_, widgets_, pageControl_, this};
    setReadingTabOrder(units);
    nameUnits(units, page);
    if (page >= 0) emit pageBuilt(page);
}

// Esc closes a secondary window; Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDown and Ctrl+PgUp turn
// the pages, and the new page's first field takes the focus.
void LiveWindow::addKeys() {
    if (form_.id != forms::kMainWindowId) {
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        connect(escape, &QShortcut::activated, this, &QWidget::close);
    }
    if (pageControl_ == nullptr) return;
    const auto turn = [this](int step) {
        const int count = pageControl_->count();
        pageControl_->setCurrentIndex((pageControl_->currentIndex() + step + count) % count);
        focusFirstField();
    };
    const std::pair<QKeySequence, int> keys[] = {{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                                 {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
                                                 {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
                                                 {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                                                 {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}};
    for (const auto& [sequence, step] : keys) {
        auto* shortcut = new QShortcut(sequence, this);
        connect(shortcut, &QShortcut::activated, this, [turn, step = step] { turn(step); });
    }
}

void LiveWindow::focusFirstField() {
    const BuiltUnits units{form_, reading_, widgets_, pageControl_, this};
    QWidget* first = pageControl_ != nullptr ? firstInReadingOrder(units, pageControl_->currentIndex()) : nullptr;
    if (first == nullptr) first = firstInReadingOrder(units, -1);
    if (first != nullptr) first->setFocus(Qt::OtherFocusReason);
}

QString LiveWindow::fieldTip(int unitIndex) {
    if (unitIndex < 0 || static_cast<std::size_t>(unitIndex) >= form_.units.size()) return {};
    const std::string_view field = form_.units[static_cast<std::size_t>(unitIndex)].name;
    const actions::Action* action = actions::readerOf(form_.id, field);
    if (action == nullptr) return {};
    QStringList tip{fromUtf8(actions::lineFedBy(*action, inputsFor(*action), field))};
    for (const std::string& hint : actions::hintsFor(form_.id, field)) tip << fromUtf8(hint);
    tip.removeAll(QString());
    return tip.join(QLatin1Char('\n'));
}

actions::Inputs LiveWindow::inputsFor(const actions::Action& action) {
    actions::Inputs inputs;
    for (std::string_view name : action.texts) inputs.texts.push_back(toUtf8(editText(controlByName(name))));
    for (std::string_view name : action.selections) {
        auto* combo = qobject_cast<QComboBox*>(controlByName(name));
        inputs.selections.push_back(combo != nullptr ? combo->currentIndex() : -1);
    }
    for (std::string_view name : action.checks) {
        auto* box = qobject_cast<QCheckBox*>(controlByName(name));
        inputs.checks.push_back(box != nullptr && box->isChecked());
    }
    return inputs;
}

bool LiveWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == formArea_ && event->type() == QEvent::Resize) placeStretched();
    if (event->type() == QEvent::ToolTip) {
        const auto it = std::find(widgets_.begin(), widgets_.end(), watched);
        if (it != widgets_.end()) (*it)->setToolTip(fieldTip(static_cast<int>(it - widgets_.begin())));
    }
    return QWidget::eventFilter(watched, event);
}

void LiveWindow::buildAllPages() {
    for (std::size_t page = 0; page < pageBuilt_.size(); ++page) build(static_cast<int>(page));
}

QWidget* LiveWindow::containerOf(const forms::Unit& unit) {
    if (!unit.parent.empty()) {
        if (QWidget* group = controlByName(unit.parent)) return group;
    }
    if (unit.page >= 0 && pageControl_ != nullptr && unit.page < pageControl_->count())
        return pageControl_->page(unit.page);
    return formArea_;
}

void LiveWindow::create(std::size_t index) {
    const forms::Unit& unit = form_.units[index];
    QWidget* widget = makeWidget(unit, containerOf(unit));
    if (widget == nullptr) return;
    if (unit.kind == forms::Kind::PageControl) {
        pageControl_ = static_cast<PageControl*>(widget);
        // In a window with chrome the pages sit in a scroll area of their own size: when the
        // window is smaller than its form, they scroll and the panels keep what is left.
        if (chrome_) {
            pageRect_ = widget->geometry();
            pageScroll_ = new QScrollArea(formArea_);
            pageScroll_->setObjectName(QStringLiteral("pageScroll"));
            pageScroll_->setFrameShape(QFrame::NoFrame);
            pageScroll_->setWidgetResizable(false);
            pageScroll_->setGeometry(pageRect_);
            pageScroll_->setWidget(widget);
            pageScroll_->viewport()->setAutoFillBackground(false);
            widget->setAutoFillBackground(false);
        }
    }
    if (const actions::Action* reader = actions::readerOf(form_.id, unit.name)) {
        // A field that feeds a button says in its tooltip what it feeds, as it stands when asked.
        widget->installEventFilter(this);
        // Enter in a one-line field runs the button that reads it: type, Enter, type, Enter.
        if (auto* line = qobject_cast<QLineEdit*>(widget)) {
            const std::string_view button = reader->button;
            connect(line, &QLineEdit::returnPressed, this, [this, button] {
                if (auto* target = qobject_cast<QAbstractButton*>(controlByName(button))) target->click();
            });
        }
    }
    // The session keeps what the user typed and picked.
    if (auto* line = qobject_cast<QLineEdit*>(widget))
        connect(line, &QLineEdit::textChanged, this, &LiveWindow::changed);
    if (auto* multi = qobject_cast<QPlainTextEdit*>(widget))
        connect(multi->document(), &QTextDocument::contentsChanged, this, &LiveWindow::changed);
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        connect(combo, &QComboBox::currentIndexChanged, this, &LiveWindow::changed);
    if (unit.kind == forms::Kind::Button && unit.click != forms::Click::None) {
        const int unitIndex = static_cast<int>(index);
        connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, this,
                [this, unitIndex] { emit buttonClicked(unitIndex); });
    }
    widgets_[index] = widget;
}

QWidget* LiveWindow::control(int unitIndex) {
    if (unitIndex < 0 || static_cast<std::size_t>(unitIndex) >= widgets_.size()) return nullptr;
    const auto index = static_cast<std::size_t>(unitIndex);
    if (widgets_[index] == nullptr && form_.units[index].page >= 0) build(form_.units[index].page);
    return widgets_[index];
}

QWidget* LiveWindow::builtControl(int unitIndex) const {
    if (unitIndex < 0 || static_cast<std::size_t>(unitIndex) >= widgets_.size()) return nullptr;
    return widgets_[static_cast<std::size_t>(unitIndex)];
}

QWidget* LiveWindow::controlById(std::uint32_t unitId) { return control(unitIndexById(unitId)); }

QWidget* LiveWindow::controlByName(std::string_view name) { return control(unitIndex(name)); }

int LiveWindow::unitIndex(std::string_view name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? -1 : it->second;
}

int LiveWindow::unitIndexById(std::uint32_t unitId) const { return byId_.value(unitId, -1); }

int LiveWindow::unitIndexOf(const QWidget* widget) const {
    if (widget == nullptr) return -1;
    const auto it = std::find(widgets_.begin(), widgets_.end(), widget);
    return it == widgets_.end() ? -1 : static_cast<int>(it - widgets_.begin());
}

QSize LiveWindow::controlsExtent() const {
    QSize extent;
    for (const forms::Unit& unit : form_.units) {
        if (!unit.parent.empty() || unit.page >= 0) continue;  // inside a container
        extent = extent.expandedTo(QSize(unit.rect.left + unit.rect.width, unit.rect.top + unit.rect.height));
    }
    return extent;
}

void LiveWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!fitted_) {
        fitted_ = true;
        QTimer::singleShot(0, this, &LiveWindow::fitToForm);
        // Focus starts in the first field of the page shown, not in the notice line; once the
        // window is shown, as showing its pages moves the focus on.
        QTimer::singleShot(0, this, &LiveWindow::focusFirstField);
        // A window manager frames the window a moment after it is shown: once the frame's size
        // is known, the window's place and size are set right against it.
        QTimer::singleShot(0, this, &LiveWindow::settle);
        // Qt would show the program's name for an empty title.
        if (windowTitle().isEmpty()) setNativeTitle(this);
    }
}

void LiveWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) emit closed();
}

// Where the content is on the screen, as the window system has it (geometry() can be a step
// behind a window manager's move).
QRect LiveWindow::clientPlace() const {
    if (const std::optional<NativePlace> native = nativePlace(this)) return native->client;
    return {mapToGlobal(QPoint(0, 0)), size()};
}

void LiveWindow::settle() {
    const std::optional<NativePlace> native = nativePlace(this);
    // Not framed yet: asked again a moment later, for as long as a window manager may take on
    // a loaded machine. Without one (no frame ever comes), Qt's own view after that.
    if (!native && hasNativePlaces() && settleTries_ < kSettleTries) {
        ++settleTries_;
        QTimer::singleShot(100, this, &LiveWindow::settle);
        return;
    }
    // Looked at again a few times: a window manager carries out a move or a resize a moment
    // after it is asked, and may place a new window once more after framing it.
    if (settleChecks_ < kSettleChecks) {
        ++settleChecks_;
        QTimer::singleShot(250, this, &LiveWindow::settle);
    }
    const QScreen* shown = screen();
    if (shown == nullptr || isMaximized() || isFullScreen()) return;
    const QRect client = native ? native->client : QRect(mapToGlobal(QPoint(0, 0)), size());
    const QMargins frame =
        native ? native->frame
               : QMargins(frameGeometry().left() - client.left(), frameGeometry().top() - client.top(),
                          frameGeometry().right() - client.right(), frameGeometry().bottom() - client.bottom());
    const QRect room = roomOn(shown, this);
    QRect target = client;
    if (placed_ && !rescued_) {
        // The place was the content's: a window manager that took it for its frame's put the
        // content a frame lower and to the right. Moved back by the difference.
        if ((wanted_.topLeft() - client.topLeft()).manhattanLength() < 200) target.moveTopLeft(wanted_.topLeft());
        // Kept where the user had it, unless it is larger than the screen's room with its
        // frame (a session of a larger screen, or one saved before the frame was counted):
        // then the frame is brought onto the room as at a first start.
        if (target.width() + frame.left() + frame.right() <= room.width() &&
            target.height() + frame.top() + frame.bottom() <= room.height())
            return putAt(client, target, frame);
    }
    // The first start, or a place no screen showed: the frame, title bar included, on the
    // screen's room, now that its size is known.
    if (room.contains(target.marginsAdded(frame))) return putAt(client, target, frame);
    const QSize fits = target.size()
                           .boundedTo(room.size() - QSize(frame.left() + frame.right(), frame.top() + frame.bottom()))
                           .expandedTo(minimumSizeHint());
    const QRect outer = target.marginsAdded(frame);
    const QPoint wantedOuter(
        std::clamp(outer.left(), room.left(),
                   std::max(room.left(), room.right() + 1 - fits.width() - frame.left() - frame.right())),
        std::clamp(outer.top(), room.top(),
                   std::max(room.top(), room.bottom() + 1 - fits.height() - frame.top() - frame.bottom())));
    putAt(client, QRect(wantedOuter + QPoint(frame.left(), frame.top()), fits), frame);
}

// Moves and sizes the window whose content is at client now so that it is at target; a
// window's position is its frame's.
void LiveWindow::putAt(const QRect& client, const QRect& target, const QMargins& frame) {
    if (client == target) return;
    if (client.size() != target.size()) resize(target.size());
    if (client.topLeft() != target.topLeft()) move(target.topLeft() - QPoint(frame.left(), frame.top()));
}

void LiveWindow::placeAt(const QRect& client) {
    placed_ = true;
    // Exactly where it was while a screen shows enough of it to reach its title bar; on the
    // primary screen when none does (a monitor unplugged, a smaller screen), as large as that
    // screen's room at most.
    QRect place = client;
    bool reachable = false;
    for (const QScreen* candidate : QGuiApplication::screens()) {
        const QRect room = candidate->availableGeometry();
        const QRect top(client.left(), client.top(), client.width(), 1);
        reachable = reachable || (room.intersected(top).width() >= 100 && client.top() >= room.top());
    }
    QScreen* primary = QGuiApplication::primaryScreen();
    rescued_ = !reachable && primary != nullptr;
    if (rescued_) {
        const QRect room = primary->availableGeometry();
        place.setSize(client.size().boundedTo(room.size()));
        place.moveCenter(room.center());
    }
    wanted_ = place;
    setGeometry(place);
}

void LiveWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    emit changed();
}

void LiveWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (layout() != nullptr) layout()->activate();  // the form area takes its new size first
    placeStretched();
    emit changed();
}

void LiveWindow::fitToForm() {
    const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
    if (layout() != nullptr) layout()->activate();
    const QSize client(form_.rect.width - frame.left() - frame.right(),
                       form_.rect.height - frame.top() - frame.bottom());
    // The form's size (the outer size less the frame, and never less than the controls need)
    // is the size everything shows at; below it, the panels give room and the pages scroll, and
    // below the least of that the whole form scrolls in its frame.
    formSize_ = client.expandedTo(controlsExtent());
    formMinimum_ = pageScroll_ != nullptr
                       ? formSize_ - QSize(kPanelGive.width() + kPageGive.width(), kPanelGive.height())
                       : formSize_;
    formArea_->setMinimumSize(formMinimum_);
    // Else the session put it where the user had it.
    if (!placed_) {
        QSize wanted = formSize_ + docksExtent() + QSize(0, chromeHeight());
        // At first the window and its frame fit the room its screen leaves beside the task bars.
        if (const QScreen* shown = screen(); shown != nullptr) {
            const QRect available = roomOn(shown, this).marginsRemoved(frame);
            wanted = wanted.boundedTo(available.size()).expandedTo(minimumSizeHint());
            resize(wanted);
            keepOnScreen();
        } else {
            resize(wanted);
        }
    }
    placeStretched();
}

// Gives the room beyond the form's size to the output panels, and moves the controls that
// sit beside and below them along. With less room than the form's, the panels give what they
// can and the pages scroll for the rest.
void LiveWindow::placeStretched() {
    if (!formSize_.isValid()) return;
    const int dw = formArea_->width() - formSize_.width();
    const int dh = formArea_->height() - formSize_.height();
    if (pageScroll_ == nullptr || (dw >= 0 && dh >= 0)) {
        if (pageScroll_ != nullptr) pageScroll_->setGeometry(pageRect_);
        for (const forms::Stretch& row : forms::stretches()) {
            if (row.window != form_.id) continue;
            const int index = unitIndex(row.unit);
            QWidget* widget = index >= 0 ? widgets_[static_cast<std::size_t>(index)] : nullptr;
            if (widget == nullptr) continue;
            const forms::Rect r = forms::stretched(form_.id, form_.units[static_cast<std::size_t>(index)],
                                                   std::max(0, dw), std::max(0, dh));
            widget->setGeometry(r.left, r.top, r.width, r.height);
        }
        return;
    }
    // The panels' share of the lack, then the pages'.
    const int panelsWidth = dw >= 0 ? dw : -std::min(-dw, kPanelGive.width());
    const int pagesWidth = dw >= 0 ? 0 : std::max(0, -dw - kPanelGive.width());
    const int panelsHeight = dh >= 0 ? dh : -std::min(-dh, kPanelGive.height());
    const int pagesHeight = std::max(0, -dh);
    pageScroll_->setGeometry(pageRect_.left(), pageRect_.top(), std::max(1, pageRect_.width() - pagesWidth),
                             std::max(1, pageRect_.height() - pagesHeight));
    for (std::size_t i = 0; i < form_.units.size(); ++i) {
        const forms::Unit& unit = form_.units[i];
        QWidget* widget = widgets_[i];
        if (widget == nullptr || unit.page >= 0 || !unit.parent.empty() || widget == pageControl_) continue;
        if (unit.kind == forms::Kind::Window) continue;
        forms::Rect r;
        if (unit.rect.top + unit.rect.height <= pageRect_.top()) {
            r = forms::stretched(form_.id, unit, dw, 0);  // the notice line above the pages
        } else {
            r = forms::stretched(form_.id, unit, panelsWidth, panelsHeight);
            if (unit.rect.left >= pageRect_.right()) r.left -= pagesWidth;  // the column beside the pages
        }
        widget->setGeometry(r.left, r.top, r.width, r.height);
    }
}

}  // namespace ui
