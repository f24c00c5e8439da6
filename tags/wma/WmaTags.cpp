#include "tags/wma/WmaTags.h"

#include "base/GroupCommitScope.h"
#include "base/Text.h"
#include "tags/wma/WMAHeaderWalk.h"
#include "tags/wma/WMAudioInfo.h"
#include "tags/wma/WmaSdkFile.h"

#include <charconv>
#include <memory>
#include <optional>

namespace velmora::wma {

namespace {

using namespace WMAudioInfo;
using wmaudsdk::WMT_TYPE_DWORD;
using wmaudsdk::WMT_TYPE_QWORD;
using wmaudsdk::WMT_TYPE_STRING;
using wmaudsdk::WMT_TYPE_WORD;

// The attribute each text field lives in.
constexpr std::pair<Field, const char16_t*> TextAttributes[] = {
    {Field::Title, g_wszWMATitle},      {Field::Artist, g_wszWMAAuthor},
    {Field::Album, g_wszWMAAlbumTitle}, {Field::Year, g_wszWMAYear},
    {Field::Genre, g_wszWMAGenre},      {Field::Comment, g_wszWMADescription},
};

// The number at the start of text ("4" of "4/12"); nullopt when there is none.
std::optional<std::uint64_t> leadingNumber(std::string_view text) {
    std::uint64_t n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    return n;
}

bool isWholeNumber(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string numberBytes(std::uint64_t n, int width) {
    std::string out;
    for (int i = 0; i < width; ++i)
        out += static_cast<char>((n >> (8 * i)) & 0xFF);
    return out;
}

int widthOf(std::uint32_t type) {
    switch (type) {
    case WMT_TYPE_WORD:
        return 2;
    case WMT_TYPE_DWORD:
        return 4;
    case WMT_TYPE_QWORD:
        return 8;
    default:
        return 0;
    }
}

std::string stringBytes(std::string_view text) {
    std::string bytes = utf8ToUtf16LeBytes(text);
    bytes.append(2, '\0');
    return bytes;
}

// Stores text in name with the given number type when number fits it,
// otherwise as a string.
void storeTyped(SdkFile& file, const char16_t* name, std::uint32_t type,
                std::optional<std::uint64_t> number, std::string_view text) {
    const int width = widthOf(type);
    if (width > 0 && number && (width == 8 || *number < (std::uint64_t{1} << (8 * width))))
        file.store(name, type, numberBytes(*number, width));
    else
        file.store(name, WMT_TYPE_STRING, stringBytes(text));
}

// A text field: an emptied one is removed; one the file already shows is
// left as stored; a number stored as a number stays one when the new text
// is a number too.
void writeText(SdkFile& file, const char16_t* name, const std::string& text) {
    if (text.empty())
        return file.remove(name);
    SdkValue value;
    if (file.query(name, value) && shownText(value) == text)
        return; // the file already shows this text: nothing to change
    std::uint32_t type = WMT_TYPE_STRING;
    file.typeOf(name, type);
    storeTyped(file, name, type, isWholeNumber(text) ? leadingNumber(text) : std::nullopt, text);
}

// The track as shown: WM/TrackNumber, else WM/Track, where it holds anything
// but 0.
void readTrack(const SdkFile& file, SdkValue& value, std::string& shown) {
    for (const char16_t* name : {g_wszWMATrackNumber, g_wszWMATrack}) {
        if (!file.query(name, value))
            continue;
        shown = shownText(value);
        if (!shown.empty() && shown != "0")
            return;
    }
    shown.clear();
}

// The track goes into WM/TrackNumber in the type stored there (a new one is
// a number when the text is just a number), and WM/Track, where the file has
// it, follows with the same number.
void writeTrack(SdkFile& file, const std::string& text) {
    if (text.empty()) {
        file.remove(g_wszWMATrackNumber);
        file.remove(g_wszWMATrack);
        return;
    }
    SdkValue value;
    std::string shown;
    readTrack(file, value, shown);
    if (shown == text)
        return;
    const std::optional<std::uint64_t> number = leadingNumber(text);
    std::uint32_t type = 0;
    if (!file.typeOf(g_wszWMATrackNumber, type))
        type = isWholeNumber(text) ? WMT_TYPE_DWORD : WMT_TYPE_STRING;
    storeTyped(file, g_wszWMATrackNumber, type, number, text);
    std::uint32_t trackType = 0;
    if (!file.typeOf(g_wszWMATrack, trackType))
        return;
    if (widthOf(trackType) > 0 && !number)
        file.remove(g_wszWMATrack); // no number to keep it consistent with
    else
        storeTyped(file, g_wszWMATrack, trackType, number, text);
}

TagValues fromHeaderWalk(const std::string& path) {
    InputFile in(path); // raises the open error
    WMATagRec rec;
    WalkWMAHeader([&](std::uint64_t offset, void* buffer,
                      std::size_t n) { return in.readAt(offset, buffer, n); },
                  rec);
    TagValues v;
    v[Field::Title] = rec.Title;
    v[Field::Artist] = rec.Artist;
    v[Field::Album] = rec.Album;
    v[Field::Year] = rec.Year;
    v[Field::Comment] = rec.Comment;
    if (rec.Track != 0)
        v[Field::Track] = std::to_string(rec.Track);
    return v;
}

} // namespace

TagValues readTags(const std::string& path) {
    SdkFile file;
    if (file.open(path) != SdkFile::Opened::Yes)
        return fromHeaderWalk(path);
    TagValues v;
    SdkValue value; // its memory serves every query
    for (const auto& [field, name] : TextAttributes)
        v[field] = file.query(name, value) ? shownText(value) : std::string();
    readTrack(file, value, v[Field::Track]);
    return v;
}

PreparedWrite prepareWrite(const std::string& path, const TagValues& values, FieldMask changed) {
    if (changed.empty())
        return {};
    auto file = openForWriting(path, "attributes");
    for (const auto& [field, name] : TextAttributes)
        if (changed.has(field))
            writeText(*file, name, values[field]);
    if (changed.has(Field::Track))
        writeTrack(*file, values[Field::Track]);
    file->prepare();
    return PreparedWrite(std::move(file));
}

void writeTags(const std::string& path, const TagValues& values, FieldMask changed) {
    commitOrHandOver(path, prepareWrite(path, values, changed));
}

void commitOrHandOver(const std::string& path, PreparedWrite prepared) {
    // The SDK has a file layer of its own: under a group its commit is
    // handed to the group, and runs when the group commits.
    if (GroupCommitScope* group = GroupCommitScope::active()) {
        auto held = std::make_shared<PreparedWrite>(std::move(prepared));
        group->adoptCommit(path, [held] { held->commit(); });
        return;
    }
    prepared.commit();
}

PreparedWrite::PreparedWrite() = default;
PreparedWrite::PreparedWrite(std::unique_ptr<SdkFile> file) : file_(std::move(file)) {}
PreparedWrite::PreparedWrite(PreparedWrite&&) noexcept = default;
PreparedWrite& PreparedWrite::operator=(PreparedWrite&&) noexcept = default;
PreparedWrite::~PreparedWrite() = default;

void PreparedWrite::commit() {
    if (auto file = std::move(file_))
        file->commit();
}

} // namespace velmora::wma
