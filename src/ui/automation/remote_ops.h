// The automation ops of the servers' files: a profile added or replaced (its secrets kept in
// memory only), the profiles listed, a server's folder listed, a host key trusted. Every op that
// reaches a host answers through its reply, with the server's own code when it did not go
// through ("unknown-host" with the fingerprint the server shows, "host-key-changed", "auth-failed",
// "unreachable", "timeout", ...); no reply ever holds a password or a passphrase.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <span>

#include "documents/document.h"
#include "remote/outcome.h"
#include "ui/automation/automation_ops.h"

namespace ui {

std::span<const Op> remoteOps();

// {"ok":false,"code":...,"error":...} of a request to a server that did not go through, with
// "fingerprint" (and "known") where the host key was the reason.
QJsonObject serverRefusal(const remote::Outcome& outcome);
// The same for a file's refusal: its code (the server's where it gave one), "fingerprint" and
// "known" as above, "state" for a save whose connection broke.
QJsonObject documentRefusal(const documents::Outcome& outcome);

// The profile a request names in "profile", refused when there is none of that name.
QString profileOf(Context& context, const QJsonObject& request);
// A request's "path" on the profile's server: relative to the profile's folder, or absolute.
QByteArray serverPathOf(Context& context, const QString& profile, const QJsonObject& request);

}  // namespace ui
