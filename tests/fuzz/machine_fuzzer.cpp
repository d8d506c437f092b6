// Simulated machines built from the fuzzer's bytes, read as a registry
// export in a lenient form: every line becomes a valid profile line or is
// dropped, so that a mutation of a key path, a value name or a value's data
// builds another machine rather than a profile that does not parse. Key
// lines name keys under HKEY_LOCAL_MACHINE (the root may be left out) or the
// machine's facts under HKEY_SIMULATION; value lines are name=data with the
// data as text, dword:, hex: or hex(type):, or - to delete. The dictionary
// (machine_fuzzer.dict) holds the registry paths, value names and machine
// facts that the library reads. One input builds at most what kMaxInput
// bytes describe: large machines are the large-machine test's (tests/leak).
//
// Every export runs over each machine with a fresh collector; the results
// must come from each export's set, the drive and device lists must pair up,
// text fields must be padded with zero bytes and keep their last byte, and
// nothing past a buffer may change. The sanitizers catch memory and
// undefined-behaviour errors.
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "../common/export_calls.h"
#include "api/adapter_list.h"
#include "api/inventory.h"
#include "hardscan.h"
#include "platform/sim/sim_machine.h"

namespace {

constexpr size_t kMaxInput = 4096;     // bytes of an input that are read
constexpr size_t kMaxData = 1024;      // bytes of one value's data
constexpr size_t kMaxNameLength = 255;  // of a key name, as Windows allows
constexpr size_t kMaxDepth = 32;        // key names in one path

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// s begins with prefix, in any case (a NUL in s ends the comparison).
bool StartsWithNoCase(const std::string &s, const char *prefix) {
    return strncasecmp(s.c_str(), prefix, std::strlen(prefix)) == 0;
}

std::string Quoted(const std::string &text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

// A key line of the input as a profile key line; empty when it is dropped.
std::string KeyLine(const std::string &line) {
    size_t p = 1;
    const bool deletion = p < line.size() && line[p] == '-';
    if (deletion) ++p;
    const size_t close = line.rfind(']');
    const std::string inner = line.substr(p, close == std::string::npos || close < p ? std::string::npos : close - p);
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = 0; i <= inner.size(); ++i) {
        const char c = i < inner.size() ? inner[i] : '\\';
        if (c == '\\') {
            if (!part.empty() && parts.size() < kMaxDepth) parts.push_back(part.substr(0, kMaxNameLength));
            part.clear();
        } else if (static_cast<unsigned char>(c) >= 0x20 && c != ']') {
            part += c;
        }
    }
    const bool simulation = !parts.empty() && strcasecmp(parts[0].c_str(), "HKEY_SIMULATION") == 0;
    if (!simulation && !(!parts.empty() && strcasecmp(parts[0].c_str(), "HKEY_LOCAL_MACHINE") == 0)) {
        parts.insert(parts.begin(), "HKEY_LOCAL_MACHINE");
    }
    if (deletion) {
        // A root stays, and so does the simulated processor: its virtual
        // clock keeps a collector from measuring real time.
        if (parts.size() < 2 || (simulation && StartsWithNoCase(parts[1], "Processor"))) return "";
    }
    std::string out = deletion ? "[-" : "[";
    for (size_t i = 0; i < parts.size(); ++i) out += (i ? "\\" : "") + parts[i];
    return out + "]\n";
}

// Hexadecimal byte pairs of a text, other characters skipped.
std::string HexBytes(const std::string &text) {
    std::string out;
    size_t bytes = 0;
    for (size_t i = 0; i + 1 < text.size() && bytes < kMaxData; ++i) {
        if (!IsHexDigit(text[i]) || !IsHexDigit(text[i + 1])) continue;
        out += (bytes++ ? "," : "") + text.substr(i, 2);
        if (bytes % 24 == 0) out += ",\\\n  ";
        ++i;
    }
    if (out.size() >= 5 && out.compare(out.size() - 5, 5, ",\\\n  ") == 0) out.resize(out.size() - 5);
    return out;
}

// A value line of the input as a profile value line.
std::string ValueLine(const std::string &line) {
    size_t p = 0;
    std::string name;
    bool isDefault = false;
    if (line[0] == '@') {
        isDefault = true;
        p = line.find('=');
    } else if (line[0] == '"') {
        const size_t close = line.find('"', 1);
        name = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        p = close == std::string::npos ? std::string::npos : line.find('=', close);
    } else {
        p = line.find('=');
        name = line.substr(0, p);
    }
    if (p == std::string::npos) return "";
    name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
    std::string out = isDefault ? "@=" : Quoted(name) + "=";
    ++p;
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
    const std::string data = line.substr(p);
    if (data == "-") return out + "-\n";
    if (StartsWithNoCase(data, "dword:")) {
        std::string digits;
        for (size_t i = 6; i < data.size() && IsHexDigit(data[i]) && digits.size() < 8; ++i) digits += data[i];
        return out + "dword:" + (digits.empty() ? "0" : digits) + "\n";
    }
    if (StartsWithNoCase(data, "hex:")) return out + "hex:" + HexBytes(data.substr(4)) + "\n";
    if (StartsWithNoCase(data, "hex(")) {
        const size_t close = data.find("):");
        std::string type;
        for (size_t i = 4; i < data.size() && i < close && IsHexDigit(data[i]) && type.size() < 8; ++i) type += data[i];
        if (close != std::string::npos && !type.empty()) {
            return out + "hex(" + type + "):" + HexBytes(data.substr(close + 2)) + "\n";
        }
    }
    std::string text = data;
    if (!text.empty() && text[0] == '"') {
        // Quoted as an export writes it: the escapes undone.
        text.clear();
        for (size_t i = 1; i < data.size(); ++i) {
            if (data[i] == '\\' && i + 1 < data.size()) {
                text += data[++i];
            } else if (data[i] != '"' || i + 1 < data.size()) {
                text += data[i];
            }
        }
    }
    return out + Quoted(text.substr(0, kMaxData)) + "\n";
}

// The profile that an input describes, after the simulated processor.
std::string Machine(const uint8_t *data, size_t size) {
    std::string text = "REGEDIT4\n\n";
    text += hs::sim::kVirtualClockProcessor;
    const std::string input(reinterpret_cast<const char *>(data), size < kMaxInput ? size : kMaxInput);
    bool haveKey = false;
    size_t start = 0;
    while (start < input.size()) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        std::string line = input.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const std::string key = KeyLine(line);
            text += key;
            // Values after a deleted key go to no key.
            haveKey = !key.empty() && key[1] != '-';
        } else if (haveKey) {
            text += ValueLine(line);
        }
    }
    return text;
}

