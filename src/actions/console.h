// Which panel lines the server console can run, and in what form they go to it: the console
// takes a command without its "/", and it has no hand, so a line that changes the item in a
// player's hand makes no sense there, while one that names a player does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace actions {

// The line as the console takes it: leading blanks, one leading "/" and the line break the
// builders write (CR LF, or LF) taken off; the rest as written.
std::string consoleForm(std::string_view line);

// Why the line cannot be run from the console, for the user (simplified Chinese): it acts on
// the item in the hand of whoever types it (/att, /setname, /addlore, /socket add, every line
// of the item designer, ...), or it leaves out the player it must name there. Empty when the
// console can run it.
std::string whyNotFromConsole(std::string_view line);

// The bytes of the line end at text[at], or 0 when none starts there: the line ends of an
// output panel, which are what its text box makes a new line of as text goes in: LF, CR LF,
// CR, U+2029 and the frame marks U+FDD0 and U+FDD1. U+2028, NEL and the other characters some
// readers take for a break stay inside the line: the box keeps them there (U+2028 shows as a
// break within the line), and the console gets them as part of the line. The one rule for a
// panel's lines, for what is sent from it and for a command that must be one line.
std::size_t panelLineEnd(std::string_view text, std::size_t at);

// Whether the text is one line of a panel: it holds no panel line end.
bool isOneLine(std::string_view text);

struct PanelLine {
    int number;             // 1-based, counting every line of the panel, blank ones too
    std::string_view text;  // without its line end; a view into the panel's text
};

// The lines of a panel's text that hold more than blanks, with their line numbers.
std::vector<PanelLine> nonEmptyLines(std::string_view text);

}  // namespace actions
