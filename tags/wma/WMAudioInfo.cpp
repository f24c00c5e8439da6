#include "tags/wma/WMAudioInfo.h"

#include "base/DynamicLibrary.h"
#include "base/FileLayer.h"

#include <memory>

namespace WMAudioInfo {

namespace {
// The library stays loaded from Bind to Unbind.
std::unique_ptr<velmora::DynamicLibrary> library;
wmaudsdk::WMAudioCreateInfoFn createInfo = nullptr;
} // namespace

bool BindFrom(const std::string& path) {
    Unbind();
    library = std::make_unique<velmora::DynamicLibrary>(path);
    createInfo = library->symbol<wmaudsdk::WMAudioCreateInfoFn>("WMAudioCreateInfo");
    return createInfo != nullptr;
}

void Bind() {
    BindFrom(velmora::executableDir() + LibraryName);
}

void Unbind() {
    createInfo = nullptr;
    library.reset();
}

wmaudsdk::WMAudioCreateInfoFn CreateInfo() {
    return createInfo;
}

} // namespace WMAudioInfo
