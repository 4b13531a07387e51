// Module-wide state of the wendle plug-in library.
#include "WendleModule.h"

namespace wendlept {

namespace {
void* gModuleHandle = nullptr;
}

void SetModuleHandle(void* handle) {
    gModuleHandle = handle;
}
void* ModuleHandle() {
    return gModuleHandle;
}

} // namespace wendlept
