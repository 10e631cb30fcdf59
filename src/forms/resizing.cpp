#include "forms/resizing.h"

#include <cmath>

#include "forms/windows.h"

namespace forms {
namespace {

// The main window: the command panel takes the upper half of the extra height, the
// configuration panel the lower half, both take the extra width; their buttons stay at
// their right and bottom edges. The passive-skill window: its panel takes it all, and the
// right-hand column below the panel moves down.
// clang-format off
constexpr Stretch kStretches[] = {
    //  window                   unit        moveX moveY growW growH
    {kMainWindowId,          "编辑框23", 1,    0,    0,    0  },  // QQ群, at the notice line's right end
    {kMainWindowId,          "编辑框22", 0,    0,    1,    0  },  // the announcement
    {kMainWindowId,          "分组框4",  0,    0,    1,    0.5},
    {kMainWindowId,          "编辑框1",  0,    0,    1,    0.5},
    {kMainWindowId,          "按钮2",    1,    0,    0,    0  },
    {kMainWindowId,          "按钮4",    1,    0.5,  0,    0  },
    {kMainWindowId,          "分组框5",  0,    0.5,  1,    0.5},
    {kMainWindowId,          "编辑框20", 0,    0.5,  1,    0.5},
    {kMainWindowId,          "按钮19",   0,    1,    0,    0  },
    {kMainWindowId,          "标签87",   0,    1,    1,    0  },  // the hint between 按钮19 and 按钮20
    {kMainWindowId,          "按钮20",   1,    1,    0,    0  },
    {kPassiveSkillWindowId,  "分组框1",  0,    0,    1,    1  },
    {kPassiveSkillWindowId,  "编辑框1",  0,    0,    1,    1  },
    {kPassiveSkillWindowId,  "按钮1",    0,    1,    0,    0  },
    {kPassiveSkillWindowId,  "按钮2",    1,    1,    0,    0  },
    {kPassiveSkillWindowId,  "标签4",    0,    1,    0,    0  },
    {kPassiveSkillWindowId,  "分组框3",  0,    1,    0,    0  },
    {kPassiveSkillWindowId,  "标签6",    0,    1,    0,    0  },
};
// clang-format on

int share(double part, int extra) { return static_cast<int>(std::lround(part * extra)); }

}  // namespace

std::span<const Stretch> stretches() { return kStretches; }

Rect stretched(std::uint32_t window, const Unit& unit, int extraWidth, int extraHeight) {
    Rect rect = unit.rect;
    for (const Stretch& row : kStretches) {
        if (row.window != window || row.unit != unit.name) continue;
        rect.left += share(row.moveX, extraWidth);
        rect.top += share(row.moveY, extraHeight);
        rect.width += share(row.growWidth, extraWidth);
        rect.height += share(row.growHeight, extraHeight);
    }
    return rect;
}

}  // namespace forms
