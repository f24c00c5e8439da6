#include "AudioInfo.h"

#include "base/Text.h"

#include "FileName.h"

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

// How the caller gets a stored value: its type code, and the stored bytes
// it is made of. A string comes up to its first NUL, then a NUL; a number in
// the caller's width (zero-extended when shorter, its low bytes when longer).
struct CallerForm {
    std::uint32_t type = WMT_TYPE_BINARY;
    std::string_view bytes;
    std::size_t size = 0; // bytes handed over

    CallerForm(std::uint16_t stored, std::string_view value) : bytes(value) {
        auto number = [&](std::uint32_t code, std::size_t width) {
            type = code;
            bytes = value.substr(0, width);
            size = width;
        };
        switch (stored) {
        case AsfString: {
            std::size_t end = 0;
            while (end + 1 < value.size() && (value[end] != 0 || value[end + 1] != 0))
                end += 2;
            type = WMT_TYPE_STRING;
            bytes = value.substr(0, end);
            size = end + 2;
            return;
        }
        case AsfBool:
            number(WMT_TYPE_BOOL, 4);
            return;
        case AsfDword:
            number(WMT_TYPE_DWORD, 4);
            return;
        case AsfQword:
            number(WMT_TYPE_QWORD, 8);
            return;
        case AsfWord:
            number(WMT_TYPE_WORD, 2);
            return;
        case AsfGuid:
            number(WMT_TYPE_GUID, 16);
            return;
        default: // bytes, and types this file format does not define
            size = value.size();
            return;
        }
    }
    void copyTo(std::uint8_t* out) const { copyTo(out, size); }
    // The first n bytes (n at most size).
    void copyTo(std::uint8_t* out, std::size_t n) const {
        const std::size_t held = std::min(n, bytes.size());
        std::memcpy(out, bytes.data(), held);
        std::memset(out + held, 0, n - held);
    }
};

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

HRESULT AudioInfo::QueryAttributeEx(const char16_t* name, std::uint32_t* type, std::uint8_t* value,
                                    std::uint32_t* length) {
    if (!name || !type || !length)
        return E_POINTER;
    if (closed_)
        return E_FAIL;
    try {
        std::uint16_t stored = 0;
        std::string_view bytes;
        if (!file_.find(nameView(name), stored, bytes, scratch_))
            return WMA_E_NOTFOUND;
        const CallerForm form(stored, bytes);
        *type = form.type;
        if (!value || *length < form.size) {
            *length = static_cast<std::uint32_t>(form.size);
            return WMA_E_BUFFERTOOSMALL;
        }
        form.copyTo(value);
        *length = static_cast<std::uint32_t>(form.size);
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

template <typename Change>
HRESULT AudioInfo::changeValue(const char16_t* name, std::uint32_t type, const std::uint8_t* value,
                               std::uint32_t length, Change&& change) {
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
        refused = !change(file_.edit(), nameView(name), stored, bytes);
    });
    if (result != S_OK)
        return result;
    if (refused)
        return E_INVALIDARG;
    stored_ = true;
    return S_OK;
}

HRESULT AudioInfo::StoreAttributeEx(const char16_t* name, std::uint32_t type,
                                    const std::uint8_t* value, std::uint32_t length) {
    return changeValue(name, type, value, length,
                       [](AsfHeader& header, std::u16string_view key, AsfType stored,
                          std::string_view bytes) { return header.store(key, stored, bytes); });
}

HRESULT AudioInfo::GetAttributeCount(const char16_t* name, std::uint32_t* count) {
    if (!name || !count)
        return E_POINTER;
    if (closed_)
        return E_FAIL;
    try {
        *count = static_cast<std::uint32_t>(file_.count(nameView(name)));
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT AudioInfo::QueryAttributeAt(const char16_t* name, std::uint32_t index, std::uint32_t* type,
                                    std::uint8_t* value, std::uint32_t* length) {
    if (!name || !type || !length)
        return E_POINTER;
    if (closed_)
        return E_FAIL;
    try {
        const std::u16string_view key = nameView(name);
        std::uint16_t stored = 0;
        std::uint64_t size = 0;
        std::string_view bytes;
        if (!file_.findAt(key, index, stored, size, bytes, scratch_, 0))
            return WMA_E_NOTFOUND;
        // Bytes that fit go straight into the buffer (a picture is not
        // copied twice).
        if (stored != AsfString && CallerForm(stored, {}).type == WMT_TYPE_BINARY && value &&
            *length >= size) {
            if (!file_.copyAt(key, index, reinterpret_cast<char*>(value)))
                return WMA_E_NOTFOUND;
            *type = WMT_TYPE_BINARY;
            *length = static_cast<std::uint32_t>(size);
            return S_OK;
        }
        // A string's length is where its NUL is, so it is read whole; any
        // other value only as far as the buffer goes (a number whole).
        const std::size_t most =
            stored == AsfString ? SIZE_MAX : std::max<std::size_t>(value ? *length : 0, 16);
        if (!file_.findAt(key, index, stored, size, bytes, scratch_, most))
            return WMA_E_NOTFOUND;
        CallerForm form(stored, bytes);
        if (form.type == WMT_TYPE_BINARY)
            form.size = static_cast<std::size_t>(size);
        *type = form.type;
        const bool fits = value && *length >= form.size;
        if (value)
            form.copyTo(value, std::min<std::size_t>(*length, form.size));
        *length = static_cast<std::uint32_t>(form.size);
        return fits ? S_OK : WMA_E_BUFFERTOOSMALL;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT AudioInfo::checkCopy(const char16_t* name, std::uint32_t index) {
    if (!name)
        return E_POINTER;
    try {
        return index < file_.count(nameView(name)) ? S_OK : WMA_E_NOTFOUND;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT AudioInfo::ModifyAttributeAt(const char16_t* name, std::uint32_t index, std::uint32_t type,
                                     const std::uint8_t* value, std::uint32_t length) {
    if (const HRESULT found = checkCopy(name, index); found != S_OK)
        return found;
    return changeValue(
        name, type, value, length,
        [index](AsfHeader& header, std::u16string_view key, AsfType stored,
                std::string_view bytes) { return header.modify(key, index, stored, bytes); });
}

HRESULT AudioInfo::AddAttribute(const char16_t* name, std::uint32_t type, const std::uint8_t* value,
                                std::uint32_t length) {
    return changeValue(name, type, value, length,
                       [](AsfHeader& header, std::u16string_view key, AsfType stored,
                          std::string_view bytes) { return header.add(key, stored, bytes); });
}

HRESULT AudioInfo::DeleteAttributeAt(const char16_t* name, std::uint32_t index) {
    if (const HRESULT found = checkCopy(name, index); found != S_OK)
        return found;
    if (closed_ || file_.prepared())
        return E_FAIL;
    const HRESULT result =
        guarded(WMA_E_INVALIDFILE, [&] { file_.edit().removeAt(nameView(name), index); });
    if (result == S_OK)
        stored_ = true;
    return result;
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
