#include "ui/script_runner.h"

#include <unistd.h>
#include <QJsonDocument>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "ui/automation_ops.h"
#include "ui/fatal.h"
#include "ui/runtime.h"

namespace ui {

namespace {

// A raw byte-order mark inside a JSON string would be dropped by Qt's reader when it starts
// the string; written as the escape \ufeff it is kept. Marks outside strings stay as they are.
QByteArray keepByteOrderMarks(const QByteArray& line) {
    static const QByteArray mark("\xEF\xBB\xBF");
    if (!line.contains(mark)) return line;
    QByteArray out;
    out.reserve(line.size() + 8);
    bool inString = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (inString && c == '\\' && i + 1 < line.size()) {
            out += c;
            out += line[++i];
            continue;
        }
        if (c == '"') inString = !inString;
        if (inString && line.mid(i, 3) == mark) {
            out += "\\ufeff";
            i += 2;
            continue;
        }
        out += c;
    }
    return out;
}

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

}  // namespace

ScriptRunner::ScriptRunner(Runtime& runtime, int fd, QObject* parent) : QObject(parent), runtime_(runtime), fd_(fd) {
    if (fd < 0) return;  // requests come only through run()
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ScriptRunner::readAvailable);
}

QJsonObject ScriptRunner::run(const QByteArray& line) {
    if (runtime_.mainWindowClosed())
        return {{"ok", false}, {"error", QStringLiteral("the main window is closed: the editor has ended")}};
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(keepByteOrderMarks(line), &error);
    if (error.error != QJsonParseError::NoError)
        return {{"ok", false}, {"error", QStringLiteral("bad JSON: ") + error.errorString()}};
    if (!document.isObject()) return {{"ok", false}, {"error", QStringLiteral("a request must be a JSON object")}};
    return runRequest(runtime_, document.object());
}

void ScriptRunner::reply(const QJsonObject& object) {
    if (stopped_) return;
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count =
            ::write(STDOUT_FILENO, bytes.constData() + written, static_cast<std::size_t>(bytes.size() - written));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            std::fprintf(stderr, "quorvel-editor: cannot write a reply to standard output: %s\n",
                         systemError(count < 0 ? errno : EIO).toLocal8Bit().constData());
            return stop(3);
        }
        written += count;
    }
}

void ScriptRunner::stop(int exitCode) {
    if (stopped_) return;
    stopped_ = true;
    if (notifier_ != nullptr) notifier_->setEnabled(false);
    emit finished(exitCode);
}

void ScriptRunner::readAvailable() {
    // A request too long for the memory left fails inside Qt's byte arrays; that is the
    // runtime's fatal error, not an exception that would abort the program.
    try {
        readLines();
    } catch (const std::bad_alloc&) {
        outOfMemory(failedAllocationSize());
    }
}

void ScriptRunner::readLines() {
    char buffer[65536];
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (count < 0) {
        std::fprintf(stderr, "quorvel-editor: cannot read the script: %s\n",
                     systemError(errno).toLocal8Bit().constData());
        return stop(2);
    }
    const bool atEnd = count == 0;
    if (!atEnd) pending_.append(buffer, static_cast<qsizetype>(count));
    // A request can wait in an event loop of its own (an open puts a large file in a slice at
    // a time); the next lines are read only after its reply.
    if (notifier_ != nullptr) notifier_->setEnabled(false);
    const auto resume = qScopeGuard([this] {
        if (notifier_ != nullptr && !stopped_) notifier_->setEnabled(true);
    });
    qsizetype newline;
    while (!stopped_ && (newline = pending_.indexOf('\n')) >= 0) {
        QByteArray line = pending_.left(newline);
        pending_.remove(0, newline + 1);
        if (line.endsWith('\r')) line.chop(1);
        reply(run(line));
    }
    if (atEnd && !stopped_) {
        if (!pending_.isEmpty()) reply(run(std::exchange(pending_, {})));
        stop(0);
    }
}

}  // namespace ui
