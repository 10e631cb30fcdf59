// Helpers shared by the widget tests: a runtime with the main window loaded, and typed
// access to the live controls by name.
#pragma once

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <memory>
#include <optional>

#include "forms/windows.h"
#include "ui/automation/script_runner.h"
#include "ui/base/text.h"
#include "ui/files/main_menu.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/shell/editor.h"

namespace testing_support {

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        editor = std::make_unique<ui::Editor>();
        runtime = &editor->runtime();
        main = editor->main();
        ASSERT_NE(main, nullptr);
    }
    void TearDown() override {
        runner.reset();
        editor.reset();
        runtime = nullptr;
    }

    template <typename T = QWidget>
    T* control(std::string_view name, std::uint32_t window = forms::kMainWindowId) {
        ui::LiveWindow* live = runtime->window(window);
        if (live == nullptr) return nullptr;
        return qobject_cast<T*>(live->controlByName(name));
    }

    QPlainTextEdit* panel(std::string_view name, std::uint32_t window = forms::kMainWindowId) {
        return control<QPlainTextEdit>(name, window);
    }

    // Lets deferred deletes (closed windows) happen.
    static void settle() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    // Runs one automation line and waits for its reply (an open or a save answers later).
    QJsonObject runLine(const QByteArray& line) {
        if (runner == nullptr) runner = std::make_unique<ui::ScriptRunner>(editor->automation(), -1);
        return waitForReply([&](const ui::Reply& reply) { runner->run(line, reply); });
    }

    // Runs a named menu action as a script would and waits for its end: the refusal, empty when
    // it ran; *message gets what the status bar says. Forced: its questions answered "yes".
    QString trigger(const QString& name, QString* message = nullptr, bool forced = false) {
        ui::Request::Result result;
        bool done = false;
        editor->menu().trigger(name, forced, [&](const ui::Request::Result& r) {
            result = r;
            done = true;
        });
        while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (message != nullptr) *message = result.status;
        return result.refusal;
    }

    // Starts something that answers through a reply and waits for the answer.
    template <typename Start>
    static QJsonObject waitForReply(Start start) {
        std::optional<QJsonObject> answer;
        start([&answer](const QJsonObject& reply) { answer = reply; });
        while (!answer) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return *answer;
    }

    std::unique_ptr<ui::Editor> editor;
    ui::Runtime* runtime = nullptr;
    ui::LiveWindow* main = nullptr;
    std::unique_ptr<ui::ScriptRunner> runner;
};

}  // namespace testing_support
