#include "remote/known_hosts.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <cctype>
#include <optional>

#include "storage/session.h"

namespace remote {
namespace {

// The longest line taken: far beyond any real key (an RSA 16384 key is about 2.8 kB).
constexpr qsizetype kMaxLine = qsizetype{64} * 1024;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The whitespace-separated fields of a line, at most count of them (the last holds the rest).
QByteArrayList fields(QByteArrayView line, int count) {
    QByteArrayList result;
    qsizetype at = 0;
    while (at < line.size() && result.size() < count) {
        while (at < line.size() && isBlank(line[at])) ++at;
        if (at == line.size()) break;
        qsizetype end = at;
        while (end < line.size() && !isBlank(line[end])) ++end;
        result.append(line.sliced(at, end - at).toByteArray());
        at = end;
    }
    return result;
}

std::optional<QByteArray> strictBase64(const QByteArray& text) {
    auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty()) return std::nullopt;
    return std::move(decoded.decoded);
}

// OpenSSH's match_pattern: '*' any run, '?' one character; host names without regard to case.
bool wildcard(QByteArrayView pattern, QByteArrayView name) {
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype star = -1;
    qsizetype resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || std::tolower(static_cast<unsigned char>(pattern[p])) ==
                                                                   std::tolower(static_cast<unsigned char>(name[n])))) {
            ++p;
            ++n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool hashedMatch(const QByteArray& entry, const QByteArray& name) {
    // |1|base64(salt)|base64(HMAC-SHA1(salt, name))
    const QByteArrayList parts = entry.mid(3).split('|');
    if (parts.size() != 2) return false;
    const auto salt = strictBase64(parts[0]);
    const auto hash = strictBase64(parts[1]);
    if (!salt || !hash || salt->size() != 20 || hash->size() != 20) return false;
    return QMessageAuthenticationCode::hash(name, *salt, QCryptographicHash::Sha1) == *hash;
}

std::optional<quint32> readLength(QByteArrayView bytes) {
    if (bytes.size() < 4) return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    return (quint32{p[0]} << 24) | (quint32{p[1]} << 16) | (quint32{p[2]} << 8) | quint32{p[3]};
}

}  // namespace

HostKey HostKey::fromBlob(const QByteArray& blob) {
    const auto length = readLength(blob);
    if (!length || *length == 0 || *length > 64 || *length > static_cast<quint32>(blob.size() - 4)) return {};
    QByteArray type = blob.mid(4, static_cast<qsizetype>(*length));
    for (const char c : type)
        if (c <= ' ' || c > '~') return {};
    return {std::move(type), blob};
}

QString fingerprint(const HostKey& key) {
    QByteArray base64 = QCryptographicHash::hash(key.blob, QCryptographicHash::Sha256).toBase64();
    while (base64.endsWith('=')) base64.chop(1);
    return QStringLiteral("SHA256:") + QString::fromLatin1(base64);
}

QByteArray knownHostsName(const QString& host, quint16 port) {
    QByteArray name = host.toLower().toUtf8();
    if (port == 22) return name;
    return '[' + name + "]:" + QByteArray::number(port);
}

KnownHosts KnownHosts::read(const QStringList& paths) {
    KnownHosts hosts;
    for (const QString& path : paths) {
        if (path.isEmpty()) continue;
        const storage::ReadResult file = storage::readFile(path, kMaxFileBytes);
        // A file over the limit is read up to it rather than not at all: its keys stay known.
        if (file.ok()) {
            hosts.add(path, file.bytes);
        } else {
            QFile whole(path);
            if (QFileInfo(path).isFile() && whole.open(QIODevice::ReadOnly)) hosts.add(path, whole.read(kMaxFileBytes));
        }
    }
    return hosts;
}

