// The shared Vorbis comment list parser on arbitrary bytes: a list that parses
// renders back to the same bytes, and an edit of it renders to a list that
// parses again and shows the edited values.
#include "tags/common/VorbisComments.h"

#include <cstdint>
#include <string>
#include <string_view>

using namespace velmora;
using namespace velmora::vorbiscomment;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses which fields an edit changes.
    const std::uint8_t choice = data[0];
    const std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);
    CommentList list;
    std::size_t used = 0;
    if (!parseComments(body, list, used))
        return 0;
    std::string rendered;
    appendComments(rendered, list.vendor, list.comments);
    if (rendered != body.substr(0, used))
        __builtin_trap();

    const TagValues shown = valuesFromComments(list.comments);
    TagValues values = shown;
    FieldMask changed;
    for (int f = 0; f < FieldCount; ++f) {
        if (!(choice >> f & 1))
            continue;
        changed.set(static_cast<Field>(f));
        values.values[f] = choice & 0x80 ? "" : "edited " + std::to_string(f);
    }
    const EditedComments edited = applyEdits(list.comments, values, changed);
    std::string again;
    appendComments(again, list.vendor, edited.comments);
    CommentList reparsed;
    if (!parseComments(again, reparsed, used) || used != again.size())
        __builtin_trap();
    const TagValues after = valuesFromComments(reparsed.comments);
    for (int f = 0; f < FieldCount; ++f)
        if (after.values[f] != (changed.has(static_cast<Field>(f)) ? values : shown).values[f])
            __builtin_trap();
    return 0;
}
