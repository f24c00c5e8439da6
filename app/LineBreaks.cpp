#include "app/LineBreaks.h"

#include <algorithm>
#include <string_view>

namespace velmora {

namespace {

struct Line {
    std::string_view text;
    std::string_view lineBreak; // empty for the last line
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::string_view found;
        for (const char* sequence : LineBreakSequences)
            if (text.substr(i).starts_with(sequence)) {
                found = sequence;
                break;
            }
        if (found.empty()) {
            ++i;
            continue;
        }
        lines.push_back({text.substr(start, i - start), text.substr(i, found.size())});
        i += found.size();
        start = i;
    }
    lines.push_back({text.substr(start), {}});
    return lines;
}

} // namespace

std::string withStoredLineBreaks(const std::string& stored, const std::vector<std::string>& lines) {
    if (lines.empty())
        return {};
    const std::vector<Line> old = splitLines(stored);
    const std::size_t n = old.size();
    const std::size_t m = lines.size();
    const std::string_view fallback = n > 1 ? old.front().lineBreak : std::string_view("\n");
    std::size_t prefix = 0;
    while (prefix < std::min(n, m) && old[prefix].text == lines[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (prefix + suffix < std::min(n, m) && old[n - 1 - suffix].text == lines[m - 1 - suffix])
        ++suffix;
    std::string result;
    for (std::size_t i = 0; i < m; ++i) {
        result += lines[i];
        if (i + 1 == m)
            break;
        std::string_view lineBreak;
        if (i < prefix)
            lineBreak = old[i].lineBreak;
        else if (i >= m - suffix)
            lineBreak = old[i + n - m].lineBreak;
        else if (i < n)
            lineBreak = old[i].lineBreak;
        result += lineBreak.empty() ? fallback : lineBreak;
    }
    return result;
}

} // namespace velmora
