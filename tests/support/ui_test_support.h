// Helpers shared by the widget tests: a runtime with the main window loaded, and typed
// access to the live controls by name.
#pragma once

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QEvent>
#include <QPlainTextEdit>
#include <memory>

#include "forms/windows.h"
#include "ui/live_window.h"
#include "ui/runtime.h"
#include "ui/text.h"

namespace testing_support {

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtime = std::make_unique<ui::Runtime>();
        main = runtime->open(forms::kMainWindowId);
        ASSERT_NE(main, nullptr);
    }
    void TearDown() override { runtime.reset(); }

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

    std::unique_ptr<ui::Runtime> runtime;
    ui::LiveWindow* main = nullptr;
};

}  // namespace testing_support
