// Loading the system DLLs of the Windows platform, run with copies of a fake
// DLL beside this program and in its current directory under the names of
// those DLLs (and under a name that exists nowhere else). Every way of
// loading must find the DLLs of the system folder, never the copies, and a
// function looked up through a missing DLL or a missing name must be null
// with the error that the platform's callers report.
#include "platform/win/system_library.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "test_report.h"

namespace {

const char kPlantedOnly[] = "hs-planted-only.dll";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The folder of a loaded module is the system folder or, for a 32-bit
// program on 64-bit Windows, the folder it is redirected to.
bool FromSystemFolder(HMODULE module, std::string &path) {
    char text[MAX_PATH] = {}, system[MAX_PATH] = {}, wow64[MAX_PATH] = {};
    GetModuleFileNameA(module, text, MAX_PATH);
    path = text;
    const std::string folder = Lower(path.substr(0, path.find_last_of('\\')));
    return (GetSystemDirectoryA(system, MAX_PATH) != 0 && folder == Lower(system)) ||
           (GetSystemWow64DirectoryA(wow64, MAX_PATH) != 0 && folder == Lower(wow64));
}

void TestLoading() {
    const struct {
        const char *name;
        HMODULE (*load)(const char *);
    } strategies[] = {
        {"LoadWithSystemSearch", hs::win::LoadWithSystemSearch},
        {"LoadByFullSystemPath", hs::win::LoadByFullSystemPath},
        {"LoadSystemLibrary", hs::win::LoadSystemLibrary},
    };
    const bool hasFlag = hs::win::HasSystemSearchFlag();
    std::printf("system_library_test: the loader %s LOAD_LIBRARY_SEARCH_SYSTEM32\n", hasFlag ? "has" : "lacks");
    for (const auto &s : strategies) {
        if (s.load == hs::win::LoadWithSystemSearch && !hasFlag) {
            std::printf("system_library_test: %s skipped: this loader lacks the flag\n", s.name);
            continue;
        }
        for (const char *dll : {"iphlpapi.dll", "netapi32.dll", "winspool.drv", "winmm.dll"}) {
            const HMODULE module = s.load(dll);
            std::string path;
            ok(module != nullptr && FromSystemFolder(module, path), "%s(%s): %p from %s, error %lu\n", s.name, dll,
               static_cast<void *>(module), path.c_str(), GetLastError());
        }
        ok(s.load(kPlantedOnly) == nullptr, "%s(%s) loaded a planted DLL\n", s.name, kPlantedOnly);
    }
}

void TestFunctions() {
    const struct {
        const char *dll;
        const char *function;
        bool found;
        DWORD missingError;
    } cases[] = {
        {"winmm.dll", "timeGetTime", true, 0},
        {"winspool.drv", "EnumPrintersA", true, 0},
        {"winmm.dll", "HsNoSuchFunction", false, ERROR_PROC_NOT_FOUND},
        {kPlantedOnly, "GetAdaptersInfo", false, ERROR_MOD_NOT_FOUND},
    };
    for (const auto &c : cases) {
        hs::win::SystemFunction function(c.dll, c.function);
        void (*address)() = function.Get<void()>();
        // A second look-up answers the same without loading again.
        ok((address != nullptr) == c.found && function.Get<void()>() == address &&
               (c.found || function.MissingError() == c.missingError),
           "%s!%s: %p, missing error %lu\n", c.dll, c.function, reinterpret_cast<void *>(address),
           function.MissingError());
    }
}

}  // namespace

int main() {
    TestLoading();
    TestFunctions();
    return test_report::Summary("system_library_test");
}
