// Hardscan.dll against the Windows API that runs it: what only a real
// Windows can show. The exports' answers against what the system itself
// reports (processors, memory, the IP helper, NetBIOS and the spooler); the
// debugger channel; the bad-input table (tests/common/bad_input.h) with
// real page protection; and loading, calling and unloading the DLL from
// misaligned stacks. The portable rules behind the answers are the native
// tests' work.
//
//   wine_test PATH\Hardscan.dll          the checks
//   wine_test --dump PATH\Hardscan.dll   every export's answer as bytes (run-wine-test.sh)
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <nb30.h>
#include <winspool.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/bad_input.h"
#include "export_answers.h"
#include "shifted_call.h"
#include "test_report.h"

namespace {

using badinput::Area;

hstest::Exports g_x;

std::string FieldText(const char *field, size_t width) { return std::string(field, strnlen(field, width)); }

// ---------------------------------------------------------------------------
// The debugger channel: OutputDebugStringA raises DBG_PRINTEXCEPTION_C with
// the text, which a vectored handler sees before anything else.

std::vector<std::string> g_traces;
bool g_capturing = false;

LONG CALLBACK CaptureDebugText(EXCEPTION_POINTERS *info) {
    const EXCEPTION_RECORD *record = info->ExceptionRecord;
    if (g_capturing && record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
        const char *text = reinterpret_cast<const char *>(record->ExceptionInformation[1]);
        if (text != nullptr) g_traces.emplace_back(text, strnlen(text, record->ExceptionInformation[0]));
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

// The texts that one call sent to the debugger.
template <typename Call>
std::vector<std::string> Traced(Call call) {
    g_traces.clear();
    g_capturing = true;
    call();
    g_capturing = false;
    return g_traces;
}

// The debugger channel: one text per program of a software fill, exactly
// those texts (the texts of failing calls are the native tests' work).
void TestDebuggerChannel() {
    if (Traced([] { OutputDebugStringA("hardscan trace probe\n"); }) !=
        std::vector<std::string>{"hardscan trace probe\n"}) {
        std::printf("wine_test: Tests skipped: debugger text cannot be captured here\n");
        return;
    }
    uint32_t size = 0;
    g_x.HsiGetSoftwareInfo(nullptr, &size);
    Area records(size, true);
    const std::vector<std::string> traces = Traced([&] { g_x.HsiGetSoftwareInfo(records.As<SOFTWAREINFO>(), &size); });
    std::vector<std::string> expected;
    for (size_t i = 0; i < size / sizeof(SOFTWAREINFO); ++i)
        expected.push_back("Hardscan.dll>>>" + FieldText(records.As<SOFTWAREINFO>()[i].displayName, 260) + "\n");
    ok(!expected.empty() && traces == expected, "software fill: %d traces, expected one per program (%d)\n",
       static_cast<int>(traces.size()), static_cast<int>(expected.size()));
}

// ---------------------------------------------------------------------------
// Processors and memory

// The time-stamp counter's frequency in MHz over about half a second.
double MeasureTscMhz() {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const uint64_t c0 = __builtin_ia32_rdtsc();
    Sleep(500);
    QueryPerformanceCounter(&end);
    const uint64_t c1 = __builtin_ia32_rdtsc();
    return double(c1 - c0) / (double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart)) / 1e6;
}

// One record per processor the system counts, with the clock speed that
// the time-stamp counter shows (snapped to a 50 or 66.67 MHz step). Vendor
// and brand are the CPUID seam's (cpu_ops_test) decoded as the native
// processor tests decode them.
void TestProcessors() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const int32_t count = g_x.HsiGetCpuCount();
    ok(count == static_cast<int32_t>(info.dwNumberOfProcessors), "HsiGetCpuCount: %d, expected %lu\n", count,
       info.dwNumberOfProcessors);
    uint32_t size = 0;
    g_x.HsiGetCpuInfo(nullptr, &size);
    Area records(size, true);
    const uint32_t result = g_x.HsiGetCpuInfo(records.As<CPUINFO>(), &size);
    ok(result == 0 && size == count * sizeof(CPUINFO), "HsiGetCpuInfo: result %u, size %u\n", result, size);
    const double measured = MeasureTscMhz();
    for (int32_t i = 0; result == 0 && i < count; ++i) {
        const CPUINFO &r = records.As<CPUINFO>()[i];
        const std::string name = FieldText(r.name, 260), got = FieldText(r.vendor, 260);
        std::printf("processor %d: \"%s\", \"%s\", %u MHz (time-stamp counter at %.0f MHz)\n", i, name.c_str(),
                    got.c_str(), r.speed, measured);
        ok(r.speed > 0 && std::abs(double(r.speed) - measured) <= 70.0 + measured * 0.03,
           "processor %d: speed %u MHz, the time-stamp counter runs at %.0f MHz\n", i, r.speed, measured);
    }
}

uint32_t Cap32(SIZE_T value) { return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value); }

