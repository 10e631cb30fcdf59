// Fatal runtime errors: a control reached through a window that is not loaded, or memory
// that cannot be had. The user sees the error box, then the program ends with exit code -1.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ui {

inline constexpr std::string_view kWindowNotLoaded = "未载入欲访问窗口组件所在的窗口";
inline constexpr std::string_view kControlNotLive = "指定窗口尚未载入";

// The box's text for a message: "运行时出错!" CR LF CR LF "错误信息：" message CR LF.
std::string fatalText(std::string_view message);

// Under the automation interface nobody is there to dismiss a box: the text goes to
// standard error and the program ends at once.
void setFatalToStandardError(bool enabled);

[[noreturn]] void fatalError(std::string_view message);

// The fatal error for an allocation of size bytes that failed: "分配 <size> 字节内存失败!".
// The message is formatted into a fixed buffer, as nothing can be allocated at that point.
[[noreturn]] void outOfMemory(std::size_t size);

// The size of the last allocation that failed, as the allocator saw it (0 when unknown): a
// library that reports a failed allocation with std::bad_alloc does not say how much it asked for.
void noteFailedAllocation(std::size_t size) noexcept;
std::size_t failedAllocationSize() noexcept;

}  // namespace ui
