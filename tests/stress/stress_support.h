// Shared by the stress tests. Random input: one seeded generator, printed so a failing run can be
// repeated with QUORVEL_STRESS_SEED, and texts of the kinds that break editors: empty,
// 100 KB, characters from every Unicode plane (pairs of surrogates beyond the first plane,
// now and then a lone surrogate), control characters, every mix of CR and LF, and the
// characters YAML and the command line give a meaning to.
#pragma once

#include <gtest/gtest.h>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace stress {

// The seed: QUORVEL_STRESS_SEED when set, otherwise a fixed one, so a plain run is
// repeatable.
inline std::uint64_t seedFromEnvironment(std::uint64_t fallback) {
    if (const char* text = std::getenv("QUORVEL_STRESS_SEED"); text != nullptr && *text != '\0')
        return std::strtoull(text, nullptr, 0);
    return fallback;
}

// How many operations to run: QUORVEL_STRESS_OPS when set, otherwise the fallback.
inline int operationsFromEnvironment(int fallback) {
    if (const char* text = std::getenv("QUORVEL_STRESS_OPS"); text != nullptr && *text != '\0')
        return std::max(1, std::atoi(text));
    return fallback;
}

// The seed and operation count of one run, from the environment or the fallbacks, printed
// and recorded so a failing run can be replayed.
struct Run {
    std::uint64_t seed;
    int operations;
};

inline Run announceRun(const char* what, std::uint64_t seedFallback, int operationsFallback) {
    const Run run{seedFromEnvironment(seedFallback), operationsFromEnvironment(operationsFallback)};
    std::printf("%s: seed %llu, %d operations (QUORVEL_STRESS_SEED, QUORVEL_STRESS_OPS)\n", what,
                static_cast<unsigned long long>(run.seed), run.operations);
    std::fflush(stdout);
    ::testing::Test::RecordProperty("seed", std::to_string(run.seed));
    return run;
}

class Random {
public:
    explicit Random(std::uint64_t seed) : engine_(seed) {}

