// "比较": what a panel's text changes in its file, line by line with the file's line numbers,
// before a save overwrites it.
#pragma once

#include <QColor>
#include <QDialog>
#include <vector>

#include "documents/diff.h"
#include "documents/document.h"
#include "storage/text_codec.h"

class QTextEdit;
class QLabel;

namespace ui {

class Servers;

class DiffView : public QDialog {
public:
    // The rows' colours and height.
    static constexpr int kRowPadding = 2;
    static inline const QColor kRemovedGround{0xFF, 0xE0, 0xDE};
    static inline const QColor kRemovedInk{0x6B, 0x00, 0x00};
    static inline const QColor kAddedGround{0xDC, 0xF5, 0xDC};
    static inline const QColor kAddedInk{0x00, 0x40, 0x00};

    // Reads the file off the UI thread and shows how text changes it; deletes itself on close.
    static DiffView* show(QWidget* parent, const QString& path, storage::Encoding encoding, const QString& text);
    // The same for a file's bytes already at hand (what a server's file holds now); name is how
    // the file is shown ("lobby:/srv/.../sockets.yml").
    static DiffView* showBytes(QWidget* parent, const QString& name, const QByteArray& bytes,
                               storage::Encoding encoding, const QString& text);
    // The same for a document's file on a server, read from the server now.
    static DiffView* showServer(QWidget* parent, Servers& servers, const documents::Document& document,
                                const QString& text);

    QTextEdit* lines() const { return lines_; }
    QLabel* summary() const { return summary_; }
    // The file has been read and its changes are shown (or why it could not be read).
    bool isLoaded() const { return loaded_; }

private:
    // name: the file as the user is shown it.
    explicit DiffView(QWidget* parent, const QString& name);
    void setChanges(const QString& error, const std::vector<documents::Change>& changes);
    void compareWith(const QByteArray& bytes, storage::Encoding encoding, const QString& text);

    QLabel* summary_;
    QTextEdit* lines_;
    bool loaded_ = false;
};

}  // namespace ui
