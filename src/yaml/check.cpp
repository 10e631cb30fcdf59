#include "yaml/check.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <optional>
#include <set>

#include "yaml/document.h"
#include "yaml/extent.h"
#include "yaml/key_name.h"
#include "yaml/resolve.h"
#include "yaml/unicode.h"

namespace yaml {

namespace {

std::string quoteText(std::string_view text) {
    std::string out = "“";
    out += text;
    out += "”";
    return out;
}

std::string codePoint(char32_t c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
    return buffer;
}

// SnakeYAML's problem in a short Chinese sentence, with what to do about it.
std::string describe(const ReadError& e) {
    std::string shown;
    unicode::append(shown, e.character);
    switch (e.problem) {
    case Problem::SpecialCharacter: return "含有 YAML 不允许的控制字符 " + codePoint(e.character);
    case Problem::CannotStartToken:
        if (e.character == '\t') return "制表符（Tab）不能用于缩进或放在这里，请改用空格";
        return "值不能以" + quoteText(shown) + "开头，请给整个值加上双引号";
    case Problem::SimpleKeyWithoutColon: return "这一项缺少“:”，或上一行的值缩进不对";
    case Problem::SequenceEntryNotAllowed: return "这里不能开始列表项“- ”，请检查缩进";
    case Problem::MappingKeyNotAllowed: return "这里不能出现“? ”，请检查缩进或给值加上双引号";
    case Problem::MappingValueNotAllowed: return "值里含有“: ”（冒号加空格）或缩进不对；含冒号的值请加上双引号";
    case Problem::Directive: return "“%”开头的指令写法不对";
    case Problem::Anchor: return "“&”或“*”后的名称不对；以 & 或 * 开头的值请加上双引号";
    case Problem::Tag: return "“!”标签写法不对；以 ! 开头的值请加上双引号";
    case Problem::BlockScalarHeader: return "“|”或“>”后面写法不对；以它们开头的值请加上双引号";
    case Problem::UnknownEscape: return "双引号里的反斜杠转义“\\" + shown + "”无效，反斜杠本身请写成“\\\\”";
    case Problem::EscapeDigits: return "双引号里的“\\x”“\\u”“\\U”转义后面的十六进制数字不对";
    case Problem::UnclosedQuote: return "引号没有闭合";
    case Problem::DocumentMarkerInQuote: return "引号没有闭合，一直延续到了“---”或“...”行";
    case Problem::ExpectedBlockEnd: return "缩进不对：这一行与上面的层级对不齐";
    case Problem::ExpectedFlowSequenceEnd: return "“[”开始的列表没有正确结束；以 [ 开头的值请加上双引号";
    case Problem::ExpectedFlowMappingEnd: return "“{”开始的内容没有正确结束；以 { 开头的值请加上双引号";
    case Problem::ExpectedNodeContent: return "这里缺少值，或值以不能开头的符号开头；请给值加上双引号";
    case Problem::ExpectedDocumentStart: return "文件结束标记“...”之后还有内容";
    case Problem::UndefinedTagHandle: return "标签前缀没有定义；以 ! 开头的值请加上双引号";
    case Problem::DuplicateDirective: return "“%YAML”或“%TAG”指令重复或版本不对";
    case Problem::UndefinedAlias: return "“*”引用了没有定义的锚点；以 * 开头的值请加上双引号";
    case Problem::SecondDocument: return "出现了第二个文档（“---”），服务器只读一个";
    case Problem::NestingTooDeep: return "嵌套层级太深（超过 50 层）";
    case Problem::UnknownTag: return "服务器不认识这个“!”标签；以 ! 开头的值请加上双引号";
    case Problem::BadMerge: return "“<<”合并的值必须是“键: 值”的映射";
    case Problem::BadValueForTag: return "这个值按它的写法或标签读不成数据，请加上双引号";
    case Problem::TopLevelNotMap: return "文件最外层必须是“识别名:”开头的各项，而不是单个值或列表";
    }
    return "服务器无法读取这里";
}

// Where the reader expected the block to end but found more on the line: text right after a
// quoted value's closing quote ("abc" def). Told as such, not as a wrong indentation.
bool textAfterClosingQuote(std::string_view line, int column) {
    // The line's first column-1 code points, as far as the line goes.
    std::size_t end = 0;
    for (int seen = 1; seen < column && end < line.size(); ++seen) {
        ++end;
        while (end < line.size() && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) ++end;
    }
    std::string_view before = line.substr(0, end);
    while (!before.empty() && (before.back() == ' ' || before.back() == '\t')) before.remove_suffix(1);
    if (before.empty() || (before.back() != '"' && before.back() != '\'')) return false;
    // The quote closes a value that opened with the same quote on this line.
    return before.find(before.back()) < before.size() - 1;
}

struct Lines {
    std::vector<std::string_view> text;  // each text line without its LF and a CR before it

