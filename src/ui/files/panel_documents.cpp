#include "ui/files/panel_documents.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextDocument>
#include <memory>

#include "documents/open.h"
#include "storage/recent_files.h"
#include "ui/base/background.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/panels/panel.h"
#include "ui/panels/panel_check.h"
#include "ui/panels/panel_fill.h"
#include "ui/panels/panel_memory.h"
#include "ui/panels/panel_reader.h"
#include "ui/remote/server_outcome.h"
#include "ui/remote/servers.h"

namespace ui {
namespace {

using documents::Outcome;
using documents::Refusal;

constexpr qint64 kSaveSliceMs = 4;  // taking the panel's text for a save, per turn of the loop

}  // namespace

PanelDocuments::PanelDocuments(Runtime& runtime, QObject* parent) : QObject(parent), runtime_(runtime) {
    recentWriter_.setMaxThreadCount(1);
}

QPlainTextEdit* PanelDocuments::panel(actions::Panel panel) const {
    const actions::PanelRow& row = actions::panelRow(panel);
    LiveWindow* live = runtime_.window(row.window);
    return live != nullptr ? qobject_cast<QPlainTextEdit*>(live->controlByName(row.name)) : nullptr;
}

QPlainTextEdit* PanelDocuments::panel(actions::FileRole role) const {
    const actions::PanelRow* row = actions::panelWithRole(role);
    return row != nullptr ? panel(row->panel) : nullptr;
}

const actions::PanelRow* PanelDocuments::rowOf(const QPlainTextEdit* edit) const {
    for (const actions::PanelRow& row : actions::panels())
        if (row.file != actions::FileRole::None && edit != nullptr && panel(row.panel) == edit) return &row;
    return nullptr;
}

documents::Document PanelDocuments::document(actions::Panel panel) const {
    const auto it = documents_.find(panel);
    return it == documents_.end() ? documents::Document{} : it->second;
}

void PanelDocuments::setDocument(actions::Panel panel, const documents::Document& document) {
    documents_[panel] = document;
    emit documentChanged();
}

void PanelDocuments::forget() {
    documents_.clear();
    emit documentChanged();
}

// A panel's text about to be replaced by a file's: its memory keeps the text (PanelFill, reload)
// and this the file it belonged to, so that taking the replacement back brings both back.
void PanelDocuments::keepReplaced(actions::Panel target, QPlainTextEdit* edit) {
    if (edit->document()->isEmpty()) return;
    replaced_[target] = {document(target), edit->document()->isModified()};
    PanelMemory* memory = PanelMemory::of(edit);
    if (memory == nullptr || watchedMemories_.contains(memory)) return;
    watchedMemories_.insert(memory);
    connect(memory, &QObject::destroyed, this, [this, memory] { watchedMemories_.remove(memory); });
    connect(memory, &PanelMemory::replacementUndone, this, [this, target] {
        const auto it = replaced_.find(target);
        QPlainTextEdit* restored = panel(target);
        if (it == replaced_.end() || restored == nullptr) return;
        const Replaced before = it->second;
        replaced_.erase(it);
        setDocument(target, before.document);
        restored->document()->setModified(before.modified);
    });
}

void PanelDocuments::remember(const documents::Location& file) {
    if (recentStore_.isEmpty()) return;
    // A server's file is kept as its link ("lobby:/srv/.../sockets.yml"), never with a secret.
    const QString entry = file.onServer() ? documents::serverLink(file.place, file.path) : file.path;
    runInBackground(
        recentWriter_, this, [store = recentStore_, entry] { return storage::rememberRecentFile(store, entry).ok(); },
        [](bool) {});
}

void PanelDocuments::open(actions::Panel target, const QString& path, std::optional<storage::Encoding> encoding,
                          bool append, Done done, bool keepUnsaved) {
    if (opening_)
        return done(documents::refused(Refusal::Io, QStringLiteral("正在打开另一个文件，请等它打开完再试。")));
    opening_ = true;
    runInBackground(
        this, [path, encoding] { return documents::read(path, encoding); },
        [this, target, path, append, keepUnsaved, done = std::move(done)](const documents::Read& read) {
            fill(target, {{}, path}, read, append, done, keepUnsaved, {});
        });
}

void PanelDocuments::open(actions::Panel target, const documents::Location& file,
                          std::optional<storage::Encoding> encoding, bool append, Done done, bool keepUnsaved) {
    if (!file.onServer()) return open(target, file.path, encoding, append, std::move(done), keepUnsaved);
    if (opening_)
        return done(documents::refused(Refusal::Io, QStringLiteral("正在打开另一个文件，请等它打开完再试。")));
    opening_ = true;
    readFromServer(
        file, encoding,
        [this, target, file, append, keepUnsaved, done](const documents::Read& read, const QByteArray& bytes) {
            fill(target, file, read, append, done, keepUnsaved, bytes);
        },
        [this, done](const Outcome& refused) {
            opening_ = false;
            done(refused);
        });
}

void PanelDocuments::withSession(const QString& place, const std::function<void(remote::Session*)>& then,
                                 const Done& refused) {
    const auto none = [this, place] {
        return documents::refused(
            Refusal::Io, servers_ != nullptr
                             ? servers_->loginProblem(place)
                             : QStringLiteral("没有名为“%1”的服务器（在“服务器”→“服务器列表…”中添加）").arg(place));
    };
    if (servers_ == nullptr || !servers_->loginProblem(place).isEmpty()) return refused(none());
    servers_->prepareSession(place, this, [then, refused, none](remote::Session* session) {
        if (session == nullptr) return refused(none());
        then(session);
    });
}

remote::Session::Progress PanelDocuments::progressOf(const QString& what) {
    return [this, what](qint64 done, qint64 total) {
        transfer_.told = true;
        emit transferring(what, done, total);
    };
}

void PanelDocuments::startTransfer(remote::Session* session, remote::Session::RequestId id) {
    transfer_ = {session, id, false};
}

void PanelDocuments::endTransfer(remote::Session* session, remote::Session::RequestId id) {
    if (transfer_.session != session || transfer_.id != id) return;
    const bool told = transfer_.told;
    transfer_ = {};
    if (told) emit transferEnded();
}

void PanelDocuments::cancelTransfer() {
    if (transfer_.session != nullptr) transfer_.session->cancel(transfer_.id);
}

void PanelDocuments::readFromServer(const documents::Location& file, std::optional<storage::Encoding> encoding,
                                    const ReadDone& then, const Done& refused) {
    withSession(
        file.place,
        [this, file, encoding, then, refused](remote::Session* session) {
            const QString what = QStringLiteral("正在从 %1 读取 %2")
                                     .arg(file.place, documents::shownServerPath(file.path).section(u'/', -1));
            auto id = std::make_shared<remote::Session::RequestId>(0);
            QPointer<remote::Session> from(session);
            *id = session->read(
                documents::serverPathBytes(file.path), this,
                [this, from, id, encoding, then, refused](const remote::FileRead& read) {
                    endTransfer(from, *id);
                    if (!read.ok()) return refused(refusalOf(read));
                    runInBackground(
                        this,
                        [read, encoding] {
                            return documents::fromBytes(read.bytes,
                                                        documents::serverStamp(read.bytes, read.stamp.mtime), encoding);
                        },
                        [then, bytes = read.bytes](const documents::Read& decoded) { then(decoded, bytes); });
                },
                progressOf(what));
            startTransfer(session, *id);
        },
        refused);
}

void PanelDocuments::fill(actions::Panel target, const documents::Location& file, const documents::Read& read,
                          bool append, const Done& done, bool keepUnsaved, const QByteArray& serverBytes) {
    const QString& path = file.path;
    QPlainTextEdit* edit = panel(target);
    const Outcome outcome = documents::opened(file.place, path, read);
    if (edit == nullptr || !outcome.ok()) {
        opening_ = false;
        return done(edit == nullptr ? documents::refused(Refusal::Io, QStringLiteral("无法打开：输出框已经关闭"))
                                    : outcome);
    }
    const bool replace = !append || edit->document()->isEmpty();
    if (replace && keepUnsaved && document(target).hasFile() && edit->document()->isModified()) {
        opening_ = false;
        return done(documents::refused(
            Refusal::Unsaved,
            QStringLiteral(
                "“%1”有未保存的更改：先保存，或给出 \"force\":true 打开（之后可以用 undo-clear 找回这些更改）")
                .arg(document(target).fileName())));
    }
    if (replace) keepReplaced(target, edit);
    auto* filling = new PanelFill(edit, read.file.decoded.text, replace);
    connect(filling, &PanelFill::progress, this,
            [this, path](qsizetype at, qsizetype total) { emit opening(path, at, total); });
    QPointer<QPlainTextEdit> alive(edit);
    connect(filling, &PanelFill::finished, this,
            [this, target, alive, file, read, outcome, replace, done, serverBytes](bool complete) {
                opening_ = false;
                if (!complete || !alive) {
                    return done(
                        documents::refused(Refusal::Io, QStringLiteral("“%1”没有全部读入：读入时输出框被清空或改动了。")
                                                            .arg(documents::shownLocation(file.place, file.path))));
                }
                if (replace) {
                    setDocument(target, documents::documentOf(file.place, file.path, read));
                    keepServerBytes(target, serverBytes);
                } else if (read.file.decoded.hasInvalidBytes()) {
                    documents_[target].lostBytes = true;
                }
                remember(file);
                done(outcome);
            });
    filling->start();
}

void PanelDocuments::reload(actions::Panel target, const Done& done) {
    const documents::Document current = document(target);
    if (!current.hasFile())
        return done(documents::refused(Refusal::Io, QStringLiteral("这个输出框的内容不是从文件打开的。")));
    if (opening_)
        return done(documents::refused(Refusal::Io, QStringLiteral("正在打开另一个文件，请等它打开完再试。")));
    opening_ = true;
    const documents::Location file{current.place, current.path};
    const storage::Encoding encoding = current.format.encoding;
    const ReadDone then = [this, target, file, done](const documents::Read& read, const QByteArray& bytes) {
        opening_ = false;
        const Outcome outcome = documents::opened(file.place, file.path, read);
        QPlainTextEdit* edit = panel(target);
        if (edit == nullptr)
            return done(documents::refused(Refusal::Io, QStringLiteral("无法重新载入：输出框已经关闭")));
        if (!outcome.ok()) return done(outcome);
        keepReplaced(target, edit);
        if (PanelMemory* memory = PanelMemory::of(edit)) memory->replaced(edit->document()->toRawText());
        replacePanelTextUndoably(edit, read.file.decoded.text);
        setDocument(target, documents::documentOf(file.place, file.path, read));
        keepServerBytes(target, bytes);
        done(outcome);
    };
    if (file.onServer()) {
        return readFromServer(file, encoding, then, [this, done](const Outcome& refused) {
            opening_ = false;
            done(refused);
        });
    }
    runInBackground(
        this, [path = file.path, encoding] { return documents::read(path, encoding); },
        [then](const documents::Read& read) { then(read, {}); });
}

void PanelDocuments::keepServerBytes(actions::Panel target, const QByteArray& bytes) {
    const documents::Document now = document(target);
    if (now.onServer())
        serverBytes_[target] = {bytes, now.stamp.hash};
    else
        serverBytes_.erase(target);
}

void PanelDocuments::reopenOther(actions::Panel target, Done done) {
    const documents::Document current = document(target);
    if (!current.hasFile())
        return done(documents::refused(Refusal::Io, QStringLiteral("这个输出框的内容不是从文件打开的。")));
    open(target, documents::Location{current.place, current.path}, documents::otherEncoding(current), false,
         std::move(done));
}

void PanelDocuments::save(actions::Panel target, const documents::SaveRequest& request, const Done& done) {
    QPlainTextEdit* edit = panel(target);
    if (saving_ || edit == nullptr) {
        return done(documents::refused(Refusal::Io, edit == nullptr
                                                        ? QStringLiteral("无法写入：输出框已经关闭")
                                                        : QStringLiteral("正在保存另一个文件，请等它写完再试。")));
    }
    saving_ = true;
    auto input = std::make_shared<documents::SaveInput>();
    input->request = request;
    input->yaml = actions::panelRow(target).file == actions::FileRole::Configuration;
    input->current = document(target);
    // The text is taken a slice at a time on this thread; a change meanwhile starts it over.
    // A panel that goes away first ends the save.
    auto read = std::make_shared<bool>(false);
    QPointer<PanelDocuments> self(this);
    QPointer<QPlainTextEdit> alive(edit);
    auto* reader = new PanelReader(edit, kSaveSliceMs, [self, edit, alive, target, input, done, read](QString text) {
        *read = true;
        if (!self) return;
        input->text = std::move(text);
        // The text as it was taken: the panel matches its file after the save unless it
        // changed meanwhile.
        const int revision = edit->document()->revision();
        // The live check's result, when it is of this very text: a large panel is not
        // checked twice.
        if (const PanelCheck* check = PanelCheck::of(edit); input->yaml && check != nullptr && check->isCurrent())
            input->check = check->result();
        if (!input->request.place.isEmpty()) return self->saveToServer(target, input, revision, alive, done);
        runInBackground(
            self, [input] { return documents::save(*input); },
            [self, alive, revision, target, input, done](const documents::SaveResult& result) {
                self->finishSave(target, input, result, {}, revision, alive, done);
            });
    });
    connect(reader, &QObject::destroyed, this, [this, done, read] {
        if (*read) return;
        saving_ = false;
        emit saveFinished();
        done(documents::refused(Refusal::Io, QStringLiteral("无法写入：输出框已经关闭")));
    });
    reader->start();
}

void PanelDocuments::finishSave(actions::Panel target, const std::shared_ptr<documents::SaveInput>& input,
                                const documents::SaveResult& result, const std::optional<ServerCopy>& written,
                                int revision, const QPointer<QPlainTextEdit>& edit, const Done& done) {
    saving_ = false;
    // A save whose connection broke once the server's file held the new text, read back and
    // compared: the panel matches the file, though the save is told as not done.
    const bool followed = written.has_value() && written->document.has_value();
    if (result.outcome.ok() || followed) {
        // The document of a panel whose own document changed meanwhile (新建) stays.
        if (document(target) == input->current) {
            setDocument(target,
                        followed ? *written->document : documents::afterSave(input->current, input->request, result));
            if (written.has_value() && document(target).onServer())
                serverBytes_[target] = {written->bytes, document(target).stamp.hash};
            if (edit && input->request.mode != documents::SaveMode::Append && edit->document()->revision() == revision)
                edit->document()->setModified(false);
        }
        remember({input->request.place, input->request.path});
    }
    emit saveFinished();
    done(result.outcome);
}

void PanelDocuments::saveToServer(actions::Panel target, const std::shared_ptr<documents::SaveInput>& input,
                                  int revision, const QPointer<QPlainTextEdit>& edit, const Done& done) {
    const auto refused = [this, target, input, revision, edit, done](const Outcome& outcome) {
        documents::SaveResult result;
        result.outcome = outcome;
        finishSave(target, input, result, {}, revision, edit, done);
    };
    if (input->request.mode == documents::SaveMode::Append) {
        return refused(documents::refused(
            Refusal::Io, QStringLiteral("追加到服务器上的文件还不支持：请打开那个文件，把内容加在后面再保存。")));
    }
    runInBackground(
        this, [input] { return std::make_shared<documents::PreparedWrite>(documents::prepareWrite(*input)); },
        [this, target, input, revision, edit, done,
         refused](const std::shared_ptr<documents::PreparedWrite>& prepared) {
            if (prepared->refused) return finishSave(target, input, *prepared->refused, {}, revision, edit, done);
            const documents::SaveRequest& request = input->request;
            const documents::Document& current = input->current;
            // The file is expected to hold what the panel's document was read from or last wrote.
            if (!documents::ownFile(request, current) || request.force || !current.stamp.exists)
                return writeToServer(target, input, prepared, std::nullopt, revision, edit, done);
            const auto cached = serverBytes_.find(target);
            if (cached != serverBytes_.end() && cached->second.hash == current.stamp.hash)
                return writeToServer(target, input, prepared, cached->second.bytes, revision, edit, done);
            // A document without its bytes (a session restored): the file is read to see that it
            // still holds what was opened, and its bytes are then what the save expects.
            withSession(
                request.place,
                [this, target, input, prepared, revision, edit, done, refused](remote::Session* session) {
                    session->read(
                        documents::serverPathBytes(input->request.path), this,
                        [this, target, input, prepared, revision, edit, done, refused](const remote::FileRead& read) {
                            if (!read.ok()) return refused(refusalOf(read));
                            if (documents::contentHash(read.bytes) != input->current.stamp.hash) {
                                documents::ServerWrite changed;
                                changed.detail.code = QStringLiteral("changed-on-server");
                                changed.detail.current = read.bytes;
                                return finishSave(target, input,
                                                  documents::afterServerWrite(*input, *prepared, changed), {}, revision,
                                                  edit, done);
                            }
                            writeToServer(target, input, prepared, read.bytes, revision, edit, done);
                        });
                },
                refused);
        });
}

void PanelDocuments::writeToServer(actions::Panel target, const std::shared_ptr<documents::SaveInput>& input,
                                   const std::shared_ptr<documents::PreparedWrite>& prepared,
                                   const std::optional<QByteArray>& expected, int revision,
                                   const QPointer<QPlainTextEdit>& edit, const Done& done) {
    const documents::SaveRequest& request = input->request;
    withSession(
        request.place,
        [this, target, input, prepared, expected, revision, edit, done](remote::Session* session) {
            const documents::SaveRequest& save = input->request;
            const QString what = QStringLiteral("正在保存到 %1：%2")
                                     .arg(save.place, documents::shownServerPath(save.path).section(u'/', -1));
            auto id = std::make_shared<remote::Session::RequestId>(0);
            QPointer<remote::Session> to(session);
            *id = session->save(
                documents::serverPathBytes(save.path), prepared->bytes,
                remote::SaveOptions{.expected = expected, .force = save.force}, this,
                [this, to, id, target, input, prepared, revision, edit, done](const remote::SaveOutcome& outcome) {
                    endTransfer(to, *id);
                    const documents::ServerWrite written = serverWriteOf(outcome);
                    const bool landed =
                        outcome.code == QLatin1String("dropped") && outcome.state == remote::FileState::New;
                    runInBackground(
                        this,
                        [input, prepared, written, landed] {
                            ServerCopy copy{prepared->bytes, std::nullopt};
                            if (landed) copy.document = documents::afterServerWrite(*input, *prepared, {}).document;
                            return std::make_pair(documents::afterServerWrite(*input, *prepared, written), copy);
                        },
                        [this, target, input, revision, edit,
                         done](const std::pair<documents::SaveResult, ServerCopy>& result) {
                            finishSave(target, input, result.first, result.second, revision, edit, done);
                        });
                },
                progressOf(what));
            startTransfer(session, *id);
        },
        [this, target, input, revision, edit, done](const Outcome& refused) {
            documents::SaveResult result;
            result.outcome = refused;
            finishSave(target, input, result, {}, revision, edit, done);
        });
}

}  // namespace ui
