// Feeds arbitrary bytes, in memory, to the MP4 unit: finds the tag, decodes
// the shown items, plans an edit of the fields the first byte picks (its top
// bit removes them instead), builds the
// edited file from the plan and reads it back. Every range a plan copies must
// lie inside the input, and the edited file must show the new values.
#include "tags/mp4/Mp4Edit.h"
#include "tags/mp4/Mp4Items.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace velmora;
using namespace velmora::mp4;

std::string assemble(const std::string& input, const Pieces& pieces) {
    std::string out;
    for (const Piece& p : pieces) {
        if (!p.fromFile) {
            out += p.bytes;
            continue;
        }
        if (p.offset > input.size() || p.length > input.size() - p.offset)
            std::abort(); // a plan never copies bytes the file does not have
        out.append(input, p.offset, p.length);
    }
    return out;
}

std::string edited(const std::string& input, const EditPlan& plan) {
    if (!plan.inPlace)
        return assemble(input, plan.file);
    std::string out = input;
    std::vector<std::string> bytes;
    for (const Patch& patch : plan.patches)
        bytes.push_back(assemble(input, patch.pieces));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (plan.patches[i].offset + bytes[i].size() > out.size())
            std::abort(); // an in-place edit never grows the file
        out.replace(plan.patches[i].offset, bytes[i].size(), bytes[i]);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t pick = data[0];
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const MemorySource src(input);
    try {
        const TagLayout layout = locateTag(src, Scan::ForRead);
        decodeItems(src, layout.items);
    } catch (const ParseError&) {
    }

    TagValues values;
    FieldMask changed;
    const char* texts[] = {"Fuzzed title", "", "An artist", "1999", "Jazz", "a\r\nb", "7/9"};
    for (int i = 0; i < FieldCount; ++i) {
        if (pick & (1u << i)) {
            changed.set(static_cast<Field>(i));
            values.values[i] = (pick & 0x80) ? "" : texts[i]; // the top bit removes
        }
    }
    if (changed.empty())
        return 0;
    try {
        const TagLayout layout = locateTag(src, Scan::ForWrite);
        const EditPlan plan = planEdit(src, layout, values, changed);
        const std::string out = edited(input, plan);
        const MemorySource result(out);
        const TagLayout after = locateTag(result, Scan::ForRead);
        const TagValues shown = decodeItems(result, after.items);
        for (int i = 0; i < FieldCount; ++i)
            if (changed.has(static_cast<Field>(i)) && shown.values[i] != values.values[i])
                std::abort(); // the edit must show what was written
    } catch (const ParseError&) {
    }
    return 0;
}
