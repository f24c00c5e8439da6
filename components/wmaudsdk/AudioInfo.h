// The information object behind WMAudioCreateInfo: attribute queries and
// stores over an AsfFile, written back by CloseInfo.
#pragma once

#include "AsfFile.h"
#include "WMAudioSdk.h"

#include <cstdint>
#include <string>

namespace wmaudsdk {

class AudioInfo final : public IWMAudioInfo {
public:
    // Nullptr when the file cannot be opened (errno set) or read as ASF
    // (errno 0).
    static AudioInfo* open(const std::string& path);

    HRESULT QueryInterface(const void* iid, void** out) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;
    HRESULT QueryAttribute(const char16_t* name, std::uint32_t* type, std::uint8_t* value,
                           std::uint16_t* length) override;
    HRESULT StoreAttribute(const char16_t* name, std::uint32_t type, const std::uint8_t* value,
                           std::uint16_t length) override;
    HRESULT CloseInfo() override;
    HRESULT QueryAttributeEx(const char16_t* name, std::uint32_t* type, std::uint8_t* value,
                             std::uint32_t* length) override;
    HRESULT StoreAttributeEx(const char16_t* name, std::uint32_t type, const std::uint8_t* value,
                             std::uint32_t length) override;
    HRESULT RemoveAttribute(const char16_t* name) override;
    HRESULT GetErrorText(char16_t* text, std::uint32_t* units) override;
    HRESULT PrepareClose() override;
    HRESULT CommitClose() override;
    HRESULT GetAttributeCount(const char16_t* name, std::uint32_t* count) override;
    HRESULT QueryAttributeAt(const char16_t* name, std::uint32_t index, std::uint32_t* type,
                             std::uint8_t* value, std::uint32_t* length) override;
    HRESULT ModifyAttributeAt(const char16_t* name, std::uint32_t index, std::uint32_t type,
                              const std::uint8_t* value, std::uint32_t length) override;
    HRESULT AddAttribute(const char16_t* name, std::uint32_t type, const std::uint8_t* value,
                         std::uint32_t length) override;
    HRESULT DeleteAttributeAt(const char16_t* name, std::uint32_t index) override;

private:
    AudioInfo() = default;
    ~AudioInfo() = default;
    // Runs a step that may raise, keeping the message of a failure for
    // GetErrorText; failed is the code for a failure other than memory.
    template <typename Step> HRESULT guarded(HRESULT failed, Step&& step);
    // A change of the header by change(header, name, stored type, bytes),
    // which is false when the value cannot be stored (E_INVALIDARG).
    template <typename Change>
    HRESULT changeValue(const char16_t* name, std::uint32_t type, const std::uint8_t* value,
                        std::uint32_t length, Change&& change);
    // WMA_E_NOTFOUND when name has no copy index, else S_OK.
    HRESULT checkCopy(const char16_t* name, std::uint32_t index);

    std::uint32_t references_ = 1;
    bool closed_ = false;
    bool stored_ = false;
    std::string errorText_; // UTF-8
    std::string scratch_;   // a value read from the file for a query
    AsfFile file_;
};

} // namespace wmaudsdk
