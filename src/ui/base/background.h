// Work that runs off the UI thread, and its result handed back to the UI thread: the one way
// the editor's threads meet (the live check, opening and saving a file, the session's writes).
#pragma once

#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace ui {

namespace detail {

// A job for the thread pool. What the UI thread gives a job is handed over with the job
// itself; under ThreadSanitizer the hand-over is marked, since the pool's queue lives in a
// library the sanitizer cannot see into.
class Job : public QRunnable {
public:
    explicit Job(std::function<void()> work) : work_(std::move(work)) {}
    void run() override;
    // Call on the handing thread right before the job goes to the pool.
    static void handOver();

private:
    std::function<void()> work_;
};

// The results waiting for the UI thread. Workers queue them under a std::mutex and the UI
// thread takes them under the same mutex, so everything a worker wrote before it queued its
// result is in order for the UI thread, and ThreadSanitizer sees that order (Qt's own event
// queue gives the same order, but inside a library the sanitizer cannot see into).
class Deliveries : public QObject {
    Q_OBJECT
public:
    // The queue of the application; made on the UI thread at its first use.
    static Deliveries& instance();
    // Any thread: queues a delivery and wakes the UI thread.
    void push(std::function<void()> delivery);

private:
    using QObject::QObject;
    Q_INVOKABLE void deliver();

    std::mutex mutex_;
    std::vector<std::function<void()>> pending_;
};

}  // namespace detail

// Runs work() on a thread of pool, then then(result) on the UI thread, unless context has
// gone by then. Call on the UI thread.
template <typename Work, typename Then>
void runInBackground(QThreadPool& pool, QObject* context, Work work, Then then) {
    detail::Deliveries& deliveries = detail::Deliveries::instance();
    QPointer<QObject> alive(context);
    auto* job = new detail::Job([&deliveries, alive, work = std::move(work), then = std::move(then)]() mutable {
        auto result = std::make_shared<decltype(work())>(work());
        deliveries.push([alive, result, then = std::move(then)]() mutable {
            if (alive) then(std::move(*result));
        });
    });
    detail::Job::handOver();
    pool.start(job);
}

// The same on the application's thread pool.
template <typename Work, typename Then>
void runInBackground(QObject* context, Work work, Then then) {
    runInBackground(*QThreadPool::globalInstance(), context, std::move(work), std::move(then));
}

}  // namespace ui
