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

// The file behind a panel's text. An empty path: none yet ("保存" asks for one). A file on a
// server names the server's profile in place and has the server's path as text (location.h).
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
    QString place = {};  // the server profile the file is on; empty: this computer

    bool hasFile() const { return !path.isEmpty(); }
    bool onServer() const { return !place.isEmpty(); }
    // As the user is shown it: a local path, or "lobby:/srv/.../sockets.yml"; and its name alone.
    QString shownPath() const;
    QString fileName() const;
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
    ChangedOnServer,  // confirmable: someone else changed the server's file since it was read
    NotRegular,       // a server's path is a folder or a special file
    Server,           // the server could not be reached or refused (Outcome::server.code says how)
};

// "unrepresentable", "invalid-yaml", ... as the automation interface names them.
QString refusalCode(Refusal refusal);
bool isConfirmable(Refusal refusal);

// What a server said beyond a refusal, for a file on a server: its own code where the refusal's
// is not the whole story, the host key's fingerprints, what the file holds after a dropped save.
struct ServerDetail {
    // "unknown-host", "host-key-changed", "host-key-revoked", "auth-failed", "unreachable",
    // "timeout", "no-sftp", "dropped", "cancelled", "not-found", "permission-denied",
    // "too-large", "failed" (remote/outcome.h); empty when the refusal's code says it all.
    QString code;
    QString fingerprint;        // unknown-host, host-key-changed, host-key-revoked: the key the server shows
    QString known;              // host-key-changed: the key kept for the host,
    QString knownFile;          // in this known_hosts file,
    int knownLine = 0;          // on this line (from 1)
    QString state;              // dropped: what NAME holds, "old", "new", "bak" or "unknown"
    QByteArray current;         // changed-on-server: what the server's file holds now (for the diff)
    bool existed = true;        // changed-on-server: false when the file is gone
    bool secretNeeded = false;  // auth-failed: the password or passphrase was missing or wrong

    bool operator==(const ServerDetail&) const = default;
};

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
    ServerDetail server;  // a file on a server: what the server said

    bool ok() const { return refusal == Refusal::None; }
};

// The code a script hears for a refusal: the server's own where it gave one, else refusalCode.
QString codeOf(const Outcome& outcome);

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
