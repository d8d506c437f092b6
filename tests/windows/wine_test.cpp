// Conformance test of Hardscan.dll against the Windows API that runs it.
//
// Loads the DLL named on the command line, resolves the fifteen exports by
// their plain names and checks each against what the system itself reports:
// exact result codes, the size protocol, chaining, buffers that end at a
// PAGE_NOACCESS page, and the texts of the registry imported before the run
// (wine-test.reg). Every failure prints the actual and the expected value.
// Record buffers lie below 4 GiB so that 32-bit address fields name them.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <nb30.h>
#include <winspool.h>

#include <algorithm>
#include <cmath>
#include <cpuid.h>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "hardscan.h"

namespace {

// ---------------------------------------------------------------------------
// Reporting

int g_tests = 0;
int g_failures = 0;
int g_skips = 0;

__attribute__((format(printf, 3, 4))) void ok_at(int line, bool condition, const char *format, ...)
{
    ++g_tests;
    if (condition)
        return;
    ++g_failures;
    std::printf("wine_test.cpp:%d: Test failed: ", line);
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

__attribute__((format(printf, 2, 3))) void skip_at(int line, const char *format, ...)
{
    ++g_skips;
    std::printf("wine_test.cpp:%d: Tests skipped: ", line);
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}

#define ok(cond, ...) ok_at(__LINE__, (cond), __VA_ARGS__)
#define skip(...) skip_at(__LINE__, __VA_ARGS__)

// ---------------------------------------------------------------------------
// The exports

typedef int32_t(__cdecl *GetCpuCountFn)(void);
typedef uint32_t(__cdecl *GetCpuInfoFn)(CPUINFO *, uint32_t *);
typedef int32_t(__cdecl *GetCpuInfoExFn)(INFOLIST *, int32_t);
typedef int32_t(__cdecl *GetCommonInfoFn)(COMMONINFO *);
typedef int32_t(__cdecl *GetNetCountFn)(void);
typedef int32_t(__cdecl *GetNetInfoExFn)(INFOLIST *, int32_t);
typedef int32_t(__cdecl *GetAdapterCountFn)(const void *);
typedef uint32_t(__cdecl *GetAdapterInfoFn)(IPADAPTERINFO *, uint32_t *);
typedef int32_t(__cdecl *GetNetUserInfoFn)(NETUSERINFO *);
typedef int32_t(__cdecl *GetSoftwareCountFn)(void);
typedef uint32_t(__cdecl *GetSoftwareInfoFn)(SOFTWAREINFO *, uint32_t *);
typedef int32_t(__cdecl *GetSoftwareInfoExFn)(SOFTWAREINFOLIST *, int32_t);
typedef uint32_t(__cdecl *GetDriverInfoFn)(DRIVERINFO *, uint32_t *);
typedef uint32_t(__cdecl *GetDeviceInfoFn)(DEVICEINFO *, uint32_t *);
typedef uint32_t(__cdecl *GetSysInfoFn)(SYSINFOHEADER *, uint32_t *);

GetCpuCountFn pHsiGetCpuCount;
GetCpuInfoFn pHsiGetCpuInfo;
GetCpuInfoExFn pHsiGetCpuInfoEx;
GetCommonInfoFn pHsiGetCommonInfo;
GetNetCountFn pHsiGetNetCount;
GetNetInfoExFn pHsiGetNetInfoEx;
GetAdapterCountFn pHsiGetAdapterCount;
GetAdapterInfoFn pHsiGetAdapterInfo;
GetNetUserInfoFn pHsiGetNetUserInfo;
GetSoftwareCountFn pHsiGetSoftwareCount;
GetSoftwareInfoFn pHsiGetSoftwareInfo;
GetSoftwareInfoExFn pHsiGetSoftwareInfoEx;
GetDriverInfoFn pHsiGetDriverInfo;
GetDeviceInfoFn pHsiGetDeviceInfo;
GetSysInfoFn pHsiGetSysInfo;

template <typename Fn> bool Resolve(HMODULE module, const char *name, Fn &fn)
{
    fn = reinterpret_cast<Fn>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    ok(fn != nullptr, "export %s not found (error %lu)\n", name, GetLastError());
    return fn != nullptr;
}

bool ResolveExports(HMODULE module)
{
    bool all = true;
    all &= Resolve(module, "HsiGetCpuCount", pHsiGetCpuCount);
    all &= Resolve(module, "HsiGetCpuInfo", pHsiGetCpuInfo);
    all &= Resolve(module, "HsiGetCpuInfoEx", pHsiGetCpuInfoEx);
    all &= Resolve(module, "HsiGetCommonInfo", pHsiGetCommonInfo);
    all &= Resolve(module, "HsiGetNetCount", pHsiGetNetCount);
    all &= Resolve(module, "HsiGetNetInfoEx", pHsiGetNetInfoEx);
    all &= Resolve(module, "HsiGetAdapterCount", pHsiGetAdapterCount);
    all &= Resolve(module, "HsiGetAdapterInfo", pHsiGetAdapterInfo);
    all &= Resolve(module, "HsiGetNetUserInfo", pHsiGetNetUserInfo);
    all &= Resolve(module, "HsiGetSoftwareCount", pHsiGetSoftwareCount);
    all &= Resolve(module, "HsiGetSoftwareInfo", pHsiGetSoftwareInfo);
    all &= Resolve(module, "HsiGetSoftwareInfoEx", pHsiGetSoftwareInfoEx);
    all &= Resolve(module, "HsiGetDriverInfo", pHsiGetDriverInfo);
    all &= Resolve(module, "HsiGetDeviceInfo", pHsiGetDeviceInfo);
    all &= Resolve(module, "HsiGetSysInfo", pHsiGetSysInfo);
    return all;
}

// ---------------------------------------------------------------------------
// Debugger output: OutputDebugStringA raises DBG_PRINTEXCEPTION_C with the
// text, which a vectored handler sees before anything else.

std::vector<std::string> g_traces;
bool g_capturing = false;

LONG CALLBACK CaptureDebugText(EXCEPTION_POINTERS *info)
{
    const EXCEPTION_RECORD *record = info->ExceptionRecord;
    if (g_capturing && record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
        const size_t length = static_cast<size_t>(record->ExceptionInformation[0]);
        const char *text = reinterpret_cast<const char *>(record->ExceptionInformation[1]);
        if (text != nullptr)
            g_traces.emplace_back(text, strnlen(text, length));
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

void StartTraces()
{
    g_traces.clear();
    g_capturing = true;
}

std::vector<std::string> StopTraces()
{
    g_capturing = false;
    return g_traces;
}

bool HasTrace(const std::vector<std::string> &traces, const std::string &text)
{
    return std::find(traces.begin(), traces.end(), text) != traces.end();
}

std::string Quote(const std::string &text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Joined(const std::vector<std::string> &traces)
{
    std::string out;
    for (const std::string &t : traces)
        out += Quote(t) + " ";
    return out.empty() ? "(none)" : out;
}

bool g_tracesWork = false;

// ---------------------------------------------------------------------------
// Memory below 4 GiB, optionally ending at a PAGE_NOACCESS page.

const uint8_t kFill = 0xA5;

class LowBuffer {
public:
    // bytes usable bytes that end exactly where a PAGE_NOACCESS page begins
    // (guarded), or in ordinary read-write memory.
    LowBuffer(size_t bytes, bool guarded) : m_bytes(bytes)
    {
        const size_t page = 4096;
        const size_t usable = (bytes + page - 1) / page * page;
        m_regionSize = usable + page;
        for (uintptr_t base = 0x10000000u; base < 0xF0000000u && m_region == nullptr; base += 0x00100000u) {
            m_region = static_cast<uint8_t *>(VirtualAlloc(reinterpret_cast<void *>(base), m_regionSize,
                                                           MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        }
        if (m_region == nullptr)
            return;
        uint8_t *guard = m_region + usable;
        if (guarded) {
            DWORD old;
            VirtualProtect(guard, page, PAGE_NOACCESS, &old);
        }
        m_data = guard - bytes;
        std::memset(m_region, kFill, usable);
    }
    ~LowBuffer()
    {
        if (m_region != nullptr)
            VirtualFree(m_region, 0, MEM_RELEASE);
    }
    LowBuffer(const LowBuffer &) = delete;
    LowBuffer &operator=(const LowBuffer &) = delete;

    uint8_t *Data() const { return m_data; }
    template <typename T> T *As() const { return reinterpret_cast<T *>(m_data); }
    uint32_t Address32() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_data)); }
    bool Valid() const { return m_data != nullptr && reinterpret_cast<uintptr_t>(m_data) < 0x100000000ull; }
    void Fill(uint8_t value) const { std::memset(m_data, value, m_bytes); }
    // True when the n bytes at offset still hold the fill byte.
    bool Untouched(size_t offset, size_t n) const
    {
        for (size_t i = 0; i < n; ++i)
            if (m_data[offset + i] != kFill)
                return false;
        return true;
    }

private:
    size_t m_bytes;
    size_t m_regionSize = 0;
    uint8_t *m_region = nullptr;
    uint8_t *m_data = nullptr;
};

uint32_t Address32(const void *p)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

// Text of a fixed field: up to the first zero byte or (width - 1) bytes.
std::string FieldText(const char *field, size_t width)
{
    return std::string(field, strnlen(field, width - 1));
}

// A field written as text: the text, zeros up to width - 1, and its last byte
// left as the caller had it (lastByte).
bool FieldHolds(const char *field, size_t width, const std::string &text, uint8_t lastByte)
{
    const size_t limit = width - 1;
    const size_t n = std::min(text.size(), limit);
    if (std::memcmp(field, text.data(), n) != 0)
        return false;
    for (size_t i = n; i < limit; ++i)
        if (field[i] != 0)
            return false;
    return static_cast<uint8_t>(field[limit]) == lastByte;
}

// ---------------------------------------------------------------------------
// What the system reports, read by this program itself.

std::string ReadRegistryText(const char *key, const char *value)
{
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return std::string();
    char data[1024] = {0};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    const LONG status = RegQueryValueExA(handle, value, nullptr, &type, reinterpret_cast<BYTE *>(data), &size);
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return std::string();
    return std::string(data, strnlen(data, size));
}

std::string CpuidVendor()
{
    unsigned a, b, c, d;
    __cpuid(0, a, b, c, d);
    char vendor[13];
    std::memcpy(vendor, &b, 4);
    std::memcpy(vendor + 4, &d, 4);
    std::memcpy(vendor + 8, &c, 4);
    vendor[12] = 0;
    return vendor;
}

// The brand string without its leading spaces, empty when there is none.
std::string CpuidBrand()
{
    unsigned a, b, c, d;
    __cpuid(0x80000000u, a, b, c, d);
    if (a < 0x80000004u)
        return std::string();
    char brand[49] = {0};
    for (unsigned leaf = 0; leaf < 3; ++leaf) {
        unsigned regs[4];
        __cpuid(0x80000002u + leaf, regs[0], regs[1], regs[2], regs[3]);
        std::memcpy(brand + leaf * 16, regs, 16);
    }
    std::string text(brand, strnlen(brand, 48));
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

// Time-stamp counter frequency in MHz over about half a second.
double MeasureTscMhz()
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const uint64_t c0 = __builtin_ia32_rdtsc();
    Sleep(500);
    QueryPerformanceCounter(&end);
    const uint64_t c1 = __builtin_ia32_rdtsc();
    const double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    return double(c1 - c0) / seconds / 1e6;
}

const char *const kUninstallRoot = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool LessIgnoringCase(const std::string &a, const std::string &b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) < 0;
}

// The installed programs in the order the registry enumerates their keys:
// keys with a non-empty DisplayName and a non-empty UninstallString.
std::vector<std::string> ProgramsInKeyOrder()
{
    std::vector<std::string> names;
    HKEY root;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallRoot, 0, KEY_READ, &root) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        char subkey[256];
        DWORD length = sizeof subkey;
        if (RegEnumKeyExA(root, index, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const std::string path = std::string(kUninstallRoot) + "\\" + subkey;
        const std::string display = ReadRegistryText(path.c_str(), "DisplayName");
        const std::string uninstall = ReadRegistryText(path.c_str(), "UninstallString");
        if (!display.empty() && !uninstall.empty())
            names.push_back(display);
    }
    RegCloseKey(root);
    return names;
}

struct AdapterSnapshot {
    bool present = false;                // the first query answered 111
    ULONG length = 0;                    // the length that it reported
    std::vector<uint64_t> storage;       // the list itself
    std::vector<const IP_ADAPTER_INFO *> entries;

    const IP_ADAPTER_INFO *First() const { return entries.empty() ? nullptr : entries.front(); }
    size_t EntryRecords() const { return length / sizeof(IP_ADAPTER_INFO); }
    std::vector<const IP_ADAPTER_INFO *> Addressed() const
    {
        std::vector<const IP_ADAPTER_INFO *> out;
        for (const IP_ADAPTER_INFO *e : entries)
            if (e->IpAddressList.IpAddress.String[0] != '0')
                out.push_back(e);
        return out;
    }
};

AdapterSnapshot ReadAdapters()
{
    AdapterSnapshot snapshot;
    ULONG length = 0;
    if (GetAdaptersInfo(nullptr, &length) != ERROR_BUFFER_OVERFLOW)
        return snapshot;
    snapshot.storage.resize(length / sizeof(uint64_t) + 1);
    auto *list = reinterpret_cast<IP_ADAPTER_INFO *>(snapshot.storage.data());
    ULONG filled = length;
    if (GetAdaptersInfo(list, &filled) != ERROR_SUCCESS)
        return snapshot;
    snapshot.present = true;
    snapshot.length = length;
    for (const IP_ADAPTER_INFO *e = list; e != nullptr; e = e->Next)
        snapshot.entries.push_back(e);
    return snapshot;
}

// Printer names as the spooler lists them by name, level 4.
std::vector<std::string> SpoolerPrinters()
{
    std::vector<std::string> names;
    DWORD needed = 0, returned = 0;
    EnumPrintersA(PRINTER_ENUM_NAME, nullptr, 4, nullptr, 0, &needed, &returned);
    if (needed == 0)
        return names;
    std::vector<uint64_t> buffer(needed / sizeof(uint64_t) + 1);
    if (!EnumPrintersA(PRINTER_ENUM_NAME, nullptr, 4, reinterpret_cast<BYTE *>(buffer.data()), needed, &needed,
                       &returned))
        return names;
    const auto *printers = reinterpret_cast<const PRINTER_INFO_4A *>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        names.push_back(printers[i].pPrinterName != nullptr ? printers[i].pPrinterName : "");
    return names;
}

std::string HardwareText(const BYTE *address)
{
    char text[13];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", address[0], address[1], address[2], address[3],
                  address[4], address[5]);
    return text;
}

// ---------------------------------------------------------------------------
// Debugger channel

void TestTraceCapture()
{
    StartTraces();
    OutputDebugStringA("hardscan trace probe\n");
    const std::vector<std::string> traces = StopTraces();
    g_tracesWork = HasTrace(traces, "hardscan trace probe\n");
    if (!g_tracesWork)
        skip("debugger text cannot be captured here; trace checks are left out\n");
}

// ---------------------------------------------------------------------------
// Processors

void TestCpuCount()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const int32_t count = pHsiGetCpuCount();
    ok(count == static_cast<int32_t>(info.dwNumberOfProcessors), "HsiGetCpuCount: got %d, expected %lu\n", count,
       info.dwNumberOfProcessors);
    ok(pHsiGetCpuCount() == count, "HsiGetCpuCount changed between two calls\n");
}

// One filled CPUINFO: the system's vendor and brand, a speed equal to
// expectedSpeed, the last text bytes left alone.
void CheckCpuRecord(const CPUINFO &record, int index, uint32_t expectedSpeed, uint8_t lastByte)
{
    const std::string vendor = CpuidVendor();
    const std::string brand = CpuidBrand();
    ok(FieldHolds(record.vendor, sizeof record.vendor, vendor, lastByte), "record %d: vendor %s, expected %s\n",
       index, Quote(FieldText(record.vendor, 260)).c_str(), Quote(vendor).c_str());
    if (!brand.empty()) {
        ok(FieldHolds(record.name, sizeof record.name, brand, lastByte), "record %d: name %s, expected %s\n", index,
           Quote(FieldText(record.name, 260)).c_str(), Quote(brand).c_str());
    } else {
        ok(record.name[0] != 0 && static_cast<uint8_t>(record.name[259]) == lastByte,
           "record %d: name %s is empty or its last byte was written\n", index,
           Quote(FieldText(record.name, 260)).c_str());
    }
    ok(record.speed == expectedSpeed, "record %d: speed %u, expected %u\n", index, record.speed, expectedSpeed);
}

void TestCpuInfo()
{
    const int32_t count = pHsiGetCpuCount();
    const uint32_t expectedSize = static_cast<uint32_t>(count) * sizeof(CPUINFO);

    uint32_t size = 0xDEADBEEFu;
    uint32_t result = pHsiGetCpuInfo(nullptr, &size);
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "size query: result %u, expected 111\n", result);
    ok(size == expectedSize, "size query: size %u, expected %u\n", size, expectedSize);

