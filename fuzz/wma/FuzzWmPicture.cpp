// The WM/Picture value over arbitrary bytes: a value it accepts renders to
// one it reads back as the same picture, and the type read alone is the
// whole read's.
#include "tags/wma/WmPicture.h"

#include <cstdlib>

using namespace velmora::wma;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto picture = wmpicture::parse(bytes);
    if (!picture)
        return 0;
    if (wmpicture::typeOf(bytes) != picture->type || picture->size() > bytes.size())
        std::abort();
    const auto again = wmpicture::parse(wmpicture::render(*picture));
    if (!again || !again->sameAs(*picture))
        std::abort();
    return 0;
}
