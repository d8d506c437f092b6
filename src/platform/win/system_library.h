// Loading the system DLLs that are not KnownDLLs (the IP helper, NetBIOS, the
// print spooler and the multimedia timer) from the system folder only.
//
// A host that runs as a service or as SYSTEM may live in a folder that other
// users can write to. A plain load by name searches the host's folder and the
// current directory before the system folder, so a DLL of that name planted
// there would run with the host's rights. These DLLs are therefore not
// imported: each function is looked up at first use from the DLL in the
// system folder, and a DLL or function that is not there counts as the call
// failing.
#pragma once

#include "platform/platform.h"

namespace hs::win {

// Loads NAME with LOAD_LIBRARY_SEARCH_SYSTEM32: the system folder only, for
// the DLL and its own dependencies. Fails where the loader lacks the flag.
HMODULE LoadWithSystemSearch(const char *name);

// Loads the full path of NAME in the system folder; the DLL's own
// dependencies are looked up in that folder first. Works on every Windows.
HMODULE LoadByFullSystemPath(const char *name);

// Whether the loader understands the LOAD_LIBRARY_SEARCH_* flags (Windows 8
// and later, Vista and 7 with update KB2533623): kernel32 then exports
// AddDllDirectory. Older loaders fail on the flag, and the 9x family may
// ignore an unknown flag and search the usual way, so the flag is used only
// where this says yes.
bool HasSystemSearchFlag();

// The DLL NAME from the system folder (the flag where it exists, the full
// path elsewhere), or null.
HMODULE LoadSystemLibrary(const char *name);

// A function of a system DLL, looked up on its first use and kept for the
// process's life (the DLL stays loaded, as an imported one would). Objects
// are constant-initialised, so they can be used while the module's static
// objects are built.
class SystemFunction {
public:
    constexpr SystemFunction(const char *dll, const char *name) : m_dll(dll), m_name(name) {}

    // The function's address, or null when the DLL or the function is missing.
    template <typename Function>
    Function *Get() {
        return reinterpret_cast<Function *>(reinterpret_cast<void (*)()>(Resolve()));
    }

    // The error a call reports when the function is missing:
    // ERROR_MOD_NOT_FOUND without the DLL, ERROR_PROC_NOT_FOUND without the
    // function in it.
    DWORD MissingError() const { return m_module != nullptr ? ERROR_PROC_NOT_FOUND : ERROR_MOD_NOT_FOUND; }

private:
    FARPROC Resolve();

    const char *m_dll;
    const char *m_name;
    HMODULE m_module = nullptr;
    FARPROC m_address = nullptr;
    bool m_resolved = false;
};

}  // namespace hs::win
