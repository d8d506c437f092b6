#include "platform/sim/machine_facts.h"

#include <cstdio>
#include <set>

#include "platform/sim/sim_machine.h"

namespace hs::sim {
namespace {

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

[[noreturn]] void FailAt(int line, const std::string &reason) {
    throw ProfileError("line " + std::to_string(line) + ": " + reason);
}

bool IsHexText(const std::string &s, size_t at, size_t count) {
    if (at + count > s.size()) return false;
    for (size_t i = at; i < at + count; ++i) {
        if (!isxdigit(static_cast<unsigned char>(s[i]))) return false;
    }
    return true;
}

// One HKEY_SIMULATION key: typed access to its values, and a check that
// nothing unknown was written under it.
class FactKey {
public:
    FactKey(const RegNode *node, std::string path) : m_node(node), m_path(std::move(path)) {}

    bool Present() const { return m_node != nullptr; }
    const RegNode *Node() const { return m_node; }
    const std::string &Path() const { return m_path; }

    std::optional<uint32_t> Dword(const char *name, uint32_t limit = 0xFFFFFFFFu) {
        const RegValue *v = Find(name);
        if (v == nullptr) return std::nullopt;
        if (v->type != kRegDword || v->data.size() != 4) Wrong(*v, "a dword");
        uint32_t value = v->data[0] | (v->data[1] << 8) | (v->data[2] << 16) | (static_cast<uint32_t>(v->data[3]) << 24);
        if (value > limit) FailAt(v->line, Describe(*v) + " must not exceed " + std::to_string(limit));
        return value;
    }

    std::optional<std::string> Text(const char *name) {
        const RegValue *v = Find(name);
        if (v == nullptr) return std::nullopt;
        if (v->type != kRegSz) Wrong(*v, "a text");
        std::string text(v->data.begin(), v->data.end());
        return text.substr(0, text.find('\0'));
    }

    std::optional<std::vector<uint8_t>> Bytes(const char *name) {
        const RegValue *v = Find(name);
        if (v == nullptr) return std::nullopt;
        if (v->type != kRegBinary) Wrong(*v, "a hex list");
        return v->data;
    }

    // Every value must have been read, and only the named subkeys may exist.
    void CheckKnown(std::initializer_list<const char *> subkeys = {}) const {
        if (m_node == nullptr) return;
        for (const RegValue &v : m_node->Values()) {
            bool known = false;
            for (const std::string &r : m_read) known = known || NamesEqual(r, v.name);
            if (!known) FailAt(v.line, "unknown value " + Describe(v));
        }
        CheckSubkeys(subkeys);
    }

    void CheckSubkeys(std::initializer_list<const char *> subkeys) const {
        if (m_node == nullptr) return;
        for (const auto &sub : m_node->Subkeys()) {
            bool known = false;
            for (const char *s : subkeys) known = known || NamesEqual(sub->Name(), s);
            if (!known) FailAt(sub->Line(), "unknown key [" + m_path + "\\" + sub->Name() + "]");
        }
    }

    FactKey Subkey(const char *name) const {
        return FactKey(m_node ? m_node->FindSubkey(name) : nullptr, m_path + "\\" + name);
    }

    std::string Describe(const RegValue &v) const { return "\"" + v.name + "\" of [" + m_path + "]"; }

    [[noreturn]] void Wrong(const RegValue &v, const char *kind) const { FailAt(v.line, Describe(v) + " must be " + kind); }

private:
    const RegValue *Find(const char *name) {
        m_read.emplace_back(name);
        return m_node ? m_node->FindValue(name) : nullptr;
    }

