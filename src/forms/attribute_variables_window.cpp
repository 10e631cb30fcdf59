// The "属性变量" window: one picture of the attribute variables.
#include "forms/windows.h"

namespace forms {

std::vector<Unit> attributeVariablesWindowUnits() {
    // clang-format off
    return {
        {.name = "图片框1", .kind = Kind::PicBox, .rect = {0, 0, 720, 584}, .picture = Picture::AttributeVariables},
    };
    // clang-format on
}

}  // namespace forms
