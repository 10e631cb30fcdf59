// Writes sessions to a path in an endless loop until it is killed, for the test that kills
// it at random moments: session N holds "counter" N and a payload whose hash it carries.
// After each completed save it prints N on its own line, unbuffered.
#include "storage/session.h"

#include <QCryptographicHash>
#include <QJsonObject>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>

QString payloadOf(qint64 counter, int size) {
    QString payload;
    payload.reserve(size);
    while (payload.size() < size) payload += QStringLiteral("宝石 %1 红 ").arg(counter);
    return payload;
}

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SESSION-PATH FIRST-COUNTER PAYLOAD-CHARACTERS\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int size = std::atoi(argv[3]);
    for (qint64 counter = std::atoll(argv[2]);; ++counter) {
        const QString payload = payloadOf(counter, size);
        const QJsonObject session{
            {"counter", counter},
            {"payload", payload},
            {"hash",
             QString::fromLatin1(QCryptographicHash::hash(payload.toUtf8(), QCryptographicHash::Sha256).toHex())},
        };
        const storage::WriteResult result = storage::saveSession(path, session);
        if (!result.ok()) {
            std::fprintf(stderr, "%s\n", result.error.toUtf8().constData());
            return 1;
        }
        const std::string line = std::to_string(counter) + "\n";
        if (write(STDOUT_FILENO, line.data(), line.size()) < 0) return 1;
    }
}
