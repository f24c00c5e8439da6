// The information object of libwmaudsdk.so, loaded the way the program loads
// it: query outcomes, buffer sizes, when the file is written and what changes.
#include "WmaFixture.h"

#include "tags/wma/WMAudioInfo.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace wmatest;
using namespace wmaudsdk;

namespace {

std::u16string u16(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

struct stat statOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

// An info object on a file, released at the end of the scope.
class Info {
public:
    explicit Info(const std::string& path) {
        const std::u16string name = u16(path);
        result = WMAudioInfo::CreateInfo()(name.c_str(), &info);
    }
    ~Info() {
        if (info)
            info->Release();
    }
    IWMAudioInfo* operator->() const { return info; }
    HRESULT result;
    IWMAudioInfo* info = nullptr;
};

std::string sample() {
    return withHeader(
        toneWma(),
        {contentDescription("Title", "", "", "", ""),
         extendedContent({text("Fits", std::string(127, 'f')),
                          text("TooLong", std::string(128, 't')),
                          dword("Number", 0x01020304),
                          {"Word", 5, le(7, 2)},
                          {"Bool", 2, le(1, 4)}})},
        {metadataLibrary({{"Huge", 0, utf16(std::string(40000, 'h'))}, {"Flag", 2, le(1, 2)}})});
}

class SdkInfo : public ::testing::Test {
protected:
    static void SetUpTestSuite() { WMAudioInfo::Bind(); }
    static void TearDownTestSuite() { WMAudioInfo::Unbind(); }
    void SetUp() override { ASSERT_TRUE(WMAudioInfo::CreateInfo()); }
    std::string place(std::string_view bytes) {
        writeFile(dir.file("x.wma"), bytes);
        return dir.file("x.wma");
    }
    TempDir dir;
};

TEST_F(SdkInfo, QueryOutcomesWithTheReadersBuffer) {
    Info info(place(sample()));
    ASSERT_EQ(info.result, S_OK);
    struct Case {
        const char* name;
        HRESULT result;
        std::uint32_t type;
        std::uint16_t length; // on success the value's size, on too small the size needed
    };
    for (const Case& c :
         {Case{"Title", S_OK, WMT_TYPE_STRING, 12}, Case{"Fits", S_OK, WMT_TYPE_STRING, 256},
          Case{"TooLong", WMA_E_BUFFERTOOSMALL, 0, 258}, Case{"Number", S_OK, WMT_TYPE_DWORD, 4},
          Case{"Word", S_OK, WMT_TYPE_WORD, 2}, Case{"Bool", S_OK, WMT_TYPE_BOOL, 4},
          Case{"Flag", S_OK, WMT_TYPE_BOOL, 4}, // 2 bytes in the library
          Case{"Huge", WMA_E_VALUETOOLARGE, 0, 0}, Case{"Missing", WMA_E_NOTFOUND, 0, 256}}) {
        std::uint8_t buffer[256];
        std::uint32_t type = 0;
        std::uint16_t length = sizeof buffer;
        const std::u16string name = u16(c.name);
        EXPECT_EQ(info->QueryAttribute(name.c_str(), &type, buffer, &length), c.result) << c.name;
        EXPECT_EQ(length, c.length) << c.name;
        if (c.result != S_OK)
            continue;
        EXPECT_EQ(type, c.type) << c.name;
        if (c.type == WMT_TYPE_STRING) {
            EXPECT_EQ(buffer[length - 1] | buffer[length - 2], 0)
                << "terminating NUL of " << c.name;
        }
    }
    std::uint8_t number[4];
    std::uint32_t type = 9;
    std::uint16_t length = 4;
    ASSERT_EQ(info->QueryAttribute(u"Number", &type, number, &length), S_OK);
    EXPECT_EQ(number[0] | number[1] << 8 | number[2] << 16 | number[3] << 24, 0x01020304);
}

TEST_F(SdkInfo, NothingIsWrittenWithoutStoresOrWithoutCloseInfo) {
    const std::string path = place(sample());
    const struct stat before = statOf(path);
    {
        Info info(path);
        std::uint8_t buffer[256];
        std::uint32_t type;
        std::uint16_t length = sizeof buffer;
        info->QueryAttribute(u"Title", &type, buffer, &length);
        EXPECT_EQ(info->CloseInfo(), S_OK);
    }
    {
        Info info(path);
        EXPECT_EQ(info->StoreAttribute(u"Title", WMT_TYPE_STRING,
                                       reinterpret_cast<const std::uint8_t*>("N\0\0\0"), 4),
                  S_OK);
        // Released without CloseInfo: the store is dropped.
    }
    {
        // A store of the value the file already holds changes nothing.
        Info info(path);
        const std::string same = utf16("Title");
        EXPECT_EQ(info->StoreAttribute(u"Title", WMT_TYPE_STRING,
                                       reinterpret_cast<const std::uint8_t*>(same.data()),
                                       static_cast<std::uint16_t>(same.size())),
                  S_OK);
        EXPECT_EQ(info->CloseInfo(), S_OK);
    }
    const struct stat after = statOf(path);
    EXPECT_EQ(readFile(path), sample());
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

TEST_F(SdkInfo, CloseInfoWritesANewHeaderAndCopiesTheRest) {
    const std::string path = place(sample());
    {
        Info info(path);
        const std::string title = utf16("A much longer title than before");
        const std::uint8_t number[4] = {9, 0, 0, 0};
        EXPECT_EQ(info->StoreAttribute(u"Title", WMT_TYPE_STRING,
                                       reinterpret_cast<const std::uint8_t*>(title.data()),
                                       static_cast<std::uint16_t>(title.size())),
                  S_OK);
        EXPECT_EQ(info->StoreAttribute(u"WM/TrackNumber", WMT_TYPE_DWORD, number, 4), S_OK);
        EXPECT_EQ(info->CloseInfo(), S_OK);
        // Closed: no more calls.
        std::uint32_t type;
        std::uint16_t length = 0;
        EXPECT_NE(info->QueryAttribute(u"Title", &type, nullptr, &length), S_OK);
    }
    const std::string after = readFile(path);
    EXPECT_EQ(afterHeader(after), afterHeader(sample()));
    EXPECT_EQ(declaredFileSize(after), after.size());
    const TagLibView view = readWithTagLib(path);
    EXPECT_EQ(view.title, "A much longer title than before");
    EXPECT_EQ(view.track, 9u);
    EXPECT_EQ(view.attributes.at("Huge")[0], std::string(40000, 'h'));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"x.wma"});
}

// Copies by number: the head of a large one without the rest, a change of
// one copy written while the others keep their bytes.
TEST_F(SdkInfo, CopiesOfANameAreQueriedAndChangedByNumber) {
    const std::string large(100000, 'L');
    const std::string path =
        place(withHeader(toneWma(), {extendedContent({{"WM/Picture", 1, "small"}})},
                         {metadataLibrary({{"WM/Picture", 1, large}, {"WM/Picture", 1, "last"}})}));
    {
        Info info(path);
        std::uint32_t count = 0;
        ASSERT_EQ(info->GetAttributeCount(u"WM/Picture", &count), S_OK);
        EXPECT_EQ(count, 3u);
        ASSERT_EQ(info->GetAttributeCount(u"Missing", &count), S_OK);
        EXPECT_EQ(count, 0u);

        std::uint8_t head[4] = {};
        std::uint32_t type = 0, length = sizeof head;
        EXPECT_EQ(info->QueryAttributeAt(u"WM/Picture", 1, &type, head, &length),
                  WMA_E_BUFFERTOOSMALL);
        EXPECT_EQ(length, large.size());
        EXPECT_EQ(type, WMT_TYPE_BINARY);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(head), 4), "LLLL");
        length = sizeof head;
        EXPECT_EQ(info->QueryAttributeAt(u"WM/Picture", 2, &type, head, &length), S_OK);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(head), length), "last");
        length = sizeof head;
        EXPECT_EQ(info->QueryAttributeAt(u"WM/Picture", 3, &type, head, &length), WMA_E_NOTFOUND);

        const auto* bytes = reinterpret_cast<const std::uint8_t*>("new");
        EXPECT_EQ(info->ModifyAttributeAt(u"WM/Picture", 3, WMT_TYPE_BINARY, bytes, 3),
                  WMA_E_NOTFOUND);
        EXPECT_EQ(info->DeleteAttributeAt(u"WM/Picture", 3), WMA_E_NOTFOUND);
        EXPECT_EQ(info->ModifyAttributeAt(u"WM/Picture", 0, WMT_TYPE_BINARY, bytes, 3), S_OK);
        length = sizeof head; // a query sees the change before it is written
        EXPECT_EQ(info->QueryAttributeAt(u"WM/Picture", 0, &type, head, &length), S_OK);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(head), length), "new");
        EXPECT_EQ(info->DeleteAttributeAt(u"WM/Picture", 2), S_OK);
        EXPECT_EQ(info->AddAttribute(u"WM/Picture", WMT_TYPE_BINARY, bytes, 2), S_OK);
        EXPECT_EQ(info->AddAttribute(u"WM/Picture", 77, bytes, 2), E_INVALIDARG);
        EXPECT_EQ(info->CloseInfo(), S_OK);
    }
    EXPECT_EQ(afterHeader(readFile(path)), afterHeader(toneWma()));
    Info info(path);
    std::string copies;
    for (std::uint32_t i = 0; i < 3; ++i) {
        std::string value(200000, '\0');
        std::uint32_t type = 0, length = static_cast<std::uint32_t>(value.size());
        ASSERT_EQ(info->QueryAttributeAt(u"WM/Picture", i, &type,
                                         reinterpret_cast<std::uint8_t*>(value.data()), &length),
                  S_OK);
        value.resize(length);
        copies += (value == large ? "large" : value) + " ";
    }
    EXPECT_EQ(copies, "new large ne ");
}

