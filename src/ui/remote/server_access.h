// Reaching a profile's server with the questions only a person can answer: a host key seen for
// the first time (trusted or not: HostKeyDialog), another or a revoked one (refused, said why), a
// password or passphrase missing or wrong (asked: SecretDialog, kept in the keyring when ticked).
// A script is asked nothing: its request ends with the server's own code. Nothing waits: every
// step answers through the event loop.
#pragma once

#include <QPointer>
#include <QString>
#include <functional>

#include "remote/session.h"

class QObject;
class QWidget;

namespace ui {

class Servers;

using Reached = std::function<void(const remote::Outcome& outcome, remote::Session* session)>;

// Connects the profile's session and logs in. person: the window to ask over, nullptr for a
// script. done hears the outcome (ok, or why not; "cancelled" when the person said no) and the
// session (nullptr when there is no such profile), unless context is gone by then.
void reachServer(Servers& servers, const QString& name, QWidget* person, QObject* context, Reached done);

// "127.0.0.1:2222" of a profile, as the questions name it.
QString addressOf(const Servers& servers, const QString& name);

}  // namespace ui
