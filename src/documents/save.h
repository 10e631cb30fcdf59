// Saving a panel's text into a file, or adding it to the end of one, with every check that
// keeps the file and the text as they were when something is wrong: lost bytes, a text the
// server cannot read, identifiers the file already has, a change on disk since the file was
// read, a character the encoding cannot hold. Runs on any thread, on what was taken of the
// panel; the panel itself is never touched here.
#pragma once

#include <QString>
#include <optional>

#include "documents/document.h"
#include "yaml/check.h"

namespace documents {

enum class SaveMode { Write, Append };

struct SaveRequest {
    QString path = {};
    // A write: what the user chose. What is not chosen is the document's own format when
    // the file is its own or a copy of it, else UTF-8 and CR LF. The byte-order mark is never
    // chosen: it goes back only into the file that had it. An append: the encoding of the file
    // appended to, as the user says it (asked when the file's bytes cannot tell it).
    std::optional<storage::Encoding> encoding = std::nullopt;
    std::optional<storage::LineEnd> lineEnd = std::nullopt;
    SaveMode mode = SaveMode::Write;
    bool force = false;  // the user confirmed the confirmable refusals
    QString place = {};  // the server profile of a server's file (path is then the server's); empty: this computer
};

struct SaveInput {
    QString text;                            // "\n" line ends
    bool yaml = false;                       // the text is a configuration, checked before it is written
    std::optional<yaml::CheckResult> check;  // the live check, when it is of this very text
    Document current;                        // the panel's document
    SaveRequest request;
};

struct SaveResult {
    Outcome outcome;
    std::optional<Document> document;  // a write: the panel's document from now on
    storage::FileStamp stamp;          // an append to the panel's own file: its new stamp
};

// The format a write uses: what the request chose, the rest from the document.
storage::TextFormat formatForWrite(const SaveRequest& request, const Document& current);

// Every check, then the write or the append, on this computer.
SaveResult save(const SaveInput& input);

// A write into a server's file goes in two steps with the server's own between them (ui/ asks the
// server): first every check of the text and its bytes in the file's format (any thread) ...
struct PreparedWrite {
    std::optional<SaveResult> refused;  // set: nothing is to be written
    storage::TextFormat format;
    QByteArray bytes;
};
PreparedWrite prepareWrite(const SaveInput& input);

// ... then what the server did with them (remote::Session::save, in the documents' terms): the
// save's result by the same rules as a local write. A refusal with the server's code keeps it
// (changed-on-server: what the server holds now; dropped: what NAME holds).
struct ServerWrite {
    ServerDetail detail = {};  // detail.code empty: written, read back and compared
    QString message = {};      // why not, for the user
    qint64 mtime = 0;          // written: the new file's time
    bool viaBackup = false;    // written: the old text is in NAME.bak (the server has no posix-rename)
    QString notice = {};       // written: something to tell (a mode or an owner not kept)
};
SaveResult afterServerWrite(const SaveInput& input, const PreparedWrite& prepared, const ServerWrite& written);

// Whether a request writes into the document's own file (the same place and path).
bool ownFile(const SaveRequest& request, const Document& current);

// The document after a save's result, for the panel the save was of.
Document afterSave(const Document& current, const SaveRequest& request, const SaveResult& result);

}  // namespace documents
