#include "actions/reading.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "actions/action.h"
#include "actions/panels.h"
#include "forms/windows.h"

namespace actions {
namespace {

using forms::Kind;
using forms::Unit;

constexpr int kSameLine = 8;          // middles this close lie on one line
constexpr int kFirstLineHeight = 24;  // the first line of a box of several lines

// Blanks and line breaks collapsed to single blanks, none at either end.
std::string simplified(std::string_view text) {
    std::string out;
    bool blank = false;
    for (char c : text) {
        if (c == ' ' || c == '\r' || c == '\n' || c == '\t') {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

std::string firstLine(std::string_view text) {
    const std::size_t end = text.find_first_of("\r\n");
    return simplified(text.substr(0, end));
}

// The first count lines of a text that are not blank, each simplified, joined by blanks.
std::string firstLines(std::string_view text, std::size_t count) {
    std::string out;
    std::size_t taken = 0;
    while (taken < count && !text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string line = simplified(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty()) continue;
        if (!out.empty()) out += ' ';
        out += line;
        ++taken;
    }
    return out;
}

std::size_t lineCount(std::string_view text) {
    std::size_t lines = 0;
    while (firstLines(text, lines + 1) != firstLines(text, lines)) ++lines;
    return lines;
}

class Reader {
public:
    // Every unit's box, container and whether it is a label, once: the questions below ask
    // them of every pair of units.
    explicit Reader(const forms::Window& window) : window_(window) {
        const std::size_t count = window.units.size();
        std::unordered_map<std::string_view, std::size_t> byName;
        for (std::size_t i = 0; i < count; ++i) byName.emplace(window.units[i].name, i);
        const auto pages = byName.find(forms::kPageControlName);
        boxes_.resize(count);
        std::vector<char> placed(count, 0);
        // A unit's rectangle is relative to its group box, or to the page control for a unit
        // of a page; each origin is placed once.
        const auto place = [&](auto&& self, std::size_t i) -> const Box& {
            if (placed[i] != 0) return boxes_[i];
            placed[i] = 1;  // a parent cycle in the form would stop here
            const Unit& u = window.units[i];
            Box origin;
            if (!u.parent.empty()) {
                if (const auto parent = byName.find(u.parent); parent != byName.end())
                    origin = self(self, parent->second);
            } else if (u.page >= 0 && pages != byName.end()) {
                origin = self(self, pages->second);
            }
            const int left = origin.left + u.rect.left;
            const int top = origin.top + u.rect.top;
            boxes_[i] = {left, top, left + u.rect.width, top + u.rect.height};
            return boxes_[i];
        };
        for (std::size_t i = 0; i < count; ++i) place(place, i);
        for (std::size_t i = 0; i < count; ++i)
            if (window.units[i].kind == Kind::GroupBox) groups_.push_back(i);
        for (std::size_t i = 0; i < count; ++i) container_.push_back(findContainer(i));
        // The units that stand together (one page, one container), each list in the form's
        // order: the questions below look only among them.
        constexpr auto kNoContainer = static_cast<std::size_t>(-1);
        std::map<std::pair<int, std::size_t>, std::size_t> groupOf;
        peerGroup_.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const auto key = std::make_pair(window.units[i].page, container_[i].value_or(kNoContainer));
            const auto [at, added] = groupOf.emplace(key, peers_.size());
            if (added) peers_.emplace_back();
            peers_[at->second].push_back(i);
            peerGroup_[i] = at->second;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const Unit& u = window.units[i];
            labels_.push_back(u.kind == Kind::Label && u.rect.height > 0 && !simplified(u.caption).empty());
        }
    }

    const forms::Window& window() const { return window_; }
    std::size_t count() const { return window_.units.size(); }
    const Unit& unit(std::size_t i) const { return window_.units[i]; }
    const Box& box(std::size_t i) const { return boxes_[i]; }
    std::optional<std::size_t> container(std::size_t i) const { return container_[i]; }

    bool isLabel(std::size_t i) const { return labels_[i]; }
    bool isField(std::size_t i) const {
        const Unit& u = unit(i);
        return (u.kind == Kind::EditBox && !u.readOnly && !u.disabled) || u.kind == Kind::ComboBox;
    }
    // The units together with the unit, itself among them, in the form's order.
    const std::vector<std::size_t>& peers(std::size_t i) const { return peers_[peerGroup_[i]]; }
    // Where a unit's line is: its middle, or for a box of several lines the middle of its first
    // line, where the label that names it stands.
    int lineY(std::size_t i) const {
        const Box& b = box(i);
        return unit(i).multiline ? b.top + std::min(b.bottom - b.top, kFirstLineHeight) / 2 : b.midY();
    }
    bool sameLine(std::size_t a, std::size_t b) const { return std::abs(lineY(a) - lineY(b)) <= kSameLine; }

    // The nearest label on the field's left in its line; with blocked set, none when another
    // field stands between the two.
    std::optional<std::size_t> leftLabel(std::size_t field, bool blocked) const {
        std::optional<std::size_t> best;
        for (const std::size_t i : peers(field)) {
            if (!isLabel(i) || !sameLine(i, field) || box(i).left >= box(field).left) continue;
            if (best && box(i).right <= box(*best).right) continue;
            best = i;
        }
        if (best && blocked) {
            for (const std::size_t i : peers(field)) {
                if (i == field || !isField(i) || !sameLine(i, field)) continue;
                if (box(i).left > box(*best).left && box(i).right <= box(field).left) return std::nullopt;
            }
        }
        return best;
    }

    // The leftmost label of the field's line: the row's title.
    std::optional<std::size_t> rowTitle(std::size_t field) const {
        std::optional<std::size_t> best;
        for (const std::size_t i : peers(field)) {
            if (!isLabel(i) || !sameLine(i, field) || box(i).left >= box(field).left) continue;
            if (!best || box(i).left < box(*best).left) best = i;
        }
        return best;
    }

    // The nearest label above the unit that overlaps it horizontally: its column heading.
    std::optional<std::size_t> heading(std::size_t field) const {
        std::optional<std::size_t> best;
        for (const std::size_t i : peers(field)) {
            if (!isLabel(i) || sameLine(i, field)) continue;
            const Box& l = box(i);
            const Box& f = box(field);
            if (l.bottom > f.top + 4 || l.left >= f.right || l.right <= f.left) continue;
            if (best && l.bottom <= box(*best).bottom) continue;
            best = i;
        }
        return best;
    }

    // The leftmost label of the button's line with no other button between the two: the row
    // the button adds.
    std::optional<std::size_t> buttonRow(std::size_t button) const {
        std::optional<std::size_t> best;
        for (const std::size_t i : peers(button)) {
            if (!isLabel(i) || !sameLine(i, button) || box(i).left >= box(button).left) continue;
            bool blocked = false;
            for (const std::size_t b : peers(button)) {
                blocked = b != button && unit(b).kind == Kind::Button && sameLine(b, button) &&
                          box(b).left > box(i).left && box(b).right <= box(button).left;
                if (blocked) break;
            }
            if (!blocked && (!best || box(i).left < box(*best).left)) best = i;
        }
        return best;
    }

    std::string text(std::size_t label) const { return simplified(unit(label).caption); }

    // The group box that draws around the unit: the innermost one of its page whose rectangle
    // holds the unit's middle, whatever the unit's parent in the form.
    std::optional<std::size_t> findContainer(std::size_t i) const {
        std::optional<std::size_t> best;
        const Box& b = boxes_[i];
        for (const std::size_t g : groups_) {
            if (g == i || unit(g).page != unit(i).page) continue;
            const Box& gb = boxes_[g];
            if (b.midX() < gb.left || b.midX() > gb.right || b.midY() < gb.top || b.midY() > gb.bottom) continue;
            if (best) {
                const Box& bb = boxes_[*best];
                if ((gb.right - gb.left) * (gb.bottom - gb.top) >= (bb.right - bb.left) * (bb.bottom - bb.top))
                    continue;
            }
            best = g;
        }
        return best;
    }

private:
    const forms::Window& window_;
    std::vector<Box> boxes_;
    std::vector<std::size_t> groups_;
    std::vector<std::optional<std::size_t>> container_;
    std::vector<std::vector<std::size_t>> peers_;
    std::vector<std::size_t> peerGroup_;  // each unit's list in peers_
    std::vector<bool> labels_;
};

std::string withoutPercent(std::string text) {
    if (text.ends_with('%')) text.pop_back();
    return text;
}

struct Item {
    int key;  // the top edge
    int x;
    std::vector<std::size_t> units;
};

void sortItems(std::vector<Item>& items) {
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.key < b.key; });
    std::size_t rowStart = 0;
    for (std::size_t i = 1; i <= items.size(); ++i) {
        if (i == items.size() || items[i].key - items[rowStart].key > kSameLine) {
            std::stable_sort(items.begin() + static_cast<std::ptrdiff_t>(rowStart),
                             items.begin() + static_cast<std::ptrdiff_t>(i),
                             [](const Item& a, const Item& b) { return a.x < b.x; });
            rowStart = i;
        }
    }
}

std::vector<std::size_t> orderWithin(const Reader& reader, std::size_t count, int page,
                                     std::optional<std::size_t> group) {
    std::vector<Item> items;
    for (std::size_t i = 0; i < count; ++i) {
        const Unit& u = reader.unit(i);
        if (u.page != page || reader.container(i) != group) continue;
        const Box& b = reader.box(i);
        if (u.kind == Kind::GroupBox) {
            std::vector<std::size_t> inside = orderWithin(reader, count, page, i);
            if (!inside.empty()) items.push_back({b.top, b.left, std::move(inside)});
        } else if (takesTab(u) || u.kind == Kind::PageControl) {
            items.push_back({b.top, b.left, {i}});
        }
    }
    sortItems(items);
    std::vector<std::size_t> order;
    for (const Item& item : items) order.insert(order.end(), item.units.begin(), item.units.end());
    return order;
}

}  // namespace

Box boxOf(const forms::Window& window, std::size_t index) {
    const Unit& unit = window.units[index];
    Box origin;
    if (!unit.parent.empty()) {
        const int parent = forms::findUnit(window, unit.parent);
        if (parent >= 0) origin = boxOf(window, static_cast<std::size_t>(parent));
    } else if (unit.page >= 0) {
        const int pages = forms::findUnit(window, forms::kPageControlName);
        if (pages >= 0) origin = boxOf(window, static_cast<std::size_t>(pages));
    }
    const int left = origin.left + unit.rect.left;
    const int top = origin.top + unit.rect.top;
    return {left, top, left + unit.rect.width, top + unit.rect.height};
}

bool takesTab(const Unit& unit) {
    switch (unit.kind) {
    case Kind::EditBox: return !unit.readOnly && !unit.disabled;
    case Kind::Button:
    case Kind::ComboBox:
    case Kind::CheckBox: return true;
    default: return false;
    }
}

namespace {

std::vector<Spoken> spokenTexts(const Reader& reader) {
    const forms::Window& window = reader.window();
    const std::size_t count = reader.count();
    std::vector<Spoken> spoken(count);

    // Fields: the label of their own row, or the row label with their column heading.
    std::map<std::size_t, std::vector<std::size_t>> byRowLabel;
    std::vector<std::optional<std::size_t>> rowLabel(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (!reader.isField(i) && !(reader.unit(i).kind == Kind::EditBox && reader.unit(i).multiline)) continue;
        rowLabel[i] = reader.leftLabel(i, false);
        if (rowLabel[i]) byRowLabel[*rowLabel[i]].push_back(i);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const Unit& u = reader.unit(i);
        if (u.kind != Kind::EditBox && u.kind != Kind::ComboBox) continue;
        if (u.readOnly || u.disabled) {
            spoken[i] = {firstLine(u.caption), simplified(u.caption)};
            continue;
        }
        if (rowLabel[i] && byRowLabel[*rowLabel[i]].size() > 1) {
            const std::optional<std::size_t> column = reader.heading(i);
            spoken[i].name = reader.text(*rowLabel[i]);
            if (column) spoken[i].name += " " + withoutPercent(reader.text(*column));
        } else if (const std::optional<std::size_t> own = reader.leftLabel(i, true)) {
            spoken[i].name = reader.text(*own);
        } else if (const std::optional<std::size_t> above = reader.heading(i)) {
            spoken[i].name = reader.text(*above);
        }
        // A panel without a label of its own is named after the group box it sits in.
        if (spoken[i].name.empty() && reader.container(i))
            spoken[i].name = simplified(reader.unit(*reader.container(i)).caption);
    }

    // A name that repeats among the fields of one page: the row's title in front, then the
    // nearest field above with a name of its own, then a number.
    const auto duplicates = [&] {
        std::map<std::pair<int, std::string>, std::vector<std::size_t>> seen;
        for (std::size_t i = 0; i < count; ++i)
            if (reader.isField(i) && !spoken[i].name.empty()) seen[{reader.unit(i).page, spoken[i].name}].push_back(i);
        std::vector<std::size_t> repeated;
        for (const auto& [key, fields] : seen)
            if (fields.size() > 1) repeated.insert(repeated.end(), fields.begin(), fields.end());
        return repeated;
    };
    for (std::size_t i : duplicates()) {
        const std::optional<std::size_t> title = reader.rowTitle(i);
        if (title && reader.text(*title) != spoken[i].name) spoken[i].name = reader.text(*title) + " " + spoken[i].name;
    }
    std::vector<std::size_t> still = duplicates();
    std::vector<Spoken> named = spoken;
    for (std::size_t i : still) {
        std::optional<std::size_t> best;
        for (const std::size_t f : reader.peers(i)) {
            if (!reader.isField(f) || std::find(still.begin(), still.end(), f) != still.end()) continue;
            const Box& a = reader.box(f);
            const Box& b = reader.box(i);
            if (a.bottom > b.top || a.left >= b.right || a.right <= b.left) continue;
            if (!best || a.bottom > reader.box(*best).bottom) best = f;
        }
        if (best) named[i].name = spoken[*best].name + " " + spoken[i].name;
    }
    spoken = named;
    std::map<std::pair<int, std::string>, int> numbers;
    for (std::size_t i : duplicates()) {
        const int n = ++numbers[{reader.unit(i).page, spoken[i].name}];
        if (n > 1) spoken[i].name += " (" + std::to_string(n) + ")";
    }

    // Buttons: what they add, copy, clear or open.
    for (std::size_t i = 0; i < count; ++i) {
        const Unit& u = reader.unit(i);
        if (u.kind != Kind::Button) continue;
        const std::string caption = simplified(u.caption);
        std::string subject;
        if (const PanelRow* panel = panelOfButton(window.id, u.name)) {
            const int p = forms::findUnit(window, panel->name);
            if (p >= 0) subject = spoken[static_cast<std::size_t>(p)].name;
        } else if (const Action* action = find(window.id, u.name)) {
            // The one field it reads, else the row it stands in, else the title its fields'
            // rows share, else its group box.
            std::vector<std::string_view> fields = action->texts;
            fields.insert(fields.end(), action->selections.begin(), action->selections.end());
            std::optional<std::string> common;
            bool same = true;
            for (std::string_view field : fields) {
                const int f = forms::findUnit(window, field);
                const std::optional<std::size_t> title =
                    f >= 0 ? reader.rowTitle(static_cast<std::size_t>(f)) : std::nullopt;
                const std::string text = title ? reader.text(*title) : std::string();
                if (common && *common != text) same = false;
                common = text;
            }
            const int only = fields.size() == 1 ? forms::findUnit(window, fields.front()) : -1;
            if (only >= 0) {
                subject = spoken[static_cast<std::size_t>(only)].name;
            } else if (const std::optional<std::size_t> row = reader.buttonRow(i)) {
                subject = reader.text(*row);
            } else if (same && common && !common->empty()) {
                subject = *common;
            } else if (reader.container(i)) {
                subject = simplified(reader.unit(*reader.container(i)).caption);
            }
        }
        spoken[i].name = caption;
        if (!subject.empty() && subject != caption) spoken[i].name.append(" ").append(subject);
    }

    // No two controls of a page share a name. Notes whose first lines repeat (two red notes
    // both starting "注意！") take their next lines until they differ; whatever still repeats
    // gets its ordinal on the page.
    const auto isNote = [&](std::size_t i) {
        const Unit& u = reader.unit(i);
        return u.kind == Kind::EditBox && (u.readOnly || u.disabled);
    };
    const auto nameOf = [&](std::size_t i) {
        const Unit& u = reader.unit(i);
        return u.kind == Kind::CheckBox && spoken[i].name.empty() ? simplified(u.caption) : spoken[i].name;
    };
    const auto shared = [&] {
        std::map<std::pair<int, std::string>, std::vector<std::size_t>> seen;
        for (std::size_t i = 0; i < count; ++i) {
            const Kind kind = reader.unit(i).kind;
            if (kind != Kind::EditBox && kind != Kind::ComboBox && kind != Kind::Button && kind != Kind::CheckBox)
                continue;
            if (const std::string name = nameOf(i); !name.empty()) seen[{reader.unit(i).page, name}].push_back(i);
        }
        std::vector<std::vector<std::size_t>> groups;
        for (auto& [key, units] : seen)
            if (units.size() > 1) groups.push_back(std::move(units));
        return groups;
    };
    for (std::size_t lines = 2;; ++lines) {
        bool longer = false;
        for (const std::vector<std::size_t>& group : shared())
            for (std::size_t i : group)
                if (isNote(i) && lineCount(reader.unit(i).caption) >= lines) {
                    spoken[i].name = firstLines(reader.unit(i).caption, lines);
                    longer = true;
                }
        if (!longer) break;
    }
    for (const std::vector<std::size_t>& group : shared())
        for (std::size_t n = 1; n < group.size(); ++n)
            spoken[group[n]].name = nameOf(group[n]) + " (" + std::to_string(n + 1) + ")";
    return spoken;
}

}  // namespace

const std::vector<std::size_t>& Reading::order(int page) const {
    static const std::vector<std::size_t> kNone;
    if (page < -1) return kNone;
    const std::size_t at = static_cast<std::size_t>(page) + 1;  // -1 wraps to 0
    return at < orders.size() ? orders[at] : kNone;
}

Reading readingOf(const forms::Window& window) {
    // The units are placed and sorted into their containers once, for every page and name.
    const Reader reader(window);
    int pages = 0;
    for (const Unit& unit : window.units) pages = std::max(pages, unit.page + 1);
    Reading reading;
    for (int page = -1; page < pages; ++page)
        reading.orders.push_back(orderWithin(reader, window.units.size(), page, std::nullopt));
    reading.spoken = spokenTexts(reader);
    return reading;
}

}  // namespace actions
