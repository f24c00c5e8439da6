#include "tags/ogg/OggComments.h"

#include "base/DynamicLibrary.h"
#include "base/Text.h"
#include "components/vcedit/vcedit.h"
#include "tags/common/VorbisComments.h"
#include "tags/ogg/EditingState.h"

#include <algorithm>
#include <cstring>

namespace ogg {

using velmora::Field;

std::string OGGTag::*memberOf(Field field) {
    switch (field) {
    case Field::Title:
        return &OGGTag::Title;
    case Field::Artist:
        return &OGGTag::Artist;
    case Field::Album:
        return &OGGTag::Album;
    case Field::Year:
        return &OGGTag::Date;
    case Field::Genre:
        return &OGGTag::Genre;
    case Field::Comment:
        return &OGGTag::Comment;
    case Field::Track:
        return &OGGTag::TrackNumber;
    }
    return &OGGTag::Title;
}

velmora::TagValues valuesOf(const OGGTag& tag) {
    velmora::TagValues values;
    for (int i = 0; i < velmora::FieldCount; ++i)
        values.values[i] = tag.*memberOf(static_cast<Field>(i));
    return values;
}

void fillTag(OGGTag& tag, const velmora::TagValues& values) {
    for (int i = 0; i < velmora::FieldCount; ++i)
        tag.*memberOf(static_cast<Field>(i)) = values.values[i];
}

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

TStrComments BuildStrComments(const vorbis_comment& comments) {
    TStrComments list;
    const std::vector<std::string_view> views = ogg::commentViews(comments);
    list.reserve(views.size());
    for (std::string_view s : views) {
        TStrComment comment;
        if (auto name = velmora::vorbiscomment::commentName(s)) {
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

void AddOGGComment(const std::string& text, vcedit_state* state) {
    ogg::addRawComment(velmora::toValidUtf8(text), state);
}
