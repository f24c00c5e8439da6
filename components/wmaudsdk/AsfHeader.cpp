#include "AsfHeader.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace wmaudsdk {

namespace {

constexpr std::size_t HeaderHeadSize = 30; // object head, count, two reserved bytes
constexpr std::uint64_t MaxU16 = 0xFFFF;
constexpr std::uint64_t MaxU32 = 0xFFFFFFFF;

// A bounded cursor over a byte range: every read checks what remains.
class Cursor {
public:
    explicit Cursor(std::string_view bytes) : bytes_(bytes) {}
    std::size_t remaining() const { return bytes_.size() - pos_; }
    std::size_t position() const { return pos_; }
    bool u16(std::uint16_t& v) { return number(v, 2); }
    bool u32(std::uint32_t& v) { return number(v, 4); }
    bool take(std::size_t n, std::string_view& out) {
        if (n > remaining())
            return false;
        out = bytes_.substr(pos_, n);
        pos_ += n;
        return true;
    }

private:
    template <typename T> bool number(T& v, int width) {
        if (remaining() < static_cast<std::size_t>(width))
            return false;
        v = static_cast<T>(readLE(bytes_, pos_, width));
        pos_ += static_cast<std::size_t>(width);
        return true;
    }
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

std::string objectHead(const Guid& id) {
    std::string out(id.view());
    appendLE(out, 0, 8); // size, set by finishObject
    return out;
}

void finishObject(std::string& object) {
    writeLE(object, 16, object.size(), 8);
}

int contentIndexOf(std::u16string_view name) {
    for (std::size_t i = 0; i < ContentNames.size(); ++i)
        if (ContentNames[i] == name)
            return static_cast<int>(i);
    return -1;
}

bool fixedSizeFits(AsfType type, std::size_t size) {
    switch (type) {
    case AsfBool:
    case AsfDword:
        return size == 4;
    case AsfQword:
        return size == 8;
    case AsfWord:
        return size == 2;
    case AsfGuid:
        return size == 16;
    default:
        return true;
    }
}

} // namespace

bool AsfHeader::parse(std::string_view bytes) {
    *this = AsfHeader{};
    if (bytes.size() < HeaderHeadSize || Guid::from(bytes) != asf::Header ||
        readU64(bytes, 16) != bytes.size())
        return false;
    const std::uint32_t count = readU32(bytes, 24);
    reserved1_ = static_cast<std::uint8_t>(bytes[28]);
    reserved2_ = static_cast<std::uint8_t>(bytes[29]);
    std::size_t pos = HeaderHeadSize;
    // Every object takes at least its head, so the loop ends within the bytes.
    for (std::uint32_t i = 0; i < count; ++i) {
        if (bytes.size() - pos < ObjectHeadSize)
            return false;
        const std::uint64_t size = readU64(bytes, pos + 16);
        if (size < ObjectHeadSize || size > bytes.size() - pos)
            return false;
        objects_.push_back({Guid::from(bytes.substr(pos)), std::string(bytes.substr(pos, size))});
        pos += size;
    }
    tail_ = std::string(bytes.substr(pos));
    for (std::size_t i = 0; i < objects_.size(); ++i)
        if (!parseChild(i))
            return false;
    return true;
}

bool AsfHeader::parseChild(std::size_t index) {
    const Object& object = objects_[index];
    const std::string_view body = std::string_view(object.raw).substr(ObjectHeadSize);
    const int i = static_cast<int>(index);
    if (object.id == asf::FileProperties && fileProps_ < 0) {
        fileProps_ = i;
        return object.raw.size() >= 48; // up to and including the file size
    }
    if (object.id == asf::ContentDescription && content_ < 0) {
        content_ = i;
        return parseContent(body);
    }
    if (object.id == asf::ExtendedContentDescription && extendedIndex_ < 0) {
        extendedIndex_ = i;
        return parseExtended(body);
    }
    if (object.id == asf::HeaderExtension && extension_ < 0) {
        extension_ = i;
        return parseExtension(body);
    }
    return true;
}

bool AsfHeader::parseContent(std::string_view body) {
    Cursor in(body);
    std::array<std::uint16_t, 5> lengths{};
    for (auto& length : lengths)
        if (!in.u16(length))
            return false;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        std::string_view field;
        if (!in.take(lengths[i], field))
            return false;
        contentFields_[i] = std::string(field);
    }
    return true;
}

