// One file opened through the WMA SDK's information object, for the field
// reader and writer: typed queries, stores and removals, and a save whose
// failure raises TagError with the file and the system's reason.
#pragma once

#include "components/wmaudsdk/WMAudioSdk.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace velmora::wma {

// An attribute's value as the SDK hands it over.
struct SdkValue {
    std::uint32_t type = wmaudsdk::WMT_TYPE_STRING;
    std::string bytes; // a string with its terminating NUL
};

class SdkFile {
public:
    enum class Opened { Yes, NoSdk, NotAsf };

    SdkFile() = default;
    ~SdkFile();
    SdkFile(const SdkFile&) = delete;
    SdkFile& operator=(const SdkFile&) = delete;

    // Opens the file through the bound SDK. Raises the file layer's open
    // error when the system refuses the file.
    Opened open(const std::string& path);

    // The file-level value of name; false when there is none (or it cannot
    // be read). The bytes are written into value, whose memory is reused.
    bool query(const char16_t* name, SdkValue& value) const;
    // The stored type of name, or false when there is none.
    bool typeOf(const char16_t* name, std::uint32_t& type) const;

    // The copies of a name with several values, numbered as the SDK does
    // (copy 0 is query()'s); raises TagError when the SDK cannot count them.
    std::uint32_t count(const char16_t* name) const;
    // Copy index, or false when there is none (or it cannot be read).
    bool queryAt(const char16_t* name, std::uint32_t index, SdkValue& value) const;
    // Copy index's type and at most its first `most` bytes (fewer when it is
    // shorter), without reading the rest.
    bool headAt(const char16_t* name, std::uint32_t index, std::size_t most, SdkValue& value) const;

    // Raise TagError naming the file when the SDK refuses.
    void store(const char16_t* name, std::uint32_t type, std::string_view bytes);
    void remove(const char16_t* name);
    void modifyAt(const char16_t* name, std::uint32_t index, std::uint32_t type,
                  std::string_view bytes);
    void add(const char16_t* name, std::uint32_t type, std::string_view bytes);
    void removeAt(const char16_t* name, std::uint32_t index);
    // The new file beside the original, then in place (raising with the
    // system's reason); release() without commit() leaves the original.
    void prepare();
    void commit();

private:
    [[noreturn]] void fail(const char* what) const;

    wmaudsdk::IWMAudioInfo* info_ = nullptr;
    std::string path_;
};

// Opens a file to change what of it ("attributes", "cover"): raises
// TagError naming the file when the SDK is not available or the file is not
// a WMA file it can write, and the file layer's open error when the system
// refuses the file.
std::unique_ptr<SdkFile> openForWriting(const std::string& path, std::string_view what);

// The value as the user sees it: a text up to its NUL, a number in decimal,
// anything else empty.
std::string shownText(const SdkValue& value);

} // namespace velmora::wma
