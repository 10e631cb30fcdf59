// The entries of the configuration panel: the list beside it, an entry loaded back into its
// page and written back in place. This file: the logic the list, the pages and the automation
// interface share, over the entries engine (entries/) and the panel's text.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "entries/entries.h"

class QPlainTextEdit;

namespace ui {

class LiveWindow;
class PanelCheck;
class Runtime;

class EntryEditor : public QObject {
    Q_OBJECT
public:
    // What a call came to: refused with a code and a message, or done, with the entry's lines.
    struct Outcome {
        QString code;     // empty when done; else "unknown-entry", "duplicate-key", ...
        QString message;  // the refusal, in Chinese
        QString id;       // the entry afterwards
        int line = 0;
        int end = 0;
        int page = -1;       // load: the page filled
        QStringList extras;  // load: the entry's lines the page does not own, as they stand
        bool ok() const { return code.isEmpty(); }
    };

    // Works on the configuration panel of main; follows its text as it changes.
    EntryEditor(Runtime& runtime, LiveWindow* main, QPlainTextEdit* panel);

    QPlainTextEdit* panel() const { return panel_; }
    // The index of the text the list shows now (may be a moment behind the panel); null before
    // the first one.
    std::shared_ptr<const entries::Index> shown() const { return shown_; }
    // The index of the panel's text as it stands, made now when the one at hand is older.
    std::shared_ptr<const entries::Index> current();

    // Fills the page of the entry's kind with its values and shows that page.
    Outcome load(const QString& id);
    // Writes the page's values back into the entry it holds; page -1: the page that loaded last.
    Outcome update(int page = -1);
    Outcome duplicate(const QString& id, const QString& as);
    Outcome remove(const QString& id);
    Outcome rename(const QString& id, const QString& as);
    // Puts the panel's caret on a line (from 1) and shows it.
    void goToLine(int line);

    // The entry a page holds, or null.
    const entries::Loaded* held(int page) const;
    // The lines of the entry a page holds as "更新条目" would write them from the page's values
    // now (as they stand in the text when those values would not read); nullopt when the page
    // holds no entry that is in the text.
    std::optional<std::string> heldEntryText(int page);
    // Lets go of what every page holds (新建, a new file).
    void release();
    void releasePage(int page);

signals:
    // A new list is shown.
    void listChanged();
    // What a page holds changed (loaded, updated, released, the entry gone).
    void heldChanged(int page);
    // A list line of a page could not go into the entry the page holds: why.
    void listLineRefused(int page, const QString& message);

private:
    void schedule();
    void rebuild();
    Outcome applied(const std::shared_ptr<const entries::Index>& index, const entries::EditResult& result,
                    const QString& id);
    Outcome refused(entries::Refusal refusal, const std::string& message);
    void replaceText(const std::string& old, const std::string& now);
    bool appendListLine(const QString& button, const QString& text);
    void reloadHeld(int page, const std::string& text, int line, int end);

    Runtime& runtime_;
    LiveWindow* main_;
    QPlainTextEdit* panel_;
    std::shared_ptr<const entries::Index> shown_;
    std::uint64_t generation_ = 0;       // edits of the panel, counted
    std::uint64_t shownGeneration_ = 0;  // the edit the shown index is of
    bool building_ = false;
    std::map<int, entries::Loaded> held_;
    int lastLoaded_ = -1;
    bool editing_ = false;  // the editor itself is changing the panel
};

}  // namespace ui
