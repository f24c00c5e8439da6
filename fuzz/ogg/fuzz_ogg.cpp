// Feeds arbitrary bytes, in memory, through the Ogg unit's read callback into
// the comment editing library, builds the comment list, then rewrites the
// stream with other comments (the larger ones force the pages to be renumbered).
#include "tags/ogg/Ogg.h"
#include "tags/ogg/OggStream.h"
#include "vcedit.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vcedit_state* state = vcedit_new_state();
    OggMemoryInput input(bytes);
    if (state && vcedit_open_callbacks(state, &input, OggReadFunc, OggWriteFunc) == 0) {
        TStrComments comments = BuildStrComments(*vcedit_comments(state));
        vorbis_comment_clear(state->vc);
        vorbis_comment_add(state->vc, "TITLE=fuzz");
        if (size % 2 == 1)
            vorbis_comment_add(state->vc, std::string(70000, 'x').c_str());
        OggMemoryOutput output;
        vcedit_write(state, &output);
    }
    vcedit_clear(state);
    return 0;
}
