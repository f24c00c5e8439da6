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
// The new header could not be written; the file is unchanged. GetErrorText
// tells why.
constexpr HRESULT WMA_E_WRITEFAILED = static_cast<HRESULT>(0xC00D0006u);
// PrepareClose or CommitClose called out of turn.
constexpr HRESULT WMA_E_NOTPREPARED = static_cast<HRESULT>(0xC00D0007u);

// A system error (errno) as an HRESULT, in the way Windows wraps its own
// error codes: WMAudioCreateInfo returns it when the file cannot be opened.
constexpr HRESULT hresultFromErrno(int err) {
    return static_cast<HRESULT>(0x80070000u | (static_cast<std::uint32_t>(err) & 0xFFFFu));
}
// The errno inside such an HRESULT; 0 for any other code.
constexpr int errnoFromHresult(HRESULT result) {
    const auto bits = static_cast<std::uint32_t>(result);
    return (bits & 0xFFFF0000u) == 0x80070000u ? static_cast<int>(bits & 0xFFFFu) : 0;
}

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
    // terminating NUL. A value that does not fit fails (see the codes above)
    // and still sets *type, so a null value asks for the type and size.
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

    // Removes every file-level copy of the attribute (S_OK also when there
    // was none); written by CloseInfo.
    virtual HRESULT RemoveAttribute(const char16_t* name) = 0;
    // The message of this object's last failure: the file and the system's
    // reason, as NUL-terminated UTF-16 (empty when nothing failed). *units
    // holds the buffer's size in units and comes back with the size needed,
    // NUL included; a buffer too small gives WMA_E_BUFFERTOOSMALL.
    virtual HRESULT GetErrorText(char16_t* text, std::uint32_t* units) = 0;

    // CloseInfo in two steps, for saving many files as a group: PrepareClose
    // writes the new file beside the original and leaves the original as it
    // is; CommitClose puts the new file in place of the original. An object
    // released in between removes the new file. A read, or stores that
    // change nothing, prepare nothing and commit nothing.
    virtual HRESULT PrepareClose() = 0;
    virtual HRESULT CommitClose() = 0;

    // Attributes with several values (pictures, several artists). The
    // file-level copies of a name are numbered from 0 in the order readers
    // find them; copy 0 is the one QueryAttribute gives.
    virtual HRESULT GetAttributeCount(const char16_t* name, std::uint32_t* count) = 0;
    // QueryAttributeEx for copy index (WMA_E_NOTFOUND past the last one),
    // except that a value too large for the buffer still fills it with its
    // first *length bytes before failing: a few bytes show a picture's type
    // without the picture being read.
    virtual HRESULT QueryAttributeAt(const char16_t* name, std::uint32_t index, std::uint32_t* type,
                                     std::uint8_t* value, std::uint32_t* length) = 0;
    // Puts a new value in place of copy index; every other copy stays as it
    // is. A value too large for where the copy is moves to the end, as
    // AddAttribute puts it. Written by CloseInfo.
    virtual HRESULT ModifyAttributeAt(const char16_t* name, std::uint32_t index, std::uint32_t type,
                                      const std::uint8_t* value, std::uint32_t length) = 0;
    // Adds a copy after the others; written by CloseInfo.
    virtual HRESULT AddAttribute(const char16_t* name, std::uint32_t type,
                                 const std::uint8_t* value, std::uint32_t length) = 0;
    // Removes copy index; the later copies move down one number. Written by
    // CloseInfo.
    virtual HRESULT DeleteAttributeAt(const char16_t* name, std::uint32_t index) = 0;

protected:
    ~IWMAudioInfo() = default;
};

// Opens an information object on a file (a NUL-terminated UTF-16 path, see
// FileName.h). Only S_OK counts as success; *info is then set. A file that
// cannot be opened gives hresultFromErrno(errno); one that is not ASF, or not
// one we can read, WMA_E_CANNOTOPEN.
using WMAudioCreateInfoFn = HRESULT (*)(const char16_t* fileName, IWMAudioInfo** info);

} // namespace wmaudsdk

extern "C" __attribute__((visibility("default"))) wmaudsdk::HRESULT
WMAudioCreateInfo(const char16_t* fileName, wmaudsdk::IWMAudioInfo** info);
