#include "ui/fatal.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <unistd.h>

namespace ui {
namespace {

std::atomic<bool> gToStandardError{false};
std::atomic<bool> gInFatal{false};

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

// The out-of-memory message names the size asked for; it is formatted into a fixed buffer
// because nothing can be allocated at that point.
[[noreturn]] void outOfMemory(std::size_t size) {
    static char message[96];
    std::snprintf(message, sizeof message, "分配 %zu 字节内存失败!", size);
    fatalError(message);
}

}  // namespace ui

#ifndef QUORVEL_SANITIZE
// Every allocation of the program goes through here, so an allocation that fails becomes
// the fatal error above instead of an exception nobody catches. The sanitizer build keeps
// its own allocator.
void* operator new(std::size_t size) {
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    ui::outOfMemory(size);
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif
