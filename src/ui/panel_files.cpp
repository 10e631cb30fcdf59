#include "ui/panel_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QThreadPool>
#include <QTimer>
#include <memory>

#include "storage/recent_files.h"
#include "storage/safe_write.h"
#include "storage/text_file.h"
#include "ui/panel.h"
#include "ui/panel_check.h"
#include "ui/text.h"
#include "yaml/check.h"

namespace ui {
namespace {

using storage::Encoding;
using storage::TextFormat;

FileOutcome refused(FileRefusal refusal, QString message) {
    FileOutcome outcome;
    outcome.refusal = refusal;
    outcome.message = std::move(message);
    return outcome;
}

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

bool sameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const QFileInfo left(a);
    const QFileInfo right(b);
    if (left.exists() && right.exists()) return left.canonicalFilePath() == right.canonicalFilePath();
    return QDir::cleanPath(left.absoluteFilePath()) == QDir::cleanPath(right.absoluteFilePath());
}

constexpr qint64 kSaveSliceMs = 4;  // taking the panel's text for a save, per turn of the loop

QString unreadableMessage(const yaml::CheckResult& result) {
    if (result.errors.empty()) return QStringLiteral("服务器无法读取这段配置。");
    const yaml::Finding& first = result.errors.front();
    const QString where = first.column > 0 ? QStringLiteral("第 %1 行第 %2 列").arg(first.line).arg(first.column)
                                           : QStringLiteral("第 %1 行").arg(first.line);
    return QStringLiteral("服务器无法读取这段配置：%1：%2。").arg(where, fromUtf8(first.message));
}

// The save itself, on any thread: every check, then the write. Works on what the UI thread
// took of the panel (its text, its file, its check), never on the panel itself.
SaveResult saveText(const SaveInput& input) {
    const SaveRequest& request = input.request;
    const QString& text = input.text;
    const bool yaml = input.yaml;
    SaveResult result;
    const auto refuse = [&result](FileRefusal refusal, QString message) {
        result.outcome = refused(refusal, std::move(message));
        return result;
    };
    if (request.path.isEmpty()) return refuse(FileRefusal::Io, QStringLiteral("无法写入：没有文件名"));
    // Stand-ins for bytes that could not be read are never written as if they were text.
    if (input.lostBytes && text.contains(QChar(0xFFFD))) {
        return refuse(FileRefusal::Unrepresentable,
                      storage::encodeText(text, TextFormat{}, storage::Replacements::Refuse).error);
    }
    yaml::CheckResult check;
    if (yaml) {
        check = input.check ? *input.check : yaml::checkConfiguration(toUtf8(text));
        if (!check.valid && !request.force) {
            return refuse(FileRefusal::InvalidYaml,
                          unreadableMessage(check) + QStringLiteral("写进文件后服务器会拒绝读取它。"));
        }
    }
    const PanelFile& current = input.current;
    const bool same = sameFile(request.path, current.path);

    if (request.mode == SaveMode::Append) {
        const storage::AppendPlan plan = storage::planAppend(request.path, text);
        if (!plan.ok()) return refuse(plan.readFailed ? FileRefusal::Io : FileRefusal::Unrepresentable, plan.error);
        if (yaml && !request.force && plan.original.exists) {
            // The server keeps the last of two equal keys: the file's entry would be lost.
            const QString old = storage::decodeText(plan.oldBytes()).text;
            const yaml::CheckResult inFile = yaml::checkConfiguration(toUtf8(old));
            QHash<QString, int> fileKeys;
            for (const yaml::TopLevelKey& key : inFile.keys) fileKeys.insert(fromUtf8(key.name), key.line);
            QStringList clashes;
            QSet<QString> seen;
            for (const yaml::TopLevelKey& key : check.keys) {
                const QString name = fromUtf8(key.name);
                if (!fileKeys.contains(name) || seen.contains(name)) continue;
                seen.insert(name);
                clashes << QStringLiteral("“%1”（文件第 %2 行）").arg(name).arg(fileKeys.value(name));
            }
            if (!clashes.isEmpty()) {
                return refuse(FileRefusal::DuplicateKey,
                              QStringLiteral("文件中已经有标识符 %1：追加后服务器只会保留后面的那一个，"
                                             "文件中原来的条目会失效。")
                                  .arg(clashes.join(QStringLiteral("、"))));
            }
        }
        const storage::SavedFile saved = storage::writeAppend(request.path, plan);
        if (!saved.ok()) {
            const bool changed = QFileInfo::exists(request.path) &&
                                 storage::changeOnDisk(request.path, plan.original) == storage::DiskChange::Content;
            return refuse(changed ? FileRefusal::ChangedOnDisk : FileRefusal::Io, saved.error);
        }
        if (same) result.stamp = saved.stamp;
        FileOutcome& outcome = result.outcome;
        outcome.bytes = plan.bytes.size() - plan.oldBytes().size();
        outcome.format = plan.format;
        outcome.message = QStringLiteral("已追加 %1 字节到 %2").arg(outcome.bytes).arg(shown(request.path));
        return result;
    }

    // Unless told otherwise, a panel keeps the format of its file, also into a copy; a
    // byte-order mark only goes back into the file that had it.
    TextFormat format = request.format ? *request.format : current.path.isEmpty() ? TextFormat{} : current.format;
    if (format.encoding != Encoding::Utf8 || (!request.format && !same)) format.bom = false;
    if (same && !request.force && current.stamp.exists) {
        const storage::DiskChange change = storage::changeOnDisk(request.path, current.stamp);
        if (change == storage::DiskChange::Content || change == storage::DiskChange::Removed) {
            return refuse(
                FileRefusal::ChangedOnDisk,
                QStringLiteral("文件在打开或上次保存之后被别的程序%1：%2。保存会覆盖那些改动。")
                    .arg(change == storage::DiskChange::Removed ? QStringLiteral("删除了") : QStringLiteral("改动过"),
                         shown(request.path)));
        }
    }
    const storage::EncodedText encoded = storage::encodeText(text, format, storage::Replacements::Write);
    if (!encoded.ok()) return refuse(FileRefusal::Unrepresentable, encoded.error);
    const storage::WriteResult written = storage::writeFileAtomically(request.path, encoded.bytes);
    if (!written.ok()) return refuse(FileRefusal::Io, written.error);
    result.file = PanelFile{request.path, format, storage::stampOf(request.path, encoded.bytes)};
    FileOutcome& outcome = result.outcome;
    outcome.bytes = encoded.bytes.size();
    outcome.format = format;
    outcome.message = QStringLiteral("已保存 %1（%2 字节）").arg(shown(request.path)).arg(outcome.bytes);
    return result;
}

}  // namespace

QString refusalCode(FileRefusal refusal) {
    switch (refusal) {
    case FileRefusal::None: return {};
    case FileRefusal::Unrepresentable: return QStringLiteral("unrepresentable");
    case FileRefusal::InvalidYaml: return QStringLiteral("invalid-yaml");
    case FileRefusal::ChangedOnDisk: return QStringLiteral("changed-on-disk");
    case FileRefusal::DuplicateKey: return QStringLiteral("duplicate-key");
    case FileRefusal::Io: return QStringLiteral("io");
    }
    return {};
}

bool isConfirmable(FileRefusal refusal) {
    return refusal == FileRefusal::InvalidYaml || refusal == FileRefusal::ChangedOnDisk ||
           refusal == FileRefusal::DuplicateKey;
}

QString panelLfText(const QPlainTextEdit* panel) {
    QString text = panel->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

int lineCount(const QString& lfText) {
    if (lfText.isEmpty()) return 0;
    const auto breaks = static_cast<int>(lfText.count(QLatin1Char('\n')));
    return lfText.endsWith(QLatin1Char('\n')) ? breaks : breaks + 1;
}

PanelFiles::PanelFiles(QPlainTextEdit* configuration, QObject* parent)
    : QObject(parent), configuration_(configuration) {}

void PanelFiles::remember(const QString& path) {
    if (!recentStore_.isEmpty()) storage::rememberRecentFile(recentStore_, path);
}

void PanelFiles::openLater(QPlainTextEdit* panel, const QString& path, std::optional<Encoding> encoding, bool append,
                           Done done) {
    if (opening_) return done(refused(FileRefusal::Io, QStringLiteral("正在打开另一个文件，请等它打开完再试。")));
    opening_ = true;
    QPointer<PanelFiles> self(this);
    QPointer<QPlainTextEdit> target(panel);
    QThreadPool::globalInstance()->start([self, target, path, encoding, append, done = std::move(done)] {
        const storage::OpenedFile opened =
            encoding ? storage::openTextFile(path, *encoding) : storage::openTextFile(path);
        const int lines = opened.ok() ? lineCount(opened.decoded.text) : 0;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, target, path, opened, lines, append, done] {
                if (!self) return;
                if (!target) {
                    self->opening_ = false;
                    return done(refused(FileRefusal::Io, QStringLiteral("无法打开：输出框已经关闭")));
                }
                self->fill(target, path, opened, lines, append, done);
            },
            Qt::QueuedConnection);
    });
}

void PanelFiles::fill(QPlainTextEdit* panel, const QString& path, const storage::OpenedFile& opened, int lines,
                      bool append, const Done& done) {
    if (!opened.ok()) {
        opening_ = false;
        return done(refused(FileRefusal::Io, opened.error));
    }
    const storage::DecodedText& decoded = opened.decoded;
    const bool replace = !append || panel->document()->isEmpty();
    auto* filling = new PanelFill(panel, decoded.text, replace);
    connect(filling, &PanelFill::progress, this,
            [this, path](qsizetype read, qsizetype total) { emit opening(path, read, total); });
    QPointer<QPlainTextEdit> target(panel);
    connect(filling, &PanelFill::finished, this, [this, target, path, opened, lines, replace, done](bool complete) {
        opening_ = false;
        if (!complete || !target) {
            return done(refused(FileRefusal::Io,
                                QStringLiteral("“%1”没有全部读入：读入时输出框被清空或改动了。").arg(shown(path))));
        }
        const storage::DecodedText& text = opened.decoded;
        if (replace) {
            files_[target] = PanelFile{path, text.format, opened.stamp};
            lostBytes_[target] = text.hasInvalidBytes();
            emit fileChanged();
        } else if (text.hasInvalidBytes()) {
            lostBytes_[target] = true;
        }
        remember(path);
        FileOutcome outcome;
        outcome.format = text.format;
        outcome.lines = lines;
        outcome.warning = storage::invalidBytesWarning(text);
        outcome.message = QStringLiteral("已打开 %1（%2，%3 行）")
                              .arg(shown(path), storage::encodingName(text.format.encoding))
                              .arg(outcome.lines);
        done(outcome);
    });
    filling->start();
}

