// The plug-in's resource file path and its open state.
#include "CResourceAccess.h"

namespace pil {

namespace {
constexpr size_t kMaxModulePath = 256;
bool gResourceOpen = false;

// Built on first use: the library opens itself from its load-time constructor, which may run
// before this file's globals are initialised (that would empty a path already set and lose its
// memory). A function's static is destroyed when the library is unloaded, like any global.
std::string& resourcePath() {
    static std::string path;
    return path;
}
} // namespace

std::string ResourceFilePath(const char* modulePath) {
    std::string path(modulePath ? modulePath : "");
    if (path.size() > kMaxModulePath)
        path.resize(kMaxModulePath);
    return path + ".rsr";
}

void OpenResourceAccess(const std::string& path) {
    resourcePath() = path;
    gResourceOpen = true;
}

void CloseResourceAccess() {
    gResourceOpen = false;
    resourcePath().clear();
}

bool ResourceAccessOpen() {
    return gResourceOpen;
}

const std::string& CurrentResourcePath() {
    return resourcePath();
}

} // namespace pil
