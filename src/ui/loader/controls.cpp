#include "ui/loader/controls.h"

#include <QAbstractItemView>
#include <QScrollBar>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <algorithm>
#include <limits>

#include "ui/base/fonts.h"
#include "ui/base/pictures.h"
#include "ui/panels/multi_line_edit.h"
#include "ui/panels/panel.h"

namespace ui {
namespace {

// Every character that Unicode or YAML treats as a line or paragraph break: CR, LF, VT, FF,
// the separators FS, GS and RS, NEXT LINE, LINE SEPARATOR, PARAGRAPH SEPARATOR, and the two
// frame marks that the output panels would also take as breaks.
bool breaksLine(QChar ch) {
    switch (ch.unicode()) {
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x1C:
    case 0x1D:
    case 0x1E:
    case 0x85:
    case 0x2028:
    case 0x2029:
    case 0xFDD0:
    case 0xFDD1: return true;
    default: return false;
    }
}

}  // namespace

QString SingleLineValidator::oneLine(const QString& text, int* pos) {
    if (std::none_of(text.begin(), text.end(), breaksLine)) return text;
    QString out;
    out.reserve(text.size());
    int newPos = pos != nullptr ? *pos : 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (!breaksLine(ch)) {
            out += ch;
            continue;
        }
        // CR LF is one line break: it becomes one blank.
        if (ch == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
            if (pos != nullptr && i + 1 < *pos) --newPos;
            ++i;
        }
        out += QLatin1Char(' ');
    }
    if (pos != nullptr) *pos = newPos;
    return out;
}

QValidator::State SingleLineValidator::validate(QString& input, int& pos) const {
    input = oneLine(input, &pos);
    return Acceptable;
}

SingleLineEdit::SingleLineEdit(QWidget* parent) : QLineEdit(parent) {
    static auto* const validator = new SingleLineValidator(qApp);
    setValidator(validator);
    setMaxLength(std::numeric_limits<int>::max());  // no length limit
}

// Ends the undo step of the typing so far, as Qt's own paste does: the line edit closes a
// step whenever the caret moves, so the caret steps aside and back. A selection closes the
// step by itself when the insert replaces it.
void SingleLineEdit::closeUndoStep() {
    if (hasSelectedText()) return;
    const int at = cursorPosition();
    if (at > 0) {
        setCursorPosition(at - 1);
    } else if (at < text().size()) {
        setCursorPosition(at + 1);
    } else {
        return;  // an empty field has nothing to keep apart
    }
    setCursorPosition(at);
}

void SingleLineEdit::pasteOneLine(QClipboard::Mode mode) {
    if (isReadOnly()) return;
    const QString text = QGuiApplication::clipboard()->text(mode);
    if (text.isEmpty()) return;
    // The paste is one undo step of its own, between the typing before and after it.
    closeUndoStep();
    insert(SingleLineValidator::oneLine(text));
    closeUndoStep();
}

void SingleLineEdit::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Paste) {
        pasteOneLine();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void SingleLineEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection() && !isReadOnly()) {
        setCursorPosition(cursorPositionAt(event->position().toPoint()));
        pasteOneLine(QClipboard::Selection);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void SingleLineEdit::dropEvent(QDropEvent* event) {
    const QMimeData* dropped = event->mimeData();
    if (dropped == nullptr || !dropped->hasText()) return QLineEdit::dropEvent(event);
    QMimeData oneLine;
    oneLine.setText(SingleLineValidator::oneLine(dropped->text()));
    QDropEvent copy(event->position(), event->possibleActions(), &oneLine, event->buttons(), event->modifiers());
    copy.setDropAction(event->dropAction());
    QLineEdit::dropEvent(&copy);
    event->setAccepted(copy.isAccepted());
    event->setDropAction(copy.dropAction());
}

void SingleLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        if (action->objectName() != QLatin1String("edit-paste")) continue;
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, [this] { pasteOneLine(); });
    }
    emit contextMenuAboutToShow(menu);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void FormComboBox::showPopup() {
    QAbstractItemView* list = view();
    // The widest item, the list's frame and, when the list scrolls, its scroll bar.
    int width = list->sizeHintForColumn(0) + 2 * list->frameWidth();
    if (count() > maxVisibleItems()) width += list->verticalScrollBar()->sizeHint().width();
    list->setMinimumWidth(std::max(width, this->width()));
    QComboBox::showPopup();
}

