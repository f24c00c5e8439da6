#include "AudioInfo.h"

#include "base/Text.h"

#include <wmaudsdk/FileName.h>

#include <algorithm>
#include <cerrno>

#include <cstring>
#include <new>

namespace wmaudsdk {

namespace {

// Attribute names are NUL-terminated; a name longer than any ASF can store is
// cut there, and then matches nothing.
std::u16string_view nameView(const char16_t* name) {
    std::size_t n = 0;
    while (n < 0x8000 && name[n] != 0)
        ++n;
    return {name, n};
}

// A number stored in width bytes, read as the caller's width (zero-extended
// when shorter, its low bytes when longer).
std::string resized(std::string_view stored, std::size_t width) {
    std::string out(stored.substr(0, width));
    out.resize(width, '\0');
    return out;
}

// The stored value in the form the caller gets.
void toCallerForm(const AsfAttribute& a, std::uint32_t& type, std::string& value) {
    switch (a.type) {
    case AsfString:
        type = WMT_TYPE_STRING;
        value = encodeUtf16Le(decodeUtf16Le(a.value), true);
        return;
    case AsfBool:
        type = WMT_TYPE_BOOL;
        value = resized(a.value, 4);
        return;
    case AsfDword:
        type = WMT_TYPE_DWORD;
        value = resized(a.value, 4);
        return;
    case AsfQword:
        type = WMT_TYPE_QWORD;
        value = resized(a.value, 8);
        return;
    case AsfWord:
        type = WMT_TYPE_WORD;
        value = resized(a.value, 2);
        return;
    case AsfGuid:
        type = WMT_TYPE_GUID;
        value = resized(a.value, 16);
        return;
    default: // bytes, and types this file format does not define
        type = WMT_TYPE_BINARY;
        value = a.value;
        return;
    }
}

bool toStoredType(std::uint32_t type, AsfType& out) {
    switch (type) {
    case WMT_TYPE_DWORD:
        out = AsfDword;
        return true;
    case WMT_TYPE_STRING:
        out = AsfString;
        return true;
    case WMT_TYPE_BINARY:
        out = AsfBytes;
        return true;
    case WMT_TYPE_BOOL:
        out = AsfBool;
        return true;
    case WMT_TYPE_QWORD:
        out = AsfQword;
        return true;
    case WMT_TYPE_WORD:
        out = AsfWord;
        return true;
    case WMT_TYPE_GUID:
        out = AsfGuid;
        return true;
    default:
        return false;
    }
}

} // namespace

AudioInfo* AudioInfo::open(const std::string& path) {
    auto* info = new (std::nothrow) AudioInfo;
    if (!info)
        return nullptr;
    bool opened = false;
    int err = 0;
    try {
        opened = info->file_.open(path);
        err = errno;
    } catch (const std::bad_alloc&) {
        err = ENOMEM;
    } catch (...) {
        err = 0;
    }
    if (!opened) {
        delete info;
        errno = err;
        return nullptr;
    }
    return info;
}

HRESULT AudioInfo::QueryInterface(const void*, void** out) {
    if (out)
        *out = nullptr;
    return E_NOINTERFACE;
}

std::uint32_t AudioInfo::AddRef() {
    return ++references_;
}

std::uint32_t AudioInfo::Release() {
    const std::uint32_t left = --references_;
    if (left == 0)
        delete this;
    return left;
}

template <typename Step> HRESULT AudioInfo::guarded(HRESULT failed, Step&& step) {
    try {
        step();
        return S_OK;
    } catch (const std::bad_alloc&) {
        errorText_ = "Not enough memory to write \"" + velmora::expandPath(file_.path()) + "\".";
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        errorText_ = e.what();
        return failed;
    }
}

bool AudioInfo::lookUp(const char16_t* name, std::uint32_t& type, std::string& value) const {
    auto found = file_.find(nameView(name));
    if (!found)
        return false;
    toCallerForm(*found, type, value);
    return true;
}

HRESULT AudioInfo::QueryAttributeEx(const char16_t* name, std::uint32_t* type, std::uint8_t* value,
                                    std::uint32_t* length) {
    if (!name || !type || !length)
        return E_POINTER;
    if (closed_)
        return E_FAIL;
    try {
        std::string bytes;
        std::uint32_t found = 0;
        if (!lookUp(name, found, bytes))
            return WMA_E_NOTFOUND;
        if (!value || *length < bytes.size()) {
            *type = found;
            *length = static_cast<std::uint32_t>(bytes.size());
            return WMA_E_BUFFERTOOSMALL;
        }
        std::memcpy(value, bytes.data(), bytes.size());
        *type = found;
        *length = static_cast<std::uint32_t>(bytes.size());
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT AudioInfo::QueryAttribute(const char16_t* name, std::uint32_t* type, std::uint8_t* value,
                                  std::uint16_t* length) {
    if (!length)
        return E_POINTER;
    std::uint32_t wide = *length;
    const HRESULT result = QueryAttributeEx(name, type, value, &wide);
    if (result == WMA_E_BUFFERTOOSMALL && wide > 0xFFFF) {
        *length = 0;
        return WMA_E_VALUETOOLARGE;
    }
    if (result == S_OK || result == WMA_E_BUFFERTOOSMALL)
        *length = static_cast<std::uint16_t>(wide);
    return result;
}

HRESULT AudioInfo::StoreAttributeEx(const char16_t* name, std::uint32_t type,
                                    const std::uint8_t* value, std::uint32_t length) {
    if (!name || (!value && length > 0))
        return E_POINTER;
    if (closed_ || file_.prepared())
        return E_FAIL;
    AsfType stored;
    if (!toStoredType(type, stored))
        return E_INVALIDARG;
    bool refused = false;
    const HRESULT result = guarded(WMA_E_INVALIDFILE, [&] {
        std::string_view bytes(reinterpret_cast<const char*>(value), value ? length : 0);
        refused = !file_.edit().store(nameView(name), stored, bytes);
    });
    if (result != S_OK)
        return result;
    if (refused)
        return E_INVALIDARG;
    stored_ = true;
    return S_OK;
}

HRESULT AudioInfo::RemoveAttribute(const char16_t* name) {
    if (!name)
        return E_POINTER;
    if (closed_ || file_.prepared())
        return E_FAIL;
    const HRESULT result = guarded(WMA_E_INVALIDFILE, [&] { file_.edit().remove(nameView(name)); });
    if (result == S_OK)
        stored_ = true;
    return result;
}

HRESULT AudioInfo::GetErrorText(char16_t* text, std::uint32_t* units) {
    if (!units)
        return E_POINTER;
    try {
        const std::u16string wide = fileNameToUtf16(errorText_);
        const auto needed = static_cast<std::uint32_t>(wide.size() + 1);
        if (!text || *units < needed) {
            *units = needed;
            return WMA_E_BUFFERTOOSMALL;
        }
        std::copy(wide.begin(), wide.end(), text);
        text[wide.size()] = u'\0';
        *units = needed;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT AudioInfo::PrepareClose() {
    if (closed_ || file_.prepared())
        return WMA_E_NOTPREPARED;
    if (!stored_)
        return S_OK; // a read leaves the file as it was
    return guarded(WMA_E_WRITEFAILED, [&] { file_.prepare(); });
}

HRESULT AudioInfo::CommitClose() {
    if (closed_)
        return WMA_E_NOTPREPARED;
    closed_ = true;
    return guarded(WMA_E_WRITEFAILED, [&] { file_.commit(); });
}

HRESULT AudioInfo::StoreAttribute(const char16_t* name, std::uint32_t type,
                                  const std::uint8_t* value, std::uint16_t length) {
    return StoreAttributeEx(name, type, value, length);
}

HRESULT AudioInfo::CloseInfo() {
    if (closed_)
        return S_OK;
    if (!file_.prepared()) {
        const HRESULT prepared = PrepareClose();
        if (prepared != S_OK) {
            closed_ = true;
            return prepared;
        }
    }
    return CommitClose();
}

} // namespace wmaudsdk
