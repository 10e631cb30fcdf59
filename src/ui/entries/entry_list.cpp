#include "ui/entries/entry_list.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include "text/colour_tools.h"
#include "text/contrast.h"
#include "text/format.h"
#include "ui/base/fonts.h"
#include "ui/base/text.h"
#include "ui/entries/entry_editor.h"

namespace ui {

namespace {

enum Column { Id, Kind, Name, Line, Columns };

QString kindName(entries::Kind kind) {
    switch (kind) {
    case entries::Kind::Gem: return QStringLiteral("宝石");
    case entries::Kind::Element: return QStringLiteral("元素");
    case entries::Kind::KeyLore: return QStringLiteral("关键lore");
    case entries::Kind::Other: return QStringLiteral("其他");
    }
    return {};
}

constexpr int kRunsRole = Qt::UserRole + 1;
constexpr std::uint32_t kTooltipGround = 0x100010;  // the game's tooltip background

text::Rgb rgbOf(std::uint32_t rgb) {
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb)};
}

// Draws a name or lore as the game does: its runs in their colours on the tooltip's dark
// background, which keeps white and yellow text readable in a light palette. A run the dark
// ground would swallow (black, dark blue) stands on a light backing.
class RunsDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const std::string label = toUtf8(index.data(kRunsRole).toString());
        // An entry without a name is an empty cell like any other, not a dark box.
        if (label.empty()) return QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->fillRect(option.rect, QColor::fromRgb(kTooltipGround));
        if (option.state & QStyle::State_Selected)
            painter->fillRect(option.rect, option.palette.color(QPalette::Highlight).darker(200));
        int x = option.rect.left() + 4;
        const int baseline = option.rect.top() + (option.rect.height() + option.fontMetrics.ascent()) / 2 - 1;
        const std::vector<text::Line> lines = text::format(label, text::Role::Name);
        if (!lines.empty()) {
            for (const text::Run& run : lines.front()) {
                QFont font = option.font;
                font.setBold(run.style.bold);
                font.setItalic(run.style.italic);
                font.setUnderline(run.style.underlined);
                font.setStrikeOut(run.style.strikethrough);
                painter->setFont(font);
                const QString words = fromUtf8(run.text);
                const QFontMetrics metrics(font);
                const int width = metrics.horizontalAdvance(words);
                if (!text::legibleOn(rgbOf(run.style.rgb), rgbOf(kTooltipGround))) {
                    const text::Rgb backing = text::kLightBacking;
                    painter->fillRect(QRect(x, baseline - metrics.ascent(), width, metrics.height()),
                                      QColor(backing.r, backing.g, backing.b));
                }
                painter->setPen(QColor::fromRgb(run.style.rgb));
                painter->drawText(x, baseline, words);
                x += width;
                if (x > option.rect.right()) break;
            }
        }
        painter->restore();
    }
};

}  // namespace

// The rows of the shown index.
class EntryModel : public QAbstractTableModel {
public:
    explicit EntryModel(EntryEditor& editor, QObject* parent) : QAbstractTableModel(parent), editor_(editor) {}

