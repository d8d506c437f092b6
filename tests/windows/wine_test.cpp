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
#include <climits>
#include <cmath>
#include <cpuid.h>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "hardscan.h"
#include "shifted_call.h"

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

#define HS_EXPORTS(X)                                                                                              \
    X(HsiGetCpuCount) X(HsiGetCpuInfo) X(HsiGetCpuInfoEx) X(HsiGetCommonInfo) X(HsiGetNetCount) X(HsiGetNetInfoEx) \
    X(HsiGetAdapterCount) X(HsiGetAdapterInfo) X(HsiGetNetUserInfo) X(HsiGetSoftwareCount) X(HsiGetSoftwareInfo)   \
    X(HsiGetSoftwareInfoEx) X(HsiGetDriverInfo) X(HsiGetDeviceInfo) X(HsiGetSysInfo)
#define HS_DECLARE(name) decltype(&name) p##name;
HS_EXPORTS(HS_DECLARE)

template <typename Fn> bool Resolve(HMODULE module, const char *name, Fn &fn)
{
    fn = reinterpret_cast<Fn>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    ok(fn != nullptr, "export %s not found (error %lu)\n", name, GetLastError());
    return fn != nullptr;
}

bool ResolveExports(HMODULE module)
{
    bool all = true;
#define HS_RESOLVE(name) all &= Resolve(module, #name, p##name);
    HS_EXPORTS(HS_RESOLVE)
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
    bool Valid() const { return m_data != nullptr && (static_cast<uint64_t>(reinterpret_cast<uintptr_t>(m_data)) >> 32) == 0; }
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

// A text field holds text (FieldHolds, last byte left as kFill); prints both on failure.
void text_at(int line, const char *field, size_t width, const std::string &text, const std::string &what)
{
    ok_at(line, FieldHolds(field, width, text, kFill), "%s %s, expected %s\n", what.c_str(),
          Quote(FieldText(field, width)).c_str(), Quote(text).c_str());
}
#define ok_text(field, text, what) text_at(__LINE__, (field), sizeof(field), (text), (what))

// The debugger texts of one call, when they can be captured here.
template <typename Call> std::vector<std::string> Traced(Call call)
{
    StartTraces();
    call();
    return StopTraces();
}

void trace_at(int line, const std::vector<std::string> &traces, const std::string &expected, const char *what)
{
    if (g_tracesWork)
        ok_at(line, HasTrace(traces, expected), "%s: traces %s, expected %s\n", what, Joined(traces).c_str(),
              Quote(expected).c_str());
}
#define ok_trace(traces, expected, what) trace_at(__LINE__, (traces), (expected), (what))

// n records of recordSize bytes at records: each next names the following record, the last's is 0.
void chain_at(int line, const void *records, uint32_t n, size_t recordSize, const char *what)
{
    const auto *bytes = static_cast<const uint8_t *>(records);
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t next;
        std::memcpy(&next, bytes + i * recordSize, 4);
        const uint32_t expected = i + 1 < n ? Address32(bytes + (i + 1) * recordSize) : 0;
        ok_at(line, next == expected, "%s %u: next %08x, expected %08x\n", what, i, next, expected);
    }
}
#define ok_chain(records, n, what) chain_at(__LINE__, (records), (n), sizeof(*(records)), (what))

bool Usable(const LowBuffer &buffer)
{
    ok(buffer.Valid(), "no memory below 4 GiB\n");
    return buffer.Valid();
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
void CheckCpuRecord(const CPUINFO &record, int index, uint32_t expectedSpeed)
{
    const std::string brand = CpuidBrand();
    const std::string what = "record " + std::to_string(index) + ": ";
    ok_text(record.vendor, CpuidVendor(), what + "vendor");
    if (!brand.empty())
        ok_text(record.name, brand, what + "name");
    else
        ok(record.name[0] != 0 && static_cast<uint8_t>(record.name[259]) == kFill,
           "%sname %s is empty or its last byte was written\n", what.c_str(),
           Quote(FieldText(record.name, 260)).c_str());
    ok(record.speed == expectedSpeed, "%sspeed %u, expected %u\n", what.c_str(), record.speed, expectedSpeed);
}

// A fill of buffer with `size` as the size argument, which must stay unchanged.
uint32_t FillCpus(const LowBuffer &buffer, uint32_t size, const char *what)
{
    const uint32_t given = size;
    const uint32_t result = pHsiGetCpuInfo(buffer.As<CPUINFO>(), &size);
    ok(size == given, "%s: size changed to %u\n", what, size);
    return result;
}

void TestCpuInfo()
{
    const int32_t count = pHsiGetCpuCount();
    const uint32_t expectedSize = static_cast<uint32_t>(count) * sizeof(CPUINFO);

    uint32_t size = 0xDEADBEEFu;
    uint32_t result = pHsiGetCpuInfo(nullptr, &size);
    ok(result == HS_ERROR_BUFFER_OVERFLOW && size == expectedSize, "size query: result %u size %u, expected 111 %u\n",
       result, size, expectedSize);

    // The exact size, ending at an inaccessible page.
    LowBuffer exact(expectedSize, true);
    if (!Usable(exact))
        return;
    result = FillCpus(exact, expectedSize, "exact fill");
    ok(result == HS_SUCCESS, "exact fill: result %u, expected 0\n", result);
    const CPUINFO *records = exact.As<CPUINFO>();
    const uint32_t speed = records[0].speed;
    const double measured = MeasureTscMhz();
    std::printf("processors: %d x %s, %s, %u MHz (time-stamp counter runs at %.0f MHz)\n", count,
                Quote(FieldText(records[0].name, 260)).c_str(), Quote(FieldText(records[0].vendor, 260)).c_str(),
                speed, measured);
    // The speed is the counter frequency snapped to a 50 or 66.67 MHz step.
    ok(speed > 0 && std::abs(double(speed) - measured) <= 70.0 + measured * 0.03,
       "speed %u MHz, the time-stamp counter runs at %.0f MHz\n", speed, measured);
    for (int i = 0; i < count; ++i)
        CheckCpuRecord(records[i], i, speed);
    ok_chain(records, count, "record");

    // A second call answers the same, including the cached speed.
    LowBuffer again(expectedSize, false);
    result = FillCpus(again, expectedSize, "second fill");
    ok(result == HS_SUCCESS && again.As<CPUINFO>()[0].speed == speed,
       "second fill: result %u, speed %u, expected 0 and %u\n", result, again.As<CPUINFO>()[0].speed, speed);

    // Room for twice the processors: that many identical records.
    LowBuffer twice(2 * expectedSize, true);
    result = FillCpus(twice, 2 * expectedSize, "double buffer");
    ok(result == HS_SUCCESS, "double buffer: result %u, expected 0\n", result);
    for (int i = 0; i < 2 * count; ++i)
        CheckCpuRecord(twice.As<CPUINFO>()[i], i, speed);
    ok_chain(twice.As<CPUINFO>(), 2 * count, "double buffer record");

    // 1000 bytes hold one whole record: one record, next 0, the rest untouched.
    LowBuffer thousand(1000, true);
    result = FillCpus(thousand, 1000, "size 1000");
    ok(result == HS_SUCCESS, "size 1000: result %u, expected 0\n", result);
    ok_chain(thousand.As<CPUINFO>(), 1, "size 1000 record");
    CheckCpuRecord(*thousand.As<CPUINFO>(), 0, speed);
    ok(thousand.Untouched(sizeof(CPUINFO), 1000 - sizeof(CPUINFO)), "size 1000: bytes past the record written\n");

    // Less than one record: 0 and nothing written.
    LowBuffer small(sizeof(CPUINFO), false);
    result = FillCpus(small, sizeof(CPUINFO) - 1, "size 527");
    ok(result == HS_SUCCESS && small.Untouched(0, sizeof(CPUINFO)), "size 527: result %u (expected 0), written %d\n",
       result, !small.Untouched(0, sizeof(CPUINFO)));

    // The second record lies in an inaccessible page: 111, nothing written.
    LowBuffer oneReadable(sizeof(CPUINFO), true);
    result = FillCpus(oneReadable, 2 * sizeof(CPUINFO), "second record unreadable");
    ok(result == HS_ERROR_BUFFER_OVERFLOW && oneReadable.Untouched(0, sizeof(CPUINFO)),
       "second record unreadable: result %u (expected 111), written %d\n", result,
       !oneReadable.Untouched(0, sizeof(CPUINFO)));

    // A size that cannot be read is answered like an unreadable buffer.
    result = pHsiGetCpuInfo(nullptr, nullptr);
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "null size: result %u, expected 111\n", result);
    LowBuffer noSize(0, true);
    result = pHsiGetCpuInfo(exact.As<CPUINFO>(), noSize.As<uint32_t>());
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "inaccessible size: result %u, expected 111\n", result);
}

// The header of a list call: count and record size written, the records
// address as the caller left it.
template <typename List>
void CheckListHeader(const List &list, int32_t count, uint32_t recordSize, uint32_t records, const char *what)
{
    ok(list.count == count && list.recordSize == recordSize && list.records == records,
       "%s: header %d %u %08x, expected %d %u %08x\n", what, list.count, list.recordSize, list.records, count,
       recordSize, records);
}

