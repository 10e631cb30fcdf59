#include "ui/entries/entry_editor.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "actions/action.h"
#include "ui/base/background.h"
#include "ui/base/text.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/panels/panel.h"
#include "ui/panels/panel_check.h"

namespace ui {
namespace {

QString codeOf(entries::Refusal refusal) { return fromUtf8(entries::code(refusal)); }

// The lines [line, end] (from 1) of a "\n" text.
std::string linesOf(const std::string& text, int line, int end) {
    std::size_t begin = 0;
    for (int i = 1; i < line && begin != std::string::npos; ++i) begin = text.find('\n', begin) + 1;
    if (begin == std::string::npos || begin > text.size()) return {};
    std::size_t stop = begin;
    for (int i = line; i <= end && stop != std::string::npos; ++i) {
        stop = text.find('\n', stop);
        if (stop != std::string::npos) ++stop;
    }
    return text.substr(begin, stop == std::string::npos ? std::string::npos : stop - begin);
}

const entries::PageOfKind* pageOfListButton(std::string_view button) {
    static const std::vector<entries::PageOfKind> pages = entries::pagesOfKinds();
    const auto it = std::find_if(pages.begin(), pages.end(), [&](const auto& p) { return p.listButton == button; });
    return it == pages.end() ? nullptr : &*it;
}

}  // namespace

EntryEditor::EntryEditor(Runtime& runtime, LiveWindow* main, QPlainTextEdit* panel)
    : QObject(main), runtime_(runtime), main_(main), panel_(panel) {
    connect(panel->document(), &QTextDocument::contentsChanged, this, [this] { ++generation_; });
    // The list follows the live check: the check reads the text off the UI thread anyway, and
    // the entries of a checked text are found from the check's keys in a fraction of its time.
    if (PanelCheck* check = PanelCheck::of(panel)) connect(check, &PanelCheck::checked, this, &EntryEditor::schedule);
    runtime.setAppendRoute([this](const actions::Action& action, const QString& text) {
        return appendListLine(fromUtf8(action.button), text);
    });
}

void EntryEditor::schedule() {
    if (building_) return;
    const PanelCheck* check = PanelCheck::of(panel_);
    if (check == nullptr || !check->isCurrent() || shownGeneration_ == generation_) return;
    building_ = true;
    const std::uint64_t generation = generation_;
    runInBackground(
        this,
        [text = check->checkedUtf8(), result = check->sharedResult()] {
            return std::make_shared<const entries::Index>(text, *result);
        },
        [this, generation](const std::shared_ptr<const entries::Index>& index) {
            building_ = false;
            if (generation == generation_) {
                shown_ = index;
                shownGeneration_ = generation;
                rebuild();
            } else {
                schedule();  // the text moved on: the next check brings it
            }
        });
}

// A new list: each page's entry found again by its name to the server, nearest to where it was.
void EntryEditor::rebuild() {
    for (auto& [page, loaded] : held_) {
        const entries::Entry* nearest = nullptr;
        for (const entries::Entry& entry : shown_->listing().entries) {
            if (entry.key != loaded.key) continue;
            if (nearest == nullptr || std::abs(entry.line - loaded.line) < std::abs(nearest->line - loaded.line))
                nearest = &entry;
        }
        const int line = nearest != nullptr ? nearest->line : 0;
        bool changed = line != loaded.line;
        loaded.line = line;  // 0: gone from the text
        // The entry's lines the page has no field for, as they stand now (an undo in the panel
        // brings back lines an update had changed).
        if (nearest != nullptr) {
            const entries::LoadResult fresh = shown_->load(nearest->key);
            const auto same = [](const entries::Extra& a, const entries::Extra& b) {
                return a.line == b.line && a.text == b.text;
            };
            if (fresh.ok() && fresh.loaded.line == line &&
                !std::equal(fresh.loaded.extras.begin(), fresh.loaded.extras.end(), loaded.extras.begin(),
                            loaded.extras.end(), same)) {
                loaded.extras = fresh.loaded.extras;
                changed = true;
            }
        }
        if (changed) emit heldChanged(page);
    }
    emit listChanged();
}

std::shared_ptr<const entries::Index> EntryEditor::current() {
    if (shown_ != nullptr && shownGeneration_ == generation_) return shown_;
    const std::string text = toUtf8(panelLfText(panel_));
    const PanelCheck* check = PanelCheck::of(panel_);
    shown_ = check != nullptr && check->isCurrent() ? std::make_shared<const entries::Index>(text, check->result())
                                                    : std::make_shared<const entries::Index>(text);
    shownGeneration_ = generation_;
    rebuild();
    return shown_;
}

EntryEditor::Outcome EntryEditor::refused(entries::Refusal refusal, const std::string& message) {
    Outcome outcome;
    outcome.code = codeOf(refusal);
    outcome.message = fromUtf8(message);
    return outcome;
}

EntryEditor::Outcome EntryEditor::load(const QString& id) {
    const std::shared_ptr<const entries::Index> index = current();
    const entries::LoadResult result = index->load(toUtf8(id));
    if (!result.ok()) return refused(result.refusal, result.message);
    const entries::Loaded& loaded = result.loaded;
    const actions::Action* action = actions::find(main_->id(), loaded.button);
    if (action == nullptr) return refused(entries::Refusal::Unsupported, "这一页没有它的按钮");
    // Through the same controls the user types into, so everything that follows a field follows.
    for (std::size_t i = 0; i < action->texts.size(); ++i)
        setEditText(main_->controlByName(action->texts[i]), fromUtf8(actions::textAt(loaded.inputs, i)));
    for (std::size_t i = 0; i < action->selections.size(); ++i)
        if (auto* combo = qobject_cast<QComboBox*>(main_->controlByName(action->selections[i])))
            combo->setCurrentIndex(actions::selectionAt(loaded.inputs, i));
    if (PageControl* pages = main_->pageControl()) pages->setCurrentIndex(loaded.page);
    held_[loaded.page] = loaded;
    lastLoaded_ = loaded.page;
    emit heldChanged(loaded.page);

    Outcome outcome;
    outcome.id = fromUtf8(loaded.id);
    outcome.page = loaded.page;
    outcome.line = loaded.line;
    for (const entries::Entry& entry : index->listing().entries)
        if (entry.id == loaded.id && entry.line == loaded.line) outcome.end = entry.end;
    for (const entries::Extra& extra : loaded.extras) outcome.extras << fromUtf8(extra.text);
    return outcome;
}

const entries::Loaded* EntryEditor::held(int page) const {
    const auto it = held_.find(page);
    return it == held_.end() ? nullptr : &it->second;
}

void EntryEditor::release() {
    std::vector<int> pages;
    for (const auto& [page, loaded] : held_) pages.push_back(page);
    held_.clear();
    lastLoaded_ = -1;
    for (int page : pages) emit heldChanged(page);
}

void EntryEditor::releasePage(int page) {
    if (held_.erase(page) == 0) return;
    if (lastLoaded_ == page) lastLoaded_ = -1;
    emit heldChanged(page);
}

// The entry as it stands in text at [line, end], as load would give it, for the page that
// holds it: what the page holds now is what the text says.
void EntryEditor::reloadHeld(int page, const std::string& text, int line, int end) {
    const entries::Index alone(linesOf(text, line, end));
    const entries::LoadResult result =
        alone.listing().entries.empty() ? entries::LoadResult{} : alone.load(alone.listing().entries.front().id);
    if (!result.ok() || alone.listing().entries.empty()) return releasePage(page);
    entries::Loaded loaded = result.loaded;
    loaded.line += line - 1;
    for (entries::Extra& extra : loaded.extras) extra.line += line - 1;
    held_[page] = loaded;
    emit heldChanged(page);
}

std::optional<std::string> EntryEditor::heldEntryText(int page) {
    const entries::Loaded* loaded = held(page);
    if (loaded == nullptr || loaded->line <= 0) return std::nullopt;
    const actions::Action* action = actions::find(main_->id(), loaded->button);
    if (action == nullptr) return std::nullopt;
    const std::shared_ptr<const entries::Index> index = current();
    const entries::EditResult result = index->update(*loaded, main_->inputsFor(*action));
    if (result.ok()) return linesOf(result.text, result.line, result.end);
    // Values the server would not read: the entry as it stands.
    for (const entries::Entry& entry : index->listing().entries)
        if (entry.line == loaded->line) return linesOf(index->text(), entry.line, entry.end);
    return std::nullopt;
}

EntryEditor::Outcome EntryEditor::update(int page) {
    if (page < 0) page = lastLoaded_;
    const entries::Loaded* loaded = held(page);
    if (loaded == nullptr) {
        Outcome outcome;
        outcome.code = QStringLiteral("nothing-loaded");
        outcome.message = QStringLiteral("没有载入的条目：先在“条目”列表里载入一个条目");
        return outcome;
    }
    const actions::Action* action = actions::find(main_->id(), loaded->button);
    const std::shared_ptr<const entries::Index> index = current();
    const entries::EditResult result = index->update(*loaded, main_->inputsFor(*action));
    if (!result.ok()) return refused(result.refusal, result.message);
    if (result.text != index->text()) replaceText(index->text(), result.text);
    reloadHeld(page, result.text, result.line, result.end);
    Outcome outcome;
    if (const entries::Loaded* now = held(page)) outcome.id = fromUtf8(now->id);
    outcome.line = result.line;
    outcome.end = result.end;
    return outcome;
}

EntryEditor::Outcome EntryEditor::applied(const std::shared_ptr<const entries::Index>& index,
                                          const entries::EditResult& result, const QString& id) {
    if (!result.ok()) return refused(result.refusal, result.message);
    replaceText(index->text(), result.text);
    Outcome outcome;
    outcome.id = id;
    outcome.line = result.line;
    outcome.end = result.end;
    return outcome;
}

EntryEditor::Outcome EntryEditor::duplicate(const QString& id, const QString& as) {
    const std::shared_ptr<const entries::Index> index = current();
    return applied(index, index->duplicate(toUtf8(id), toUtf8(as)), as);
}

EntryEditor::Outcome EntryEditor::remove(const QString& id) {
    const std::shared_ptr<const entries::Index> index = current();
    const entries::EditResult result = index->remove(toUtf8(id));
    Outcome outcome = applied(index, result, id);
    if (outcome.ok()) {
        // A page holding the removed entry holds nothing any more.
        for (auto it = held_.begin(); it != held_.end();) {
            if (it->second.line >= result.line && it->second.line <= result.end) {
                const int page = it->first;
                it = held_.erase(it);
                emit heldChanged(page);
            } else {
                ++it;
            }
        }
    }
    return outcome;
}

EntryEditor::Outcome EntryEditor::rename(const QString& id, const QString& as) {
    const std::shared_ptr<const entries::Index> index = current();
    const entries::EditResult result = index->rename(toUtf8(id), toUtf8(as));
    Outcome outcome = applied(index, result, as);
    if (outcome.ok()) {
        for (auto& [page, loaded] : held_)
            if (loaded.line == result.line) reloadHeld(page, result.text, result.line, result.end);
    }
    return outcome;
}

// A list line of a page that holds an entry goes to the end of that entry's list.
bool EntryEditor::appendListLine(const QString& button, const QString& text) {
    const entries::PageOfKind* page = pageOfListButton(toUtf8(button));
    const entries::Loaded* loaded = page != nullptr ? held(page->page) : nullptr;
    if (loaded == nullptr || loaded->line == 0) return false;
    const std::shared_ptr<const entries::Index> index = current();
    const entries::EditResult result = index->insertListLine(loaded->key, toUtf8(text));
    if (!result.ok()) {
        emit listLineRefused(page->page, fromUtf8(result.message));
        return true;  // never at the end of the panel, under whatever entry is last
    }
    if (result.line != loaded->line) {
        // The line went to the entry of that name the server keeps, which is not the one held.
        emit listLineRefused(page->page,
                             QStringLiteral("条目“%1”（第 %2 行）被第 %3 行的同名条目覆盖，服务器只读那一个；"
                                            "请重新载入。没有改动文本")
                                 .arg(fromUtf8(loaded->id))
                                 .arg(loaded->line)
                                 .arg(result.line));
        return true;
    }
    replaceText(index->text(), result.text);
    reloadHeld(page->page, result.text, result.line, result.end);
    return true;
}

// The change as one step of the panel's undo, touching only the lines that differ: the
// caret and the view stay where they were. old is the panel's text as it stands (the shown
// index's), so a panel of many megabytes is never copied or converted for one entry.
void EntryEditor::replaceText(const std::string& old, const std::string& now) {
    std::size_t head = 0;
    const std::size_t shortest = std::min(old.size(), now.size());
    while (head < shortest && old[head] == now[head]) ++head;
    // From the start of the first line that differs.
    const std::size_t lineStart = head == 0 ? 0 : old.rfind('\n', head - 1) + 1;
    std::size_t tail = 0;
    while (tail < shortest - lineStart && old[old.size() - 1 - tail] == now[now.size() - 1 - tail]) ++tail;
    // To the start of the line after the last that differs.
    while (tail > 0 && old[old.size() - tail - 1] != '\n') --tail;
    const std::string_view removed = std::string_view(old).substr(lineStart, old.size() - tail - lineStart);
    const std::string_view added = std::string_view(now).substr(lineStart, now.size() - tail - lineStart);
    const auto lines = [](std::string_view text, std::size_t end) {
        return static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end), '\n'));
    };
    QTextDocument* document = panel_->document();
    const int first = lines(old, lineStart);
    const int from = document->findBlockByNumber(first).position();
    const int to = tail > 0 ? document->findBlockByNumber(first + lines(removed, removed.size())).position()
                            : document->characterCount() - 1;
    const int scroll = panel_->verticalScrollBar()->value();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    cursor.insertText(fromUtf8(added));
    cursor.endEditBlock();
    panel_->verticalScrollBar()->setValue(scroll);
}

void EntryEditor::goToLine(int line) {
    const QTextBlock block = panel_->document()->findBlockByNumber(std::max(0, line - 1));
    if (!block.isValid()) return;
    panel_->setTextCursor(QTextCursor(block));
    panel_->centerCursor();
    panel_->setFocus(Qt::OtherFocusReason);
}

}  // namespace ui
