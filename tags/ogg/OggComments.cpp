#include "tags/ogg/OggComments.h"

#include "components/vcedit/vcedit.h"
#include "base/DynamicLibrary.h"
#include "base/Text.h"

#include <algorithm>
#include <cstring>

namespace ogg {

const std::array<ModelledKey, 7> kKeyTable = {{
    {"album", "Album=", &OGGTag::Album},
    {"title", "Title=", &OGGTag::Title},
    {"artist", "Artist=", &OGGTag::Artist},
    {"comment", "Comment=", &OGGTag::Comment},
    {"genre", "Genre=", &OGGTag::Genre},
    {"date", "Date=", &OGGTag::Date},
    {"tracknumber", "TrackNumber=", &OGGTag::TrackNumber},
}};

// Title, Artist, Album, TrackNumber, Date, Genre, Comment.
const std::array<int, 7> kWriteOrder = {1, 2, 0, 6, 5, 4, 3};

std::optional<std::string_view> commentName(std::string_view comment) {
    auto equals = comment.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    for (std::size_t i = 0; i < equals; ++i) {
        auto c = static_cast<unsigned char>(comment[i]);
        if (c < 0x20 || c > 0x7D)
            return std::nullopt;
    }
    return comment.substr(0, equals);
}

int modelledKeyIndex(std::string_view name) {
    std::string lowered(name);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    for (std::size_t i = 0; i < kKeyTable.size(); ++i)
        if (lowered == kKeyTable[i].key)
            return static_cast<int>(i);
    return -1;
}

} // namespace ogg

TStrComments BuildStrComments(const vorbis_comment& comments) {
    TStrComments list;
    if (comments.comments <= 0 || !comments.user_comments || !comments.comment_lengths)
        return list;
    list.reserve(static_cast<std::size_t>(std::min(comments.comments, 1024)));
    for (int i = 0; i < comments.comments; ++i) {
        const char* text = comments.user_comments[i];
        const int length = comments.comment_lengths[i];
        std::string_view s = text && length > 0
                                 ? std::string_view(text, static_cast<std::size_t>(length))
                                 : std::string_view();
        TStrComment comment;
        if (auto name = ogg::commentName(s)) {
            comment.Name = std::string(*name);
            comment.Value = velmora::toValidUtf8(s.substr(name->size() + 1));
        } else {
            comment.Value = velmora::toValidUtf8(s);
        }
        comment.Text = comment.Name.empty() ? comment.Value : comment.Name + "=" + comment.Value;
        list.push_back(std::move(comment));
    }
    return list;
}

namespace ogg {

// vorbis_comment_add takes a NUL-terminated text, so a comment holding a NUL
// byte is added as a placeholder of the same length whose bytes are then replaced.
void addRawComment(std::string_view bytes, vcedit_state* state) {
    if (!state || !state->vc)
        return;
    velmora::DynamicLibrary vorbis(vorbisLibraryName());
    using AddFunction = void (*)(vorbis_comment*, const char*);
    auto add = vorbis.symbol<AddFunction>("vorbis_comment_add");
    if (!add)
        return;
    const bool hasNul = bytes.find('\0') != std::string_view::npos;
    const std::string text = hasNul ? std::string(bytes.size(), '?') : std::string(bytes);
    add(state->vc, text.c_str());
    if (hasNul && state->vc->comments > 0)
        std::memcpy(state->vc->user_comments[state->vc->comments - 1], bytes.data(), bytes.size());
}

} // namespace ogg

void AddOGGComment(const std::string& text, vcedit_state* state) {
    ogg::addRawComment(velmora::toValidUtf8(text), state);
}
