// libFuzzer target for the YAML reader and the configuration check: whatever the bytes,
// they finish without a crash, a hang or a sanitizer report, and every position they
// report lies inside the text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "yaml/check.h"
#include "yaml/document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const yaml::Document doc = yaml::read(text);
    for (const yaml::Node& node : doc.nodes) {
        if (node.start.index > size || node.end.index > size || node.valueOffset + node.valueSize > doc.values.size() ||
            node.childOffset + node.childCount > doc.links.size()) {
            std::fprintf(stderr, "a node points outside its document\n");
            std::abort();
        }
    }
    const yaml::CheckResult result = yaml::checkConfiguration(text);
    for (const auto* list : {&result.errors, &result.warnings})
        for (const yaml::Finding& f : *list)
            if (f.line < 1 || f.column < 0 || f.message.empty()) {
                std::fprintf(stderr, "a finding without a place or message\n");
                std::abort();
            }
    if (result.valid != result.errors.empty() || (doc.error.has_value() && result.valid)) {
        std::fprintf(stderr, "valid disagrees with the errors\n");
        std::abort();
    }
    return 0;
}
