#include "ui/entries/entry_list.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
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
    connect(filter_, &QLineEdit::textChanged, proxy_, &QSortFilterProxyModel::setFilterFixedString);
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
    const entries::Listing& listing = index->listing();
    status_->setText(
        listing.broken ? QStringLiteral("✗ 服务器无法读取：%1（列出的是还能看出的条目）").arg(fromUtf8(listing.message))
                       : QStringLiteral("%1 个条目").arg(listing.entries.size()));
    if (selected.isEmpty()) return;
    for (int row = 0; row < proxy_->rowCount(); ++row)
        if (idAt(row) == selected) return view_->setCurrentIndex(proxy_->index(row, Id));
}

QString EntryList::idAt(int row) const {
    return proxy_ != nullptr ? proxy_->index(row, Id).data().toString() : QString();
}

bool EntryList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && view_->currentIndex().isValid()) {
            loadRow(view_->currentIndex().row());
            return true;
        }
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
    menu->addAction(QStringLiteral("删除"), this, [this, id] {
        const EntryEditor::Outcome outcome = editor_.remove(id);
        if (!outcome.ok()) tell(outcome.message);
    });
    menu->popup(view_->viewport()->mapToGlobal(at));
}

void EntryList::askName(const QString& title, const QString& id, bool rename) {
    auto* dialog = new QInputDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    dialog->setLabelText(rename ? QStringLiteral("“%1”的新标识符：").arg(id)
                                : QStringLiteral("复制“%1”，新条目的标识符：").arg(id));
    dialog->setTextValue(rename ? id : id + QStringLiteral("_2"));
    connect(dialog, &QInputDialog::textValueSelected, this, [this, id, rename](const QString& as) {
        const EntryEditor::Outcome outcome = rename ? editor_.rename(id, as) : editor_.duplicate(id, as);
        if (!outcome.ok()) tell(outcome.message);
    });
    dialog->open();
}

}  // namespace ui