bool AsfHeader::parseExtended(std::string_view body) {
    Cursor in(body);
    std::uint16_t count = 0;
    if (!in.u16(count))
        return false;
    for (std::uint16_t i = 0; i < count; ++i) {
        AsfAttribute a;
        std::uint16_t nameLength = 0, valueLength = 0;
        std::string_view name, value;
        if (!in.u16(nameLength) || !in.take(nameLength, name) || !in.u16(a.type) ||
            !in.u16(valueLength) || !in.take(valueLength, value))
            return false;
        a.rawName = std::string(name);
        a.name = decodeUtf16Le(name);
        a.value = std::string(value);
        a.place = AttributePlace::Extended;
        extended_.push_back(std::move(a));
    }
    return true;
}

bool AsfHeader::parseExtension(std::string_view body) {
    Cursor in(body);
    std::string_view reserved, data;
    std::uint32_t dataSize = 0;
    if (!in.take(18, reserved) || !in.u32(dataSize) || !in.take(dataSize, data))
        return false;
    extensionReserved_ = std::string(reserved);
    extensionTail_ = std::string(body.substr(in.position()));
    std::size_t pos = 0;
    while (data.size() - pos >= ObjectHeadSize) {
        const std::uint64_t size = readU64(data, pos + 16);
        if (size < ObjectHeadSize || size > data.size() - pos)
            return false;
        extensionObjects_.push_back(
            {Guid::from(data.substr(pos)), std::string(data.substr(pos, size))});
        pos += size;
    }
    if (pos != data.size())
        return false;
    for (std::size_t i = 0; i < extensionObjects_.size(); ++i) {
        const Object& object = extensionObjects_[i];
        const std::string_view objectBody = std::string_view(object.raw).substr(ObjectHeadSize);
        if (object.id == asf::Metadata && metadataIndex_ < 0) {
            metadataIndex_ = static_cast<int>(i);
            if (!parseMetadataRecords(objectBody, AttributePlace::Metadata, metadata_))
                return false;
        } else if (object.id == asf::MetadataLibrary && libraryIndex_ < 0) {
            libraryIndex_ = static_cast<int>(i);
            if (!parseMetadataRecords(objectBody, AttributePlace::Library, library_))
                return false;
        }
    }
    return true;
}

bool AsfHeader::parseMetadataRecords(std::string_view body, AttributePlace place,
                                     std::vector<AsfAttribute>& out) {
    Cursor in(body);
    std::uint16_t count = 0;
    if (!in.u16(count))
        return false;
    for (std::uint16_t i = 0; i < count; ++i) {
        AsfAttribute a;
        std::uint16_t nameLength = 0;
        std::uint32_t dataLength = 0;
        std::string_view name, value;
        if (!in.u16(a.language) || !in.u16(a.stream) || !in.u16(nameLength) || !in.u16(a.type) ||
            !in.u32(dataLength) || !in.take(nameLength, name) || !in.take(dataLength, value))
            return false;
        a.rawName = std::string(name);
        a.name = decodeUtf16Le(name);
        a.value = std::string(value);
        a.place = place;
        out.push_back(std::move(a));
    }
    return true;
}

std::optional<std::string> AsfHeader::render() const {
    if (objects_.size() > MaxU32)
        return std::nullopt;
    std::string out = objectHead(asf::Header);
    appendLE(out, objects_.size(), 4);
    out += static_cast<char>(reserved1_);
    out += static_cast<char>(reserved2_);
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        auto object = renderObject(i);
        if (!object)
            return std::nullopt;
        out += *object;
    }
    out += tail_;
    finishObject(out);
    return out;
}