    // The exact size, ending at an inaccessible page.
    LowBuffer exact(expectedSize, true);
    ok(exact.Valid(), "no memory below 4 GiB\n");
    if (!exact.Valid())
        return;
    size = expectedSize;
    result = pHsiGetCpuInfo(exact.As<CPUINFO>(), &size);
    ok(result == HS_SUCCESS, "exact fill: result %u, expected 0\n", result);
    ok(size == expectedSize, "exact fill: size changed to %u\n", size);
    const CPUINFO *records = exact.As<CPUINFO>();
    const uint32_t speed = records[0].speed;
    const double measured = MeasureTscMhz();
    std::printf("processors: %d x %s, %s, %u MHz (time-stamp counter runs at %.0f MHz)\n", count,
                Quote(FieldText(records[0].name, 260)).c_str(), Quote(FieldText(records[0].vendor, 260)).c_str(),
                speed, measured);
    // The speed is the counter frequency snapped to a 50 or 66.67 MHz step.
    ok(speed > 0 && std::abs(double(speed) - measured) <= 70.0 + measured * 0.03,
       "speed %u MHz, the time-stamp counter runs at %.0f MHz\n", speed, measured);
    for (int i = 0; i < count; ++i) {
        CheckCpuRecord(records[i], i, speed, kFill);
        const uint32_t expectedNext = i + 1 < count ? Address32(&records[i + 1]) : 0;
        ok(records[i].next == expectedNext, "record %d: next %08x, expected %08x\n", i, records[i].next,
           expectedNext);
    }

