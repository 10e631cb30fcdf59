#include "ui/server/command_line.h"

#include <QKeyEvent>

namespace ui {

CommandLine::CommandLine(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::returnPressed, this, &CommandLine::enter);
}

void CommandLine::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Up) return step(-1);
        if (event->key() == Qt::Key_Down) return step(1);
    }
    QLineEdit::keyPressEvent(event);
}

void CommandLine::enter() {
    const QString line = text();
    if (line.trimmed().isEmpty()) return;
    if (history_.isEmpty() || history_.back() != line) history_.append(line);
    if (history_.size() > kMaxHistory) history_.removeFirst();
    at_ = history_.size();
    draft_.clear();
    clear();
    emit entered(line);
}

void CommandLine::step(int direction) {
    const qsizetype to = at_ + direction;
    if (to < 0 || to > history_.size()) return;
    if (at_ == history_.size()) draft_ = text();
    at_ = to;
    setText(at_ == history_.size() ? draft_ : history_[at_]);
}

}  // namespace ui
