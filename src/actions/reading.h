// How a window reads, worked out from where the form puts its controls: the order Tab moves in,
// and what a screen reader says for each control. A field is named after the label of its own
// row (same visual container, same line, on its left); fields that share one row label add
// their column heading ("风刃 等级"); a name that repeats on a page gets its row's title or the
// field above it in front; a button says what it adds ("添加 基本伤害"); a panel is named after
// its group box; notes and notices after their first line (more lines when two notes of a
// page start alike), with the whole text as description. No two controls of a page share a
// name: what still repeats gets its ordinal ("复制 (2)").
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "forms/form.h"

namespace actions {

// A unit's rectangle in its window's client coordinates. Page units sit where the page
// control is, as the loader puts them.
struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int midX() const { return (left + right) / 2; }
    int midY() const { return (top + bottom) / 2; }
};
Box boxOf(const forms::Window& window, std::size_t unit);

// Whether the unit takes keyboard focus with Tab: an EditBox that can be edited, a button,
// a combo box.
bool takesTab(const forms::Unit& unit);

struct Spoken {
    std::string name;
    std::string description;
};

// How one window reads, worked out once for all its pages: a window asks for it each time it
// builds a page, and placing the units is most of the work.
struct Reading {
    // The units of one page (-1: the window's own controls) that take Tab, in reading order:
    // top to bottom, then left to right within a row, each group box read whole where it
    // stands. The window's own order holds the page control's unit where its tabs come.
    // Empty for a page the window does not have.
    const std::vector<std::size_t>& order(int page) const;

    std::vector<std::vector<std::size_t>> orders;  // the window's own, then page 0, 1, ...
    // What a screen reader says for every unit of the window (empty when the widget's own
    // text is enough: labels, group boxes).
    std::vector<Spoken> spoken;
};
Reading readingOf(const forms::Window& window);

}  // namespace actions
