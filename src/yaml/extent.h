// Where a node's text ends, as the server reads it: what an entry of a text takes is decided by
// the reader, not by how a line looks (a line of a "|" value may start with "#", and the empty
// lines after a "|+" value are part of it).
#pragma once

#include <span>
#include <string_view>

#include "yaml/document.h"

namespace yaml {

// The last line of the editor's text (from 1) that holds the node itself: a scalar's last
// character, a block scalar's ("|", ">") last line of content, or with a "+" header the last
// empty line it keeps; the closing bracket of a flow collection; the start of a block
// collection, whose items tell the rest. lines[i] is the text's line i + 1 without its line
// end, the lines the node's marks count.
int ownLastLine(const Document& doc, const Node& node, std::span<const std::string_view> lines);

}  // namespace yaml
