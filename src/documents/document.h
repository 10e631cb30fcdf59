// A panel's text as a document: the file it belongs to, with that file's format and its
// stamp on disk, and the outcome of opening or saving it. The text itself stays where the user
// edits it; every rule that decides what happens to the file lives in this folder (open.h,
// save.h), so the rules the editor ships are the ones its tests run.
#pragma once

#include <QString>
#include <QStringList>

#include "storage/file_stamp.h"
#include "storage/text_codec.h"

namespace documents {

// The file behind a panel's text. An empty path: none yet ("保存" asks for one).
struct Document {
    QString path;
    storage::TextFormat format;
    storage::FileStamp stamp;
    // The text holds U+FFFD for bytes of the file that could not be read: it is never written
    // back as if those were text.
    bool lostBytes = false;
    // What the next save into the file will write otherwise than the file has it (its mixed
    // line ends, lone CRs, characters the panel takes for line breaks): told before and by that
    // save, empty once it is done.
    QStringList quietChanges = {};

    bool hasFile() const { return !path.isEmpty(); }
    bool operator==(const Document&) const = default;
};

// Why a file operation did not happen. The confirmable ones may be overridden by the user's
// "yes" (force); the others stop it whatever the user says.
enum class Refusal {
    None,
    Unrepresentable,  // a character the encoding cannot hold, or a stand-in for lost bytes
    InvalidYaml,      // confirmable: the server could not read the text
    ChangedOnDisk,    // confirmable: someone else changed the file since it was read
    DuplicateKey,     // confirmable: an identifier of the panel is already in the file
    ChangesEntry,     // confirmable: appending would change an entry the file already has
    EncodingUnsure,   // the file's encoding cannot be told: the request must say it
    Io,               // reading or writing failed
    Unsaved,          // an open would replace a panel's text that differs from its own file
};

// "unrepresentable", "invalid-yaml", ... as the automation interface names them.
QString refusalCode(Refusal refusal);
bool isConfirmable(Refusal refusal);

struct Outcome {
    Refusal refusal = Refusal::None;
    QString message;   // what the user is told: the reason, or what was done
    qint64 bytes = 0;  // written (the whole file) or added (an append)
    // Opening: what was read.
    storage::TextFormat format;
    int lines = 0;
    QString warning;  // invalid bytes, with the first line that has them
    // Opening: what a save will write otherwise than the file has it; a save into the file:
    // what it wrote otherwise (see Document::quietChanges).
    QStringList changes;

    bool ok() const { return refusal == Refusal::None; }
};

Outcome refused(Refusal refusal, QString message);

// The status bar's words for a format: "UTF-8（带 BOM） · CR LF".
QString describe(const storage::TextFormat& format);

// A path as the user is shown it.
QString shown(const QString& path);

// Whether two paths name one file (through links when both exist).
bool sameFile(const QString& a, const QString& b);

// The lines of a "\n"-separated text as an editor counts them: a last line without a break
// counts too.
int lineCount(const QString& text);

}  // namespace documents
