// Reading and rewriting the comments of an Ogg Vorbis file through the comment
// editing library, loaded from the executable's folder at each call.
#include "tags/ogg/Ogg.h"

#include "base/FileLayer.h"
#include "components/vcedit/vcedit.h"
#include "tags/common/VorbisComments.h"
#include "tags/ogg/EditingState.h"
#include "tags/ogg/OggComments.h"
#include "tags/ogg/OggFiles.h"
#include "tags/ogg/OggStream.h"

namespace {

namespace vc = velmora::vorbiscomment;

// Puts the record's fields in place of every comment of a field's names (in
// any case), keeping every other comment byte for byte. The library keeps the
// input's vendor text once the structure has been cleared. Without libvorbis
// the file keeps its old comments.
void replaceComments(vcedit_state* state, vorbis_comment* comments, const OGGTag& tag) {
    if (!comments)
        return;
    std::vector<std::string> kept;
    for (std::string_view text : ogg::commentViews(*comments)) {
        auto name = vc::commentName(text);
        if (!name || !vc::fieldOfName(*name))
            kept.emplace_back(text);
    }

    velmora::DynamicLibrary vorbis(ogg::vorbisLibraryName());
    auto clear = vorbis.symbol<void (*)(vorbis_comment*)>("vorbis_comment_clear");
    if (!clear)
        return;
    clear(comments);
    static constexpr velmora::Field kWriteOrder[] = {velmora::Field::Title,  velmora::Field::Artist,
                                                     velmora::Field::Album,  velmora::Field::Track,
                                                     velmora::Field::Year,   velmora::Field::Genre,
                                                     velmora::Field::Comment};
    for (velmora::Field field : kWriteOrder) {
        const std::string& value = tag.*ogg::memberOf(field);
        if (!value.empty())
            AddOGGComment(std::string(vc::kFieldNames[static_cast<std::size_t>(field)].writtenAs) +
                              "=" + value,
                          state);
    }
    for (const std::string& comment : kept)
        ogg::addRawComment(comment, state);
}

} // namespace

void ReadOGGTag(const std::string& fileName, OGGTag& tag) {
    ogg::CommentLibrary library;
    if (!library.loaded())
        return;
    ogg::fillTag(tag, ogg::readValues(library, fileName));
}

bool WriteOGGTag(const std::string& fileName, OGGTag tag) {
    ogg::CommentLibrary library;
    if (!library.loaded())
        return false;
    ogg::rewrite(library, fileName,
                 [&](vcedit_state* state) { replaceComments(state, state->vc, tag); });
    return true;
}
