// A shared library loaded for the lifetime of one object (dlopen / dlclose).
#pragma once

#include <dlfcn.h>
#include <string>

namespace velmora {

class DynamicLibrary {
public:
    explicit DynamicLibrary(const std::string& name)
        : handle_(::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~DynamicLibrary() {
        if (handle_)
            ::dlclose(handle_);
    }
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    // The entry point of that name, looked up now; nullptr when missing.
    template <typename F> F symbol(const char* name) const {
        return handle_ ? reinterpret_cast<F>(::dlsym(handle_, name)) : nullptr;
    }

private:
    void* handle_;
};

} // namespace velmora
