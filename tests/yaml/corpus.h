// Documents the server may meet, with what each of three readers makes of them: SnakeYAML
// 1.33 (the server's), PyYAML and yaml-cpp. The SnakeYAML answers are the ones this
// project's reader must give; the script test compares all of them with the real readers.
#pragma once

#include <string>
#include <vector>

namespace yaml::testing {

struct CorpusCase {
    std::string name;
    std::string document;
    std::string snake;    // SnakeDump.java's line: "ok TREE", "notmap TREE" or "error ..."
    std::string pyyaml;   // pyyaml_dump.py's line, "=" when it is SnakeYAML's
    std::string yamlcpp;  // "ok", "notmap" or "error LINE:COLUMN" (0-based)
};

const std::vector<CorpusCase>& corpus();

}  // namespace yaml::testing