    // A second call answers the same, including the cached speed.
    LowBuffer again(expectedSize, false);
    size = expectedSize;
    result = pHsiGetCpuInfo(again.As<CPUINFO>(), &size);
    ok(result == HS_SUCCESS && again.As<CPUINFO>()[0].speed == speed,
       "second fill: result %u, speed %u, expected 0 and %u\n", result, again.As<CPUINFO>()[0].speed, speed);

    // Room for twice the processors: that many identical records.
    LowBuffer twice(2 * expectedSize, true);
    size = 2 * expectedSize;
    result = pHsiGetCpuInfo(twice.As<CPUINFO>(), &size);
    ok(result == HS_SUCCESS, "double buffer: result %u, expected 0\n", result);
    for (int i = 0; i < 2 * count; ++i) {
        const CPUINFO *r = twice.As<CPUINFO>() + i;
        CheckCpuRecord(*r, i, speed, kFill);
        const uint32_t expectedNext = i + 1 < 2 * count ? Address32(r + 1) : 0;
        ok(r->next == expectedNext, "double buffer record %d: next %08x, expected %08x\n", i, r->next,
           expectedNext);
    }

    // 1000 bytes hold one whole record: one record, next 0, the rest untouched.
    LowBuffer thousand(1000, true);
    size = 1000;
    result = pHsiGetCpuInfo(thousand.As<CPUINFO>(), &size);
    ok(result == HS_SUCCESS, "size 1000: result %u, expected 0\n", result);
    ok(size == 1000, "size 1000: size changed to %u\n", size);
    ok(thousand.As<CPUINFO>()->next == 0, "size 1000: next %08x, expected 0\n", thousand.As<CPUINFO>()->next);
    CheckCpuRecord(*thousand.As<CPUINFO>(), 0, speed, kFill);
    ok(thousand.Untouched(sizeof(CPUINFO), 1000 - sizeof(CPUINFO)), "size 1000: bytes past the record written\n");

    // Less than one record: 0 and nothing written.
    LowBuffer small(sizeof(CPUINFO), false);
    size = sizeof(CPUINFO) - 1;
    result = pHsiGetCpuInfo(small.As<CPUINFO>(), &size);
    ok(result == HS_SUCCESS, "size 527: result %u, expected 0\n", result);
    ok(size == sizeof(CPUINFO) - 1, "size 527: size changed to %u\n", size);
    ok(small.Untouched(0, sizeof(CPUINFO)), "size 527: the buffer was written\n");

    // The second record lies in an inaccessible page: 111, nothing written.
    LowBuffer oneReadable(sizeof(CPUINFO), true);
    size = 2 * sizeof(CPUINFO);
    result = pHsiGetCpuInfo(oneReadable.As<CPUINFO>(), &size);
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "second record unreadable: result %u, expected 111\n", result);
    ok(size == 2 * sizeof(CPUINFO), "second record unreadable: size changed to %u\n", size);
    ok(oneReadable.Untouched(0, sizeof(CPUINFO)), "second record unreadable: the first record was written\n");

    // A size that cannot be read is answered like an unreadable buffer.
    result = pHsiGetCpuInfo(nullptr, nullptr);
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "null size: result %u, expected 111\n", result);
    LowBuffer noSize(0, true);
    result = pHsiGetCpuInfo(exact.As<CPUINFO>(), noSize.As<uint32_t>());
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "inaccessible size: result %u, expected 111\n", result);
}

void TestCpuInfoEx()
{
    const int32_t count = pHsiGetCpuCount();
    const size_t recordsBytes = static_cast<size_t>(count + 1) * sizeof(CPUINFO);
    LowBuffer header(sizeof(INFOLIST), true);
    LowBuffer records(recordsBytes, true);
    if (!header.Valid() || !records.Valid()) {
        ok(false, "no memory below 4 GiB\n");
        return;
    }
    INFOLIST *list = header.As<INFOLIST>();

    // Count 0: 0, header untouched.
    list->records = records.Address32();
    int32_t result = pHsiGetCpuInfoEx(list, 0);
    ok(result == 0, "count 0: result %d, expected 0\n", result);
    ok(header.Untouched(0, 8), "count 0: header written\n");

    // count + 1 records: 1, header written, next fields as the caller left them.
    const int32_t n = count + 1;
    result = pHsiGetCpuInfoEx(list, n);
    ok(result == 1, "count %d: result %d, expected 1\n", n, result);
    ok(list->count == n && list->recordSize == sizeof(CPUINFO), "count %d: header count %d size %u, expected %d %u\n",
       n, list->count, list->recordSize, n, static_cast<unsigned>(sizeof(CPUINFO)));
    ok(list->records == records.Address32(), "records field changed to %08x\n", list->records);
    const CPUINFO *filled = records.As<CPUINFO>();
    for (int32_t i = 0; i < n; ++i) {
        ok(filled[i].next == 0xA5A5A5A5u, "record %d: next %08x written\n", i, filled[i].next);
        CheckCpuRecord(filled[i], i, filled[0].speed, kFill);
    }

    // A negative count writes the header and returns 1, no record touched.
    records.Fill(kFill);
    header.Fill(kFill);
    list->records = records.Address32();
    result = pHsiGetCpuInfoEx(list, -1);
    ok(result == 1, "count -1: result %d, expected 1\n", result);
    ok(list->count == -1 && list->recordSize == sizeof(CPUINFO), "count -1: header count %d size %u\n", list->count,
       list->recordSize);
    ok(records.Untouched(0, recordsBytes), "count -1: records written\n");

    // The last record unreadable: 0, header untouched, trace with its index.
    LowBuffer shortRecords(static_cast<size_t>(n - 1) * sizeof(CPUINFO), true);
    header.Fill(kFill);
    list->records = shortRecords.Address32();
    StartTraces();
    result = pHsiGetCpuInfoEx(list, n);
    const std::vector<std::string> traces = StopTraces();
    ok(result == 0, "unreadable record: result %d, expected 0\n", result);
    ok(header.Untouched(0, 8), "unreadable record: header written\n");
    ok(shortRecords.Untouched(0, static_cast<size_t>(n - 1) * sizeof(CPUINFO)),
       "unreadable record: readable records written\n");
    if (g_tracesWork) {
        const std::string expected = "HsiGetCpuInfoEx failed! " + std::to_string(n - 1);
        ok(HasTrace(traces, expected), "unreadable record: traces %s, expected %s\n", Joined(traces).c_str(),
           Quote(expected).c_str());
    }

    // An unreadable header is answered, not a crash.
    result = pHsiGetCpuInfoEx(nullptr, 1);
    ok(result == 0, "null header: result %d, expected 0\n", result);
}

// ---------------------------------------------------------------------------
// Identity and common facts

const char *const kNtVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char *const kWinlogonKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

std::string ExpectedOsDescription()
{
    const std::string product = ReadRegistryText(kNtVersionKey, "ProductName");
    const std::string version = ReadRegistryText(kNtVersionKey, "CurrentVersion");
    const std::string build = ReadRegistryText(kNtVersionKey, "CurrentBuildNumber");
    return product + "  " + version + "  " + build;
}