void TestCpuInfoEx()
{
    const int32_t count = pHsiGetCpuCount();
    const size_t recordsBytes = static_cast<size_t>(count + 1) * sizeof(CPUINFO);
    LowBuffer header(sizeof(INFOLIST), true);
    LowBuffer records(recordsBytes, true);
    if (!Usable(header) || !Usable(records))
        return;
    INFOLIST *list = header.As<INFOLIST>();

    // Count 0: 0, header untouched.
    list->records = records.Address32();
    int32_t result = pHsiGetCpuInfoEx(list, 0);
    ok(result == 0 && header.Untouched(0, 8), "count 0: result %d (expected 0), header written %d\n", result,
       !header.Untouched(0, 8));

    // count + 1 records: 1, header written, next fields as the caller left them.
    const int32_t n = count + 1;
    result = pHsiGetCpuInfoEx(list, n);
    ok(result == 1, "count %d: result %d, expected 1\n", n, result);
    CheckListHeader(*list, n, sizeof(CPUINFO), records.Address32(), "count + 1");
    const CPUINFO *filled = records.As<CPUINFO>();
    for (int32_t i = 0; i < n; ++i) {
        ok(filled[i].next == 0xA5A5A5A5u, "record %d: next %08x written\n", i, filled[i].next);
        CheckCpuRecord(filled[i], i, filled[0].speed);
    }

    // A negative count writes the header and returns 1, no record touched.
    records.Fill(kFill);
    header.Fill(kFill);
    list->records = records.Address32();
    result = pHsiGetCpuInfoEx(list, -1);
    ok(result == 1, "count -1: result %d, expected 1\n", result);
    CheckListHeader(*list, -1, sizeof(CPUINFO), records.Address32(), "count -1");
    ok(records.Untouched(0, recordsBytes), "count -1: records written\n");

    // The last record unreadable: 0, header untouched, trace with its index.
    LowBuffer shortRecords(static_cast<size_t>(n - 1) * sizeof(CPUINFO), true);
    header.Fill(kFill);
    list->records = shortRecords.Address32();
    const auto traces = Traced([&] { result = pHsiGetCpuInfoEx(list, n); });
    ok(result == 0 && header.Untouched(0, 8), "unreadable record: result %d (expected 0), header written %d\n", result,
       !header.Untouched(0, 8));
    ok(shortRecords.Untouched(0, static_cast<size_t>(n - 1) * sizeof(CPUINFO)),
       "unreadable record: readable records written\n");
    ok_trace(traces, "HsiGetCpuInfoEx failed! " + std::to_string(n - 1), "unreadable record");

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
    if (!Usable(buffer))
        return;
    COMMONINFO *info = buffer.As<COMMONINFO>();
    int32_t result = pHsiGetCommonInfo(info);
    ok(result == 1, "result %d, expected 1\n", result);
    ok_text(info->computerName, computer, "computerName");
    ok_text(info->userName, user, "userName");
    ok_text(info->registeredOwner, owner, "registeredOwner");
    ok_text(info->registeredOrganization, organization, "registeredOrganization");
    ok_text(info->osDescription, os, "osDescription");
    ok(buffer.Untouched(offsetof(COMMONINFO, osVersion), sizeof(HSOSVERSIONINFO)), "osVersion written\n");

    // Memory status as a 32-bit system reports it.
    MEMORYSTATUS memory;
    memory.dwLength = sizeof memory;
    GlobalMemoryStatus(&memory);
    const HSMEMORYSTATUS &m = info->memoryStatus;
    ok(m.dwLength == sizeof(HSMEMORYSTATUS) && m.dwMemoryLoad <= 100, "dwLength %u (expected 32), dwMemoryLoad %u\n",
       m.dwLength, m.dwMemoryLoad);
    ok(m.dwTotalPhys == Cap32(memory.dwTotalPhys) && m.dwTotalVirtual == Cap32(memory.dwTotalVirtual),
       "dwTotalPhys %u dwTotalVirtual %u, expected %u %u\n", m.dwTotalPhys, m.dwTotalVirtual,
       Cap32(memory.dwTotalPhys), Cap32(memory.dwTotalVirtual));
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
        ok_text(info->userName, "fallback.user", "without AltDefaultUserName: userName");
        ok(SetWinlogonValue("DefaultUserName", nullptr), "cannot remove DefaultUserName\n");
        buffer.Fill(kFill);
        result = pHsiGetCommonInfo(info);
        ok(result == 0, "without user names: result %d, expected 0\n", result);
        ok_text(info->userName, "", "without user names: userName");
        ok_text(info->computerName, computer, "without user names: computerName");
        ok_text(info->osDescription, os, "without user names: osDescription");
        ok(SetWinlogonValue("DefaultUserName", "fallback.user") && SetWinlogonValue("AltDefaultUserName", "alt.user"),
           "cannot restore the user names\n");
    }

    // A record that runs into an inaccessible page, and none: 0, nothing written.
    LowBuffer partial(sizeof(COMMONINFO) - 8, true);
    auto traces = Traced([&] { result = pHsiGetCommonInfo(reinterpret_cast<COMMONINFO *>(partial.Data())); });
    ok(result == 0 && partial.Untouched(0, sizeof(COMMONINFO) - 8),
       "unreadable record: result %d (expected 0), written %d\n", result, !partial.Untouched(0, sizeof(COMMONINFO) - 8));
    ok_trace(traces, "HsiGetUserInfo failed! ", "unreadable record");
    traces = Traced([&] { result = pHsiGetCommonInfo(nullptr); });
    ok(result == 0, "null record: result %d, expected 0\n", result);
    ok_trace(traces, "HsiGetUserInfo failed! ", "null record");
}

// ---------------------------------------------------------------------------
// Software

// The programs of wine-test.reg in the order the exports report them.
const std::vector<std::string> kPrograms = {"Apple", "banana", "cherry", "cherry", "Delta mixed case",
                                            "echo reversed"};

void CheckPrograms(const SOFTWAREINFO *records, const std::vector<std::string> &names, const char *what)
{
    for (size_t i = 0; i < names.size(); ++i)
        ok_text(records[i].displayName, names[i], std::string(what) + " program " + std::to_string(i));
}