std::optional<std::string> AsfHeader::renderObject(std::size_t index) const {
    const int i = static_cast<int>(index);
    if (i == content_ && contentDirty_)
        return renderContent();
    if (i == extendedIndex_ && extendedDirty_)
        return renderExtended();
    if (i == extension_ && (metadataDirty_ || libraryDirty_))
        return renderExtension();
    return objects_[index].raw;
}

std::string AsfHeader::renderContent() const {
    std::string out = objectHead(asf::ContentDescription);
    for (const auto& field : contentFields_)
        appendLE(out, field.size(), 2); // store() keeps each within 16 bits
    for (const auto& field : contentFields_)
        out += field;
    finishObject(out);
    return out;
}

std::optional<std::string> AsfHeader::renderExtended() const {
    if (extended_.size() > MaxU16)
        return std::nullopt;
    std::string out = objectHead(asf::ExtendedContentDescription);
    appendLE(out, extended_.size(), 2);
    for (const auto& a : extended_) {
        if (a.rawName.size() > MaxU16 || a.value.size() > MaxU16)
            return std::nullopt;
        appendLE(out, a.rawName.size(), 2);
        out += a.rawName;
        appendLE(out, a.type, 2);
        appendLE(out, a.value.size(), 2);
        out += a.value;
    }
    finishObject(out);
    return out;
}

std::optional<std::string> AsfHeader::renderMetadataRecords(const Guid& id,
                                                            const std::vector<AsfAttribute>& list) {
    if (list.size() > MaxU16)
        return std::nullopt;
    std::string out = objectHead(id);
    appendLE(out, list.size(), 2);
    for (const auto& a : list) {
        if (a.rawName.size() > MaxU16 || a.value.size() > MaxU32)
            return std::nullopt;
        appendLE(out, a.language, 2);
        appendLE(out, a.stream, 2);
        appendLE(out, a.rawName.size(), 2);
        appendLE(out, a.type, 2);
        appendLE(out, a.value.size(), 4);
        out += a.rawName;
        out += a.value;
    }
    finishObject(out);
    return out;
}

std::optional<std::string> AsfHeader::renderExtension() const {
    std::string data;
    for (std::size_t i = 0; i < extensionObjects_.size(); ++i) {
        const int index = static_cast<int>(i);
        if (index == metadataIndex_ && metadataDirty_) {
            auto object = renderMetadataRecords(asf::Metadata, metadata_);
            if (!object)
                return std::nullopt;
            data += *object;
        } else if (index == libraryIndex_ && libraryDirty_) {
            auto object = renderMetadataRecords(asf::MetadataLibrary, library_);
            if (!object)
                return std::nullopt;
            data += *object;
        } else {
            data += extensionObjects_[i].raw;
        }
    }
    if (data.size() > MaxU32)
        return std::nullopt;
    std::string out = objectHead(asf::HeaderExtension);
    out += extensionReserved_;
    appendLE(out, data.size(), 4);
    out += data;
    out += extensionTail_;
    finishObject(out);
    return out;
}

std::optional<AsfAttribute> AsfHeader::find(std::u16string_view name) const {
    const int contentIndex = contentIndexOf(name);
    auto fromContent = [&]() {
        AsfAttribute a;
        a.name = std::u16string(name);
        a.type = AsfString;
        a.value = contentFields_[static_cast<std::size_t>(contentIndex)];
        a.place = AttributePlace::Content;
        return a;
    };
    const bool haveContent = content_ >= 0 && contentIndex >= 0;
    if (haveContent &&
        !decodeUtf16Le(contentFields_[static_cast<std::size_t>(contentIndex)]).empty())
        return fromContent();
    for (const auto& a : extended_)
        if (a.name == name)
            return a;
    for (const auto* list : {&metadata_, &library_})
        for (const auto& a : *list)
            if (a.stream == 0 && a.name == name)
                return a;
    if (haveContent)
        return fromContent();
    return std::nullopt;
}

void AsfHeader::removeFileLevel(std::vector<AsfAttribute>& list, std::u16string_view name,
                                bool& dirty) {
    auto gone = std::remove_if(list.begin(), list.end(), [&](const AsfAttribute& a) {
        return a.stream == 0 && a.name == name;
    });
    if (gone != list.end()) {
        list.erase(gone, list.end());
        dirty = true;
    }
}