    explicit Lines(std::string_view all) {
        std::size_t start = 0;
        while (true) {
            const std::size_t lf = all.find('\n', start);
            std::string_view line =
                all.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            text.push_back(line);
            if (lf == std::string_view::npos) break;
            start = lf + 1;
        }
    }

    // The line (0-based) with blanks at its end trimmed; empty past the end.
    std::string_view trimmed(std::size_t i) const {
        if (i >= text.size()) return {};
        std::string_view line = text[i];
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
            line.remove_suffix(1);
        return line;
    }
};

// Lines where the editor's fixed block shapes show a selection left empty.
struct ShapeFindings {
    std::vector<Finding> errors;
    std::vector<Finding> warnings;
    std::vector<std::pair<int, int>> effectErrorRanges;  // text lines a broken Effect block spans
};

ShapeFindings checkShapes(const Lines& lines) {
    ShapeFindings out;
    for (std::size_t i = 0; i < lines.text.size(); ++i) {
        const std::string_view line = lines.trimmed(i);
        if (line == "  Effect:" && lines.trimmed(i + 3) == "  Lores:") {
            // The two lines under "Effect:" are "    Bonus_...: value" when an attribute is
            // chosen; without one the editor writes the value alone at column 0.
            bool broken = false;
            for (std::size_t k = 1; k <= 2; ++k) {
                const std::string_view effect = lines.trimmed(i + k);
                const std::string field = k == 1 ? "“属性”" : "“附件属性”";
                const int at = static_cast<int>(i + k + 1);
                if (effect.empty()) {
                    out.warnings.push_back({at, 0, "没有选择" + field + "，这一行效果是空的"});
                } else if (effect[0] != ' ') {
                    out.errors.push_back({at, 1, "没有选择" + field + "，数值单独成行，服务器无法读取此文件"});
                    broken = true;
                }
            }
            if (broken) out.effectErrorRanges.emplace_back(static_cast<int>(i + 2), static_cast<int>(i + 4));
        }
        // A gem block's fields that the editor writes empty: "Shiny:" with nothing after it
        // and "Type_Item: \"\"" when nothing is selected, "Material: \"\"" for an empty 物品ID.
        // ("Shiny:" over more indented lines is a mapping someone wrote, not a gem's field.)
        const auto nextIndented = [&] { return i + 1 < lines.text.size() && lines.text[i + 1].starts_with("   "); };
        if (line == "  Shiny:" && !nextIndented())
            out.warnings.push_back({static_cast<int>(i + 1), 0, "没有选择“附魔特效”，“Shiny”的值是空的"});
        if (line == "  Type_Item: \"\"")
            out.warnings.push_back({static_cast<int>(i + 1), 0, "没有选择“宝石种类”，“Type_Item”的值是空的"});
        if (line == "  Material: \"\"")
            out.warnings.push_back({static_cast<int>(i + 1), 0, "没有填写“物品ID”，“Material”的值是空的"});
        if ((line == "  Potion_To_Attacker:" || line == "  Potion_To_Victims:") && i + 1 < lines.text.size() &&
            lines.trimmed(i + 1).empty()) {
            const std::string field = line == "  Potion_To_Attacker:" ? "“对己 BUFF名称”" : "“对敌 BUFF名称”";
            out.warnings.push_back({static_cast<int>(i + 2), 0, "没有选择" + field + "，这一药水效果不会生效"});
        }
    }
    return out;
}

// The last line a top-level key and its value take. The nodes of a value are composed one after
// another, before the next key's: every node from the value to the next key is the value's, and
// a node an alias names again is not among them (it stands where it was first written), but the
// alias is, among the aliases that stand before the next key.
int lastLineOfPair(const Document& doc, std::span<const std::uint32_t> top, std::size_t i,
                   std::span<const std::string_view> lines, std::size_t& alias) {
    const std::size_t key = top[i];
    int last = ownLastLine(doc, doc.nodes[key], lines);
    std::size_t stop = doc.nodes.size();
    for (std::size_t k = i + 2; k < top.size(); k += 2) {
        if (top[k] > key) {
            stop = top[k];
            break;
        }
    }
    const std::uint32_t before =
        stop < doc.nodes.size() ? doc.nodes[stop].start.index : std::numeric_limits<std::uint32_t>::max();
    for (; alias < doc.aliases.size() && doc.aliases[alias].start.index < before; ++alias)
        last = std::max(last, doc.aliases[alias].end.textLine);
    if (i + 1 >= top.size() || top[i + 1] <= key) return last;
    for (std::size_t node = top[i + 1]; node < stop; ++node)
        last = std::max(last, ownLastLine(doc, doc.nodes[node], lines));
    return last;
}

// The tags of the values that count as numbers.
bool isNumberTag(Tag tag) { return tag == Tag::Int || tag == Tag::Float; }

bool isNumberKey(std::string_view key, std::string_view parent) {
    static constexpr std::string_view kKeys[] = {
        "Max_Grade",
        "Base_Success_Rate",
        "Scale_Success_Rate",
        "Scale_Base_Additional_Damage",
        "Scale_Base_Percent_Damage",
        "Scale_Chance",
        "Scale_Duration",
        "Grade",
    };
    if (std::find(std::begin(kKeys), std::end(kKeys), key) != std::end(kKeys)) return true;
    if (parent == "Effect" && (key.starts_with("Bonus_Base_") || key.starts_with("Bonus_Scale_"))) return true;
    return parent == "Resistance";
}

// Every field meant for a number must read as an int or a float.
void checkNumbers(const Document& doc, std::size_t mapping, std::string_view parent, std::vector<char>& visited,
                  std::vector<Finding>& warnings) {
    if (visited[mapping]) return;
    visited[mapping] = 1;
    const auto children = doc.children(doc.nodes[mapping]);
    for (std::size_t i = 0; i + 1 < children.size(); i += 2) {
        const Node& key = doc.nodes[children[i]];
        const Node& value = doc.nodes[children[i + 1]];
        const std::string_view name = key.kind == NodeKind::Scalar ? doc.value(key) : std::string_view();
        if (value.kind == NodeKind::Mapping) {
            checkNumbers(doc, children[i + 1], name, visited, warnings);
            if (!isNumberKey(name, parent)) continue;
        } else if (!isNumberKey(name, parent)) {
            continue;
        }
        if (value.kind == NodeKind::Scalar && isNumberTag(value.tag)) continue;
        std::string message;
        if (value.kind == NodeKind::Scalar && (value.tag == Tag::Null && doc.value(value).empty())) {
            message = quoteText(name) + "的值是空的，应填数字";
        } else if (value.kind == NodeKind::Scalar) {
            message = quoteText(name) + "应为数字，服务器读到的是" + quoteText(doc.value(value));
        } else {
            message = quoteText(name) + "应为数字";
        }
        warnings.push_back({value.start.textLine, value.start.textColumn, std::move(message)});
    }
}

// Tabs outside quoted scalars, one warning per line.
void checkTabs(std::string_view text, const Document& doc, std::vector<Finding>& warnings) {
    if (text.find('\t') == std::string_view::npos) return;
    std::vector<std::pair<std::size_t, std::size_t>> quoted;
    for (const Node& node : doc.nodes) {
        if (node.kind == NodeKind::Scalar &&
            (node.style == ScalarStyle::SingleQuoted || node.style == ScalarStyle::DoubleQuoted)) {
            quoted.emplace_back(node.start.index, node.end.index);
        }
    }
    std::sort(quoted.begin(), quoted.end());
    std::size_t index = 0;  // code points
    int line = 1;
    int column = 1;
    int warnedLine = 0;
    auto range = quoted.begin();
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) == 0x80) continue;  // continuation bytes belong to the code point before
        if (byte == '\t' && line != warnedLine) {
            while (range != quoted.end() && range->second <= index) ++range;
            const bool inside = range != quoted.end() && range->first <= index && index < range->second;
            if (!inside) {
                warnings.push_back({line, column, "含有制表符（Tab），YAML 里请用空格"});
                warnedLine = line;
            }
        }
        ++index;
        if (byte == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
}

bool byPosition(const Finding& a, const Finding& b) { return a.line != b.line ? a.line < b.line : a.column < b.column; }

}  // namespace

