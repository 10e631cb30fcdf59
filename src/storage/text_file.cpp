#include "storage/text_file.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace storage {

namespace {

OpenedFile opened(const QString& path, DecodedText (*decode)(QByteArrayView)) {
    OpenedFile file;
    ReadResult read = readFile(path);
    if (!read.ok()) {
        file.error = read.error;
        return file;
    }
    file.decoded = decode(read.bytes);
    file.stamp = stampOf(path, read.bytes);
    return file;
}

SavedFile written(const QString& path, const QByteArray& bytes, const FileStamp& expected) {
    SavedFile saved;
    const WriteResult result = writeFileAtomically(path, bytes, WriteOptions{.expected = &expected});
    saved.error = result.error;
    saved.notice = result.notice;
    saved.changedOnDisk = result.changedOnDisk;
    if (saved.ok()) saved.stamp = stampOf(path, bytes);
    return saved;
}

}  // namespace

OpenedFile openTextFile(const QString& path) {
    return opened(path, [](QByteArrayView bytes) { return decodeText(bytes); });
}

OpenedFile openTextFile(const QString& path, Encoding encoding) {
    if (encoding == Encoding::Gbk)
        return opened(path, [](QByteArrayView bytes) { return decodeText(bytes, Encoding::Gbk); });
    return opened(path, [](QByteArrayView bytes) { return decodeText(bytes, Encoding::Utf8); });
}

AppendPlan planAppend(const QString& path, QStringView block, std::optional<Encoding> encoding) {
    AppendPlan plan;
    QByteArray old;
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        ReadResult read = readFile(path);
        if (!read.ok()) {
            plan.error = read.error;
            plan.readFailed = true;
            return plan;
        }
        old = std::move(read.bytes);
        plan.original = stampOf(path, old);
        if (encoding) {
            plan.format = decodeText(old, *encoding).format;
        } else {
            plan.format = decodeText(old).format;
            const EncodingGuess guess = guessEncoding(old);
            const bool ascii = std::all_of(block.begin(), block.end(), [](QChar c) { return c.unicode() < 0x80; });
            if (!guess.certain && !ascii) {
                plan.error = QStringLiteral(
                                 "无法确定“%1”的编码（%2），追加的中文可能和文件原有的文字编码不同。"
                                 "请说明文件的编码：UTF-8 或 GBK。")
                                 .arg(QFileInfo(path).fileName(), guess.why);
                plan.encodingUnsure = true;
                return plan;
            }
        }
    } else if (encoding) {
        plan.format.encoding = *encoding;
    }
    QString text = block.toString();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // Only the old bytes may carry the byte-order mark.
    const TextFormat blockFormat{plan.format.encoding, false, plan.format.lineEnd};
    EncodedText encoded = encodeText(text, blockFormat, Replacements::Write);
    if (!encoded.ok()) {
        plan.error = encoded.error;
        return plan;
    }
    plan.bytes = std::move(old);
    plan.oldSize = plan.bytes.size();
    const bool bomOnly = plan.format.bom && plan.bytes.size() == 3;
    if (!plan.bytes.isEmpty() && !bomOnly && !plan.bytes.endsWith('\n'))
        plan.bytes.append(plan.format.lineEnd == LineEnd::CrLf ? "\r\n" : "\n");
    plan.bytes.append(encoded.bytes);
    return plan;
}

bool AppendPlan::editOld(qsizetype at, QByteArrayView from, QByteArrayView to) {
    if (at < 0 || at + from.size() > oldSize || QByteArrayView(bytes).sliced(at, from.size()) != from) return false;
    bytes.replace(at, from.size(), to.toByteArray());
    oldSize += to.size() - from.size();
    return true;
}

SavedFile writeAppend(const QString& path, const AppendPlan& plan) {
    if (!plan.ok()) return {.error = plan.error};
    const auto changed = [&] {
        return SavedFile{
            .error =
                QStringLiteral("无法追加：文件在读取之后被改动过，请重新追加：%1").arg(QDir::toNativeSeparators(path)),
            .changedOnDisk = true};
    };
    const DiskChange change = changeOnDisk(path, plan.original);
    if (change == DiskChange::Content || change == DiskChange::Removed) return changed();
    // The write compares what it backs up with what the plan read: a change in between is
    // refused too.
    SavedFile saved = written(path, plan.bytes, plan.original);
    return saved.changedOnDisk ? changed() : saved;
}

}  // namespace storage