bool AsfHeader::fits(AttributePlace place, std::u16string_view name, AsfType type,
                     std::size_t size) const {
    auto roomFor = [&](const std::vector<AsfAttribute>& list) {
        return list.size() < MaxU16 || std::any_of(list.begin(), list.end(), [&](const auto& a) {
                   return a.stream == 0 && a.name == name;
               });
    };
    switch (place) {
    case AttributePlace::Content:
        return contentIndexOf(name) >= 0 && type == AsfString && size <= MaxU16;
    case AttributePlace::Extended:
        return type != AsfGuid && size <= MaxU16 && roomFor(extended_);
    case AttributePlace::Metadata:
        return metadataIndex_ >= 0 && type != AsfGuid && size <= MaxU16 && roomFor(metadata_);
    case AttributePlace::Library:
        return size <= MaxU32 && roomFor(library_);
    }
    return false;
}

void AsfHeader::clearContentField(std::u16string_view name) {
    const int index = contentIndexOf(name);
    if (index >= 0 && content_ >= 0 && !contentFields_[static_cast<std::size_t>(index)].empty()) {
        contentFields_[static_cast<std::size_t>(index)].clear();
        contentDirty_ = true;
    }
}

// Puts fresh in place of the first file-level copy in list (keeping that
// copy's stored name and language) and drops the other copies; appends it
// when there is none.
static void replaceFirst(std::vector<AsfAttribute>& list, AsfAttribute fresh) {
    const std::u16string name = fresh.name;
    auto same = [&](const AsfAttribute& a) { return a.stream == 0 && a.name == name; };
    auto at = std::find_if(list.begin(), list.end(), same);
    if (at == list.end()) {
        list.push_back(std::move(fresh));
        return;
    }
    const auto index = at - list.begin();
    fresh.rawName = at->rawName;
    fresh.language = at->language;
    *at = std::move(fresh);
    list.erase(std::remove_if(list.begin() + index + 1, list.end(), same), list.end());
}

std::optional<std::string> AsfHeader::storedForm(std::u16string_view name, AsfType type,
                                                 std::string_view value) {
    // Names are stored NUL-terminated with a 16-bit byte count.
    if (name.empty() || name.size() >= MaxU16 / 2 || name.find(u'\0') != name.npos)
        return std::nullopt;
    if (!fixedSizeFits(type, value.size()))
        return std::nullopt;
    if (type == AsfString)
        return encodeUtf16Le(decodeUtf16Le(value), true);
    return std::string(value);
}

bool AsfHeader::store(std::u16string_view name, AsfType type, std::string_view value) {
    std::optional<std::string> form = storedForm(name, type, value);
    if (!form)
        return false;
    std::string stored = std::move(*form);

    // The five texts of the Content Description go there, where every reader
    // looks for them; any other value takes the place of the copy a reader
    // finds first, when it fits there; otherwise the first place that holds it.
    std::optional<AttributePlace> target;
    if (fits(AttributePlace::Content, name, type, stored.size()))
        target = AttributePlace::Content;
    else if (auto first = find(name); first && fits(first->place, name, type, stored.size()))
        target = first->place;
    for (auto place : {AttributePlace::Content, AttributePlace::Extended, AttributePlace::Library})
        if (!target && fits(place, name, type, stored.size()))
            target = place;
    if (!target)
        return false;

    AsfAttribute fresh;
    fresh.name = std::u16string(name);
    fresh.rawName = encodeUtf16Le(name, true);
    fresh.type = type;
    fresh.value = std::move(stored);
    fresh.place = *target;
    if (type == AsfBool && *target != AttributePlace::Extended)
        fresh.value.resize(2); // the Metadata objects keep a bool in 16 bits

    // Every other file-level copy goes; an emptied Content Description field
    // no longer hides the value stored elsewhere.
    if (*target != AttributePlace::Content)
        clearContentField(name);
    if (*target != AttributePlace::Extended)
        removeFileLevel(extended_, name, extendedDirty_);
    if (*target != AttributePlace::Metadata)
        removeFileLevel(metadata_, name, metadataDirty_);
    if (*target != AttributePlace::Library)
        removeFileLevel(library_, name, libraryDirty_);

    switch (*target) {
    case AttributePlace::Content:
        ensureContent();
        contentFields_[static_cast<std::size_t>(contentIndexOf(name))] = fresh.value;
        contentDirty_ = true;
        break;
    case AttributePlace::Extended:
        ensureExtended();
        replaceFirst(extended_, std::move(fresh));
        extendedDirty_ = true;
        break;
    case AttributePlace::Metadata:
        replaceFirst(metadata_, std::move(fresh));
        metadataDirty_ = true;
        break;
    case AttributePlace::Library:
        ensureLibrary();
        replaceFirst(library_, std::move(fresh));
        libraryDirty_ = true;
        break;
    }
    return true;
}

