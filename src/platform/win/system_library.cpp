#include "platform/win/system_library.h"

#include <cstring>

namespace hs::win {

namespace {

// Not declared by older Windows headers.
constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;

}  // namespace

HMODULE LoadWithSystemSearch(const char *name)
{
    return LoadLibraryExA(name, nullptr, kLoadLibrarySearchSystem32);
}

HMODULE LoadByFullSystemPath(const char *name)
{
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, sizeof path);
    const size_t nameLength = std::strlen(name);
    // A folder name that does not fit, or none at all, loads nothing.
    if (length == 0 || length + 1 + nameLength >= sizeof path)
        return nullptr;
    path[length] = '\\';
    std::memcpy(path + length + 1, name, nameLength + 1);
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool HasSystemSearchFlag()
{
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel != nullptr && GetProcAddress(kernel, "AddDllDirectory") != nullptr;
}

HMODULE LoadSystemLibrary(const char *name)
{
    return HasSystemSearchFlag() ? LoadWithSystemSearch(name) : LoadByFullSystemPath(name);
}

FARPROC SystemFunction::Resolve()
{
    // The host calls the exports one at a time; two threads racing here
    // would at worst load the DLL twice, which only counts it twice.
    if (!m_resolved) {
        m_module = LoadSystemLibrary(m_dll);
        m_address = m_module != nullptr ? GetProcAddress(m_module, m_name) : nullptr;
        m_resolved = true;
    }
    return m_address;
}

}  // namespace hs::win
