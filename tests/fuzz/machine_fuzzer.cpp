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
// Every export runs over each machine with a fresh collector (RunExports
// says what must hold); the sanitizers catch memory and undefined-behaviour
// errors.
#include <strings.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "api/adapter_list.h"
#include "common/export_calls.h"
#include "api/inventory.h"
#include "hardscan.h"
#include "platform/sim/sim_machine.h"

void badinput::Fail(const std::string &text) {
    std::fprintf(stderr, "machine_fuzzer: %s\n", text.c_str());
    std::abort();
}

namespace {

constexpr size_t kMaxInput = 4096;     // bytes of an input that are read
constexpr size_t kMaxData = 1024;      // bytes of one value's data
constexpr size_t kMaxNameLength = 255;  // of a key name, as Windows allows
constexpr size_t kMaxDepth = 32;        // key names in one path

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
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
    if (!simulation && (parts.empty() || strcasecmp(parts[0].c_str(), "HKEY_LOCAL_MACHINE") != 0))
        parts.insert(parts.begin(), "HKEY_LOCAL_MACHINE");
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
    std::string clean;
    for (char c : name) {
        if (c != '\0') clean += c;
    }
    std::string out = isDefault ? "@=" : Quoted(clean) + "=";
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

void Require(bool condition, const std::string &what) {
    if (!condition) badinput::Fail(what);
}

// Text fields (offset, width) of the records in output `k` of an export call.
using Fields = std::vector<std::pair<size_t, size_t>>;
Fields TextFields(const std::string &name, size_t k) {
    const Fields typed = {{offsetof(DRIVERINFO, type), 32}, {offsetof(DRIVERINFO, description), 260}};
    if (name == "HsiGetCpuInfo" || (name == "HsiGetCpuInfoEx" && k == 1))
        return {{offsetof(CPUINFO, name), 260}, {offsetof(CPUINFO, vendor), 260}};
    if (name == "HsiGetDriverInfo" || name == "HsiGetDeviceInfo") return typed;
    if (name == "HsiGetSoftwareInfo" || (name == "HsiGetSoftwareInfoEx" && k == 1))
        return {{offsetof(SOFTWAREINFO, displayName), 260}};
    if (name == "HsiGetSoftwareInfoEx") return {{offsetof(SOFTWAREINFOLIST, category), 32}};
    if (name == "HsiGetAdapterInfo")
        return {{offsetof(IPADAPTERINFO, mac), 16}, {offsetof(IPADAPTERINFO, ipAddress), 16}};
    if (name == "HsiGetCommonInfo") return {{32, 260}, {292, 260}, {552, 260}, {812, 260}, {1072, 260}};
    if (name == "HsiGetNetUserInfo")
        return {{offsetof(NETUSERINFO, computerName), 260}, {offsetof(NETUSERINFO, userName), 260}};
    if (name == "HsiGetNetInfoEx" && k == 1) return {{offsetof(NETINFO, ipText), 32}, {offsetof(NETINFO, mac), 32}};
    return {};
}

// A text field: text, then zero bytes up to its last byte (a field left as
// it was holds no zero byte and passes).
void CheckField(const uint8_t *field, size_t width) {
    const uint8_t *end = static_cast<const uint8_t *>(std::memchr(field, 0, width - 1));
    for (; end != nullptr && end < field + width - 1; ++end)
        Require(*end == 0, "text field not padded with zero bytes");
}

// Every export called as a host calls it (tests/common/export_calls.h): each
// answer from its export's set, nothing written outside the records or into
// a byte no export writes, text fields padded, and the drive and device
// lists paired.
void RunExports() {
    uint32_t total = 0;
    SYSINFOHEADER sizes;
    HsiGetSysInfo(&sizes, &total);
    if (total > (16u << 20)) return;  // more records than the fuzzer gives caller memory for
    hstest::Buffers buffers;
    for (const hstest::ExportCall &c : hstest::Calls(buffers, hstest::LinkedExports(), hs::AdapterListEntryCount())) {
        const int64_t answer = c.call();
        Require(c.Allowed(answer), c.name + " answered " + std::to_string(answer));
        for (size_t k = 0; k < c.outputs.size(); ++k) {
            const hstest::Output &o = c.outputs[k];
            for (const auto &f : TextFields(c.name, k))
                for (size_t at = f.first; at < o.bytes; at += o.recordSize) CheckField(o.data + at, f.second);
        }
    }
    const std::string stray = buffers.arena.FirstStrayWrite();
    Require(stray.empty(), "stray write: " + stray);
    hs::TextList descriptions, types;
    hs::g_inventory.CopyDriverLists(descriptions, types);
    Require(descriptions.size() == types.size(), "drive lists of different lengths");
    hs::g_inventory.CopyDeviceLists(descriptions, types);
    Require(descriptions.size() == types.size(), "device lists of different lengths");
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
    hs::sim::InstallMachine(IdleMachine());
    RebuildCollector();
    return 0;
}
