// libFuzzer target for the scalar writer: any value, written by plainOrQuotedKey or
// plainOrQuotedValue into each place the block writer uses, reads back through the reader
// as typed (well-formed UTF-8 without NUL; malformed bytes are the escaping's concern),
// with the entries around it intact; written plain only when that holds unquoted.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "yaml/document.h"
#include "yaml/scalar.h"
#include "yaml/unicode.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& doc) {
    std::fprintf(stderr, "yaml scalar: %s\n--- document ---\n%s\n---\n", what, doc.c_str());
    std::abort();
}

std::string_view text(const yaml::Document& doc, std::uint32_t node) { return doc.value(doc.node(node)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string typed(reinterpret_cast<const char*>(data), size);
    std::string check;
    for (char32_t cp : yaml::unicode::decode(typed)) yaml::unicode::append(check, cp);
    if (check != typed || typed.empty() || typed.find('\0') != std::string::npos) return 0;
    // SnakeYAML reads no simple key longer than 1024 characters, quoted or not.
    const bool keyFits = yaml::unicode::utf16Length(typed) * 2 + 8 < 1024;

    if (keyFits) {
        const std::string key = yaml::plainOrQuotedKey(typed, yaml::KeyPlace::TopLevel);
        const std::string doc = key + ":\r\n  Keylore: \"K\"\r\nnext:\r\n  Keylore: \"N\"\r\n";
        const yaml::Document read = yaml::read(doc);
        if (read.error) fail("a top-level key breaks the file", doc);
        const auto top = read.children(read.node(*read.root));
        if (top.size() != 4 || text(read, top[0]) != typed || read.node(top[0]).tag != yaml::Tag::Str ||
            text(read, top[2]) != "next")
            fail("a top-level key reads back otherwise", doc);

        const std::string nested = yaml::plainOrQuotedKey(typed, yaml::KeyPlace::Nested);
        const std::string doc2 = "e:\r\n  Resistance:\r\n    a: 1\r\n    " + nested + ": 2\r\n    z: 3\r\n";
        const yaml::Document read2 = yaml::read(doc2);
        if (read2.error) fail("a resistance key breaks the file", doc2);
        const auto r =
            read2.children(read2.node(read2.children(read2.node(read2.children(read2.node(*read2.root))[1]))[1]));
        if (r.size() != 6 || text(read2, r[2]) != typed || text(read2, r[4]) != "z")
            fail("a resistance key reads back otherwise", doc2);
    }
    for (yaml::ScalarKind kind : {yaml::ScalarKind::Text, yaml::ScalarKind::Number}) {
        const std::string value = yaml::plainOrQuotedValue(typed, kind);
        const std::string doc = "g:\r\n  Max_Grade: " + value + "\r\n  Type_Item: \"Weapon\"\r\n";
        const yaml::Document read = yaml::read(doc);
        if (read.error) fail("a value breaks the file", doc);
        const auto gem = read.children(read.node(read.children(read.node(*read.root))[1]));
        if (gem.size() != 4 || text(read, gem[1]) != typed || text(read, gem[2]) != "Type_Item")
            fail("a value reads back otherwise", doc);
        const yaml::Tag tag = read.node(gem[1]).tag;
        const bool number = tag == yaml::Tag::Int || tag == yaml::Tag::Float;
        if (tag != yaml::Tag::Str && !(kind == yaml::ScalarKind::Number && number && yaml::isDecimalNumber(typed)))
            fail("a value reads back as another type", doc);
    }
    return 0;
}