uint32_t Cap32(SIZE_T value)
{
    return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

bool SetWinlogonValue(const char *name, const char *text)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWinlogonKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    LONG status;
    if (text == nullptr)
        status = RegDeleteValueA(key, name);
    else
        status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                                static_cast<DWORD>(std::strlen(text) + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

void TestCommonInfo()
{
    OSVERSIONINFOA version;
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    ok(version.dwPlatformId == VER_PLATFORM_WIN32_NT, "platform %lu, expected the NT family\n",
       version.dwPlatformId);

    // The texts imported from wine-test.reg, and what the registry holds.
    const std::string computer = "HSWINEBOX";
    const std::string user = version.dwMajorVersion >= 5 ? "alt.user" : "fallback.user";
    const std::string owner = "Hardscan Test Owner";
    const std::string organization = "Hardscan Test Organisation";
    const std::string os = ExpectedOsDescription();
    const std::string registryComputer =
        ReadRegistryText("System\\CurrentControlSet\\Control\\ComputerName\\ComputerName", "ComputerName");
    ok(registryComputer == computer, "registry computer name %s, expected %s (import failed?)\n",
       Quote(registryComputer).c_str(), Quote(computer).c_str());

    LowBuffer buffer(sizeof(COMMONINFO), true);
    if (!buffer.Valid()) {
        ok(false, "no memory below 4 GiB\n");
        return;
    }
    COMMONINFO *info = buffer.As<COMMONINFO>();
    int32_t result = pHsiGetCommonInfo(info);
    ok(result == 1, "result %d, expected 1\n", result);
    ok(FieldHolds(info->computerName, 260, computer, kFill), "computerName %s, expected %s\n",
       Quote(FieldText(info->computerName, 260)).c_str(), Quote(computer).c_str());
    ok(FieldHolds(info->userName, 260, user, kFill), "userName %s, expected %s\n",
       Quote(FieldText(info->userName, 260)).c_str(), Quote(user).c_str());
    ok(FieldHolds(info->registeredOwner, 260, owner, kFill), "registeredOwner %s, expected %s\n",
       Quote(FieldText(info->registeredOwner, 260)).c_str(), Quote(owner).c_str());
    ok(FieldHolds(info->registeredOrganization, 260, organization, kFill),
       "registeredOrganization %s, expected %s\n", Quote(FieldText(info->registeredOrganization, 260)).c_str(),
       Quote(organization).c_str());
    ok(FieldHolds(info->osDescription, 260, os, kFill), "osDescription %s, expected %s\n",
       Quote(FieldText(info->osDescription, 260)).c_str(), Quote(os).c_str());
    ok(buffer.Untouched(offsetof(COMMONINFO, osVersion), sizeof(HSOSVERSIONINFO)), "osVersion written\n");
    std::printf("common: %s / %s / %s / %s / %s\n", Quote(FieldText(info->computerName, 260)).c_str(),
                Quote(FieldText(info->userName, 260)).c_str(), Quote(FieldText(info->registeredOwner, 260)).c_str(),
                Quote(FieldText(info->registeredOrganization, 260)).c_str(),
                Quote(FieldText(info->osDescription, 260)).c_str());

    // Memory status as a 32-bit system reports it.
    MEMORYSTATUS memory;
    memory.dwLength = sizeof memory;
    GlobalMemoryStatus(&memory);
    const HSMEMORYSTATUS &m = info->memoryStatus;
    ok(m.dwLength == sizeof(HSMEMORYSTATUS), "dwLength %u, expected 32\n", m.dwLength);
    ok(m.dwMemoryLoad <= 100, "dwMemoryLoad %u\n", m.dwMemoryLoad);
    ok(m.dwTotalPhys == Cap32(memory.dwTotalPhys), "dwTotalPhys %u, expected %u\n", m.dwTotalPhys,
       Cap32(memory.dwTotalPhys));
    ok(m.dwTotalVirtual == Cap32(memory.dwTotalVirtual), "dwTotalVirtual %u, expected %u\n", m.dwTotalVirtual,
       Cap32(memory.dwTotalVirtual));
    ok(m.dwAvailPhys <= m.dwTotalPhys && m.dwAvailVirtual <= m.dwTotalVirtual && m.dwAvailPhys > 0,
       "available memory phys %u of %u, virtual %u of %u\n", m.dwAvailPhys, m.dwTotalPhys, m.dwAvailVirtual,
       m.dwTotalVirtual);

    // Without the alternate name the default one is reported; without both
    // the user name is empty and the result 0, the rest still filled.
    if (version.dwMajorVersion >= 5) {
        ok(SetWinlogonValue("AltDefaultUserName", nullptr), "cannot remove AltDefaultUserName\n");
        buffer.Fill(kFill);
        result = pHsiGetCommonInfo(info);
        ok(result == 1, "without AltDefaultUserName: result %d, expected 1\n", result);
        ok(FieldHolds(info->userName, 260, "fallback.user", kFill),
           "without AltDefaultUserName: userName %s, expected \"fallback.user\"\n",
           Quote(FieldText(info->userName, 260)).c_str());
        ok(SetWinlogonValue("DefaultUserName", nullptr), "cannot remove DefaultUserName\n");
        buffer.Fill(kFill);
        result = pHsiGetCommonInfo(info);
        ok(result == 0, "without user names: result %d, expected 0\n", result);
        ok(FieldHolds(info->userName, 260, "", kFill), "without user names: userName %s, expected empty\n",
           Quote(FieldText(info->userName, 260)).c_str());
        ok(FieldHolds(info->computerName, 260, computer, kFill) && FieldHolds(info->osDescription, 260, os, kFill),
           "without user names: the other texts are missing\n");
        ok(SetWinlogonValue("DefaultUserName", "fallback.user") && SetWinlogonValue("AltDefaultUserName", "alt.user"),
           "cannot restore the user names\n");
    }

    // A record that runs into an inaccessible page: 0, nothing written.
    LowBuffer partial(sizeof(COMMONINFO) - 8, true);
    StartTraces();
    result = pHsiGetCommonInfo(reinterpret_cast<COMMONINFO *>(partial.Data()));
    std::vector<std::string> traces = StopTraces();
    ok(result == 0, "unreadable record: result %d, expected 0\n", result);
    ok(partial.Untouched(0, sizeof(COMMONINFO) - 8), "unreadable record: written\n");
    if (g_tracesWork)
        ok(HasTrace(traces, "HsiGetUserInfo failed! "), "unreadable record: traces %s\n", Joined(traces).c_str());

    StartTraces();
    result = pHsiGetCommonInfo(nullptr);
    traces = StopTraces();
    ok(result == 0, "null record: result %d, expected 0\n", result);
    if (g_tracesWork)
        ok(HasTrace(traces, "HsiGetUserInfo failed! "), "null record: traces %s\n", Joined(traces).c_str());
}

// ---------------------------------------------------------------------------
// Software

// The programs of wine-test.reg in the order the exports report them.
const std::vector<std::string> kPrograms = {"Apple", "banana", "cherry", "cherry", "Delta mixed case",
                                            "echo reversed"};

void CheckSoftwareRecord(const SOFTWAREINFO &record, size_t index, const std::string &expected)
{
    ok(FieldHolds(record.displayName, 260, expected, kFill), "program %u: %s, expected %s\n",
       static_cast<unsigned>(index), Quote(FieldText(record.displayName, 260)).c_str(), Quote(expected).c_str());
}

void TestSoftware()
{
    const uint32_t n = static_cast<uint32_t>(kPrograms.size());
    const int32_t count = pHsiGetSoftwareCount();
    ok(count == static_cast<int32_t>(n), "HsiGetSoftwareCount: %d, expected %u\n", count, n);

    uint32_t size = 0xDEADBEEFu;
    uint32_t result = pHsiGetSoftwareInfo(nullptr, &size);
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "size query: result %u, expected 111\n", result);
    ok(size == n * sizeof(SOFTWAREINFO), "size query: size %u, expected %u\n", size,
       static_cast<unsigned>(n * sizeof(SOFTWAREINFO)));

    // Exact size: sorted names, chained, one trace per program.
    LowBuffer exact(n * sizeof(SOFTWAREINFO), true);
    if (!exact.Valid()) {
        ok(false, "no memory below 4 GiB\n");
        return;
    }
    size = n * sizeof(SOFTWAREINFO);
    StartTraces();
    result = pHsiGetSoftwareInfo(exact.As<SOFTWAREINFO>(), &size);
    std::vector<std::string> traces = StopTraces();
    ok(result == HS_SUCCESS, "exact fill: result %u, expected 0\n", result);
    for (uint32_t i = 0; i < n; ++i) {
        const SOFTWAREINFO &r = exact.As<SOFTWAREINFO>()[i];
        CheckSoftwareRecord(r, i, kPrograms[i]);
        const uint32_t expectedNext = i + 1 < n ? Address32(&r + 1) : 0;
        ok(r.next == expectedNext, "program %u: next %08x, expected %08x\n", i, r.next, expectedNext);
    }
    if (g_tracesWork) {
        std::vector<std::string> expected;
        for (const std::string &name : kPrograms)
            expected.push_back("Hardscan.dll>>>" + name + "\n");
        std::vector<std::string> got;
        for (const std::string &t : traces)
            if (t.compare(0, 15, "Hardscan.dll>>>") == 0)
                got.push_back(t);
        ok(got == expected, "exact fill: program traces %s\n", Joined(got).c_str());
    }

    // Room for two more: all chained, the two extra names empty.
    LowBuffer larger((n + 2) * sizeof(SOFTWAREINFO), true);
    size = (n + 2) * sizeof(SOFTWAREINFO);
    result = pHsiGetSoftwareInfo(larger.As<SOFTWAREINFO>(), &size);
    ok(result == HS_SUCCESS, "larger fill: result %u, expected 0\n", result);
    for (uint32_t i = 0; i < n + 2; ++i) {
        const SOFTWAREINFO &r = larger.As<SOFTWAREINFO>()[i];
        CheckSoftwareRecord(r, i, i < n ? kPrograms[i] : std::string());
        const uint32_t expectedNext = i + 1 < n + 2 ? Address32(&r + 1) : 0;
        ok(r.next == expectedNext, "larger fill %u: next %08x, expected %08x\n", i, r.next, expectedNext);
    }

    // Room for two: the first two programs in key order, sorted.
    std::vector<std::string> firstTwo = ProgramsInKeyOrder();
    ok(firstTwo.size() == n, "the registry lists %u programs, expected %u\n", static_cast<unsigned>(firstTwo.size()),
       n);
    if (firstTwo.size() >= 2) {
        firstTwo.resize(2);
        std::sort(firstTwo.begin(), firstTwo.end(), LessIgnoringCase);
        LowBuffer two(2 * sizeof(SOFTWAREINFO), true);
        size = 2 * sizeof(SOFTWAREINFO);
        result = pHsiGetSoftwareInfo(two.As<SOFTWAREINFO>(), &size);
        ok(result == HS_SUCCESS, "two records: result %u, expected 0\n", result);
        CheckSoftwareRecord(two.As<SOFTWAREINFO>()[0], 0, firstTwo[0]);
        CheckSoftwareRecord(two.As<SOFTWAREINFO>()[1], 1, firstTwo[1]);
        ok(two.As<SOFTWAREINFO>()[1].next == 0, "two records: last next %08x\n", two.As<SOFTWAREINFO>()[1].next);
    }

    // Less than a record: 0, nothing written.
    LowBuffer small(sizeof(SOFTWAREINFO), false);
    size = sizeof(SOFTWAREINFO) - 1;
    result = pHsiGetSoftwareInfo(small.As<SOFTWAREINFO>(), &size);
    ok(result == HS_SUCCESS && small.Untouched(0, sizeof(SOFTWAREINFO)),
       "size 263: result %u (expected 0), written %d\n", result, !small.Untouched(0, sizeof(SOFTWAREINFO)));

    // The third record unreadable: 111, nothing written, size unchanged.
    LowBuffer partial(2 * sizeof(SOFTWAREINFO), true);
    size = 3 * sizeof(SOFTWAREINFO);
    result = pHsiGetSoftwareInfo(partial.As<SOFTWAREINFO>(), &size);
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "third record unreadable: result %u, expected 111\n", result);
    ok(size == 3 * sizeof(SOFTWAREINFO), "third record unreadable: size changed to %u\n", size);
    ok(partial.Untouched(0, 2 * sizeof(SOFTWAREINFO)), "third record unreadable: records written\n");

    // The list call: header with the category, next fields left alone.
    LowBuffer header(sizeof(SOFTWAREINFOLIST), true);
    LowBuffer records(n * sizeof(SOFTWAREINFO), true);
    SOFTWAREINFOLIST *list = header.As<SOFTWAREINFOLIST>();
    list->records = records.Address32();
    int32_t listResult = pHsiGetSoftwareInfoEx(list, static_cast<int32_t>(n));
    ok(listResult == 1, "Ex: result %d, expected 1\n", listResult);
    ok(list->count == static_cast<int32_t>(n) && list->recordSize == sizeof(SOFTWAREINFO),
       "Ex: header count %d size %u\n", list->count, list->recordSize);
    ok(FieldHolds(list->category, 32, "Software", kFill), "Ex: category %s, expected \"Software\"\n",
       Quote(FieldText(list->category, 32)).c_str());
    ok(list->records == records.Address32(), "Ex: records field changed to %08x\n", list->records);
    for (uint32_t i = 0; i < n; ++i) {
        const SOFTWAREINFO &r = records.As<SOFTWAREINFO>()[i];
        CheckSoftwareRecord(r, i, kPrograms[i]);
        ok(r.next == 0xA5A5A5A5u, "Ex: program %u next %08x written\n", i, r.next);
    }

    header.Fill(kFill);
    list->records = records.Address32();
    listResult = pHsiGetSoftwareInfoEx(list, 0);
    ok(listResult == 0 && header.Untouched(0, 40), "Ex count 0: result %d (expected 0), header written %d\n",
       listResult, !header.Untouched(0, 40));

    LowBuffer shortRecords((n - 1) * sizeof(SOFTWAREINFO), true);
    list->records = shortRecords.Address32();
    listResult = pHsiGetSoftwareInfoEx(list, static_cast<int32_t>(n));
    ok(listResult == 0, "Ex unreadable record: result %d, expected 0\n", listResult);
    ok(header.Untouched(0, 40) && shortRecords.Untouched(0, (n - 1) * sizeof(SOFTWAREINFO)),
       "Ex unreadable record: something was written\n");
}

