#include "documents/document.h"

#include <QDir>
#include <QFileInfo>

#include "documents/location.h"

namespace documents {

QString refusalCode(Refusal refusal) {
    switch (refusal) {
    case Refusal::None: return {};
    case Refusal::Unrepresentable: return QStringLiteral("unrepresentable");
    case Refusal::InvalidYaml: return QStringLiteral("invalid-yaml");
    case Refusal::ChangedOnDisk: return QStringLiteral("changed-on-disk");
    case Refusal::DuplicateKey: return QStringLiteral("duplicate-key");
    case Refusal::ChangesEntry: return QStringLiteral("changes-entry");
    case Refusal::EncodingUnsure: return QStringLiteral("encoding-unsure");
    case Refusal::Io: return QStringLiteral("io");
    case Refusal::Unsaved: return QStringLiteral("unsaved");
    case Refusal::ChangedOnServer: return QStringLiteral("changed-on-server");
    case Refusal::NotRegular: return QStringLiteral("not-regular");
    case Refusal::Server: return QStringLiteral("server");
    }
    return {};
}

QString codeOf(const Outcome& outcome) {
    return outcome.server.code.isEmpty() ? refusalCode(outcome.refusal) : outcome.server.code;
}

bool isConfirmable(Refusal refusal) {
    return refusal == Refusal::InvalidYaml || refusal == Refusal::ChangedOnDisk || refusal == Refusal::DuplicateKey ||
           refusal == Refusal::ChangesEntry || refusal == Refusal::ChangedOnServer;
}

Outcome refused(Refusal refusal, QString message) {
    Outcome outcome;
    outcome.refusal = refusal;
    outcome.message = std::move(message);
    return outcome;
}

QString describe(const storage::TextFormat& format) {
    QString text = storage::encodingName(format.encoding);
    if (format.bom) text += QStringLiteral("（带 BOM）");
    return text + QStringLiteral(" · ") + storage::lineEndName(format.lineEnd, storage::Spelling::Spaced);
}

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString Document::shownPath() const { return shownLocation(place, path); }

QString Document::fileName() const {
    return onServer() ? shownServerPath(path).section(u'/', -1) : QFileInfo(path).fileName();
}

bool sameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const QFileInfo left(a);
    const QFileInfo right(b);
    if (left.exists() && right.exists()) return left.canonicalFilePath() == right.canonicalFilePath();
    return QDir::cleanPath(left.absoluteFilePath()) == QDir::cleanPath(right.absoluteFilePath());
}

int lineCount(const QString& text) {
    if (text.isEmpty()) return 0;
    const auto breaks = static_cast<int>(text.count(QLatin1Char('\n')));
    return text.endsWith(QLatin1Char('\n')) ? breaks : breaks + 1;
}

}  // namespace documents
