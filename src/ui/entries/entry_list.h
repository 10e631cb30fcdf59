// The "条目" list beside the configuration panel: every top-level key of its text with its
// kind, its name or lore drawn in the game's colours and its line; a filter; double-click or
// Enter loads an entry into its page, the context menu also goes to its line, duplicates,
// renames and deletes it.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QTableView;

namespace ui {

class EntryEditor;
class EntryModel;

class EntryList : public QWidget {
    Q_OBJECT
public:
    EntryList(EntryEditor& editor, QWidget* parent);

    QTableView* view();
    QLineEdit* filter();
    // The identifier of the entry in a row of the view, as shown (filtered).
    QString idAt(int row) const;
    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The list's controls are made when it is first shown or asked for: it starts hidden,
    // and its table's header measures itself in a font of its own.
    void build();
    void refresh();
    void loadRow(int row);
    void showMenu(const QPoint& at);
    Q_INVOKABLE void askName(const QString& title, const QString& id, bool rename);
    Q_INVOKABLE void askRemove(const QString& id, int line);
    void showCount();
    void tell(const QString& message);

    EntryEditor& editor_;
    EntryModel* model_ = nullptr;
    QSortFilterProxyModel* proxy_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QTableView* view_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace ui
