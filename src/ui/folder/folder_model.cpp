#include "ui/folder/folder_model.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QStyle>

#include "text/colour_tools.h"
#include "ui/base/text.h"
#include "ui/folder/plugin_folder.h"

namespace ui {
namespace {

// The row of an entry keeps its file's row in its internal id (0 marks a file's own row).
constexpr quintptr kTop = 0;

QString markOf(project::Change change) {
    switch (change) {
    case project::Change::Changed: return QStringLiteral("已改动");
    case project::Change::Added: return QStringLiteral("新文件");
    case project::Change::Removed: return QStringLiteral("已删除");
    }
    return {};
}

}  // namespace

void FolderModel::setReading(std::shared_ptr<const project::FolderRead> read,
                             const QList<project::FileChange>& changes) {
    beginResetModel();
    read_ = std::move(read);
    marks_.clear();
    for (const project::FileChange& change : changes) marks_.insert(change.path, change.change);
    matches_.reset();
    rebuild();
    endResetModel();
}

void FolderModel::setMatches(std::optional<std::vector<project::Match>> matches) {
    beginResetModel();
    matches_ = std::move(matches);
    rebuild();
    endResetModel();
}

void FolderModel::rebuild() {
    rows_.clear();
    shownEntries_ = 0;
    if (read_ == nullptr) return;
    const std::vector<project::File>& files = read_->folder.files();
    if (!matches_) {
        for (std::size_t f = 0; f < files.size(); ++f) {
            rows_.push_back({.file = static_cast<int>(f)});
            shownEntries_ += static_cast<int>(files[f].entries().size());
        }
        for (qsizetype s = 0; s < read_->skipped.size(); ++s) rows_.push_back({.skipped = static_cast<int>(s)});
        return;
    }
    // The matches come in the order of the files and lines: one row per file that has any.
    for (const project::Match& match : *matches_) {
        if (rows_.empty() || rows_.back().file != static_cast<int>(match.file))
            rows_.push_back({.file = static_cast<int>(match.file), .all = false});
        rows_.back().entries.push_back(static_cast<int>(match.entry));
        ++shownEntries_;
    }
}

int FolderModel::entryAt(const Row& row, int childRow) const { return row.all ? childRow : row.entries[childRow]; }

QModelIndex FolderModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= Columns || row >= rowCount(parent)) return {};
    if (!parent.isValid()) return createIndex(row, column, kTop);
    return createIndex(row, column, static_cast<quintptr>(parent.row()) + 1);
}

QModelIndex FolderModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == kTop) return {};
    return createIndex(static_cast<int>(child.internalId() - 1), 0, kTop);
}

int FolderModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return static_cast<int>(rows_.size());
    if (parent.internalId() != kTop || parent.column() != 0) return 0;
    const Row& row = rows_[static_cast<std::size_t>(parent.row())];
    if (row.file < 0) return 0;
    if (!row.all) return static_cast<int>(row.entries.size());
    return static_cast<int>(read_->folder.files()[static_cast<std::size_t>(row.file)].entries().size());
}

int FolderModel::columnCount(const QModelIndex&) const { return Columns; }

QVariant FolderModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || read_ == nullptr) return {};
    if (index.internalId() == kTop) return fileData(rows_[static_cast<std::size_t>(index.row())], index.column(), role);
    const Row& row = rows_[static_cast<std::size_t>(index.internalId() - 1)];
    return entryData(row, entryAt(row, index.row()), index.column(), role);
}

