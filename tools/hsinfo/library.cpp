#include "library.h"

#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace hsinfo {

namespace {

#if defined(_WIN32)
using Handle = HMODULE;
Handle Open(const std::string &path) { return LoadLibraryA(path.c_str()); }
void *Find(Handle h, const char *name) { return reinterpret_cast<void *>(GetProcAddress(h, name)); }
std::string LastError() { return "error " + std::to_string(GetLastError()); }
const char kLibraryName[] = "Hardscan.dll";
#else
using Handle = void *;
Handle Open(const std::string &path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }
void *Find(Handle h, const char *name) { return dlsym(h, name); }
std::string LastError() {
    const char *e = dlerror();
    return e ? e : "unknown error";
}
const char kLibraryName[] = "libhardscan.so";
#endif

template <typename F>
bool Resolve(Handle h, const char *name, F &slot, std::string &error) {
    slot = reinterpret_cast<F>(Find(h, name));
    if (slot == nullptr) {
        error = std::string("export missing: ") + name;
        return false;
    }
    return true;
}

}  // namespace

std::string DefaultLibraryPath() {
#if defined(_WIN32)
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
#else
    char path[4096] = {};
    if (readlink("/proc/self/exe", path, sizeof path - 1) < 0) return kLibraryName;
#endif
    std::string dir(path);
    const size_t slash = dir.find_last_of("/\\");
    return slash == std::string::npos ? kLibraryName : dir.substr(0, slash + 1) + kLibraryName;
}

bool SelectMachine(const std::string &profile, std::string &error) {
#if defined(_WIN32)
    (void)profile;
    error = "--machine selects a simulated machine and exists only on the native build";
    return false;
#else
    if (setenv("HARDSCAN_MACHINE", profile.c_str(), 1) != 0) {
        error = "cannot set HARDSCAN_MACHINE";
        return false;
    }
    return true;
#endif
}

bool LoadHardscan(const std::string &path, Exports &e, std::string &error) {
    Handle h = Open(path);
    if (h == nullptr) {
        error = "cannot load " + path + ": " + LastError();
        return false;
    }
    return Resolve(h, "HsiGetCpuCount", e.GetCpuCount, error) && Resolve(h, "HsiGetCpuInfo", e.GetCpuInfo, error) &&
           Resolve(h, "HsiGetCpuInfoEx", e.GetCpuInfoEx, error) &&
           Resolve(h, "HsiGetCommonInfo", e.GetCommonInfo, error) &&
           Resolve(h, "HsiGetNetCount", e.GetNetCount, error) &&
           Resolve(h, "HsiGetNetInfoEx", e.GetNetInfoEx, error) &&
           Resolve(h, "HsiGetAdapterCount", e.GetAdapterCount, error) &&
           Resolve(h, "HsiGetAdapterInfo", e.GetAdapterInfo, error) &&
           Resolve(h, "HsiGetNetUserInfo", e.GetNetUserInfo, error) &&
           Resolve(h, "HsiGetSoftwareCount", e.GetSoftwareCount, error) &&
           Resolve(h, "HsiGetSoftwareInfo", e.GetSoftwareInfo, error) &&
           Resolve(h, "HsiGetSoftwareInfoEx", e.GetSoftwareInfoEx, error) &&
           Resolve(h, "HsiGetDriverInfo", e.GetDriverInfo, error) &&
           Resolve(h, "HsiGetDeviceInfo", e.GetDeviceInfo, error) &&
           Resolve(h, "HsiGetSysInfo", e.GetSysInfo, error);
}

}  // namespace hsinfo