// Caller memory below 4 GiB, so that 32-bit record addresses name it: one
// region for the whole run, handed out anew for each input, with canary
// bytes between the buffers.
hstest::LowArena &Arena() {
    static hstest::LowArena *arena = [] {
        auto *a = new hstest::LowArena();
        a->Reserve(64 << 20);
        return a;
    }();
    return *arena;
}

// count records from the arena; null when it cannot hold them (a machine
// that claims billions of processors).
template <typename Record>
Record *Take(size_t count) {
    try {
        return Arena().Take<Record>(count);
    } catch (const std::runtime_error &) {
        return nullptr;
    }
}

void Require(bool condition, const char *what) {
    if (!condition) {
        std::fprintf(stderr, "machine_fuzzer: %s\n", what);
        std::abort();
    }
}

bool IsBufferResult(uint32_t result) { return result == 0 || result == 9 || result == 111 || result == 232; }

// Text fields of a record: offset and width.
using Fields = std::vector<std::pair<size_t, size_t>>;

// The text fields of n records: text, then zero bytes up to the field's
// last byte (which no export writes: the arena's check).
template <typename Record>
void CheckPadding(const Record *records, size_t n, const Fields &fields) {
    for (size_t r = 0; r < n; ++r) {
        for (const auto &f : fields) {
            const uint8_t *field = reinterpret_cast<const uint8_t *>(records + r) + f.first;
            size_t i = 0;
            while (i < f.second - 1 && field[i] != 0) ++i;
            for (; i < f.second - 1; ++i) Require(field[i] == 0, "text field not padded with zero bytes");
        }
    }
}

// Records of a buffer export: the query's size, a fill of that size or of
// `room` records if more (the adapter export checks room for every entry
// of its list, and its query answers 0 when there is nothing to write).
template <typename Record>
void QueryAndFill(uint32_t (*exportFn)(Record *, uint32_t *), const Fields &fields, size_t room = 0) {
    uint32_t size = 0;
    const uint32_t query = exportFn(nullptr, &size);
    Require(query == 111 || (query == 0 && std::is_same_v<Record, IPADAPTERINFO>), "size query did not answer 111");
    Require(size % sizeof(Record) == 0, "size query not a whole number of records");
    const size_t n = size / sizeof(Record);
    Record *records = Take<Record>(std::max(n, room));
    if (records == nullptr) return;
    const uint32_t fill = exportFn(records, &size);
    Require(IsBufferResult(fill), "buffer export result outside 0, 9, 111, 232");
    if (fill == 0) CheckPadding(records, n, fields);
}

// A list call over as many records as the count names; its records when it
// answered 1.
template <typename Record, typename Header>
const Record *ListCall(int32_t (*fn)(Header *, int32_t), int32_t count) {
    auto *header = Take<Header>(1);
    auto *records = Take<Record>(count > 0 ? count : 1);
    if (header == nullptr || records == nullptr) return nullptr;
    header->records = hstest::Low32(records);
    const int32_t result = fn(header, count);
    Require(result == 0 || result == 1, "list call result outside 0, 1");
    if (result == 1 && std::is_same_v<Header, SOFTWAREINFOLIST>)
        CheckPadding(header, 1, {{offsetof(SOFTWAREINFOLIST, category), 32}});
    return result == 1 ? records : nullptr;
}