PageControl::PageControl(const QStringList& captions, const QFont& tabFont, QWidget* parent)
    : QWidget(parent), tabs_(new QTabBar(this)) {
    tabs_->setFont(tabFont);
    tabs_->setExpanding(false);
    tabs_->setUsesScrollButtons(false);
    tabs_->setDrawBase(false);
    for (const QString& caption : captions) {
        tabs_->addTab(caption);
        auto* page = new QWidget(this);
        page->hide();
        pages_.push_back(page);
    }
    tabs_->raise();
    connect(tabs_, &QTabBar::currentChanged, this, &PageControl::showPage);
    showPage(tabs_->currentIndex());
}

int PageControl::currentIndex() const { return tabs_->currentIndex(); }

void PageControl::setCurrentIndex(int index) { tabs_->setCurrentIndex(index); }

void PageControl::showPage(int index) {
    if (index >= 0) emit aboutToShow(index);
    for (int i = 0; i < count(); ++i) pages_[static_cast<std::size_t>(i)]->setVisible(i == index);
}

void PageControl::resizeEvent(QResizeEvent*) {
    const QSize hint = tabs_->sizeHint();
    tabs_->setGeometry(0, 0, std::min(hint.width(), width()), hint.height());
    for (QWidget* page : pages_) page->setGeometry(rect());
}

void PageControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    const int top = tabs_->height() - 1;
    frame.rect = QRect(0, top, width(), height() - top);
    frame.tabBarSize = tabs_->size();
    frame.tabBarRect = tabs_->geometry();
    frame.shape = QTabBar::RoundedNorth;
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

CaptionLabel::CaptionLabel(const QString& caption, forms::Font font, QWidget* parent)
    : QLabel(caption, parent), font_(font) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void CaptionLabel::showEvent(QShowEvent* event) {
    fitCaption();
    QLabel::showEvent(event);
}

void CaptionLabel::fitCaption() {
    if (fitted_) return;
    fitted_ = true;
    const QRect box(0, 0, width(), height());
    const QString caption = text();
    if (box.isEmpty() || caption.isEmpty()) return;
    auto advance = [&](int stretch) { return QFontMetrics(unitFont(font_, stretch)).horizontalAdvance(caption); };
    const bool oneLine = !caption.contains(QLatin1Char('\n'));
    const int natural = advance(100);
    if (oneLine && natural <= box.width()) return;
    // One line, slightly narrower: the measurement at full width tells where to start.
    if (oneLine && natural * 80 <= box.width() * 100) {
        for (int stretch = std::min(95, 100 * box.width() / natural / 5 * 5); stretch >= 80; stretch -= 5) {
            if (advance(stretch) <= box.width()) return setFont(unitFont(font_, stretch));
        }
    }
    const int flags = Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignVCenter;
    int stretch = 100;
    while (stretch > 70 && !box.contains(QFontMetrics(unitFont(font_, stretch)).boundingRect(box, flags, caption)))
        stretch -= 5;
    if (stretch != 100) setFont(unitFont(font_, stretch));
}

PictureBox::PictureBox(forms::Picture picture, QWidget* parent) : QWidget(parent), picture_(picture) {}

void PictureBox::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    if (cache_.deviceIndependentSize().toSize() != size() || cache_.devicePixelRatio() != ratio)
        cache_ = drawPicture(picture_, size(), ratio);
    QPainter painter(this);
    painter.drawPixmap(0, 0, cache_);
}

void setFormDisabled(QWidget* widget) { widget->setProperty("formDisabled", true); }

bool isFormDisabled(const QWidget* widget) { return !widget->isEnabled() || widget->property("formDisabled").toBool(); }

QString editText(const QWidget* edit) {
    if (auto* line = qobject_cast<const QLineEdit*>(edit)) return line->text();
    if (auto* text = qobject_cast<const QPlainTextEdit*>(edit)) return panelText(text);
    if (auto* combo = qobject_cast<const QComboBox*>(edit)) return combo->currentText();
    return {};
}

void setEditText(QWidget* edit, const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(edit)) {
        line->setText(text);
    } else if (auto* multi = qobject_cast<QPlainTextEdit*>(edit)) {
        prepareForText(multi, text);
        multi->setPlainText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(edit)) {
        // A text that is an item of the list selects it; any other text is typed in.
        const int item = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        combo->setCurrentIndex(item);
        if (item < 0 && combo->isEditable()) combo->setEditText(SingleLineValidator::oneLine(text));
    }
}

}  // namespace ui
