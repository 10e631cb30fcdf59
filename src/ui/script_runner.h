// The automation interface's reader: one JSON request per input line, read without blocking
// the event loop, one JSON reply per line on standard output.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QObject>

class QSocketNotifier;

namespace ui {

class Runtime;

class ScriptRunner : public QObject {
    Q_OBJECT
public:
    // Reads requests from fd (standard input or an opened script file) as they arrive,
    // without blocking the event loop, so windows keep taking real input meanwhile.
    // With fd -1 requests come only through run().
    ScriptRunner(Runtime& runtime, int fd, QObject* parent = nullptr);

    // Runs one request line and returns its reply. Once the main window is closed, every line
    // is answered with an error that says so.
    QJsonObject run(const QByteArray& line);

signals:
    // The input ended and every reply is written (exit code 0), or the script could not be read
    // (2) or a reply not written (3); the reason is on standard error.
    void finished(int exitCode);

private:
    void readAvailable();
    void readLines();
    void reply(const QJsonObject& object);
    void stop(int exitCode);

    Runtime& runtime_;
    int fd_;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray pending_;
    bool stopped_ = false;
};

}  // namespace ui
