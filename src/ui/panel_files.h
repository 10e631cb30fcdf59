// The files behind the output panels: opening a server file into the configuration panel,
// saving a panel into a file or adding it to the end of one, with every check that keeps the
// file and the panel as they were when something is wrong. Each panel remembers the file it
// came from or was saved to, with that file's encoding, line ends and content stamp.
#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "storage/file_stamp.h"
#include "storage/text_codec.h"
#include "storage/text_file.h"
#include "yaml/check.h"

class QPlainTextEdit;

namespace ui {

// The file a panel belongs to. Empty path: none yet ("保存" asks for one).
struct PanelFile {
    QString path;
    storage::TextFormat format;
    storage::FileStamp stamp;
};

// Why a file operation did not happen. The confirmable ones may be overridden by the
// user's "yes" (force); the others stop it whatever the user says.
enum class FileRefusal {
    None,
    Unrepresentable,  // a character the encoding cannot hold, or a stand-in for lost bytes
    InvalidYaml,      // confirmable: the server could not read the text
    ChangedOnDisk,    // confirmable: someone else changed the file since it was read
    DuplicateKey,     // confirmable: an identifier of the panel is already in the file
    Io,               // reading or writing failed
};

// "unrepresentable", "invalid-yaml", ... as the automation interface names them.
QString refusalCode(FileRefusal refusal);
bool isConfirmable(FileRefusal refusal);

struct FileOutcome {
    FileRefusal refusal = FileRefusal::None;
    QString message;   // what the user is told: the reason, or what was done
    qint64 bytes = 0;  // written (the whole file) or added (an append)
    // Opening: what was read.
    storage::TextFormat format;
    int lines = 0;
    QString warning;  // invalid bytes, with the first line that has them

    bool ok() const { return refusal == FileRefusal::None; }
};

enum class SaveMode { Write, Append };

struct SaveRequest {
    QString path;
    std::optional<storage::TextFormat> format;  // Write only; default: the file's own or UTF-8, CR LF
    SaveMode mode = SaveMode::Write;
    bool force = false;  // the user confirmed the confirmable refusals
};

// What a save works on, taken from the panel on the UI thread, and what it gives back.
struct SaveInput {
    QString text;  // "\n" line ends
    bool yaml = false;
    bool lostBytes = false;
    std::optional<yaml::CheckResult> check;  // the live check, when it is of this text
    PanelFile current;
    SaveRequest request;
};
struct SaveResult {
    FileOutcome outcome;
    std::optional<PanelFile> file;  // a write: the panel's file from now on
    storage::FileStamp stamp;       // an append to the panel's own file: its new stamp
};

class PanelFiles : public QObject {
    Q_OBJECT
public:
    // configuration is the panel that holds YAML (checked before every write); recentStore is
    // the recent-files list to keep up to date, empty for none.
    PanelFiles(QPlainTextEdit* configuration, QObject* parent);

    void setRecentStore(const QString& store) { recentStore_ = store; }
    const QString& recentStore() const { return recentStore_; }

    PanelFile file(const QPlainTextEdit* panel) const { return files_.value(panel); }
    // Whether the panel's text holds stand-ins for bytes its file had that could not be read.
    bool lostBytes(const QPlainTextEdit* panel) const { return lostBytes_.value(panel); }
    // Gives a panel its file back (a restored session).
    void setFile(QPlainTextEdit* panel, const PanelFile& file, bool lostBytes);

    using Done = std::function<void(const FileOutcome&)>;

    // Reads the file into the panel, replacing its text or after it. Without an encoding,
    // UTF-8 when the bytes are valid UTF-8, otherwise GBK. The file is read and decoded off
    // the UI thread and its text goes into the panel a slice at a time, so the window
    // answers input meanwhile; done hears the outcome once the whole text is in (or the
    // open failed, possibly before this returns). One open at a time.
    void openLater(QPlainTextEdit* panel, const QString& path, std::optional<storage::Encoding> encoding, bool append,
                   Done done);
    // The same, waiting for the outcome in a local event loop.
    FileOutcome open(QPlainTextEdit* panel, const QString& path, std::optional<storage::Encoding> encoding,
                     bool append);
    // Reads the panel's file again in the other encoding, replacing the panel's text.
    void reopenOtherLater(QPlainTextEdit* panel, Done done);
    FileOutcome reopenOther(QPlainTextEdit* panel);
    bool isOpening() const { return opening_; }
    // Writes the panel's text into a file, or adds it to the end of one. The text is taken
    // a slice at a time and everything else (the checks, the encoding, the write) happens off
    // the UI thread, so the window answers input meanwhile; done hears the outcome. One save
    // at a time.
    void saveLater(QPlainTextEdit* panel, const SaveRequest& request, const Done& done);
    // The same, waiting for the outcome in a local event loop.
    FileOutcome save(QPlainTextEdit* panel, const SaveRequest& request);
    bool isSaving() const { return saving_; }

    // Forgets every panel's file ("新建").
    void forget();

signals:
    // A panel's file or its format changed (opened, saved, forgotten).
    void fileChanged();
    // An open putting a file's text into a panel: how far it is.
    void opening(const QString& path, qsizetype done, qsizetype total);

private:
    void remember(const QString& path);
    void apply(QPlainTextEdit* panel, const SaveRequest& request, const SaveResult& result);
    void fill(QPlainTextEdit* panel, const QString& path, const storage::OpenedFile& opened, int lines, bool append,
              const Done& done);

    QPlainTextEdit* configuration_;
    QString recentStore_;
    bool opening_ = false;
    bool saving_ = false;
    QHash<const QPlainTextEdit*, PanelFile> files_;
    // Panels whose text holds U+FFFD for bytes that could not be read: never written back.
    QHash<const QPlainTextEdit*, bool> lostBytes_;
};

// Starts an open or a save and waits for its outcome in a local event loop; none when the
// application quit meanwhile.
std::optional<FileOutcome> waitForOutcome(const std::function<void(PanelFiles::Done)>& start);

// The panel's text with "\n" line ends, exactly as it stands.
QString panelLfText(const QPlainTextEdit* panel);

// The lines of a text as an editor counts them: a last line without a break counts too.
int lineCount(const QString& lfText);

}  // namespace ui
