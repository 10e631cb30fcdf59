#include "ui/colour/colour_tool.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "text/colour_tools.h"
#include "ui/base/text.h"
#include "ui/colour/field_edit.h"
#include "ui/colour/swatch_button.h"

namespace ui {

// The gradient of the stops, drawn one column at a time by the same rule the text follows.
class GradientBar : public QWidget {
public:
    explicit GradientBar(QWidget* parent) : QWidget(parent) {
        setMinimumHeight(14);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setAccessibleName(QStringLiteral("渐变预览"));
    }
    void setStops(const std::vector<std::uint32_t>& stops) {
        stops_ = stops;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect area = rect().adjusted(1, 1, -1, -1);
        const std::vector<std::uint32_t> columns =
            text::gradientColours(stops_, static_cast<std::size_t>(std::max(area.width(), 1)));
        for (std::size_t x = 0; x < columns.size(); ++x) {
            painter.setPen(QColor::fromRgb(static_cast<QRgb>(columns[x])));
            const int at = area.left() + static_cast<int>(x);
            painter.drawLine(at, area.top(), at, area.bottom());
        }
        QColor outline = palette().color(QPalette::WindowText);
        outline.setAlpha(110);
        painter.setPen(outline);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    std::vector<std::uint32_t> stops_;
};

namespace {

constexpr int kGap = 8;  // between the field and the tool

std::uint32_t rgbOf(const QColor& colour) { return static_cast<std::uint32_t>(colour.rgb()) & 0xFFFFFFu; }

QString hexName(std::uint32_t rgb) { return QStringLiteral("#%1").arg(rgb, 6, 16, QLatin1Char('0')); }

// A button caption shows "&" as "&&": a single one would be taken as a mnemonic.
QString caption(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return shown;
}

QPushButton* button(const QString& text, const QString& name, QWidget* parent) {
    auto* made = new QPushButton(caption(text), parent);
    made->setAccessibleName(name);
    made->setAutoDefault(true);  // Enter clicks it too
    return made;
}

qint64 overlap(const QRect& a, const QRect& b) {
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : static_cast<qint64>(both.width()) * both.height();
}

// The rectangle moved as little as it takes to lie on the screen (its top left on it when
// it is larger).
QRect onScreen(QRect rect, const QRect& screen) {
    rect.moveLeft(std::max(screen.left(), std::min(rect.left(), screen.right() + 1 - rect.width())));
    rect.moveTop(std::max(screen.top(), std::min(rect.top(), screen.bottom() + 1 - rect.height())));
    return rect;
}

}  // namespace

ColourTool::ColourTool(QWidget* window) : QWidget(window, Qt::Tool) {
    setObjectName(QStringLiteral("颜色工具"));
    setWindowTitle(QStringLiteral("颜色"));
    setAccessibleName(QStringLiteral("颜色工具"));
    stops_ = {0xFF5555, 0x5555FF};
    build();
}

void ColourTool::build() {
    auto* layout = new QVBoxLayout(this);
    target_ = new QLabel(this);
    target_->setObjectName(QStringLiteral("作用于"));
    layout->addWidget(target_);
    layout->addWidget(buildColours());
    layout->addWidget(buildFormats());
    layout->addWidget(buildGradient());
    layout->addWidget(buildWholeField());
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("状态"));
    status_->setAccessibleName(QStringLiteral("颜色工具状态"));
    status_->setWordWrap(true);
    layout->addWidget(status_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    showStops();
}

QWidget* ColourTool::buildColours() {
    auto* box = new QGroupBox(QStringLiteral("颜色（插入到光标处，或选中文字的前面）"), this);
    auto* grid = new QGridLayout(box);
    grid->setSpacing(2);
    // The arrow keys move between the swatches of the group, Tab through them in order.
    auto* group = new QButtonGroup(box);
    group->setExclusive(false);
    int i = 0;
    for (const text::ColourButton& colour : text::colourButtons()) {
        const QString code = fromUtf8(colour.code);
        const QString zh = fromUtf8(colour.zh);
        auto* swatch = new SwatchButton(QColor::fromRgb(static_cast<QRgb>(colour.rgb)), zh, code, box);
        swatch->setObjectName(code);
        swatch->setAccessibleName(zh);
        swatch->setAccessibleDescription(QStringLiteral("插入 ") + code);
        swatch->setToolTip(QStringLiteral("%1 %2（%3）").arg(zh, code, hexName(colour.rgb).toUpper()));
        connect(swatch, &QPushButton::clicked, this, [this, code = std::string(colour.code)] { insert(code); });
        group->addButton(swatch);
        grid->addWidget(swatch, i / 8, i % 8);
        swatches_.push_back(swatch);
        ++i;
    }
    custom_ = button(QStringLiteral("其他颜色…"), QStringLiteral("其他颜色"), box);
    custom_->setObjectName(QStringLiteral("其他颜色"));
    custom_->setToolTip(QStringLiteral("选一个任意的颜色，按下面选的十六进制写法插入"));
    connect(custom_, &QPushButton::clicked, this, [this] {
        pickColour(QColor(Qt::white), [this](QColor colour) {
            insert(text::hexCode(rgbOf(colour), hexForm() == "hash" ? text::HexForm::Hash : text::HexForm::X));
        });
    });
    // The hex form beside the button: it is how a colour of the dialog is written, and the
    // gradient's too.
    auto* formRow = new QHBoxLayout;
    formRow->addWidget(custom_);
    formRow->addSpacing(12);
    formRow->addWidget(new QLabel(QStringLiteral("十六进制写法："), box));
    xForm_ = new QRadioButton(caption(QStringLiteral("&x&R&R&G&G&B&B（标准）")), box);
    xForm_->setAccessibleName(QStringLiteral("标准写法 &x&R&R&G&G&B&B"));
    xForm_->setToolTip(QStringLiteral("1.16 以上的服务器都能读"));
    hashForm_ = new QRadioButton(caption(QStringLiteral("&#RRGGBB（只有部分插件能读）")), box);
    hashForm_->setAccessibleName(QStringLiteral("&#RRGGBB 写法，只有部分插件能读"));
    hashForm_->setToolTip(QStringLiteral("读不懂 &#RRGGBB 的服务器会把这些字符原样显示在物品上"));
    xForm_->setChecked(true);
    formRow->addWidget(xForm_);
    formRow->addWidget(hashForm_);
    formRow->addStretch(1);
    grid->addLayout(formRow, 2, 0, 1, 8);
    return box;
}

QWidget* ColourTool::buildFormats() {
    auto* box = new QGroupBox(QStringLiteral("格式"), this);
    auto* row = new QHBoxLayout(box);
    auto* group = new QButtonGroup(box);
    group->setExclusive(false);
    for (const text::FormatButton& format : text::formatButtons()) {
        const QString code = fromUtf8(format.code);
        const QString zh = fromUtf8(format.zh);
        QPushButton* made = button(zh + QLatin1Char(' ') + code, zh, box);
        made->setObjectName(code);
        made->setAccessibleDescription(QStringLiteral("插入 ") + code);
        // The caption shows what the format does.
        QFont font = made->font();
        font.setBold(code == QLatin1String("&l"));
        font.setItalic(code == QLatin1String("&o"));
        font.setUnderline(code == QLatin1String("&n"));
        font.setStrikeOut(code == QLatin1String("&m"));
        made->setFont(font);
        if (code == QLatin1String("&r")) made->setToolTip(QStringLiteral("回到默认颜色，去掉所有格式"));
        if (code == QLatin1String("&k")) made->setToolTip(QStringLiteral("游戏里显示为不停变化的乱码"));
        connect(made, &QPushButton::clicked, this, [this, code = std::string(format.code)] { insert(code); });
        group->addButton(made);
        row->addWidget(made);
        formats_.push_back(made);
    }
    return box;
}

QWidget* ColourTool::buildGradient() {
    auto* box = new QGroupBox(QStringLiteral("渐变（作用于选中的文字，没有选中时作用于整个字段）"), this);
    auto* column = new QVBoxLayout(box);
    stopRow_ = new QHBoxLayout;
    stopRow_->addWidget(new QLabel(QStringLiteral("色标："), box));
    stopRow_->addStretch(1);
    addStop_ = button(QStringLiteral("添加色标"), QStringLiteral("添加色标"), box);
    removeStop_ = button(QStringLiteral("删除色标"), QStringLiteral("删除最后一个色标"), box);
    stopRow_->addWidget(addStop_);
    stopRow_->addWidget(removeStop_);
    column->addLayout(stopRow_);
    bar_ = new GradientBar(box);
    column->addWidget(bar_);
    auto* keepRow = new QHBoxLayout;
    keepRow->addWidget(new QLabel(QStringLiteral("保留格式："), box));
    for (const text::FormatButton& format : text::formatButtons()) {
        if (format.code == "&r") continue;
        const QString zh = fromUtf8(format.zh);
        auto* keep = new QCheckBox(caption(zh + QLatin1Char(' ') + fromUtf8(format.code)), box);
        keep->setAccessibleName(QStringLiteral("保留") + zh);
        keep->setProperty("letter", QString(QLatin1Char(format.code[1])));
        keepRow->addWidget(keep);
        keep_.push_back(keep);
    }
    keepRow->addStretch(1);
    applyGradient_ = button(QStringLiteral("应用渐变"), QStringLiteral("应用渐变"), box);
    keepRow->addWidget(applyGradient_);
    column->addLayout(keepRow);
    connect(addStop_, &QPushButton::clicked, this, [this] {
        stops_.push_back(stops_.back());
        showStops();
    });
    connect(removeStop_, &QPushButton::clicked, this, [this] {
        if (stops_.size() > 2) stops_.pop_back();
        showStops();
    });
    connect(applyGradient_, &QPushButton::clicked, this, &ColourTool::gradient);
    return box;
}

QWidget* ColourTool::buildWholeField() {
    auto* box = new QGroupBox(QStringLiteral("整个字段"), this);
    auto* row = new QHBoxLayout(box);
    toX_ = button(QStringLiteral("转换为 &x&R&R&G&G&B&B 写法"), QStringLiteral("转换为标准写法"), box);
    toHash_ = button(QStringLiteral("转换为 &#RRGGBB 写法"), QStringLiteral("转换为 &#RRGGBB 写法"), box);
    strip_ = button(QStringLiteral("清除所有颜色和格式代码"), QStringLiteral("清除所有颜色和格式代码"), box);
    row->addWidget(toX_);
    row->addWidget(toHash_);
    row->addWidget(strip_);
    row->addStretch(1);
    connect(toX_, &QPushButton::clicked, this, [this] { convert(false); });
    connect(toHash_, &QPushButton::clicked, this, [this] { convert(true); });
    connect(strip_, &QPushButton::clicked, this, &ColourTool::strip);
    return box;
}

void ColourTool::showStops() {
    while (stopButtons_.size() > stops_.size()) {
        delete stopButtons_.back();
        stopButtons_.pop_back();
    }
    auto* box = addStop_->parentWidget();
    for (std::size_t i = 0; i < stops_.size(); ++i) {
        const QColor colour = QColor::fromRgb(static_cast<QRgb>(stops_[i]));
        const QString name = hexName(stops_[i]);
        if (i == stopButtons_.size()) {
            auto* stop = new SwatchButton(colour, name, QString(), box);
            stop->setToolTip(QStringLiteral("点击换一个颜色"));
            connect(stop, &QPushButton::clicked, this, [this, i] {
                pickColour(QColor::fromRgb(static_cast<QRgb>(stops_[i])), [this, i](QColor picked) {
                    if (i >= stops_.size()) return;
                    stops_[i] = rgbOf(picked);
                    showStops();
                });
            });
            stopRow_->insertWidget(static_cast<int>(i) + 1, stop);
            stopButtons_.push_back(stop);
        }
        stopButtons_[i]->setColour(colour, name, QString());
        stopButtons_[i]->setObjectName(QStringLiteral("色标%1").arg(i + 1));
        stopButtons_[i]->setAccessibleName(QStringLiteral("色标 %1：%2").arg(i + 1).arg(name));
    }
    // Tab goes through the stops in order, then to the buttons beside them.
    for (std::size_t i = 1; i < stopButtons_.size(); ++i) setTabOrder(stopButtons_[i - 1], stopButtons_[i]);
    setTabOrder(stopButtons_.back(), addStop_);
    removeStop_->setEnabled(stops_.size() > 2);
    bar_->setStops(stops_);
}

std::string ColourTool::hexForm() const { return hashForm_->isChecked() ? "hash" : "x"; }

void ColourTool::setHexForm(bool hash) { (hash ? hashForm_ : xForm_)->setChecked(true); }

std::vector<std::string> ColourTool::stops() const {
    std::vector<std::string> names;
    for (const std::uint32_t stop : stops_) names.push_back(toUtf8(hexName(stop)));
    return names;
}

void ColourTool::setStops(const std::vector<std::uint32_t>& stops) {
    if (stops.size() < 2) return;
    stops_ = stops;
    showStops();
}

std::string ColourTool::keptFormats() const {
    std::string letters;
    for (const QCheckBox* keep : keep_)
        if (keep->isChecked()) letters += keep->property("letter").toString().toStdString();
    return letters;
}

QString ColourTool::status() const { return status_->text(); }

void ColourTool::setStatus(const QString& text) { status_->setText(text); }

QColorDialog* ColourTool::colourDialog() {
    if (dialog_ != nullptr) return dialog_;
    dialog_ = new QColorDialog(this);
    dialog_->setObjectName(QStringLiteral("颜色选择"));
    dialog_->setOption(QColorDialog::DontUseNativeDialog);
    dialog_->setWindowTitle(QStringLiteral("选择颜色"));
    connect(dialog_, &QColorDialog::colorSelected, this, [this](const QColor& colour) {
        std::function<void(QColor)> picked = std::move(picked_);
        picked_ = nullptr;
        if (picked && colour.isValid()) picked(colour);
    });
    connect(dialog_, &QDialog::rejected, this, [this] { picked_ = nullptr; });
    return dialog_;
}

void ColourTool::pickColour(const QColor& start, std::function<void(QColor)> picked) {
    QColorDialog* dialog = colourDialog();
    dialog->setCurrentColor(start);
    picked_ = std::move(picked);
    dialog->open();
}

void ColourTool::insert(const std::string& code) {
    if (!usable()) return;
    const text::Edit before = fieldEdit(field_);
    insertIntoField(field_, code);
    const QString shown = fromUtf8(code);
    setStatus(before.selectionStart == before.selectionEnd ? QStringLiteral("已在光标处插入 ") + shown
                                                           : QStringLiteral("已在选中的文字前插入 ") + shown);
}

void ColourTool::gradient() {
    if (!usable()) return;
    const text::Edit before = fieldEdit(field_);
    const std::string refusal = gradientIntoField(field_, stops(), keptFormats(), hexForm());
    if (!refusal.empty()) return setStatus(fromUtf8(refusal));
    setStatus(before.selectionStart == before.selectionEnd ? QStringLiteral("已把渐变应用到整个字段")
                                                           : QStringLiteral("已把渐变应用到选中的文字"));
}

void ColourTool::convert(bool toHash) {
    if (!usable()) return;
    convertField(field_, toHash ? "hash" : "x");
    setStatus(toHash ? QStringLiteral("已转换为 &#RRGGBB 写法") : QStringLiteral("已转换为 &x&R&R&G&G&B&B 写法"));
}

void ColourTool::strip() {
    if (!usable()) return;
    stripField(field_);
    setStatus(QStringLiteral("已清除所有颜色和格式代码"));
}

bool ColourTool::usable() const { return field_ != nullptr && field_->isVisible() && fieldEditable(field_); }

// What the tool can do on the field as it stands: nothing on a read-only one; a conversion
// or stripping only when there is something to convert or strip.
void ColourTool::refreshState() {
    // A field on a page that is not shown is not worked on unseen.
    const bool shown = field_ != nullptr && field_->isVisible();
    const bool editable = usable();
    for (QWidget* widget : std::initializer_list<QWidget*>{custom_, applyGradient_}) widget->setEnabled(editable);
    for (SwatchButton* swatch : swatches_) swatch->setEnabled(editable);
    for (QPushButton* format : formats_) format->setEnabled(editable);
    const std::string now = field_ != nullptr ? fieldEdit(field_).text : std::string();
    toX_->setEnabled(editable && text::convertHex(now, "x").text != now);
    toHash_->setEnabled(editable && text::convertHex(now, "hash").text != now);
    strip_->setEnabled(editable && text::stripCodes(now) != now);
    const QString name = field_ != nullptr ? field_->accessibleName() : QString();
    target_->setText(
        QStringLiteral("作用于：") + (name.isEmpty() ? QStringLiteral("（没有字段）") : name) +
        (field_ != nullptr && !shown ? QStringLiteral("（不在当前页面上，点一下要改的字段）") : QString()));
    setWindowTitle(name.isEmpty() ? QStringLiteral("颜色") : QStringLiteral("颜色 - ") + name);
}

void ColourTool::follow(QWidget* field, const std::vector<QWidget*>& keepClear) {
    if (field != field_) {
        disconnect(fieldChanges_);
        if (field_ != nullptr) field_->removeEventFilter(this);
        field_ = field;
        // Its page shown or hidden: the tool works on it or waits.
        if (field != nullptr) field->installEventFilter(this);
        if (auto* line = qobject_cast<QLineEdit*>(field))
            fieldChanges_ = connect(line, &QLineEdit::textChanged, this, &ColourTool::refreshState);
        else if (auto* box = qobject_cast<QPlainTextEdit*>(field))
            fieldChanges_ = connect(box, &QPlainTextEdit::textChanged, this, &ColourTool::refreshState);
        setStatus(QString());
    }
    for (const QPointer<QWidget>& widget : keepClear_)
        if (widget != nullptr) widget->removeEventFilter(this);
    keepClear_.assign(keepClear.begin(), keepClear.end());
    for (QWidget* widget : keepClear) widget->installEventFilter(this);
    refreshState();
    if (!isVisible()) return;
    const QRect now = frameGeometry();
    const std::vector<QRect> clear = keepClearRects();
    if (std::any_of(clear.begin(), clear.end(), [&](const QRect& r) { return r.intersects(now); })) place();
}

void ColourTool::openFor(QWidget* field, const std::vector<QWidget*>& keepClear) {
    const bool shown = isVisible();
    follow(field, keepClear);
    if (!shown) {
        place();
        show();
    }
    raise();
    activateWindow();
    QWidget* first = swatches_.front()->isEnabled() ? static_cast<QWidget*>(swatches_.front()) : toX_;
    first->setFocus(Qt::OtherFocusReason);
}

std::vector<QRect> ColourTool::keepClearRects() const {
    std::vector<QRect> rects;
    if (field_ == nullptr) return rects;
    rects.emplace_back(field_->mapToGlobal(QPoint(0, 0)), field_->size());
    for (const QPointer<QWidget>& widget : keepClear_)
        if (widget != nullptr && widget->isVisible())
            rects.emplace_back(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    return rects;
}

void ColourTool::place() {
    adjustSize();
    // The frame the window manager adds, as the main window has it (none before it is shown).
    QSize frame = size();
    if (const QWidget* owner = parentWidget(); owner != nullptr && owner->isVisible())
        frame += owner->window()->frameGeometry().size() - owner->window()->geometry().size();
    const QScreen* on = field_ != nullptr ? field_->screen() : screen();
    const QRect at = placeBeside(frame, on->availableGeometry(), keepClearRects());
    move(at.topLeft());
}

QRect ColourTool::placeBeside(QSize frame, const QRect& screen, const std::vector<QRect>& keepClear) {
    if (keepClear.empty())
        return onScreen(QRect(screen.center() - QPoint(frame.width() / 2, frame.height() / 2), frame), screen);
    std::vector<QRect> tries;
    // Beside each of the field and everything kept clear together: right, left, below, above.
    QRect all = keepClear.front();
    for (const QRect& rect : keepClear) all = all.united(rect);
    for (const QRect& around : {keepClear.front(), all}) {
        for (const int x : {around.right() + 1 + kGap, around.left() - kGap - frame.width()})
            for (const int y : {around.top(), around.bottom() + 1 - frame.height()})
                tries.emplace_back(QPoint(x, y), frame);
        for (const int y : {around.bottom() + 1 + kGap, around.top() - kGap - frame.height()})
            for (const int x : {around.left(), around.right() + 1 - frame.width()})
                tries.emplace_back(QPoint(x, y), frame);
    }
    QRect best;
    qint64 bestField = std::numeric_limits<qint64>::max();
    qint64 bestRest = std::numeric_limits<qint64>::max();
    for (QRect rect : tries) {
        rect = onScreen(rect, screen);
        const qint64 field = overlap(rect, keepClear.front());
        qint64 rest = 0;
        for (std::size_t i = 1; i < keepClear.size(); ++i) rest += overlap(rect, keepClear[i]);
        if (field == 0 && rest == 0) return rect;
        if (field < bestField || (field == bestField && rest < bestRest)) {
            best = rect;
            bestField = field;
            bestRest = rest;
        }
    }
    return best;
}

void ColourTool::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Closing gives the field its focus back, in its own window.
void ColourTool::closeEvent(QCloseEvent* event) {
    if (dialog_ != nullptr) dialog_->reject();
    QWidget::closeEvent(event);
    if (field_ != nullptr && field_->isVisible()) {
        field_->window()->activateWindow();
        field_->setFocus(Qt::OtherFocusReason);
    }
}

bool ColourTool::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == field_) {
        if (type == QEvent::Show || type == QEvent::Hide) refreshState();
        return QWidget::eventFilter(watched, event);
    }
    if ((type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize) && isVisible()) {
        const auto* widget = static_cast<const QWidget*>(watched);
        if (widget->isVisible() && QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()).intersects(frameGeometry()))
            place();
    }
    return QWidget::eventFilter(watched, event);
}

bool ColourTool::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) refreshState();
    return QWidget::event(event);
}

}  // namespace ui
