// The plug-in's resource file path and its open state.
#include "CResourceAccess.h"

namespace pil {

namespace {
constexpr size_t kMaxModulePath = 256;
std::string gResourcePath;
bool gResourceOpen = false;
} // namespace

std::string ResourceFilePath(const char* modulePath) {
    std::string path(modulePath ? modulePath : "");
    if (path.size() > kMaxModulePath)
        path.resize(kMaxModulePath);
    return path + ".rsr";
}

void OpenResourceAccess(const std::string& resourcePath) {
    gResourcePath = resourcePath;
    gResourceOpen = true;
}

void CloseResourceAccess() {
    gResourceOpen = false;
    gResourcePath.clear();
}

bool ResourceAccessOpen() {
    return gResourceOpen;
}

const std::string& CurrentResourcePath() {
    return gResourcePath;
}

} // namespace pil
