#include "tests/common/DamageChecks.h"

#include "base/FileLayer.h"

#include <gtest/gtest.h>

namespace velmora::test {

std::string le32(std::uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>(v >> (8 * i));
    return s;
}

std::string tryRead(ReadTagsFunction read, const std::string& path, TagValues* values) {
    try {
        TagValues v = read(path);
        if (values)
            *values = v;
        return "";
    } catch (const TagError& e) {
        return e.what();
    }
}

std::string tryWrite(WriteTagsFunction write, const std::string& path) {
    TagValues values;
    values[Field::Title] = "Written";
    try {
        write(path, values, FieldMask().set(Field::Title));
        return "";
    } catch (const TagError& e) {
        return e.what();
    }
}

void expectLeftAlone(const TempDir& dir, const std::string& path, const std::string& bytes) {
    EXPECT_EQ(readFile(path), bytes);
    const std::string name = path.substr(path.rfind('/') + 1);
    EXPECT_EQ(dir.names(), std::vector<std::string>{name});
}

void expectEveryCutReadOrRefused(const std::string& path, const std::string& whole,
                                 ReadTagsFunction read, WriteTagsFunction write,
                                 const std::function<bool(std::size_t)>& writeAt) {
    for (std::size_t length = 0; length < whole.size(); ++length) {
        const std::string cut = whole.substr(0, length);
        writeFile(path, cut);
        const std::string readError = tryRead(read, path);
        if (writeAt && !writeAt(length))
            continue;
        if (!tryWrite(write, path).empty()) {
            ASSERT_EQ(readFile(path), cut) << length;
        } else {
            ASSERT_EQ(readError, "") << length;
            ASSERT_EQ(read(path)[Field::Title], "Written") << length;
        }
    }
}

} // namespace velmora::test