void RunExports() {
    Require(HsiGetCpuCount() >= 0, "negative processor count");
    const int32_t nets = HsiGetNetCount();
    const int32_t programs = HsiGetSoftwareCount();
    Require(nets >= 0 && programs >= 0, "negative count");

    QueryAndFill(HsiGetCpuInfo, {{offsetof(CPUINFO, name), 260}, {offsetof(CPUINFO, vendor), 260}});
    const Fields typed = {{offsetof(DRIVERINFO, type), 32}, {offsetof(DRIVERINFO, description), 260}};
    hs::TextList descriptions, types;
    QueryAndFill(HsiGetDriverInfo, typed);
    hs::g_inventory.CopyDriverLists(descriptions, types);
    Require(descriptions.size() == types.size(), "drive lists of different lengths");
    QueryAndFill(HsiGetDeviceInfo, typed);
    hs::g_inventory.CopyDeviceLists(descriptions, types);
    Require(descriptions.size() == types.size(), "device lists of different lengths");
    QueryAndFill(HsiGetSoftwareInfo, {{offsetof(SOFTWAREINFO, displayName), 260}});
    QueryAndFill(HsiGetAdapterInfo, {{offsetof(IPADAPTERINFO, mac), 16}, {offsetof(IPADAPTERINFO, ipAddress), 16}},
                 hs::AdapterListEntryCount());
    if (auto *common = Take<COMMONINFO>(1)) {
        const int32_t result = HsiGetCommonInfo(common);
        Require(result == 0 || result == 1, "common info result outside 0, 1");
        CheckPadding(common, 1, {{32, 260}, {292, 260}, {552, 260}, {812, 260}, {1072, 260}});
    }
    if (auto *user = Take<NETUSERINFO>(1)) {
        const int32_t result = HsiGetNetUserInfo(user);
        Require(result == 0 || result == 1 || result == 111, "net user result outside 0, 1, 111");
        if (result == 1)
            CheckPadding(user, 1, {{offsetof(NETUSERINFO, computerName), 260}, {offsetof(NETUSERINFO, userName), 260}});
    }
    ListCall<CPUINFO>(HsiGetCpuInfoEx, HsiGetCpuCount());
    if (const NETINFO *records = ListCall<NETINFO>(HsiGetNetInfoEx, nets))
        CheckPadding(records, nets, {{offsetof(NETINFO, ipText), 32}, {offsetof(NETINFO, mac), 32}});
    ListCall<SOFTWAREINFO>(HsiGetSoftwareInfoEx, programs);
    uint8_t *header = Take<uint8_t>(sizeof(SYSINFOHEADER) + 4);
    if (header == nullptr) return;
    uint32_t total = 0;
    Require(HsiGetSysInfo(reinterpret_cast<SYSINFOHEADER *>(header), &total) == 111,
            "system information size query did not answer 111");
    if (uint8_t *block = Take<uint8_t>(sizeof(SYSINFOHEADER) + total)) {
        std::memcpy(block, header, sizeof(SYSINFOHEADER));
        Require(IsBufferResult(HsiGetSysInfo(reinterpret_cast<SYSINFOHEADER *>(block), &total)),
                "system information result outside 0, 9, 111, 232");
    }
}

// A fresh collector over the machine that is loaded now.
void RebuildCollector() {
    hs::g_inventory.~CInventory();
    new (&hs::g_inventory) hs::CInventory();
}

// The machine between inputs: Windows 95, on which building a collector
// measures nothing. Each input ends on it with a fresh collector, so that
// every input allocates and frees alike (libFuzzer's leak check runs an
// input again whenever it allocated more than it freed).
std::shared_ptr<const hs::sim::Machine> IdleMachine() {
    static const auto *idle = new std::shared_ptr<const hs::sim::Machine>(hs::sim::ReadMachine(
        std::string("REGEDIT4\n") + hs::sim::kVirtualClockProcessor +
        "[HKEY_SIMULATION\\Version]\n\"PlatformId\"=dword:00000001\n\"MajorVersion\"=dword:00000004\n"
        "\"MinorVersion\"=dword:00000000\n"));
    return *idle;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string profile = Machine(data, size);
    try {
        hs::sim::LoadMachine(profile);
    } catch (const hs::sim::ProfileError &) {
        return 0;  // a machine fact out of its range
    }
    // A fresh collector over the machine: its platform id and adapter
    // buffer start anew.
    RebuildCollector();
    RunExports();
    // Nothing written between the buffers, nor at a byte that no export
    // writes. The buffers are given back within the input, which thus frees
    // what it allocated.
    const std::string stray = Arena().FirstStrayWrite();
    Require(stray.empty(), stray.c_str());
    Arena().Reset();
    hs::sim::InstallMachine(IdleMachine());
    RebuildCollector();
    return 0;
}
