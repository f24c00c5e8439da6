#include "CommentCollector.h"

#include <cstdlib>
#include <new>

namespace vcedit {

CommentCollector::~CommentCollector() {
    std::free(vendor_);
    for (char* text : texts_)
        std::free(text);
}

char* CommentCollector::allocate(std::uint32_t length) {
    char* text = static_cast<char*>(std::malloc(std::size_t(length) + 1));
    if (!text)
        throw std::bad_alloc();
    text[length] = '\0';
    return text;
}

char* CommentCollector::vendor(std::uint64_t, std::uint32_t length) {
    if (!keepVendor_)
        return nullptr;
    std::free(vendor_);
    vendor_ = allocate(length);
    return vendor_;
}

char* CommentCollector::comment(std::uint32_t, std::uint64_t, std::uint32_t length,
                                std::string_view head) {
    if (want_ && !want_(head.data(), head.size(), context_))
        return nullptr;
    lengths_.push_back(static_cast<int>(length));
    texts_.push_back(nullptr); // a slot first: nothing leaks when growing fails
    return texts_.back() = allocate(length);
}

bool CommentCollector::moveInto(vorbis_comment& vc) {
    vorbis_comment_clear(&vc);
    vorbis_comment_init(&vc);
    const std::size_t count = texts_.size();
    // libvorbis keeps one spare slot after the last comment.
    auto** texts = static_cast<char**>(std::malloc((count + 1) * sizeof(char*)));
    auto* lengths = static_cast<int*>(std::malloc((count + 1) * sizeof(int)));
    if (!texts || !lengths) {
        std::free(texts);
        std::free(lengths);
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        texts[i] = texts_[i];
        lengths[i] = lengths_[i];
    }
    texts[count] = nullptr;
    lengths[count] = 0;
    vc.user_comments = texts;
    vc.comment_lengths = lengths;
    vc.comments = static_cast<int>(count);
    vc.vendor = vendor_;
    texts_.clear();
    lengths_.clear();
    vendor_ = nullptr;
    return true;
}

} // namespace vcedit