QVariant FolderModel::fileData(const Row& row, int column, int role) const {
    if (row.file < 0) {
        const project::Skipped& skipped = read_->skipped[row.skipped];
        switch (role) {
        case kFileRole:
        case kEntryRole: return -1;
        case kPathRole: return skipped.path;
        case Qt::ToolTipRole: return QStringLiteral("%1：%2").arg(skipped.path, skipped.why);
        case Qt::ForegroundRole: return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            if (column == Name) return skipped.path;
            if (column == Kind) return QStringLiteral("跳过");
            return {};
        default: return {};
        }
    }
    const project::File& file = read_->folder.files()[static_cast<std::size_t>(row.file)];
    const QString path = fromUtf8(file.path);
    const auto mark = marks_.constFind(path);
    const auto entries = static_cast<int>(file.entries().size());
    const bool broken = file.error.empty() && file.index != nullptr && file.index->listing().broken;
    switch (role) {
    case kFileRole: return row.file;
    case kEntryRole: return -1;
    case kPathRole: return path;
    case Qt::FontRole:
        if (mark == marks_.constEnd()) return {};
        {
            QFont bold = QApplication::font();
            bold.setBold(true);
            return bold;
        }
    case Qt::DecorationRole:
        if (column == Name && (!file.error.empty() || broken))
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        return {};
    case Qt::ToolTipRole: {
        QString tip = QStringLiteral("%1（%2，%3 个条目）").arg(path, kindCaption(file.kind)).arg(entries);
        if (mark != marks_.constEnd()) tip += QStringLiteral("\n自上次读取后：") + markOf(*mark);
        if (!file.error.empty()) tip += QStringLiteral("\n没有读取：") + fromUtf8(file.error);
        if (broken) tip += QStringLiteral("\n服务器无法读取：") + fromUtf8(file.index->listing().message);
        return tip;
    }
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (column) {
        case Name: {
            QString name = path;
            if (mark != marks_.constEnd()) name += QStringLiteral("（%1）").arg(markOf(*mark));
            if (!file.error.empty()) name += QStringLiteral("（没有读取）");
            return name;
        }
        case Kind: return kindCaption(file.kind);
        case Count:
            if (!row.all) return QStringLiteral("%1/%2").arg(row.entries.size()).arg(entries);
            return entries;
        default: return {};
        }
    default: return {};
    }
}

QVariant FolderModel::entryData(const Row& row, int entry, int column, int role) const {
    const project::File& file = read_->folder.files()[static_cast<std::size_t>(row.file)];
    const entries::Entry& e = file.entries()[static_cast<std::size_t>(entry)];
    switch (role) {
    case kFileRole: return row.file;
    case kEntryRole: return entry;
    case kPathRole: return fromUtf8(file.path);
    case kIdRole: return fromUtf8(e.id);
    case kLineRole: return e.line;
    case Qt::ToolTipRole: {
        QString tip = QStringLiteral("%1（%2，%3 第 %4–%5 行）")
                          .arg(fromUtf8(e.id), kindCaption(e.kind), fromUtf8(file.path))
                          .arg(e.line)
                          .arg(e.end);
        if (!e.label.empty()) tip += QLatin1Char('\n') + fromUtf8(e.label);
        return tip;
    }
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (column) {
        case Name: {
            const std::string label = text::stripCodes(e.label);
            return label.empty() ? fromUtf8(e.id) : QStringLiteral("%1  %2").arg(fromUtf8(e.id), fromUtf8(label));
        }
        case Kind: return kindCaption(e.kind);
        case Count: return QStringLiteral("第 %1 行").arg(e.line);
        default: return {};
        }
    default: return {};
    }
}

QVariant FolderModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kTitles[] = {"文件和条目", "种类", "条目/行"};
    return QString::fromUtf8(kTitles[section]);
}

void FindingsModel::setFindings(std::vector<project::Finding> findings, const std::vector<project::Finding>& added) {
    beginResetModel();
    findings_ = std::move(findings);
    added_.assign(findings_.size(), false);
    for (const project::Finding& finding : added)
        for (std::size_t i = 0; i < findings_.size(); ++i)
            if (!added_[i] && findings_[i] == finding) {
                added_[i] = true;
                break;
            }
    endResetModel();
}

int FindingsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(findings_.size());
}

int FindingsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Columns; }

QVariant FindingsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const project::Finding& f = findings_[row];
    switch (role) {
    case kMessageRole:
    case Qt::ToolTipRole: return fromUtf8(f.message);
    case Qt::FontRole:
        if (!added_[row]) return {};
        {
            QFont bold = QApplication::font();
            bold.setBold(true);
            return bold;
        }
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (index.column()) {
        case Place: {
            QString place = QStringLiteral("%1:%2").arg(fromUtf8(f.panel.empty() ? f.file : f.panel)).arg(f.line);
            if (added_[row]) place = QStringLiteral("新 ") + place;
            return place;
        }
        case What: return findingName(f.code);
        case Entry: return fromUtf8(f.entry);
        default: return {};
        }
    default: return {};
    }
}

QVariant FindingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kTitles[] = {"位置", "问题", "条目"};
    return QString::fromUtf8(kTitles[section]);
}

}  // namespace ui
