// Any bytes given to the skin file parser either parse or raise SkinError.
#include "components/skin/SkinFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto doc =
            velmora::skin::parseSkin(std::string_view(reinterpret_cast<const char*>(data), size));
        for (const auto& form : doc.forms)
            for (const auto& object : form.objects)
                if (object.rect.x + object.rect.width > form.width)
                    __builtin_trap(); // the parser promised objects inside their form
    } catch (const velmora::skin::SkinError&) {
    }
    return 0;
}
