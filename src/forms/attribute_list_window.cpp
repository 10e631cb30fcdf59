// The untitled attribute list window: one picture of the attribute list.
#include "forms/windows.h"

namespace forms {

std::vector<Unit> attributeListWindowUnits() {
    // clang-format off
    return {
        {.name = "图片框1", .kind = Kind::PicBox, .rect = {0, 0, 720, 600}, .picture = Picture::AttributeList},
    };
    // clang-format on
}

}  // namespace forms
