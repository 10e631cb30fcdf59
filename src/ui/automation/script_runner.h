// The automation interface's reader: one JSON request per input line, read without blocking
// the event loop, one JSON reply per line on standard output, in order. A line whose op waits
// for work (an open, a save) is answered when that work is done; the lines after it are read
// only then, while the windows go on taking real input.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QObject>

#include "ui/automation/automation_ops.h"

class QSocketNotifier;

namespace ui {

class ScriptRunner : public QObject {
    Q_OBJECT
public:
    // Reads requests from fd (standard input or an opened script file) as they arrive. With
    // fd -1 requests come only through run().
    ScriptRunner(Context& context, int fd, QObject* parent = nullptr);

    // Runs one request line; reply hears its answer once, now or when its work is done. Once
    // the main window is closed, every line is answered with an error that says so.
    void run(const QByteArray& line, const Reply& reply);

signals:
    // The input ended and every reply is written (exit code 0), or the script could not be read
    // (2) or a reply not written (3); the reason is on standard error.
    void finished(int exitCode);

private:
    void readAvailable();
    void readInput();
    void pump();
    void write(const QJsonObject& object);
    void stop(int exitCode);

    Context& context_;
    int fd_;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray pending_;
    bool atEnd_ = false;
    bool busy_ = false;     // a request waits for its reply
    bool pumping_ = false;  // pump() is running: a reply given at once does not start it again
    bool stopped_ = false;
};

}  // namespace ui
