// The models of the "插件文件夹" panel: the folder's files with their entries as a tree (all of
// them, or those a find matched), and the findings of its check as a table.
#pragma once

#include <QAbstractItemModel>
#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <memory>
#include <optional>
#include <vector>

#include "project/findings.h"
#include "project/reading/folder_read.h"

namespace ui {

// Files at the top (in the folder's order, then what the reading skipped), each file's entries
// below it. Three columns: the name (a file's path with its mark, an entry's identifier and its
// name or lore without colour codes), the kind, and a file's count or an entry's line.
class FolderModel : public QAbstractItemModel {
public:
    enum Column { Name, Kind, Count, Columns };
    // The file of a row (index into Folder::files()), -1 for a skipped item.
    static constexpr int kFileRole = Qt::UserRole + 1;
    // The entry of a row (index into its file's entries()), -1 for a file's row.
    static constexpr int kEntryRole = Qt::UserRole + 2;
    static constexpr int kPathRole = Qt::UserRole + 3;  // the file's path in the folder
    static constexpr int kIdRole = Qt::UserRole + 4;    // the entry's identifier
    static constexpr int kLineRole = Qt::UserRole + 5;  // the entry's line

    using QAbstractItemModel::QAbstractItemModel;

    // A new reading of the folder, with the marks of the files changed since the one before.
    void setReading(std::shared_ptr<const project::FolderRead> read, const QList<project::FileChange>& changes);
    // Only the entries matched (and their files); none: every file and entry.
    void setMatches(std::optional<std::vector<project::Match>> matches);
    bool filtered() const { return matches_.has_value(); }
    // The entries shown.
    int shownEntries() const { return shownEntries_; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        int file = -1;                  // the file, or -1 for an item the reading skipped
        int skipped = -1;               // that item
        std::vector<int> entries = {};  // the entries shown, when not all are
        bool all = true;                // every entry of the file is shown
    };
    void rebuild();
    QVariant fileData(const Row& row, int column, int role) const;
    QVariant entryData(const Row& row, int entry, int column, int role) const;
    int entryAt(const Row& row, int childRow) const;

    std::shared_ptr<const project::FolderRead> read_;
    QHash<QString, project::Change> marks_;
    std::optional<std::vector<project::Match>> matches_;
    std::vector<Row> rows_;
    int shownEntries_ = 0;
};

// One finding a row: where (file or panel and line), what (its name), and the identifier.
class FindingsModel : public QAbstractTableModel {
public:
    enum Column { Place, What, Entry, Columns };
    static constexpr int kMessageRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    // The findings; those of added (a save's) are shown marked.
    void setFindings(std::vector<project::Finding> findings, const std::vector<project::Finding>& added);
    const project::Finding& finding(int row) const { return findings_[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<project::Finding> findings_;
    std::vector<bool> added_;
};

}  // namespace ui
