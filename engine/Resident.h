// Keeping a shared library loaded for the rest of the process. A plug-in that brings in a
// library with process-wide state (a planner, caches) would take it out again when the host
// unloads the plug-in, and everything that state held would be lost at every unload; kept
// loaded, the next load of the plug-in finds it and reuses it. Libraries the host itself uses
// are left as they are. Windows builds link those libraries statically into each DLL: there is
// nothing to keep.
#pragma once

#ifndef _WIN32
#include <dlfcn.h>
#endif

namespace resident {

// Marks the shared library holding `symbol` as never to be unloaded (nothing for a symbol of
// the program itself, or of a static library).
inline void keepLibraryOf(const void* symbol) {
#ifdef _WIN32
    (void)symbol;
#else
    Dl_info info{};
    if (dladdr(symbol, &info) && info.dli_fname)
        dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
#endif
}

} // namespace resident
