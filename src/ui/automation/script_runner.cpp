#include "ui/automation/script_runner.h"

#include <unistd.h>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <new>
#include <utility>
#include "storage/safe_write.h"

#include "ui/automation/automation_ops.h"
#include "ui/base/fatal.h"
#include "ui/loader/runtime.h"

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

}  // namespace

ScriptRunner::ScriptRunner(Context& context, int fd, QObject* parent) : QObject(parent), context_(context), fd_(fd) {
    if (fd < 0) return;  // requests come only through run()
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ScriptRunner::readAvailable);
}

void ScriptRunner::run(const QByteArray& line, const Reply& reply) {
    if (context_.runtime.mainWindowClosed())
        return reply({{"ok", false}, {"error", QStringLiteral("the main window is closed: the editor has ended")}});
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(keepByteOrderMarks(line), &error);
    if (error.error != QJsonParseError::NoError)
        return reply({{"ok", false}, {"error", QStringLiteral("bad JSON: ") + error.errorString()}});
    if (!document.isObject())
        return reply({{"ok", false}, {"error", QStringLiteral("a request must be a JSON object")}});
    runRequest(context_, document.object(), reply);
}

void ScriptRunner::write(const QJsonObject& object) {
    if (stopped_) return;
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count =
            ::write(STDOUT_FILENO, bytes.constData() + written, static_cast<std::size_t>(bytes.size() - written));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            std::fprintf(stderr, "quorvel-editor: cannot write a reply to standard output: %s\n",
                         storage::systemError(count < 0 ? errno : EIO).toLocal8Bit().constData());
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
        readInput();
        pump();
    } catch (const std::bad_alloc&) {
        outOfMemory(failedAllocationSize());
    }
}

void ScriptRunner::readInput() {
    char buffer[65536];
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (count < 0) {
        std::fprintf(stderr, "quorvel-editor: cannot read the script: %s\n",
                     storage::systemError(errno).toLocal8Bit().constData());
        return stop(2);
    }
    if (count == 0) atEnd_ = true;
    pending_.append(buffer, static_cast<qsizetype>(count));
}

// Answers the lines read so far, one at a time and in order: the next line waits for the
// reply of the one before. Input is read only while no request waits.
void ScriptRunner::pump() {
    if (pumping_) return;
    pumping_ = true;
    while (!busy_ && !stopped_) {
        QByteArray line;
        const qsizetype newline = pending_.indexOf('\n');
        if (newline >= 0) {
            line = pending_.left(newline);
            pending_.remove(0, newline + 1);
            if (line.endsWith('\r')) line.chop(1);
        } else if (atEnd_ && !pending_.isEmpty()) {
            line = std::exchange(pending_, {});
        } else {
            break;
        }
        busy_ = true;
        run(line, [this](const QJsonObject& reply) {
            write(reply);
            busy_ = false;
            // A reply that comes later goes on with the lines after it.
            if (!pumping_) QMetaObject::invokeMethod(this, &ScriptRunner::pump, Qt::QueuedConnection);
        });
    }
    if (!busy_ && atEnd_ && pending_.isEmpty()) stop(0);
    if (notifier_ != nullptr) notifier_->setEnabled(!busy_ && !stopped_ && !atEnd_);
    pumping_ = false;
}

}  // namespace ui
