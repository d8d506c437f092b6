// Import slots of the 32-bit DLL filled here instead of from kernel32, so that
// the DLL loads and runs on every Windows from 95 and NT 4 on
// (scripts/win32-imports.txt lists what it imports).
//
// - The MinGW runtime and the static C++ runtime call three wide-character
//   functions: CreateSemaphoreW for their locks (at load and on the first
//   export), GetModuleHandleW and LoadLibraryW for run-time look-ups.
//   Windows 95, 98 and ME export these only as stubs that fail. Here they go
//   to the ANSI functions; the runtime passes no name or an ASCII one.
// - The process affinity functions (used by the hyper-threading walk) do
//   not exist on Windows 95, 98 and ME. Here they are looked up at first use
//   (system_library.h); where they are missing the call fails.
//
// A slot is the pointer that callers of a dllimport function call through
// (symbol __imp__Name@bytes); defining it here keeps the linker from taking
// kernel32's.
#include "platform/platform.h"
#include "platform/win/system_library.h"

namespace {

// The name in single-byte characters; false when it is not ASCII or does not
// fit.
bool NarrowAsciiName(const wchar_t *name, char (&narrow)[MAX_PATH])
{
    for (size_t i = 0; i < MAX_PATH; ++i) {
        if (name[i] >= 0x80)
            return false;
        narrow[i] = static_cast<char>(name[i]);
        if (name[i] == 0)
            return true;
    }
    return false;
}

HANDLE WINAPI HsCreateSemaphoreW(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name)
{
    char narrow[MAX_PATH];
    if (name != nullptr && !NarrowAsciiName(name, narrow)) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    return CreateSemaphoreA(attributes, initial, maximum, name != nullptr ? narrow : nullptr);
}

HMODULE WINAPI HsGetModuleHandleW(LPCWSTR name)
{
    char narrow[MAX_PATH];
    if (name == nullptr)
        return GetModuleHandleA(nullptr);
    if (!NarrowAsciiName(name, narrow)) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    return GetModuleHandleA(narrow);
}

HMODULE WINAPI HsLoadLibraryW(LPCWSTR name)
{
    char narrow[MAX_PATH];
    if (name == nullptr || !NarrowAsciiName(name, narrow)) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    return LoadLibraryA(narrow);
}

hs::win::SystemFunction g_getProcessAffinityMask("kernel32.dll", "GetProcessAffinityMask");
hs::win::SystemFunction g_setProcessAffinityMask("kernel32.dll", "SetProcessAffinityMask");

BOOL WINAPI HsGetProcessAffinityMask(HANDLE process, PDWORD_PTR processMask, PDWORD_PTR systemMask)
{
    auto *function = g_getProcessAffinityMask.Get<decltype(GetProcessAffinityMask)>();
    if (function == nullptr) {
        SetLastError(g_getProcessAffinityMask.MissingError());
        return FALSE;
    }
    return function(process, processMask, systemMask);
}

BOOL WINAPI HsSetProcessAffinityMask(HANDLE process, DWORD_PTR mask)
{
    auto *function = g_setProcessAffinityMask.Get<decltype(SetProcessAffinityMask)>();
    if (function == nullptr) {
        SetLastError(g_setProcessAffinityMask.MissingError());
        return FALSE;
    }
    return function(process, mask);
}

}  // namespace

// The slots: function pointers with constant initial values, so they hold
// their targets before any code of the module runs.
#define HS_IMPORT_SLOT(function, argumentBytes, replacement)                                          \
    extern "C" decltype(&::function) const hs_slot_##function __asm__("__imp__" #function "@" #argumentBytes); \
    decltype(&::function) const hs_slot_##function = &replacement;

HS_IMPORT_SLOT(CreateSemaphoreW, 16, HsCreateSemaphoreW)
HS_IMPORT_SLOT(GetModuleHandleW, 4, HsGetModuleHandleW)
HS_IMPORT_SLOT(LoadLibraryW, 4, HsLoadLibraryW)
HS_IMPORT_SLOT(GetProcessAffinityMask, 12, HsGetProcessAffinityMask)
HS_IMPORT_SLOT(SetProcessAffinityMask, 8, HsSetProcessAffinityMask)
