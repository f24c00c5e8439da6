// Puts comments into a vorbis_comment the way libvorbis would have: every
// text and both arrays from malloc, each text NUL-terminated, so that
// vorbis_comment_clear and vorbis_comment_add work on the result.
#pragma once

#include "base/VorbisCommentList.h"
#include "vcedit.h"

#include <cstdint>
#include <string_view>
#include <vector>
#include <vorbis/codec.h>

namespace vcedit {

class CommentCollector : public velmora::vorbiscomment::CommentReceiver {
public:
    // want: which comments to take (nullptr: all); keepVendor: read the vendor text.
    CommentCollector(vcedit_want_func want, void* context, bool keepVendor)
        : want_(want), context_(context), keepVendor_(keepVendor) {
        texts_.reserve(16);
        lengths_.reserve(16);
    }
    ~CommentCollector() override;
    CommentCollector(const CommentCollector&) = delete;
    CommentCollector& operator=(const CommentCollector&) = delete;

    char* vendor(std::uint64_t offset, std::uint32_t length) override;
    char* comment(std::uint32_t index, std::uint64_t offset, std::uint32_t length,
                  std::string_view head) override;

    // Hands everything taken to vc (cleared first); false when out of memory.
    bool moveInto(vorbis_comment& vc);

private:
    char* allocate(std::uint32_t length);

    vcedit_want_func want_;
    void* context_;
    bool keepVendor_;
    char* vendor_ = nullptr;
    std::vector<char*> texts_;
    std::vector<int> lengths_;
};

} // namespace vcedit
