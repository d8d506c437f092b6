// Loading the system DLLs of the Windows platform, run with copies of a fake
// DLL beside this program and in its current directory under the names of
// those DLLs (and under a name that exists nowhere else). Both ways of
// loading must find the DLLs of the system folder, never the copies, and a
// function looked up through a missing DLL or a missing name must be null
// with the error that the platform's callers report.
#include "platform/win/system_library.h"

#include <cctype>
#include <cstring>
#include <string>

#include "test_report.h"

namespace {

// The names the platform loads; fakes of these lie beside the program.
const char *const kSystemDlls[] = {"iphlpapi.dll", "netapi32.dll", "winspool.drv", "winmm.dll"};
// A fake that only lies beside the program and in the current directory.
const char kPlantedOnly[] = "hs-planted-only.dll";

std::string Lower(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Folder(const std::string &path)
{
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : Lower(path.substr(0, slash));
}

std::string ModulePath(HMODULE module)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

// The folders a system DLL may come from: the system folder, and for a
// 32-bit program on 64-bit Windows the folder it is redirected to.
bool IsSystemFolder(const std::string &folder)
{
    char path[MAX_PATH] = {};
    if (GetSystemDirectoryA(path, MAX_PATH) != 0 && folder == Lower(path))
        return true;
    char wow64[MAX_PATH] = {};
    return GetSystemWow64DirectoryA(wow64, MAX_PATH) != 0 && folder == Lower(wow64);
}

struct Strategy {
    const char *name;
    HMODULE (*load)(const char *);
};

void TestLoading()
{
    const Strategy strategies[] = {
        {"LoadWithSystemSearch", hs::win::LoadWithSystemSearch},
        {"LoadByFullSystemPath", hs::win::LoadByFullSystemPath},
        {"LoadSystemLibrary", hs::win::LoadSystemLibrary},
    };
    const bool hasFlag = hs::win::HasSystemSearchFlag();
    std::printf("system_library_test: the loader %s LOAD_LIBRARY_SEARCH_SYSTEM32\n", hasFlag ? "has" : "lacks");
    for (const Strategy &s : strategies) {
        if (s.load == hs::win::LoadWithSystemSearch && !hasFlag) {
            std::printf("system_library_test: %s skipped: this loader lacks the flag\n", s.name);
            continue;
        }
        for (const char *dll : kSystemDlls) {
            const HMODULE module = s.load(dll);
            ok(module != nullptr, "%s(%s): null, error %lu\n", s.name, dll, GetLastError());
            if (module == nullptr)
                continue;
            const std::string path = ModulePath(module);
            ok(IsSystemFolder(Folder(path)), "%s(%s) loaded %s, outside the system folder\n", s.name, dll,
               path.c_str());
        }
        const HMODULE planted = s.load(kPlantedOnly);
        ok(planted == nullptr, "%s(%s) loaded %s\n", s.name, kPlantedOnly,
           planted ? ModulePath(planted).c_str() : "");
    }
}

void TestFunctions()
{
    struct Case {
        const char *dll;
        const char *function;
        bool found;
        DWORD missingError;
    };
    const Case cases[] = {
        {"winmm.dll", "timeGetTime", true, 0},
        {"winspool.drv", "EnumPrintersA", true, 0},
        {"winmm.dll", "HsNoSuchFunction", false, ERROR_PROC_NOT_FOUND},
        {kPlantedOnly, "GetAdaptersInfo", false, ERROR_MOD_NOT_FOUND},
    };
    for (const Case &c : cases) {
        hs::win::SystemFunction function(c.dll, c.function);
        void (*address)() = function.Get<void()>();
        // A second look-up answers the same without loading again.
        ok((address != nullptr) == c.found && function.Get<void()>() == address, "%s!%s: %p, expected %s\n", c.dll,
           c.function, reinterpret_cast<void *>(address), c.found ? "an address" : "null");
        if (!c.found)
            ok(function.MissingError() == c.missingError, "%s!%s: missing error %lu, expected %lu\n", c.dll,
               c.function, function.MissingError(), c.missingError);
    }
}

}  // namespace

int main()
{
    TestLoading();
    TestFunctions();
    return test_report::Summary("system_library_test");
}
