// The declarative model of the editor's windows: every window is a list of units,
// each unit one control with its geometry, caption, list items, font, colour, flags and
// click binding. Nothing here knows about widgets; ui/ turns these rows into live controls.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace forms {

enum class Kind { Window, EditBox, PicBox, GroupBox, Label, Button, ComboBox, PageControl, CheckBox };

// Left, top, width and height in pixels, relative to the parent: the window's client
// area, the page control's own rectangle (tab row included) or a group box.
struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// A font as the form data gives it: height -14 is a 14-pixel font. Height 0 keeps the
// editor's default 12-pixel font.
struct Font {
    int height = 0;
    bool bold = false;
};

// Colours are written 0xBBGGRR, as the form data was drawn up: 0x0000ff is red.
inline constexpr std::uint32_t kDefaultColour = 0xFFFFFFFFu;
inline constexpr std::uint32_t kGrey = 0x808080u;

// What a button's click runs. Build buttons run the builder registered for
// (window, button name); copy and clear find their panel in the panel table; open loads
// the window the unit names; a page tool is run by the page's own code in ui/ (the item
// designer's templates and its command reader).
enum class Click { None, Build, CopyPanel, ClearPanel, OpenWindow, PageTool };

// Pictures are drawn by the program; the key names which drawing a PicBox shows. The item
// tooltip is drawn live from the designer's fields.
enum class Picture { None, Banner, SkillGuide, AttributeVariables, AttributeList, ItemTooltip };

struct Unit {
    std::string_view name;
    Kind kind = Kind::Label;
    Rect rect;
    std::string_view caption = {};             // caption, label text, initial edit text or check box text
    std::vector<std::string_view> items = {};  // ComboBox items or PageControl page captions
    std::string_view parent = {};              // group box holding the unit; empty: window or page
    Font font = {};
    std::uint32_t colour = kDefaultColour;  // text colour, 0xBBGGRR
    bool multiline = false;                 // EditBox: several lines, Enter is a new line
    bool vscroll = false;                   // EditBox: vertical scroll bar
    bool disabled = false;
    bool thinFrame = false;   // EditBox: the notice line's single-line frame
    bool readOnly = false;    // EditBox: a note or notice, selectable but not editable
    bool selectable = false;  // Label: its text can be selected and copied
    bool editable = false;    // ComboBox: text can be typed as well as picked from the list
    bool checked = false;     // CheckBox: checked at start
    Picture picture = Picture::None;
    Click click = Click::None;
    std::uint32_t opens = 0;  // OpenWindow: the window id to load
    int number = 0;           // fixed id number; 0: next free number in table order
    int page = -1;            // set by the window assembly for page units
};

struct Window {
    std::uint32_t id = 0;
    std::string_view title;
    Rect rect;                       // outer position and size
    std::vector<Unit> units;         // controls in creation order; ids are assigned once at assembly
    std::vector<std::uint32_t> ids;  // ids[i] is the unit id of units[i]
};

inline constexpr std::uint32_t kUnitIdBase = 0x16010000u;
inline constexpr std::uint32_t kWindowUnitIdBase = 0x06010000u;
inline constexpr std::uint32_t kWindowIdBase = 0x52010000u;

// The id of the unit that stands for the window itself.
constexpr std::uint32_t windowUnitId(std::uint32_t windowId) {
    return kWindowUnitIdBase + (windowId - kWindowIdBase - 1);
}

}  // namespace forms
