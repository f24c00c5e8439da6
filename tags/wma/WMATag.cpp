#include "tags/wma/WMATag.h"

#include "base/Text.h"
#include "components/wmaudsdk/FileName.h"
#include "tags/wma/WMAHeaderWalk.h"
#include "tags/wma/WMAudioInfo.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace {

using wmaudsdk::IWMAudioInfo;

// The size of the buffer the reader offers first.
constexpr std::uint16_t QueryBufferSize = 256;
// A value larger than this is not asked for again (the SDK holds no larger header).
constexpr std::uint32_t MaxValueSize = 256u << 20;

// An info object opened on a file, closed and released on every way out.
class OpenInfo {
public:
    explicit OpenInfo(const std::string& fileName) {
        auto create = WMAudioInfo::CreateInfo();
        if (!create)
            return;
        const std::u16string name = wmaudsdk::fileNameToUtf16(fileName);
        IWMAudioInfo* info = nullptr;
        if (create(name.c_str(), &info) == wmaudsdk::S_OK)
            info_ = info;
    }
    ~OpenInfo() {
        if (info_)
            info_->Release();
    }
    OpenInfo(const OpenInfo&) = delete;
    OpenInfo& operator=(const OpenInfo&) = delete;

    IWMAudioInfo* get() const { return info_; }
    explicit operator bool() const { return info_ != nullptr; }

private:
    IWMAudioInfo* info_ = nullptr;
};

// The attribute as text: a string value up to its NUL, converted to UTF-8;
// empty for any other outcome. A value too large for the first buffer is
// asked for again with the size the SDK reports, so no text is cut.
std::string queryText(IWMAudioInfo* info, const char16_t* name) {
    std::array<std::uint8_t, QueryBufferSize> buffer{};
    std::uint32_t type = 0;
    std::uint16_t length = QueryBufferSize;
    wmaudsdk::HRESULT result = info->QueryAttribute(name, &type, buffer.data(), &length);
    // The count comes back from the SDK: never look past the buffer offered.
    std::string_view value(reinterpret_cast<const char*>(buffer.data()),
                           std::min<std::size_t>(length, buffer.size()));
    std::vector<std::uint8_t> large;
    if (result == wmaudsdk::WMA_E_BUFFERTOOSMALL || result == wmaudsdk::WMA_E_VALUETOOLARGE) {
        std::uint32_t needed = 0;
        result = info->QueryAttributeEx(name, &type, nullptr, &needed);
        if (result != wmaudsdk::WMA_E_BUFFERTOOSMALL || needed > MaxValueSize)
            return {};
        large.resize(needed);
        result = info->QueryAttributeEx(name, &type, large.data(), &needed);
        value = std::string_view(reinterpret_cast<const char*>(large.data()),
                                 std::min<std::size_t>(needed, large.size()));
    }
    if (result != wmaudsdk::S_OK || type != wmaudsdk::WMT_TYPE_STRING)
        return {};
    for (std::size_t i = 0; i + 1 < value.size(); i += 2)
        if (value[i] == 0 && value[i + 1] == 0) {
            value = value.substr(0, i);
            break;
        }
    return velmora::utf16BytesToUtf8(value, false);
}

// The attribute as a 32-bit number; 0 unless it is one.
std::uint32_t queryNumber(IWMAudioInfo* info, const char16_t* name) {
    std::array<std::uint8_t, QueryBufferSize> buffer{};
    std::uint32_t type = 0;
    std::uint16_t length = QueryBufferSize;
    if (info->QueryAttribute(name, &type, buffer.data(), &length) != wmaudsdk::S_OK ||
        type != wmaudsdk::WMT_TYPE_DWORD)
        return 0;
    return buffer[0] | (buffer[1] << 8u) | (buffer[2] << 16u) |
           (static_cast<std::uint32_t>(buffer[3]) << 24u);
}

// Stores text as a NUL-terminated UTF-16 string (an empty text as just the NUL).
void storeText(IWMAudioInfo* info, const char16_t* name, const std::string& text) {
    std::string bytes = velmora::utf8ToUtf16LeBytes(text);
    bytes.append(2, '\0');
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (bytes.size() <= 0xFFFF)
        info->StoreAttribute(name, wmaudsdk::WMT_TYPE_STRING, data,
                             static_cast<std::uint16_t>(bytes.size()));
    else if (bytes.size() <= MaxValueSize)
        info->StoreAttributeEx(name, wmaudsdk::WMT_TYPE_STRING, data,
                               static_cast<std::uint32_t>(bytes.size()));
}

// The record's track number goes into "WM/TrackNumber". A track of 0 (the
// file had no usable number) is not written, so a number the reader could not
// use (a string, or 0 in its low 16 bits) stays as it is; a number whose low
// 16 bits already match stays too.
void storeTrack(IWMAudioInfo* info, std::uint16_t track) {
    if (track == 0 || (queryNumber(info, WMAudioInfo::g_wszWMATrackNumber) & 0xFFFFu) == track)
        return;
    const std::uint32_t value = track;
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value),
                                   static_cast<std::uint8_t>(value >> 8), 0, 0};
    info->StoreAttribute(WMAudioInfo::g_wszWMATrackNumber, wmaudsdk::WMT_TYPE_DWORD, bytes, 4);
}

} // namespace

WMATagRec ReadWMATag(const std::string& fileName) {
    using namespace WMAudioInfo;
    WMATagRec tag;
    try {
        OpenInfo info(fileName);
        if (info) {
            IWMAudioInfo* sdk = info.get();
            tag.Found = true;
            tag.Title = queryText(sdk, g_wszWMATitle);
            tag.Artist = queryText(sdk, g_wszWMAAuthor);
            tag.Album = queryText(sdk, g_wszWMAAlbumTitle);
            tag.Year = queryText(sdk, g_wszWMAYear);
            tag.Track = static_cast<std::uint16_t>(queryNumber(sdk, g_wszWMATrackNumber));
            if (tag.Track == 0)
                tag.Track = static_cast<std::uint16_t>(queryNumber(sdk, g_wszWMATrack));
            tag.Comment = queryText(sdk, g_wszWMADescription);
            tag.Genre = queryText(sdk, g_wszWMAGenre);
            sdk->CloseInfo();
        }
        if (!tag.Found)
            WalkWMAHeaderFile(fileName, tag);
    } catch (...) {
        // The reader never raises: what was read so far stays.
    }
    return tag;
}

bool WriteWMATag(const std::string& fileName, WMATagRec tag) {
    using namespace WMAudioInfo;
    try {
        OpenInfo info(fileName);
        if (!info)
            return false;
        IWMAudioInfo* sdk = info.get();
        storeText(sdk, g_wszWMAAuthor, tag.Artist);
        storeText(sdk, g_wszWMATitle, tag.Title);
        storeText(sdk, g_wszWMAAlbumTitle, tag.Album);
        storeText(sdk, g_wszWMAYear, tag.Year);
        storeText(sdk, g_wszWMADescription, tag.Comment);
        storeText(sdk, g_wszWMAGenre, tag.Genre);
        storeTrack(sdk, tag.Track);
        // The save happens here: its failure is the writer's.
        return sdk->CloseInfo() == wmaudsdk::S_OK;
    } catch (...) {
        return false;
    }
}

bool WMAudioAvailable() {
    return WMAudioInfo::CreateInfo() != nullptr;
}
