// Name patterns on arbitrary text: the input is a pattern and a name split at
// the first zero byte. A name that matches must come back from its values
// (the pattern is read exactly), every value must be UTF-8 and not empty, and
// a name made for a file keeps within its limit and holds no removed byte.
#include "base/Text.h"
#include "core/FileNames.h"
#include "core/NamePattern.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace velmora;
using namespace velmora::core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t zero = input.find('\0');
    const std::string_view patternText = input.substr(0, zero);
    const std::string_view name =
        zero == std::string_view::npos ? std::string_view() : input.substr(zero + 1);

    const NamePattern pattern = parsePattern(patternText);
    if (pattern.valid() && pattern.fields().empty())
        std::abort();
    const NameMatch match = matchName(pattern, name);
    if (match.matched) {
        bool trackWithTotal = false;
        for (Field field : pattern.fields()) {
            const std::string& value = match.values[field];
            if (value.empty() || toValidUtf8(value) != value || !match.fields.has(field))
                std::abort();
            trackWithTotal |= field == Field::Track && value.find('/') != std::string::npos;
        }
        std::optional<Field> missing;
        if (!trackWithTotal && composeName(pattern, match.values, missing) != name)
            std::abort();
        if (missing)
            std::abort();
    } else if (match.reason.empty()) {
        std::abort();
    }

    const std::string cleaned = cleanFileName(name);
    if (cleaned.find_first_of(std::string_view("*?|:\"/\\<>\0", 10)) != std::string::npos)
        std::abort();
    const std::size_t limit = patternText.size() % 300;
    const std::string fitted = fitName(cleaned, ".mp3", limit);
    if (fitted.size() > limit)
        std::abort();
    if (toValidUtf8(cleaned) == cleaned && toValidUtf8(fitted) != fitted)
        std::abort();
    return 0;
}