void TestSoftware()
{
    const uint32_t n = static_cast<uint32_t>(kPrograms.size());
    const uint32_t rec = sizeof(SOFTWAREINFO);
    const int32_t count = pHsiGetSoftwareCount();
    ok(count == static_cast<int32_t>(n), "HsiGetSoftwareCount: %d, expected %u\n", count, n);

    uint32_t size = 0xDEADBEEFu;
    uint32_t result = pHsiGetSoftwareInfo(nullptr, &size);
    ok(result == HS_ERROR_BUFFER_OVERFLOW && size == n * rec, "size query: result %u size %u, expected 111 %u\n",
       result, size, n * rec);

    // Exact size: sorted names, chained, one trace per program.
    LowBuffer exact(n * rec, true);
    if (!Usable(exact))
        return;
    size = n * rec;
    const auto traces = Traced([&] { result = pHsiGetSoftwareInfo(exact.As<SOFTWAREINFO>(), &size); });
    ok(result == HS_SUCCESS, "exact fill: result %u, expected 0\n", result);
    CheckPrograms(exact.As<SOFTWAREINFO>(), kPrograms, "exact fill");
    ok_chain(exact.As<SOFTWAREINFO>(), n, "exact fill program");
    if (g_tracesWork) {
        std::vector<std::string> expected, got;
        for (const std::string &name : kPrograms)
            expected.push_back("Hardscan.dll>>>" + name + "\n");
        for (const std::string &t : traces)
            if (t.compare(0, 15, "Hardscan.dll>>>") == 0)
                got.push_back(t);
        ok(got == expected, "exact fill: program traces %s\n", Joined(got).c_str());
    }

    // Room for two more: all chained, the two extra names empty.
    LowBuffer larger((n + 2) * rec, true);
    size = (n + 2) * rec;
    result = pHsiGetSoftwareInfo(larger.As<SOFTWAREINFO>(), &size);
    ok(result == HS_SUCCESS, "larger fill: result %u, expected 0\n", result);
    std::vector<std::string> withEmpty = kPrograms;
    withEmpty.resize(n + 2);
    CheckPrograms(larger.As<SOFTWAREINFO>(), withEmpty, "larger fill");
    ok_chain(larger.As<SOFTWAREINFO>(), n + 2, "larger fill program");

    // Room for two: the first two programs in key order, sorted.
    std::vector<std::string> firstTwo = ProgramsInKeyOrder();
    ok(firstTwo.size() == n, "the registry lists %u programs, expected %u\n", static_cast<unsigned>(firstTwo.size()),
       n);
    if (firstTwo.size() >= 2) {
        firstTwo.resize(2);
        std::sort(firstTwo.begin(), firstTwo.end(), LessIgnoringCase);
        LowBuffer two(2 * rec, true);
        size = 2 * rec;
        result = pHsiGetSoftwareInfo(two.As<SOFTWAREINFO>(), &size);
        ok(result == HS_SUCCESS, "two records: result %u, expected 0\n", result);
        CheckPrograms(two.As<SOFTWAREINFO>(), firstTwo, "two records");
        ok_chain(two.As<SOFTWAREINFO>(), 2, "two records program");
    }

    // Less than a record: 0, nothing written.
    LowBuffer small(rec, false);
    size = rec - 1;
    result = pHsiGetSoftwareInfo(small.As<SOFTWAREINFO>(), &size);
    ok(result == HS_SUCCESS && small.Untouched(0, rec), "size 263: result %u (expected 0), written %d\n", result,
       !small.Untouched(0, rec));

    // The third record unreadable: 111, nothing written, size unchanged.
    LowBuffer partial(2 * rec, true);
    size = 3 * rec;
    result = pHsiGetSoftwareInfo(partial.As<SOFTWAREINFO>(), &size);
    ok(result == HS_ERROR_BUFFER_OVERFLOW && size == 3 * rec && partial.Untouched(0, 2 * rec),
       "third record unreadable: result %u size %u (expected 111 %u), written %d\n", result, size, 3 * rec,
       !partial.Untouched(0, 2 * rec));

    // The list call: header with the category, next fields left alone.
    LowBuffer header(sizeof(SOFTWAREINFOLIST), true);
    LowBuffer records(n * rec, true);
    SOFTWAREINFOLIST *list = header.As<SOFTWAREINFOLIST>();
    list->records = records.Address32();
    int32_t listResult = pHsiGetSoftwareInfoEx(list, static_cast<int32_t>(n));
    ok(listResult == 1, "Ex: result %d, expected 1\n", listResult);
    CheckListHeader(*list, static_cast<int32_t>(n), rec, records.Address32(), "Ex");
    ok_text(list->category, "Software", "Ex: category");
    CheckPrograms(records.As<SOFTWAREINFO>(), kPrograms, "Ex");
    for (uint32_t i = 0; i < n; ++i)
        ok(records.As<SOFTWAREINFO>()[i].next == 0xA5A5A5A5u, "Ex: program %u next written\n", i);

    header.Fill(kFill);
    list->records = records.Address32();
    listResult = pHsiGetSoftwareInfoEx(list, 0);
    ok(listResult == 0 && header.Untouched(0, 40), "Ex count 0: result %d (expected 0), header written %d\n",
       listResult, !header.Untouched(0, 40));

    LowBuffer shortRecords((n - 1) * rec, true);
    list->records = shortRecords.Address32();
    listResult = pHsiGetSoftwareInfoEx(list, static_cast<int32_t>(n));
    ok(listResult == 0 && header.Untouched(0, 40) && shortRecords.Untouched(0, (n - 1) * rec),
       "Ex unreadable record: result %d (expected 0), something was written\n", listResult);
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

    LowBuffer unreadable(0, true);
    ok(pHsiGetAdapterCount(nullptr) == 0 && pHsiGetAdapterCount(unreadable.Data()) == 0,
       "HsiGetAdapterCount of null or an inaccessible page: %d %d, expected 0\n", pHsiGetAdapterCount(nullptr),
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
    ok(result == HS_ERROR_BUFFER_OVERFLOW && size == needed, "size query: result %u size %u, expected 111 %u\n",
       result, size, needed);

    // Room for one record per list entry: the addressed adapters, chained.
    const size_t room = std::max<size_t>(adapters.EntryRecords(), 1);
    LowBuffer buffer(room * sizeof(IPADAPTERINFO), true);
    if (!Usable(buffer))
        return;
    size = 0xDEADBEEFu;
    result = pHsiGetAdapterInfo(buffer.As<IPADAPTERINFO>(), &size);
    ok(result == HS_SUCCESS, "fill: result %u, expected 0\n", result);
    for (size_t k = 0; k < addressed.size(); ++k) {
        const IPADAPTERINFO &r = buffer.As<IPADAPTERINFO>()[k];
        const IP_ADAPTER_INFO &e = *addressed[k];
        const std::string what = "adapter " + std::to_string(k);
        ok(std::memcmp(r.adapterName, e.AdapterName, 259) == 0 && std::memcmp(r.description, e.Description, 131) == 0,
           "%s: %s %s, expected %s %s\n", what.c_str(), Quote(FieldText(r.adapterName, 260)).c_str(),
           Quote(FieldText(r.description, 132)).c_str(), e.AdapterName, e.Description);
        ok_text(r.mac, HardwareText(e.Address), what + ": mac");
        ok_text(r.ipAddress, std::string(e.IpAddressList.IpAddress.String, strnlen(e.IpAddressList.IpAddress.String, 16)),
                what + ": ip");
    }
    ok_chain(buffer.As<IPADAPTERINFO>(), static_cast<uint32_t>(addressed.size()), "adapter");
    ok(buffer.Untouched(addressed.size() * sizeof(IPADAPTERINFO), (room - addressed.size()) * sizeof(IPADAPTERINFO)),
       "fill: records past the addressed adapters written\n");

    // One record less than there are list entries: 111 and the needed size.
    if (adapters.EntryRecords() >= 1) {
        const size_t bytes = (adapters.EntryRecords() - 1) * sizeof(IPADAPTERINFO);
        LowBuffer shortBuffer(bytes, true);
        size = 0xDEADBEEFu;
        result = pHsiGetAdapterInfo(shortBuffer.As<IPADAPTERINFO>(), &size);
        ok(result == HS_ERROR_BUFFER_OVERFLOW && size == needed && shortBuffer.Untouched(0, bytes),
           "short buffer: result %u size %u (expected 111 %u), written %d\n", result, size, needed,
           !shortBuffer.Untouched(0, bytes));
    }

    // The user record: names and the first addressed adapter.
    LowBuffer user(sizeof(NETUSERINFO), true);
    NETUSERINFO *info = user.As<NETUSERINFO>();
    int32_t userResult = pHsiGetNetUserInfo(info);
    ok(userResult == 1, "HsiGetNetUserInfo: result %d, expected 1\n", userResult);
    ok_text(info->computerName, "HSWINEBOX", "user record: computerName");
    ok_text(info->userName, "alt.user", "user record: userName");
    ok(user.Untouched(0, 4) && user.Untouched(offsetof(NETUSERINFO, reserved1), 12),
       "user record: reserved fields written\n");
    // The address texts fill only the first 15 bytes of their 32-byte fields.
    auto first15 = [&](const char *field, const std::string &text, const char *what) {
        const std::string padded = text.substr(0, 15) + std::string(15 - std::min<size_t>(text.size(), 15), '\0');
        ok(std::memcmp(field, padded.data(), 15) == 0 && user.Untouched(field + 15 - user.As<char>(), 17),
           "user record: %s %s, expected %s in the first 15 bytes only\n", what, Quote(FieldText(field, 32)).c_str(),
           Quote(text).c_str());
    };
    if (!addressed.empty()) {
        const IP_ADAPTER_INFO &e = *addressed.front();
        first15(info->ipAddress, std::string(e.IpAddressList.IpAddress.String, strnlen(e.IpAddressList.IpAddress.String, 15)),
                "ipAddress");
        first15(info->mac, HardwareText(e.Address), "mac");
    } else {
        ok(user.Untouched(offsetof(NETUSERINFO, ipAddress), 64), "user record: address fields written\n");
    }

    const auto traces = Traced([&] { userResult = pHsiGetNetUserInfo(nullptr); });
    ok(userResult == static_cast<int32_t>(HS_ERROR_BUFFER_OVERFLOW), "HsiGetNetUserInfo(null): %d, expected 111\n",
       userResult);
    ok_trace(traces, "HsiGetNetUserInfo() failed! --- IsBadReadPtr\n", "HsiGetNetUserInfo(null)");
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
    auto traces = Traced([&] { result = pHsiGetNetInfoEx(list, 2); });
    ok(result == 0 && header.Untouched(0, 8) && shortRecords.Untouched(0, sizeof(NETINFO)),
       "HsiGetNetInfoEx unreadable record: %d, something written\n", result);
    ok_trace(traces, "HsiGetNetInfoEx failed! 1", "HsiGetNetInfoEx unreadable record");

    // One record more than there are adapters: the last carries zero digits.
    list->records = records.Address32();
    traces = Traced([&] { result = pHsiGetNetInfoEx(list, n); });
    CheckListHeader(*list, n, sizeof(NETINFO), records.Address32(), "HsiGetNetInfoEx");
    if (count == 0 || !netbios.walked) {
        ok(result == 0, "HsiGetNetInfoEx without a NetBIOS walk: %d, expected 0\n", result);
        ok_trace(traces, "GetUserInfo() -- SimGetNetCard() false!", "HsiGetNetInfoEx");
        return;
    }
    ok(result == 1, "HsiGetNetInfoEx count %d: %d, expected 1\n", n, result);
    const std::vector<std::string> expected = ExpectedNetbiosTexts(netbios, n);
    for (int32_t i = 0; i < n; ++i) {
        const NETINFO &r = records.As<NETINFO>()[i];
        ok_text(r.mac, expected[i], "NetBIOS record " + std::to_string(i) + ": mac");
        ok(static_cast<uint8_t>(r.ipText[31]) == kFill, "NetBIOS record %d: last byte of ipText written\n", i);
    }
}

// ---------------------------------------------------------------------------
// Drives and devices

const char *const kDriveTypes[] = {"FloppyDisk", "CDROM", "DiskDrive"};
const char *const kDeviceTypes[] = {"Display", "Printer", "Monitor", "Mouse", "Keyboard",
                                    "Net",     "MEDIA",   "USB",     "SCSI",  "Modem"};

using TypedTexts = std::vector<std::pair<std::string, std::string>>;

// How one DRIVERINFO/DEVICEINFO export is checked.
template <typename Record, size_t N> struct EntryExport {
    const char *what;
    uint32_t(HSAPI *fn)(Record *, uint32_t *);
    const char *const (&words)[N];
    const char *noDataTrace;      // the trace of a fill with nothing to fill (nullptr: not checked)
    const char *overflowTrace;    // the trace of a buffer one record short
    uint32_t shortExtra;          // bytes of a partial record after the n - 1 readable records
    bool shortGivesWholeSize;     // the short fill names n records as its size
};

// The size query, then a fill of exactly that size ending at an inaccessible
// page: chained records with known type words and the texts of `expected`;
// a buffer one record short answers 111 and is left alone. Answers the
// filled buffer (none when there is nothing to fill) and the size in bytes.
template <typename Record, size_t N>
std::unique_ptr<LowBuffer> TestEntries(const EntryExport<Record, N> &e, const TypedTexts &expected, uint32_t &bytes)
{
    uint32_t size = 0xDEADBEEFu;
    uint32_t result = e.fn(nullptr, &size);
    ok(result == HS_ERROR_BUFFER_OVERFLOW && size % sizeof(Record) == 0,
       "%s size query: result %u (expected 111), size %u\n", e.what, result, size);
    bytes = size;
    const uint32_t n = size / sizeof(Record);
    std::printf("%s records: %u\n", e.what, n);
    if (n == 0) {
        LowBuffer empty(sizeof(Record), true);
        size = 0;
        const auto traces = Traced([&] { result = e.fn(empty.As<Record>(), &size); });
        ok(result == HS_ERROR_NO_DATA, "no %s: result %u, expected 232\n", e.what, result);
        if (e.noDataTrace != nullptr)
            ok_trace(traces, e.noDataTrace, "no records");
        return nullptr;
    }
    auto buffer = std::make_unique<LowBuffer>(n * sizeof(Record), true);
    result = e.fn(buffer->As<Record>(), &size);
    ok(result == HS_SUCCESS, "%s fill: result %u, expected 0\n", e.what, result);
    ok(n == expected.size(), "%s: %u records, expected %u\n", e.what, n, static_cast<unsigned>(expected.size()));
    for (uint32_t i = 0; i < n; ++i) {
        const Record &r = buffer->As<Record>()[i];
        const std::string type = FieldText(r.type, 32);
        std::printf("  %s %u: %s %s\n", e.what, i, Quote(type).c_str(), Quote(FieldText(r.description, 260)).c_str());
        ok(std::find_if(std::begin(e.words), std::end(e.words), [&](const char *w) { return type == w; }) !=
               std::end(e.words),
           "%s %u: unknown type word %s\n", e.what, i, Quote(type).c_str());
        const std::string what = std::string(e.what) + " " + std::to_string(i);
        ok_text(r.type, i < expected.size() ? expected[i].first : "?", what + ": type");
        ok_text(r.description, i < expected.size() ? expected[i].second : "?", what + ": description");
    }
    ok_chain(buffer->As<Record>(), n, e.what);

    // One record short: 111 with the overflow trace, nothing written, the size as given.
    const uint32_t shortBytes = (n - 1) * sizeof(Record) + e.shortExtra;
    LowBuffer shortBuffer(shortBytes, true);
    const uint32_t given = e.shortGivesWholeSize ? n * sizeof(Record) : shortBytes;
    size = given;
    const auto traces = Traced([&] { result = e.fn(shortBuffer.As<Record>(), &size); });
    ok(result == HS_ERROR_BUFFER_OVERFLOW && size == given && shortBuffer.Untouched(0, shortBytes),
       "%s short buffer: result %u size %u (expected 111 %u), written %d\n", e.what, result, size, given,
       !shortBuffer.Untouched(0, shortBytes));
    ok_trace(traces, e.overflowTrace, "short buffer");
    return buffer;
}

uint32_t g_driveBytes = 0;
uint32_t g_deviceBytes = 0;

void TestDrives()
{
    // The drives of wine-test.reg: floppies, CD-ROM drives (IDE, then SCSI,
    // then one placeholder per CD-ROM letter beyond them), IDE disks.
    TypedTexts expected = {
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
    const EntryExport<DRIVERINFO, 3> drives = {"drive", pHsiGetDriverInfo, kDriveTypes,
                                               "HsiGetDriverInfo() failed! --- ERROR_NO_DATA\n",
                                               "HsiGetDriverInfo() failed! --- ERROR_BUFFER_OVERFLOW --1\n", 100, false};
    TestEntries(drives, expected, g_driveBytes);
    uint32_t again = 0;
    pHsiGetDriverInfo(nullptr, &again);
    ok(again == g_driveBytes, "drives size query: %u, then %u\n", g_driveBytes, again);
}

void TestDevices()
{
    // The devices of wine-test.reg, the printers the spooler names and the
    // addressed adapters, in the order of the kinds.
    TypedTexts expected = {{"Display", "HS display adapter"}};
    for (const std::string &printer : SpoolerPrinters())
        expected.push_back({"Printer", printer});
    expected.insert(expected.end(), {{"Monitor", "HS monitor"}, {"Mouse", "HS PS/2 mouse"}, {"Keyboard", "HS keyboard"}});
    for (const IP_ADAPTER_INFO *adapter : ReadAdapters().Addressed())
        expected.push_back({"Net", std::string(adapter->Description, strnlen(adapter->Description, 131))});
    expected.insert(expected.end(), {{"MEDIA", "HS USB audio"}, {"USB", "HS USB host controller"},
                                     {"USB", "HS USB audio"}, {"SCSI", "HS SCSI controller"}, {"Modem", "HS modem"}});
    const EntryExport<DEVICEINFO, 10> devices = {"device", pHsiGetDeviceInfo, kDeviceTypes, nullptr,
                                                 "HsiGetDeviceInfo() failed! --- ERROR_BUFFER_OVERFLOW --1\n", 0, true};
    const std::unique_ptr<LowBuffer> buffer = TestEntries(devices, expected, g_deviceBytes);
    if (buffer == nullptr)
        return;

    // A fill without a new size query copies the lists of the last one.
    const uint32_t n = g_deviceBytes / sizeof(DEVICEINFO);
    LowBuffer second(n * sizeof(DEVICEINFO), true);
    uint32_t size = n * sizeof(DEVICEINFO);
    const uint32_t result = pHsiGetDeviceInfo(second.As<DEVICEINFO>(), &size);
    ok(result == HS_SUCCESS, "second device fill: result %u, expected 0\n", result);
    for (uint32_t i = 0; i < n; ++i)
        ok(std::memcmp(second.Data() + i * sizeof(DEVICEINFO) + 4, buffer->Data() + i * sizeof(DEVICEINFO) + 4,
                       sizeof(DEVICEINFO) - 4) == 0,
           "second device fill: record %u differs from the first fill\n", i);
}

// ---------------------------------------------------------------------------
// The system-information block

void TestSysInfo()
{
    uint32_t total = 0;
    uint32_t result = 0;
    auto traces = Traced([&] { result = pHsiGetSysInfo(nullptr, &total); });
    ok(result == HS_ERROR_INVALID_BLOCK, "null block: result %u, expected 9\n", result);
    ok_trace(traces, "HsiGetSysInfo...ERROR_INVALID_BLOCK\n", "null block");
    LowBuffer shortHeader(27, true);
    result = pHsiGetSysInfo(shortHeader.As<SYSINFOHEADER>(), &total);
    ok(result == HS_ERROR_INVALID_BLOCK && shortHeader.Untouched(0, 27) && total == 0,
       "27 readable bytes: result %u (expected 9), something written\n", result);

    // Size query: each section as its own export's size query reports it.
    LowBuffer query(sizeof(SYSINFOHEADER) + 4, true);
    SYSINFOHEADER *header = query.As<SYSINFOHEADER>();
    traces = Traced([&] { result = pHsiGetSysInfo(header, &total); });
    ok(result == HS_ERROR_BUFFER_OVERFLOW, "size query: result %u, expected 111\n", result);
    ok_trace(traces,
             "Total = 3292,sizeof(COMMONINFO) = 1480,sizeof(CPUINFO) = 528,sizeof(DRIVERINFO) = "
             "296,sizeof(DEVICEINFO) = 296,sizeof(IPADAPTERINFO) = 428,sizeof(SOFTWAREINFO) = 264\n",
             "size query");
    uint32_t cpuBytes = 0, adapterBytes = 0xA5A5A5A5u, softwareBytes = 0;
    pHsiGetCpuInfo(nullptr, &cpuBytes);
    const uint32_t adapterResult = pHsiGetAdapterInfo(nullptr, &adapterBytes);
    pHsiGetSoftwareInfo(nullptr, &softwareBytes);
    if (adapterResult != HS_ERROR_BUFFER_OVERFLOW)
        adapterBytes = 0xA5A5A5A5u;  // the header field keeps the caller's bytes
    const SYSINFOHEADER expected = {1480, cpuBytes, g_driveBytes, g_deviceBytes, adapterBytes, softwareBytes};
    ok(std::memcmp(header, &expected, sizeof expected) == 0,
       "section sizes %u %u %u %u %u %u, expected %u %u %u %u %u %u\n", header->commonSize, header->cpuSize,
       header->driverSize, header->deviceSize, header->adapterSize, header->softwareSize, expected.commonSize,
       expected.cpuSize, expected.driverSize, expected.deviceSize, expected.adapterSize, expected.softwareSize);
    const uint32_t sum = 1480 + cpuBytes + g_driveBytes + g_deviceBytes +
                         (adapterResult == HS_ERROR_BUFFER_OVERFLOW ? adapterBytes : 0) + softwareBytes;
    ok(total == sum, "total %u, expected %u\n", total, sum);
    ok(query.Untouched(sizeof(SYSINFOHEADER), 4), "size query: bytes past the header written\n");
    if (result != HS_ERROR_BUFFER_OVERFLOW || total != sum)
        return;

    // The fill: the whole block ending at an inaccessible page.
    const SYSINFOHEADER sizes = *header;
    LowBuffer block(sizeof(SYSINFOHEADER) + total, true);
    if (!Usable(block))
        return;
    *block.As<SYSINFOHEADER>() = sizes;
    uint32_t fillTotal = total;
    traces = Traced([&] { result = pHsiGetSysInfo(block.As<SYSINFOHEADER>(), &fillTotal); });
    // With no drive or no device the drive or device export has nothing to
    // fill and the block fails as a whole.
    if (g_driveBytes == 0 || g_deviceBytes == 0) {
        ok(result == HS_ERROR_NO_DATA, "fill without drives or devices: result %u, expected 232\n", result);
        ok(block.Untouched(sizeof(SYSINFOHEADER), total), "failed fill: the block was written\n");
        ok_trace(traces, g_driveBytes == 0 ? "HsiGetDriverInfo failed!\n" : "HsiGetDeviceInfo failed!\n", "failed fill");
        return;
    }
    ok(result == HS_SUCCESS && fillTotal == total, "fill: result %u total %u, expected 0 %u\n", result, fillTotal,
       total);

    const uint8_t *section = block.Data() + sizeof(SYSINFOHEADER);
    // Common: the texts as HsiGetCommonInfo writes them, 148 in osVersion.
    std::vector<uint8_t> single(sizeof(COMMONINFO), 0);
    COMMONINFO *common = reinterpret_cast<COMMONINFO *>(single.data());
    common->osVersion.dwOSVersionInfoSize = 148;
    pHsiGetCommonInfo(common);
    const COMMONINFO *inBlock = reinterpret_cast<const COMMONINFO *>(section);
    ok(std::memcmp(inBlock->computerName, common->computerName, 5 * 260) == 0,
       "common section texts differ from HsiGetCommonInfo: %s / %s\n",
       Quote(FieldText(inBlock->computerName, 260)).c_str(), Quote(FieldText(inBlock->userName, 260)).c_str());
    ok(inBlock->osVersion.dwOSVersionInfoSize == 148 && inBlock->memoryStatus.dwLength == 32 &&
           inBlock->memoryStatus.dwTotalPhys == common->memoryStatus.dwTotalPhys,
       "common section: osVersion size %u, memory status length %u total %u, expected 148, 32 and %u\n",
       inBlock->osVersion.dwOSVersionInfoSize, inBlock->memoryStatus.dwLength, inBlock->memoryStatus.dwTotalPhys,
       common->memoryStatus.dwTotalPhys);
    section += sizes.commonSize;

    // Processors, drives, devices, software: byte for byte after next, against
    // what the export answers in a buffer prepared the same way (zero-filled).
    auto compare = [&](const char *what, uint32_t bytes, size_t recordSize, auto fill) {
        single.assign(bytes + 1, 0);
        uint32_t s = bytes;
        fill(single.data(), &s);
        for (uint32_t offset = 0; offset < bytes; offset += recordSize)
            ok(std::memcmp(section + offset + 4, single.data() + offset + 4, recordSize - 4) == 0,
               "%s record %u differs from the export's own answer\n", what, static_cast<unsigned>(offset / recordSize));
        section += bytes;
    };
    compare("processor", sizes.cpuSize, sizeof(CPUINFO),
            [](uint8_t *b, uint32_t *s) { pHsiGetCpuInfo(reinterpret_cast<CPUINFO *>(b), s); });
    compare("drive", sizes.driverSize, sizeof(DRIVERINFO),
            [](uint8_t *b, uint32_t *s) { pHsiGetDriverInfo(reinterpret_cast<DRIVERINFO *>(b), s); });
    compare("device", sizes.deviceSize, sizeof(DEVICEINFO), [](uint8_t *b, uint32_t *s) {
        uint32_t query = 0;
        pHsiGetDeviceInfo(nullptr, &query);
        pHsiGetDeviceInfo(reinterpret_cast<DEVICEINFO *>(b), s);
    });
    if (adapterResult == HS_ERROR_BUFFER_OVERFLOW) {
        // Adapter staging is not prepared: compare the written bytes only.
        const AdapterSnapshot adapters = ReadAdapters();
        single.assign((std::max<size_t>(adapters.EntryRecords(), 1) + 1) * sizeof(IPADAPTERINFO), 0);
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
    const uint8_t *software = section;
    compare("software", sizes.softwareSize, sizeof(SOFTWAREINFO),
            [](uint8_t *b, uint32_t *s) { pHsiGetSoftwareInfo(reinterpret_cast<SOFTWAREINFO *>(b), s); });
    // The block's records need not keep the last byte of a field.
    for (uint32_t i = 0; i < sizes.softwareSize / sizeof(SOFTWAREINFO) && i < kPrograms.size(); ++i) {
        const auto *r = reinterpret_cast<const SOFTWAREINFO *>(software) + i;
        ok(FieldText(r->displayName, 260) == kPrograms[i], "software section %u: %s, expected %s\n", i,
           Quote(FieldText(r->displayName, 260)).c_str(), Quote(kPrograms[i]).c_str());
    }
}

// ---------------------------------------------------------------------------
// Bad caller input against every export that takes caller memory. Each
// buffer lies between fill bytes, or in front of an inaccessible page: a
// write outside the bytes an export may write changes a fill byte or faults.

int g_matrixCases = 0;
std::string g_case;

// Starts a case: the export, what is handed over and a number for it.
void BeginCase(const char *name, const char *what, long long number)
{
    ++g_matrixCases;
    g_case = std::string(name) + ", " + what + " " + std::to_string(number);
}
#define ok_case(cond, what) ok((cond), "%s: %s\n", g_case.c_str(), (what))
// Evaluates the call once and compares its result.
void result_at(int line, long long actual, long long expected)
{
    ok_at(line, actual == expected, "%s: result %lld, expected %lld\n", g_case.c_str(), actual, expected);
}
#define ok_result(actual, expected) result_at(__LINE__, static_cast<long long>(actual), static_cast<long long>(expected))

const size_t kLead = 24;
const size_t kTrail = 24;

// kLead fill bytes, the bytes handed over, then kTrail fill bytes or the inaccessible page.
class Area {
public:
    Area(size_t bytes, bool guarded)
        : m_bytes(bytes), m_trail(guarded ? 0 : kTrail), m_low(kLead + bytes + m_trail, guarded)
    {
        Usable(m_low);
    }
    uint8_t *Data() const { return m_low.Data() + kLead; }
    uint32_t Address32() const { return m_low.Address32() + static_cast<uint32_t>(kLead); }
    bool Untouched() const { return m_low.Untouched(0, kLead + m_bytes + m_trail); }
    // The fill holds outside the first `written` bytes handed over.
    bool OutsideUntouched(size_t written) const
    {
        return m_low.Untouched(0, kLead) && m_low.Untouched(kLead + written, m_bytes + m_trail - written);
    }
    bool ByteUntouched(size_t offset) const { return m_low.Untouched(kLead + offset, 1); }

private:
    size_t m_bytes;
    size_t m_trail;
    LowBuffer m_low;
};

using Offsets = std::vector<size_t>;

Offsets Range(size_t begin, size_t end, Offsets more = {})
{
    for (size_t i = begin; i < end; ++i)
        more.push_back(i);
    return more;
}

// The offsets of `never` hold the fill in records [0, n).
bool NeverWritten(const Area &area, size_t n, size_t recordSize, const Offsets &never)
{
    for (size_t i = 0; i < n; ++i)
        for (size_t offset : never)
            if (!area.ByteUntouched(i * recordSize + offset))
                return false;
    return true;
}

// Readable bytes that end halfway into record `index`.
size_t ReadableUpTo(size_t index, size_t recordSize) { return index * recordSize + recordSize / 2; }

// The last byte of every text field, and the bytes an export never writes.
const Offsets kCpuNever = {4 + 259, 264 + 259};
const Offsets kDriveNever = {4 + 31, 36 + 259};
const Offsets kSoftwareNever = {4 + 259};

struct BufferExport {
    const char *name;
    uint32_t (*call)(void *, uint32_t *);
    size_t rec;
    Offsets never;
    uint32_t noWholeRecord;  // answer for a size below one record
    bool readsSize;          // false: the size is only written
};

void MatrixBufferExports()
{
    const AdapterSnapshot adapters = ReadAdapters();
    const std::vector<BufferExport> table = {
        {"HsiGetCpuInfo", [](void *b, uint32_t *s) { return pHsiGetCpuInfo(static_cast<CPUINFO *>(b), s); }, 528,
         kCpuNever, 0, true},
        {"HsiGetDriverInfo", [](void *b, uint32_t *s) { return pHsiGetDriverInfo(static_cast<DRIVERINFO *>(b), s); },
         296, kDriveNever, 111, true},
        {"HsiGetDeviceInfo", [](void *b, uint32_t *s) { return pHsiGetDeviceInfo(static_cast<DEVICEINFO *>(b), s); },
         296, kDriveNever, 232, true},
        {"HsiGetAdapterInfo",
         [](void *b, uint32_t *s) { return pHsiGetAdapterInfo(static_cast<IPADAPTERINFO *>(b), s); }, 428,
         {4 + 259, 264 + 131, 396 + 15, 412 + 15}, 111, false},
        {"HsiGetSoftwareInfo",
         [](void *b, uint32_t *s) { return pHsiGetSoftwareInfo(static_cast<SOFTWAREINFO *>(b), s); }, 264,
         kSoftwareNever, 0, true},
    };
    for (const BufferExport &e : table) {
        const uint32_t rec = static_cast<uint32_t>(e.rec);
        uint32_t queried = 0x5A5A5A5Au;
        BeginCase(e.name, "null buffer", 0);
        ok_result(e.call(nullptr, &queried), 111u);  // null buffer: the size query
        const uint32_t count = queried / rec;
        if (queried % rec != 0 || count == 0 || (!e.readsSize && !adapters.present)) {
            skip("%s: %u bytes of records here, the matrix needs whole records\n", e.name, queried);
            continue;
        }
        // The adapter export checks room for every entry of the system's list.
        const uint32_t checked = e.readsSize ? count : static_cast<uint32_t>(adapters.EntryRecords());
        {
            BeginCase(e.name, "null size, buffer of", queried);
            ok_result(e.call(nullptr, nullptr), 111u);
            Area area(queried, false);
            const uint32_t result = e.call(area.Data(), nullptr);
            if (e.readsSize) {
                ok_result(result, 111u);
                ok_case(area.Untouched(), "buffer written");
            } else {
                ok_case(result == 0u || result == 111u, "result neither 0 nor 111");
                ok_case(area.OutsideUntouched(queried), "written past the records");
            }
        }
        for (uint32_t bytes : {0u, rec - 1}) {  // sizes of 0 and below one record
            BeginCase(e.name, "size", bytes);
            Area area(bytes, true);
            uint32_t size = bytes;
            ok_result(e.call(area.Data(), &size), e.readsSize ? e.noWholeRecord : 111u);
            ok_case(size == (e.readsSize ? bytes : queried), "size written");
            ok_case(area.Untouched(), "buffer written");
        }
        // The exact size against the inaccessible page; room for two more records and a part of one.
        for (bool larger : {false, true}) {
            const uint32_t rooms = larger ? std::max(checked, count) + 2 : count;
            const uint32_t bytes = larger ? rooms * rec + rec / 3 : queried;
            BeginCase(e.name, larger ? "larger size" : "exact size", bytes);
            Area area(bytes, !larger);
            uint32_t size = bytes;
            const uint32_t result = e.call(area.Data(), &size);
            ok_case(size == bytes, "size changed");
            if (!larger && checked > count) {  // fewer bytes than the list has entries
                ok_result(result, 111u);
                ok_case(area.Untouched(), "buffer written");
                continue;
            }
            const uint32_t filled = e.readsSize ? rooms : count;
            ok_result(result, 0u);
            ok_case(area.OutsideUntouched(filled * rec) && NeverWritten(area, filled, rec, e.never),
                    "written outside the records or a field's last byte");
            chain_at(__LINE__, area.Data(), filled, rec, g_case.c_str());
        }
        for (uint32_t bad : {0u, checked / 2, checked - 1}) {  // inaccessible first, middle, last record
            BeginCase(e.name, "inaccessible record", bad);
            Area area(ReadableUpTo(bad, rec), true);
            uint32_t size = checked * rec;
            ok_result(e.call(area.Data(), &size), 111u);
            ok_case(size == (e.readsSize ? checked * rec : queried), "size written");
            ok_case(area.Untouched(), "buffer written");
        }
    }
}

struct ListExport {
    const char *name;
    int32_t (*call)(void *, int32_t);
    size_t headerSize;
    size_t recordsField;  // offset of the records address in the header
    size_t rec;
    Offsets never;
    int32_t items;
    bool negativeAccepted;  // a negative count writes the header and answers 1
};

void MatrixListExports()
{
    const std::vector<ListExport> table = {
        {"HsiGetCpuInfoEx", [](void *l, int32_t c) { return pHsiGetCpuInfoEx(static_cast<INFOLIST *>(l), c); }, 12, 8,
         528, Range(0, 4, kCpuNever), pHsiGetCpuCount(), true},
        {"HsiGetNetInfoEx", [](void *l, int32_t c) { return pHsiGetNetInfoEx(static_cast<INFOLIST *>(l), c); }, 12, 8,
         68, {4 + 31, 36 + 31}, pHsiGetNetCount(), false},
        {"HsiGetSoftwareInfoEx",
         [](void *l, int32_t c) { return pHsiGetSoftwareInfoEx(static_cast<SOFTWAREINFOLIST *>(l), c); }, 44, 40,
         264, Range(0, 4, kSoftwareNever), pHsiGetSoftwareCount(), false},
    };
    for (const ListExport &e : table) {
        // One record at least, so that every case has a record to refuse.
        const int32_t items = std::max(e.items, 1);
        // A call with a header naming `recordBytes` of records (or none when
        // withRecords is false). Answer 1: the header holds count, record size
        // and the category, the records keep what they must; otherwise header
        // and records stay untouched but for the records address.
        auto run = [&](const char *what, long long number, size_t recordBytes, bool withRecords, int32_t count,
                       int32_t expected) {
            BeginCase(e.name, what, number);
            Area header(e.headerSize, false);
            Area records(recordBytes, true);
            const uint32_t where = withRecords ? records.Address32() : 0;
            std::memcpy(header.Data() + e.recordsField, &where, 4);
            ok_result(e.call(header.Data(), count), expected);
            if (expected == 1) {
                int32_t written[2];
                std::memcpy(written, header.Data(), 8);
                ok_case(written[0] == count && written[1] == static_cast<int32_t>(e.rec) &&
                            header.OutsideUntouched(e.headerSize),
                        "header");
                ok_case(e.headerSize != 44 ||
                            (std::strcmp(reinterpret_cast<const char *>(header.Data()) + 8, "Software") == 0 &&
                             header.ByteUntouched(8 + 31)),
                        "category");
                ok_case(count < 0 ? records.Untouched()
                                  : records.OutsideUntouched(recordBytes) &&
                                        NeverWritten(records, recordBytes / e.rec, e.rec, e.never),
                        "written outside the records or a field's last byte");
            } else {
                bool untouched = header.OutsideUntouched(e.headerSize) && records.Untouched();
                for (size_t i = 0; i < e.headerSize; ++i)
                    untouched &= (i >= e.recordsField && i < e.recordsField + 4) || header.ByteUntouched(i);
                ok_case(untouched, "header or records written");
            }
        };
        BeginCase(e.name, "null header, count", items);
        ok_result(e.call(nullptr, items), 0);
        for (size_t bytes : {size_t{0}, e.headerSize - 1}) {
            BeginCase(e.name, "header bytes", static_cast<long long>(bytes));
            Area header(bytes, true);
            ok_result(e.call(header.Data(), items), 0);
            ok_case(header.Untouched(), "header written");
        }
        for (int32_t count : {0, -1, INT_MIN, INT_MAX})
            run("count", count, static_cast<size_t>(items) * e.rec, true, count, count < 0 && e.negativeAccepted);
        run("null records, count", items, 0, false, items, 0);
        for (size_t bytes : {size_t{0}, e.rec - 1})
            run("one record in bytes", static_cast<long long>(bytes), bytes, true, 1, 0);
        for (int32_t count : {items, items + 2})
            run("records", count, static_cast<size_t>(count) * e.rec, true, count, 1);
        for (int32_t bad : {0, items / 2, items - 1})
            run("inaccessible record", bad, ReadableUpTo(static_cast<size_t>(bad), e.rec), true, items, 0);
    }
}

struct RecordExport {
    const char *name;
    int32_t (*call)(void *);
    size_t size;
    Offsets never;
    int32_t filled;    // answer when the record is filled
    int32_t rejected;  // answer when it is not usable
};

void MatrixRecordExports()
{
    const std::vector<RecordExport> table = {
        {"HsiGetCommonInfo", [](void *p) { return pHsiGetCommonInfo(static_cast<COMMONINFO *>(p)); }, 1480,
         Range(1332, 1480, {32 + 259, 292 + 259, 552 + 259, 812 + 259, 1072 + 259}), 1, 0},
        {"HsiGetNetUserInfo", [](void *p) { return pHsiGetNetUserInfo(static_cast<NETUSERINFO *>(p)); }, 600,
         Range(0, 4, Range(264 + 15, 296, Range(296 + 15, 328, Range(588, 600, {4 + 259, 328 + 259})))), 1, 111},
    };
    for (const RecordExport &e : table) {
        BeginCase(e.name, "null record", 0);
        ok_result(e.call(nullptr), e.rejected);
        for (size_t readable : {size_t{0}, e.size / 2, e.size - 1}) {
            BeginCase(e.name, "readable bytes", static_cast<long long>(readable));
            Area area(readable, true);
            ok_result(e.call(area.Data()), e.rejected);
            ok_case(area.Untouched(), "record written");
        }
        for (bool guarded : {true, false}) {
            BeginCase(e.name, guarded ? "exact record, inaccessible after" : "exact record, room after", e.size);
            Area area(e.size, guarded);
            ok_result(e.call(area.Data()), e.filled);
            ok_case(area.OutsideUntouched(e.size) && NeverWritten(area, 1, e.size, e.never),
                    "written outside the record or a field's last byte");
        }
    }
}

// An adapter list as GetAdaptersInfo lays it out, in caller memory: read, never written.
void MatrixAdapterCount()
{
    const size_t entry = sizeof(IP_ADAPTER_INFO);
    BeginCase("HsiGetAdapterCount", "null list", 0);
    ok_result(pHsiGetAdapterCount(nullptr), 0);
    for (size_t readable : {size_t{0}, entry / 2, entry - 1}) {
        BeginCase("HsiGetAdapterCount", "readable bytes", static_cast<long long>(readable));
        Area area(readable, true);
        ok_result(pHsiGetAdapterCount(area.Data()), 0);
        ok_case(area.Untouched(), "list written");
    }
    // Three entries, the second not addressed; the last one ends the list,
    // points at the inaccessible page, or loops back to the first.
    for (int variant = 0; variant < 3; ++variant) {
        BeginCase("HsiGetAdapterCount", "three entries, variant", variant);
        Area area(3 * entry, true);
        auto *entries = reinterpret_cast<IP_ADAPTER_INFO *>(area.Data());
        const char *ips[3] = {"192.168.1.10", "0.0.0.0", ""};
        for (int i = 0; i < 3; ++i) {
            std::memset(&entries[i], 0, entry);
            std::strcpy(entries[i].IpAddressList.IpAddress.String, ips[i]);
            entries[i].Next = i < 2 ? &entries[i + 1] : nullptr;
        }
        if (variant == 1)
            entries[2].Next = reinterpret_cast<IP_ADAPTER_INFO *>(area.Data() + 3 * entry);
        if (variant == 2)
            entries[2].Next = &entries[0];
        const std::vector<uint8_t> before(area.Data(), area.Data() + 3 * entry);
        const int32_t result = pHsiGetAdapterCount(area.Data());
        if (variant < 2)
            ok_result(result, 2);
        else
            ok_case(result >= 2, "a looping list counted less than its addressed entries");
        ok_case(std::memcmp(before.data(), area.Data(), before.size()) == 0 && area.OutsideUntouched(3 * entry),
                "list written");
    }
}

void MatrixSysInfo()
{
    const char *name = "HsiGetSysInfo";
    auto call = [](const Area &area, uint32_t *total) {
        return pHsiGetSysInfo(reinterpret_cast<SYSINFOHEADER *>(area.Data()), total);
    };
    uint32_t total = 0;
    BeginCase(name, "null block", 0);
    ok_result(pHsiGetSysInfo(nullptr, nullptr), 9u);
    ok_result(pHsiGetSysInfo(nullptr, &total), 9u);
    for (size_t bytes : {size_t{0}, size_t{24}, size_t{27}}) {  // the first 28 bytes must be readable
        BeginCase(name, "block bytes", static_cast<long long>(bytes));
        Area area(bytes, true);
        total = 0;
        ok_result(call(area, &total), 9u);
        ok_case(total == 0 && area.Untouched(), "total or block written");
    }
    {
        BeginCase(name, "null total, block bytes", 28);
        Area area(28, false);
        ok_result(call(area, nullptr), 9u);
        ok_case(area.Untouched(), "block written");
    }
    SYSINFOHEADER sizes;
    {
        BeginCase(name, "size query, block bytes", 28);
        Area area(28, true);
        total = 0;
        ok_result(call(area, &total), 111u);
        std::memcpy(&sizes, area.Data(), sizeof sizes);
        ok_case(area.OutsideUntouched(24) && area.ByteUntouched(24) && area.ByteUntouched(27),
                "written past the section sizes");
    }
    const uint32_t sum = total;
    // Without drives or devices a fill has nothing to copy and answers 232.
    const uint32_t fillResult = sizes.driverSize == 0 || sizes.deviceSize == 0 ? 232u : 0u;
    {
        BeginCase(name, "total", 1);  // every section is larger than the whole block
        Area area(24 + sum, false);
        std::memcpy(area.Data(), &sizes, sizeof sizes);
        total = 1;
        ok_result(call(area, &total), 232u);
        ok_case(area.OutsideUntouched(24), "block written");
    }
    for (uint32_t given : {sum, sum + 1000}) {  // the exact block and a larger total
        BeginCase(name, "total", given);
        Area area(24 + sum + 1000, false);
        std::memcpy(area.Data(), &sizes, sizeof sizes);
        total = given;
        ok_result(call(area, &total), fillResult);
        ok_case(area.OutsideUntouched(fillResult == 0 ? 24 + sum : 24), "written past the block");
        ok_case(std::memcmp(area.Data(), &sizes, sizeof sizes) == 0, "section sizes changed");
    }
    const uint32_t offsets[3] = {0, sizes.commonSize + sizes.cpuSize + sizes.driverSize, sum - 1};
    for (uint32_t offset : offsets) {  // inaccessible page in the first, a middle and the last section
        BeginCase(name, "inaccessible from section byte", offset);
        Area area(24 + offset + (offset == 0 ? 4 : 0), true);
        std::memcpy(area.Data(), &sizes, sizeof sizes);
        total = sum;
        ok_result(call(area, &total), 9u);
        ok_case(total == sum && std::memcmp(area.Data(), &sizes, sizeof sizes) == 0 && area.OutsideUntouched(24),
                "total, section sizes or block written");
    }
}

void TestBadInputMatrix()
{
    MatrixBufferExports();
    MatrixListExports();
    MatrixRecordExports();
    MatrixAdapterCount();
    MatrixSysInfo();
    std::printf("bad-input matrix: %d cases\n", g_matrixCases);
}

// ---------------------------------------------------------------------------
// Every export called the way a host calls it, at a chosen stack shift
// (shifted_call.h), its answer collected as bytes: results, sizes and the
// records. Addresses of the caller's own buffers are stored relative to the
// buffer, so that two answers compare byte for byte wherever the buffer lies
// and whatever the word size; the memory figures, which change from moment
// to moment, are left out (and kept as notes when asked for).

using Bytes = std::vector<uint8_t>;

template <typename T> void Append(Bytes &out, const T &value)
{
    const auto *p = reinterpret_cast<const uint8_t *>(&value);
    out.insert(out.end(), p, p + sizeof value);
}

void AppendBytes(Bytes &out, const void *data, size_t n)
{
    const auto *p = static_cast<const uint8_t *>(data);
    out.insert(out.end(), p, p + n);
}

// Calls the exports of one loaded module at one stack shift, with caller
// memory below 4 GiB: a header area at the start of the scratch buffer and
// the records after it. After a fault it makes no more calls.
class StackCaller {
public:
    static constexpr size_t kHeaderBytes = 64;

    StackCaller(HMODULE module, unsigned shift, const LowBuffer &scratch, size_t scratchBytes)
        : m_module(module), m_shift(shift), m_scratch(scratch), m_scratchBytes(scratchBytes)
    {
    }

    uintptr_t Call(const char *name, uintptr_t a0 = 0, uintptr_t a1 = 0)
    {
        if (m_fault.exceptionCode != 0)
            return 0;
        const void *fn = reinterpret_cast<const void *>(GetProcAddress(m_module, name));
        if (fn == nullptr) {
            ok(false, "%s not found\n", name);
            return 0;
        }
        const shifted::Outcome outcome = shifted::Call(m_shift, m_module, fn, a0, a1);
        if (outcome.exceptionCode != 0) {
            m_fault = outcome;
            m_faultName = name;
        }
        return outcome.value;
    }
    // 32-bit results: the upper half of a 64-bit result register is undefined.
    uint32_t Call32(const char *name, uintptr_t a0 = 0, uintptr_t a1 = 0)
    {
        return static_cast<uint32_t>(Call(name, a0, a1));
    }

    uint8_t *Header() const { return m_scratch.Data(); }
    uint8_t *Records() const { return m_scratch.Data() + kHeaderBytes; }
    uintptr_t HeaderAddress() const { return reinterpret_cast<uintptr_t>(Header()); }
    uintptr_t RecordsAddress() const { return reinterpret_cast<uintptr_t>(Records()); }
    // Fill bytes over the header and n record bytes; false when n does not fit.
    bool Prepare(size_t n) const
    {
        if (n > m_scratchBytes - kHeaderBytes) {
            ok(false, "%lu record bytes do not fit the %lu-byte scratch buffer\n", static_cast<unsigned long>(n),
               static_cast<unsigned long>(m_scratchBytes));
            return false;
        }
        std::memset(Header(), kFill, kHeaderBytes + n);
        return true;
    }
    // The 32-bit address field at p, when it names a byte of the n record
    // bytes (or the end of them), is made relative to the records.
    void MakeRelative(uint8_t *p, size_t n) const
    {
        uint32_t address;
        std::memcpy(&address, p, sizeof address);
        const uint32_t base = Address32(Records());
        if (address >= base && address - base <= n) {
            address -= base;
            std::memcpy(p, &address, sizeof address);
        }
    }
    void MakeChainRelative(size_t n, size_t recordBytes) const
    {
        for (size_t at = 0; at + recordBytes <= n; at += recordBytes)
            MakeRelative(Records() + at, n);
    }

    // Notes: what is left out of the bytes (kept only when asked for).
    void KeepNotes() { m_keepNotes = true; }
    bool KeepsNotes() const { return m_keepNotes; }
    void Note(const std::string &text)
    {
        if (m_keepNotes)
            m_notes.push_back(text);
    }
    const std::vector<std::string> &Notes() const { return m_notes; }

    bool Faulted() const { return m_fault.exceptionCode != 0; }
    std::string Fault() const
    {
        char text[160];
        std::snprintf(text, sizeof text, "%s raised exception %08x at the DLL's offset %#lx", m_faultName.c_str(),
                      m_fault.exceptionCode,
                      static_cast<unsigned long>(m_fault.exceptionAddress - reinterpret_cast<uintptr_t>(m_module)));
        return text;
    }

private:
    HMODULE m_module;
    unsigned m_shift;
    const LowBuffer &m_scratch;
    size_t m_scratchBytes;
    shifted::Outcome m_fault;
    std::string m_faultName;
    bool m_keepNotes = false;
    std::vector<std::string> m_notes;
};

// The memory figures of a COMMONINFO at offset `at` (all but the structure's
// length) are left out: they change from one moment to the next.
void LeaveOutMemoryFigures(StackCaller &c, Bytes &out, size_t at)
{
    if (out.size() < at + sizeof(HSMEMORYSTATUS))
        return;
    HSMEMORYSTATUS m;
    std::memcpy(&m, out.data() + at, sizeof m);
    char text[200];
    std::snprintf(text, sizeof text,
                  "memory: load %u%%, physical %u of %u, page file %u of %u, virtual %u of %u (bytes free of total)",
                  m.dwMemoryLoad, m.dwAvailPhys, m.dwTotalPhys, m.dwAvailPageFile, m.dwTotalPageFile,
                  m.dwAvailVirtual, m.dwTotalVirtual);
    c.Note(text);
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(at + 4),
              out.begin() + static_cast<std::ptrdiff_t>(at + sizeof m), uint8_t{0});
}

// When notes are kept, the clock speeds of n CPUINFO records at offset `at`
// are left out of the bytes too: each process measures anew, and two
// measurements may snap to neighbouring bus steps.
void LeaveOutSpeeds(StackCaller &c, Bytes &out, size_t at, size_t n)
{
    if (!c.KeepsNotes())
        return;
    for (size_t i = 0; i < n && at + (i + 1) * sizeof(CPUINFO) <= out.size(); ++i) {
        uint8_t *speed = out.data() + at + i * sizeof(CPUINFO) + offsetof(CPUINFO, speed);
        uint32_t mhz;
        std::memcpy(&mhz, speed, sizeof mhz);
        c.Note("speed: " + std::to_string(mhz) + " MHz");
        std::memset(speed, 0, sizeof mhz);
    }
}

// The export's result alone.
void RunCountExport(StackCaller &c, const char *name, Bytes &out)
{
    Append(out, c.Call32(name));
}

// The size query (null buffer), then a fill of exactly that size; the size
// word lives in the header area.
void RunBufferExport(StackCaller &c, const char *name, size_t recordBytes, Bytes &out)
{
    if (!c.Prepare(0))
        return;
    auto *size = reinterpret_cast<uint32_t *>(c.Header());
    *size = 0;
    Append(out, c.Call32(name, 0, c.HeaderAddress()));
    const uint32_t needed = *size;
    Append(out, needed);
    if (!c.Prepare(needed))
        return;
    *size = needed;
    Append(out, c.Call32(name, c.RecordsAddress(), c.HeaderAddress()));
    Append(out, *size);
    c.MakeChainRelative(needed, recordBytes);
    const size_t at = out.size();
    AppendBytes(out, c.Records(), needed);
    if (recordBytes == sizeof(CPUINFO))
        LeaveOutSpeeds(c, out, at, needed / recordBytes);
}

// A list call for as many records as the count export names.
void RunListExport(StackCaller &c, const char *name, const char *countName, size_t headerBytes,
                   size_t recordsOffset, size_t recordBytes, Bytes &out)
{
    const int32_t count = static_cast<int32_t>(c.Call32(countName));
    Append(out, count);
    const size_t n = count > 0 ? static_cast<size_t>(count) * recordBytes : 0;
    if (!c.Prepare(n))
        return;
    const uint32_t records = Address32(c.Records());
    std::memcpy(c.Header() + recordsOffset, &records, sizeof records);
    Append(out, c.Call32(name, c.HeaderAddress(), static_cast<uintptr_t>(static_cast<intptr_t>(count))));
    c.MakeRelative(c.Header() + recordsOffset, n);
    AppendBytes(out, c.Header(), headerBytes);
    const size_t at = out.size();
    AppendBytes(out, c.Records(), n);
    if (recordBytes == sizeof(CPUINFO))
        LeaveOutSpeeds(c, out, at, static_cast<size_t>(count > 0 ? count : 0));
}

// One record filled through a pointer in the header area.
void RunRecordExport(StackCaller &c, const char *name, size_t recordBytes, Bytes &out)
{
    if (!c.Prepare(recordBytes))
        return;
    Append(out, c.Call32(name, c.RecordsAddress()));
    const size_t at = out.size();
    AppendBytes(out, c.Records(), recordBytes);
    if (recordBytes == sizeof(COMMONINFO))
        LeaveOutMemoryFigures(c, out, at);
}

// The section sizes (total 0), then the whole block.
void RunSysInfo(StackCaller &c, Bytes &out)
{
    const char *name = "HsiGetSysInfo";
    if (!c.Prepare(0))
        return;
    auto *total = reinterpret_cast<uint32_t *>(c.Header());
    uint8_t *block = c.Records();
    std::memset(block, 0, sizeof(SYSINFOHEADER));
    *total = 0;
    Append(out, c.Call32(name, c.RecordsAddress(), c.HeaderAddress()));
    SYSINFOHEADER sizes;
    std::memcpy(&sizes, block, sizeof sizes);
    Append(out, sizes);
    const uint32_t sum = sizes.commonSize + sizes.cpuSize + sizes.driverSize + sizes.deviceSize +
                         sizes.adapterSize + sizes.softwareSize;
    if (!c.Prepare(sizeof sizes + sum))
        return;
    std::memcpy(block, &sizes, sizeof sizes);
    *total = sum;
    Append(out, c.Call32(name, c.RecordsAddress(), c.HeaderAddress()));
    Append(out, *total);
    const size_t at = out.size();
    AppendBytes(out, block, sizeof sizes + sum);
    LeaveOutMemoryFigures(c, out, at + sizeof sizes);
    LeaveOutSpeeds(c, out, at + sizeof sizes + sizes.commonSize, sizes.cpuSize / sizeof(CPUINFO));
    // The records' next fields hold addresses in the export's released
    // staging buffers.
    const uint32_t sections[5][2] = {{sizes.cpuSize, sizeof(CPUINFO)},      {sizes.driverSize, sizeof(DRIVERINFO)},
                                     {sizes.deviceSize, sizeof(DEVICEINFO)}, {sizes.adapterSize, sizeof(IPADAPTERINFO)},
                                     {sizes.softwareSize, sizeof(SOFTWAREINFO)}};
    size_t section = at + sizeof sizes + sizes.commonSize;
    for (const auto &[bytes, recordSize] : sections) {
        for (size_t record = 0; record + recordSize <= bytes && section + record + 4 <= out.size(); record += recordSize)
            std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(section + record), 4, uint8_t{0});
        section += bytes;
    }
}

struct StackCase {
    const char *name;
    void (*run)(StackCaller &c, Bytes &out);
};

const StackCase kStackCases[] = {
    {"HsiGetCpuCount", [](StackCaller &c, Bytes &out) { RunCountExport(c, "HsiGetCpuCount", out); }},
    {"HsiGetCpuInfo", [](StackCaller &c, Bytes &out) { RunBufferExport(c, "HsiGetCpuInfo", sizeof(CPUINFO), out); }},
    {"HsiGetCpuInfoEx",
     [](StackCaller &c, Bytes &out) {
         RunListExport(c, "HsiGetCpuInfoEx", "HsiGetCpuCount", sizeof(INFOLIST), 8, sizeof(CPUINFO), out);
     }},
    {"HsiGetCommonInfo",
     [](StackCaller &c, Bytes &out) { RunRecordExport(c, "HsiGetCommonInfo", sizeof(COMMONINFO), out); }},
    {"HsiGetNetCount", [](StackCaller &c, Bytes &out) { RunCountExport(c, "HsiGetNetCount", out); }},
    {"HsiGetNetInfoEx",
     [](StackCaller &c, Bytes &out) {
         RunListExport(c, "HsiGetNetInfoEx", "HsiGetNetCount", sizeof(INFOLIST), 8, sizeof(NETINFO), out);
     }},
    {"HsiGetAdapterCount",
     [](StackCaller &c, Bytes &out) {
         const AdapterSnapshot adapters = ReadAdapters();
         Append(out, c.Call32("HsiGetAdapterCount", reinterpret_cast<uintptr_t>(adapters.First())));
     }},
    {"HsiGetAdapterInfo",
     [](StackCaller &c, Bytes &out) { RunBufferExport(c, "HsiGetAdapterInfo", sizeof(IPADAPTERINFO), out); }},
    {"HsiGetNetUserInfo",
     [](StackCaller &c, Bytes &out) { RunRecordExport(c, "HsiGetNetUserInfo", sizeof(NETUSERINFO), out); }},
    {"HsiGetSoftwareCount", [](StackCaller &c, Bytes &out) { RunCountExport(c, "HsiGetSoftwareCount", out); }},
    {"HsiGetSoftwareInfo",
     [](StackCaller &c, Bytes &out) { RunBufferExport(c, "HsiGetSoftwareInfo", sizeof(SOFTWAREINFO), out); }},
    {"HsiGetSoftwareInfoEx",
     [](StackCaller &c, Bytes &out) {
         RunListExport(c, "HsiGetSoftwareInfoEx", "HsiGetSoftwareCount", sizeof(SOFTWAREINFOLIST), 40,
                       sizeof(SOFTWAREINFO), out);
     }},
    {"HsiGetDriverInfo",
     [](StackCaller &c, Bytes &out) { RunBufferExport(c, "HsiGetDriverInfo", sizeof(DRIVERINFO), out); }},
    {"HsiGetDeviceInfo",
     [](StackCaller &c, Bytes &out) { RunBufferExport(c, "HsiGetDeviceInfo", sizeof(DEVICEINFO), out); }},
    {"HsiGetSysInfo", RunSysInfo},
};

// ---------------------------------------------------------------------------
// Misaligned stacks. 32-bit Windows enters a DLL (its entry at load and
// unload, every export) with the stack aligned to 4 bytes only. The DLL is
// loaded, called and unloaded from stacks 4, 8 and 12 bytes below a 16-byte
// boundary; every export must answer what it answers from an aligned stack.

size_t FirstDifference(const Bytes &a, const Bytes &b)
{
    const size_t n = std::min(a.size(), b.size());
    return static_cast<size_t>(std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n), b.begin()).first -
                               a.begin());
}

