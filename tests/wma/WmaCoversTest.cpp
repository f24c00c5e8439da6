// The WMA front cover on files TagLib tagged, and on WM/Picture values that
// other writers got wrong: TagLib reads what we write, a damaged picture is
// refused with the file named and can still be replaced.
#include "WmaFixture.h"

#include "tags/wma/WMAudioInfo.h"
#include "tags/wma/WmPicture.h"
#include "tags/wma/WmaTags.h"

#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/asftag.h>

#include <gtest/gtest.h>

#include <algorithm>

using namespace wmatest;
using velmora::Picture;
namespace wma = velmora::wma;

namespace {

class WmaCovers : public ::testing::Test {
protected:
    static void SetUpTestSuite() { WMAudioInfo::Bind(); }
    static void TearDownTestSuite() { WMAudioInfo::Unbind(); }
    TempDir dir;
};

Picture picture(std::uint8_t type, std::string mime, std::string data) {
    Picture p;
    p.type = type;
    p.mime = std::move(mime);
    p.data = std::make_shared<const std::string>(std::move(data));
    return p;
}

// TagLib's pictures: type, mime type, description and the data's size and
// first bytes, in its order.
std::vector<std::string> pictureList(const std::string& path) {
    TagLib::ASF::File file(path.c_str());
    std::vector<std::string> out;
    for (const auto& attribute : file.tag()->attribute("WM/Picture")) {
        const TagLib::ASF::Picture p = attribute.toPicture();
        const TagLib::ByteVector data = p.picture();
        out.push_back(std::to_string(static_cast<int>(p.type())) + " " + p.mimeType().to8Bit(true) +
                      " " + p.description().to8Bit(true) + " " + std::to_string(data.size()) + " " +
                      std::string(data.data(), std::min(data.size(), 4u)));
    }
    std::sort(out.begin(), out.end());
    return out;
}

// A 2 MiB front cover and a back cover put in by TagLib: a new front cover
// replaces the first alone, a removal takes it and leaves the back cover.
TEST_F(WmaCovers, TagLibReadsTheNewFrontCoverAndTheBackCoverAsTheyWere) {
    const std::string path = dir.file("taglib.wma");
    writeFile(path, toneWma());
    {
        TagLib::ASF::File file(path.c_str());
        TagLib::ASF::AttributeList pictures;
        for (const auto& [type, bytes, description] :
             {std::tuple{TagLib::ASF::Picture::FrontCover,
                         std::string("FRNT") + std::string(2 << 20, 'f'), "Front"},
              std::tuple{TagLib::ASF::Picture::BackCover,
                         std::string("BACK") + std::string(500, 'b'), "Back"}}) {
            TagLib::ASF::Picture p;
            p.setType(type);
            p.setMimeType("image/jpeg");
            p.setDescription(description);
            p.setPicture(TagLib::ByteVector(bytes.data(), static_cast<unsigned>(bytes.size())));
            pictures.append(TagLib::ASF::Attribute(p));
        }
        file.tag()->setTitle("Kept");
        file.tag()->setAttribute("WM/Picture", pictures);
        ASSERT_TRUE(file.save());
    }
    const std::string audio = afterHeader(readFile(path));
    const auto front = wma::readFrontCover(path);
    ASSERT_TRUE(front);
    EXPECT_EQ(front->description, "Front");
    EXPECT_EQ(front->size(), (2u << 20) + 4);

    const Picture cover = picture(3, "image/png", "NEWF" + std::string(100000, 'n'));
    wma::writeFrontCover(path, &cover);
    EXPECT_EQ(pictureList(path),
              (std::vector<std::string>{"3 image/png  100004 NEWF", "4 image/jpeg Back 504 BACK"}));
    EXPECT_EQ(afterHeader(readFile(path)), audio);
    EXPECT_EQ(readWithTagLib(path).title, "Kept");

    wma::writeFrontCover(path, nullptr);
    EXPECT_EQ(pictureList(path), std::vector<std::string>{"4 image/jpeg Back 504 BACK"});
    const auto shown = wma::readFrontCover(path); // the first picture stands in
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->type, 4);
}

// WM/Picture values a reader cannot take: a damaged one chosen as the
// front cover raises with the file named; one that is not a picture at all
// is passed over. A new front cover takes the place of a damaged one, and
// the back cover keeps its bytes.
TEST_F(WmaCovers, DamagedPicturesAreReportedAndReplaced) {
    const std::string back = wma::wmpicture::render(picture(4, "image/png", "back"));
    const std::string good = wma::wmpicture::render(picture(3, "image/jpeg", "good"));
    struct Case {
        const char* what;
        Entry value;       // in the Metadata Library, after the back cover
        bool damaged;      // a read raises
        int picturesAfter; // WM/Picture copies after a new front cover
    };
    const std::string head = std::string("\x03", 1) + le(4, 4);
    const std::vector<Case> cases = {
        {"data past the end", {"WM/Picture", 1, good.substr(0, good.size() - 1)}, true, 2},
        {"size over 4 GiB of data",
         {"WM/Picture", 1,
          std::string("\x03\xFF\xFF\xFF\xFF", 5) + utf16("image/jpeg") + utf16("") + "x"},
         true,
         2},
        {"MIME type without its NUL",
         {"WM/Picture", 1, head + utf16("image/jpeg", false)},
         true,
         2},
        {"odd length after the type", {"WM/Picture", 1, head + std::string("\0\0\0", 3)}, true, 2},
        {"only the type", {"WM/Picture", 1, "\x03"}, true, 2},
        {"empty", {"WM/Picture", 1, ""}, false, 3},
        {"a text, not bytes", text("WM/Picture", "image.jpg"), false, 3},
        {"a valid front cover", {"WM/Picture", 1, good}, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("damaged.wma");
        writeFile(path, withHeader(toneWma(), {extendedContent({{"WM/Picture", 1, back}})},
                                   {metadataLibrary({c.value})}));
        std::string message;
        std::optional<Picture> shown;
        try {
            shown = wma::readFrontCover(path);
        } catch (const velmora::TagError& e) {
            message = e.what();
        }
        EXPECT_EQ(!message.empty(), c.damaged);
        if (c.damaged) {
            EXPECT_NE(message.find(velmora::expandPath(path)), std::string::npos) << message;
        } else {
            ASSERT_TRUE(shown);
            EXPECT_EQ(*shown->data, shown->type == 3 ? "good" : "back");
        }

        const Picture cover = picture(3, "image/jpeg", "new cover");
        wma::writeFrontCover(path, &cover);
        const auto front = wma::readFrontCover(path);
        ASSERT_TRUE(front);
        EXPECT_EQ(*front->data, "new cover");
        const TagLibView view = readWithTagLib(path);
        ASSERT_EQ(view.attributes.count("WM/Picture"), 1u);
        EXPECT_EQ(view.attributes.at("WM/Picture").size(),
                  static_cast<std::size_t>(c.picturesAfter));
        EXPECT_EQ(std::count(view.pictures.begin(), view.pictures.end(), "back"), 1);
    }
}

} // namespace
