// One request to the file menu, from a person or from a script, and how its questions are
// answered: a person is asked in a dialog that does not hold the event loop; a script's
// question is answered "no" and becomes the refusal its reply carries. A request ends once,
// when its last step is done, and then tells whoever made it.
#pragma once

#include <QJsonObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>

namespace ui {

class Request : public std::enable_shared_from_this<Request> {
public:
    // What the request came to: the refusal (empty when it ran) and what the status bar says.
    struct Result {
        QString refusal;
        QString status;
        // What a script's reply says besides a refusal's text: its code ("folder-findings") and
        // the fields that go with it; empty unless a step set them (explain) before the refusal.
        QString code = {};
        QJsonObject details = {};

        // The work was done: it ended with what the status bar says and no refusal (a question
        // answered "no", a dialog cancelled or a refusal all leave it false).
        bool ran() const { return refusal.isEmpty() && !status.isEmpty(); }
    };
    using Finished = std::function<void(const Result&)>;

    // A person at the window: questions in dialogs over parent; finished, when given, hears
    // how the request ended (a refusal shown to the person is its refusal too).
    static std::shared_ptr<Request> person(QWidget* parent, Finished finished = {});
    // A script: questions answered "no" (or "yes" when it said so: forced); finished hears how
    // the request ended.
    static std::shared_ptr<Request> script(Finished finished, bool forced = false);

    ~Request();
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    bool asksPerson() const { return person_; }
    // A script that answers every yes/no question "yes".
    bool forced() const { return forced_; }
    QWidget* parent() const { return parent_; }

    // A third button of a question that shows something (a comparison) and then asks again.
    struct Aside {
        QString caption;
        std::function<void()> run;
    };

    // Asks a yes/no question; answer hears true for "yes". A script's answer is "no", at
    // once, and the question becomes the refusal.
    void confirm(const QString& title, const QString& question, const QString& yes,
                 const std::function<void(bool)>& answer, const Aside& aside = {});
    // Asks which of options to take; answer hears its index, or -1 for none (cancelled). A
    // script's answer is -1, at once, and the question becomes the refusal.
    void choose(const QString& title, const QString& question, const QStringList& options,
                const std::function<void(int)>& answer, const Aside& aside = {});
    // Tells why the request cannot run: a warning for a person, the refusal for a script.
    void refuse(const QString& title, const QString& message);
    // What a script's reply carries with a refusal that comes after this: a code a script can
    // tell it by, and fields that say more ({"findings":[...]}). A person sees the question only.
    void explain(const QString& code, const QJsonObject& details = {}) {
        result_.code = code;
        result_.details = details;
    }
    // What the status bar says about it.
    void status(const QString& message) { result_.status = message; }
    const QString& statusMessage() const { return result_.status; }
    // The request is done: whoever made it hears its result (once; a request dropped without
    // finishing finishes when it goes away).
    void finish();

    // Wraps the callback a step hands to work that ends later (a file read or written on a
    // worker). When every copy of the callback is let go without one being called (the editor
    // closed first), the request was cut short: it ends refused, never as a success.
    template <typename... Args>
    std::function<void(Args...)> awaiting(std::function<void(Args...)> then) {
        auto arrival = std::make_shared<Arrival>(shared_from_this());
        return [arrival, then = std::move(then)](Args... args) {
            arrival->arrived = true;
            then(args...);
        };
    }

private:
    struct Arrival {
        explicit Arrival(std::shared_ptr<Request> waiting) : request(std::move(waiting)) {}
        ~Arrival() {
            if (!arrived) request->cutShort();
        }
        Arrival(const Arrival&) = delete;
        Arrival& operator=(const Arrival&) = delete;
        std::shared_ptr<Request> request;
        bool arrived = false;
    };
    void cutShort();

    Request(QWidget* parent, bool person, Finished finished, bool forced = false)
        : parent_(parent), person_(person), forced_(forced), whenFinished_(std::move(finished)) {}

    QPointer<QWidget> parent_;
    bool person_;
    bool forced_;
    Finished whenFinished_;
    Result result_;
    bool finished_ = false;
};

using RequestPtr = std::shared_ptr<Request>;

}  // namespace ui
