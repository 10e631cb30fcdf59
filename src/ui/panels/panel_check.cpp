#include "ui/panels/panel_check.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStyleOptionGroupBox>
#include <QTextBlock>
#include <utility>

#include "actions/command_check.h"
#include "ui/base/background.h"
#include "ui/base/fonts.h"
#include "ui/base/text.h"
#include "ui/panels/panel_reader.h"

namespace ui {
namespace {

// Quiet time after the last change before the check starts: typing in bursts starts one check.
constexpr int kSettleMs = 50;
constexpr int kStatusHeight = 16;
// Copying the panel's text for the check, per turn of the event loop.
constexpr qint64 kSliceMs = 6;

QString position(const yaml::Finding& finding, bool withColumn = true) {
    return withColumn && finding.column > 0 ? QStringLiteral("第 %1 行第 %2 列：").arg(finding.line).arg(finding.column)
                                            : QStringLiteral("第 %1 行：").arg(finding.line);
}

// A label that reports clicks.
class StatusLine : public QLabel {
public:
    StatusLine(QWidget* parent, std::function<void()> clicked) : QLabel(parent), clicked_(std::move(clicked)) {
        setCursor(Qt::PointingHandCursor);
        setTextFormat(Qt::PlainText);
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::Window);
        setAlignment(Qt::AlignCenter);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) clicked_();
        QLabel::mousePressEvent(event);
    }

private:
    std::function<void()> clicked_;
};

}  // namespace

yaml::CheckResult checkText(const std::string& utf8, PanelCheck::Rules rules) {
    return rules == PanelCheck::Rules::Configuration ? yaml::checkConfiguration(utf8) : actions::checkCommands(utf8);
}

PanelCheck* PanelCheck::of(const QPlainTextEdit* panel) {
    return panel != nullptr ? panel->findChild<PanelCheck*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

PanelCheck::PanelCheck(QPlainTextEdit* panel, QGroupBox* group, Rules rules)
    : QObject(panel), panel_(panel), group_(group), rules_(rules) {
    status_ = new StatusLine(group, [this] {
        const yaml::CheckResult& shown = *result_;
        const yaml::Finding* first = !shown.errors.empty()     ? &shown.errors.front()
                                     : !shown.warnings.empty() ? &shown.warnings.front()
                                                               : nullptr;
        if (first != nullptr) showPosition(first->line, first->column);
    });
    status_->setObjectName(QStringLiteral("status:") + panel->objectName());
    status_->setFont(unitFont({-12, false}));
    status_->setAccessibleName(group->title() + QStringLiteral(" 检查"));
    placeStatus();
    group->installEventFilter(this);
    debounce_.setSingleShot(true);
    debounce_.setInterval(kSettleMs);
    connect(&debounce_, &QTimer::timeout, this, &PanelCheck::start);
    connect(panel->document(), &QTextDocument::contentsChanged, this, &PanelCheck::schedule);
    // The whole text replaced (a file opened, the panel cleared): the findings of the text
    // that is gone go at once, not when the new text's check is done.
    connect(panel->document(), &QTextDocument::contentsChange, this, [this](int from, int removed, int added) {
        const int before = panel_->document()->characterCount() - added + removed;
        if (from == 0 && removed > 0 && removed >= before - 1) forgetShown();
    });
    status_->show();
}

void PanelCheck::forgetShown() {
    statusText_.clear();
    fitStatus();
    status_->setToolTip(QString());
}

void PanelCheck::placeStatus() {
    // On the title row, from just after the title to the group's right edge.
    QStyleOptionGroupBox option;
    option.initFrom(group_);
    option.text = group_->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    const QRect title = group_->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group_);
    // The panels start 16 pixels below their group's top edge: the line fits above them.
    const int left = title.right() + 12;
    statusRoom_ = QRect(left, 0, std::max(0, group_->width() - left - 8), kStatusHeight);
    fitStatus();
}

// The status as wide as its text, on the window's colour: like the title, it breaks the
// frame line that runs through the title row.
void PanelCheck::fitStatus() {
    constexpr int kPadding = 6;
    const QString shown =
        status_->fontMetrics().elidedText(statusText_, Qt::ElideRight, std::max(0, statusRoom_.width() - kPadding));
    status_->setText(shown);
    const int width = shown.isEmpty() ? 0 : status_->fontMetrics().horizontalAdvance(shown) + kPadding;
    status_->setGeometry(statusRoom_.left(), statusRoom_.top(), std::min(width, statusRoom_.width()),
                         statusRoom_.height());
}

bool PanelCheck::eventFilter(QObject* watched, QEvent* event) {
    if (watched == group_ && (event->type() == QEvent::Resize || event->type() == QEvent::StyleChange ||
                              event->type() == QEvent::FontChange))
        placeStatus();
    return false;
}

void PanelCheck::schedule() {
    ++generation_;
    // A text adopted ahead is no longer the panel's; one not adopted yet is still coming in.
    if (ahead_ != nullptr && ahead_->adopted) ahead_.reset();
    // A copy half taken is of a text that is gone; the next start begins again.
    delete reader_;
    debounce_.start();
}

