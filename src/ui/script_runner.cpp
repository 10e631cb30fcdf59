#include "ui/script_runner.h"

#include <unistd.h>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "ui/automation_ops.h"

namespace ui {

ScriptRunner::ScriptRunner(Runtime& runtime, int fd, QObject* parent) : QObject(parent), runtime_(runtime), fd_(fd) {
    if (fd < 0) return;  // requests come only through run()
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ScriptRunner::readAvailable);
}

QJsonObject ScriptRunner::run(const QByteArray& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError)
        return {{"ok", false}, {"error", QStringLiteral("bad JSON: ") + error.errorString()}};
    if (!document.isObject()) return {{"ok", false}, {"error", QStringLiteral("a request must be a JSON object")}};
    return runRequest(runtime_, document.object());
}

void ScriptRunner::reply(const QJsonObject& object) {
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void ScriptRunner::readAvailable() {
    char buffer[65536];
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
    const bool atEnd = count <= 0;
    if (!atEnd) pending_.append(buffer, static_cast<qsizetype>(count));
    qsizetype newline;
    while ((newline = pending_.indexOf('\n')) >= 0) {
        QByteArray line = pending_.left(newline);
        pending_.remove(0, newline + 1);
        if (line.endsWith('\r')) line.chop(1);
        reply(run(line));
    }
    if (atEnd) {
        notifier_->setEnabled(false);
        if (!pending_.isEmpty()) reply(run(std::exchange(pending_, {})));
        emit finished();
    }
}

}  // namespace ui