std::optional<FileOutcome> waitForOutcome(const std::function<void(PanelFiles::Done)>& start) {
    std::optional<FileOutcome> result;
    QEventLoop loop;
    start([&result, &loop](const FileOutcome& outcome) {
        result = outcome;
        loop.quit();
    });
    // The application quitting ends every event loop, this one too: then there is none.
    if (!result) loop.exec();
    return result;
}

FileOutcome PanelFiles::open(QPlainTextEdit* panel, const QString& path, std::optional<Encoding> encoding,
                             bool append) {
    return waitForOutcome([&](Done done) { openLater(panel, path, encoding, append, std::move(done)); })
        .value_or(refused(FileRefusal::Io, QStringLiteral("打开“%1”被中断：编辑器正在退出。").arg(shown(path))));
}

void PanelFiles::reopenOtherLater(QPlainTextEdit* panel, Done done) {
    const PanelFile current = file(panel);
    if (current.path.isEmpty())
        return done(refused(FileRefusal::Io, QStringLiteral("这个输出框的内容不是从文件打开的。")));
    const Encoding other = current.format.encoding == Encoding::Utf8 ? Encoding::Gbk : Encoding::Utf8;
    openLater(panel, current.path, other, false, std::move(done));
}

FileOutcome PanelFiles::reopenOther(QPlainTextEdit* panel) {
    return waitForOutcome([&](Done done) { reopenOtherLater(panel, std::move(done)); })
        .value_or(refused(FileRefusal::Io, QStringLiteral("重新打开被中断：编辑器正在退出。")));
}

void PanelFiles::saveLater(QPlainTextEdit* panel, const SaveRequest& request, const Done& done) {
    if (saving_) return done(refused(FileRefusal::Io, QStringLiteral("正在保存另一个文件，请等它写完再试。")));
    saving_ = true;
    auto input = std::make_shared<SaveInput>();
    input->request = request;
    input->yaml = panel == configuration_;
    input->lostBytes = lostBytes_.value(panel);
    input->current = file(panel);
    // The text is taken a slice at a time on this thread; a change meanwhile starts it over.
    // A panel that goes away first ends the save.
    auto read = std::make_shared<bool>(false);
    QPointer<PanelFiles> self(this);
    auto* reader = new PanelReader(panel, kSaveSliceMs, [self, panel, input, done, read](QString text) {
        *read = true;
        if (!self) return;
        input->text = std::move(text);
        // The live check's result, when it is of this very text: a large panel is not
        // checked twice.
        if (auto* check = panel->findChild<PanelCheck*>(); input->yaml && check != nullptr && check->isCurrent())
            input->check = check->result();
        QPointer<QPlainTextEdit> target(panel);
        QThreadPool::globalInstance()->start([self, target, input, done] {
            SaveResult result = saveText(*input);
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, target, input, done, result = std::move(result)] {
                    if (!self) return;
                    self->saving_ = false;
                    if (target) self->apply(target, input->request, result);
                    done(result.outcome);
                },
                Qt::QueuedConnection);
        });
    });
    connect(reader, &QObject::destroyed, this, [this, done, read] {
        if (*read) return;
        saving_ = false;
        done(refused(FileRefusal::Io, QStringLiteral("无法写入：输出框已经关闭")));
    });
    reader->start();
}

void PanelFiles::apply(QPlainTextEdit* panel, const SaveRequest& request, const SaveResult& result) {
    if (!result.outcome.ok()) return;
    if (result.file) {
        files_[panel] = *result.file;
        emit fileChanged();
    } else if (result.stamp.exists && sameFile(request.path, file(panel).path)) {
        files_[panel].stamp = result.stamp;
    }
    remember(request.path);
}

FileOutcome PanelFiles::save(QPlainTextEdit* panel, const SaveRequest& request) {
    return waitForOutcome([&](const Done& done) { saveLater(panel, request, done); })
        .value_or(
            refused(FileRefusal::Io, QStringLiteral("保存“%1”被中断：编辑器正在退出。").arg(shown(request.path))));
}

void PanelFiles::setFile(QPlainTextEdit* panel, const PanelFile& file, bool lostBytes) {
    files_[panel] = file;
    lostBytes_[panel] = lostBytes;
    emit fileChanged();
}

void PanelFiles::forget() {
    files_.clear();
    lostBytes_.clear();
    emit fileChanged();
}

}  // namespace ui
