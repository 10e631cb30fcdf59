// Waiting in a test for what the event loop brings, without QTest::qWaitFor's sleep of 10 ms
// between its rounds: an answer trickling in byte by byte needs a round per byte.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

namespace rcon_test {

// Runs the event loop until done() or ms have passed; false on the latter.
template <typename Done>
bool waitFor(Done done, int ms) {
    QTimer wake;  // so the wait below ends now and then even when nothing else happens
    wake.start(20);
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace rcon_test
