// Putting a large text (an opened file) into a panel without holding the event loop.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPlainTextEdit>
#include <QString>
#include <QTimer>

namespace ui {

// Puts a large text into a panel a slice at a time, a few milliseconds per turn of the event
// loop, so that the window answers input while a file of many megabytes goes in. The panel
// is read-only meanwhile. What is appended to the panel meanwhile stays after the text; a
// change to the part already put in (a clear, 新建) ends the fill early. A child of the
// panel, deleted once it has finished.
class PanelFill : public QObject {
    Q_OBJECT
public:
    // Replacing empties the panel first (the panel's memory keeps what it held: "撤销清空" or
    // Ctrl+Z puts it back); otherwise the text goes after what the panel holds, on a line of its
    // own. Line ends as appendToPanel takes them.
    PanelFill(QPlainTextEdit* panel, QString text, bool replace);
    ~PanelFill() override;

    // The fill running in a panel, or nullptr.
    static PanelFill* of(const QPlainTextEdit* panel);

    void start();
    // Puts the rest in at once (the editor closing).
    void finishNow();

signals:
    void progress(qsizetype done, qsizetype total);
    // complete: the whole text is in the panel; false when a change or the panel's end cut
    // it short.
    void finished(bool complete);

private:
    void step(qint64 budgetMs);
    // Inserts text at a place, as the fill's own change; returns its length in the document.
    int insertAt(int position, const QString& text);
    void insertSlice(qsizetype begin);
    void contentsChange(int from, int removed, int added);
    void end(bool complete);

    QPlainTextEdit* panel_;
    QString text_;
    QString written_;  // appending: what went in, in the document's form, for the panel's memory
    bool replace_;
    qsizetype left_ = 0;  // text_[0, left_) is still to go in
    int start_ = 0;       // the text's place in the document: [start_, end_)
    int end_ = 0;
    bool inserting_ = false;
    bool running_ = false;
    bool readOnly_ = false;  // the panel's own setting, given back at the end
    QTimer* timer_;
    QElapsedTimer sinceProgress_;
};

}  // namespace ui