// Loads the DLL at one stack shift, runs every case first at that shift and
// then from an aligned stack, and unloads it at that shift again.
void TestStackShift(const char *path, unsigned shift, const LowBuffer &scratch, size_t scratchBytes, int &loads,
                    int &calls)
{
    const shifted::Outcome load =
        shifted::Call(shift, nullptr, reinterpret_cast<const void *>(LoadLibraryA), reinterpret_cast<uintptr_t>(path));
    const DWORD error = GetLastError();
    const auto module = reinterpret_cast<HMODULE>(load.value);
    ok(module != nullptr, "stack %u bytes off: LoadLibraryA failed with error %lu%s\n", shift, error,
       error == ERROR_NOACCESS ? " (the module's start-up faulted)" : "");
    if (module == nullptr)
        return;
    ++loads;
    StackCaller misaligned(module, shift, scratch, scratchBytes);
    StackCaller aligned(module, 0, scratch, scratchBytes);
    for (const StackCase &entry : kStackCases) {
        Bytes actual, expected;
        entry.run(misaligned, actual);
        if (misaligned.Faulted()) {
            ok(false, "stack %u bytes off: %s\n", shift, misaligned.Fault().c_str());
            break;
        }
        ++calls;
        entry.run(aligned, expected);
        ok(!aligned.Faulted(), "aligned stack: %s\n", aligned.Fault().c_str());
        ok(actual == expected,
           "stack %u bytes off: %s answered %lu bytes, from an aligned stack %lu; first difference at byte %lu\n",
           shift, entry.name, static_cast<unsigned long>(actual.size()), static_cast<unsigned long>(expected.size()),
           static_cast<unsigned long>(FirstDifference(actual, expected)));
    }
    const shifted::Outcome unload =
        shifted::Call(shift, module, reinterpret_cast<const void *>(FreeLibrary), reinterpret_cast<uintptr_t>(module));
    ok(unload.exceptionCode == 0 && static_cast<BOOL>(unload.value) != 0,
       "stack %u bytes off: FreeLibrary failed (exception %08x, error %lu)\n", shift, unload.exceptionCode,
       GetLastError());
}

