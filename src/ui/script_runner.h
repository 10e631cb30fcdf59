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

    // Runs one request line and returns its reply.
    QJsonObject run(const QByteArray& line);

signals:
    // The input ended and every reply is written.
    void finished();

private:
    void readAvailable();
    void reply(const QJsonObject& object);

    Runtime& runtime_;
    int fd_;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray pending_;
};

}  // namespace ui
