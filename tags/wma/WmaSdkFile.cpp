#include "tags/wma/WmaSdkFile.h"

#include "base/FileLayer.h"
#include "base/Text.h"
#include "tags/wma/WMAudioInfo.h"

#include "components/wmaudsdk/FileName.h"

#include <algorithm>
#include <array>

namespace velmora::wma {

using namespace wmaudsdk;

SdkFile::~SdkFile() {
    if (info_)
        info_->Release();
}

SdkFile::Opened SdkFile::open(const std::string& path) {
    path_ = path;
    auto create = WMAudioInfo::CreateInfo();
    if (!create)
        return Opened::NoSdk;
    const std::u16string name = fileNameToUtf16(path);
    IWMAudioInfo* info = nullptr;
    const HRESULT result = create(name.c_str(), &info);
    if (result == S_OK) {
        info_ = info;
        return Opened::Yes;
    }
    if (const int err = errnoFromHresult(result))
        raiseOpenError(path, err);
    return Opened::NotAsf;
}

bool SdkFile::query(const char16_t* name, SdkValue& value) const {
    // Most values fit the first buffer; a larger one is asked for by size.
    std::array<std::uint8_t, 256> first;
    std::uint32_t length = first.size();
    HRESULT result = info_->QueryAttributeEx(name, &value.type, first.data(), &length);
    if (result == S_OK) {
        value.bytes.assign(reinterpret_cast<const char*>(first.data()), length);
        return true;
    }
    if (result != WMA_E_BUFFERTOOSMALL)
        return false;
    value.bytes.resize(length);
    result = info_->QueryAttributeEx(name, &value.type,
                                     reinterpret_cast<std::uint8_t*>(value.bytes.data()), &length);
    value.bytes.resize(result == S_OK ? length : 0);
    return result == S_OK;
}

bool SdkFile::typeOf(const char16_t* name, std::uint32_t& type) const {
    std::uint32_t length = 0;
    const HRESULT result = info_->QueryAttributeEx(name, &type, nullptr, &length);
    return result == WMA_E_BUFFERTOOSMALL || result == S_OK;
}

std::uint32_t SdkFile::count(const char16_t* name) const {
    std::uint32_t copies = 0;
    if (info_->GetAttributeCount(name, &copies) != S_OK)
        fail("read");
    return copies;
}

bool SdkFile::queryAt(const char16_t* name, std::uint32_t index, SdkValue& value) const {
    std::uint32_t length = 0;
    HRESULT result = info_->QueryAttributeAt(name, index, &value.type, nullptr, &length);
    if (result != WMA_E_BUFFERTOOSMALL && result != S_OK)
        return false;
    value.bytes.resize(length);
    result = info_->QueryAttributeAt(name, index, &value.type,
                                     reinterpret_cast<std::uint8_t*>(value.bytes.data()), &length);
    value.bytes.resize(result == S_OK ? length : 0);
    return result == S_OK;
}

bool SdkFile::headAt(const char16_t* name, std::uint32_t index, std::size_t most,
                     SdkValue& value) const {
    value.bytes.resize(most);
    auto length = static_cast<std::uint32_t>(most);
    const HRESULT result = info_->QueryAttributeAt(
        name, index, &value.type, reinterpret_cast<std::uint8_t*>(value.bytes.data()), &length);
    if (result != S_OK && result != WMA_E_BUFFERTOOSMALL) {
        value.bytes.clear();
        return false;
    }
    value.bytes.resize(std::min<std::size_t>(most, length));
    return true;
}

void SdkFile::fail(const char* what) const {
    std::u16string text(512, u'\0');
    std::uint32_t units = static_cast<std::uint32_t>(text.size());
    HRESULT result = info_->GetErrorText(text.data(), &units);
    if (result == WMA_E_BUFFERTOOSMALL) {
        text.assign(units, u'\0');
        result = info_->GetErrorText(text.data(), &units);
    }
    std::string message;
    if (result == S_OK && units > 1)
        message = fileNameFromUtf16(std::u16string_view(text.data(), units - 1));
    if (message.empty())
        message =
            std::string("Cannot ") + what + " the attributes of \"" + expandPath(path_) + "\".";
    throw TagError(message);
}

void SdkFile::store(const char16_t* name, std::uint32_t type, std::string_view bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (bytes.size() > 0xFFFFFFFFu ||
        info_->StoreAttributeEx(name, type, data, static_cast<std::uint32_t>(bytes.size())) != S_OK)
        fail("store");
}

void SdkFile::remove(const char16_t* name) {
    if (info_->RemoveAttribute(name) != S_OK)
        fail("remove");
}

void SdkFile::modifyAt(const char16_t* name, std::uint32_t index, std::uint32_t type,
                       std::string_view bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (bytes.size() > 0xFFFFFFFFu ||
        info_->ModifyAttributeAt(name, index, type, data,
                                 static_cast<std::uint32_t>(bytes.size())) != S_OK)
        fail("store");
}

void SdkFile::add(const char16_t* name, std::uint32_t type, std::string_view bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (bytes.size() > 0xFFFFFFFFu ||
        info_->AddAttribute(name, type, data, static_cast<std::uint32_t>(bytes.size())) != S_OK)
        fail("store");
}

void SdkFile::removeAt(const char16_t* name, std::uint32_t index) {
    if (info_->DeleteAttributeAt(name, index) != S_OK)
        fail("remove");
}

void SdkFile::prepare() {
    if (info_->PrepareClose() != S_OK)
        fail("write");
}

void SdkFile::commit() {
    if (info_->CommitClose() != S_OK)
        fail("write");
}

std::unique_ptr<SdkFile> openForWriting(const std::string& path, std::string_view what) {
    auto file = std::make_unique<SdkFile>();
    switch (file->open(path)) {
    case SdkFile::Opened::Yes:
        return file;
    case SdkFile::Opened::NoSdk:
        throw TagError("Cannot write the " + std::string(what) + " of \"" + expandPath(path) +
                       "\": the WMA library " + WMAudioInfo::LibraryName + " is not available.");
    case SdkFile::Opened::NotAsf:
        break;
    }
    throw TagError("Cannot write the " + std::string(what) + " of \"" + expandPath(path) +
                   "\": it is not a WMA file that can be written.");
}

std::string shownText(const SdkValue& value) {
    const std::string_view bytes = value.bytes;
    auto number = [&](std::size_t width) {
        std::uint64_t n = 0;
        for (std::size_t i = std::min(width, bytes.size()); i-- > 0;)
            n = (n << 8) | static_cast<unsigned char>(bytes[i]);
        return std::to_string(n);
    };
    switch (value.type) {
    case WMT_TYPE_STRING: {
        std::size_t end = 0;
        bool ascii = true;
        while (end + 1 < bytes.size() && (bytes[end] != 0 || bytes[end + 1] != 0)) {
            ascii = ascii && static_cast<unsigned char>(bytes[end]) < 0x80 && bytes[end + 1] == 0;
            end += 2;
        }
        if (!ascii)
            return utf16BytesToUtf8(bytes.substr(0, end), false);
        std::string text(end / 2, '\0');
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = bytes[2 * i];
        return text;
    }
    case WMT_TYPE_DWORD:
        return number(4);
    case WMT_TYPE_WORD:
        return number(2);
    case WMT_TYPE_QWORD:
        return number(8);
    default:
        return {};
    }
}

} // namespace velmora::wma
