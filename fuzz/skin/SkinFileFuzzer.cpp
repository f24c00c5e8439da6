// Any bytes given to the skin file parser either parse or raise SkinError. A
// parsed form keeps every object inside the window at every size the user can
// give it: its minimum size, its own size and larger ones.
#include "components/skin/SkinFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool inside(const velmora::skin::Rect& r, int width, int height) {
    return r.x >= 0 && r.y >= 0 && r.width >= 1 && r.height >= 1 && r.x + r.width <= width &&
           r.y + r.height <= height;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto doc =
            velmora::skin::parseSkin(std::string_view(reinterpret_cast<const char*>(data), size));
        for (const auto& form : doc.forms) {
            const int minW = form.minimumWidth(), minH = form.minimumHeight();
            if (minW > form.width || minH > form.height || form.resizeBorder < 0)
                __builtin_trap();
            const int sizes[][2] = {{minW, minH},
                                    {(minW + form.width) / 2, (minH + form.height) / 2},
                                    {form.width, form.height},
                                    {form.width + 1, form.height + 3},
                                    {3 * form.width, 2 * form.height}};
            for (const auto& object : form.objects)
                for (const auto& [w, h] : sizes) {
                    const auto r = velmora::skin::anchoredRect(object.rect, object.anchors,
                                                               form.width, form.height, w, h);
                    if (!inside(r, w, h))
                        __builtin_trap(); // the parser promised objects inside their form
                }
        }
    } catch (const velmora::skin::SkinError&) {
    }
    return 0;
}
