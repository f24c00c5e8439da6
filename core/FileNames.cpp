#include "core/FileNames.h"

#include <algorithm>

namespace velmora::core {

std::string cleanFileName(std::string_view text) {
    static constexpr std::string_view removed("*?|:\"/\\<>\0", 10);
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (removed.find(c) == std::string_view::npos)
            result += c;
    return result;
}

std::string fitName(std::string_view stem, std::string_view extension, std::size_t limit) {
    if (extension.size() >= limit)
        return {};
    std::size_t keep = std::min(stem.size(), limit - extension.size());
    // Step back over continuation bytes (10xxxxxx) so no character is split.
    if (keep < stem.size())
        while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80)
            --keep;
    if (keep == 0)
        return {};
    return std::string(stem.substr(0, keep)) + std::string(extension);
}

} // namespace velmora::core