void AsfHeader::remove(std::u16string_view name) {
    clearContentField(name);
    removeFileLevel(extended_, name, extendedDirty_);
    removeFileLevel(metadata_, name, metadataDirty_);
    removeFileLevel(library_, name, libraryDirty_);
}

std::vector<AsfHeader::Copy> AsfHeader::copiesOf(std::u16string_view name) const {
    std::vector<Copy> copies;
    const int field = contentIndexOf(name);
    if (content_ >= 0 && field >= 0 &&
        !decodeUtf16Le(contentFields_[static_cast<std::size_t>(field)]).empty())
        copies.push_back({AttributePlace::Content, static_cast<std::size_t>(field)});
    for (auto place :
         {AttributePlace::Extended, AttributePlace::Metadata, AttributePlace::Library}) {
        const auto& list = listOf(place);
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].stream == 0 && list[i].name == name)
                copies.push_back({place, i});
    }
    return copies;
}

std::vector<AsfAttribute>& AsfHeader::listOf(AttributePlace place) {
    return const_cast<std::vector<AsfAttribute>&>(std::as_const(*this).listOf(place));
}

const std::vector<AsfAttribute>& AsfHeader::listOf(AttributePlace place) const {
    switch (place) {
    case AttributePlace::Metadata:
        return metadata_;
    case AttributePlace::Library:
        return library_;
    default:
        return extended_;
    }
}

bool& AsfHeader::dirtyFlagOf(AttributePlace place) {
    switch (place) {
    case AttributePlace::Content:
        return contentDirty_;
    case AttributePlace::Metadata:
        return metadataDirty_;
    case AttributePlace::Library:
        return libraryDirty_;
    default:
        return extendedDirty_;
    }
}

std::size_t AsfHeader::count(std::u16string_view name) const {
    return copiesOf(name).size();
}

std::optional<AsfAttribute> AsfHeader::at(std::u16string_view name, std::size_t index) const {
    const auto copies = copiesOf(name);
    if (index >= copies.size())
        return std::nullopt;
    const Copy& copy = copies[index];
    if (copy.place != AttributePlace::Content)
        return listOf(copy.place)[copy.position];
    AsfAttribute a;
    a.name = std::u16string(name);
    a.rawName = encodeUtf16Le(name, true);
    a.type = AsfString;
    a.value = contentFields_[copy.position];
    a.place = AttributePlace::Content;
    return a;
}

std::optional<AttributePlace> AsfHeader::addTarget(std::u16string_view name, AsfType type,
                                                   std::size_t size, bool alone) const {
    if (alone && fits(AttributePlace::Content, name, type, size))
        return AttributePlace::Content;
    if (alone && fits(AttributePlace::Extended, name, type, size))
        return AttributePlace::Extended;
    if (size <= MaxU32 && library_.size() < MaxU16)
        return AttributePlace::Library;
    return std::nullopt;
}

