// Private key files on this machine, as a profile names them: whether one can be used as it is,
// needs its passphrase first, or cannot be read at all (so the UI asks before connecting).
#pragma once

#include <QString>

namespace remote {

enum class KeyFileState {
    Usable,           // readable without a passphrase
    NeedsPassphrase,  // encrypted: ask for its passphrase
    Unreadable,       // missing, no regular file, or not a private key in OpenSSH or PEM format
};

KeyFileState keyFileState(const QString& path);

}  // namespace remote
