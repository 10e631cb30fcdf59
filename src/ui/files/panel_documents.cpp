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

void PanelDocuments::remember(const QString& path) {
    if (recentStore_.isEmpty()) return;
    runInBackground(
        recentWriter_, this, [store = recentStore_, path] { return storage::rememberRecentFile(store, path).ok(); },
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
            fill(target, path, read, append, done, keepUnsaved);
        });
}

void PanelDocuments::fill(actions::Panel target, const QString& path, const documents::Read& read, bool append,
                          const Done& done, bool keepUnsaved) {
    QPlainTextEdit* edit = panel(target);
    const Outcome outcome = documents::opened(path, read);
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
                .arg(QFileInfo(document(target).path).fileName())));
    }
    if (replace) keepReplaced(target, edit);
    auto* filling = new PanelFill(edit, read.file.decoded.text, replace);
    connect(filling, &PanelFill::progress, this,
            [this, path](qsizetype at, qsizetype total) { emit opening(path, at, total); });
    QPointer<QPlainTextEdit> alive(edit);
    connect(filling, &PanelFill::finished, this,
            [this, target, alive, path, read, outcome, replace, done](bool complete) {
                opening_ = false;
                if (!complete || !alive) {
                    return done(documents::refused(
                        Refusal::Io,
                        QStringLiteral("“%1”没有全部读入：读入时输出框被清空或改动了。").arg(documents::shown(path))));
                }
                if (replace) {
                    setDocument(target, documents::documentOf(path, read));
                } else if (read.file.decoded.hasInvalidBytes()) {
                    documents_[target].lostBytes = true;
                }
                remember(path);
                done(outcome);
            });
    filling->start();
}

void PanelDocuments::reload(actions::Panel target, Done done) {
    const documents::Document current = document(target);
    if (!current.hasFile())
        return done(documents::refused(Refusal::Io, QStringLiteral("这个输出框的内容不是从文件打开的。")));
    if (opening_)
        return done(documents::refused(Refusal::Io, QStringLiteral("正在打开另一个文件，请等它打开完再试。")));
    opening_ = true;
    const QString path = current.path;
    const storage::Encoding encoding = current.format.encoding;
    runInBackground(
        this, [path, encoding] { return documents::read(path, encoding); },
        [this, target, path, done = std::move(done)](const documents::Read& read) {
            opening_ = false;
            const Outcome outcome = documents::opened(path, read);
            QPlainTextEdit* edit = panel(target);
            if (edit == nullptr)
                return done(documents::refused(Refusal::Io, QStringLiteral("无法重新载入：输出框已经关闭")));
            if (!outcome.ok()) return done(outcome);
            keepReplaced(target, edit);
            if (PanelMemory* memory = PanelMemory::of(edit)) memory->replaced(edit->document()->toRawText());
            replacePanelTextUndoably(edit, read.file.decoded.text);
            setDocument(target, documents::documentOf(path, read));
            done(outcome);
        });
}

void PanelDocuments::reopenOther(actions::Panel target, Done done) {
    const documents::Document current = document(target);
    if (!current.hasFile())
        return done(documents::refused(Refusal::Io, QStringLiteral("这个输出框的内容不是从文件打开的。")));
    open(target, current.path, documents::otherEncoding(current), false, std::move(done));
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
        runInBackground(
            self, [input] { return documents::save(*input); },
            [self, alive, revision, target, input, done](const documents::SaveResult& result) {
                self->saving_ = false;
                if (result.outcome.ok()) {
                    // The document of a panel whose own document changed meanwhile (新建) stays.
                    if (self->document(target) == input->current) {
                        self->setDocument(target, documents::afterSave(input->current, input->request, result));
                        if (alive && input->request.mode != documents::SaveMode::Append &&
                            alive->document()->revision() == revision)
                            alive->document()->setModified(false);
                    }
                    self->remember(input->request.path);
                }
                emit self->saveFinished();
                done(result.outcome);
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

}  // namespace ui
