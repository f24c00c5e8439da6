// The library's one export: opens an information object on a file.
#include "AudioInfo.h"
#include "FileName.h"

#include <cerrno>
#include <new>

extern "C" __attribute__((visibility("default"))) wmaudsdk::HRESULT
WMAudioCreateInfo(const char16_t* fileName, wmaudsdk::IWMAudioInfo** info) {
    using namespace wmaudsdk;
    if (!fileName || !info)
        return E_POINTER;
    *info = nullptr;
    try {
        std::size_t length = 0;
        while (fileName[length] && length < 0x10000)
            ++length;
        AudioInfo* opened = AudioInfo::open(fileNameFromUtf16({fileName, length}));
        if (!opened)
            return errno != 0 ? hresultFromErrno(errno) : WMA_E_CANNOTOPEN;
        *info = opened;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return WMA_E_CANNOTOPEN;
    }
}