// ---------------------------------------------------------------------------
// Network adapters

void TestAdapters()
{
    const AdapterSnapshot adapters = ReadAdapters();
    const std::vector<const IP_ADAPTER_INFO *> addressed = adapters.Addressed();
    std::printf("adapters: %u entries (%u records of room), %u addressed\n",
                static_cast<unsigned>(adapters.entries.size()), static_cast<unsigned>(adapters.EntryRecords()),
                static_cast<unsigned>(addressed.size()));
    for (const IP_ADAPTER_INFO *e : adapters.entries)
        std::printf("  %s %s %s %s\n", e->AdapterName, e->Description, HardwareText(e->Address).c_str(),
                    e->IpAddressList.IpAddress.String);

    ok(pHsiGetAdapterCount(nullptr) == 0, "HsiGetAdapterCount(null): %d, expected 0\n", pHsiGetAdapterCount(nullptr));
    LowBuffer unreadable(0, true);
    ok(pHsiGetAdapterCount(unreadable.Data()) == 0, "HsiGetAdapterCount(inaccessible page): %d, expected 0\n",
       pHsiGetAdapterCount(unreadable.Data()));

    if (!adapters.present) {
        skip("the system reports no adapter list\n");
        return;
    }
    const int32_t counted = pHsiGetAdapterCount(adapters.First());
    ok(counted == static_cast<int32_t>(addressed.size()), "HsiGetAdapterCount: %d, expected %u\n", counted,
       static_cast<unsigned>(addressed.size()));

    const uint32_t needed = static_cast<uint32_t>(addressed.size() * sizeof(IPADAPTERINFO));
    uint32_t size = 0xDEADBEEFu;
    uint32_t result = pHsiGetAdapterInfo(nullptr, &size);
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "size query: result %u, expected 111\n", result);
    ok(size == needed, "size query: size %u, expected %u\n", size, needed);

    // Room for one record per list entry: the addressed adapters, chained.
    const size_t room = std::max<size_t>(adapters.EntryRecords(), 1);
    LowBuffer buffer(room * sizeof(IPADAPTERINFO), true);
    if (!buffer.Valid()) {
        ok(false, "no memory below 4 GiB\n");
        return;
    }
    size = 0xDEADBEEFu;
    result = pHsiGetAdapterInfo(buffer.As<IPADAPTERINFO>(), &size);
    ok(result == HS_SUCCESS, "fill: result %u, expected 0\n", result);
    for (size_t k = 0; k < addressed.size(); ++k) {
        const IPADAPTERINFO &r = buffer.As<IPADAPTERINFO>()[k];
        const IP_ADAPTER_INFO &e = *addressed[k];
        ok(std::memcmp(r.adapterName, e.AdapterName, 259) == 0, "adapter %u: name %s, expected %s\n",
           static_cast<unsigned>(k), Quote(FieldText(r.adapterName, 260)).c_str(), e.AdapterName);
        ok(std::memcmp(r.description, e.Description, 131) == 0, "adapter %u: description %s, expected %s\n",
           static_cast<unsigned>(k), Quote(FieldText(r.description, 132)).c_str(), e.Description);
        ok(FieldHolds(r.mac, 16, HardwareText(e.Address), kFill), "adapter %u: mac %s, expected %s\n",
           static_cast<unsigned>(k), Quote(FieldText(r.mac, 16)).c_str(), HardwareText(e.Address).c_str());
        const std::string ip(e.IpAddressList.IpAddress.String, strnlen(e.IpAddressList.IpAddress.String, 16));
        ok(FieldHolds(r.ipAddress, 16, ip, kFill), "adapter %u: ip %s, expected %s\n", static_cast<unsigned>(k),
           Quote(FieldText(r.ipAddress, 16)).c_str(), ip.c_str());
        const uint32_t expectedNext = k + 1 < addressed.size() ? Address32(&r + 1) : 0;
        ok(r.next == expectedNext, "adapter %u: next %08x, expected %08x\n", static_cast<unsigned>(k), r.next,
           expectedNext);
    }
    ok(buffer.Untouched(addressed.size() * sizeof(IPADAPTERINFO), (room - addressed.size()) * sizeof(IPADAPTERINFO)),
       "fill: records past the addressed adapters written\n");

    // One record less than there are list entries: 111 and the needed size.
    if (adapters.EntryRecords() >= 1) {
        LowBuffer shortBuffer((adapters.EntryRecords() - 1) * sizeof(IPADAPTERINFO), true);
        size = 0xDEADBEEFu;
        result = pHsiGetAdapterInfo(shortBuffer.As<IPADAPTERINFO>(), &size);
        ok(result == HS_ERROR_BUFFER_OVERFLOW, "short buffer: result %u, expected 111\n", result);
        ok(size == needed, "short buffer: size %u, expected %u\n", size, needed);
        ok(shortBuffer.Untouched(0, (adapters.EntryRecords() - 1) * sizeof(IPADAPTERINFO)),
           "short buffer: records written\n");
    }

    // The user record: names and the first addressed adapter.
    LowBuffer user(sizeof(NETUSERINFO), true);
    NETUSERINFO *info = user.As<NETUSERINFO>();
    int32_t userResult = pHsiGetNetUserInfo(info);
    ok(userResult == 1, "HsiGetNetUserInfo: result %d, expected 1\n", userResult);
    ok(FieldHolds(info->computerName, 260, "HSWINEBOX", kFill), "user record: computerName %s\n",
       Quote(FieldText(info->computerName, 260)).c_str());
    ok(FieldHolds(info->userName, 260, "alt.user", kFill), "user record: userName %s\n",
       Quote(FieldText(info->userName, 260)).c_str());
    ok(user.Untouched(0, 4) && user.Untouched(offsetof(NETUSERINFO, reserved1), 12),
       "user record: reserved fields written\n");
    if (!addressed.empty()) {
        const IP_ADAPTER_INFO &e = *addressed.front();
        const std::string ip(e.IpAddressList.IpAddress.String, strnlen(e.IpAddressList.IpAddress.String, 15));
        ok(std::memcmp(info->ipAddress, std::string(ip + std::string(15 - ip.size(), '\0')).data(), 15) == 0 &&
               user.Untouched(offsetof(NETUSERINFO, ipAddress) + 15, 17),
           "user record: ipAddress %s, expected %s in the first 15 bytes only\n",
           Quote(FieldText(info->ipAddress, 32)).c_str(), ip.c_str());
        const std::string mac = HardwareText(e.Address);
        ok(std::memcmp(info->mac, std::string(mac + std::string(3, '\0')).data(), 15) == 0 &&
               user.Untouched(offsetof(NETUSERINFO, mac) + 15, 17),
           "user record: mac %s, expected %s in the first 15 bytes only\n", Quote(FieldText(info->mac, 32)).c_str(),
           mac.c_str());
    } else {
        ok(user.Untouched(offsetof(NETUSERINFO, ipAddress), 64), "user record: address fields written\n");
    }

    StartTraces();
    userResult = pHsiGetNetUserInfo(nullptr);
    const std::vector<std::string> traces = StopTraces();
    ok(userResult == static_cast<int32_t>(HS_ERROR_BUFFER_OVERFLOW), "HsiGetNetUserInfo(null): %d, expected 111\n",
       userResult);
    if (g_tracesWork)
        ok(HasTrace(traces, "HsiGetNetUserInfo() failed! --- IsBadReadPtr\n"), "HsiGetNetUserInfo(null): traces %s\n",
           Joined(traces).c_str());
}