void TestMisalignedStacks(const char *path)
{
    // The thunk itself: the stack pointer at the call lies `shift` bytes
    // below a 16-byte boundary.
    for (unsigned shift : {0u, 4u, 8u, 12u}) {
        const uintptr_t sp = shifted::StackAtCall(shift);
        ok((sp + shift) % 16 == 0, "thunk: stack pointer %#lx at the call for a shift of %u\n",
           static_cast<unsigned long>(sp), shift);
    }
    if (sizeof(void *) == 8) {
        // x64 code keeps the stack 16-byte aligned at every call, and Windows
        // relies on it: its exception dispatch refuses frames that are not
        // 8-byte aligned, and its own DLLs fault on a stack 8 bytes off.
        skip("misaligned stacks: left out on x64, where every caller keeps the stack 16-byte aligned\n");
        return;
    }
    const size_t scratchBytes = 1u << 20;
    const LowBuffer scratch(scratchBytes, false);
    if (!Usable(scratch))
        return;
    int loads = 0;
    int calls = 0;
    for (unsigned shift : {4u, 8u, 12u})
        TestStackShift(path, shift, scratch, scratchBytes, loads, calls);
    std::printf("misaligned stacks: loaded at %d of 3 shifts (4, 8, 12 bytes), %d export calls compared with an "
                "aligned stack\n", loads, calls);
}

