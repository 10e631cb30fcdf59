#include "documents/save.h"

#include "documents/location.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <string>
#include <vector>

#include "storage/safe_write.h"
#include "storage/text_file.h"

namespace documents {
namespace {

using storage::Encoding;
using storage::TextFormat;

QString unreadableMessage(const yaml::CheckResult& result) {
    if (result.errors.empty()) return QStringLiteral("服务器无法读取这段配置。");
    const yaml::Finding& first = result.errors.front();
    const QString where = first.column > 0 ? QStringLiteral("第 %1 行第 %2 列").arg(first.line).arg(first.column)
                                           : QStringLiteral("第 %1 行").arg(first.line);
    return QStringLiteral("服务器无法读取这段配置：%1：%2。").arg(where, QString::fromStdString(first.message));
}

// The identifiers of the appended text that the file already has: the server keeps the last of
// two equal keys, so the file's entry would be lost. Empty when there are none.
QString clashingKeys(const yaml::CheckResult& appended, const QString& old) {
    const yaml::CheckResult inFile = yaml::checkConfiguration(old.toStdString());
    QHash<QString, int> fileKeys;
    for (const yaml::TopLevelKey& key : inFile.keys) fileKeys.insert(QString::fromStdString(key.name), key.line);
    QStringList clashes;
    QSet<QString> seen;
    for (const yaml::TopLevelKey& key : appended.keys) {
        const QString name = QString::fromStdString(key.name);
        if (!fileKeys.contains(name) || seen.contains(name)) continue;
        seen.insert(name);
        clashes << QStringLiteral("“%1”（文件第 %2 行）").arg(name).arg(fileKeys.value(name));
    }
    return clashes.join(QStringLiteral("、"));
}

SaveResult refusedSave(Refusal refusal, QString message) {
    SaveResult result;
    result.outcome = refused(refusal, std::move(message));
    return result;
}

// "第 3 行第 5 列" of a finding.
QString where(int line, int column) {
    return column > 0 ? QStringLiteral("第 %1 行第 %2 列").arg(line).arg(column) : QStringLiteral("第 %1 行").arg(line);
}

// The byte where a line (from 1) and a column (from 1, in code points) of the file's text
// start in its bytes: the line by its LF bytes (which no character of UTF-8 or GBK contains),
// the column by the line's characters before it in the file's encoding. -1 when not found.
qsizetype byteOf(QByteArrayView bytes, const storage::TextFormat& format, const QString& text, int line, int column) {
    qsizetype start = format.bom ? 3 : 0;
    for (int n = 1; n < line; ++n) {
        start = bytes.indexOf('\n', start);
        if (start < 0) return -1;
        ++start;
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (line < 1 || line > lines.size()) return -1;
    const QString& own = lines[line - 1];
    qsizetype chars = 0;
    for (int n = 1; n < column && chars < own.size(); ++n) chars += own[chars].isHighSurrogate() ? 2 : 1;
    const storage::EncodedText before = storage::encodeText(
        own.left(chars), {format.encoding, false, storage::LineEnd::Lf}, storage::Replacements::Write);
    return before.ok() ? start + before.bytes.size() : -1;
}

// A file the server reads as YAML: named so, whatever panel is written into it.
bool yamlFileName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("yml"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("yaml"), Qt::CaseInsensitive) == 0;
}

SaveResult append(const SaveInput& input, const yaml::CheckResult& check, bool asYaml) {
    const SaveRequest& request = input.request;
    storage::AppendPlan plan = storage::planAppend(request.path, input.text, request.encoding);
    if (!plan.ok()) {
        const Refusal refusal = plan.readFailed       ? Refusal::Io
                                : plan.encodingUnsure ? Refusal::EncodingUnsure
                                                      : Refusal::Unrepresentable;
        return refusedSave(refusal, plan.error);
    }
    QString note;
    if (asYaml) {
        QString old = storage::decodeText(plan.oldBytes(), plan.format.encoding).text;
        // A block scalar that ends the file without a line break would take the break before
        // the appended text into its value: its header is made to strip that break instead.
        if (const std::optional<yaml::HeaderChange> header = yaml::keepLastBlockScalar(old.toStdString())) {
            const qsizetype at = byteOf(plan.oldBytes(), plan.format, old, header->line, header->column);
            const QByteArray from = QByteArray::fromStdString(header->from);
            const QByteArray to = QByteArray::fromStdString(header->to);
            if (plan.editOld(at, from, to)) {
                old = storage::decodeText(plan.oldBytes(), plan.format.encoding).text;
                note = QStringLiteral("文件第 %1 行的“%2”改为“%3”，这样追加前的换行不会加进它的值。")
                           .arg(header->line)
                           .arg(QString::fromStdString(header->from), QString::fromStdString(header->to));
            }
        }
        if (!request.force) {
            // What the server will read: the file and the appended text together, with lines
            // counted in the file as it will be.
            QString combined = old;
            if (!combined.isEmpty() && !combined.endsWith(QLatin1Char('\n'))) combined += QLatin1Char('\n');
            combined += QString(input.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            const std::string combinedUtf8 = combined.toStdString();
            const yaml::CheckResult together = yaml::checkConfiguration(combinedUtf8);
            if (!together.valid) {
                const yaml::Finding& first = together.errors.front();
                return refusedSave(Refusal::InvalidYaml,
                                   QStringLiteral("追加后服务器无法读取这个文件：%1（按追加后的文件计）：%2。")
                                       .arg(where(first.line, first.column), QString::fromStdString(first.message)));
            }
            const QString clashes = clashingKeys(check, old);
            if (!clashes.isEmpty()) {
                return refusedSave(Refusal::DuplicateKey,
                                   QStringLiteral("文件中已经有标识符 %1：追加后服务器只会保留后面的那一个，"
                                                  "文件中原来的条目会失效。")
                                       .arg(clashes));
            }
            const std::vector<yaml::TopLevelKey> changed = yaml::changedEntries(old.toStdString(), combinedUtf8);
            if (!changed.empty()) {
                return refusedSave(
                    Refusal::ChangesEntry,
                    QStringLiteral("追加的内容会改变文件中已有的条目“%1”（文件第 %2 行）：服务器会把它读成"
                                   "这个条目的一部分，而不是新的条目。")
                        .arg(QString::fromStdString(changed.front().name))
                        .arg(changed.front().line));
            }
        }
    }
    const storage::SavedFile saved = storage::writeAppend(request.path, plan);
    if (!saved.ok()) return refusedSave(saved.changedOnDisk ? Refusal::ChangedOnDisk : Refusal::Io, saved.error);
    SaveResult result;
    if (ownFile(request, input.current)) result.stamp = saved.stamp;
    Outcome& outcome = result.outcome;
    outcome.bytes = plan.bytes.size() - plan.original.size;
    outcome.format = plan.format;
    outcome.message = QStringLiteral("已追加 %1 字节到 %2").arg(outcome.bytes).arg(shown(request.path));
    outcome.warning = note.isEmpty() ? saved.notice : note + saved.notice;
    return result;
}

// A write that went through: the panel's document from now on, and what the user is told. What
// the file had that the panel could not keep is written otherwise now: said once.
SaveResult writtenResult(const SaveInput& input, const TextFormat& format, qint64 bytes,
                         const storage::FileStamp& stamp, const QString& notice) {
    const SaveRequest& request = input.request;
    const Document& current = input.current;
    SaveResult result;
    result.document = Document{request.path, format, stamp, current.lostBytes, {}, request.place};
    Outcome& outcome = result.outcome;
    if (ownFile(request, current)) outcome.changes = current.quietChanges;
    outcome.bytes = bytes;
    outcome.format = format;
    outcome.message =
        QStringLiteral("已保存 %1（%2 字节）").arg(shownLocation(request.place, request.path)).arg(outcome.bytes);
    outcome.warning = notice;
    return result;
}

// Stand-ins for bytes that could not be read, and a text the server cannot read (a write's; an
// append is checked with the file it joins): the checks of the text before any file is looked at.
// The configuration panel's text is YAML wherever it goes; any panel's text appended to a YAML file
// (the command panel to sockets.yml) is checked as the server will read the file it joins. (A whole
// panel written under a name of the user's choosing is the user's file.)
bool checkedAsYaml(const SaveInput& input) {
    return input.yaml || (input.request.mode == SaveMode::Append && yamlFileName(input.request.path));
}

std::optional<SaveResult> checkText(const SaveInput& input, yaml::CheckResult& check) {
    const SaveRequest& request = input.request;
    // Stand-ins for bytes that could not be read are never written as if they were text.
    if (input.current.lostBytes && input.text.contains(QChar(0xFFFD))) {
        return refusedSave(Refusal::Unrepresentable,
                           storage::encodeText(input.text, TextFormat{}, storage::Replacements::Refuse).error);
    }
    if (checkedAsYaml(input)) {
        check = input.yaml && input.check ? *input.check : yaml::checkConfiguration(input.text.toStdString());
        // An append is checked with the file it joins (append()).
        if (!check.valid && !request.force && request.mode == SaveMode::Write) {
            return refusedSave(Refusal::InvalidYaml,
                               unreadableMessage(check) + QStringLiteral("写进文件后服务器会拒绝读取它。"));
        }
    }
    return std::nullopt;
}

SaveResult write(const SaveInput& input) {
    const SaveRequest& request = input.request;
    const Document& current = input.current;
    const TextFormat format = formatForWrite(request, current);
    if (ownFile(request, current) && !request.force && current.stamp.exists) {
        const storage::DiskChange change = storage::changeOnDisk(request.path, current.stamp);
        if (change == storage::DiskChange::Content || change == storage::DiskChange::Removed) {
            return refusedSave(
                Refusal::ChangedOnDisk,
                QStringLiteral("文件在打开或上次保存之后被别的程序%1：%2。保存会覆盖那些改动。")
                    .arg(change == storage::DiskChange::Removed ? QStringLiteral("删除了") : QStringLiteral("改动过"),
                         shown(request.path)));
        }
    }
    const storage::EncodedText encoded = storage::encodeText(input.text, format, storage::Replacements::Write);
    if (!encoded.ok()) return refusedSave(Refusal::Unrepresentable, encoded.error);
    // The write compares the bytes it backs up with those the document was read from, so a
    // change made after the check above is refused too; a forced save replaces whatever is
    // there, but not what is written while it runs.
    const bool own = ownFile(request, current) && !request.force && current.stamp.exists;
    const storage::WriteResult written = storage::writeFileAtomically(
        request.path, encoded.bytes, storage::WriteOptions{.expected = own ? &current.stamp : nullptr});
    if (written.changedOnDisk) {
        return refusedSave(Refusal::ChangedOnDisk,
                           QStringLiteral("文件在保存的过程中被别的程序改动过：%1。没有写入，那些改动都在文件里。")
                               .arg(shown(request.path)));
    }
    if (!written.ok()) return refusedSave(Refusal::Io, written.error);
    return writtenResult(input, format, encoded.bytes.size(), storage::stampOf(request.path, encoded.bytes),
                         written.notice);
}

}  // namespace

TextFormat formatForWrite(const SaveRequest& request, const Document& current) {
    TextFormat format = current.hasFile() ? current.format : TextFormat{};
    if (request.encoding) format.encoding = *request.encoding;
    if (request.lineEnd) format.lineEnd = *request.lineEnd;
    format.bom = format.bom && format.encoding == Encoding::Utf8 && ownFile(request, current);
    return format;
}

SaveResult save(const SaveInput& input) {
    const SaveRequest& request = input.request;
    if (request.path.isEmpty()) return refusedSave(Refusal::Io, QStringLiteral("无法写入：没有文件名"));
    // A server's file is written by its server (prepareWrite, afterServerWrite), never as a local path.
    if (!request.place.isEmpty())
        return refusedSave(Refusal::Io,
                           QStringLiteral("无法写入：%1 在服务器上").arg(shownLocation(request.place, request.path)));
    yaml::CheckResult check;
    if (std::optional<SaveResult> refused = checkText(input, check)) return *std::move(refused);
    return request.mode == SaveMode::Append ? append(input, check, checkedAsYaml(input)) : write(input);
}

PreparedWrite prepareWrite(const SaveInput& input) {
    PreparedWrite prepared;
    const SaveRequest& request = input.request;
    if (request.path.isEmpty()) {
        prepared.refused = refusedSave(Refusal::Io, QStringLiteral("无法写入：没有文件名"));
        return prepared;
    }
    yaml::CheckResult check;
    prepared.refused = checkText(input, check);
    if (prepared.refused) return prepared;
    prepared.format = formatForWrite(request, input.current);
    storage::EncodedText encoded = storage::encodeText(input.text, prepared.format, storage::Replacements::Write);
    if (!encoded.ok()) {
        prepared.refused = refusedSave(Refusal::Unrepresentable, encoded.error);
        return prepared;
    }
    prepared.bytes = std::move(encoded.bytes);
    return prepared;
}

SaveResult afterServerWrite(const SaveInput& input, const PreparedWrite& prepared, const ServerWrite& written) {
    if (prepared.refused) return *prepared.refused;
    const SaveRequest& request = input.request;
    const QString where = shownLocation(request.place, request.path);
    const QString& code = written.detail.code;
    if (code.isEmpty()) {
        QString notice = written.notice;
        if (written.viaBackup) {
            const QString backup = shownServerPath(request.path).section(u'/', -1) + QStringLiteral(".bak");
            notice = QStringLiteral("服务器不能直接替换文件，原来的内容改名为 %1 保留。").arg(backup) + notice;
        }
        return writtenResult(input, prepared.format, prepared.bytes.size(), serverStamp(prepared.bytes, written.mtime),
                             notice);
    }
    SaveResult result;
    Outcome& outcome = result.outcome;
    outcome.server = written.detail;
    if (code == QLatin1String("changed-on-server")) {
        outcome.refusal = Refusal::ChangedOnServer;
        outcome.server.code.clear();  // the refusal's own code says it
        outcome.message =
            QStringLiteral("服务器上的文件在打开或上次保存之后被别人%1：%2。保存会覆盖那些改动，没有写入。")
                .arg(written.detail.existed ? QStringLiteral("改动过") : QStringLiteral("删除或改名了"), where);
    } else if (code == QLatin1String("not-regular")) {
        outcome.refusal = Refusal::NotRegular;
        outcome.server.code.clear();
        outcome.message = written.message;
    } else {
        outcome.refusal = Refusal::Server;
        outcome.message = written.message;
    }
    return result;
}

bool ownFile(const SaveRequest& request, const Document& current) {
    return sameLocation(request.place, request.path, current.place, current.path);
}

Document afterSave(const Document& current, const SaveRequest& request, const SaveResult& result) {
    if (!result.outcome.ok()) return current;
    if (result.document) return *result.document;
    Document next = current;
    if (result.stamp.exists && ownFile(request, current)) next.stamp = result.stamp;
    return next;
}

}  // namespace documents