// The NetBIOS adapters as the system reports them: the enumeration's count
// (0 when it fails) and, per LANA, the first six bytes of the adapter status
// of "*"; walked is false when a reset or status query fails.
struct NetbiosView {
    int count = 0;
    bool walked = false;
    std::vector<std::vector<uint8_t>> addresses;
};

NetbiosView ReadNetbios()
{
    NetbiosView view;
    LANA_ENUM lanas;
    NCB ncb;
    std::memset(&ncb, 0, sizeof ncb);
    std::memset(&lanas, 0, sizeof lanas);
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = reinterpret_cast<PUCHAR>(&lanas);
    ncb.ncb_length = sizeof lanas;
    if (Netbios(&ncb) != NRC_GOODRET)
        return view;
    view.count = lanas.length;
    for (int i = 0; i < view.count; ++i) {
        std::memset(&ncb, 0, sizeof ncb);
        ncb.ncb_command = NCBRESET;
        ncb.ncb_lana_num = lanas.lana[i];
        if (Netbios(&ncb) != NRC_GOODRET)
            return view;
        unsigned char status[600] = {0};
        std::memset(&ncb, 0, sizeof ncb);
        ncb.ncb_command = NCBASTAT;
        ncb.ncb_lana_num = lanas.lana[i];
        std::memcpy(ncb.ncb_callname, "*               ", 16);
        ncb.ncb_buffer = status;
        ncb.ncb_length = sizeof status;
        if (Netbios(&ncb) != NRC_GOODRET)
            return view;
        view.addresses.emplace_back(status, status + 6);
    }
    view.walked = true;
    return view;
}

// The texts that n NETINFO records carry: one per entry of an n-entry
// address array (entries past the adapters are zero), "DEST" entries left
// out, the records past the texts empty.
std::vector<std::string> ExpectedNetbiosTexts(const NetbiosView &view, int32_t n)
{
    std::vector<std::string> texts;
    for (int32_t i = 0; i < n; ++i) {
        std::vector<uint8_t> address(6, 0);
        if (static_cast<size_t>(i) < view.addresses.size())
            address = view.addresses[i];
        if (std::memcmp(address.data(), "DEST\0\0", 6) == 0)
            continue;
        char text[13];
        std::snprintf(text, sizeof text, "%02x%02x%02x%02x%02x%02x", address[0], address[1], address[2],
                      address[3], address[4], address[5]);
        texts.push_back(text);
    }
    texts.resize(static_cast<size_t>(n));
    return texts;
}

void TestNetBios()
{
    const NetbiosView netbios = ReadNetbios();
    const int32_t count = pHsiGetNetCount();
    ok(count == netbios.count, "HsiGetNetCount: %d, expected %d\n", count, netbios.count);
    std::printf("NetBIOS adapters: %d (%s)\n", count, Joined(ExpectedNetbiosTexts(netbios, count)).c_str());

    const int32_t n = count + 1;
    LowBuffer header(sizeof(INFOLIST), true);
    LowBuffer records(static_cast<size_t>(n) * sizeof(NETINFO), true);
    INFOLIST *list = header.As<INFOLIST>();
    list->records = records.Address32();
    int32_t result = pHsiGetNetInfoEx(list, 0);
    ok(result == 0 && header.Untouched(0, 8), "HsiGetNetInfoEx count 0: %d, header written %d\n", result,
       !header.Untouched(0, 8));

    LowBuffer shortRecords(sizeof(NETINFO), true);
    list->records = shortRecords.Address32();
    StartTraces();
    result = pHsiGetNetInfoEx(list, 2);
    std::vector<std::string> traces = StopTraces();
    ok(result == 0 && header.Untouched(0, 8) && shortRecords.Untouched(0, sizeof(NETINFO)),
       "HsiGetNetInfoEx unreadable record: %d, something written\n", result);
    if (g_tracesWork)
        ok(HasTrace(traces, "HsiGetNetInfoEx failed! 1"), "HsiGetNetInfoEx unreadable record: traces %s\n",
           Joined(traces).c_str());

    // One record more than there are adapters: the last carries zero digits.
    list->records = records.Address32();
    StartTraces();
    result = pHsiGetNetInfoEx(list, n);
    traces = StopTraces();
    ok(list->count == n && list->recordSize == sizeof(NETINFO), "HsiGetNetInfoEx: header %d %u, expected %d 68\n",
       list->count, list->recordSize, n);
    if (count == 0 || !netbios.walked) {
        ok(result == 0, "HsiGetNetInfoEx without a NetBIOS walk: %d, expected 0\n", result);
        if (g_tracesWork)
            ok(HasTrace(traces, "GetUserInfo() -- SimGetNetCard() false!"), "HsiGetNetInfoEx: traces %s\n",
               Joined(traces).c_str());
        return;
    }
    ok(result == 1, "HsiGetNetInfoEx count %d: %d, expected 1\n", n, result);
    const std::vector<std::string> expected = ExpectedNetbiosTexts(netbios, n);
    for (int32_t i = 0; i < n; ++i) {
        const NETINFO &r = records.As<NETINFO>()[i];
        ok(FieldHolds(r.mac, 32, expected[i], kFill), "NetBIOS record %d: mac %s, expected %s\n", i,
           Quote(FieldText(r.mac, 32)).c_str(), Quote(expected[i]).c_str());
        ok(static_cast<uint8_t>(r.ipText[31]) == kFill, "NetBIOS record %d: last byte of ipText written\n", i);
    }
}

// ---------------------------------------------------------------------------
// Drives and devices

const char *const kDriveTypes[] = {"FloppyDisk", "CDROM", "DiskDrive"};
const char *const kDeviceTypes[] = {"Display", "Printer", "Monitor", "Mouse", "Keyboard",
                                    "Net",     "MEDIA",   "USB",     "SCSI",  "Modem"};

template <size_t N> bool IsOneOf(const std::string &word, const char *const (&words)[N])
{
    for (const char *w : words)
        if (word == w)
            return true;
    return false;
}

// Checks a filled DRIVERINFO/DEVICEINFO array: chained, known type words.
template <typename Record, size_t N>
void CheckEntries(const char *what, const Record *records, uint32_t n, const char *const (&words)[N])
{
    for (uint32_t i = 0; i < n; ++i) {
        const Record &r = records[i];
        const std::string type = FieldText(r.type, 32);
        std::printf("  %s %u: %s %s\n", what, i, Quote(type).c_str(), Quote(FieldText(r.description, 260)).c_str());
        ok(IsOneOf(type, words), "%s %u: unknown type word %s\n", what, i, Quote(type).c_str());
        ok(static_cast<uint8_t>(r.type[31]) == kFill && static_cast<uint8_t>(r.description[259]) == kFill,
           "%s %u: the last byte of a text field was written\n", what, i);
        const uint32_t expectedNext = i + 1 < n ? Address32(&r + 1) : 0;
        ok(r.next == expectedNext, "%s %u: next %08x, expected %08x\n", what, i, r.next, expectedNext);
    }
}

uint32_t g_driveBytes = 0;
uint32_t g_deviceBytes = 0;