// The memory status as GlobalMemoryStatus reports it, capped to 32 bits.
void TestMemoryStatus() {
    MEMORYSTATUS memory;
    memory.dwLength = sizeof memory;
    GlobalMemoryStatus(&memory);
    COMMONINFO info;
    ok(g_x.HsiGetCommonInfo(&info) == 1, "HsiGetCommonInfo failed\n");
    const HSMEMORYSTATUS &m = info.memoryStatus;
    ok(m.dwLength == sizeof(HSMEMORYSTATUS) && m.dwMemoryLoad <= 100 && m.dwTotalPhys == Cap32(memory.dwTotalPhys) &&
           m.dwTotalVirtual == Cap32(memory.dwTotalVirtual) && m.dwAvailPhys > 0 && m.dwAvailPhys <= m.dwTotalPhys &&
           m.dwAvailVirtual <= m.dwTotalVirtual,
       "memory status: length %u, load %u, physical %u of %u, virtual %u of %u; the system: %u and %u in total\n",
       m.dwLength, m.dwMemoryLoad, m.dwAvailPhys, m.dwTotalPhys, m.dwAvailVirtual, m.dwTotalVirtual,
       Cap32(memory.dwTotalPhys), Cap32(memory.dwTotalVirtual));
}

// ---------------------------------------------------------------------------
// The IP helper, NetBIOS and the spooler

// The system's adapter list, and the bytes GetAdaptersInfo asked for.
struct Adapters {
    std::vector<uint64_t> storage;
    std::vector<const IP_ADAPTER_INFO *> entries, addressed;
    ULONG length = 0;
};

Adapters ReadAdapters() {
    Adapters a;
    if (GetAdaptersInfo(nullptr, &a.length) != ERROR_BUFFER_OVERFLOW) return Adapters();
    a.storage.resize(a.length / sizeof(uint64_t) + 1);
    ULONG filled = a.length;
    if (GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO *>(a.storage.data()), &filled) != ERROR_SUCCESS)
        return Adapters();
    for (auto *e = reinterpret_cast<const IP_ADAPTER_INFO *>(a.storage.data()); e != nullptr; e = e->Next) {
        a.entries.push_back(e);
        if (e->IpAddressList.IpAddress.String[0] != '0') a.addressed.push_back(e);
    }
    return a;
}

std::string HexText(const uint8_t *bytes, const char *format) {
    char text[13];
    std::snprintf(text, sizeof text, format, bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5]);
    return text;
}

// The addressed adapters, in the list's order, in the adapter records and
// the device list; the first one in the user record.
void TestAdapters(const Adapters &adapters) {
    const size_t n = adapters.addressed.size();
    if (adapters.entries.empty()) {
        std::printf("wine_test: Tests skipped: the system reports no adapter list\n");
        return;
    }
    ok(g_x.HsiGetAdapterCount(adapters.entries.empty() ? nullptr : adapters.entries.front()) == static_cast<int32_t>(n),
       "HsiGetAdapterCount of the system's list: expected %d\n", static_cast<int>(n));
    uint32_t size = 0;
    ok(g_x.HsiGetAdapterInfo(nullptr, &size) == 111 && size == n * sizeof(IPADAPTERINFO), "adapter size query: %u\n",
       size);
    Area records(std::max<size_t>(adapters.length, 1), true);
    ok(g_x.HsiGetAdapterInfo(records.As<IPADAPTERINFO>(), &size) == 0, "adapter fill failed\n");
    NETUSERINFO user;
    std::memset(&user, 0, sizeof user);
    ok(g_x.HsiGetNetUserInfo(&user) == 1, "HsiGetNetUserInfo failed\n");
    for (size_t i = 0; i < n; ++i) {
        const IPADAPTERINFO &r = records.As<IPADAPTERINFO>()[i];
        const IP_ADAPTER_INFO &e = *adapters.addressed[i];
        const std::string mac = HexText(e.Address, "%02X%02X%02X%02X%02X%02X");
        const std::string got[4] = {FieldText(r.adapterName, 259), FieldText(r.description, 131),
                                    FieldText(r.mac, 15), FieldText(r.ipAddress, 15)};
        std::printf("adapter %d: %s \"%s\" %s %s\n", static_cast<int>(i), got[0].c_str(), got[1].c_str(),
                    got[2].c_str(), got[3].c_str());
        ok(got[0] == FieldText(e.AdapterName, 259) && got[1] == FieldText(e.Description, 131) && got[2] == mac &&
               got[3] == FieldText(e.IpAddressList.IpAddress.String, 15),
           "adapter %d: the system lists %s \"%s\" %s %s\n", static_cast<int>(i), e.AdapterName, e.Description,
           mac.c_str(), e.IpAddressList.IpAddress.String);
        if (i == 0)
            ok(FieldText(user.ipAddress, 15) == got[3] && FieldText(user.mac, 15) == mac,
               "user record: address %s %s\n", FieldText(user.ipAddress, 32).c_str(), FieldText(user.mac, 32).c_str());
    }
}

