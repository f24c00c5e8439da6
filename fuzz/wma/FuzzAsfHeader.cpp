// The SDK's header model over arbitrary bytes: a header it accepts renders
// back to the same bytes, and after stores it renders a header it accepts.
#include "components/wmaudsdk/AsfHeader.h"

#include <cstdlib>
#include <string>

using namespace wmaudsdk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    AsfHeader header;
    if (!header.parse(bytes))
        return 0;
    auto same = header.render();
    if (!same || *same != bytes)
        std::abort();
    for (auto name : {u"Title", u"Description", u"WM/Year", u"WM/TrackNumber", u"WM/Picture"})
        header.find(name);
    header.store(u"Title", AsfString, encodeUtf16Le(u"New title", true));
    header.store(u"WM/Year", AsfString, encodeUtf16Le(u"2024", true));
    header.store(u"WM/TrackNumber", AsfDword, std::string(4, '\x07'));
    header.store(u"WM/Genre", AsfString, std::string(70000, 'g'));
    header.setFileSize(12345);
    auto changed = header.render();
    AsfHeader again;
    if (changed && !again.parse(*changed))
        std::abort();
    return 0;
}