void TestDrives()
{
    uint32_t size = 0xDEADBEEFu;
    uint32_t result = pHsiGetDriverInfo(nullptr, &size);
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "drives size query: result %u, expected 111\n", result);
    ok(size % sizeof(DRIVERINFO) == 0, "drives size query: size %u is not whole records\n", size);
    g_driveBytes = size;
    const uint32_t n = size / sizeof(DRIVERINFO);
    std::printf("drives: %u\n", n);

    uint32_t again = 0;
    pHsiGetDriverInfo(nullptr, &again);
    ok(again == size, "drives size query: %u, then %u\n", size, again);

    if (n == 0) {
        LowBuffer empty(sizeof(DRIVERINFO), true);
        size = 0;
        StartTraces();
        result = pHsiGetDriverInfo(empty.As<DRIVERINFO>(), &size);
        const std::vector<std::string> traces = StopTraces();
        ok(result == HS_ERROR_NO_DATA, "no drives: result %u, expected 232\n", result);
        if (g_tracesWork)
            ok(HasTrace(traces, "HsiGetDriverInfo() failed! --- ERROR_NO_DATA\n"), "no drives: traces %s\n",
               Joined(traces).c_str());
        return;
    }

    LowBuffer buffer(n * sizeof(DRIVERINFO), true);
    size = n * sizeof(DRIVERINFO);
    result = pHsiGetDriverInfo(buffer.As<DRIVERINFO>(), &size);
    ok(result == HS_SUCCESS, "drives fill: result %u, expected 0\n", result);
    CheckEntries("drive", buffer.As<DRIVERINFO>(), n, kDriveTypes);

    // The drives of wine-test.reg: floppies, CD-ROM drives (IDE, then SCSI,
    // then one placeholder per CD-ROM letter beyond them), IDE disks.
    std::vector<std::pair<std::string, std::string>> expected = {
        {"FloppyDisk", "HS floppy disk drive"}, {"CDROM", "HS IDE DVD-ROM"}, {"CDROM", "HS SCSI CD-ROM"}};
    int cdromLetters = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const char root[3] = {letter, ':', 0};
        if (GetDriveTypeA(root) == DRIVE_CDROM)
            ++cdromLetters;
    }
    for (int k = 1; k <= cdromLetters - 2; ++k)
        expected.push_back({"CDROM", "CDRom " + std::to_string(k)});
    expected.push_back({"DiskDrive", "HS IDE disk"});
    ok(n == expected.size(), "drives: %u, expected %u\n", n, static_cast<unsigned>(expected.size()));
    for (uint32_t i = 0; i < n && i < expected.size(); ++i) {
        const DRIVERINFO &r = buffer.As<DRIVERINFO>()[i];
        ok(FieldText(r.type, 32) == expected[i].first && FieldHolds(r.description, 260, expected[i].second, kFill),
           "drive %u: %s %s, expected %s %s\n", i, Quote(FieldText(r.type, 32)).c_str(),
           Quote(FieldText(r.description, 260)).c_str(), Quote(expected[i].first).c_str(),
           Quote(expected[i].second).c_str());
    }

    // One record short: 111 with the overflow trace, nothing written.
    LowBuffer shortBuffer((n - 1) * sizeof(DRIVERINFO) + 100, true);
    size = (n - 1) * sizeof(DRIVERINFO) + 100;
    StartTraces();
    result = pHsiGetDriverInfo(shortBuffer.As<DRIVERINFO>(), &size);
    const std::vector<std::string> traces = StopTraces();
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "drives short buffer: result %u, expected 111\n", result);
    ok(size == (n - 1) * sizeof(DRIVERINFO) + 100, "drives short buffer: size changed to %u\n", size);
    ok(shortBuffer.Untouched(0, (n - 1) * sizeof(DRIVERINFO) + 100), "drives short buffer: written\n");
    if (g_tracesWork)
        ok(HasTrace(traces, "HsiGetDriverInfo() failed! --- ERROR_BUFFER_OVERFLOW --1\n"),
           "drives short buffer: traces %s\n", Joined(traces).c_str());
}

void TestDevices()
{
    uint32_t size = 0xDEADBEEFu;
    uint32_t result = pHsiGetDeviceInfo(nullptr, &size);
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "devices size query: result %u, expected 111\n", result);
    ok(size % sizeof(DEVICEINFO) == 0, "devices size query: size %u is not whole records\n", size);
    g_deviceBytes = size;
    const uint32_t n = size / sizeof(DEVICEINFO);
    std::printf("devices: %u\n", n);

    if (n == 0) {
        LowBuffer empty(sizeof(DEVICEINFO), true);
        size = 0;
        result = pHsiGetDeviceInfo(empty.As<DEVICEINFO>(), &size);
        ok(result == HS_ERROR_NO_DATA, "no devices: result %u, expected 232\n", result);
        return;
    }
    LowBuffer buffer(n * sizeof(DEVICEINFO), true);
    size = n * sizeof(DEVICEINFO);
    result = pHsiGetDeviceInfo(buffer.As<DEVICEINFO>(), &size);
    ok(result == HS_SUCCESS, "devices fill: result %u, expected 0\n", result);
    CheckEntries("device", buffer.As<DEVICEINFO>(), n, kDeviceTypes);

    // The devices of wine-test.reg, the printers the spooler names and the
    // addressed adapters, in the order of the kinds.
    std::vector<std::pair<std::string, std::string>> expected = {{"Display", "HS display adapter"}};
    for (const std::string &printer : SpoolerPrinters())
        expected.push_back({"Printer", printer});
    expected.push_back({"Monitor", "HS monitor"});
    expected.push_back({"Mouse", "HS PS/2 mouse"});
    expected.push_back({"Keyboard", "HS keyboard"});
    for (const IP_ADAPTER_INFO *adapter : ReadAdapters().Addressed())
        expected.push_back({"Net", std::string(adapter->Description, strnlen(adapter->Description, 131))});
    expected.push_back({"MEDIA", "HS USB audio"});
    expected.push_back({"USB", "HS USB host controller"});
    expected.push_back({"USB", "HS USB audio"});
    expected.push_back({"SCSI", "HS SCSI controller"});
    expected.push_back({"Modem", "HS modem"});
    ok(n == expected.size(), "devices: %u, expected %u\n", n, static_cast<unsigned>(expected.size()));
    for (uint32_t i = 0; i < n && i < expected.size(); ++i) {
        const DEVICEINFO &r = buffer.As<DEVICEINFO>()[i];
        ok(FieldText(r.type, 32) == expected[i].first && FieldHolds(r.description, 260, expected[i].second, kFill),
           "device %u: %s %s, expected %s %s\n", i, Quote(FieldText(r.type, 32)).c_str(),
           Quote(FieldText(r.description, 260)).c_str(), Quote(expected[i].first).c_str(),
           Quote(expected[i].second).c_str());
    }

    // A fill without a new size query copies the lists of the last one.
    LowBuffer second(n * sizeof(DEVICEINFO), true);
    size = n * sizeof(DEVICEINFO);
    result = pHsiGetDeviceInfo(second.As<DEVICEINFO>(), &size);
    ok(result == HS_SUCCESS, "second device fill: result %u, expected 0\n", result);
    for (uint32_t i = 0; i < n; ++i)
        ok(std::memcmp(reinterpret_cast<const char *>(&second.As<DEVICEINFO>()[i]) + 4,
                       reinterpret_cast<const char *>(&buffer.As<DEVICEINFO>()[i]) + 4, sizeof(DEVICEINFO) - 4) == 0,
           "second device fill: record %u differs from the first fill\n", i);

    // The last record unreadable: 111 with the trace, nothing written.
    LowBuffer shortBuffer((n - 1) * sizeof(DEVICEINFO), true);
    size = n * sizeof(DEVICEINFO);
    StartTraces();
    result = pHsiGetDeviceInfo(shortBuffer.As<DEVICEINFO>(), &size);
    const std::vector<std::string> traces = StopTraces();
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "devices unreadable record: result %u, expected 111\n", result);
    ok(shortBuffer.Untouched(0, (n - 1) * sizeof(DEVICEINFO)), "devices unreadable record: written\n");
    if (g_tracesWork)
        ok(HasTrace(traces, "HsiGetDeviceInfo() failed! --- ERROR_BUFFER_OVERFLOW --1\n"),
           "devices unreadable record: traces %s\n", Joined(traces).c_str());
}

// ---------------------------------------------------------------------------
// The system-information block

// One section of the block against what its own export answers in a buffer
// prepared the same way (zero-filled): every byte after the next field.
void CompareRecords(const char *what, const uint8_t *section, const uint8_t *single, uint32_t bytes,
                    uint32_t recordSize)
{
    for (uint32_t offset = 0; offset < bytes; offset += recordSize) {
        const bool same = std::memcmp(section + offset + 4, single + offset + 4, recordSize - 4) == 0;
        ok(same, "%s record %u differs from the export's own answer\n", what, offset / recordSize);
    }
}

