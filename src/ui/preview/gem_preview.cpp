#include "ui/preview/gem_preview.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHideEvent>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTextBlock>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <utility>

#include "actions/action.h"
#include "actions/item_preview.h"
#include "actions/panels.h"
#include "forms/windows.h"
#include "ui/base/fonts.h"
#include "ui/base/text.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"
#include "ui/preview/tooltip_view.h"

namespace ui {
namespace {

const std::string_view kGroup = actions::gemPreviewControls().group;
const std::string_view kConfigPanel = actions::panelRow(actions::Panel::Config).name;
const std::string_view kCommandGroup = actions::panelRow(actions::Panel::Command).group;

const actions::Action& finishAction() {
    static const actions::Action* action = actions::find(forms::kMainWindowId, actions::gemPreviewControls().finish);
    return *action;
}

int gemPage(const LiveWindow& main) {
    const int group = main.unitIndex(kGroup);
    return group < 0 ? -1 : main.form().units[static_cast<std::size_t>(group)].page;
}

// The panel's text after the last line of its last gem block, LF line ends; empty when the
// panel holds no gem block.
QString afterLastGemBlock(QPlainTextEdit* panel) {
    const QString last = fromUtf8(actions::gemBlockLastLine());
    QStringList after;
    for (QTextBlock block = panel->document()->lastBlock(); block.isValid(); block = block.previous()) {
        if (block.text() == last) {
            std::reverse(after.begin(), after.end());
            return QLatin1Char('\n') + after.join(QLatin1Char('\n'));
        }
        after.append(block.text());
    }
    return {};
}

}  // namespace

int GemPreview::gemPage(const LiveWindow& main) { return ui::gemPage(main); }

actions::Item GemPreview::gemOf(LiveWindow& main) {
    const actions::Action& action = finishAction();
    actions::Inputs inputs;
    for (std::string_view name : action.texts) inputs.texts.push_back(toUtf8(editText(main.controlByName(name))));
    for (std::string_view name : action.selections) {
        auto* combo = qobject_cast<QComboBox*>(main.controlByName(name));
        inputs.selections.push_back(combo != nullptr ? combo->currentIndex() : -1);
    }
    auto* panel = qobject_cast<QPlainTextEdit*>(main.controlByName(kConfigPanel));
    const QString after = panel != nullptr ? afterLastGemBlock(panel) : QString();
    return actions::gemItem(action.build(inputs), toUtf8(after));
}

std::vector<text::Line> GemPreview::linesOf(const actions::Item& item) { return actions::itemLines(item); }

actions::Item GemPreview::gem() const {
    if (entryLines_)
        if (const std::optional<std::string> lines = entryLines_()) return actions::gemEntryItem(*lines);
    return gemOf(*main_);
}

void GemPreview::setEntryLines(EntryLines lines) {
    entryLines_ = std::move(lines);
    refreshSoon();
}

void GemPreview::refreshSoon() { pending_.start(); }

GemPreview::GemPreview(LiveWindow* main) : QWidget(main, Qt::Tool), main_(main) {
    setObjectName(QString::fromUtf8(kGemPreviewName.data(), static_cast<qsizetype>(kGemPreviewName.size())));
    setWindowTitle(QStringLiteral("宝石预览"));
    setAccessibleName(QStringLiteral("宝石预览"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    view_ = new TooltipView(this);
    layout->addWidget(view_);
    note_ = new QLabel(this);
    note_->setWordWrap(true);
    note_->setFont(unitFont({}));
    note_->hide();
    layout->addWidget(note_);
    pending_.setSingleShot(true);
    pending_.setInterval(0);
    connect(&pending_, &QTimer::timeout, this, &GemPreview::refresh);
    if (PageControl* pages = main->pageControl()) {
        connect(pages, &PageControl::aboutToShow, this, [this](int page) {
            if (page == gemPage(*main_)) addToggle(page);
        });
        // The window belongs to its page: it goes when the user leaves the page and comes
        // back with it.
        connect(pages->tabBar(), &QTabBar::currentChanged, this, [this](int page) {
            if (page != gemPage(*main_) && isVisible()) {
                leftWithPage_ = true;
                hide();
            } else if (page == gemPage(*main_) && std::exchange(leftWithPage_, false)) {
                show();
            }
        });
        if (pages->currentIndex() == gemPage(*main)) addToggle(pages->currentIndex());
    }
}

void GemPreview::addToggle(int page) {
    if (toggle_ != nullptr) return;
    QWidget* group = main_->controlByName(kGroup);
    if (group == nullptr) return;
    toggle_ = new QPushButton(QStringLiteral("宝石预览"), main_->pageControl()->page(page));
    toggle_->setObjectName(QStringLiteral("toggle:") + objectName());
    toggle_->setCheckable(true);
    toggle_->setFont(unitFont({}));
    toggle_->setToolTip(QStringLiteral("在小窗口里看宝石在游戏里的样子：名字和每一行 Lore"));
    toggle_->setAccessibleName(QStringLiteral("宝石预览"));
    // Right-aligned in the free strip between the two groups, above the "宝石制作" frame.
    const QRect frame = group->geometry();
    toggle_->setGeometry(frame.right() + 1 - 80, frame.top() - 28, 80, 24);
    toggle_->show();
    connect(toggle_, &QPushButton::toggled, this, [this](bool on) { setVisible(on); });
}

void GemPreview::watchFields() {
    if (watching_) return;
    watching_ = true;
    for (std::string_view name : finishAction().texts)
        if (auto* line = qobject_cast<QLineEdit*>(main_->controlByName(name)))
            connect(line, &QLineEdit::textChanged, &pending_, qOverload<>(&QTimer::start));
    if (auto* panel = qobject_cast<QPlainTextEdit*>(main_->controlByName(kConfigPanel)))
        connect(panel->document(), &QTextDocument::contentsChanged, &pending_, qOverload<>(&QTimer::start));
}

void GemPreview::refresh() {
    if (!isVisible()) return;
    const actions::Item item = gem();
    std::string all = item.name;
    for (const std::string& lore : item.lore) all += '\n' + lore;
    QStringList notes;
    if (!item.addedLinesRead) notes << QStringLiteral("✗ “添加”写下的 Lore 行会让服务器读不了这个文件，预览里没有它们");
    if (text::usesHashHex(all)) notes << QStringLiteral("&#RRGGBB 形式的颜色只有部分服务器能读");
    if (text::placeholderSpans(all).size() > 0) notes << QStringLiteral("虚线框里的 {…} 由插件填入");
    note_->setText(notes.join(QLatin1Char('\n')));
    note_->setVisible(!notes.isEmpty());
    view_->setToolTip(text::usesHashHex(all) ? QStringLiteral("&#RRGGBB 形式的颜色只有部分服务器能读，"
                                                              "其余服务器照原样显示这些字符")
                                             : QString());
    view_->setLines(linesOf(item), true);
}

void GemPreview::showEvent(QShowEvent* event) {
    watchFields();
    refresh();
    QWidget::showEvent(event);
    if (!placed_) {
        placed_ = true;
        place();
    }
    if (toggle_ != nullptr) toggle_->setChecked(true);
}

void GemPreview::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Hidden with the minimised main window or with its page, it comes back with them: the
    // button stays on.
    if (toggle_ != nullptr && !event->spontaneous() && !main_->isMinimized() && !leftWithPage_)
        toggle_->setChecked(false);
}

void GemPreview::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Where the user is not working: beside the main window (right, else left) when the screen
// has room there, else over the form area away from the gem maker's fields, never over the
// command panel while there is room elsewhere; always on the screen.
void GemPreview::place() {
    const QRect outer = main_->frameGeometry();
    const QScreen* screen = main_->screen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    const QSize size = sizeHint();
    const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
    const QSize outerSize = size.grownBy(frame);
    constexpr int kGap = 8;
    const int top = std::clamp(outer.top() + 80, available.top(),
                               std::max(available.top(), available.bottom() + 1 - outerSize.height()));
    QList<QPoint> places;
    places << QPoint(outer.right() + 1 + kGap, top) << QPoint(outer.left() - kGap - outerSize.width(), top);
    QRect avoid;
    if (QWidget* group = main_->controlByName(kCommandGroup))
        avoid = QRect(group->mapToGlobal(QPoint(0, 0)), group->size());
    // Over the pages' top right, where the page's common commands are, not its gem fields;
    // then below the command panel.
    if (PageControl* pages = main_->pageControl()) {
        const QRect shown(pages->mapToGlobal(QPoint(0, 0)), pages->size());
        places << QPoint(shown.right() + 1 - outerSize.width() - kGap, shown.top() + pages->tabBar()->height() + kGap);
    }
    if (QWidget* area = main_->formArea()) {
        const QRect form(area->mapToGlobal(QPoint(0, 0)), area->size());
        places << QPoint(form.right() + 1 - outerSize.width() - kGap,
                         avoid.isValid() ? avoid.bottom() + kGap : form.top());
    }
    for (const QPoint& place : places) {
        const QRect wanted(place, outerSize);
        if (available.isValid() && !available.contains(wanted)) continue;
        if (avoid.isValid() && wanted.intersects(avoid)) continue;
        move(place);  // a window's position is its frame's
        return;
    }
    // No room anywhere else: over the command panel's group, which the gem maker does not
    // write to, kept on the screen.
    QPoint fallback = avoid.isValid() ? avoid.topLeft() + QPoint(16, 24) : outer.topLeft();
    if (available.isValid()) {
        fallback.setX(std::clamp(fallback.x(), available.left(),
                                 std::max(available.left(), available.right() + 1 - outerSize.width())));
        fallback.setY(std::clamp(fallback.y(), available.top(),
                                 std::max(available.top(), available.bottom() + 1 - outerSize.height())));
    }
    move(fallback);
}

}  // namespace ui
