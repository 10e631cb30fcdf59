// What a server said, in the documents' terms: a request of remote::Session that did not go
// through becomes a refusal that keeps the server's code, the host key's fingerprints and what a
// dropped save left, so the menus ask and the automation replies as for a local file.
#pragma once

#include "documents/document.h"
#include "documents/save.h"
#include "remote/session.h"

namespace ui {

// The refusal of a failed request: not-regular as documents::Refusal::NotRegular, the rest as
// documents::Refusal::Server with the server's code.
documents::Outcome refusalOf(const remote::Outcome& outcome);

// A save's answer for documents::afterServerWrite.
documents::ServerWrite serverWriteOf(const remote::SaveOutcome& outcome);

// "old", "new", "bak", "unknown": what the server's file holds after a dropped save.
QString stateName(remote::FileState state);

}  // namespace ui