// The NetBIOS adapters: the enumeration's count, and per LANA the first six
// bytes of the adapter status of "*" as lower-case hex digits ("DEST"
// entries are left out of the records).
void TestNetBios() {
    LANA_ENUM lanas = {};
    NCB ncb = {};
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = reinterpret_cast<PUCHAR>(&lanas);
    ncb.ncb_length = sizeof lanas;
    const int count = Netbios(&ncb) == NRC_GOODRET ? lanas.length : 0;
    ok(g_x.HsiGetNetCount() == count, "HsiGetNetCount: %d, expected %d\n", g_x.HsiGetNetCount(), count);
    std::vector<std::string> expected;
    for (int i = 0; i < count; ++i) {
        unsigned char status[600] = {};
        ncb = {};
        ncb.ncb_command = NCBRESET;
        ncb.ncb_lana_num = lanas.lana[i];
        const bool reset = Netbios(&ncb) == NRC_GOODRET;
        ncb = {};
        ncb.ncb_command = NCBASTAT;
        ncb.ncb_lana_num = lanas.lana[i];
        std::memcpy(ncb.ncb_callname, "*               ", 16);
        ncb.ncb_buffer = status;
        ncb.ncb_length = sizeof status;
        if (!reset || Netbios(&ncb) != NRC_GOODRET) {
            std::printf("wine_test: Tests skipped: NetBIOS adapter %d answers no status\n", i);
            return;
        }
        if (std::memcmp(status, "DEST\0\0", 6) != 0) expected.push_back(HexText(status, "%02x%02x%02x%02x%02x%02x"));
    }
    if (count == 0) return;
    Area header(sizeof(INFOLIST), false), records(count * sizeof(NETINFO), true);
    header.As<INFOLIST>()->records = records.Address32();
    ok(g_x.HsiGetNetInfoEx(header.As<INFOLIST>(), count) == 1, "HsiGetNetInfoEx failed\n");
    for (int i = 0; i < count; ++i) {
        const std::string mac = FieldText(records.As<NETINFO>()[i].mac, 31);
        std::printf("NetBIOS adapter %d: %s\n", i, mac.c_str());
        ok(mac == (i < static_cast<int>(expected.size()) ? expected[i] : ""), "NetBIOS record %d: %s\n", i,
           mac.c_str());
    }
}

// Printers as the spooler names them (by name, level 4), and the addressed
// adapters: the device list's printers and network cards.
void TestServiceDevices(const Adapters &adapters) {
    std::vector<std::string> printers, cards, listedPrinters, listedCards;
    DWORD needed = 0, returned = 0;
    EnumPrintersA(PRINTER_ENUM_NAME, nullptr, 4, nullptr, 0, &needed, &returned);
    std::vector<uint64_t> buffer(needed / sizeof(uint64_t) + 1);
    if (EnumPrintersA(PRINTER_ENUM_NAME, nullptr, 4, reinterpret_cast<BYTE *>(buffer.data()), needed, &needed,
                      &returned))
        for (DWORD i = 0; i < returned; ++i)
            printers.push_back(reinterpret_cast<const PRINTER_INFO_4A *>(buffer.data())[i].pPrinterName ?: "");
    for (const IP_ADAPTER_INFO *e : adapters.addressed) cards.push_back(FieldText(e->Description, 131));
    uint32_t size = 0;
    g_x.HsiGetDeviceInfo(nullptr, &size);
    Area records(size, true);
    ok(g_x.HsiGetDeviceInfo(records.As<DEVICEINFO>(), &size) == 0, "device fill failed\n");
    for (size_t i = 0; i < size / sizeof(DEVICEINFO); ++i) {
        const DEVICEINFO &r = records.As<DEVICEINFO>()[i];
        const std::string type = FieldText(r.type, 32);
        if (type == "Printer") listedPrinters.push_back(FieldText(r.description, 260));
        if (type == "Net") listedCards.push_back(FieldText(r.description, 260));
    }
    ok(listedPrinters == printers, "%d printers listed, the spooler names %d\n",
       static_cast<int>(listedPrinters.size()), static_cast<int>(printers.size()));
    ok(listedCards == cards, "%d network cards listed, %d adapters have an address\n",
       static_cast<int>(listedCards.size()), static_cast<int>(cards.size()));
}

