// Keeping a shared library loaded for the rest of the process. A plug-in that brings in a
// library with process-wide state (a planner, caches) would take it out again when the host
// unloads the plug-in, and everything that state held would be lost at every unload; kept
// loaded, the next load of the plug-in finds it and reuses it. Libraries the host itself uses
// are left as they are.
#pragma once

#include <dlfcn.h>

namespace resident {

// Marks the shared library holding `symbol` as never to be unloaded (nothing for a symbol of
// the program itself).
inline void keepLibraryOf(const void* symbol) {
    Dl_info info{};
    if (dladdr(symbol, &info) && info.dli_fname)
        dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

} // namespace resident
