// The one-line form of a reading result that the SnakeYAML and PyYAML oracle programs
// print too, so that results compare as whole strings.
#pragma once

#include <string>

#include "yaml/document.h"

namespace yaml::testing {

// "ok TREE", "notmap TREE" or "error ...", with 0-based YAML line and column, as
// tests/yaml/oracle/SnakeDump.java prints them.
std::string dump(const Document& doc);

// The tree alone, e.g. {!!str p"a": !!int p"1"}.
std::string dumpNode(const Document& doc, std::size_t node);

}  // namespace yaml::testing