TEST_F(SdkInfo, BadArgumentsAndFilesAreRefused) {
    IWMAudioInfo* info = reinterpret_cast<IWMAudioInfo*>(this);
    const auto create = WMAudioInfo::CreateInfo();
    for (const std::string& bytes :
         {std::string(), std::string("not an asf file at all"),
          object("D6E229D1-35DA-11D1-9034-00A0C90349BE", std::string(40, '\0')),
          toneWma().substr(0, 200)}) {
        const std::string path = place(bytes);
        const std::u16string name = u16(path);
        EXPECT_NE(create(name.c_str(), &info), S_OK);
        EXPECT_EQ(info, nullptr);
    }
    EXPECT_NE(create(u"/nonexistent/file.wma", &info), S_OK);
    EXPECT_NE(create(u16(dir.path()).c_str(), &info), S_OK);
    EXPECT_EQ(create(nullptr, &info), E_POINTER);

    Info open(place(sample()));
    ASSERT_EQ(open.result, S_OK);
    std::uint32_t type;
    std::uint16_t length = 4;
    const std::uint8_t value[4] = {};
    EXPECT_EQ(open->QueryAttribute(nullptr, &type, nullptr, &length), E_POINTER);
    EXPECT_EQ(open->QueryAttribute(u"Title", nullptr, nullptr, &length), E_POINTER);
    EXPECT_EQ(open->StoreAttribute(u"X", 77, value, 4), E_INVALIDARG);
    EXPECT_EQ(open->StoreAttribute(u"X", WMT_TYPE_DWORD, value, 3), E_INVALIDARG);
    EXPECT_EQ(open->StoreAttribute(u"X", WMT_TYPE_DWORD, nullptr, 4), E_POINTER);
}

} // namespace
