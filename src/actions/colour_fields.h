// The fields the colour tool works on: every field whose text lands on an item as its name or
// a lore line, that is the fields of the preview strip and the item designer's name and lore.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "text/format.h"

namespace actions {

struct ColourField {
    std::uint32_t window;
    std::string_view field;
    text::Role role;
};

// The preview fields in their order, then the designer's name and lore.
std::span<const ColourField> colourFields();
// The row of a field, or nullptr when the colour tool does not work on it.
const ColourField* colourField(std::uint32_t window, std::string_view field);

}  // namespace actions