    void reset() {
        beginResetModel();
        index_ = editor_.shown();
        endResetModel();
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() || index_ == nullptr ? 0 : static_cast<int>(index_->listing().entries.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : Columns; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index_ == nullptr) return {};
        const entries::Entry& entry = index_->listing().entries[static_cast<std::size_t>(index.row())];
        if (role == kRunsRole) return fromUtf8(entry.label);
        if (role == Qt::ToolTipRole)
            return QStringLiteral("%1（%2，第 %3–%4 行）")
                .arg(fromUtf8(entry.id), kindName(entry.kind))
                .arg(entry.line)
                .arg(entry.end);
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
        switch (index.column()) {
        case Id: return fromUtf8(entry.id);
        case Kind: return kindName(entry.kind);
        case Name: return fromUtf8(text::stripCodes(entry.label));  // for the filter and screen readers
        case Line: return entry.line;
        default: return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        static const char* const kTitles[] = {"标识符", "种类", "名称", "行"};
        return QString::fromUtf8(kTitles[section]);
    }

private:
    EntryEditor& editor_;
    std::shared_ptr<const entries::Index> index_;
};

EntryList::EntryList(EntryEditor& editor, QWidget* parent) : QWidget(parent), editor_(editor) {
    setObjectName(QStringLiteral("条目"));
    setAccessibleName(QStringLiteral("条目"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    // Narrower when the dock is dragged so: the table scrolls sideways.
    setMinimumWidth(200);
}

QSize EntryList::sizeHint() const { return {360, QWidget::sizeHint().height()}; }

QTableView* EntryList::view() {
    build();
    return view_;
}

QLineEdit* EntryList::filter() {
    build();
    return filter_;
}

void EntryList::showEvent(QShowEvent* event) {
    build();
    QWidget::showEvent(event);
}

void EntryList::build() {
    if (view_ != nullptr) return;
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    filter_ = new QLineEdit(this);
    filter_->setPlaceholderText(QStringLiteral("按标识符或名称查找"));
    filter_->setAccessibleName(QStringLiteral("查找条目"));
    filter_->setClearButtonEnabled(true);
    layout->addWidget(filter_);
    model_ = new EntryModel(editor_, this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy_->setFilterKeyColumn(-1);  // identifier, kind, name or line
    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) {
        proxy_->setFilterFixedString(text);
        showCount();
    });
    // Down goes from the filter into the list, Enter loads the chosen match (or the only one).
    filter_->installEventFilter(this);
    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("entries"));
    view_->setAccessibleName(QStringLiteral("条目列表"));
    view_->setModel(proxy_);
    view_->setItemDelegateForColumn(Name, new RunsDelegate(view_));
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
    view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view_->horizontalHeader()->setStretchLastSection(false);
    view_->horizontalHeader()->setSectionResizeMode(Name, QHeaderView::Stretch);
    view_->setColumnWidth(Id, 96);
    view_->setColumnWidth(Kind, 60);
    view_->setColumnWidth(Name, 120);
    view_->setColumnWidth(Line, 44);
    view_->setWordWrap(false);
    view_->installEventFilter(this);
    layout->addWidget(view_, 1);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    layout->addWidget(status_);
    connect(view_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { loadRow(index.row()); });
    connect(view_, &QTableView::customContextMenuRequested, this, &EntryList::showMenu);
    connect(&editor_, &EntryEditor::listChanged, this, &EntryList::refresh);
    refresh();
}

void EntryList::refresh() {
    const QString selected = view_->currentIndex().isValid() ? idAt(view_->currentIndex().row()) : QString();
    model_->reset();
    const std::shared_ptr<const entries::Index> index = editor_.shown();
    if (index == nullptr) return status_->clear();
    showCount();
    if (selected.isEmpty()) return;
    for (int row = 0; row < proxy_->rowCount(); ++row)
        if (idAt(row) == selected) return view_->setCurrentIndex(proxy_->index(row, Id));
}

// "12 个条目", "1 / 12 个条目" while a filter hides some, or why the server cannot read the text.
void EntryList::showCount() {
    const std::shared_ptr<const entries::Index> index = editor_.shown();
    if (index == nullptr || status_ == nullptr) return;
    const entries::Listing& listing = index->listing();
    const auto all = static_cast<int>(listing.entries.size());
    const QString count = filter_->text().isEmpty() ? QStringLiteral("%1 个条目").arg(all)
                                                    : QStringLiteral("%1 / %2 个条目").arg(proxy_->rowCount()).arg(all);
    status_->setText(
        listing.broken
            ? QStringLiteral("✗ 服务器无法读取：%1（列出的是还能看出的条目）；%2").arg(fromUtf8(listing.message), count)
            : count);
}

QString EntryList::idAt(int row) const {
    return proxy_ != nullptr ? proxy_->index(row, Id).data().toString() : QString();
}

bool EntryList::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == view_ && enter && view_->currentIndex().isValid()) {
        loadRow(view_->currentIndex().row());
        return true;
    }
    if (watched == filter_ && (key == Qt::Key_Down || key == Qt::Key_PageDown) && proxy_->rowCount() > 0) {
        view_->setFocus(Qt::TabFocusReason);
        if (!view_->currentIndex().isValid()) view_->setCurrentIndex(proxy_->index(0, Id));
        view_->selectRow(view_->currentIndex().row());
        return true;
    }
    if (watched == filter_ && enter) {
        if (view_->currentIndex().isValid())
            loadRow(view_->currentIndex().row());
        else if (proxy_->rowCount() == 1)
            loadRow(0);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void EntryList::loadRow(int row) {
    const EntryEditor::Outcome outcome = editor_.load(idAt(row));
    if (!outcome.ok()) tell(outcome.message);
}

void EntryList::tell(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("条目"), message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void EntryList::showMenu(const QPoint& at) {
    const QModelIndex index = view_->indexAt(at);
    if (!index.isValid()) return;
    const QString id = idAt(index.row());
    const int line = proxy_->index(index.row(), Line).data().toInt();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("载入到页面"), this, [this, row = index.row()] { loadRow(row); });
    menu->addAction(QStringLiteral("转到第 %1 行").arg(line), this, [this, line] { editor_.goToLine(line); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("复制为新条目…"), this,
                    [this, id] { askName(QStringLiteral("复制条目"), id, false); });
    menu->addAction(QStringLiteral("重命名…"), this, [this, id] { askName(QStringLiteral("重命名条目"), id, true); });
    menu->addAction(QStringLiteral("删除…"), this, [this, id, line] { askRemove(id, line); });
    menu->popup(view_->viewport()->mapToGlobal(at));
}

// Deleting asks first: the entry and the comment lines right above it go.
void EntryList::askRemove(const QString& id, int line) {
    auto* box = new QMessageBox(
        QMessageBox::Question, QStringLiteral("删除条目"),
        QStringLiteral(
            "删除条目“%1”（第 %2 行起）和紧挨在它上面的注释行吗？\n删除后可以在配置文件输出框中按 Ctrl+Z 撤销。")
            .arg(id)
            .arg(line),
        QMessageBox::NoButton, this);
    QPushButton* remove = box->addButton(QStringLiteral("删除"), QMessageBox::DestructiveRole);
    box->setDefaultButton(box->addButton(QStringLiteral("取消"), QMessageBox::RejectRole));
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box, remove, id] {
        if (box->clickedButton() != remove) return;
        const EntryEditor::Outcome outcome = editor_.remove(id);
        if (!outcome.ok()) tell(outcome.message);
    });
    box->open();
}

