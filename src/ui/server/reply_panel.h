// The "服务器回复" panel below the main window's form: every line sent to the server with what
// came of it underneath (the answer in the colours the game draws, why a line was not sent, or
// what went wrong), the line being waited for, and the command box for anything else.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

#include "text/format.h"

class QLabel;
class QPushButton;
class QTextEdit;

namespace ui {

class CommandLine;

class ReplyPanel : public QWidget {
    Q_OBJECT
public:
    // What came of a line.
    enum class Outcome {
        Answer,   // the server's answer, colour codes and all
        Skipped,  // not sent: the console cannot run it
        Failed,   // refused, timed out, dropped: the message says which
        NotSent,  // not sent: an earlier line failed, or the user stopped
    };

    // Keeps the last this many lines of answers; older ones leave the top.
    static constexpr int kMaxBlocks = 20'000;
    // An answer longer than this many characters shows its beginning only: drawing megabytes
    // of runs would hold the window. The whole answer stays with the send op's reply.
    static constexpr qsizetype kMaxShown = 20'000;
    // The part of an answer that is shown: all of it, or its first kMaxShown characters (one
    // less where the last would be half a surrogate pair).
    static QString shownPart(const QString& answer);
    // An answer's lines as the game's console and chat draw them: "§" starts a code, "&" is
    // text, since the game takes "&" for nothing.
    static std::vector<text::Line> linesOf(const QString& answer);

    explicit ReplyPanel(QWidget* parent = nullptr);

    // One line and, under it, what came of it. where says where the line came from
    // ("第3行"), empty for the command box.
    void addExchange(const QString& where, const QString& command, Outcome outcome, const QString& text);
    // A line of its own: a batch of lines begins, the connection changed, the keyring's word.
    void addNote(const QString& text);
    // What is being waited for, in the panel's head; empty when nothing is.
    void setWaiting(const QString& text);
    // Whether the "停止" button shows (lines of a panel are going out).
    void setStoppable(bool stoppable);
    void clear();

    QTextEdit* view() const { return view_; }
    CommandLine* commandLine() const { return commandLine_; }
    QLabel* waitingLabel() const { return waiting_; }
    QPushButton* stopButton() const { return stop_; }
    QPushButton* hideButton() const { return hide_; }

    QSize sizeHint() const override;

signals:
    // A line entered in the command box (Enter or "发送").
    void commandEntered(const QString& line);
    void stopRequested();
    void hideRequested();

private:
    void scrollToEnd();

    QTextEdit* view_;
    QLabel* waiting_;
    QPushButton* stop_;
    QPushButton* hide_;
    CommandLine* commandLine_;
};

}  // namespace ui
