// Feeds arbitrary bytes, in memory, through the Ogg unit's read callback into
// the comment editing library, builds the comment list, then rewrites the
// stream with other comments (the larger ones force the pages to be renumbered).
// When the first byte is odd, every page found gets a correct checksum first,
// so that the rewrite (which refuses damaged header pages) is reached often.
#include "base/OggPage.h"
#include "tags/ogg/Ogg.h"
#include "tags/ogg/OggStream.h"
#include "vcedit.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

void sealEveryPage(std::string& bytes) {
    auto* data = reinterpret_cast<unsigned char*>(bytes.data());
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t needed = 0;
        std::size_t size = 0;
        if (velmora::scanPage(data + at, bytes.size() - at, needed, size) ==
            velmora::PageScan::Page) {
            velmora::sealPage(data + at, size);
            at += size;
        } else {
            ++at;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!bytes.empty() && (bytes[0] & 1))
        sealEveryPage(bytes);
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
