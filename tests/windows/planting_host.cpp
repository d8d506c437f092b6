// A host program for the planting and missing-dependency tests. It imports
// only kernel32, advapi32 and the C runtime, loads Hardscan.dll from its own
// folder, calls all fifteen exports through the two-call protocol and prints
// every answer, one per line, for planting-test.sh to compare between runs.
// Each line starts with its family; lines starting with "speed" carry a
// measured clock speed, which may differ by a bus step between runs. Free
// memory and the memory load change between runs and are left out.
//
// usage: planting_host.exe [missing]
//
// With "missing" the IP helper, NetBIOS, the spooler and the multimedia timer
// cannot be loaded, and the program also checks that the exports answer as
// they must without them.
#include <windows.h>
#include <iptypes.h>

#include <cpuid.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "library.h"
#include "low_memory.h"
#include "test_report.h"

namespace {

using hsinfo::Exports;
using hsinfo::LowBuffer;

bool g_missing = false;

// A fixed text field up to its first zero byte, other bytes than printable
// ASCII as \xNN, so that every line stays one line.
template <size_t N> std::string Field(const char (&field)[N])
{
    std::string text;
    for (size_t i = 0; i < N && field[i] != 0; ++i) {
        const unsigned char c = static_cast<unsigned char>(field[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        }
    }
    return text;
}

void Line(const char *family, const std::string &text) { std::printf("%s %s\n", family, text.c_str()); }

std::string Number(uint64_t value) { return std::to_string(value); }

// Records kept for the missing-dependency checks.
std::vector<std::string> g_deviceTypes;

void PrintCpu(const char *family, const CPUINFO &r)
{
    Line(family, Field(r.name) + "|" + Field(r.vendor));
    Line("speed", std::string(family) + " " + Number(r.speed));
}

void PrintCommon(const char *family, const COMMONINFO &r)
{
    Line(family, Field(r.computerName) + "|" + Field(r.userName) + "|" + Field(r.registeredOwner) + "|" +
                     Field(r.registeredOrganization) + "|" + Field(r.osDescription));
    const HSMEMORYSTATUS m = r.memoryStatus;
    Line(family, "memory " + Number(m.dwLength) + " " + Number(m.dwTotalPhys) + " " + Number(m.dwTotalPageFile) +
                     " " + Number(m.dwTotalVirtual));
}

void PrintAdapter(const char *family, const IPADAPTERINFO &r)
{
    Line(family, Field(r.adapterName) + "|" + Field(r.description) + "|" + Field(r.mac) + "|" + Field(r.ipAddress));
}

template <typename Record> void PrintTyped(const char *family, const Record &r)
{
    Line(family, Field(r.type) + "|" + Field(r.description));
}

void PrintProgram(const char *family, const SOFTWAREINFO &r) { Line(family, Field(r.displayName)); }

// The two-call protocol: the size query, then a fill of `spare` more records
// than it asked for. Prints both answers and answers the records filled.
template <typename Record>
std::vector<Record> ReadChained(const char *family, uint32_t (*call)(Record *, uint32_t *), uint32_t spare = 0)
{
    uint32_t size = 0xFFFFFFFFu;
    const uint32_t query = call(nullptr, &size);
    Line(family, "query " + Number(query) + " size " + Number(size));
    if (query != HS_ERROR_BUFFER_OVERFLOW || size / sizeof(Record) + spare == 0)
        return {};
    std::vector<Record> records(size / sizeof(Record) + spare);
    uint32_t fillSize = static_cast<uint32_t>(records.size() * sizeof(Record));
    const uint32_t fill = call(records.data(), &fillSize);
    Line(family, "fill " + Number(fill));
    if (fill != HS_SUCCESS)
        return {};
    records.resize(size / sizeof(Record));
    return records;
}

// A list call for `count` records that lie below 4 GiB: prints its answer,
// what `describe` says of the header and the records; answers its result.
template <typename Record, typename List, typename Describe, typename Print>
int32_t ReadList(const char *family, int32_t (*call)(List *, int32_t), int32_t count, Describe describe, Print print)
{
    LowBuffer header(sizeof(List));
    LowBuffer records(static_cast<size_t>(count) * sizeof(Record));
    auto *list = reinterpret_cast<List *>(header.Data());
    list->records = records.Address32();
    const int32_t result = call(list, count);
    Line(family, "ex " + Number(static_cast<uint32_t>(result)) + describe(*list));
    for (int32_t i = 0; result == 1 && i < count; ++i)
        print(reinterpret_cast<const Record *>(records.Data())[i]);
    return result;
}

void ReadCpus(const Exports &x)
{
    const int32_t count = x.GetCpuCount();
    Line("cpu", "count " + Number(static_cast<uint32_t>(count)));
    for (const CPUINFO &r : ReadChained("cpu", x.GetCpuInfo))
        PrintCpu("cpu", r);
    if (count > 0)
        ReadList<CPUINFO>(
            "cpu", x.GetCpuInfoEx, count,
            [](const INFOLIST &l) { return " count " + Number(l.count) + " size " + Number(l.recordSize); },
            [](const CPUINFO &r) { PrintCpu("cpu", r); });
}

void ReadCommon(const Exports &x)
{
    COMMONINFO info;
    std::memset(&info, 0, sizeof info);
    Line("common", "result " + Number(static_cast<uint32_t>(x.GetCommonInfo(&info))));
    PrintCommon("common", info);
}

// NetBIOS: the count, then the list call for at least one record (with no
// adapters that call must answer 0).
void ReadNetbios(const Exports &x)
{
    const int32_t count = x.GetNetCount();
    Line("netbios", "count " + Number(static_cast<uint32_t>(count)));
    const int32_t asked = count > 0 ? count : 1;
    const int32_t result = ReadList<NETINFO>(
        "netbios", x.GetNetInfoEx, asked, [](const INFOLIST &) { return std::string(); },
        [](const NETINFO &r) { Line("netbios", Field(r.ipText) + "|" + Field(r.mac)); });
    if (g_missing) {
        ok(count == 0, "HsiGetNetCount: %d, expected 0 without NetBIOS\n", count);
        ok(result == 0, "HsiGetNetInfoEx(1): %d, expected 0 without NetBIOS\n", result);
    }
}

void ReadAdapters(const Exports &x)
{
    // A list in the host's own layout: one entry with an address, one without.
    IP_ADAPTER_INFO chain[2];
    std::memset(chain, 0, sizeof chain);
    chain[0].Next = &chain[1];
    std::strcpy(chain[0].IpAddressList.IpAddress.String, "10.0.0.1");
    std::strcpy(chain[1].IpAddressList.IpAddress.String, "0.0.0.0");
    Line("adapters", "count " + Number(static_cast<uint32_t>(x.GetAdapterCount(chain))) + " " +
                         Number(static_cast<uint32_t>(x.GetAdapterCount(nullptr))));

    // The fill checks one record per list entry, with or without an address;
    // a few spare records cover the entries without one.
    uint32_t size = 0xFFFFFFFFu;
    const uint32_t query = x.GetAdapterInfo(nullptr, &size);
    for (const IPADAPTERINFO &r : ReadChained("adapters", x.GetAdapterInfo, 8))
        PrintAdapter("adapters", r);
    if (g_missing)
        ok(query == HS_SUCCESS && size == 0, "HsiGetAdapterInfo(NULL): %u, size %u; expected 0, size 0 without "
           "the IP helper\n", query, size);
}

void ReadUser(const Exports &x)
{
    NETUSERINFO info;
    std::memset(&info, 'U', sizeof info);
    const int32_t result = x.GetNetUserInfo(&info);
    Line("user", "result " + Number(static_cast<uint32_t>(result)));
    Line("user", Field(info.computerName) + "|" + Field(info.userName));
    Line("user", "address " + Field(info.ipAddress) + "|" + Field(info.mac));
    if (g_missing) {
        char untouched[sizeof info.ipAddress];
        std::memset(untouched, 'U', sizeof untouched);
        ok(result == 1 && info.computerName[0] != 'U' && info.userName[0] != 'U',
           "HsiGetNetUserInfo: %d, expected 1 with the names\n", result);
        ok(std::memcmp(info.ipAddress, untouched, sizeof info.ipAddress) == 0 &&
           std::memcmp(info.mac, untouched, sizeof info.mac) == 0,
           "HsiGetNetUserInfo wrote an address (%s|%s) without the IP helper\n", Field(info.ipAddress).c_str(),
           Field(info.mac).c_str());
    }
}

void ReadSoftware(const Exports &x)
{
    const int32_t count = x.GetSoftwareCount();
    Line("software", "count " + Number(static_cast<uint32_t>(count)));
    for (const SOFTWAREINFO &r : ReadChained("software", x.GetSoftwareInfo))
        PrintProgram("software", r);
    if (count > 0)
        ReadList<SOFTWAREINFO>(
            "software", x.GetSoftwareInfoEx, count,
            [](const SOFTWAREINFOLIST &l) { return " " + Field(l.category); },
            [](const SOFTWAREINFO &r) { PrintProgram("software", r); });
}

void ReadDrivesAndDevices(const Exports &x)
{
    for (const DRIVERINFO &r : ReadChained("drives", x.GetDriverInfo))
        PrintTyped("drives", r);
    for (const DEVICEINFO &r : ReadChained("devices", x.GetDeviceInfo)) {
        PrintTyped("devices", r);
        g_deviceTypes.push_back(Field(r.type));
    }
}

// One section of the block: its records, stepped by the record size.
template <typename Record, typename Print>
void PrintSection(const uint8_t *&cursor, uint32_t size, Print print)
{
    for (uint32_t i = 0; i + sizeof(Record) <= size; i += sizeof(Record)) {
        Record r;
        std::memcpy(&r, cursor + i, sizeof r);
        print(r);
    }
    cursor += size;
}

void ReadSysInfo(const Exports &x)
{
    std::vector<uint8_t> probe(sizeof(SYSINFOHEADER) + 4, 0);
    uint32_t total = 0;
    const uint32_t query = x.GetSysInfo(reinterpret_cast<SYSINFOHEADER *>(probe.data()), &total);
    Line("sysinfo", "query " + Number(query) + " total " + Number(total));
    if (query != HS_ERROR_BUFFER_OVERFLOW)
        return;
    std::vector<uint8_t> block(sizeof(SYSINFOHEADER) + total, 0);
    std::memcpy(block.data(), probe.data(), sizeof(SYSINFOHEADER));
    const uint32_t fill = x.GetSysInfo(reinterpret_cast<SYSINFOHEADER *>(block.data()), &total);
    SYSINFOHEADER h;
    std::memcpy(&h, block.data(), sizeof h);
    Line("sysinfo", "fill " + Number(fill) + " sizes " + Number(h.commonSize) + " " + Number(h.cpuSize) + " " +
                        Number(h.driverSize) + " " + Number(h.deviceSize) + " " + Number(h.adapterSize) + " " +
                        Number(h.softwareSize));
    if (g_missing)
        ok(h.adapterSize == 0, "HsiGetSysInfo: adapter section of %u bytes without the IP helper\n", h.adapterSize);
    if (fill != HS_SUCCESS)
        return;
    const uint8_t *cursor = block.data() + sizeof(SYSINFOHEADER);
    PrintSection<COMMONINFO>(cursor, h.commonSize, [](const COMMONINFO &r) { PrintCommon("sysinfo", r); });
    PrintSection<CPUINFO>(cursor, h.cpuSize, [](const CPUINFO &r) { PrintCpu("sysinfo", r); });
    PrintSection<DRIVERINFO>(cursor, h.driverSize, [](const DRIVERINFO &r) { PrintTyped("sysinfo", r); });
    PrintSection<DEVICEINFO>(cursor, h.deviceSize, [](const DEVICEINFO &r) {
        PrintTyped("sysinfo", r);
        g_deviceTypes.push_back(Field(r.type));
    });
    PrintSection<IPADAPTERINFO>(cursor, h.adapterSize, [](const IPADAPTERINFO &r) { PrintAdapter("sysinfo", r); });
    PrintSection<SOFTWAREINFO>(cursor, h.softwareSize, [](const SOFTWAREINFO &r) { PrintProgram("sysinfo", r); });
}

// The processor speed that the registry stores, 0 when it holds none.
uint32_t RegistrySpeed()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Hardware\\Description\\System\\CentralProcessor\\0", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return 0;
    DWORD mhz = 0;
    DWORD size = sizeof mhz;
    if (RegQueryValueExA(key, "~MHz", nullptr, nullptr, reinterpret_cast<BYTE *>(&mhz), &size) != ERROR_SUCCESS)
        mhz = 0;
    RegCloseKey(key);
    return mhz;
}

// The library measures the clock of Intel and AMD processors only.
bool IsMeasuredVendor()
{
    unsigned highest, ebx, ecx, edx;
    if (!__get_cpuid(0, &highest, &ebx, &ecx, &edx))
        return false;
    char vendor[13];
    std::memcpy(vendor, &ebx, 4);
    std::memcpy(vendor + 4, &edx, 4);
    std::memcpy(vendor + 8, &ecx, 4);
    vendor[12] = 0;
    return std::strcmp(vendor, "GenuineIntel") == 0 || std::strcmp(vendor, "AuthenticAMD") == 0;
}

// Without the multimedia timer the clock cannot be measured at first, so the
// speed comes from the registry when it holds one.
void CheckSpeedWithoutTimer(const Exports &x)
{
    const uint32_t stored = RegistrySpeed();
    if (stored == 0 || !IsMeasuredVendor()) {
        std::printf("planting_host: speed check skipped: %s\n", stored == 0 ? "the registry stores no processor speed"
                                                              : "the library does not measure this processor");
        return;
    }
    uint32_t size = 0;
    const uint32_t query = x.GetCpuInfo(nullptr, &size);
    std::vector<CPUINFO> records(size / sizeof(CPUINFO) + 1);
    const uint32_t fill = query == HS_ERROR_BUFFER_OVERFLOW ? x.GetCpuInfo(records.data(), &size) : query;
    ok(fill == HS_SUCCESS && records[0].speed == stored,
       "HsiGetCpuInfo: %u, speed %u MHz; expected 0 and the registry's %u MHz without the timer\n", fill,
       records[0].speed, stored);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc > 2 || (argc == 2 && std::strcmp(argv[1], "missing") != 0)) {
        std::fprintf(stderr, "usage: %s [missing]\n", argv[0]);
        return 2;
    }
    g_missing = argc == 2;
    Exports x;
    std::string error;
    if (!hsinfo::LoadHardscan(hsinfo::DefaultLibraryPath(), x, error)) {
        std::printf("FAIL: %s\n", error.c_str());
        return 1;
    }
    ReadCpus(x);
    ReadCommon(x);
    ReadNetbios(x);
    ReadAdapters(x);
    ReadUser(x);
    ReadSoftware(x);
    ReadDrivesAndDevices(x);
    ReadSysInfo(x);
    if (!g_missing)
        return 0;
    for (const std::string &type : g_deviceTypes)
        ok(type != "Printer" && type != "Net", "a device of type %s without the spooler and the IP helper\n",
           type.c_str());
    CheckSpeedWithoutTimer(x);
    return test_report::Summary("planting_host");
}
