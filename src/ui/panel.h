// The output panels: multi-line EditBoxes that collect builder output for the user to copy.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPlainTextEdit>
#include <QString>
#include <QTextBlock>
#include <QTimer>
#include <functional>

namespace ui {

// A multi-line EditBox: wrapped at its width, no length limit, editable. Lines wrap at word
// boundaries; while the text holds a word far wider than the box (a pasted NBT or base64
// string), it wraps anywhere instead, because Qt's layout of one long unbreakable word takes
// time that grows with the square of its length.
class MultiLineEdit : public QPlainTextEdit {
public:
    MultiLineEdit(QWidget* parent, bool verticalScrollBar);

protected:
    void insertFromMimeData(const QMimeData* source) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// What an output panel remembers so that a wrong click costs nothing: the text its last
// clear removed, and the text its last append wrote. Lives as a child of the panel; only
// panels that have one offer "撤销清空" and "删除上一次添加".
class PanelMemory : public QObject {
    Q_OBJECT
public:
    explicit PanelMemory(QPlainTextEdit* panel);
    // The memory of a panel, or nullptr for a box that is no output panel.
    static PanelMemory* of(const QPlainTextEdit* panel);

    bool canUndoClear() const { return !cleared_.isEmpty(); }
    // True while the panel still ends with what its last append wrote.
    bool canRemoveLast() const;

    // Puts the cleared text back in front of whatever was appended since; false when there
    // is nothing to put back.
    bool undoClear();
    // Removes what the last append wrote, if the panel still ends with it.
    bool removeLast();

    // Called by clearPanel and appendToPanel. Text is in the document's own form
    // (paragraph separators), as QTextDocument::toRawText gives it.
    void cleared(QString text);
    void appended(QString text);
    // Forgets both (a new session).
    void forget();

    // When the remembered clear and append happened, as a count that only grows across all
    // panels (0: never): the menu's "撤销清空" takes back the latest clear of any panel.
    quint64 clearedAt() const { return clearedAt_; }
    quint64 appendedAt() const { return appendedAt_; }

signals:
    void changed();

private:
    void contentsChange(int from, int removed, int added);

    QPlainTextEdit* panel_;
    QString cleared_;
    QString lastAppend_;
    // Where the last append's text starts, and whether nothing changed in it or after it
    // since: then the panel ends with it without comparing a long text on every change.
    int appendStart_ = 0;
    bool appendIntact_ = false;
    quint64 clearedAt_ = 0;
    quint64 appendedAt_ = 0;
};

// Before text goes into a multi-line box by code: picks the wrapping that keeps its layout
// linear, so the switch happens before Qt lays the long word out.
void prepareForText(QPlainTextEdit* edit, QStringView text);

// True when the text holds a run of more than a few thousand characters without a blank.
bool hasLongWord(QStringView text);

// Appends at the very end, whatever the user selected; the caret ends after the new text,
// which is scrolled into view. The append cannot be undone.
void appendToPanel(QPlainTextEdit* panel, const QString& text);

// The panel's whole text with CR LF line ends, exactly as the builders wrote them.
QString panelText(const QPlainTextEdit* panel);

// Puts the whole text on the clipboard as plain text; an empty panel gives an empty text.
// Returns the text copied.
QString copyPanel(const QPlainTextEdit* panel);

// Empties the panel; its memory (if any) keeps the text for "撤销清空". Clearing an empty
// panel keeps the earlier memory, so a second click cannot lose the first one's text.
void clearPanel(QPlainTextEdit* panel);

// Reads a panel's text a slice at a time: appends the lines from block on to text, each
// after a '\n' but the document's first, until the slice has run ms milliseconds; block is
// then the first line not read yet (invalid once the whole text is read).
void readPanelLines(QTextBlock& block, QString& text, const QElapsedTimer& slice, qint64 ms);

// Puts a large text into a panel a slice at a time, a few milliseconds per turn of the event
// loop, so that the window answers input while a file of many megabytes goes in. The panel
// is read-only meanwhile. What is appended to the panel meanwhile stays after the text; a
// change to the part already put in (a clear, 新建) ends the fill early. A child of the
// panel, deleted once it has finished.
class PanelFill : public QObject {
    Q_OBJECT
public:
    // Replacing empties the panel first (not undoable, like an append); otherwise the text
    // goes after what the panel holds, on a line of its own. Line ends as appendToPanel takes them.
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

// Reads a panel's whole text (lines joined by LF) a few milliseconds per turn of the event
// loop, so that a large panel never holds the loop; a change to the panel meanwhile starts the
// reading over. A child of the panel: deleting it cancels the reading, and it deletes itself
// once it has handed the text on.
class PanelReader : public QObject {
public:
    PanelReader(QPlainTextEdit* panel, qint64 sliceMs, std::function<void(QString)> done);
    // Reads the first slice now, the others on later turns of the loop.
    void start();

private:
    void step();

    QPlainTextEdit* panel_;
    qint64 sliceMs_;
    std::function<void(QString)> done_;
    QTextBlock block_;
    QString text_;
    bool changed_ = true;
    QTimer timer_;
};

// Replaces the whole text at once, as opening a file does; not undoable, like an append.
void replacePanelText(QPlainTextEdit* panel, const QString& text);

}  // namespace ui
