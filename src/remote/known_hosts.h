// The host keys the user trusts, in OpenSSH's known_hosts format: the editor's own file in the
// data folder, to which a trusted key is added, and ~/.ssh/known_hosts, read only. A key is
// known, unknown, changed (another key is kept for the host) or revoked; fingerprints as
// OpenSSH shows them. Every file is read as untrusted input.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <vector>

#include "storage/safe_write.h"

namespace remote {

// A public key as the SSH protocol carries it: its type name ("ssh-ed25519") and its blob.
struct HostKey {
    QByteArray type;
    QByteArray blob;

    // The key whose blob this is, its type read from the blob; empty when the blob is no key.
    static HostKey fromBlob(const QByteArray& blob);
    bool isNull() const { return blob.isEmpty(); }
    bool operator==(const HostKey&) const = default;
};

// "SHA256:" and the unpadded base64 of the blob's SHA-256, as ssh-keygen -l shows it.
QString fingerprint(const HostKey& key);

// The name a host has in known_hosts: "host" on port 22, "[host]:port" on any other.
QByteArray knownHostsName(const QString& host, quint16 port);

enum class HostKeyStatus {
    Known,    // a line for the host holds this key
    Unknown,  // no line names the host: ask the user
    Changed,  // lines name the host with other keys only: refused, it may be an attack
    Revoked,  // a @revoked line holds this key: refused
};

struct HostKeyCheck {
    HostKeyStatus status = HostKeyStatus::Unknown;
    QString fingerprint;  // of the key the server shows
    // Changed: the key kept for the host (one of the same type where there is one); Revoked: the
    // revoked key. Where it is: the file and its line (from 1), so the user can remove it.
    QString knownFingerprint;
    QString file;
    int line = 0;
};

class KnownHosts {
public:
    // The most of a known_hosts file that is read; a larger file is read up to it.
    static constexpr qint64 kMaxFileBytes = qint64{4} << 20;

    // Reads the files in order; a missing or unreadable one counts as empty.
    static KnownHosts read(const QStringList& paths);

    // Adds the lines of one file. Comments, blank lines, @cert-authority lines and lines that
    // are not a host pattern, a key type and that type's key in base64 are passed over.
    void add(const QString& path, QByteArrayView bytes);

    HostKeyCheck check(const QString& host, quint16 port, const HostKey& key) const;

    // The key types kept for the host, in the order of the files: the server is asked for one of
    // these first, so that a host known by an RSA key is not met with a new Ed25519 key.
    QByteArrayList typesFor(const QString& host, quint16 port) const;

private:
    struct Entry {
        bool revoked = false;
        QByteArray patterns;  // as the line has them: "a,b,!c" or "|1|salt|hash"
        HostKey key;
        int file = 0;  // index into files_
        int line = 0;
    };
    static bool matches(const QByteArray& patterns, const QByteArray& name);

    QStringList files_;
    std::vector<Entry> entries_;
};

// The line that trusts key for host:port: "[127.0.0.1]:2222 ssh-ed25519 AAAA...\n".
QByteArray knownHostsLine(const QString& host, quint16 port, const HostKey& key);

// Adds that line to the file at path (made when missing), atomically.
storage::WriteResult trustHostKey(const QString& path, const QString& host, quint16 port, const HostKey& key);

// dataFolder()/known_hosts: the editor's own file.
QString ownKnownHostsPath();
// ~/.ssh/known_hosts, read too.
QString userKnownHostsPath();

}  // namespace remote