void AsfHeader::addStored(std::u16string_view name, AsfType type, std::string stored,
                          AttributePlace place) {
    if (place == AttributePlace::Content) {
        ensureContent();
        contentFields_[static_cast<std::size_t>(contentIndexOf(name))] = std::move(stored);
        contentDirty_ = true;
        return;
    }
    AsfAttribute fresh;
    fresh.name = std::u16string(name);
    fresh.rawName = encodeUtf16Le(name, true);
    fresh.type = type;
    fresh.value = std::move(stored);
    fresh.place = place;
    if (type == AsfBool && place != AttributePlace::Extended)
        fresh.value.resize(2);
    if (place == AttributePlace::Extended)
        ensureExtended();
    else
        ensureLibrary();
    listOf(place).push_back(std::move(fresh));
    dirtyFlagOf(place) = true;
}

bool AsfHeader::add(std::u16string_view name, AsfType type, std::string_view value) {
    std::optional<std::string> stored = storedForm(name, type, value);
    if (!stored)
        return false;
    const auto place = addTarget(name, type, stored->size(), count(name) == 0);
    if (!place)
        return false;
    addStored(name, type, std::move(*stored), *place);
    return true;
}

bool AsfHeader::modify(std::u16string_view name, std::size_t index, AsfType type,
                       std::string_view value) {
    const auto copies = copiesOf(name);
    std::optional<std::string> stored = storedForm(name, type, value);
    if (index >= copies.size() || !stored)
        return false;
    const Copy copy = copies[index];
    if (!fits(copy.place, name, type, stored->size())) {
        // Too large (or of a type) for its place: it moves where add() puts it.
        const auto place = addTarget(name, type, stored->size(), copies.size() == 1);
        if (!place)
            return false;
        removeAt(name, index);
        addStored(name, type, std::move(*stored), *place);
        return true;
    }
    if (copy.place == AttributePlace::Content) {
        contentFields_[copy.position] = std::move(*stored);
    } else {
        AsfAttribute& a = listOf(copy.place)[copy.position];
        a.type = type;
        a.value = std::move(*stored);
        if (type == AsfBool && copy.place != AttributePlace::Extended)
            a.value.resize(2);
    }
    dirtyFlagOf(copy.place) = true;
    return true;
}

bool AsfHeader::removeAt(std::u16string_view name, std::size_t index) {
    const auto copies = copiesOf(name);
    if (index >= copies.size())
        return false;
    const Copy copy = copies[index];
    if (copy.place == AttributePlace::Content)
        contentFields_[copy.position].clear();
    else
        listOf(copy.place)
            .erase(listOf(copy.place).begin() + static_cast<std::ptrdiff_t>(copy.position));
    dirtyFlagOf(copy.place) = true;
    return true;
}

void AsfHeader::ensureContent() {
    if (content_ >= 0)
        return;
    content_ = static_cast<int>(objects_.size());
    objects_.push_back({asf::ContentDescription, {}});
    contentDirty_ = true;
}

void AsfHeader::ensureExtended() {
    if (extendedIndex_ >= 0)
        return;
    extendedIndex_ = static_cast<int>(objects_.size());
    objects_.push_back({asf::ExtendedContentDescription, {}});
    extendedDirty_ = true;
}

void AsfHeader::ensureLibrary() {
    if (extension_ < 0) {
        extension_ = static_cast<int>(objects_.size());
        objects_.push_back({asf::HeaderExtension, {}});
        extensionReserved_ = std::string(asf::HeaderExtensionReserved.view());
        appendLE(extensionReserved_, 6, 2);
    }
    if (libraryIndex_ < 0) {
        libraryIndex_ = static_cast<int>(extensionObjects_.size());
        extensionObjects_.push_back({asf::MetadataLibrary, {}});
    }
    libraryDirty_ = true;
}

std::optional<std::uint64_t> AsfHeader::fileSize() const {
    if (fileProps_ < 0)
        return std::nullopt;
    return readU64(objects_[static_cast<std::size_t>(fileProps_)].raw, 40);
}

bool AsfHeader::setFileSize(std::uint64_t size) {
    if (fileProps_ < 0)
        return false;
    std::string& raw = objects_[static_cast<std::size_t>(fileProps_)].raw;
    const bool broadcast = raw.size() >= 92 && (readU32(raw, 88) & 1u);
    if (!broadcast)
        writeLE(raw, 40, size, 8);
    return true;
}

} // namespace wmaudsdk