// ---------------------------------------------------------------------------
// The answers as bytes, for comparing two builds of the DLL (32-bit and
// 64-bit) on one Windows installation: each export's answer in lines of 64
// bytes, then what was left out of it as "#" lines.

int DumpAnswers(const char *path)
{
    HMODULE module = LoadLibraryA(path);
    if (module == nullptr) {
        std::printf("LoadLibraryA(%s) failed: error %lu\n", path, GetLastError());
        return 1;
    }
    const size_t scratchBytes = 1u << 20;
    const LowBuffer scratch(scratchBytes, false);
    if (!Usable(scratch))
        return 1;
    StackCaller caller(module, 0, scratch, scratchBytes);
    caller.KeepNotes();
    size_t notesShown = 0;
    for (const StackCase &entry : kStackCases) {
        Bytes out;
        entry.run(caller, out);
        for (size_t line = 0; line < out.size(); line += 64) {
            std::printf("%s %04lx ", entry.name, static_cast<unsigned long>(line));
            for (size_t i = line; i < out.size() && i < line + 64; ++i)
                std::printf("%02x", out[i]);
            std::printf("\n");
        }
        for (; notesShown < caller.Notes().size(); ++notesShown)
            std::printf("# %s %s\n", entry.name, caller.Notes()[notesShown].c_str());
    }
    ok(!caller.Faulted(), "%s\n", caller.Fault().c_str());
    FreeLibrary(module);
    return g_failures == 0 ? 0 : 1;
}

