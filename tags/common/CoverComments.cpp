#include "tags/common/CoverComments.h"

namespace velmora::vorbiscomment {

namespace {

constexpr std::string_view kPictureName = "METADATA_BLOCK_PICTURE";

// The base64 text of a picture comment, or nullopt for another comment.
std::optional<std::string_view> pictureText(std::string_view comment) {
    const auto name = commentName(comment);
    if (!name || !sameName(*name, kPictureName))
        return std::nullopt;
    return comment.substr(name->size() + 1);
}

// The type from the first 8 characters (6 bytes) only.
std::optional<std::uint8_t> typeOfText(std::string_view text) {
    const auto head = base64::decode(text.substr(0, 8));
    return head ? pictureblock::typeOf(*head) : std::nullopt;
}

} // namespace

std::optional<Picture> frontCoverOf(const std::vector<std::string_view>& comments, bool& damaged) {
    std::optional<std::string_view> chosen;
    for (const std::string_view comment : comments) {
        const auto text = pictureText(comment);
        if (!text)
            continue;
        if (typeOfText(*text) == kFrontCover) {
            chosen = text;
            break;
        }
        if (!chosen)
            chosen = text;
    }
    damaged = false;
    if (!chosen)
        return std::nullopt;
    const auto block = base64::decode(*chosen);
    std::optional<Picture> picture = block ? pictureblock::parse(*block) : std::nullopt;
    damaged = !picture;
    return picture;
}

EditedComments withFrontCover(const std::vector<std::string_view>& comments, const Picture* cover) {
    EditedComments edited;
    if (cover)
        edited.added.push_back(std::string(kPictureName) + "=" +
                               base64::encode(pictureblock::render(*cover)));
    bool placed = false;
    edited.comments.reserve(comments.size() + 1);
    for (const std::string_view comment : comments) {
        const auto text = pictureText(comment);
        if (text && typeOfText(*text) == kFrontCover) {
            if (cover && !placed)
                edited.comments.push_back(edited.added.front());
            placed = true;
            continue;
        }
        edited.comments.push_back(comment);
    }
    if (cover && !placed)
        edited.comments.push_back(edited.added.front());
    return edited;
}

} // namespace velmora::vorbiscomment
