// The SDK's header model over arbitrary bytes: a header it accepts renders
// back to the same bytes, and after stores, removals and changes of single
// copies it renders a header it accepts. The reader's index accepts exactly
// the same headers and finds the same values and copies.
#include "components/wmaudsdk/AsfHeader.h"
#include "components/wmaudsdk/AsfIndex.h"

#include <cstdlib>
#include <string>
#include <vector>

using namespace wmaudsdk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    AsfHeader header;
    AsfIndex index;
    const MemorySource source(bytes);
    const bool parsed = header.parse(bytes);
    // A window of a few bytes reads the header in many pieces.
    const std::size_t window = size > 0 ? 1 + data[size - 1] % 64 : 1;
    const bool indexed = index.build(source, bytes.size(), window);
    if ((indexed && index.headerSize() == bytes.size()) != parsed)
        std::abort();
    if (!parsed)
        return 0;
    auto same = header.render();
    if (!same || *same != bytes)
        std::abort();
    std::vector<std::u16string> names = {u"Title", u"Author", u"Rating", u"WM/Year"};
    for (const auto* list : {&header.extended(), &header.metadata(), &header.library()})
        for (const auto& a : *list)
            names.push_back(a.name);
    for (const auto& name : names) {
        const auto fromHeader = header.find(name);
        const IndexedAttribute* fromIndex = index.find(name);
        std::string scratch;
        std::string_view value;
        if (fromHeader.has_value() != (fromIndex != nullptr) ||
            (fromIndex &&
             (!index.valueOf(*fromIndex, source, scratch, value) || value != fromHeader->value ||
              fromIndex->type != fromHeader->type || fromIndex->place != fromHeader->place)))
            std::abort();
        const auto copies = index.copies(name);
        if (copies.size() != header.count(name))
            std::abort();
        for (std::size_t i = 0; i < copies.size(); ++i) {
            const auto copy = header.at(name, i);
            if (!index.valueOf(*copies[i], source, scratch, value) || value != copy->value ||
                copies[i]->type != copy->type || copies[i]->place != copy->place)
                std::abort();
            std::string copied(copies[i]->length, '\0');
            if (!index.copyValue(*copies[i], source, copied.data()) || copied != copy->value)
                std::abort();
        }
    }
    header.remove(u"Author");
    header.store(u"Title", AsfString, encodeUtf16Le(u"New title", true));
    header.store(u"WM/Year", AsfString, encodeUtf16Le(u"2024", true));
    header.store(u"WM/TrackNumber", AsfDword, std::string(4, '\x07'));
    header.store(u"WM/Genre", AsfString, std::string(70000, 'g'));
    header.modify(u"WM/Picture", 0, AsfBytes, std::string(70000, 'p'));
    header.add(u"WM/Picture", AsfBytes, "\x03");
    header.removeAt(u"WM/Picture", 1);
    header.modify(names.back(), 0, AsfString, encodeUtf16Le(u"changed", true));
    header.removeAt(names.back(), 1);
    header.setFileSize(12345);
    auto changed = header.render();
    AsfHeader again;
    if (changed && !again.parse(*changed))
        std::abort();
    return 0;
}
