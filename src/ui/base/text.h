// Text crosses between the builders (UTF-8 std::string) and the widgets (QString) here,
// and nowhere else.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace ui {

inline QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string toUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// Form captions and builder output end their lines in CR LF; widgets keep LF.
inline QString toLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

inline QString toCrLf(QString text) {
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

}  // namespace ui