void KnownHosts::add(const QString& path, QByteArrayView bytes) {
    const int file = static_cast<int>(files_.size());
    files_.append(path);
    int number = 0;
    qsizetype at = 0;
    while (at < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', at);
        if (end < 0) end = bytes.size();
        QByteArrayView line = bytes.sliced(at, end - at);
        at = end + 1;
        ++number;
        if (line.size() > kMaxLine) continue;
        if (line.endsWith('\r')) line.chop(1);
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        QByteArrayList parts = fields(line, 4);
        bool revoked = false;
        if (parts.first().startsWith('@')) {
            if (parts.first() != "@revoked") continue;  // @cert-authority: no certificates here
            revoked = true;
            parts = fields(line, 5);
            parts.removeFirst();
        }
        if (parts.size() < 3) continue;
        const auto blob = strictBase64(parts[2]);
        if (!blob) continue;
        HostKey key = HostKey::fromBlob(*blob);
        if (key.isNull() || key.type != parts[1]) continue;
        entries_.push_back({revoked, parts[0], std::move(key), file, number});
    }
}

bool KnownHosts::matches(const QByteArray& patterns, const QByteArray& name) {
    if (patterns.startsWith("|1|")) return hashedMatch(patterns, name);
    bool matched = false;
    for (const QByteArray& pattern : patterns.split(',')) {
        if (pattern.startsWith('!')) {
            if (wildcard(QByteArrayView(pattern).sliced(1), name)) return false;  // a negation outweighs all
        } else if (wildcard(pattern, name)) {
            matched = true;
        }
    }
    return matched;
}

HostKeyCheck KnownHosts::check(const QString& host, quint16 port, const HostKey& key) const {
    HostKeyCheck result;
    result.fingerprint = fingerprint(key);
    const QByteArray name = knownHostsName(host, port);
    const Entry* known = nullptr;
    const Entry* other = nullptr;
    for (const Entry& entry : entries_) {
        if (!matches(entry.patterns, name)) continue;
        if (entry.revoked) {
            if (entry.key.blob != key.blob) continue;
            result.status = HostKeyStatus::Revoked;
            result.knownFingerprint = result.fingerprint;
            result.file = files_.at(entry.file);
            result.line = entry.line;
            return result;
        }
        if (entry.key.blob == key.blob) {
            if (known == nullptr) known = &entry;
        } else if (other == nullptr || (other->key.type != key.type && entry.key.type == key.type)) {
            other = &entry;
        }
    }
    if (known != nullptr) {
        result.status = HostKeyStatus::Known;
    } else if (other != nullptr) {
        result.status = HostKeyStatus::Changed;
        result.knownFingerprint = fingerprint(other->key);
        result.file = files_.at(other->file);
        result.line = other->line;
    }
    return result;
}

QByteArrayList KnownHosts::typesFor(const QString& host, quint16 port) const {
    const QByteArray name = knownHostsName(host, port);
    QByteArrayList types;
    for (const Entry& entry : entries_)
        if (!entry.revoked && !types.contains(entry.key.type) && matches(entry.patterns, name))
            types.append(entry.key.type);
    return types;
}

QByteArray knownHostsLine(const QString& host, quint16 port, const HostKey& key) {
    return knownHostsName(host, port) + ' ' + key.type + ' ' + key.blob.toBase64() + '\n';
}

storage::WriteResult trustHostKey(const QString& path, const QString& host, quint16 port, const HostKey& key) {
    QByteArray bytes;
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
        storage::ReadResult old = storage::readFile(path, KnownHosts::kMaxFileBytes);
        if (!old.ok()) return {old.error, false, {}};
        bytes = std::move(old.bytes);
        if (!bytes.isEmpty() && !bytes.endsWith('\n')) bytes += '\n';
    }
    bytes += knownHostsLine(host, port, key);
    return storage::writeFileAtomically(path, bytes, storage::Backup::None);
}

QString ownKnownHostsPath() {
    const QString folder = storage::dataFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/known_hosts");
}

QString userKnownHostsPath() { return QDir::homePath() + QStringLiteral("/.ssh/known_hosts"); }

}  // namespace remote