    const RegNode *m_node;
    std::string m_path;
    std::vector<std::string> m_read;
};

uint32_t Flag(std::optional<uint32_t> v) { return v.value_or(0); }

void ReadVersion(FactKey key, VersionFacts &f) {
    f.fails = Flag(key.Dword("Fails")) != 0;
    f.major = key.Dword("MajorVersion").value_or(f.major);
    f.minor = key.Dword("MinorVersion").value_or(f.minor);
    f.build = key.Dword("BuildNumber").value_or(f.build);
    f.platform = key.Dword("PlatformId").value_or(f.platform);
    f.csd = key.Text("CSDVersion").value_or(f.csd);
    key.CheckKnown();
}

void ReadMemory(FactKey key, MemoryFacts &f) {
    f.memoryLoad = key.Dword("MemoryLoad");
    f.totalPhys = key.Dword("TotalPhys");
    f.availPhys = key.Dword("AvailPhys");
    f.totalPageFile = key.Dword("TotalPageFile");
    f.availPageFile = key.Dword("AvailPageFile");
    f.totalVirtual = key.Dword("TotalVirtual");
    f.availVirtual = key.Dword("AvailVirtual");
    key.CheckKnown();
}

void ReadSystem(FactKey key, SystemFacts &f) {
    f.processors = key.Dword("NumberOfProcessors");
    f.systemMask = key.Dword("SystemAffinityMask");
    f.processMask = key.Dword("ProcessAffinityMask");
    f.priorityClass = key.Dword("PriorityClass").value_or(f.priorityClass);
    key.CheckKnown();
}

void ReadLeaves(const FactKey &key, ProcessorFacts &f) {
    if (!key.Present()) return;
    for (const RegValue &v : key.Node()->Values()) {
        if (v.name.size() != 8 || !IsHexText(v.name, 0, 8)) {
            FailAt(v.line, "leaf names are eight hexadecimal digits, not \"" + v.name + "\"");
        }
        std::string text(v.data.begin(), v.data.end());
        text = text.substr(0, text.find('\0'));
        bool ok = v.type == kRegSz && text.size() == 35;
        for (size_t w = 0; ok && w < 4; ++w) {
            ok = IsHexText(text, w * 9, 8) && (w == 3 || text[w * 9 + 8] == ' ');
        }
        if (!ok) FailAt(v.line, key.Describe(v) + " must be four eight-digit hexadecimal words");
        std::array<uint32_t, 4> regs{};
        for (size_t w = 0; w < 4; ++w) regs[w] = static_cast<uint32_t>(std::stoul(text.substr(w * 9, 8), nullptr, 16));
        f.leaves[static_cast<uint32_t>(std::stoul(v.name, nullptr, 16))] = regs;
    }
    key.CheckSubkeys({});
}

void ReadProcessor(FactKey key, ProcessorFacts &f) {
    f.simulated = key.Present();
    if (!f.simulated) return;
    f.cpuidSupported = key.Dword("CpuidSupported").value_or(1) != 0;
    f.apicIds = key.Bytes("ApicIds");
    f.sseFault = Flag(key.Dword("SseFault"));
    f.sse2Fault = Flag(key.Dword("Sse2Fault"));
    f.mxcsrMask = key.Dword("MxcsrMask").value_or(f.mxcsrMask);
    f.tscKHz = Flag(key.Dword("TscKHz"));
    f.clockStart = Flag(key.Dword("ClockStart"));
    ReadLeaves(key.Subkey("Leaves"), f);
    key.CheckKnown({"Leaves"});
}

void ReadTimer(FactKey key, TimerFacts &f) {
    f.devCapsFails = Flag(key.Dword("DevCapsFails")) != 0;
    f.periodMin = key.Dword("PeriodMin").value_or(f.periodMin);
    f.periodMax = key.Dword("PeriodMax").value_or(f.periodMax);
    key.CheckKnown();
}

void ReadAdapters(FactKey key, AdaptersFacts &f) {
    f.result = Flag(key.Dword("Result"));
    f.fillResult = Flag(key.Dword("FillResult"));
    if (!key.Present()) return;
    for (const auto &sub : key.Node()->Subkeys()) {
        FactKey entry(sub.get(), key.Path() + "\\" + sub->Name());
        AdapterFacts a;
        a.name = entry.Text("AdapterName").value_or("");
        a.description = entry.Text("Description").value_or("");
        a.address = entry.Bytes("Address").value_or(std::vector<uint8_t>{});
        a.ipAddress = entry.Text("IpAddress").value_or("");
        if (a.address.size() > 8) FailAt(entry.Node()->FindValue("Address")->line, "an adapter address has at most 8 bytes");
        entry.CheckKnown();
        f.adapters.push_back(std::move(a));
    }
    // Every subkey is an adapter; only the values need checking.
    for (const RegValue &v : key.Node()->Values()) {
        if (!NamesEqual(v.name, "Result") && !NamesEqual(v.name, "FillResult")) FailAt(v.line, "unknown value " + key.Describe(v));
    }
}

void ReadNetbios(FactKey key, NetbiosFacts &f) {
    f.enumResult = static_cast<uint8_t>(Flag(key.Dword("EnumResult", 0xFF)));
    if (!key.Present()) return;
    for (const auto &sub : key.Node()->Subkeys()) {
        FactKey entry(sub.get(), key.Path() + "\\" + sub->Name());
        LanaFacts l;
        l.lana = static_cast<uint8_t>(Flag(entry.Dword("Lana", 0xFF)));
        std::vector<uint8_t> address = entry.Bytes("Address").value_or(std::vector<uint8_t>(6, 0));
        if (address.size() != 6) FailAt(entry.Node()->FindValue("Address")->line, "a LANA address has six bytes");
        std::copy(address.begin(), address.end(), l.address.begin());
        l.resetResult = static_cast<uint8_t>(Flag(entry.Dword("ResetResult", 0xFF)));
        l.statusResult = static_cast<uint8_t>(Flag(entry.Dword("StatusResult", 0xFF)));
        entry.CheckKnown();
        f.lanas.push_back(l);
    }
    for (const RegValue &v : key.Node()->Values()) {
        if (!NamesEqual(v.name, "EnumResult")) FailAt(v.line, "unknown value " + key.Describe(v));
    }
}

void ReadPrinterList(FactKey list, PrinterListFacts &f) {
    if (!list.Present()) return;
    for (const auto &sub : list.Node()->Subkeys()) {
        FactKey entry(sub.get(), list.Path() + "\\" + sub->Name());
        f.names.push_back(entry.Text("Name").value_or(""));
        entry.CheckKnown();
    }
    for (const RegValue &v : list.Node()->Values()) FailAt(v.line, "unknown value " + list.Describe(v));
}

void ReadPrinters(FactKey key, PrintersFacts &f) {
    f.defaults.error = Flag(key.Dword("DefaultError"));
    f.locals.error = Flag(key.Dword("LocalError"));
    f.defaults.retryError = Flag(key.Dword("DefaultRetryError"));
    f.locals.retryError = Flag(key.Dword("LocalRetryError"));
    ReadPrinterList(key.Subkey("Default"), f.defaults);
    ReadPrinterList(key.Subkey("Local"), f.locals);
    key.CheckKnown({"Default", "Local"});
}

int DriveLetter(char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return (c >= 'A' && c <= 'Z') ? c - 'A' : -1;
}

void ReadDrives(FactKey key, DrivesFacts &f) {
    std::optional<std::string> current, ready;
    if (key.Present()) {
        for (const RegValue &v : key.Node()->Values()) {
            if (v.name.size() == 1 && DriveLetter(v.name[0]) >= 0) {
                if (v.type != kRegDword || v.data.size() != 4) key.Wrong(v, "a dword");
                f.types[DriveLetter(v.name[0])] = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) |
                                                  (static_cast<uint32_t>(v.data[3]) << 24);
            } else if (NamesEqual(v.name, "Current")) {
                current = key.Text("Current");
                if (current->size() != 1 || DriveLetter((*current)[0]) < 0) FailAt(v.line, key.Describe(v) + " must be one drive letter");
            } else if (NamesEqual(v.name, "Ready")) {
                ready = key.Text("Ready");
                for (char c : *ready) {
                    if (DriveLetter(c) < 0) FailAt(v.line, key.Describe(v) + " must hold drive letters only");
                }
            } else {
                FailAt(v.line, "unknown value " + key.Describe(v));
            }
        }
        key.CheckSubkeys({});
    }
    if (current) f.current = DriveLetter((*current)[0]) + 1;
    f.readyMask = 0;
    if (ready) {
        for (char c : *ready) f.readyMask |= 1u << DriveLetter(c);
    } else {
        for (int i = 0; i < 26; ++i) {
            if (f.types[i] == 3 || f.types[i] == 4 || f.types[i] == 6) f.readyMask |= 1u << i;
        }
    }
}

}  // namespace

MachineFacts ReadFacts(const RegNode &simulation) {
    MachineFacts facts;
    FactKey root(&simulation, "HKEY_SIMULATION");
    ReadVersion(root.Subkey("Version"), facts.version);
    ReadMemory(root.Subkey("Memory"), facts.memory);
    ReadSystem(root.Subkey("System"), facts.system);
    ReadProcessor(root.Subkey("Processor"), facts.processor);
    ReadTimer(root.Subkey("Timer"), facts.timer);
    ReadAdapters(root.Subkey("Adapters"), facts.adapters);
    ReadNetbios(root.Subkey("NetBIOS"), facts.netbios);
    ReadPrinters(root.Subkey("Printers"), facts.printers);
    ReadDrives(root.Subkey("Drives"), facts.drives);
    root.CheckKnown({"Version", "Memory", "System", "Processor", "Timer", "Adapters", "NetBIOS", "Printers", "Drives"});
    return facts;
}

}  // namespace hs::sim
