// Feeds arbitrary bytes, in memory, through the Ogg unit's read callback into
// the comment editing library, builds the comment list, then rewrites the
// stream with other comments (the larger ones force the pages to be renumbered).
// The same bytes are also read for their comments only, which must give the
// comments a full open gives (those asked for). When the first byte is odd,
// every page found gets a correct checksum first,
// so that the rewrite (which refuses damaged header pages) is reached often.
#include "base/OggPage.h"
#include "fuzz/common/FuzzHarness.h"
#include "tags/ogg/Ogg.h"
#include "tags/ogg/OggStream.h"
#include "vcedit.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Whether every page found belongs to one stream. A read that passes over
// pages of one size in one step trusts that no other stream's pages lie in
// between, so only then must it agree with a full open.
bool oneStream(const std::string& bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    bool seen = false;
    std::uint32_t serial = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t needed = 0;
        std::size_t size = 0;
        if (velmora::scanPage(data + at, bytes.size() - at, needed, size) !=
            velmora::PageScan::Page) {
            ++at;
            continue;
        }
        if (seen && velmora::pageSerial(data + at) != serial)
            return false;
        seen = true;
        serial = velmora::pageSerial(data + at);
        at += size;
    }
    return true;
}

// Takes comments whose first byte is odd, so that both taking and passing over
// are reached.
int oddComments(const char* head, std::size_t size, void*) {
    return size > 0 && (head[0] & 1);
}

std::vector<std::string> commentsOf(const vcedit_state* state) {
    std::vector<std::string> out;
    for (int i = 0; i < state->vc->comments; ++i)
        out.emplace_back(state->vc->user_comments[i],
                         static_cast<std::size_t>(state->vc->comment_lengths[i]));
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!bytes.empty() && (bytes[0] & 1))
        velmora::fuzz::sealEveryPage(bytes);

    // Reading only some comments, passing over the rest (with a seek callback
    // or without one).
    vcedit_state* reading = vcedit_new_state();
    OggMemoryInput readInput(bytes);
    const bool read = reading && vcedit_open_read(reading, &readInput, OggReadFunc,
                                                  size % 3 == 0 ? nullptr : OggSeekFunc,
                                                  oddComments, nullptr) == 0;

    vcedit_state* state = vcedit_new_state();
    OggMemoryInput input(bytes);
    if (state && vcedit_open_callbacks(state, &input, OggReadFunc, OggWriteFunc) == 0) {
        if (read && oneStream(bytes)) { // both parse the same comment header
            std::vector<std::string> wanted;
            for (const std::string& c : commentsOf(state))
                if (oddComments(c.data(), c.size(), nullptr))
                    wanted.push_back(c);
            if (wanted != commentsOf(reading))
                __builtin_trap();
        }
        TStrComments comments = BuildStrComments(*vcedit_comments(state));
        vorbis_comment_clear(state->vc);
        vorbis_comment_add(state->vc, "TITLE=fuzz");
        if (size % 2 == 1)
            vorbis_comment_add(state->vc, std::string(70000, 'x').c_str());
        OggMemoryOutput output;
        vcedit_write(state, &output);
    }
    vcedit_clear(state);
    vcedit_clear(reading);
    return 0;
}
