#include "ui/base/background.h"

#include <QCoreApplication>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace ui::detail {

namespace {

#if defined(__SANITIZE_THREAD__)
// The order the pool's queue gives: everything the handing thread did before it handed a job
// over happens before the job runs.
char gHandOver = 0;
#endif

}  // namespace

void Job::handOver() {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(&gHandOver);
#endif
}

void Job::run() {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(&gHandOver);
#endif
    work_();
}

Deliveries& Deliveries::instance() {
    static QPointer<Deliveries> queue;
    if (queue == nullptr) queue = new Deliveries(QCoreApplication::instance());
    return *queue;
}

void Deliveries::push(std::function<void()> delivery) {
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        wake = pending_.empty();
        pending_.push_back(std::move(delivery));
    }
    // One wake-up for a batch: the UI thread takes everything queued when it runs.
    if (wake) QMetaObject::invokeMethod(this, "deliver", Qt::QueuedConnection);
}

void Deliveries::deliver() {
    std::vector<std::function<void()>> ready;
    {
        const std::lock_guard lock(mutex_);
        ready.swap(pending_);
    }
    for (std::function<void()>& delivery : ready) delivery();
}

}  // namespace ui::detail
