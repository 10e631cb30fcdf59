#include "documents/diff.h"

#include <algorithm>
#include <cstddef>

namespace documents {
namespace {

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    if (text.empty()) return lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            if (start < text.size()) lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

using Lines = std::vector<std::string_view>;

// The shortest edit script between a[0, n) and b[0, m) as a list of kept pairs (x, y), found by
// Myers' greedy algorithm; false when it needs more than limit steps.
bool keptPairs(const Lines& a, const Lines& b, int limit, std::vector<std::pair<int, int>>* kept) {
    const int n = static_cast<int>(a.size());
    const int m = static_cast<int>(b.size());
    const int max = std::min(n + m, limit);
    const int offset = max + 1;
    std::vector<int> v(static_cast<std::size_t>(2 * max + 3), 0);
    std::vector<std::vector<int>> trace;
    for (int d = 0; d <= max; ++d) {
        trace.push_back(v);
        for (int k = -d; k <= d; k += 2) {
            const auto at = [&](int i) -> int& {
                const int index = i + offset;
                return v[static_cast<std::size_t>(index)];
            };
            int x = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? at(k + 1) : at(k - 1) + 1;
            int y = x - k;
            while (x < n && y < m && a[static_cast<std::size_t>(x)] == b[static_cast<std::size_t>(y)]) {
                ++x;
                ++y;
            }
            at(k) = x;
            if (x >= n && y >= m) {
                // Walk back through the trace to the kept pairs.
                int cx = n;
                int cy = m;
                for (int back = d; back > 0; --back) {
                    const std::vector<int>& pv = trace[static_cast<std::size_t>(back)];
                    const auto pat = [&](int i) {
                        const int index = i + offset;
                        return pv[static_cast<std::size_t>(index)];
                    };
                    const int ck = cx - cy;
                    const int pk = (ck == -back || (ck != back && pat(ck - 1) < pat(ck + 1))) ? ck + 1 : ck - 1;
                    const int px = pat(pk);
                    const int py = px - pk;
                    while (cx > px && cy > py) kept->emplace_back(--cx, --cy);
                    cx = px;
                    cy = py;
                }
                while (cx > 0 && cy > 0) kept->emplace_back(--cx, --cy);
                std::reverse(kept->begin(), kept->end());
                return true;
            }
        }
    }
    return false;
}

}  // namespace

std::vector<Change> lineDiff(std::string_view old, std::string_view now, int limit) {
    const Lines a = splitLines(old);
    const Lines b = splitLines(now);
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) ++tail;
    const Lines middleA(a.begin() + static_cast<std::ptrdiff_t>(head), a.end() - static_cast<std::ptrdiff_t>(tail));
    const Lines middleB(b.begin() + static_cast<std::ptrdiff_t>(head), b.end() - static_cast<std::ptrdiff_t>(tail));
    std::vector<std::pair<int, int>> kept;
    if (!keptPairs(middleA, middleB, limit, &kept)) kept.clear();
    // The stretches between kept pairs are the changes.
    std::vector<Change> changes;
    int x = 0;
    int y = 0;
    kept.emplace_back(static_cast<int>(middleA.size()), static_cast<int>(middleB.size()));
    for (const auto& [kx, ky] : kept) {
        if (kx > x || ky > y) {
            Change change;
            change.line = static_cast<int>(head) + x + 1;
            for (int i = x; i < kx; ++i) change.removed.emplace_back(middleA[static_cast<std::size_t>(i)]);
            for (int i = y; i < ky; ++i) change.added.emplace_back(middleB[static_cast<std::size_t>(i)]);
            changes.push_back(std::move(change));
        }
        x = kx + 1;
        y = ky + 1;
    }
    return changes;
}

}  // namespace documents
