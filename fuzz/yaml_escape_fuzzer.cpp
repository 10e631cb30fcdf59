// libFuzzer target for the YAML double-quoted value escaping. Whatever the bytes:
//   - the escaped text stays on one line (no raw CR, LF, NEL, LINE or PARAGRAPH SEPARATOR)
//     and is valid UTF-8;
//   - between double quotes, as a plain document and as a mapping value the way the gem and
//     element blocks write it, yaml-cpp reads back exactly the input when the input is valid
//     UTF-8, and otherwise the input with each byte that does not start a well-formed UTF-8
//     sequence replaced by U+FFFD;
//   - escaping is the identity on the valid UTF-8 it does not have to touch: printable ASCII
//     other than quote and backslash.
#include <yaml-cpp/yaml.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "yaml/escape.h"

namespace {

// The length of the well-formed UTF-8 sequence at text[at], or 0. Written from the code
// point's point of view: decode by the lead byte's length, then reject overlong forms,
// surrogates and values beyond U+10FFFF.
std::size_t wellFormedLength(std::string_view text, std::size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    std::size_t length;
    char32_t cp;
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07u;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (next & 0x3Fu);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
    return length;
}

// What the value must read back as: the input, each stray byte as U+FFFD.
std::string expectedValue(std::string_view input, bool* valid) {
    std::string out;
    *valid = true;
    for (std::size_t at = 0; at < input.size();) {
        const std::size_t length = wellFormedLength(input, at);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            *valid = false;
            ++at;
        } else {
            out.append(input.substr(at, length));
            at += length;
        }
    }
    return out;
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = wellFormedLength(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::string hex(std::string_view bytes) {
    std::string out;
    char buffer[4];
    for (unsigned char byte : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", byte);
        out += buffer;
    }
    return out;
}

[[noreturn]] void fail(const char* what, std::string_view input, std::string_view quoted, std::string_view expected,
                       std::string_view parsed) {
    std::fprintf(stderr, "yaml escape: %s\n  input:    %s\n  escaped:  %s\n  expected: %s\n  parsed:   %s\n", what,
                 hex(input).c_str(), hex(quoted).c_str(), hex(expected).c_str(), hex(parsed).c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    bool valid = false;
    const std::string expected = expectedValue(input, &valid);
    const std::string quoted = yaml::escaped(input);

    // YAML 1.1 readers (the plugin's) also break lines at NEL, LINE and PARAGRAPH SEPARATOR.
    for (std::string_view lineBreak : {"\r", "\n", "\xC2\x85", "\xE2\x80\xA8", "\xE2\x80\xA9"})
        if (quoted.find(lineBreak) != std::string::npos)
            fail("a raw line break in the escaped text", input, quoted, expected, {});
    if (!isValidUtf8(quoted)) fail("the escaped text is not valid UTF-8", input, quoted, expected, {});
    bool plain = valid;
    for (unsigned char byte : input)
        if (byte < 0x20 || byte > 0x7E || byte == '"' || byte == '\\') plain = false;
    if (plain && quoted != input) fail("plain text was changed", input, quoted, expected, {});

    const std::string documents[] = {"\"" + quoted + "\"", "key: \"" + quoted + "\"\n"};
    for (const std::string& document : documents) {
        std::string parsed;
        try {
            const YAML::Node root = YAML::Load(document);
            parsed = root.IsMap() ? root["key"].as<std::string>() : root.as<std::string>();
        } catch (const YAML::Exception& error) {
            fail(error.what(), input, quoted, expected, {});
        }
        if (parsed != expected) fail("parsed back to other text", input, quoted, expected, parsed);
    }
    return 0;
}
