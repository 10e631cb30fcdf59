// The "物品自定义界面" page of the main window: a single notice, no inputs.
#include "forms/windows.h"

namespace forms {

std::vector<Unit> itemPageUnits() {
    // clang-format off
    return {
        {.name = "标签117", .kind = Kind::Label, .rect = {40, 72, 424, 552}, .caption = "十分抱歉，本以为这个是可以写的，但是经过仔细研究发现，比如internal部分及其他的等等，都没法让编辑器正常完成，不过我还是等有时间好好研究一下，再重新制作吧", .font = {-48}},
    };
    // clang-format on
}

}  // namespace forms
