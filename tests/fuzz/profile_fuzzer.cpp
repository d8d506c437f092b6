// Feeds arbitrary bytes to the profile reader; whatever loads is then read
// back through the registry functions and the machine's other Windows calls.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_machine.h"

namespace {

void WalkKey(HKEY key, int depth) {
    DWORD subkeys = 0, maxSubkey = 0, values = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, &values, &maxName, &maxData,
                         nullptr, nullptr) != ERROR_SUCCESS) {
        __builtin_trap();
    }
    std::vector<char> name(maxName + 1);
    std::vector<BYTE> data(maxData);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = maxData, type = 0;
        LSTATUS status = RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) break;
        // The lengths that RegQueryInfoKeyA reported always suffice.
        if (status != ERROR_SUCCESS || i >= values) __builtin_trap();
        DWORD querySize = 0;
        if (RegQueryValueExA(key, name.data(), nullptr, nullptr, nullptr, &querySize) != ERROR_SUCCESS ||
            querySize != dataSize) {
            __builtin_trap();
        }
    }
    std::vector<char> subkey(maxSubkey + 1);
    for (DWORD i = 0;; ++i) {
        DWORD size = static_cast<DWORD>(subkey.size());
        LSTATUS status = RegEnumKeyExA(key, i, subkey.data(), &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS || i >= subkeys) __builtin_trap();
        HKEY child = nullptr;
        if (depth < 600 && RegOpenKeyExA(key, subkey.data(), 0, KEY_READ, &child) == ERROR_SUCCESS) {
            WalkKey(child, depth + 1);
            RegCloseKey(child);
        }
    }
}

void ReadFacts() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    for (uint32_t leaf : {0u, 1u, 2u, 4u, 0x80000000u}) hs::ExecuteCpuid(leaf);
    hs::ProbeSse();
    hs::ReadMxcsrMask();
    timeGetTime();
    hs::ReadTsc();
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) == ERROR_BUFFER_OVERFLOW) {
        std::vector<IP_ADAPTER_INFO> adapters(size / sizeof(IP_ADAPTER_INFO));
        GetAdaptersInfo(adapters.data(), &size);
    }
    NCB ncb{};
    LANA_ENUM lanas{};
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = reinterpret_cast<UCHAR *>(&lanas);
    ncb.ncb_length = sizeof lanas;
    if (Netbios(&ncb) == NRC_GOODRET) {
        for (int i = 0; i < lanas.length; ++i) {
            ADAPTER_STATUS status{};
            NCB astat{};
            astat.ncb_command = NCBASTAT;
            astat.ncb_lana_num = lanas.lana[i];
            astat.ncb_buffer = reinterpret_cast<UCHAR *>(&status);
            astat.ncb_length = sizeof status;
            Netbios(&astat);
        }
    }
    for (DWORD flags : {PRINTER_ENUM_DEFAULT, PRINTER_ENUM_LOCAL}) {
        DWORD needed = 0, returned = 0;
        if (!EnumPrintersA(flags, nullptr, 4, nullptr, 0, &needed, &returned) &&
            GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            std::vector<BYTE> buffer(needed);
            EnumPrintersA(flags, nullptr, 4, buffer.data(), needed, &needed, &returned);
        }
    }
    char root[] = "A:";
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        root[0] = letter;
        GetDriveTypeA(root);
    }
    _chdrive(_getdrive());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    try {
        hs::sim::LoadMachine(std::string(reinterpret_cast<const char *>(data), size));
    } catch (const hs::sim::ProfileError &) {
        return 0;
    }
    WalkKey(HKEY_LOCAL_MACHINE, 0);
    ReadFacts();
    return 0;
}
