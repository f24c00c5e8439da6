#include "tags/ogg/VorbisTags.h"

#include "components/vcedit/vcedit.h"
#include "tags/common/VorbisComments.h"
#include "tags/ogg/EditingState.h"
#include "tags/ogg/OggFiles.h"

namespace velmora::vorbis {

TagValues readTags(const std::string& path) {
    ogg::CommentLibrary library;
    library.require("read the comments of", path);
    return ogg::readValues(library, path);
}

void writeTags(const std::string& path, const TagValues& values, FieldMask changed) {
    if (changed.empty())
        return;
    ogg::CommentLibrary library;
    library.require("write the comments of", path);
    ogg::rewrite(library, path, [&](vcedit_state* state) {
        const auto edited =
            vorbiscomment::applyEdits(ogg::commentViews(*state->vc), values, changed);
        ogg::setComments(state, edited.comments);
    });
}

} // namespace velmora::vorbis
