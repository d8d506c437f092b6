// A host program for the planting and missing-dependency tests. It imports
// only kernel32, advapi32 and the C runtime, loads Hardscan.dll from its own folder
// and prints every export's answer (export_answers.h) and the types of the
// devices listed, for planting-test.sh to compare between runs.
//
//   planting_host.exe [missing]
//
// With "missing" the IP helper, NetBIOS, the spooler and the multimedia timer
// cannot be loaded, and the program also checks that the exports answer as
// they must without them: no adapters, no NetBIOS adapters, no printers, the
// clock speed from the registry.
#include <windows.h>
#include <iptypes.h>

#include <cpuid.h>

#include <cstdio>
#include <cstring>

#include "common/bad_input.h"
#include "export_answers.h"
#include "test_report.h"

namespace {

hstest::Exports g_x;

// The processor speed that the registry stores, 0 when it holds none.
uint32_t RegistrySpeed() {
    HKEY key = nullptr;
    DWORD mhz = 0, size = sizeof mhz;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Hardware\\Description\\System\\CentralProcessor\\0", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return 0;
    if (RegQueryValueExA(key, "~MHz", nullptr, nullptr, reinterpret_cast<BYTE *>(&mhz), &size) != ERROR_SUCCESS) mhz = 0;
    RegCloseKey(key);
    return mhz;
}

void CheckWithoutServices(const std::string &types) {
    ok(g_x.HsiGetNetCount() == 0, "HsiGetNetCount: %d, expected 0 without NetBIOS\n", g_x.HsiGetNetCount());
    badinput::Area list(sizeof(INFOLIST), false), net(sizeof(NETINFO), false);
    list.As<INFOLIST>()->records = net.Address32();
    ok(g_x.HsiGetNetInfoEx(list.As<INFOLIST>(), 1) == 0, "HsiGetNetInfoEx(1) answered 1 without NetBIOS\n");
    uint32_t size = 0xFFFFFFFFu;
    const uint32_t query = g_x.HsiGetAdapterInfo(nullptr, &size);
    ok(query == 0 && size == 0, "HsiGetAdapterInfo(NULL): %u, size %u; expected 0, 0 without the IP helper\n", query,
       size);
    NETUSERINFO user;
    std::memset(&user, 'U', sizeof user);
    ok(g_x.HsiGetNetUserInfo(&user) == 1 && user.computerName[0] != 'U' && user.userName[0] != 'U',
       "HsiGetNetUserInfo: no names\n");
    ok(user.ipAddress[0] == 'U' && user.mac[0] == 'U', "HsiGetNetUserInfo wrote an address without the IP helper\n");
    ok(types.find("Printer") == std::string::npos && types.find("Net") == std::string::npos,
       "devices %s without the spooler and the IP helper\n", types.c_str());
    // Without the multimedia timer the clock of an Intel or AMD processor
    // cannot be measured at first: the speed comes from the registry.
    unsigned highest, vendor[3];
    __cpuid(0, highest, vendor[0], vendor[2], vendor[1]);
    const std::string name(reinterpret_cast<const char *>(vendor), 12);
    const uint32_t stored = RegistrySpeed();
    if (stored == 0 || (name != "GenuineIntel" && name != "AuthenticAMD")) {
        std::printf("planting_host: speed check skipped: no stored speed, or a processor that is not measured\n");
        return;
    }
    CPUINFO cpu;
    size = sizeof cpu;
    ok(g_x.HsiGetCpuInfo(&cpu, &size) == 0 && cpu.speed == stored, "speed %u MHz, expected the registry's %u MHz\n",
       cpu.speed, stored);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc > 2 || (argc == 2 && std::strcmp(argv[1], "missing") != 0)) {
        std::fprintf(stderr, "usage: %s [missing]\n", argv[0]);
        return 2;
    }
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dll(path, length);
    dll = dll.substr(0, dll.find_last_of('\\') + 1) + "Hardscan.dll";
    const HMODULE module = LoadLibraryA(dll.c_str());
    const char *missing = module == nullptr ? "all" : hstest::ResolveExports(g_x, [module](const char *name) {
        return reinterpret_cast<void *>(GetProcAddress(module, name));
    });
    if (missing != nullptr) {
        std::printf("FAIL: %s: exports missing (%s), error %lu\n", dll.c_str(), missing, GetLastError());
        return 1;
    }
    answers::Print(answers::AnswerAll(module, 0));
    uint32_t size = 0;
    g_x.HsiGetDeviceInfo(nullptr, &size);
    std::vector<DEVICEINFO> devices(size / sizeof(DEVICEINFO) + 1);
    g_x.HsiGetDeviceInfo(devices.data(), &size);
    std::string types;
    for (size_t i = 0; i < size / sizeof(DEVICEINFO); ++i) types += std::string(" ") + devices[i].type;
    std::printf("types%s\n", types.c_str());
    if (argc == 2) CheckWithoutServices(types);
    return test_report::Summary("planting_host");
}
