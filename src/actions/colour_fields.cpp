// The colour fields, gathered from the preview table and the designer's action row, so a
// field added to either gets the colour tool too.
#include "actions/colour_fields.h"

#include <algorithm>
#include <vector>

#include "actions/item_actions.h"
#include "actions/item_preview.h"
#include "forms/windows.h"

namespace actions {

std::span<const ColourField> colourFields() {
    static const std::vector<ColourField> kFields = [] {
        std::vector<ColourField> fields;
        for (const PreviewField& row : previewFields()) fields.push_back({row.window, row.field, row.role});
        fields.push_back({forms::kMainWindowId, designerTextFields().name, text::Role::Name});
        fields.push_back({forms::kMainWindowId, designerTextFields().lore, text::Role::Lore});
        return fields;
    }();
    return kFields;
}

const ColourField* colourField(std::uint32_t window, std::string_view field) {
    const std::span<const ColourField> fields = colourFields();
    const auto it = std::find_if(fields.begin(), fields.end(),
                                 [&](const ColourField& row) { return row.window == window && row.field == field; });
    return it == fields.end() ? nullptr : &*it;
}

}  // namespace actions
