#include "ui/base/fatal.h"

#include <unistd.h>
#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace ui {
namespace {

std::atomic<bool> gToStandardError{false};
std::atomic<bool> gInFatal{false};
std::atomic<std::size_t> gFailedAllocation{0};

void writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t written = ::write(fd, text.data(), text.size());
        if (written <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

[[noreturn]] void endProcess() {
    std::fflush(nullptr);
    std::_Exit(-1);
}

}  // namespace

std::string fatalText(std::string_view message) {
    std::string text = "运行时出错!\r\n\r\n";
    if (!message.empty()) {
        text += "错误信息：";
        text += message;
        text += "\r\n";
    }
    return text;
}

void setFatalToStandardError(bool enabled) { gToStandardError = enabled; }

void noteFailedAllocation(std::size_t size) noexcept { gFailedAllocation = size; }

std::size_t failedAllocationSize() noexcept { return gFailedAllocation; }

void fatalError(std::string_view message) {
    // A second fatal error while the first is being shown (memory running out while the
    // box is built, say) ends the program at once.
    if (gInFatal.exchange(true)) endProcess();
    const std::string text = fatalText(message);
    if (gToStandardError || qApp == nullptr) {
        writeAll(STDERR_FILENO, text);
        endProcess();
    }
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::Critical, QStringLiteral("错误"), shown, QMessageBox::Ok);
    box.exec();
    endProcess();
}

void outOfMemory(std::size_t size) {
    static char message[96];
    std::snprintf(message, sizeof message, "分配 %zu 字节内存失败!", size);
    fatalError(message);
}

}  // namespace ui
