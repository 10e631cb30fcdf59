// "比较": what a panel's text changes in its file, line by line with the file's line numbers,
// before a save overwrites it.
#pragma once

#include <QDialog>
#include <vector>

#include "documents/diff.h"
#include "storage/text_codec.h"

class QPlainTextEdit;
class QLabel;

namespace ui {

class DiffView : public QDialog {
public:
    // Reads the file off the UI thread and shows how text changes it; deletes itself on close.
    static DiffView* show(QWidget* parent, const QString& path, storage::Encoding encoding, const QString& text);

    QPlainTextEdit* lines() const { return lines_; }
    QLabel* summary() const { return summary_; }

private:
    explicit DiffView(QWidget* parent, const QString& path);
    void setChanges(const QString& error, const std::vector<documents::Change>& changes);

    QLabel* summary_;
    QPlainTextEdit* lines_;
};

}  // namespace ui
