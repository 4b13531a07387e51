// Plug-in libraries through the dynamic loader.
#include "Library.h"

#include <dlfcn.h>

namespace vsthost {

void* openLibrary(const std::string& path, std::string& error) {
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = ::dlerror();
        error = why ? why : "unknown error";
    }
    return library;
}

void* librarySymbol(void* library, const char* name) {
    return ::dlsym(library, name);
}

void closeLibrary(void* library) {
    ::dlclose(library);
}

} // namespace vsthost
