// Every picture parser on the same bytes; a picture that parses renders back
// to a block that parses to the same picture.
#include "tags/common/CoverComments.h"
#include "tags/common/Covers.h"
#include "tags/id3/Id3Picture.h"
#include "tags/mp4/Mp4Covers.h"

#include <cstdlib>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    imagePixelSize(bytes);
    if (const auto picture = pictureblock::parse(bytes)) {
        const auto again = pictureblock::parse(pictureblock::render(*picture));
        if (!again || !again->sameAs(*picture))
            std::abort();
    }
    if (const auto decoded = base64::decode(bytes))
        if (base64::decode(base64::encode(*decoded)) != *decoded)
            std::abort();
    id3::apicType(bytes);
    if (const auto picture = id3::parseApic(bytes))
        if (picture->type != id3::apicType(bytes))
            std::abort();

    // The bytes as a picture comment.
    bool damaged = false;
    const std::string asComment = "METADATA_BLOCK_PICTURE=" + std::string(bytes);
    vorbiscomment::frontCoverOf({asComment}, damaged);
    const Picture cover{"image/png", 3, {}, std::make_shared<const std::string>("x")};
    vorbiscomment::withFrontCover({asComment}, &cover);
    vorbiscomment::withFrontCover({asComment}, nullptr);

    // The bytes as the items of an ilst.
    try {
        const mp4::MemorySource source(bytes);
        const std::vector<mp4::Atom> items = mp4::listAtoms(source, 0, size);
        mp4::frontCoverOf(source, items);
        mp4::itemsWithFrontCover(source, items, &cover);
        mp4::itemsWithFrontCover(source, items, nullptr);
    } catch (const mp4::ParseError&) {
    }
    return 0;
}
