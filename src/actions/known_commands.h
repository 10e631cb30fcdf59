// The commands the editor knows, with what follows each: the lines its buttons build, the
// item designer's sequence and the commands its help window lists. The command check and
// the item designer's command reader recognise lines by this one list.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace actions {

struct KnownCommand {
    std::string command;        // its fixed words, without the blank after them: "/att Stats DAMAGE"
    int values = -1;            // how many values follow; -1: not known, nothing is checked
    bool lastOptional = false;  // the last value may be left out ("默认最后一行")
    bool fromButton = false;    // a builder button writes it (not only the designer or the help text)
    // One letter per value: '#' a value the plugin surely reads as a number, '.' any other;
    // empty when no value is surely a number.
    std::string_view kinds = {};
};

// Every known command, longest first, so that "/att Requirement Unbound" is found before a
// shorter command it starts with.
std::span<const KnownCommand> knownCommands();

// The command the line starts with: the line is the command itself, or the command and a
// blank; nullptr when it starts with none.
const KnownCommand* knownCommandOf(std::string_view line);

}  // namespace actions
