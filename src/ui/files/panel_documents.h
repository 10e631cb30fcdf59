// The files: the documents behind the output panels, the menus and questions over them, the
// session. This file: the one owner of the panels' documents, which opens files into the
// panels and saves the panels into files by the rules of documents/, taking the text from the
// widgets and never holding the event loop for it.
#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <functional>
#include <map>
#include <optional>

#include "actions/action.h"
#include "actions/panels.h"
#include "documents/document.h"
#include "documents/open.h"
#include "documents/save.h"

class QPlainTextEdit;

namespace ui {

class Runtime;

class PanelDocuments : public QObject {
    Q_OBJECT
public:
    // The documents of the runtime's panels that have a file role.
    PanelDocuments(Runtime& runtime, QObject* parent);

    // The recent-files list to keep up to date, empty for none.
    void setRecentStore(const QString& store) { recentStore_ = store; }
    const QString& recentStore() const { return recentStore_; }

    // The live panel of a row (nullptr while its window is not loaded).
    QPlainTextEdit* panel(actions::Panel panel) const;
    // The panel of a file role: the configuration panel, the command panel.
    QPlainTextEdit* panel(actions::FileRole role) const;
    // The row of a live panel with a file role, or nullptr.
    const actions::PanelRow* rowOf(const QPlainTextEdit* panel) const;

    documents::Document document(actions::Panel panel) const;
    // Gives a panel its document back (a restored session, an undone 新建).
    void setDocument(actions::Panel panel, const documents::Document& document);
    // Forgets every panel's file ("新建").
    void forget();

    using Done = std::function<void(const documents::Outcome&)>;

    // Reads the file into the panel, replacing its text or after it. The file is read and
    // decoded off the UI thread and its text goes into the panel a slice at a time, so the
    // window answers input meanwhile; done hears the outcome once the whole text is in (or the
    // open failed, possibly before this returns). One open at a time. With keepUnsaved, a file
    // read whole that would replace a text differing from the panel's own file is refused
    // (documents::Refusal::Unsaved) and the panel stays as it is.
    void open(actions::Panel panel, const QString& path, std::optional<storage::Encoding> encoding, bool append,
              Done done, bool keepUnsaved = false);
    // Reads the panel's file again as it is on disk now, in its encoding, in place of the
    // panel's text as one step of the panel's undo history.
    void reload(actions::Panel panel, Done done);
    // Reads the panel's file again in the other encoding, replacing the panel's text.
    void reopenOther(actions::Panel panel, Done done);
    bool isOpening() const { return opening_; }
    // Writes the panel's text into a file, or adds it to the end of one. The text is taken a
    // slice at a time and everything else (the checks, the encoding, the write) happens off
    // the UI thread; done hears the outcome. One save at a time.
    void save(actions::Panel panel, const documents::SaveRequest& request, const Done& done);
    bool isSaving() const { return saving_; }

signals:
    // A panel's document changed (opened, saved, forgotten, given back).
    void documentChanged();
    // An open putting a file's text into a panel: how far it is.
    void opening(const QString& path, qsizetype done, qsizetype total);
    // A save finished, whatever its outcome: nothing is being written now.
    void saveFinished();

private:
    void remember(const QString& path);
    void keepReplaced(actions::Panel target, QPlainTextEdit* edit);
    void fill(actions::Panel panel, const QString& path, const documents::Read& read, bool append, const Done& done,
              bool keepUnsaved);

    Runtime& runtime_;
    QString recentStore_;
    // Writes the recent files one after another (each write reads the list the last one
    // left), off the UI thread: a write ends with the disk's flush.
    QThreadPool recentWriter_;
    bool opening_ = false;
    bool saving_ = false;
    std::map<actions::Panel, documents::Document> documents_;
    // What the text a file replaced belonged to: its document and whether it was unsaved.
    struct Replaced {
        documents::Document document;
        bool modified = false;
    };
    std::map<actions::Panel, Replaced> replaced_;
    QSet<const QObject*> watchedMemories_;
};

}  // namespace ui
