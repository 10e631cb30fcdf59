// The files: the documents behind the output panels, the menus and questions over them, the
// session. This file: the one owner of the panels' documents, which opens files into the
// panels and saves the panels into files by the rules of documents/, taking the text from the
// widgets and never holding the event loop for it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "actions/action.h"
#include "actions/panels.h"
#include "documents/document.h"
#include "documents/location.h"
#include "documents/open.h"
#include "documents/save.h"
#include "remote/session.h"

class QPlainTextEdit;

namespace ui {

class Runtime;
class Servers;

class PanelDocuments : public QObject {
    Q_OBJECT
public:
    // The documents of the runtime's panels that have a file role.
    PanelDocuments(Runtime& runtime, QObject* parent);

    // The recent-files list to keep up to date, empty for none.
    void setRecentStore(const QString& store) { recentStore_ = store; }
    // The server profiles whose files the panels may hold (none: only this computer's).
    void setServers(Servers* servers) { servers_ = servers; }
    Servers* servers() const { return servers_; }
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
    // The same for a file anywhere: a server's is read by its profile's session (which connects
    // when it has to; a refusal carries the server's code in Outcome::server), then by the same
    // rules. The path of a server's file is the server's full path, as text (documents/location.h).
    void open(actions::Panel panel, const documents::Location& file, std::optional<storage::Encoding> encoding,
              bool append, Done done, bool keepUnsaved = false);
    // Reads the panel's file again as it is on disk now, in its encoding, in place of the
    // panel's text as one step of the panel's undo history.
    void reload(actions::Panel panel, const Done& done);
    // Reads the panel's file again in the other encoding, replacing the panel's text.
    void reopenOther(actions::Panel panel, Done done);
    bool isOpening() const { return opening_; }
    // Writes the panel's text into a file, or adds it to the end of one. The text is taken a
    // slice at a time and everything else (the checks, the encoding, the write) happens off
    // the UI thread; done hears the outcome. One save at a time.
    // A request with a place writes into that server's file: the checks and the bytes off the UI
    // thread, then the server's save, which never leaves a half file and refuses, writing
    // nothing, when the file is no longer what the panel's document was read from
    // (changed-on-server, unless forced).
    void save(actions::Panel panel, const documents::SaveRequest& request, const Done& done);
    bool isSaving() const { return saving_; }

    // A transfer from or to a server that reports its progress (over 1 MB): ends it, and the file
    // on the server stays as it was (a save past its first rename goes on to its end).
    void cancelTransfer();
    bool isTransferring() const { return transfer_.session != nullptr; }

signals:
    // A panel's document changed (opened, saved, forgotten, given back).
    void documentChanged();
    // An open putting a file's text into a panel: how far it is.
    void opening(const QString& path, qsizetype done, qsizetype total);
    // A save finished, whatever its outcome: nothing is being written now.
    void saveFinished();
    // A file moving from or to a server: what (for the status bar), how far, of how much; then
    // transferEnded once it is done, however it ended.
    void transferring(const QString& what, qint64 done, qint64 total);
    void transferEnded();

private:
    // A file read: its decoded text, and the bytes a server's file had (empty for a local one).
    using ReadDone = std::function<void(const documents::Read&, const QByteArray&)>;
    // What a save wrote to a server: its bytes, and the panel's document when the connection broke
    // after the server's file held them whole (the save is told as dropped, the panel follows).
    struct ServerCopy {
        QByteArray bytes;
        std::optional<documents::Document> document;
    };

    void remember(const documents::Location& file);
    void keepReplaced(actions::Panel target, QPlainTextEdit* edit);
    void fill(actions::Panel panel, const documents::Location& file, const documents::Read& read, bool append,
              const Done& done, bool keepUnsaved, const QByteArray& serverBytes);
    void keepServerBytes(actions::Panel panel, const QByteArray& bytes);
    // Reads a server's file through its profile's session, then decodes it off the UI thread;
    // a refusal goes to done.
    void readFromServer(const documents::Location& file, std::optional<storage::Encoding> encoding,
                        const ReadDone& then, const Done& refused);
    // The session of a profile, ready for a request (keyring secrets looked for); refused hears
    // why there is none.
    void withSession(const QString& place, const std::function<void(remote::Session*)>& then, const Done& refused);
    void saveToServer(actions::Panel panel, const std::shared_ptr<documents::SaveInput>& input, int revision,
                      const QPointer<QPlainTextEdit>& edit, const Done& done);
    void writeToServer(actions::Panel panel, const std::shared_ptr<documents::SaveInput>& input,
                       const std::shared_ptr<documents::PreparedWrite>& prepared,
                       const std::optional<QByteArray>& expected, int revision, const QPointer<QPlainTextEdit>& edit,
                       const Done& done);
    // The end of every save, local or a server's: the panel's document follows what was written.
    void finishSave(actions::Panel panel, const std::shared_ptr<documents::SaveInput>& input,
                    const documents::SaveResult& result, const std::optional<ServerCopy>& written, int revision,
                    const QPointer<QPlainTextEdit>& edit, const Done& done);
    remote::Session::Progress progressOf(const QString& what);
    void startTransfer(remote::Session* session, remote::Session::RequestId id);
    void endTransfer(remote::Session* session, remote::Session::RequestId id);

    Runtime& runtime_;
    Servers* servers_ = nullptr;
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
    // The bytes a panel's server file was read from or last written: what a save expects to find
    // there (the server compares them just before it writes).
    struct ServerBytes {
        QByteArray bytes;
        QByteArray hash;  // of the document's stamp they belong to
    };
    std::map<actions::Panel, ServerBytes> serverBytes_;
    struct Transfer {
        QPointer<remote::Session> session;
        remote::Session::RequestId id = 0;
        bool told = false;  // progress was shown: its end is told too
    };
    Transfer transfer_;
};

}  // namespace ui
