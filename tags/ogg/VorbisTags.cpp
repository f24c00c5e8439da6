#include "tags/ogg/VorbisTags.h"

#include "components/vcedit/vcedit.h"
#include "tags/common/CoverComments.h"
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

std::optional<Picture> readFrontCover(const std::string& path) {
    ogg::CommentLibrary library;
    library.require("read the comments of", path);
    return ogg::readFrontCover(library, path);
}

void writeFrontCover(const std::string& path, const Picture* cover) {
    ogg::CommentLibrary library;
    library.require("write the comments of", path);
    if (!cover) { // a file without a front cover stays as it is
        const std::optional<Picture> shown = ogg::readFrontCover(library, path);
        if (!shown || shown->type != kFrontCover)
            return;
    }
    ogg::rewrite(library, path, [&](vcedit_state* state) {
        const auto edited = vorbiscomment::withFrontCover(ogg::commentViews(*state->vc), cover);
        ogg::setComments(state, edited.comments);
    });
}

} // namespace velmora::vorbis