// ---------------------------------------------------------------------------
// Read-only memory (PAGE_READONLY). What a call only reads need only be
// readable: the size of a fill, the header of a list call that fails before
// it writes, the header and total of a system-information fill. What a call
// writes must be writable, or the call answers its failure result and
// writes nothing: the size of a size query, records, the headers of list
// calls, the single records, the header and total of a size query.

// Bytes below 4 GiB that end at a page boundary; Protect makes the pages
// holding some of them PAGE_READONLY.
class ReadOnlyBytes {
public:
    explicit ReadOnlyBytes(size_t bytes) : m_bytes(bytes), m_low(bytes, false) {}
    uint8_t *Data() const { return m_low.Data(); }
    template <typename T> T *As() const { return m_low.As<T>(); }
    uint32_t Address32() const { return m_low.Address32(); }
    bool Protect(size_t offset, size_t count) const
    {
        DWORD old;
        return m_low.Valid() && VirtualProtect(m_low.Data() + offset, count, PAGE_READONLY, &old) != 0;
    }
    bool Untouched() const { return m_low.Untouched(0, m_bytes); }

private:
    size_t m_bytes;
    LowBuffer m_low;
};

// A 32-bit variable holding value, on a read-only page.
class ReadOnlyWord : public ReadOnlyBytes {
public:
    explicit ReadOnlyWord(uint32_t value) : ReadOnlyBytes(sizeof value)
    {
        if (Data() != nullptr) {
            std::memcpy(Data(), &value, sizeof value);
            Protect(0, sizeof value);
        }
    }
    uint32_t *Get() const { return As<uint32_t>(); }
};

