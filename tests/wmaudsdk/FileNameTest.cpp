// File names through the SDK's UTF-16 interface come back as the same bytes.
#include "components/wmaudsdk/FileName.h"

#include <gtest/gtest.h>

#include <random>

using namespace wmaudsdk;

namespace {

TEST(FileName, EveryByteStringComesBackUnchanged) {
    std::vector<std::string> names = {"plain.wma",
                                      "Grüße.wma",
                                      "𝄞 clef.wma",
                                      "caf\xE9.wma",
                                      "\xFF\xFE",
                                      "\xC0\xAF",
                                      "\xED\xA0\x80",     // an encoded surrogate
                                      "\xF4\x90\x80\x80", // past U+10FFFF
                                      "\xE2\x82",         // cut short
                                      std::string("\xDC\x80", 2)};
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        std::string bytes(static_cast<std::size_t>(random() % 12), '\0');
        for (auto& b : bytes)
            b = static_cast<char>(random() % 255 + 1);
        names.push_back(bytes);
    }
    for (const auto& name : names)
        EXPECT_EQ(fileNameFromUtf16(fileNameToUtf16(name)), name);
}

TEST(FileName, ValidUtf8BecomesItsUtf16) {
    EXPECT_EQ(fileNameToUtf16("Grüße 𝄞"), u"Grüße 𝄞");
    EXPECT_EQ(fileNameToUtf16("caf\xE9"), std::u16string(u"caf") + char16_t(0xDCE9));
    EXPECT_EQ(fileNameFromUtf16(u"Grüße 𝄞"), "Grüße 𝄞");
}

} // namespace