// The new identifier for a copy or a rename. A refused name keeps the dialog open with the
// reason under the field, so the user can change it there.
void EntryList::askName(const QString& title, const QString& id, bool rename) {
    auto* dialog = new QDialog(this);
    dialog->setObjectName(QStringLiteral("entryName"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    auto* layout = new QVBoxLayout(dialog);
    auto* label = new QLabel(
        rename ? QStringLiteral("“%1”的新标识符：").arg(id) : QStringLiteral("复制“%1”，新条目的标识符：").arg(id),
        dialog);
    auto* field = new QLineEdit(rename ? id : id + QStringLiteral("_2"), dialog);
    field->setAccessibleName(label->text());
    label->setBuddy(field);
    auto* reason = new QLabel(dialog);
    reason->setObjectName(QStringLiteral("reason"));
    reason->setWordWrap(true);
    reason->setTextFormat(Qt::PlainText);
    QPalette red = reason->palette();
    red.setColor(QPalette::WindowText,
                 red.color(QPalette::Window).lightness() < 128 ? QColor(0xff, 0x8a, 0x80) : QColor(0xb0, 0x00, 0x20));
    reason->setPalette(red);
    reason->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(rename ? QStringLiteral("重命名") : QStringLiteral("复制"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(label);
    layout->addWidget(field);
    layout->addWidget(reason);
    layout->addWidget(buttons);
    field->selectAll();
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, dialog, [this, dialog, field, reason, id, rename] {
        const QString as = field->text();
        const EntryEditor::Outcome outcome = rename ? editor_.rename(id, as) : editor_.duplicate(id, as);
        if (outcome.ok()) return dialog->accept();
        reason->setText(outcome.message);
        reason->show();
        dialog->adjustSize();
        field->setFocus();
        field->selectAll();
    });
    connect(field, &QLineEdit::textEdited, reason, &QWidget::hide);
    dialog->open();
}

}  // namespace ui
