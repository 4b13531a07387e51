// The wendle library's entry points: its load and unload notification, the counted open and
// close procedures, and the exports the host calls (WinPlugInOpen, WinPlugInClose, NewPlugIn,
// _PI_GetRoutineDescriptor). Nothing throws across these.
#include <dlfcn.h>

#include <new>
#include <string>

#include "CWendleGroup.h"
#include "PlugInLibrary/PlugInLibrary.h"
#include "WendleModule.h"

#define WENDLE_EXPORT extern "C" __attribute__((visibility("default")))

WENDLE_EXPORT PIErr NewPlugIn(void* unused);

namespace {

CWendleGroup* gThisGroup = nullptr;
int gOpenCount = 0;
bool gOpenSucceeded = false;
bool gProcsHandedToHost = false;
bool gOpenedThroughWinPlugInOpen = false;

PIErr OpenProc();
PIErr CloseProc();

void TearDownGroup() {
    delete gThisGroup;
    gThisGroup = nullptr;
}

// Counted: only the first opening builds the group. A failed first opening is undone and not
// counted, so the next one tries again.
PIErr OpenProc() {
    try {
        if (++gOpenCount > 1)
            return kPINoErr;
        Dl_info info{};
        const char* modulePath =
            dladdr(reinterpret_cast<void*>(&OpenProc), &info) ? info.dli_fname : "";
        pil::OpenResourceAccess(pil::ResourceFilePath(modulePath));
        const PIErr err = NewPlugIn(nullptr);
        if (err != kPINoErr) {
            TearDownGroup();
            pil::CloseResourceAccess();
            gOpenSucceeded = false;
            --gOpenCount;
            return err;
        }
        gOpenSucceeded = true;
        return kPINoErr;
    } catch (...) {
        TearDownGroup();
        pil::CloseResourceAccess();
        gOpenSucceeded = false;
        gOpenCount = 0;
        return kPIErr_NoMemory;
    }
}

// Counted: the last close destroys the group. A close without an open changes nothing.
PIErr CloseProc() {
    if (gOpenCount <= 0)
        return kPINoErr;
    if (--gOpenCount == 0 && gOpenSucceeded) {
        TearDownGroup();
        gOpenSucceeded = false;
        pil::CloseResourceAccess();
    }
    return kPINoErr;
}

// Load: hand the open and close procedures to the host when it exports the hook, else open at
// once.
__attribute__((constructor)) void OnLoad() {
    try {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&OnLoad), &info))
            wendlept::SetModuleHandle(info.dli_fbase);
        auto hook = reinterpret_cast<PISetPlugInOpenAndCloseProcsProc>(
            dlsym(RTLD_DEFAULT, PI_HOST_EXPORT_SET_OPEN_CLOSE));
        if (hook) {
            hook(&OpenProc, &CloseProc);
            gProcsHandedToHost = true;
        } else {
            OpenProc();
        }
    } catch (...) {
    }
}

// Unload: a host that holds the procedures closes through them; otherwise close what the load
// opened.
__attribute__((destructor)) void OnUnload() {
    try {
        if (!gProcsHandedToHost)
            CloseProc();
    } catch (...) {
    }
}

} // namespace

WENDLE_EXPORT int16_t WinPlugInOpen(int32_t version) {
    if (version != kPIOpenVersion) {
        gOpenedThroughWinPlugInOpen = false;
        return static_cast<int16_t>(kPIErr_BadOpenVersion);
    }
    gOpenedThroughWinPlugInOpen = true;
    return static_cast<int16_t>(OpenProc());
}

WENDLE_EXPORT int16_t WinPlugInClose() {
    return static_cast<int16_t>(CloseProc());
}

WENDLE_EXPORT PIErr NewPlugIn(void* /*unused*/) {
    try {
        if (gThisGroup)
            return kPINoErr;
        gThisGroup = new (std::nothrow) CWendleGroup;
        if (!gThisGroup)
            return kPIErr_NoMemory;
        return gThisGroup->Initialize();
    } catch (const std::bad_alloc&) {
        return kPIErr_NoMemory;
    } catch (...) {
        return kPIErr_Unsupported;
    }
}

WENDLE_EXPORT PIErr _PI_GetRoutineDescriptor(int32_t selector, void** routine) {
    if (routine)
        *routine = nullptr;
    if (selector < 0 || selector >= kPINumRoutines)
        return kPIErr_BadSelector;
    if (!routine)
        return kPIErr_BadArgument;
    *routine = pil::GetRoutine(selector);
    return kPINoErr;
}
