#include "ui/remote/server_outcome.h"

namespace ui {
namespace {

documents::ServerDetail detailOf(const remote::Outcome& outcome) {
    documents::ServerDetail detail;
    detail.code = outcome.code;
    detail.fingerprint = outcome.fingerprint;
    detail.known = outcome.known;
    detail.knownFile = outcome.knownFile;
    detail.knownLine = outcome.knownLine;
    detail.secretNeeded = outcome.secretNeeded;
    return detail;
}

}  // namespace

documents::Outcome refusalOf(const remote::Outcome& outcome) {
    const bool notRegular = outcome.code == QLatin1String("not-regular");
    documents::Outcome refused =
        documents::refused(notRegular ? documents::Refusal::NotRegular : documents::Refusal::Server, outcome.message);
    refused.server = detailOf(outcome);
    if (notRegular) refused.server.code.clear();  // the refusal's own code says it
    return refused;
}

QString stateName(remote::FileState state) {
    switch (state) {
    case remote::FileState::Old: return QStringLiteral("old");
    case remote::FileState::New: return QStringLiteral("new");
    case remote::FileState::Bak: return QStringLiteral("bak");
    case remote::FileState::Unknown: return QStringLiteral("unknown");
    }
    return QStringLiteral("unknown");
}

documents::ServerWrite serverWriteOf(const remote::SaveOutcome& outcome) {
    documents::ServerWrite written;
    written.detail = detailOf(outcome);
    written.message = outcome.message;
    if (outcome.code == QLatin1String("changed-on-server")) {
        written.detail.current = outcome.current;
        written.detail.existed = outcome.existed;
    }
    if (outcome.code == QLatin1String("dropped")) written.detail.state = stateName(outcome.state);
    written.mtime = outcome.stamp.mtime;
    written.viaBackup = outcome.viaBackup;
    written.notice = outcome.notice;
    return written;
}

}  // namespace ui
