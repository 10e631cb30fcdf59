#include "builders/socket/key_lore.h"

#include "yaml/escape.h"
#include "yaml/scalar.h"

namespace builders::socket {

namespace {

// A quoted list item at the given indentation.
std::string quotedItem(std::string_view indent, std::string_view text) {
    std::string line(indent);
    line += "- \"";
    line += yaml::escaped(text);
    line += "\"\r\n";
    return line;
}

}  // namespace

std::string keyLoreEntry(std::string_view id, std::string_view lore, std::string_view command) {
    std::string entry = yaml::plainOrQuotedKey(id);
    // "keylore:" stays in lower case, as the plugin's key-lore file spells it. The blank
    // after its colon is what makes the line a key and a value: without it a YAML reader
    // takes the whole line as one plain scalar and rejects the entry.
    entry += ":\r\n  keylore: \"";
    entry += yaml::escaped(lore);
    entry += "\"\r\n  command:\r\n";
    entry += keyLoreCommand(command);
    return entry;
}

std::string keyLoreCommand(std::string_view command) { return quotedItem("    ", command); }

std::string gemLoreLine(std::string_view lore) { return quotedItem("  ", lore); }

}  // namespace builders::socket
