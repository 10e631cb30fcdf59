#include "ui/files/request.h"

#include <QMessageBox>
#include <QPushButton>

namespace ui {

std::shared_ptr<Request> Request::person(QWidget* parent, Finished finished) {
    return std::shared_ptr<Request>(new Request(parent, true, std::move(finished)));
}

std::shared_ptr<Request> Request::script(Finished finished, bool forced) {
    return std::shared_ptr<Request>(new Request(nullptr, false, std::move(finished), forced));
}

Request::~Request() { finish(); }

void Request::confirm(const QString& title, const QString& question, const QString& yes,
                      const std::function<void(bool)>& answer, const Aside& aside) {
    if (forced_) return answer(true);
    if (!asksPerson()) {
        result_.refusal = question;
        return answer(false);
    }
    auto* box = new QMessageBox(QMessageBox::Warning, title, question, QMessageBox::NoButton, parent_);
    QPushButton* accept = box->addButton(yes, QMessageBox::AcceptRole);
    QPushButton* other = aside.run ? box->addButton(aside.caption, QMessageBox::ActionRole) : nullptr;
    box->setDefaultButton(box->addButton(QStringLiteral("取消"), QMessageBox::RejectRole));
    box->setAttribute(Qt::WA_DeleteOnClose);
    // The request stays alive until the answer comes.
    QObject::connect(box, &QMessageBox::finished, box,
                     [self = shared_from_this(), box, accept, other, title, question, yes, answer, aside] {
                         if (other != nullptr && box->clickedButton() == other) {
                             aside.run();
                             return self->confirm(title, question, yes, answer, aside);
                         }
                         answer(box->clickedButton() == accept);
                     });
    box->open();
}

void Request::choose(const QString& title, const QString& question, const QStringList& options,
                     const std::function<void(int)>& answer, const Aside& aside) {
    if (!asksPerson()) {
        result_.refusal = question;
        return answer(-1);
    }
    auto* box = new QMessageBox(QMessageBox::Question, title, question, QMessageBox::NoButton, parent_);
    QList<QAbstractButton*> buttons;
    for (const QString& option : options) buttons.append(box->addButton(option, QMessageBox::AcceptRole));
    QPushButton* other = aside.run ? box->addButton(aside.caption, QMessageBox::ActionRole) : nullptr;
    box->setDefaultButton(box->addButton(QStringLiteral("取消"), QMessageBox::RejectRole));
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, box,
                     [self = shared_from_this(), box, buttons, other, title, question, options, answer, aside] {
                         if (other != nullptr && box->clickedButton() == other) {
                             aside.run();
                             return self->choose(title, question, options, answer, aside);
                         }
                         answer(static_cast<int>(buttons.indexOf(box->clickedButton())));
                     });
    box->open();
}

void Request::refuse(const QString& title, const QString& message) {
    result_.refusal = message;
    if (!asksPerson()) return;
    auto* box = new QMessageBox(QMessageBox::Warning, title, message, QMessageBox::Ok, parent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void Request::cutShort() {
    if (finished_) return;
    if (result_.refusal.isEmpty()) result_.refusal = QStringLiteral("没有完成：编辑器在它完成之前关闭了");
    finish();
}

void Request::finish() {
    if (finished_) return;
    finished_ = true;
    if (whenFinished_) whenFinished_(result_);
}

}  // namespace ui
