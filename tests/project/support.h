// What the folder tests share: texts written line by line, and the index and the findings as
// whole lines to compare.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "project/findings.h"
#include "project/folder.h"

namespace project::testing {

inline std::string joined(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (const std::string_view line : lines) {
        out += line;
        out += '\n';
    }
    return out;
}

// "sockets.yml gem 3", or "locked.yml other 0 (why)" for a file that could not be read.
inline std::vector<std::string> filesOf(const Folder& folder) {
    std::vector<std::string> out;
    for (const File& file : folder.files()) {
        std::string row = file.path + " " + std::string(code(file.kind)) + " " + std::to_string(file.entries().size());
        if (!file.error.empty()) row += " (" + file.error + ")";
        out.push_back(row);
    }
    return out;
}

// "sockets.yml:2 ruby gem"
inline std::vector<std::string> matchesOf(const std::vector<Match>& matches) {
    std::vector<std::string> out;
    for (const Match& m : matches)
        out.push_back(m.path + ":" + std::to_string(m.line) + " " + m.id + " " + std::string(code(m.kind)));
    return out;
}

// "sockets.yml:3 duplicate-id ruby -> gems.yml:40 | message", "编辑框1:2 unknown-gem x | message";
// the column after the line when it is not 0.
inline std::string lineOf(const Finding& f) {
    std::string row = (f.panel.empty() ? f.file : f.panel) + ":" + std::to_string(f.line);
    if (f.column != 0) row += ":" + std::to_string(f.column);
    row += " " + std::string(code(f.code));
    if (!f.entry.empty()) row += " " + f.entry;
    if (f.other) row += " -> " + f.other->file + ":" + std::to_string(f.other->line);
    return row + " | " + f.message;
}

inline std::vector<std::string> linesOf(const std::vector<Finding>& findings) {
    std::vector<std::string> out;
    for (const Finding& f : findings) out.push_back(lineOf(f));
    return out;
}

// The findings of a folder of these files and panels, as lines.
inline std::vector<std::string> findingsOf(std::vector<FileInput> files, std::vector<PanelText> panels = {}) {
    return linesOf(check(Folder(std::move(files)), panels));
}

}  // namespace project::testing
