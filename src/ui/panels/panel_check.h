// The live check of an output panel: a one-line status in the panel's group box, beside the
// title, that says whether the panel's text, as it stands, is what the server can read (the
// configuration panel) or what the console takes (the command panel). The check runs off the
// UI thread on a copy of the text, a moment after the last change, so typing never waits;
// the copy of a large panel is itself taken a slice at a time between the user's keys.
#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <optional>

#include "yaml/check.h"

class QGroupBox;
class QPlainTextEdit;

namespace ui {

class PanelReader;

class PanelCheck : public QObject {
    Q_OBJECT
public:
    enum class Rules { Configuration, Commands };

    // Watches panel and shows its status in a line on group's title row.
    PanelCheck(QPlainTextEdit* panel, QGroupBox* group, Rules rules);
    // The check of a panel, or nullptr for a panel without one (or no panel).
    static PanelCheck* of(const QPlainTextEdit* panel);

    // The check of the text as it stands now, run at once on this thread.
    yaml::CheckResult checkNow() const;
    // The last finished check, and whether it is of the panel's current text.
    const yaml::CheckResult& result() const { return *result_; }
    // The same, shared: a check of a large text holds thousands of keys.
    const std::shared_ptr<const yaml::CheckResult>& sharedResult() const { return result_; }
    // The text the last finished check read (UTF-8, "\n" line ends): with isCurrent(), the
    // panel's. Shared, not copied: a panel can hold many megabytes.
    const std::shared_ptr<const std::string>& checkedUtf8() const { return checkedUtf8_; }
    bool isCurrent() const { return done_ == generation_; }
    QLabel* status() const { return status_; }
    // The status line's text for a result (empty for an empty panel).
    static QString statusText(const yaml::CheckResult& result, Rules rules, bool empty);

    // A file going into the panel: checkAhead starts the check of the text that will be the
    // panel's whole text (any line ends) while it goes in; adopt says it is in, the document
    // length characters long, and the check's result is shown once both are done, without
    // copying the panel back line by line (a good part of a second for a file of many
    // megabytes). Without checkAhead of that text, adopt starts its check then. A change after
    // adopt makes the text stale like any copy; forgetAhead gives up a text that did not go
    // in whole.
    void checkAhead(const QString& text);
    void adopt(const QString& text, qsizetype length);
    void forgetAhead();

    // Moves the panel's caret to a line and column (from 1; columns in code points).
    void showPosition(int line, int column);

signals:
    // A check finished and its result is the panel's current text.
    void checked();

private:
    void schedule();
    void start();
    // A text checked off the UI thread: its length in the panel and its UTF-8 form.
    struct Checked {
        qsizetype length = 0;
        std::shared_ptr<const std::string> utf8;
        std::shared_ptr<const yaml::CheckResult> result;
    };
    // The check made ahead of a fill: its text, whether and when the fill said it is in.
    struct Ahead {
        QString text;
        std::optional<Checked> done;
        bool adopted = false;
        qsizetype length = 0;
        std::uint64_t generation = 0;
    };
    // Runs on a worker: text as the panel holds it, or as it was put in (asPut).
    static Checked run(const QString& text, Rules rules, bool asPut);
    // A copy read from the panel.
    void check(const QString& text);
    void land();
    void show(std::uint64_t generation, const Checked& done);
    void placeStatus();
    // Shows nothing until the next check is done.
    void forgetShown();
    void fitStatus();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QPlainTextEdit* panel_;
    QGroupBox* group_;
    Rules rules_;
    QLabel* status_;
    QString statusText_;  // the whole status, before it is shortened to the room there is
    QRect statusRoom_;    // the title row's room for it
    QTimer debounce_;
    std::uint64_t generation_ = 0;
    std::uint64_t done_ = 0;
    bool running_ = false;
    // The copy of the panel's text being taken for the next check.
    QPointer<PanelReader> reader_;
    std::shared_ptr<const yaml::CheckResult> result_ = std::make_shared<const yaml::CheckResult>();  // never null
    std::shared_ptr<Ahead> ahead_;
    std::shared_ptr<const std::string> checkedUtf8_;  // the text of result_
};

// Runs the check of a panel's text (UTF-8) by its rules.
yaml::CheckResult checkText(const std::string& utf8, PanelCheck::Rules rules);

}  // namespace ui