bool readsAsNumber(std::string_view plain) { return isNumberTag(resolvePlain(plain)); }

CheckResult checkConfiguration(std::string_view utf8) { return checkConfiguration(utf8, read(utf8)); }

CheckResult checkConfiguration(std::string_view utf8, const Document& doc) {
    CheckResult result;
    const Lines lines(utf8);
    ShapeFindings shapes = checkShapes(lines);
    result.errors = std::move(shapes.errors);
    result.warnings = std::move(shapes.warnings);

    std::vector<Finding> treeWarnings;
    std::vector<Finding> treeErrors;
    if (doc.root && doc.nodes[*doc.root].kind == NodeKind::Mapping) {
        const std::size_t root = *doc.root;
        const auto top = doc.children(doc.nodes[root]);
        std::map<std::string, int> firstLine;
        std::size_t alias = 0;                             // the first alias after the keys so far
        for (std::size_t i = 0; i < top.size(); i += 2) {  // a key may lack its value when reading stopped
            const Node& key = doc.nodes[top[i]];
            const std::string name = keyName(doc, key);
            result.keys.push_back({name, key.start.textLine, lastLineOfPair(doc, top, i, lines.text, alias)});
            const bool empty = key.kind == NodeKind::Scalar &&
                               (key.tag == Tag::Null || (key.tag == Tag::Str && doc.value(key).empty()));
            if (empty) {
                // Bukkit cannot make a section of an empty or null key: the file fails to load.
                treeErrors.push_back({key.start.textLine, key.start.textColumn, "识别名是空的"});
                continue;
            }
            const auto [first, inserted] = firstLine.emplace(name, key.start.textLine);
            if (!inserted) {
                treeWarnings.push_back({key.start.textLine, key.start.textColumn,
                                        "识别名" + quoteText(name) + "与第 " + std::to_string(first->second) +
                                            " 行重复，服务器只保留这一个，前面的会丢失"});
            }
        }
        result.entries = doc.error ? firstLine.size() : entries(doc, root).size();
        std::vector<char> visited(doc.nodes.size(), 0);
        checkNumbers(doc, root, "", visited, treeWarnings);
    }
    checkTabs(utf8, doc, treeWarnings);

    if (doc.error) {
        const ReadError& e = *doc.error;
        const int errorLine = e.mark.textLine;
        // Findings the reader made after it stopped, or on the line it stopped at, would be
        // guesses: drop them; the editor's block shapes are read line by line and stay.
        const auto late = [&](const Finding& f) { return f.line >= errorLine; };
        std::erase_if(treeWarnings, late);
        std::erase_if(treeErrors, late);
        const bool explained =
            std::any_of(shapes.effectErrorRanges.begin(), shapes.effectErrorRanges.end(),
                        [&](const auto& r) { return errorLine >= r.first && errorLine <= r.second; });
        if (!explained) {
            const int column = e.kind == ErrorKind::NotMap ? 0 : e.mark.textColumn;
            const bool afterQuote = e.problem == Problem::ExpectedBlockEnd && errorLine >= 1 &&
                                    static_cast<std::size_t>(errorLine) <= lines.text.size() &&
                                    textAfterClosingQuote(lines.text[static_cast<std::size_t>(errorLine) - 1], column);
            result.errors.push_back({errorLine, column,
                                     afterQuote
                                         ? "引号后面还有文字：整个值都要写在引号里面（引号后面只能跟以“ #”开始的注释）"
                                         : describe(e)});
        }
        if (e.kind == ErrorKind::NotMap) result.entries = 0;
    }
    result.errors.insert(result.errors.end(), treeErrors.begin(), treeErrors.end());
    result.warnings.insert(result.warnings.end(), treeWarnings.begin(), treeWarnings.end());
    std::stable_sort(result.errors.begin(), result.errors.end(), byPosition);
    std::stable_sort(result.warnings.begin(), result.warnings.end(), byPosition);
    result.valid = result.errors.empty();
    return result;
}

