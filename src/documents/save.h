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

// Every check, then the write or the append.
SaveResult save(const SaveInput& input);

// The document after a save's result, for the panel the save was of.
Document afterSave(const Document& current, const SaveRequest& request, const SaveResult& result);

}  // namespace documents
