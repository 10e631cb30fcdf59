// Looking up the text of a fixed table by a combo box's selection index.
#pragma once

#include <cstddef>
#include <string_view>

namespace builders {

// The text of a fixed table at a selection index; any index outside the table,
// -1 included, gives the empty text.
template <typename T, std::size_t N>
constexpr std::string_view pick(const T (&table)[N], int index) {
    return index >= 0 && static_cast<std::size_t>(index) < N ? std::string_view(table[index]) : std::string_view();
}

}  // namespace builders
