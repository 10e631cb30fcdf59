// What an output panel remembers so that a wrong click costs nothing: the text its last clear
// removed, and the text its last append wrote.
#pragma once

#include <QObject>
#include <QPlainTextEdit>
#include <QString>

class QKeyEvent;
class QMenu;

namespace ui {

// Lives as a child of the panel; only panels that have one offer "撤销清空" and "删除上一次添加"
// (in their context menu, and Ctrl+Z right after a clear, in whatever widget of the window
// has the focus).
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
    // The panel's whole text was replaced by another (a file opened or read again over it):
    // taking back this "clear" puts the text back in place of the panel's, as one step of the
    // panel's undo history, and says so (replacementUndone).
    void replaced(QString text);
    void appended(QString text);
    // Forgets both (a new session).
    void forget();

    // When the remembered clear and append happened, as a count that only grows across all
    // panels (0: never): the menu's "撤销清空" takes back the latest clear of any panel.
    quint64 clearedAt() const { return clearedAt_; }
    quint64 appendedAt() const { return appendedAt_; }

signals:
    void changed();
    // The text a replacement took away is back in the panel.
    void replacementUndone();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void contentsChange(int from, int removed, int added);
    // Ctrl+Z anywhere in the window takes back the clear, until something is typed.
    void arm();
    void disarm();
    static bool changesText(const QKeyEvent* key);
    void addToMenu(QMenu* menu);

    QPlainTextEdit* panel_;
    QString cleared_;
    bool replacement_ = false;  // cleared_ was replaced, not cleared
    QString lastAppend_;
    // Where the last append's text starts, and whether nothing changed in it or after it
    // since: then the panel ends with it without comparing a long text on every change.
    int appendStart_ = 0;
    bool appendIntact_ = false;
    bool armed_ = false;
    quint64 clearedAt_ = 0;
    quint64 appendedAt_ = 0;
};

}  // namespace ui