namespace {

// Code points of UTF-8 text.
std::size_t codePoints(std::string_view utf8) {
    std::size_t count = 0;
    for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

}  // namespace

std::vector<TopLevelKey> changedEntries(std::string_view before, std::string_view after) {
    std::vector<TopLevelKey> changed;
    const Document old = read(before);
    const Document now = read(after);
    if (old.error || now.error || !old.root || old.nodes[*old.root].kind != NodeKind::Mapping) return changed;
    const auto oldEntries = entries(old, *old.root);
    std::map<std::string, std::size_t> nowValues;
    if (now.root && now.nodes[*now.root].kind == NodeKind::Mapping) {
        for (const auto& [key, value] : entries(now, *now.root)) nowValues[keyName(now, now.nodes[key])] = value;
    }
    for (const auto& [key, value] : oldEntries) {
        const std::string name = keyName(old, old.nodes[key]);
        const auto found = nowValues.find(name);
        if (found == nowValues.end() || !sameValue(old, value, now, found->second))
            changed.push_back({name, old.nodes[key].start.textLine});
    }
    return changed;
}

std::optional<HeaderChange> keepLastBlockScalar(std::string_view utf8) {
    if (utf8.empty() || utf8.back() == '\n' || utf8.back() == '\r') return std::nullopt;
    const Document doc = read(utf8);
    if (doc.error) return std::nullopt;
    const Node* last = nullptr;
    for (const Node& node : doc.nodes) {
        if (node.kind == NodeKind::Scalar &&
            (node.style == ScalarStyle::Literal || node.style == ScalarStyle::Folded) &&
            (last == nullptr || node.end.index > last->end.index))
            last = &node;
    }
    if (last == nullptr || last->end.index != codePoints(utf8)) return std::nullopt;
    // The header's line, and on it the indicator at or after where the node starts (an anchor
    // or a tag may come first).
    const Lines lines(utf8);
    const auto lineIndex = static_cast<std::size_t>(last->start.textLine - 1);
    if (lineIndex >= lines.text.size()) return std::nullopt;
    const std::string_view line = lines.text[lineIndex];
    std::size_t at = 0;
    for (int column = 1; column < last->start.textColumn && at < line.size(); ++column) {
        ++at;
        while (at < line.size() && (static_cast<unsigned char>(line[at]) & 0xC0) == 0x80) ++at;
    }
    const std::size_t indicator = line.find_first_of("|>", at);
    if (indicator == std::string_view::npos) return std::nullopt;
    std::size_t end = indicator + 1;
    while (end < line.size() && (line[end] == '+' || line[end] == '-' || (line[end] >= '0' && line[end] <= '9'))) ++end;
    HeaderChange change;
    change.line = last->start.textLine;
    change.column = static_cast<int>(codePoints(line.substr(0, indicator))) + 1;
    change.from = std::string(line.substr(indicator, end - indicator));
    if (change.from.find('-') != std::string::npos) return std::nullopt;  // already strips the break
    change.to = change.from;
    const std::size_t keep = change.to.find('+');
    if (keep != std::string::npos)
        change.to[keep] = '-';
    else
        change.to += '-';
    return change;
}

}  // namespace yaml
