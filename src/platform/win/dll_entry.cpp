// The module entry on Windows. The C runtime builds the static objects before
// it calls DllMain for process attach, and destroys them after DllMain for
// process detach.
#include "platform/platform.h"

#include "api/module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        hs::ModuleAttach();
        break;
    case DLL_PROCESS_DETACH:
        hs::ModuleDetach();
        break;
    default:
        break;
    }
    return TRUE;
}
