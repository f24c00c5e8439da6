// The WMA audio SDK's interface, shared by the library (libwmaudsdk.so) and
// the program that loads it at run time: the exported WMAudioCreateInfo and
// the information object it opens on a file. Plain C++, no Qt.
#pragma once

#include <cstdint>

namespace wmaudsdk {

using HRESULT = std::int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
// The file cannot be opened, or it is not an ASF file we can read.
constexpr HRESULT WMA_E_CANNOTOPEN = static_cast<HRESULT>(0xC00D0001u);
constexpr HRESULT WMA_E_INVALIDFILE = static_cast<HRESULT>(0xC00D0002u);
// The attribute is not in the file.
constexpr HRESULT WMA_E_NOTFOUND = static_cast<HRESULT>(0xC00D0003u);
// The caller's buffer is too small (or missing): the byte count now holds the
// size needed. With a 16-bit count, a value over 65535 bytes reports
// WMA_E_VALUETOOLARGE instead and needs QueryAttributeEx.
constexpr HRESULT WMA_E_BUFFERTOOSMALL = static_cast<HRESULT>(0xC00D0004u);
constexpr HRESULT WMA_E_VALUETOOLARGE = static_cast<HRESULT>(0xC00D0005u);
// The new header could not be written; the file is unchanged.
constexpr HRESULT WMA_E_WRITEFAILED = static_cast<HRESULT>(0xC00D0006u);

// Attribute type codes.
enum WMAttrType : std::uint32_t {
    WMT_TYPE_DWORD = 0,  // 32-bit unsigned number, 4 bytes
    WMT_TYPE_STRING = 1, // NUL-terminated UTF-16 (little-endian) text
    WMT_TYPE_BINARY = 2,
    WMT_TYPE_BOOL = 3, // 4 bytes
    WMT_TYPE_QWORD = 4,
    WMT_TYPE_WORD = 5,
    WMT_TYPE_GUID = 6,
};

// The information object: three IUnknown-style methods, then the attribute
// calls. Methods never throw.
class IWMAudioInfo {
public:
    virtual HRESULT QueryInterface(const void* iid, void** out) = 0;
    virtual std::uint32_t AddRef() = 0;
    // Frees the object at the last release; stores not followed by CloseInfo
    // are dropped.
    virtual std::uint32_t Release() = 0;

    // Copies the attribute's value into value (up to *length bytes). On
    // success *type and *length describe the value; a string comes with its
    // terminating NUL. A value that does not fit fails (see the codes above).
    virtual HRESULT QueryAttribute(const char16_t* name, std::uint32_t* type, std::uint8_t* value,
                                   std::uint16_t* length) = 0;
    // Sets the attribute (replacing every file-level copy of it); written by
    // CloseInfo.
    virtual HRESULT StoreAttribute(const char16_t* name, std::uint32_t type,
                                   const std::uint8_t* value, std::uint16_t length) = 0;
    // Writes the stored attributes into the file (a new header, everything
    // else copied byte for byte) and closes it. A read changes nothing.
    virtual HRESULT CloseInfo() = 0;

    // The same two calls with 32-bit byte counts, for values too large for
    // the 16-bit ones.
    virtual HRESULT QueryAttributeEx(const char16_t* name, std::uint32_t* type, std::uint8_t* value,
                                     std::uint32_t* length) = 0;
    virtual HRESULT StoreAttributeEx(const char16_t* name, std::uint32_t type,
                                     const std::uint8_t* value, std::uint32_t length) = 0;

protected:
    ~IWMAudioInfo() = default;
};

// Opens an information object on a file (a NUL-terminated UTF-16 path).
// Only S_OK counts as success; *info is then set.
using WMAudioCreateInfoFn = HRESULT (*)(const char16_t* fileName, IWMAudioInfo** info);

} // namespace wmaudsdk

extern "C" __attribute__((visibility("default"))) wmaudsdk::HRESULT
WMAudioCreateInfo(const char16_t* fileName, wmaudsdk::IWMAudioInfo** info);