void ReadOnlyPremise()
{
    ReadOnlyWord word(0);
    BeginCase("IsBadReadPtr, IsBadWritePtr", "read-only page", 4);
    ok_case(!IsBadReadPtr(word.Data(), 4) && IsBadWritePtr(word.Data(), 4),
            "a PAGE_READONLY page is not readable-only to the system's checks");
}

void ReadOnlyFillSizes()
{
    struct Fill {
        const char *name;
        uint32_t (*call)(void *, uint32_t *);
        size_t rec;
    };
    const Fill table[] = {
        {"HsiGetCpuInfo", [](void *b, uint32_t *s) { return pHsiGetCpuInfo(static_cast<CPUINFO *>(b), s); }, 528},
        {"HsiGetDriverInfo", [](void *b, uint32_t *s) { return pHsiGetDriverInfo(static_cast<DRIVERINFO *>(b), s); },
         296},
        {"HsiGetDeviceInfo", [](void *b, uint32_t *s) { return pHsiGetDeviceInfo(static_cast<DEVICEINFO *>(b), s); },
         296},
        {"HsiGetAdapterInfo",
         [](void *b, uint32_t *s) { return pHsiGetAdapterInfo(static_cast<IPADAPTERINFO *>(b), s); }, 428},
        {"HsiGetSoftwareInfo",
         [](void *b, uint32_t *s) { return pHsiGetSoftwareInfo(static_cast<SOFTWAREINFO *>(b), s); }, 264},
    };
    const size_t adapterEntries = ReadAdapters().EntryRecords();
    for (const Fill &e : table) {
        uint32_t queried = 0;
        e.call(nullptr, &queried);
        // The adapter export checks room for every entry of the system's list.
        const uint32_t bytes =
            e.rec == sizeof(IPADAPTERINFO) ? std::max<uint32_t>(queried, adapterEntries * e.rec) : queried;
        if (bytes < e.rec) {
            skip("%s: no records here to fill\n", e.name);
            continue;
        }
        BeginCase(e.name, "read-only size of a fill, bytes", bytes);
        Area writable(bytes, false);
        uint32_t size = bytes;
        const uint32_t expected = e.call(writable.Data(), &size);
        ok_case(expected == 0, "the fill with a writable size failed");
        ReadOnlyWord readOnly(bytes);
        Area area(bytes, false);
        ok_result(e.call(area.Data(), readOnly.Get()), expected);
        bool same = true;
        for (size_t at = 0; at + e.rec <= bytes; at += e.rec)  // all but the next fields
            same = same && std::memcmp(area.Data() + at + 4, writable.Data() + at + 4, e.rec - 4) == 0;
        ok_case(same && area.OutsideUntouched(bytes), "records differ from a fill with a writable size");

        BeginCase(e.name, "read-only size of a size query", 0);
        ReadOnlyWord query(0x5A5A5A5Au);
        ok_result(e.call(nullptr, query.Get()), 111u);
        ok_case(*query.Get() == 0x5A5A5A5Au, "size written");

        BeginCase(e.name, "read-only records, bytes", bytes);
        ReadOnlyBytes records(bytes);
        records.Protect(0, bytes);
        size = bytes;
        ok_result(e.call(records.Data(), &size), 111u);
        ok_case(records.Untouched(), "records written");
    }
}

void ReadOnlyListHeaders()
{
    struct List {
        const char *name;
        int32_t (*call)(void *, int32_t);
        size_t headerSize;
        size_t recordsField;
        size_t rec;
        int32_t items;
    };
    const List table[] = {
        {"HsiGetCpuInfoEx", [](void *l, int32_t c) { return pHsiGetCpuInfoEx(static_cast<INFOLIST *>(l), c); }, 12, 8,
         528, pHsiGetCpuCount()},
        {"HsiGetNetInfoEx", [](void *l, int32_t c) { return pHsiGetNetInfoEx(static_cast<INFOLIST *>(l), c); }, 12, 8,
         68, std::max(pHsiGetNetCount(), 1)},
        {"HsiGetSoftwareInfoEx",
         [](void *l, int32_t c) { return pHsiGetSoftwareInfoEx(static_cast<SOFTWAREINFOLIST *>(l), c); }, 44, 40,
         264, std::max(pHsiGetSoftwareCount(), 1)},
    };
    for (const List &e : table) {
        for (bool headerReadOnly : {true, false}) {
            BeginCase(e.name, headerReadOnly ? "read-only header, count" : "read-only records, count", e.items);
            ReadOnlyBytes header(e.headerSize);
            ReadOnlyBytes records(static_cast<size_t>(e.items) * e.rec);
            const uint32_t address = records.Address32();
            std::memcpy(header.Data() + e.recordsField, &address, sizeof address);
            const std::vector<uint8_t> before(header.Data(), header.Data() + e.headerSize);
            if (headerReadOnly)
                header.Protect(0, e.headerSize);
            else
                records.Protect(0, static_cast<size_t>(e.items) * e.rec);
            ok_result(e.call(header.Data(), e.items), 0);
            ok_case(std::memcmp(before.data(), header.Data(), e.headerSize) == 0 && records.Untouched(),
                    "header or records written");
        }
    }
}

void ReadOnlyRecordsAndBlocks()
{
    BeginCase("HsiGetCommonInfo", "read-only record", 1480);
    ReadOnlyBytes common(sizeof(COMMONINFO));
    common.Protect(0, sizeof(COMMONINFO));
    ok_result(pHsiGetCommonInfo(common.As<COMMONINFO>()), 0);
    ok_case(common.Untouched(), "record written");

    BeginCase("HsiGetNetUserInfo", "read-only record", 600);
    ReadOnlyBytes user(sizeof(NETUSERINFO));
    user.Protect(0, sizeof(NETUSERINFO));
    const int32_t userResult = pHsiGetNetUserInfo(user.As<NETUSERINFO>());
    ok_case(userResult == 111 || userResult == 0, "result neither 111 nor 0 (no adapter list)");
    ok_case(user.Untouched(), "record written");

    const char *name = "HsiGetSysInfo";
    for (bool headerReadOnly : {true, false}) {  // the size query writes the header and the total
        BeginCase(name, headerReadOnly ? "size query, read-only header" : "size query, read-only total", 28);
        ReadOnlyBytes header(28);
        ReadOnlyWord total(0);
        uint32_t writableTotal = 0;
        if (headerReadOnly)
            header.Protect(0, 28);
        ok_result(pHsiGetSysInfo(header.As<SYSINFOHEADER>(),
                                 headerReadOnly ? &writableTotal : total.Get()),
                  9u);
        ok_case(header.Untouched() && writableTotal == 0 && *total.Get() == 0, "header or total written");
    }
    SYSINFOHEADER sizes = {};
    uint32_t sum = 0;
    pHsiGetSysInfo(&sizes, &sum);
    // A fill reads the header and the total: both read-only, the header at
    // the end of its page and the block on the pages after it.
    BeginCase(name, "fill, read-only header and total, total", sum);
    const size_t blockPages = (sum + 4095) / 4096;
    ReadOnlyBytes block(sizeof sizes + blockPages * 4096);
    std::memcpy(block.Data(), &sizes, sizeof sizes);
    block.Protect(0, sizeof sizes);
    ReadOnlyWord total(sum);
    const uint32_t expected = sizes.driverSize == 0 || sizes.deviceSize == 0 ? 232u : 0u;
    ok_result(pHsiGetSysInfo(block.As<SYSINFOHEADER>(), total.Get()), expected);
    uint32_t length = 0;
    std::memcpy(&length, block.Data() + sizeof sizes, sizeof length);
    ok_case(expected != 0 || length == 32, "the common section's memory status not written");
}

void TestReadOnlyMemory()
{
    const int before = g_matrixCases;
    ReadOnlyPremise();
    ReadOnlyFillSizes();
    ReadOnlyListHeaders();
    ReadOnlyRecordsAndBlocks();
    std::printf("read-only memory: %d cases\n", g_matrixCases - before);
}

}  // namespace

int main(int argc, char **argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc == 3 && std::strcmp(argv[1], "--dump") == 0)
        return DumpAnswers(argv[2]);
    if (argc < 2) {
        std::printf("usage: wine_test [--dump] PATH\\Hardscan.dll\n");
        return 2;
    }
    void *capture = AddVectoredExceptionHandler(1, CaptureDebugText);
    TestTraceCapture();

    const DWORD start = GetTickCount();
    HMODULE module = LoadLibraryA(argv[1]);
    ok(module != nullptr, "LoadLibraryA(%s) failed: error %lu\n", argv[1], GetLastError());
    if (module == nullptr) {
        TestMisalignedStacks(argv[1]);
        std::printf("wine_test: %d tests executed (%d failures), the DLL did not load\n", g_tests, g_failures);
        return 1;
    }
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
    TestBadInputMatrix();
    TestReadOnlyMemory();

    ok(FreeLibrary(module) != 0, "FreeLibrary failed: error %lu\n", GetLastError());
    TestMisalignedStacks(argv[1]);
    RemoveVectoredExceptionHandler(capture);
    std::printf("wine_test: %d tests executed (%d failures, %d skipped)\n", g_tests, g_failures, g_skips);
    return g_failures == 0 ? 0 : 1;
}
