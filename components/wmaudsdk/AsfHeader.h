// The ASF Header Object as bytes: parsed into its child objects and the
// attributes of the Content Description, Extended Content Description,
// Metadata and Metadata Library objects, and rendered back. Objects that no
// store touched are rendered from their original bytes.
#pragma once

#include "AsfBytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wmaudsdk {

// How ASF stores an attribute's value.
enum AsfType : std::uint16_t {
    AsfString = 0, // UTF-16LE, normally NUL-terminated
    AsfBytes = 1,
    AsfBool = 2, // 4 bytes in the Extended Content Description, 2 in the others
    AsfDword = 3,
    AsfQword = 4,
    AsfWord = 5,
    AsfGuid = 6, // Metadata Library only
};

enum class AttributePlace { Content, Extended, Metadata, Library };

struct AsfAttribute {
    std::string rawName; // as stored, terminator included
    std::u16string name; // up to the first NUL
    std::uint16_t type = AsfString;
    std::string value;          // the stored bytes
    std::uint16_t language = 0; // Metadata Library's language index
    std::uint16_t stream = 0;   // 0: the whole file
    AttributePlace place = AttributePlace::Extended;
};

// The five texts of the Content Description Object, in stored order.
inline constexpr std::array<std::u16string_view, 5> ContentNames = {
    u"Title", u"Author", u"Copyright", u"Description", u"Rating"};

class AsfHeader {
public:
    // Parses a whole Header Object (bytes holds exactly its declared size).
    // False when any size or count does not fit the bytes.
    bool parse(std::string_view bytes);
    // The whole Header Object with the sizes and counts that depend on its
    // content; nullopt when a count or size would overflow its field.
    std::optional<std::string> render() const;

    // The file-level (stream 0) value of an attribute, in the order Content
    // Description (when not empty), Extended Content Description, Metadata,
    // Metadata Library.
    std::optional<AsfAttribute> find(std::u16string_view name) const;
    // Sets a file-level attribute: value holds the bytes in the Extended
    // Content Description's form (a string NUL-terminated, a bool 4 bytes).
    // One of the Content Description's five texts goes there when it fits;
    // any other value takes the place of the copy find() gives when it fits
    // there, else the first of Extended Content Description and Metadata
    // Library that holds it. Every other file-level copy goes. False (and
    // nothing changed) when it cannot be stored.
    bool store(std::u16string_view name, AsfType type, std::string_view value);
    // Removes every file-level copy of an attribute.
    void remove(std::u16string_view name);

    // The copies of a name with several values (pictures, several artists),
    // numbered in the order readers find them: a Content Description text
    // that shows something, then Extended Content Description, Metadata,
    // Metadata Library, each in stored order; copy 0 is find()'s. Values are
    // in the form store() takes; false (and nothing changed) when the value
    // cannot be stored or there is no such copy.
    std::size_t count(std::u16string_view name) const;
    std::optional<AsfAttribute> at(std::u16string_view name, std::size_t index) const;
    // A new value in the place of copy index, keeping its place, stored name
    // and language where it fits there; otherwise it goes as add() puts it.
    bool modify(std::u16string_view name, std::size_t index, AsfType type, std::string_view value);
    // A new copy after the others: in the Content Description or Extended
    // Content Description when it is the name's only copy and fits there,
    // otherwise in the Metadata Library.
    bool add(std::u16string_view name, AsfType type, std::string_view value);
    // Removes copy index; the later copies move down one number.
    bool removeAt(std::u16string_view name, std::size_t index);

    // The File Properties Object's file size, unless the file is a broadcast
    // (whose file size is not valid). False when there is no such object.
    bool setFileSize(std::uint64_t size);
    std::optional<std::uint64_t> fileSize() const;

    std::size_t objectCount() const { return objects_.size(); }
    const std::vector<AsfAttribute>& extended() const { return extended_; }
    const std::vector<AsfAttribute>& metadata() const { return metadata_; }
    const std::vector<AsfAttribute>& library() const { return library_; }

private:
    struct Object {
        Guid id;
        std::string raw; // the whole object, head included
    };

    // Where one copy of a name is: a Content Description text (position is
    // its field) or a record of the list of place.
    struct Copy {
        AttributePlace place;
        std::size_t position;
    };
    std::vector<Copy> copiesOf(std::u16string_view name) const;
    // The records of a place other than the Content Description.
    const std::vector<AsfAttribute>& listOf(AttributePlace place) const;
    std::vector<AsfAttribute>& listOf(AttributePlace place);
    bool& dirtyFlagOf(AttributePlace place);
    // The bytes to store for a value (a string re-encoded NUL-terminated);
    // nullopt when name or value cannot be stored at all.
    static std::optional<std::string> storedForm(std::u16string_view name, AsfType type,
                                                 std::string_view value);
    // Where add() puts a value of this size (alone: the name has no other
    // copy); nullopt when nowhere holds it.
    std::optional<AttributePlace> addTarget(std::u16string_view name, AsfType type,
                                            std::size_t size, bool alone) const;
    void addStored(std::u16string_view name, AsfType type, std::string stored,
                   AttributePlace place);

    bool parseChild(std::size_t index);
    bool parseContent(std::string_view body);
    bool parseExtended(std::string_view body);
    bool parseExtension(std::string_view body);
    bool parseMetadataRecords(std::string_view body, AttributePlace place,
                              std::vector<AsfAttribute>& out);

    std::optional<std::string> renderObject(std::size_t index) const;
    std::string renderContent() const;
    std::optional<std::string> renderExtended() const;
    std::optional<std::string> renderExtension() const;
    static std::optional<std::string> renderMetadataRecords(const Guid& id,
                                                            const std::vector<AsfAttribute>& list);

    bool fits(AttributePlace place, std::u16string_view name, AsfType type, std::size_t size) const;
    void clearContentField(std::u16string_view name);
    void removeFileLevel(std::vector<AsfAttribute>& list, std::u16string_view name, bool& dirty);
    void ensureContent();
    void ensureExtended();
    void ensureLibrary();

    std::vector<Object> objects_;
    std::string tail_; // bytes after the declared objects
    std::uint8_t reserved1_ = 1, reserved2_ = 2;

    int fileProps_ = -1, content_ = -1, extendedIndex_ = -1, extension_ = -1;
    std::array<std::string, 5> contentFields_; // stored UTF-16LE bytes
    std::vector<AsfAttribute> extended_;

    std::string extensionReserved_; // 16-byte GUID and 16-bit value
    std::vector<Object> extensionObjects_;
    std::string extensionTail_; // bytes past the declared data
    int metadataIndex_ = -1, libraryIndex_ = -1;
    std::vector<AsfAttribute> metadata_, library_;

    bool contentDirty_ = false, extendedDirty_ = false;
    bool metadataDirty_ = false, libraryDirty_ = false;
};

} // namespace wmaudsdk
