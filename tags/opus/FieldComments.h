// A receiver for the shared comment scanner that keeps only the comments that
// may hold one of the seven fields and passes over the rest unread.
#pragma once

#include "tags/common/VorbisComments.h"

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class FieldComments : public vorbiscomment::CommentReceiver {
public:
    char* vendor(std::uint64_t, std::uint32_t) override { return nullptr; }
    char* comment(std::uint32_t, std::uint64_t, std::uint32_t length,
                  std::string_view head) override {
        if (!vorbiscomment::mayHoldField(head))
            return nullptr;
        kept_.emplace_back(length, '\0');
        return kept_.back().data();
    }
    std::vector<std::string_view> views() const {
        return std::vector<std::string_view>(kept_.begin(), kept_.end());
    }

private:
    std::vector<std::string> kept_;
};

} // namespace velmora