    // Uniform in [low, high].
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
    std::uint32_t bits() { return static_cast<std::uint32_t>(engine_()); }
    // True with the given chance in percent.
    bool percent(int chance) { return between(0, 99) < chance; }
    template <typename T>
    const T& pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(between(0, static_cast<int>(items.size()) - 1))];
    }
    std::mt19937_64& engine() { return engine_; }

    // A scalar value (no surrogate) from the given plane, 0 to 16.
    char32_t codePointInPlane(int plane) {
        for (;;) {
            const char32_t cp = static_cast<char32_t>(plane) * 0x10000u + (bits() & 0xFFFFu);
            if (cp < 0xD800 || cp > 0xDFFF) return cp;
        }
    }

    // A short piece of one kind of text.
    QString piece() {
        QString out;
        switch (between(0, 11)) {
        case 0: break;  // empty
        case 1:         // plain ASCII words and numbers
            for (int i = between(1, 12); i > 0; --i) out += QChar(static_cast<char16_t>(between(0x20, 0x7E)));
            break;
        case 2: out = QString::number(between(-100000, 100000)); break;
        case 3:  // Chinese
            for (int i = between(1, 6); i > 0; --i) out += QChar(static_cast<char16_t>(between(0x4E00, 0x9FA5)));
            break;
        case 4:  // any plane: beyond the first, each character is a surrogate pair
        case 5: {
            for (int i = between(1, 6); i > 0; --i) {
                const char32_t cp = codePointInPlane(between(0, 16));
                out += QString::fromUcs4(&cp, 1);
            }
            break;
        }
        case 6:  // C0 controls, DEL, C1 controls
            for (int i = between(1, 4); i > 0; --i) {
                static const std::vector<int> kControls = {0x00, 0x01, 0x07, 0x08, 0x09, 0x0B, 0x0C,
                                                           0x1B, 0x1F, 0x7F, 0x80, 0x85, 0x9F};
                out += QChar(static_cast<char16_t>(pick(kControls)));
            }
            break;
        case 7: {  // line breaks of every kind, alone and mixed
            static const std::vector<QString> kBreaks = {
                QStringLiteral("\r\n"),   QStringLiteral("\n"),     QStringLiteral("\r"),   QStringLiteral("\n\r"),
                QStringLiteral("\r\r\n"), QStringLiteral("\r\n\n"), QString(QChar(0x2028)), QString(QChar(0x2029)),
                QString(QChar(0x85)),     QString(QChar(0xFDD0)),   QString(QChar(0xFDD1))};
            for (int i = between(1, 4); i > 0; --i) out += pick(kBreaks);
            break;
        }
        case 8: {  // what YAML, the shell and the server console read as syntax
            static const std::vector<QString> kSyntax = {
                QStringLiteral("\""),  QStringLiteral("\\"),  QStringLiteral("'"),  QStringLiteral(": "),
                QStringLiteral("#"),   QStringLiteral("- "),  QStringLiteral("{"),  QStringLiteral("}"),
                QStringLiteral("&a"),  QStringLiteral("*a"),  QStringLiteral("!!"), QStringLiteral("%"),
                QStringLiteral("§c"),  QStringLiteral("&4"),  QStringLiteral("/"),  QStringLiteral("\\n"),
                QStringLiteral("\\x"), QStringLiteral("\\u"), QStringLiteral("  "), QStringLiteral("\t")};
            for (int i = between(1, 5); i > 0; --i) out += pick(kSyntax);
            break;
        }
        case 9: {  // marks with a meaning of their own: BOM, non-characters, joiners, bidi
            static const std::vector<char16_t> kMarks = {0xFEFF, 0xFFFE, 0xFFFF, 0xFFFC, 0xFFFD, 0x200B,
                                                         0x200D, 0x202E, 0x00A0, 0x3000, 0xFF1A, 0x0301};
            for (int i = between(1, 4); i > 0; --i) out += QChar(pick(kMarks));
            break;
        }
        case 10:  // a lone surrogate, which no valid UTF-16 text holds
            out += QChar(static_cast<char16_t>(between(0xD800, 0xDFFF)));
            break;
        case 11: {  // a whole character of a high plane: emoji, historic scripts, private use
            static const std::vector<char32_t> kHigh = {0x1F600, 0x1F468, 0x10000, 0x20000,  0x2A6D6,
                                                        0x30000, 0xE0001, 0xF0000, 0x10FFFD, 0x10FFFF};
            const char32_t cp = pick(kHigh);
            out += QString::fromUcs4(&cp, 1);
            break;
        }
        }
        return out;
    }

    // A field's worth of text: mostly short mixes, sometimes empty, now and then 100 KB.
    QString text(int hugeChance = 1) {
        if (percent(8)) return {};
        if (percent(hugeChance)) return huge(100 * 1024);
        QString out;
        for (int i = between(1, 4); i > 0; --i) out += piece();
        return out;
    }

    // A text of at least the given number of UTF-16 units: a random mix repeated.
    QString huge(int units) {
        QString unit;
        while (unit.isEmpty()) unit = piece() + piece() + piece();
        QString out;
        out.reserve(units + unit.size());
        while (out.size() < units) out += unit;
        return out;
    }

    // Raw bytes, valid UTF-8 or not.
    std::string bytes(int maxLength) {
        std::string out;
        for (int i = between(0, maxLength); i > 0; --i) out += static_cast<char>(bits() & 0xFF);
        return out;
    }

private:
    std::mt19937_64 engine_;
};

// Drops the two warnings the offscreen platform gives thousands of times over (raising a
// window, shaping a script its fonts lack) for as long as it lives; every other message
// goes through as before.
class QuietPlatformWarnings {
public:
    QuietPlatformWarnings() { previous_ = qInstallMessageHandler(&filter); }
    ~QuietPlatformWarnings() { qInstallMessageHandler(previous_); }
    QuietPlatformWarnings(const QuietPlatformWarnings&) = delete;
    QuietPlatformWarnings& operator=(const QuietPlatformWarnings&) = delete;

private:
    static void filter(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (type == QtWarningMsg && (message.contains(QLatin1String("does not support raise()")) ||
                                     message.contains(QLatin1String("OpenType support missing"))))
            return;
        if (previous_ != nullptr) previous_(type, context, message);
    }
    static inline QtMessageHandler previous_ = nullptr;
};

}  // namespace stress
