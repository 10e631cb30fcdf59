// A text as the panel shows it, line by line: only LF ends a line, and a CR before it belongs
// to the line end, so CR LF and LF texts read alike and each line keeps its own end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace entries {

class Lines {
public:
    Lines() = default;
    explicit Lines(std::string_view text);

    // Lines count from 0 here. A text that ends with LF has an empty last line.
    std::size_t count() const { return starts_.size(); }
    std::size_t begin(std::size_t i) const { return starts_[i]; }
    // Where the line's content ends, before its CR LF or LF.
    std::size_t contentEnd(std::string_view text, std::size_t i) const;
    // Where the next line begins (the text's end for the last line).
    std::size_t next(std::string_view text, std::size_t i) const {
        return i + 1 < starts_.size() ? starts_[i + 1] : text.size();
    }
    std::string_view content(std::string_view text, std::size_t i) const {
        return text.substr(starts_[i], contentEnd(text, i) - starts_[i]);
    }
    std::string_view ending(std::string_view text, std::size_t i) const {
        const std::size_t end = contentEnd(text, i);
        return text.substr(end, next(text, i) - end);
    }
    // The text's own line end: its first one, LF in a text of one line.
    std::string_view eol(std::string_view text) const;

private:
    std::vector<std::size_t> starts_;
};

// Blanks (spaces) before the line's first other character.
std::size_t indentOf(std::string_view line);
// Nothing but spaces and tabs.
bool isBlank(std::string_view line);
// A comment line: blanks, then "#".
bool isComment(std::string_view line);

// One line of an entry being rewritten: its content and its line end.
struct Line {
    std::string content;
    std::string ending;
};

}  // namespace entries
