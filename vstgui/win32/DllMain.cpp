// The plug-in DLL's entry: keeps the module's instance for the GUI code (the window class of the
// editors' frames is registered on it) and accepts every reason. Pulled in only where the module
// is a DLL whose start-up code asks for it.
#include "GdiSurface.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        vstgui_detail::setModuleInstance(instance);
    return TRUE;
}
