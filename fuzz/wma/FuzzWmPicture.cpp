// The WM/Picture value over arbitrary bytes: a value it accepts renders to
// one it reads back as the same picture, the type read alone is the whole
// read's, and a read that takes over the value's memory reads the same.
#include "tags/wma/WmPicture.h"

#include <cstdlib>
#include <string>

using namespace velmora::wma;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto picture = wmpicture::parse(bytes);
    const auto taken = wmpicture::parse(std::string(bytes));
    if (picture.has_value() != taken.has_value() || (picture && !taken->sameAs(*picture)))
        std::abort();
    if (!picture)
        return 0;
    if (wmpicture::typeOf(bytes) != picture->type || picture->size() > bytes.size())
        std::abort();
    const auto again = wmpicture::parse(wmpicture::render(*picture));
    if (!again || !again->sameAs(*picture))
        std::abort();
    return 0;
}
