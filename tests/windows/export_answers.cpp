#include "export_answers.h"

#include <iptypes.h>

#include <cstdio>
#include <cstring>
#include <functional>

#include "common/bad_input.h"
#include "hardscan.h"
#include "shifted_call.h"

namespace answers {

namespace {

constexpr size_t kHeaderBytes = 64;
constexpr size_t kScratchBytes = 1u << 20;

uint32_t Address32(const void *p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// Calls the exports of one module at one stack shift. The scratch memory
// holds a header area (sizes, list headers) and the records after it.
class Caller {
public:
    Caller(HMODULE module, unsigned shift) : m_module(module), m_shift(shift) {}

    // A 32-bit result: the upper half of a 64-bit result register is undefined.
    uint32_t Call(const char *name, uintptr_t a0 = 0, uintptr_t a1 = 0) {
        if (!m_fault.empty()) return 0;
        const void *fn = reinterpret_cast<const void *>(GetProcAddress(m_module, name));
        if (fn == nullptr) {
            m_fault = std::string(name) + " not found";
            return 0;
        }
        const shifted::Outcome outcome = shifted::Call(m_shift, m_module, fn, a0, a1);
        if (outcome.exceptionCode != 0) {
            char text[160];
            std::snprintf(text, sizeof text, "%s raised exception %08x at the DLL's offset %#lx", name,
                          outcome.exceptionCode,
                          static_cast<unsigned long>(outcome.exceptionAddress - reinterpret_cast<uintptr_t>(m_module)));
            m_fault = text;
        }
        return static_cast<uint32_t>(outcome.value);
    }

    uint8_t *Header() const { return m_scratch.Data(); }
    uint8_t *Records() const { return m_scratch.Data() + kHeaderBytes; }
    uintptr_t At(const uint8_t *p) const { return reinterpret_cast<uintptr_t>(p); }
    // Fill bytes over the header area and n record bytes.
    bool Prepare(size_t n) {
        if (n > kScratchBytes - kHeaderBytes) {
            m_fault = std::to_string(n) + " record bytes do not fit the scratch memory";
            return false;
        }
        std::memset(Header(), badinput::kFill, kHeaderBytes + n);
        return true;
    }
    // The 32-bit address field at p, when it names a byte of the n record
    // bytes (or their end), made relative to the records.
    void MakeRelative(uint8_t *p, size_t n) const {
        uint32_t address;
        std::memcpy(&address, p, sizeof address);
        if (address >= Address32(Records()) && address - Address32(Records()) <= n) {
            address -= Address32(Records());
            std::memcpy(p, &address, sizeof address);
        }
    }

    std::string m_fault;

private:
    HMODULE m_module;
    unsigned m_shift;
    badinput::Area m_scratch{kScratchBytes, false};
};

template <typename T>
void Append(Answer &out, const T &value) {
    const auto *p = reinterpret_cast<const uint8_t *>(&value);
    out.bytes.insert(out.bytes.end(), p, p + sizeof value);
}

void AppendBytes(Answer &out, const void *data, size_t n) {
    const auto *p = static_cast<const uint8_t *>(data);
    out.bytes.insert(out.bytes.end(), p, p + n);
}

// The memory figures of a COMMONINFO at `at` (all but the structure's length).
void LeaveOutMemory(Answer &out, size_t at) {
    if (out.bytes.size() < at + sizeof(HSMEMORYSTATUS)) return;
    HSMEMORYSTATUS m;
    std::memcpy(&m, out.bytes.data() + at, sizeof m);
    char text[200];
    std::snprintf(text, sizeof text,
                  "memory: load %u%%, physical %u of %u, page file %u of %u, virtual %u of %u (bytes free of total)",
                  m.dwMemoryLoad, m.dwAvailPhys, m.dwTotalPhys, m.dwAvailPageFile, m.dwTotalPageFile,
                  m.dwAvailVirtual, m.dwTotalVirtual);
    out.notes.push_back(text);
    std::memset(out.bytes.data() + at + 4, 0, sizeof m - 4);
}

// The speeds of n CPUINFO records at `at`: each process measures anew, and
// two measurements may snap to neighbouring bus steps.
void LeaveOutSpeeds(Answer &out, size_t at, size_t n) {
    for (size_t i = 0; i < n && at + (i + 1) * sizeof(CPUINFO) <= out.bytes.size(); ++i) {
        uint8_t *speed = out.bytes.data() + at + i * sizeof(CPUINFO) + offsetof(CPUINFO, speed);
        uint32_t mhz;
        std::memcpy(&mhz, speed, sizeof mhz);
        out.notes.push_back("speed: " + std::to_string(mhz) + " MHz");
        std::memset(speed, 0, sizeof mhz);
    }
}

void CountCall(Caller &c, const char *name, Answer &out) { Append(out, c.Call(name)); }

// The size query (null buffer), then a fill of exactly that size; the size
// word lives in the header area.
void BufferCall(Caller &c, const char *name, size_t rec, Answer &out) {
    auto *size = reinterpret_cast<uint32_t *>(c.Header());
    if (!c.Prepare(0)) return;
    *size = 0;
    Append(out, c.Call(name, 0, c.At(c.Header())));
    const uint32_t needed = *size;
    Append(out, needed);
    if (!c.Prepare(needed)) return;
    *size = needed;
    Append(out, c.Call(name, c.At(c.Records()), c.At(c.Header())));
    Append(out, *size);
    for (size_t at = 0; at + rec <= needed; at += rec) c.MakeRelative(c.Records() + at, needed);
    const size_t at = out.bytes.size();
    AppendBytes(out, c.Records(), needed);
    if (rec == sizeof(CPUINFO)) LeaveOutSpeeds(out, at, needed / rec);
}

// A list call for as many records as the count export names.
void ListCall(Caller &c, const char *name, const char *countName, size_t headerBytes, size_t recordsOffset,
              size_t rec, Answer &out) {
    const auto count = static_cast<int32_t>(c.Call(countName));
    Append(out, count);
    const size_t n = count > 0 ? static_cast<size_t>(count) * rec : 0;
    if (!c.Prepare(n)) return;
    const uint32_t records = Address32(c.Records());
    std::memcpy(c.Header() + recordsOffset, &records, sizeof records);
    Append(out, c.Call(name, c.At(c.Header()), static_cast<uintptr_t>(static_cast<intptr_t>(count))));
    c.MakeRelative(c.Header() + recordsOffset, n);
    AppendBytes(out, c.Header(), headerBytes);
    const size_t at = out.bytes.size();
    AppendBytes(out, c.Records(), n);
    if (rec == sizeof(CPUINFO)) LeaveOutSpeeds(out, at, n / rec);
}

// One record filled through a pointer.
void RecordCall(Caller &c, const char *name, size_t rec, Answer &out) {
    if (!c.Prepare(rec)) return;
    Append(out, c.Call(name, c.At(c.Records())));
    const size_t at = out.bytes.size();
    AppendBytes(out, c.Records(), rec);
    if (rec == sizeof(COMMONINFO)) LeaveOutMemory(out, at);
}

// A two-entry adapter list in the host's layout, one entry with an address.
void AdapterCountCall(Caller &c, Answer &out) {
    if (!c.Prepare(2 * sizeof(IP_ADAPTER_INFO))) return;
    auto *list = reinterpret_cast<IP_ADAPTER_INFO *>(c.Records());
    std::memset(list, 0, 2 * sizeof *list);
    list[0].Next = &list[1];
    std::strcpy(list[0].IpAddressList.IpAddress.String, "10.0.0.1");
    std::strcpy(list[1].IpAddressList.IpAddress.String, "0.0.0.0");
    Append(out, c.Call("HsiGetAdapterCount", c.At(c.Records())));
}

// The section sizes (total 0), then the whole block.
void SysInfoCall(Caller &c, Answer &out) {
    auto *total = reinterpret_cast<uint32_t *>(c.Header());
    uint8_t *block = c.Records();
    if (!c.Prepare(sizeof(SYSINFOHEADER))) return;
    std::memset(block, 0, sizeof(SYSINFOHEADER));
    *total = 0;
    Append(out, c.Call("HsiGetSysInfo", c.At(block), c.At(c.Header())));
    SYSINFOHEADER sizes;
    std::memcpy(&sizes, block, sizeof sizes);
    Append(out, sizes);
    const uint32_t parts[5][2] = {{sizes.cpuSize, sizeof(CPUINFO)},
                                  {sizes.driverSize, sizeof(DRIVERINFO)},
                                  {sizes.deviceSize, sizeof(DEVICEINFO)},
                                  {sizes.adapterSize, sizeof(IPADAPTERINFO)},
                                  {sizes.softwareSize, sizeof(SOFTWAREINFO)}};
    uint32_t sum = sizes.commonSize;
    for (const auto &part : parts) sum += part[0];
    if (!c.Prepare(sizeof sizes + sum)) return;
    std::memcpy(block, &sizes, sizeof sizes);
    *total = sum;
    Append(out, c.Call("HsiGetSysInfo", c.At(block), c.At(c.Header())));
    Append(out, *total);
    const size_t at = out.bytes.size();
    AppendBytes(out, block, sizeof sizes + sum);
    LeaveOutMemory(out, at + sizeof sizes);
    LeaveOutSpeeds(out, at + sizeof sizes + sizes.commonSize, sizes.cpuSize / sizeof(CPUINFO));
    // The records' next fields name the export's released staging buffers.
    size_t section = at + sizeof sizes + sizes.commonSize;
    for (const auto &part : parts) {
        for (size_t record = 0; record + part[1] <= part[0]; record += part[1])
            std::memset(out.bytes.data() + section + record, 0, 4);
        section += part[0];
    }
}

const struct {
    const char *name;
    std::function<void(Caller &, Answer &)> run;
} kCalls[] = {
    {"HsiGetCpuCount", [](Caller &c, Answer &out) { CountCall(c, "HsiGetCpuCount", out); }},
    {"HsiGetCpuInfo", [](Caller &c, Answer &out) { BufferCall(c, "HsiGetCpuInfo", sizeof(CPUINFO), out); }},
    {"HsiGetCpuInfoEx",
     [](Caller &c, Answer &out) {
         ListCall(c, "HsiGetCpuInfoEx", "HsiGetCpuCount", sizeof(INFOLIST), 8, sizeof(CPUINFO), out);
     }},
    {"HsiGetCommonInfo", [](Caller &c, Answer &out) { RecordCall(c, "HsiGetCommonInfo", sizeof(COMMONINFO), out); }},
    {"HsiGetNetCount", [](Caller &c, Answer &out) { CountCall(c, "HsiGetNetCount", out); }},
    {"HsiGetNetInfoEx",
     [](Caller &c, Answer &out) {
         ListCall(c, "HsiGetNetInfoEx", "HsiGetNetCount", sizeof(INFOLIST), 8, sizeof(NETINFO), out);
     }},
    {"HsiGetAdapterCount", AdapterCountCall},
    {"HsiGetAdapterInfo",
     [](Caller &c, Answer &out) { BufferCall(c, "HsiGetAdapterInfo", sizeof(IPADAPTERINFO), out); }},
    {"HsiGetNetUserInfo",
     [](Caller &c, Answer &out) { RecordCall(c, "HsiGetNetUserInfo", sizeof(NETUSERINFO), out); }},
    {"HsiGetSoftwareCount", [](Caller &c, Answer &out) { CountCall(c, "HsiGetSoftwareCount", out); }},
    {"HsiGetSoftwareInfo",
     [](Caller &c, Answer &out) { BufferCall(c, "HsiGetSoftwareInfo", sizeof(SOFTWAREINFO), out); }},
    {"HsiGetSoftwareInfoEx",
     [](Caller &c, Answer &out) {
         ListCall(c, "HsiGetSoftwareInfoEx", "HsiGetSoftwareCount", sizeof(SOFTWAREINFOLIST), 40,
                  sizeof(SOFTWAREINFO), out);
     }},
    {"HsiGetDriverInfo", [](Caller &c, Answer &out) { BufferCall(c, "HsiGetDriverInfo", sizeof(DRIVERINFO), out); }},
    {"HsiGetDeviceInfo", [](Caller &c, Answer &out) { BufferCall(c, "HsiGetDeviceInfo", sizeof(DEVICEINFO), out); }},
    {"HsiGetSysInfo", SysInfoCall},
};

}  // namespace

std::vector<Answer> AnswerAll(HMODULE module, unsigned shift, std::string &fault) {
    Caller caller(module, shift);
    std::vector<Answer> all;
    for (const auto &call : kCalls) {
        all.push_back({call.name, {}, {}});
        call.run(caller, all.back());
        if (!caller.m_fault.empty()) break;
    }
    fault = caller.m_fault;
    return all;
}

void Print(const std::vector<Answer> &answers) {
    for (const Answer &a : answers) {
        for (size_t line = 0; line < a.bytes.size(); line += 64) {
            std::printf("%s %04lx ", a.name.c_str(), static_cast<unsigned long>(line));
            for (size_t i = line; i < a.bytes.size() && i < line + 64; ++i) std::printf("%02x", a.bytes[i]);
            std::printf("\n");
        }
    }
    for (const Answer &a : answers)
        for (const std::string &note : a.notes) std::printf("# %s %s\n", a.name.c_str(), note.c_str());
}

}  // namespace answers
