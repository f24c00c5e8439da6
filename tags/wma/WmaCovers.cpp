// The WMA unit's front cover: WM/Picture copies found by the type in their
// first byte, so only the chosen picture is read whole.
#include "tags/wma/WmaTags.h"

#include "base/FileLayer.h"
#include "base/Text.h"
#include "tags/wma/WMAudioInfo.h"
#include "tags/wma/WmPicture.h"
#include "tags/wma/WmaSdkFile.h"

#include <vector>

namespace velmora::wma {

namespace {

using WMAudioInfo::g_wszWMAPicture;
using wmaudsdk::WMT_TYPE_BINARY;

// The type of each picture copy, in the SDK's numbering; a copy that is not
// a picture (not binary, or empty) has none.
std::vector<std::optional<std::uint8_t>> pictureTypes(const SdkFile& file) {
    const std::uint32_t copies = file.count(g_wszWMAPicture);
    std::vector<std::optional<std::uint8_t>> types(copies);
    SdkValue head;
    for (std::uint32_t i = 0; i < copies; ++i)
        if (file.headAt(g_wszWMAPicture, i, 1, head) && head.type == WMT_TYPE_BINARY)
            types[i] = wmpicture::typeOf(head.bytes);
    return types;
}

} // namespace

std::optional<Picture> readFrontCover(const std::string& path) {
    SdkFile file;
    switch (file.open(path)) {
    case SdkFile::Opened::Yes:
        break;
    case SdkFile::Opened::NoSdk:
        throw TagError("Cannot read the cover of \"" + expandPath(path) + "\": the WMA library " +
                       WMAudioInfo::LibraryName + " is not available.");
    case SdkFile::Opened::NotAsf:
        throw TagError("Cannot read the cover of \"" + expandPath(path) +
                       "\": it is not a WMA file that can be read.");
    }
    const auto types = pictureTypes(file);
    std::optional<std::uint32_t> chosen;
    for (std::uint32_t i = 0; i < types.size(); ++i) {
        if (!types[i])
            continue;
        if (*types[i] == kFrontCover) {
            chosen = i;
            break;
        }
        if (!chosen)
            chosen = i;
    }
    if (!chosen)
        return std::nullopt;
    SdkValue value;
    std::optional<Picture> picture;
    if (file.queryAt(g_wszWMAPicture, *chosen, value))
        picture = wmpicture::parse(std::move(value.bytes));
    if (!picture)
        throw TagError("Cannot read the cover of \"" + expandPath(path) +
                       "\": its WM/Picture attribute is damaged.");
    return picture;
}

PreparedWrite prepareCoverWrite(const std::string& path, const Picture* cover) {
    auto file = openForWriting(path, "cover");
    const auto types = pictureTypes(*file);
    std::vector<std::uint32_t> fronts;
    for (std::uint32_t i = 0; i < types.size(); ++i)
        if (types[i] == kFrontCover)
            fronts.push_back(i);
    if (!cover && fronts.empty())
        return {}; // a file without a front cover stays as it is
    // From the last so that the numbers of the ones before stay; the first
    // front cover takes the new one in its place.
    const std::size_t kept = cover ? 1 : 0;
    for (std::size_t i = fronts.size(); i-- > kept;)
        file->removeAt(g_wszWMAPicture, fronts[i]);
    if (cover) {
        const std::string value = wmpicture::render(*cover);
        if (fronts.empty())
            file->add(g_wszWMAPicture, WMT_TYPE_BINARY, value);
        else
            file->modifyAt(g_wszWMAPicture, fronts.front(), WMT_TYPE_BINARY, value);
    }
    file->prepare();
    return PreparedWrite(std::move(file));
}

void writeFrontCover(const std::string& path, const Picture* cover) {
    commitOrHandOver(path, prepareCoverWrite(path, cover));
}

} // namespace velmora::wma
