// Key-lore entries of the "技能" page (an item lore that triggers commands) and the
// single list lines added after an entry or after a gem block.
#pragma once

#include <string>
#include <string_view>

namespace builders::socket {

// Four lines: "<id>:", "  keylore: \"<lore>\"", "  command:", "    - \"<command>\"".
// Unlike the gem and element blocks ("Keylore: "), the key is lower-case "keylore:".
// Lore and command are escaped with yaml::escaped.
std::string keyLoreEntry(std::string_view id, std::string_view lore, std::string_view command);

// "    - \"<command>\"": one more command under the entry's "command:" list.
std::string keyLoreCommand(std::string_view command);

// "  - \"<lore>\"": one more line of a gem block's Lores list.
std::string gemLoreLine(std::string_view lore);

}  // namespace builders::socket
