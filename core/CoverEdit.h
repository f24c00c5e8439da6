// A cover change of a row not yet written, as rows and the undo history hold it.
#pragma once

#include "tags/common/Covers.h"

#include <cstdint>
#include <memory>

namespace velmora::core {

// The picture is shared by every row and history step that holds it.
struct CoverEdit {
    enum Kind : std::uint8_t { Keep, Set, Remove };
    Kind kind = Keep;
    std::shared_ptr<const Picture> picture; // for Set

    bool operator==(const CoverEdit&) const = default;
};

} // namespace velmora::core
