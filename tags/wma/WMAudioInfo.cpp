#include "tags/wma/WMAudioInfo.h"

#include "tags/common/FileLayer.h"

#include <dlfcn.h>

namespace WMAudioInfo {

namespace {
// The library stays loaded from Bind to Unbind.
void* library = nullptr;
wmaudsdk::WMAudioCreateInfoFn createInfo = nullptr;
} // namespace

bool BindFrom(const std::string& path) {
    Unbind();
    library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library)
        createInfo =
            reinterpret_cast<wmaudsdk::WMAudioCreateInfoFn>(::dlsym(library, "WMAudioCreateInfo"));
    return createInfo != nullptr;
}

void Bind() {
    BindFrom(velmora::executableDir() + LibraryName);
}

void Unbind() {
    createInfo = nullptr;
    if (library)
        ::dlclose(library);
    library = nullptr;
}

wmaudsdk::WMAudioCreateInfoFn CreateInfo() {
    return createInfo;
}

} // namespace WMAudioInfo
