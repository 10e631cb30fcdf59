// What became of a request to a server's SSH and SFTP: success, or a code that says what went
// wrong and words for the user. Shared by every result of remote::Session.
#pragma once

#include <QString>

namespace remote {

// code is empty on success, otherwise one of
//   Reaching the host (any request may end so; nothing but the key exchange went to a host whose
//   key is not trusted):
//   "unknown-host"      the host's key is not known: fingerprint says which; Session::trustHost
//   "host-key-changed"  another key is kept for the host (fingerprint, known, knownFile, knownLine)
//   "host-key-revoked"  a @revoked line holds the host's key (fingerprint, knownFile, knownLine)
//   "auth-failed"       the login was refused (secretNeeded: asking for the secret again may help)
//   "unreachable"       no connection: nothing listens, the host is unknown, not an SSH server
//   "timeout"           the server did not answer in time; message says what it did not answer
//   "no-sftp"           the server gives no SFTP subsystem
//   "dropped"           the connection broke in the middle (a save: SaveOutcome::state)
//   "cancelled"         Session::cancel, or the session was closed
//   Files:
//   "not-found"         no such file or folder
//   "permission-denied" the server refused access
//   "not-regular"       a folder or a special file where a regular file is needed
//   "too-large"         over the 64 MB an open reads
//   "changed-on-server" the file is no longer the bytes opened or last saved: nothing written
//   "failed"            the server refused otherwise (message has its words)
//   The tunnel:
//   "no-tunnel"         the server refuses to forward connections (AllowTcpForwarding no)
struct Outcome {
    QString code;
    QString message;            // for the user, simplified Chinese; never holds a password or passphrase
    QString fingerprint;        // unknown-host, host-key-changed, host-key-revoked: the key the server shows
    QString known;              // host-key-changed: the key kept for the host
    QString knownFile;          // host-key-changed, host-key-revoked: the known_hosts file holding the old
    int knownLine = 0;          // key, and its line (from 1), for the user to remove
    bool secretNeeded = false;  // auth-failed: the password or passphrase was missing or wrong

    bool ok() const { return code.isEmpty(); }
};

}  // namespace remote
