#include "ui/designer/item_designer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "actions/action.h"
#include "actions/item_actions.h"
#include "forms/windows.h"
#include "ui/base/question.h"
#include "ui/base/text.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"
#include "ui/loader/widget_factory.h"
#include "ui/preview/tooltip_view.h"

namespace ui {
namespace {

QWidget* makePreview(QWidget* parent) {
    auto* view = new TooltipView(parent);
    view->setAccessibleName(QStringLiteral("物品预览"));
    return view;
}

}  // namespace

void ItemDesigner::drawPreviews() { setPictureMaker(forms::Picture::ItemTooltip, makePreview); }

void ItemDesigner::attachWhenBuilt(LiveWindow* live) {
    const int preview = live->unitIndex(actions::designerControls().preview);
    if (preview < 0) return;
    const int page = live->form().units[static_cast<std::size_t>(preview)].page;
    connect(live, &LiveWindow::pageBuilt, live, [live, page](int built) {
        if (built == page && of(live) == nullptr) new ItemDesigner(live);
    });
}

ItemDesigner* ItemDesigner::of(LiveWindow* live) {
    return live->findChild<ItemDesigner*>(QString(), Qt::FindDirectChildrenOnly);
}

ItemDesigner::ItemDesigner(LiveWindow* live)
    : QObject(live), live_(live), action_(actions::find(live->id(), actions::designerControls().generate)),
      preview_(dynamic_cast<TooltipView*>(live->controlByName(actions::designerControls().preview))),
      warning_(qobject_cast<QLabel*>(live->controlByName(actions::designerControls().warning))),
      status_(qobject_cast<QLabel*>(live->controlByName(actions::designerControls().status))),
      templateBox_(qobject_cast<QComboBox*>(live->controlByName(actions::designerControls().templates))) {
    // Every field of the design redraws the preview and the warning when it changes.
    for (std::string_view name : action_->texts) {
        QWidget* field = live->controlByName(name);
        if (auto* line = qobject_cast<QLineEdit*>(field))
            connect(line, &QLineEdit::textChanged, this, &ItemDesigner::refresh);
        if (auto* multi = qobject_cast<QPlainTextEdit*>(field))
            connect(multi, &QPlainTextEdit::textChanged, this, &ItemDesigner::refresh);
        if (auto* combo = qobject_cast<QComboBox*>(field))
            connect(combo, &QComboBox::currentTextChanged, this, &ItemDesigner::refresh);
    }
    for (std::string_view name : action_->checks)
        if (auto* box = qobject_cast<QCheckBox*>(live->controlByName(name)))
            connect(box, &QCheckBox::toggled, this, &ItemDesigner::refresh);
    const auto onClick = [this, live](std::string_view button, void (ItemDesigner::*run)()) {
        if (auto* target = qobject_cast<QPushButton*>(live->controlByName(button)))
            connect(target, &QPushButton::clicked, this, run);
    };
    onClick(actions::designerControls().saveTemplate, &ItemDesigner::saveTemplate);
    onClick(actions::designerControls().deleteTemplate, &ItemDesigner::deleteTemplate);
    if (auto* target = qobject_cast<QPushButton*>(live->controlByName(actions::designerControls().readCommands)))
        connect(target, &QPushButton::clicked, this, [this] {
            QDialog* dialog = readerDialog();
            dialog->show();
            dialog->raise();
            dialog->activateWindow();
        });
    connect(templateBox_, &QComboBox::activated, this, &ItemDesigner::loadTemplate);
    reloadTemplates();
    refresh();
    keepAsPicked(QString());
}

builders::item::ItemDesign ItemDesigner::design() const { return actions::itemDesignOf(live_->inputsFor(*action_)); }

void ItemDesigner::show(const builders::item::ItemDesign& design) {
    const actions::Inputs inputs = actions::inputsOfItemDesign(design);
    showing_ = true;
    for (std::size_t i = 0; i < action_->texts.size(); ++i)
        setEditText(live_->controlByName(action_->texts[i]), toLf(fromUtf8(actions::textAt(inputs, i))));
    for (std::size_t i = 0; i < action_->checks.size(); ++i)
        if (auto* box = qobject_cast<QCheckBox*>(live_->controlByName(action_->checks[i])))
            box->setChecked(actions::checkedAt(inputs, i));
    showing_ = false;
    refresh();
}

void ItemDesigner::refresh() {
    if (showing_) return;
    const builders::item::ItemDesign now = design();
    if (preview_ != nullptr) preview_->setLines(builders::item::tooltipLines(now), true);
    if (warning_ != nullptr) warning_->setText(fromUtf8(builders::item::loreWarning(now.lore)));
}

void ItemDesigner::setStatus(const QString& text) {
    status_->setText(text);
    status_->setToolTip(text);
}

QString ItemDesigner::status() const { return status_->text(); }

void ItemDesigner::reloadTemplates() {
    const storage::LoadedTemplates loaded = storage::loadItemTemplates(storage::itemTemplatesPath());
    templates_ = loaded.templates;
    templatesError_ = loaded.error;
    const QString typed = templateBox_->currentText();
    const QSignalBlocker quiet(templateBox_);
    templateBox_->clear();
    for (const storage::ItemTemplate& entry : templates_) templateBox_->addItem(entry.name);
    templateBox_->setCurrentIndex(templateBox_->findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (templateBox_->currentIndex() < 0) templateBox_->setEditText(typed);
    if (!templatesError_.isEmpty()) setStatus(templatesError_);
}

void ItemDesigner::saveTemplate() {
    const QString name = templateBox_->currentText();
    if (name.trimmed().isEmpty()) return setStatus(QStringLiteral("请先在“模板”框中输入模板名"));
    reloadTemplates();
    if (!templatesError_.isEmpty()) return setStatus(templatesError_ + QStringLiteral("，未保存"));
    const bool replacing = templateBox_->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0;
    const storage::WriteResult written =
        storage::saveItemTemplates(storage::itemTemplatesPath(), storage::withTemplate(templates_, {name, design()}));
    if (!written.ok()) return setStatus(written.error);
    templateBox_->setEditText(name);
    reloadTemplates();
    keepAsPicked(name);
    setStatus((replacing ? QStringLiteral("已更新模板：") : QStringLiteral("已保存模板：")) + name);
}

// Deleting cannot be taken back: the user says yes first.
void ItemDesigner::deleteTemplate() {
    const QString name = templateBox_->currentText();
    reloadTemplates();
    if (!templatesError_.isEmpty()) return setStatus(templatesError_ + QStringLiteral("，未删除"));
    const bool known = std::any_of(templates_.cbegin(), templates_.cend(),
                                   [&](const storage::ItemTemplate& entry) { return entry.name == name; });
    if (!known) return setStatus(QStringLiteral("没有这个模板：") + name);
    ask(live_, QStringLiteral("删除模板"), QStringLiteral("要删除模板“%1”吗？删除后不能恢复。").arg(name),
        QStringLiteral("删除"), [this, name](bool yes) {
            if (yes) removeTemplate(name);
        });
}

void ItemDesigner::removeTemplate(const QString& name) {
    reloadTemplates();
    if (!templatesError_.isEmpty()) return setStatus(templatesError_ + QStringLiteral("，未删除"));
    QList<storage::ItemTemplate> kept;
    for (const storage::ItemTemplate& entry : templates_)
        if (entry.name != name) kept.append(entry);
    if (kept.size() == templates_.size()) return setStatus(QStringLiteral("没有这个模板：") + name);
    const storage::WriteResult written = storage::saveItemTemplates(storage::itemTemplatesPath(), kept);
    if (!written.ok()) return setStatus(written.error);
    templateBox_->setEditText(QString());
    reloadTemplates();
    if (pickedName_ == name) pickedName_.clear();
    setStatus(QStringLiteral("已删除模板：") + name);
}

// A pick over fields the user changed since the last pick (or the start, or a save) asks
// first: the changes would be lost.
void ItemDesigner::loadTemplate(int index) {
    if (index < 0 || index >= templates_.size()) return;
    const storage::ItemTemplate entry = templates_.at(index);
    const auto load = [this, entry] {
        show(entry.design);
        keepAsPicked(entry.name);
        setStatus(QStringLiteral("已载入模板：") + entry.name);
    };
    if (design() == picked_) return load();
    ask(live_, QStringLiteral("载入模板"),
        QStringLiteral("页面上的内容改过了。载入模板“%1”会替换这些改动，要载入吗？").arg(entry.name),
        QStringLiteral("载入"), [this, load](bool yes) {
            if (yes) return load();
            // Not loaded: the box goes back to the name the fields came from, so a save does
            // not write them over the template just picked.
            const QSignalBlocker quiet(templateBox_);
            const int at = templateBox_->findText(pickedName_, Qt::MatchExactly | Qt::MatchCaseSensitive);
            templateBox_->setCurrentIndex(at);
            if (at < 0) templateBox_->setEditText(pickedName_);
        });
}

void ItemDesigner::keepAsPicked(const QString& name) {
    picked_ = design();
    pickedName_ = name;
}

QStringList ItemDesigner::readCommands(const QString& commands) {
    const actions::ItemReading result = actions::readItemCommands(toUtf8(commands));
    show(result.design);
    QStringList unknown;
    for (const std::string& line : result.unknown) unknown.append(fromUtf8(line));
    QString status = unknown.isEmpty()
                         ? QStringLiteral("已从指令读取")
                         : QStringLiteral("已从指令读取；%1 行无法识别，见“从指令读取”窗口").arg(unknown.size());
    // The editor's own lines of other buttons are no part of an item: read, and left aside.
    if (!result.otherCommands.empty())
        status += QStringLiteral("；%1 行是编辑器其他按钮的指令，不属于物品设计").arg(result.otherCommands.size());
    setStatus(status);
    showUnknown(unknown);
    return unknown;
}

void ItemDesigner::showUnknown(const QStringList& unknown) {
    if (readerUnknown_ == nullptr) return;
    readerUnknown_->setPlainText(unknown.join(QLatin1Char('\n')));
    readerUnknown_->setVisible(!unknown.isEmpty());
}

QDialog* ItemDesigner::readerDialog() {
    if (reader_ != nullptr) return reader_;
    reader_ = new QDialog(live_, Qt::Dialog);
    reader_->setObjectName(QStringLiteral("从指令读取"));
    reader_->setWindowTitle(QStringLiteral("从指令读取"));
    auto* layout = new QVBoxLayout(reader_);
    layout->addWidget(
        new QLabel(QStringLiteral("粘贴 /setname、/addlore、/addenchant、/addflag 等指令，每行一条："), reader_));
    readerInput_ = new QPlainTextEdit(reader_);
    readerInput_->setObjectName(QStringLiteral("指令"));
    readerInput_->setAccessibleName(QStringLiteral("要读取的指令"));
    layout->addWidget(readerInput_);
    auto* unknownLabel = new QLabel(QStringLiteral("无法识别的行（没有读入）："), reader_);
    layout->addWidget(unknownLabel);
    readerUnknown_ = new QPlainTextEdit(reader_);
    readerUnknown_->setObjectName(QStringLiteral("无法识别"));
    readerUnknown_->setAccessibleName(QStringLiteral("无法识别的行"));
    readerUnknown_->setReadOnly(true);
    readerUnknown_->setMaximumHeight(96);
    layout->addWidget(readerUnknown_);
    auto* buttons = new QDialogButtonBox(reader_);
    QPushButton* readButton = buttons->addButton(QStringLiteral("读取"), QDialogButtonBox::AcceptRole);
    readButton->setObjectName(QStringLiteral("读取"));
    buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(readerUnknown_, &QPlainTextEdit::textChanged, unknownLabel,
            [this, unknownLabel] { unknownLabel->setVisible(!readerUnknown_->toPlainText().isEmpty()); });
    unknownLabel->hide();
    readerUnknown_->hide();
    // Reading keeps the window open when some lines were not understood, so they can be seen.
    connect(readButton, &QPushButton::clicked, this, [this] {
        if (readCommands(readerInput_->toPlainText()).isEmpty()) reader_->hide();
    });
    connect(buttons, &QDialogButtonBox::rejected, reader_, &QDialog::hide);
    reader_->resize(480, 360);
    return reader_;
}

}  // namespace ui
