// The library's one export: opens an information object on a file.
#include "AudioInfo.h"
#include <wmaudsdk/FileName.h>

#include <cerrno>
#include <new>

extern "C" __attribute__((visibility("default"))) wmaudsdk::HRESULT
WMAudioCreateInfo(const char16_t* fileName, wmaudsdk::IWMAudioInfo** info) {
    using namespace wmaudsdk;
    if (!fileName || !info)
        return E_POINTER;
    *info = nullptr;
    try {
        std::u16string name;
        for (const char16_t* p = fileName; *p && name.size() < 0x10000; ++p)
            name += *p;
        AudioInfo* opened = AudioInfo::open(fileNameFromUtf16(name));
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