// ---------------------------------------------------------------------------
// Bad input, against memory that the system protects

void TestBadInput(const Adapters &adapters) {
    badinput::Cases cases(g_x);
    badinput::RunAll<IP_ADAPTER_INFO>(cases, static_cast<uint32_t>(adapters.length / sizeof(IP_ADAPTER_INFO)));
    for (const std::string &skipped : cases.Skipped()) std::printf("wine_test: Tests skipped: %s\n", skipped.c_str());
    std::printf("bad input: %d cases\n", cases.Count());
}

// ---------------------------------------------------------------------------
// Misaligned stacks. 32-bit Windows enters a DLL (its entry at load and
// unload, every export) with the stack aligned to 4 bytes only. The DLL is
// loaded, called and unloaded from stacks 4, 8 and 12 bytes below a 16-byte
// boundary; every export must answer what it answers from an aligned stack.

void TestMisalignedStacks(const char *path) {
    if (sizeof(void *) == 8) {
        // x64 code keeps the stack 16-byte aligned at every call, and Windows
        // relies on it: its exception dispatch refuses frames that are not
        // 8-byte aligned, and its own DLLs fault on a stack 8 bytes off.
        std::printf("wine_test: Tests skipped: misaligned stacks on x64, where every caller keeps the stack "
                    "16-byte aligned\n");
        return;
    }
    for (unsigned shift : {0u, 4u, 8u, 12u}) {
        const uintptr_t sp = shifted::StackAtCall(shift);
        ok((sp + shift) % 16 == 0, "thunk: stack pointer %#lx at the call for a shift of %u\n",
           static_cast<unsigned long>(sp), shift);
    }
    int calls = 0;
    for (unsigned shift : {4u, 8u, 12u}) {
        const auto module = reinterpret_cast<HMODULE>(
            shifted::Call(shift, reinterpret_cast<const void *>(LoadLibraryA), reinterpret_cast<uintptr_t>(path)));
        ok(module != nullptr, "stack %u bytes off: LoadLibraryA failed with error %lu\n", shift, GetLastError());
        if (module == nullptr) continue;
        const std::vector<answers::Answer> misaligned = answers::AnswerAll(module, shift);
        const std::vector<answers::Answer> aligned = answers::AnswerAll(module, 0);
        for (size_t i = 0; i < misaligned.size(); ++i, ++calls)
            ok(misaligned[i].bytes == aligned[i].bytes, "stack %u bytes off: %s answers differently\n", shift,
               misaligned[i].name.c_str());
        ok(shifted::Call(shift, reinterpret_cast<const void *>(FreeLibrary), reinterpret_cast<uintptr_t>(module)) != 0,
           "stack %u bytes off: FreeLibrary failed\n", shift);
    }
    std::printf("misaligned stacks: %d export answers compared with an aligned stack\n", calls);
}

}  // namespace

int main(int argc, char **argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    const bool dump = argc == 3 && std::strcmp(argv[1], "--dump") == 0;
    if (argc != 2 && !dump) {
        std::printf("usage: wine_test [--dump] PATH\\Hardscan.dll\n");
        return 2;
    }
    const char *path = argv[argc - 1];
    HMODULE module = LoadLibraryA(path);
    ok(module != nullptr, "LoadLibraryA(%s) failed: error %lu\n", path, GetLastError());
    const char *missing = hstest::ResolveExports(
        g_x, [module](const char *name) { return reinterpret_cast<void *>(GetProcAddress(module, name)); });
    if (module != nullptr && missing != nullptr) ok(false, "export %s not found\n", missing);
    if (module == nullptr || missing != nullptr) return test_report::Summary("wine_test");
    if (dump) {
        answers::Print(answers::AnswerAll(module, 0));
        return 0;
    }
    void *capture = AddVectoredExceptionHandler(1, CaptureDebugText);
    TestDebuggerChannel();
    const Adapters adapters = ReadAdapters();
    TestProcessors();
    TestMemoryStatus();
    TestAdapters(adapters);
    TestNetBios();
    TestServiceDevices(adapters);
    TestBadInput(adapters);
    ok(FreeLibrary(module) != 0, "FreeLibrary failed: error %lu\n", GetLastError());
    TestMisalignedStacks(path);
    RemoveVectoredExceptionHandler(capture);
    return test_report::Summary("wine_test");
}
