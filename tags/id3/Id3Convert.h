// Bringing frames of version 2.2 and 2.4 tags into valid version 2.3 form, so
// they can be written back after the seven fields.
#pragma once

#include "tags/id3/Id3Tag.h"

#include <optional>
#include <string_view>

namespace velmora::id3 {

// The version 2.3 frame for a version 2.2 frame, or nothing when it cannot be carried.
std::optional<Frame> convertFromV22(std::string_view id, std::string_view data);

// The version 2.3 frame for a version 2.4 frame whose data is already free of
// unsynchronisation and of the data length indicator; or nothing when it cannot
// be carried. groupId is the grouping byte, or a negative number for none.
std::optional<Frame> convertFromV24(std::string_view id, std::uint8_t status, int groupId,
                                    std::string_view data);

} // namespace velmora::id3