void TestSysInfo()
{
    StartTraces();
    uint32_t total = 0;
    uint32_t result = pHsiGetSysInfo(nullptr, &total);
    std::vector<std::string> traces = StopTraces();
    ok(result == HS_ERROR_INVALID_BLOCK, "null block: result %u, expected 9\n", result);
    if (g_tracesWork)
        ok(HasTrace(traces, "HsiGetSysInfo...ERROR_INVALID_BLOCK\n"), "null block: traces %s\n",
           Joined(traces).c_str());
    LowBuffer shortHeader(27, true);
    total = 0;
    result = pHsiGetSysInfo(shortHeader.As<SYSINFOHEADER>(), &total);
    ok(result == HS_ERROR_INVALID_BLOCK, "27 readable bytes: result %u, expected 9\n", result);
    ok(shortHeader.Untouched(0, 27) && total == 0, "27 readable bytes: something written\n");

    // Size query: each section as its own export's size query reports it.
    LowBuffer query(sizeof(SYSINFOHEADER) + 4, true);
    SYSINFOHEADER *header = query.As<SYSINFOHEADER>();
    total = 0;
    StartTraces();
    result = pHsiGetSysInfo(header, &total);
    traces = StopTraces();
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "size query: result %u, expected 111\n", result);
    if (g_tracesWork) {
        const char *sizes = "Total = 3292,sizeof(COMMONINFO) = 1480,sizeof(CPUINFO) = 528,sizeof(DRIVERINFO) = "
                            "296,sizeof(DEVICEINFO) = 296,sizeof(IPADAPTERINFO) = 428,sizeof(SOFTWAREINFO) = 264\n";
        ok(HasTrace(traces, sizes), "size query: traces %s\n", Joined(traces).c_str());
    }
    uint32_t cpuBytes = 0, adapterBytes = 0xA5A5A5A5u, softwareBytes = 0;
    pHsiGetCpuInfo(nullptr, &cpuBytes);
    const uint32_t adapterResult = pHsiGetAdapterInfo(nullptr, &adapterBytes);
    pHsiGetSoftwareInfo(nullptr, &softwareBytes);
    if (adapterResult != HS_ERROR_BUFFER_OVERFLOW)
        adapterBytes = 0xA5A5A5A5u;  // the header field keeps the caller's bytes
    ok(header->commonSize == 1480, "commonSize %u, expected 1480\n", header->commonSize);
    ok(header->cpuSize == cpuBytes, "cpuSize %u, expected %u\n", header->cpuSize, cpuBytes);
    ok(header->driverSize == g_driveBytes, "driverSize %u, expected %u\n", header->driverSize, g_driveBytes);
    ok(header->deviceSize == g_deviceBytes, "deviceSize %u, expected %u\n", header->deviceSize, g_deviceBytes);
    ok(header->adapterSize == adapterBytes, "adapterSize %u, expected %u\n", header->adapterSize, adapterBytes);
    ok(header->softwareSize == softwareBytes, "softwareSize %u, expected %u\n", header->softwareSize, softwareBytes);
    const uint32_t sum = 1480 + cpuBytes + g_driveBytes + g_deviceBytes +
                         (adapterResult == HS_ERROR_BUFFER_OVERFLOW ? adapterBytes : 0) + softwareBytes;
    ok(total == sum, "total %u, expected %u\n", total, sum);
    ok(query.Untouched(sizeof(SYSINFOHEADER), 4), "size query: bytes past the header written\n");
    if (result != HS_ERROR_BUFFER_OVERFLOW || total != sum)
        return;

    // The fill: the whole block ending at an inaccessible page.
    const SYSINFOHEADER sizes = *header;
    LowBuffer block(sizeof(SYSINFOHEADER) + total, true);
    if (!block.Valid()) {
        ok(false, "no memory below 4 GiB\n");
        return;
    }
    *block.As<SYSINFOHEADER>() = sizes;
    uint32_t fillTotal = total;
    StartTraces();
    result = pHsiGetSysInfo(block.As<SYSINFOHEADER>(), &fillTotal);
    traces = StopTraces();
    // With no drive or no device the drive or device export has nothing to
    // fill and the block fails as a whole.
    const bool complete = g_driveBytes != 0 && g_deviceBytes != 0;
    if (!complete) {
        ok(result == HS_ERROR_NO_DATA, "fill without drives or devices: result %u, expected 232\n", result);
        ok(block.Untouched(sizeof(SYSINFOHEADER), total), "failed fill: the block was written\n");
        if (g_tracesWork) {
            const char *expected = g_driveBytes == 0 ? "HsiGetDriverInfo failed!\n" : "HsiGetDeviceInfo failed!\n";
            ok(HasTrace(traces, expected), "failed fill: traces %s\n", Joined(traces).c_str());
        }
        return;
    }
    ok(result == HS_SUCCESS, "fill: result %u, expected 0\n", result);
    ok(fillTotal == total, "fill: total changed to %u\n", fillTotal);

    const uint8_t *section = block.Data() + sizeof(SYSINFOHEADER);
    // Common: the texts as HsiGetCommonInfo writes them, 148 in osVersion.
    {
        std::vector<uint8_t> single(sizeof(COMMONINFO), 0);
        COMMONINFO *common = reinterpret_cast<COMMONINFO *>(single.data());
        common->osVersion.dwOSVersionInfoSize = 148;
        pHsiGetCommonInfo(common);
        const COMMONINFO *inBlock = reinterpret_cast<const COMMONINFO *>(section);
        ok(std::memcmp(inBlock->computerName, common->computerName, 5 * 260) == 0,
           "common section texts differ from HsiGetCommonInfo: %s / %s\n",
           Quote(FieldText(inBlock->computerName, 260)).c_str(), Quote(FieldText(inBlock->userName, 260)).c_str());
        ok(inBlock->osVersion.dwOSVersionInfoSize == 148, "common section: osVersion size %u, expected 148\n",
           inBlock->osVersion.dwOSVersionInfoSize);
        ok(inBlock->memoryStatus.dwLength == 32 &&
               inBlock->memoryStatus.dwTotalPhys == common->memoryStatus.dwTotalPhys,
           "common section: memory status length %u total %u, expected 32 and %u\n", inBlock->memoryStatus.dwLength,
           inBlock->memoryStatus.dwTotalPhys, common->memoryStatus.dwTotalPhys);
        section += sizes.commonSize;
    }
    // Processors, drives, devices, software: byte for byte after next.
    {
        std::vector<uint8_t> single(sizes.cpuSize + 1, 0);
        uint32_t s = sizes.cpuSize;
        pHsiGetCpuInfo(reinterpret_cast<CPUINFO *>(single.data()), &s);
        CompareRecords("processor", section, single.data(), sizes.cpuSize, sizeof(CPUINFO));
        section += sizes.cpuSize;
    }
    {
        std::vector<uint8_t> single(sizes.driverSize + 1, 0);
        uint32_t s = sizes.driverSize;
        pHsiGetDriverInfo(reinterpret_cast<DRIVERINFO *>(single.data()), &s);
        CompareRecords("drive", section, single.data(), sizes.driverSize, sizeof(DRIVERINFO));
        section += sizes.driverSize;
    }
    {
        std::vector<uint8_t> single(sizes.deviceSize + 1, 0);
        uint32_t s = 0;
        pHsiGetDeviceInfo(nullptr, &s);
        s = sizes.deviceSize;
        pHsiGetDeviceInfo(reinterpret_cast<DEVICEINFO *>(single.data()), &s);
        CompareRecords("device", section, single.data(), sizes.deviceSize, sizeof(DEVICEINFO));
        section += sizes.deviceSize;
    }
    if (adapterResult == HS_ERROR_BUFFER_OVERFLOW) {
        // Adapter staging is not prepared: compare the written bytes only.
        const AdapterSnapshot adapters = ReadAdapters();
        std::vector<uint8_t> single((std::max<size_t>(adapters.EntryRecords(), 1) + 1) * sizeof(IPADAPTERINFO), 0);
        uint32_t s = 0;
        pHsiGetAdapterInfo(reinterpret_cast<IPADAPTERINFO *>(single.data()), &s);
        for (uint32_t offset = 0; offset < sizes.adapterSize; offset += sizeof(IPADAPTERINFO)) {
            const auto *a = reinterpret_cast<const IPADAPTERINFO *>(section + offset);
            const auto *b = reinterpret_cast<const IPADAPTERINFO *>(single.data() + offset);
            const bool same = std::memcmp(a->adapterName, b->adapterName, 259) == 0 &&
                              std::memcmp(a->description, b->description, 131) == 0 &&
                              std::memcmp(a->mac, b->mac, 15) == 0 && std::memcmp(a->ipAddress, b->ipAddress, 15) == 0;
            ok(same, "adapter record %u differs from HsiGetAdapterInfo\n",
               static_cast<unsigned>(offset / sizeof(IPADAPTERINFO)));
        }
        section += sizes.adapterSize;
    }
    {
        std::vector<uint8_t> single(sizes.softwareSize + 1, 0);
        uint32_t s = sizes.softwareSize;
        pHsiGetSoftwareInfo(reinterpret_cast<SOFTWAREINFO *>(single.data()), &s);
        CompareRecords("software", section, single.data(), sizes.softwareSize, sizeof(SOFTWAREINFO));
        for (uint32_t i = 0; i < sizes.softwareSize / sizeof(SOFTWAREINFO) && i < kPrograms.size(); ++i) {
            const auto *r = reinterpret_cast<const SOFTWAREINFO *>(section) + i;
            ok(FieldText(r->displayName, 260) == kPrograms[i], "software section %u: %s, expected %s\n", i,
               Quote(FieldText(r->displayName, 260)).c_str(), Quote(kPrograms[i]).c_str());
        }
    }
}

}  // namespace

int main(int argc, char **argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2) {
        std::printf("usage: wine_test PATH\\Hardscan.dll\n");
        return 2;
    }
    void *capture = AddVectoredExceptionHandler(1, CaptureDebugText);
    TestTraceCapture();

    const DWORD start = GetTickCount();
    HMODULE module = LoadLibraryA(argv[1]);
    ok(module != nullptr, "LoadLibraryA(%s) failed: error %lu\n", argv[1], GetLastError());
    if (module == nullptr)
        return 1;
    std::printf("loaded %s in %lu ms\n", argv[1], GetTickCount() - start);
    if (!ResolveExports(module)) {
        std::printf("wine_test: %d tests executed (%d failures), exports missing\n", g_tests, g_failures);
        return 1;
    }

    TestCpuCount();
    TestCpuInfo();
    TestCpuInfoEx();
    TestCommonInfo();
    TestSoftware();
    TestAdapters();
    TestNetBios();
    TestDrives();
    TestDevices();
    TestSysInfo();

    ok(FreeLibrary(module) != 0, "FreeLibrary failed: error %lu\n", GetLastError());
    RemoveVectoredExceptionHandler(capture);
    std::printf("wine_test: %d tests executed (%d failures, %d skipped)\n", g_tests, g_failures, g_skips);
    return g_failures == 0 ? 0 : 1;
}
