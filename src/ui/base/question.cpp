#include "ui/base/question.h"

#include <QMessageBox>
#include <QPushButton>

namespace ui {
namespace {

ScriptAnswers* gAnswering = nullptr;  // the innermost script's answers, or none

}  // namespace

ScriptAnswers::ScriptAnswers() : outer_(gAnswering) { gAnswering = this; }

ScriptAnswers::~ScriptAnswers() { gAnswering = outer_; }

void ask(QWidget* parent, const QString& title, const QString& question, const QString& yes,
         const std::function<void(bool)>& answer) {
    if (gAnswering != nullptr) {
        gAnswering->refusal_ = question;
        return answer(false);
    }
    auto* box = new QMessageBox(QMessageBox::Question, title, question, QMessageBox::NoButton, parent);
    QPushButton* accept = box->addButton(yes, QMessageBox::AcceptRole);
    box->setDefaultButton(box->addButton(QStringLiteral("取消"), QMessageBox::RejectRole));
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, accept, answer] { answer(box->clickedButton() == accept); });
    box->open();
}

}  // namespace ui