void PanelCheck::start() {
    if (isCurrent()) return;                           // a check made ahead landed meanwhile
    if (running_ || reader_ != nullptr) return;        // the running check's end starts the next one
    if (ahead_ != nullptr && ahead_->adopted) return;  // its end brings the result
    // The copy is made on the UI thread, a few milliseconds at a time; everything else
    // happens on the worker.
    reader_ = new PanelReader(panel_, kSliceMs, [this](const QString& text) { check(text); });
    reader_->start();
}

PanelCheck::Checked PanelCheck::run(const QString& text, Rules rules, bool asPut) {
    Checked checked;
    const QString form = asPut ? readBack(text) : text;
    checked.length = form.size();
    checked.utf8 = std::make_shared<const std::string>(toUtf8(form));
    checked.result = std::make_shared<const yaml::CheckResult>(checkText(*checked.utf8, rules));
    return checked;
}

void PanelCheck::checkAhead(const QString& text) {
    ahead_ = std::make_shared<Ahead>();
    ahead_->text = text;
    runInBackground(
        this, [text, rules = rules_] { return run(text, rules, true); },
        [this, ahead = std::weak_ptr<Ahead>(ahead_)](const Checked& checked) {
            const std::shared_ptr<Ahead> mine = ahead.lock();
            if (mine == nullptr || mine != ahead_) return;  // forgotten meanwhile
            mine->done = checked;
            if (mine->adopted) land();
        });
}

void PanelCheck::forgetAhead() {
    ahead_.reset();
    if (!debounce_.isActive()) start();
}

void PanelCheck::adopt(const QString& text, qsizetype length) {
    debounce_.stop();
    delete reader_;
    // A text whose check was not made ahead is checked from now on.
    if (ahead_ == nullptr || ahead_->adopted || !text.isSharedWith(ahead_->text)) checkAhead(text);
    ahead_->adopted = true;
    ahead_->length = length;
    ahead_->generation = generation_;
    if (ahead_->done) land();
}

// The check made ahead is the panel's when nothing changed since the adoption and its text
// comes out as long as the document.
void PanelCheck::land() {
    const std::shared_ptr<Ahead> ahead = std::exchange(ahead_, nullptr);
    if (ahead->generation == generation_ && ahead->done->length == ahead->length)
        return show(generation_, *ahead->done);
    if (!debounce_.isActive()) start();
}

void PanelCheck::check(const QString& text) {
    running_ = true;
    const std::uint64_t generation = generation_;
    runInBackground(
        this, [text, rules = rules_] { return run(text, rules, false); },
        [this, generation](const Checked& checked) {
            running_ = false;
            if (generation != generation_) {
                // The text changed meanwhile: check again once it settles.
                if (!debounce_.isActive()) start();
                return;
            }
            show(generation, checked);
        });
}

void PanelCheck::show(std::uint64_t generation, const Checked& done) {
    result_ = done.result;
    const yaml::CheckResult& result = *result_;
    checkedUtf8_ = done.utf8;
    done_ = generation;
    const QString text = statusText(result, rules_, panel_->document()->isEmpty());
    statusText_ = text;
    fitStatus();
    QStringList all;
    for (const yaml::Finding& f : result.errors) all << QStringLiteral("✗ ") + position(f) + fromUtf8(f.message);
    for (const yaml::Finding& f : result.warnings)
        all << QStringLiteral("⚠ ") + position(f, false) + fromUtf8(f.message);
    status_->setToolTip(all.isEmpty() ? text : all.join(QLatin1Char('\n')));
    status_->setProperty("state", !result.errors.empty() ? "error" : !result.warnings.empty() ? "warning" : "ok");
    emit checked();
}

QString PanelCheck::statusText(const yaml::CheckResult& result, Rules rules, bool empty) {
    if (empty) return {};
    if (!result.errors.empty()) {
        const yaml::Finding& first = result.errors.front();
        return QStringLiteral("✗ ") + position(first) + fromUtf8(first.message);
    }
    if (!result.warnings.empty()) {
        const yaml::Finding& first = result.warnings.front();
        return QStringLiteral("⚠ %1 个警告：").arg(result.warnings.size()) + position(first, false) +
               fromUtf8(first.message);
    }
    return rules == Rules::Configuration ? QStringLiteral("✓ 可被服务器读取：%1 个条目").arg(result.entries)
                                         : QStringLiteral("✓ %1 条指令").arg(result.entries);
}

yaml::CheckResult PanelCheck::checkNow() const {
    QString text = panel_->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return checkText(toUtf8(text), rules_);
}

void PanelCheck::showPosition(int line, int column) {
    const QTextBlock block = panel_->document()->findBlockByNumber(std::max(0, line - 1));
    if (!block.isValid()) return;
    // Columns count code points; the block counts UTF-16 units.
    const QString text = block.text();
    int offset = 0;
    for (int counted = 1; counted < column && offset < text.size(); ++counted)
        offset += text.at(offset).isHighSurrogate() && offset + 1 < text.size() ? 2 : 1;
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + offset);
    panel_->setTextCursor(cursor);
    panel_->setFocus(Qt::OtherFocusReason);
}

}  // namespace ui
