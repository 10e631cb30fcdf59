// The one-line command box of the reply panel: Enter sends what it holds, the up and down keys
// walk through the lines sent before, newest first, and back to the line being typed.
#pragma once

#include <QLineEdit>
#include <QString>
#include <QStringList>

namespace ui {

class CommandLine : public QLineEdit {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxHistory = 200;

    explicit CommandLine(QWidget* parent = nullptr);

    // The lines sent, oldest first; the same line twice in a row is kept once.
    const QStringList& history() const { return history_; }

signals:
    // Enter on a line with more than blanks; the box is emptied and the line remembered.
    void entered(const QString& line);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void enter();
    void step(int direction);

    QStringList history_;
    qsizetype at_ = 0;  // the history line shown; history_.size() for the line being typed
    QString draft_;     // the line being typed, kept while the history is shown
};

}  // namespace ui
