// A question a control asks before it does what cannot be taken back (deleting a template,
// replacing changed fields): a person answers in a message box that does not hold the event
// loop; while an automation op runs, nobody is asked: the answer is "no", at once, and the
// question becomes the op's refusal, as the menus' questions do.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace ui {

// Asks over parent; answer hears true for the yes button.
void ask(QWidget* parent, const QString& title, const QString& question, const QString& yes,
         const std::function<void(bool)>& answer);

// While one lives (on the UI thread), every question is a script's: answered "no", and the
// last question asked is kept as the refusal.
class ScriptAnswers {
public:
    ScriptAnswers();
    ~ScriptAnswers();
    ScriptAnswers(const ScriptAnswers&) = delete;
    ScriptAnswers& operator=(const ScriptAnswers&) = delete;

    // The question answered "no", empty when none was asked.
    const QString& refusal() const { return refusal_; }

private:
    friend void ask(QWidget*, const QString&, const QString&, const QString&, const std::function<void(bool)>&);
    ScriptAnswers* outer_;
    QString refusal_;
};

}  // namespace ui
