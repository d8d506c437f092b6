// Simulated machines built from the fuzzer's bytes: registry keys under the
// paths the library reads, values of every type and length (names up to 255
// characters and past, text without a terminating NUL, thousands of
// subkeys), every platform id and major version, adapters, NetBIOS
// adapters, printers and drives. Every export runs over each machine with a
// fresh collector; the results must come from each export's set, the drive
// and device lists must pair up, and text fields must be padded with zero
// bytes and keep their last byte.
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "api/inventory.h"
#include "hardscan.h"
#include "platform/sim/sim_machine.h"

namespace {

// The fuzzer's bytes, read front to back; zeros once they run out.
class ByteSource {
public:
    ByteSource(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_pos >= m_size; }
    uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint32_t Word() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = value << 8 | Byte();
        return value;
    }
    // A length: mostly short, sometimes around 255, sometimes long.
    size_t Length() {
        const uint8_t kind = Byte();
        switch (kind % 8) {
            case 0: return 254 + Byte() % 4;
            case 1: return 256 + Byte() * 4;
            case 2: return 0;
            default: return Byte() % 40;
        }
    }
    // Text bytes that the profile format can carry inside quotes.
    std::string Text(size_t length) {
        std::string text;
        for (size_t i = 0; i < length; ++i) {
            uint8_t c = Empty() ? static_cast<uint8_t>('a' + i % 26) : Byte();
            if (c < 0x20 || c == 0x7F) c = static_cast<uint8_t>('A' + c % 26);
            text += static_cast<char>(c);
        }
        return text;
    }
    // A key name: no backslash and no brackets.
    std::string Name(size_t length) {
        std::string name = Text(length);
        for (char &c : name) {
            if (c == '\\' || c == '[' || c == ']' || c == '"') c = '_';
        }
        return name;
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

std::string Quoted(const std::string &text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string HexList(const std::vector<uint8_t> &bytes) {
    std::string out;
    char digits[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        if (i > 0) out += (i % 24 == 0) ? ",\\\n  " : ",";
        out += digits;
    }
    return out;
}

std::string Dword(uint32_t value) {
    char text[20];
    std::snprintf(text, sizeof text, "dword:%08x", value);
    return text;
}

const char *const kKeyPaths[] = {
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers.desc",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
    "SYSTEM\\CurrentControlSet\\Enum",
    "SYSTEM\\CurrentControlSet\\Enum\\PCI",
    "SYSTEM\\CurrentControlSet\\Enum\\USB",
    "SYSTEM\\CurrentControlSet\\Enum\\ACPI",
    "SYSTEM\\CurrentControlSet\\Enum\\IDE",
    "SYSTEM\\CurrentControlSet\\Enum\\SCSI",
    "SYSTEM\\CurrentControlSet\\Enum\\Root",
    "SYSTEM\\CurrentControlSet\\Enum\\FDC",
    "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY",
    "SYSTEM\\CurrentControlSet\\Enum\\Serenum",
    "SYSTEM\\CurrentControlSet\\Services\\Class\\Display\\0000",
    "SYSTEM\\CurrentControlSet\\Services\\Class\\Keyboard\\0000",
    "SYSTEM\\CurrentControlSet\\Services\\Class\\Monitor",
    "SYSTEM\\CurrentControlSet\\Services\\Class\\Mouse\\0000",
    "HARDWARE\\DEVICEMAP\\Scsi",
    "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
    "Enum",
    "Enum\\PCI",
    "Enum\\USB",
    "Enum\\SCSI",
    "Enum\\ESDI",
    "Enum\\FLOP",
    "Enum\\BIOS",
    "Enum\\MONITOR",
    "Enum\\PCI\\VEN_1274&DEV_5880&SUBSYS_20001274&REV_02\\BUS_00&DEV_0A&FUNC_00",
};

const char *const kValueNames[] = {
    "ProductName", "CurrentVersion", "CurrentBuildNumber", "CSDVersion", "RegisteredOwner",
    "RegisteredOrganization", "DefaultUserName", "AltDefaultUserName", "ComputerName", "ClassGUID", "Class",
    "FriendlyName", "DeviceDesc", "DriverDesc", "DisplayName", "UninstallString", "Driver", "MatchingDeviceId",
    "CurrentDriveLetterAssignment", "Type", "Identifier", "VersionNumber", "~MHz", "VendorIdentifier", "wave",
    "Target Id", "ParentKeyName", "HardwareID", "Mfg", "DriverName",
};

const char *const kClassGuids[] = {
    "{4D36E967-E325-11CE-BFC1-08002BE10318}", "{4D36E980-E325-11CE-BFC1-08002BE10318}",
    "{4D36E965-E325-11CE-BFC1-08002BE10318}", "{36FC9E60-C465-11CF-8056-444553540000}",
    "{4D36E968-E325-11CE-BFC1-08002BE10318}", "{4D36E96B-E325-11CE-BFC1-08002BE10318}",
    "{4D36E96C-E325-11CE-BFC1-08002BE10318}", "{4D36E96D-E325-11CE-BFC1-08002BE10318}",
    "{4D36E96E-E325-11CE-BFC1-08002BE10318}", "{4D36E96F-E325-11CE-BFC1-08002BE10318}",
    "{4D36E97B-E325-11CE-BFC1-08002BE10318}", "{4d36e972-e325-11ce-bfc1-08002be10318}",
};

const char *const kClassWords[] = {"DiskDrive", "FloppyDisk", "CDROM", "USB", "Display", "Keyboard", "MEDIA",
                                   "Modem", "Monitor", "Mouse", "SCSIAdapter", "Net", "Printer", "Ports"};

const uint32_t kLeaves[] = {0x0, 0x1, 0x2, 0x4, 0xB, 0x80000000, 0x80000001, 0x80000002, 0x80000003, 0x80000004,
                            0x80000005, 0x80000006};

std::vector<uint8_t> Bytes(ByteSource &in, size_t n) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < n; ++i) bytes.push_back(in.Byte());
    return bytes;
}

template <typename T, size_t N>
const T &Pick(ByteSource &in, const T (&table)[N]) {
    return table[in.Byte() % N];
}

// One value of any type into the current key.
std::string AnyValue(ByteSource &in) {
    std::string name;
    const uint8_t how = in.Byte();
    if (how % 4 == 0) {
        name = in.Text(in.Length());
    } else if (how % 4 == 1) {
        name = "@";
    } else {
        name = Pick(in, kValueNames);
    }
    const std::string left = name == "@" ? "@=" : Quoted(name) + "=";
    const uint8_t kind = in.Byte() % 9;
    if (kind >= 1 && kind <= 4) {
        // Binary data: text without a terminating NUL or with NULs inside
        // (type 1), other numbered types, or plain hex.
        const std::vector<uint8_t> bytes = Bytes(in, in.Length());
        const uint8_t types[] = {0, 2, 3, 4, 7, 0xb, 5, 8};
        char prefix[16] = "hex:";
        if (kind < 4) std::snprintf(prefix, sizeof prefix, "hex(%x):", kind == 1 ? 1 : types[in.Byte() % 8]);
        return left + prefix + HexList(bytes) + "\n";
    }
    switch (kind) {
        case 0: return left + Dword(in.Word()) + "\n";
        case 5: return left + Quoted(Pick(in, kClassGuids)) + "\n";
        case 6: return left + Quoted(Pick(in, kClassWords)) + "\n";
        default: return left + Quoted(in.Text(in.Length())) + "\n";
    }
}

std::string Key(const std::string &path) { return "[HKEY_LOCAL_MACHINE\\" + path + "]\n"; }

// A device instance below an enumerator, possibly started.
std::string Instance(ByteSource &in) {
    const std::string path = std::string(Pick(in, kKeyPaths)) + "\\" + in.Name(1 + in.Byte() % 12) + "\\" +
                             in.Name(1 + in.Byte() % 6);
    std::string text = Key(path);
    const uint8_t flags = in.Byte();
    if (flags & 1) text += "\"ClassGUID\"=" + Quoted(Pick(in, kClassGuids)) + "\n";
    if (flags & 2) text += "\"Class\"=" + Quoted(Pick(in, kClassWords)) + "\n";
    if (flags & 4) text += "\"FriendlyName\"=" + Quoted(in.Text(in.Length())) + "\n";
    if (flags & 8) text += "\"DeviceDesc\"=" + Quoted(in.Text(in.Length())) + "\n";
    if (flags & 16) text += AnyValue(in);
    if (flags & 32) text += Key(path + "\\Control");
    if (flags & 64) text += Key(path + "\\" + in.Name(in.Byte() % 8 + 1));
    return text;
}

std::string Machine(ByteSource &in) {
    std::string text = "REGEDIT4\n\n";
    // Version: every platform id and major version.
    const uint8_t platform = in.Byte() % 5;
    const uint8_t major = in.Byte() % 8;
    char version[256];
    std::snprintf(version, sizeof version,
                  "[HKEY_SIMULATION\\Version]\n\"MajorVersion\"=dword:%08x\n\"MinorVersion\"=dword:%08x\n"
                  "\"BuildNumber\"=dword:%08x\n\"PlatformId\"=dword:%08x\n",
                  major, in.Byte() % 100, in.Word() & 0xFFFF, platform);
    text += version;
    text += "\"CSDVersion\"=" + Quoted(in.Text(in.Length())) + "\n";
    if (in.Byte() % 16 == 0) text += "\"Fails\"=dword:00000001\n";

    // The processor is always simulated, so that no build of the collector
    // measures the real clock.
    const uint8_t cpus = in.Byte() % 4 + 1;
    char system[256];
    std::snprintf(system, sizeof system,
                  "[HKEY_SIMULATION\\System]\n\"NumberOfProcessors\"=dword:%08x\n\"SystemAffinityMask\"=dword:%08x\n"
                  "\"ProcessAffinityMask\"=dword:%08x\n",
                  cpus, (1u << cpus) - 1, (1u << cpus) - 1);
    text += system;
    text += "[HKEY_SIMULATION\\Processor]\n\"TscKHz\"=" + Dword(1000 + in.Word() % 4000000) + "\n";
    if (in.Byte() % 8 == 0) text += "\"CpuidSupported\"=dword:00000000\n";
    text += "[HKEY_SIMULATION\\Processor\\Leaves]\n";
    text += "\"00000000\"=\"00000006 756e6547 6c65746e 49656e69\"\n";
    text += "\"00000001\"=\"00000683 00000002 00000000 0387f9ff\"\n";

    int adapters = 0, lanas = 0, printers = 0;
    while (!in.Empty()) {
        switch (in.Byte() % 14) {
            case 0:
            case 1: {
                // A key under a path the library reads, with values.
                std::string path = Pick(in, kKeyPaths);
                if (in.Byte() % 2) path += "\\" + in.Name(in.Length());
                text += Key(path);
                const int values = in.Byte() % 6;
                for (int i = 0; i < values; ++i) text += AnyValue(in);
                break;
            }
            case 2:
                text += AnyValue(in);
                break;
            case 3: {
                // Thousands of subkeys.
                const std::string path = Pick(in, kKeyPaths);
                const int count = 1 + (in.Byte() << 4 | in.Byte() % 16);
                const bool withValue = in.Byte() % 2;
                for (int i = 0; i < count; ++i) {
                    char name[16];
                    std::snprintf(name, sizeof name, "%04d", i);
                    text += Key(path + "\\" + name);
                    if (withValue) text += "\"DisplayName\"=\"n\"\n\"ClassGUID\"=" + Quoted(kClassGuids[i % 12]) + "\n";
                }
                break;
            }
            case 4:
            case 5:
                text += Instance(in);
                break;
            case 6: {
                char key[64];
                std::snprintf(key, sizeof key, "[HKEY_SIMULATION\\Adapters\\%03d]\n", adapters++);
                text += key;
                text += "\"AdapterName\"=" + Quoted(in.Text(in.Length())) + "\n";
                text += "\"Description\"=" + Quoted(in.Text(in.Length())) + "\n";
                const std::vector<uint8_t> address = Bytes(in, in.Byte() % 10);
                if (!address.empty()) text += "\"Address\"=hex:" + HexList(address) + "\n";
                const uint8_t ip = in.Byte();
                text += "\"IpAddress\"=" +
                        Quoted(ip % 3 == 0 ? "0.0.0.0" : ip % 3 == 1 ? in.Text(in.Byte() % 20) : "10.1.2.3") + "\n";
                break;
            }
            case 7: {
                char key[64];
                std::snprintf(key, sizeof key, "[HKEY_SIMULATION\\NetBIOS\\%03d]\n", lanas++);
                text += key;
                text += "\"Lana\"=" + Dword(in.Byte()) + "\n";
                std::vector<uint8_t> address;
                const size_t n = in.Byte() % 3 == 0 ? in.Byte() % 9 : 6;
                const bool placeholder = in.Byte() % 4 == 0;
                for (size_t i = 0; i < n; ++i) address.push_back(placeholder && i < 6 ? "DEST\0\0"[i] : in.Byte());
                if (!address.empty()) text += "\"Address\"=hex:" + HexList(address) + "\n";
                if (in.Byte() % 8 == 0) text += "\"ResetResult\"=" + Dword(in.Byte()) + "\n";
                if (in.Byte() % 8 == 0) text += "\"StatusResult\"=" + Dword(in.Byte()) + "\n";
                break;
            }
            case 8: {
                char key[64];
                std::snprintf(key, sizeof key, "[HKEY_SIMULATION\\Printers\\%s\\%03d]\n",
                              in.Byte() % 2 ? "Local" : "Default", printers++);
                text += key;
                text += "\"Name\"=" + Quoted(in.Text(in.Length())) + "\n";
                break;
            }
            case 9: {
                char drive[80];
                std::snprintf(drive, sizeof drive, "[HKEY_SIMULATION\\Drives]\n\"%c\"=dword:%08x\n",
                              'A' + in.Byte() % 26, in.Byte() % 8);
                text += drive;
                break;
            }
            case 10: {
                // Failures of the machine's services.
                const char *const failures[] = {
                    "[HKEY_SIMULATION\\Adapters]\n\"Result\"=", "[HKEY_SIMULATION\\Adapters]\n\"FillResult\"=",
                    "[HKEY_SIMULATION\\NetBIOS]\n\"EnumResult\"=", "[HKEY_SIMULATION\\Printers]\n\"DefaultError\"=",
                    "[HKEY_SIMULATION\\Printers]\n\"LocalError\"=",
                    "[HKEY_SIMULATION\\Printers]\n\"LocalRetryError\"=",
                    "[HKEY_SIMULATION\\Timer]\n\"DevCapsFails\"="};
                text += std::string(Pick(in, failures)) + Dword(in.Byte() % 3 == 0 ? 0 : in.Byte()) + "\n";
                break;
            }
            case 11: {
                char leaf[128];
                std::snprintf(leaf, sizeof leaf,
                              "[HKEY_SIMULATION\\Processor\\Leaves]\n\"%08x\"=\"%08x %08x %08x %08x\"\n",
                              Pick(in, kLeaves), in.Word(), in.Word(), in.Word(), in.Word());
                text += leaf;
                break;
            }
            case 12: {
                // An installed program.
                text += Key("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + in.Name(in.Length()));
                if (in.Byte() % 4) text += "\"DisplayName\"=" + Quoted(in.Text(in.Length())) + "\n";
                if (in.Byte() % 4) text += "\"UninstallString\"=" + Quoted(in.Text(in.Byte() % 8)) + "\n";
                break;
            }
            default: {
                // A deleted key or value.
                if (in.Byte() % 2) {
                    text += "[-HKEY_LOCAL_MACHINE\\" + std::string(Pick(in, kKeyPaths)) + "]\n";
                } else {
                    text += Key(Pick(in, kKeyPaths)) + Quoted(Pick(in, kValueNames)) + "=-\n";
                }
                break;
            }
        }
    }
    return text;
}

// Caller memory below 4 GiB, so that 32-bit record addresses name it, filled
// with a canary byte.
class LowMemory {
public:
    static constexpr uint8_t kCanary = 0xCD;
    explicit LowMemory(size_t size) : m_size(size == 0 ? 1 : size) {
        void *p = mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
        if (p == MAP_FAILED) std::abort();
        m_data = static_cast<uint8_t *>(p);
        std::memset(m_data, kCanary, m_size);
    }
    ~LowMemory() { munmap(m_data, m_size); }
    LowMemory(const LowMemory &) = delete;
    LowMemory &operator=(const LowMemory &) = delete;
    uint8_t *Data() const { return m_data; }
    uint32_t Address32() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_data)); }

private:
    size_t m_size;
    uint8_t *m_data;
};

void Require(bool condition, const char *what) {
    if (!condition) {
        std::fprintf(stderr, "machine_fuzzer: %s\n", what);
        std::abort();
    }
}

bool IsBufferResult(uint32_t result) { return result == 0 || result == 9 || result == 111 || result == 232; }

// A text field that an export filled: text, then zero bytes up to its limit,
// and the last byte as the caller left it.
void CheckField(const uint8_t *field, size_t width, bool lastKept = true) {
    const size_t limit = width - 1;
    size_t i = 0;
    while (i < limit && field[i] != 0) ++i;
    for (; i < limit; ++i) Require(field[i] == 0, "text field not padded with zero bytes");
    if (lastKept) Require(field[limit] == LowMemory::kCanary, "last byte of a text field written");
}

// Records of a chained export: the query's size, a fill of exactly that
// size, fields checked.
// Text fields of a record: offset and width.
using Fields = std::vector<std::pair<size_t, size_t>>;

template <typename Record>
uint32_t QueryAndFill(uint32_t (*exportFn)(Record *, uint32_t *), const Fields &fields) {
    uint32_t size = 0;
    const uint32_t query = exportFn(nullptr, &size);
    Require(query == 111, "size query did not answer 111");
    Require(size % sizeof(Record) == 0, "size query not a whole number of records");
    LowMemory memory(size + sizeof(Record));
    uint32_t given = size;
    const uint32_t fill = exportFn(reinterpret_cast<Record *>(memory.Data()), &given);
    Require(IsBufferResult(fill), "buffer export result outside 0, 9, 111, 232");
    if (fill == 0) {
        const size_t records = size / sizeof(Record);
        for (size_t r = 0; r < records; ++r) {
            const uint8_t *record = memory.Data() + r * sizeof(Record);
            for (const auto &f : fields) CheckField(record + f.first, f.second);
        }
    }
    // Nothing past the records the size allowed.
    for (size_t i = size; i < size + sizeof(Record); ++i) {
        Require(memory.Data()[i] == LowMemory::kCanary, "byte past the buffer written");
    }
    return size;
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
    {
        // The adapter export checks one record per list entry, possibly more
        // than it writes: room for every entry.
        uint32_t size = 0;
        const uint32_t query = HsiGetAdapterInfo(nullptr, &size);
        Require(query == 0 || query == 111, "adapter size query outside 0, 111");
        LowMemory memory(size + 1024 * sizeof(IPADAPTERINFO));
        const uint32_t fill = HsiGetAdapterInfo(reinterpret_cast<IPADAPTERINFO *>(memory.Data()), &size);
        Require(IsBufferResult(fill), "adapter export result outside 0, 9, 111, 232");
        if (fill == 0 && query == 111) {
            for (size_t r = 0; r < size / sizeof(IPADAPTERINFO); ++r) {
                const uint8_t *record = memory.Data() + r * sizeof(IPADAPTERINFO);
                CheckField(record + offsetof(IPADAPTERINFO, mac), 16);
                CheckField(record + offsetof(IPADAPTERINFO, ipAddress), 16);
                Require(record[offsetof(IPADAPTERINFO, adapterName) + 259] == LowMemory::kCanary,
                        "last byte of adapterName written");
                Require(record[offsetof(IPADAPTERINFO, description) + 131] == LowMemory::kCanary,
                        "last byte of description written");
            }
        }
    }
    {
        LowMemory memory(sizeof(COMMONINFO));
        const int32_t result = HsiGetCommonInfo(reinterpret_cast<COMMONINFO *>(memory.Data()));
        Require(result == 0 || result == 1, "common info result outside 0, 1");
        const size_t fields[] = {32, 292, 552, 812, 1072};
        for (size_t f : fields) CheckField(memory.Data() + f, 260);
    }
    {
        LowMemory memory(sizeof(NETUSERINFO));
        const int32_t result = HsiGetNetUserInfo(reinterpret_cast<NETUSERINFO *>(memory.Data()));
        Require(result == 0 || result == 1 || result == 111, "net user result outside 0, 1, 111");
        if (result == 1) {
            CheckField(memory.Data() + offsetof(NETUSERINFO, computerName), 260);
            CheckField(memory.Data() + offsetof(NETUSERINFO, userName), 260);
        }
        for (size_t i = 0; i < 4; ++i) Require(memory.Data()[i] == LowMemory::kCanary, "reserved bytes written");
    }
    // The list calls over as many records as the counts name.
    auto list = [](auto fn, auto *header, int32_t count, const LowMemory &records) {
        header->records = records.Address32();
        const int32_t result = fn(header, count);
        Require(result == 0 || result == 1, "list call result outside 0, 1");
        return result;
    };
    {
        const int32_t count = HsiGetCpuCount();
        LowMemory header(sizeof(INFOLIST)), records((count > 0 ? count : 1) * sizeof(CPUINFO));
        list(HsiGetCpuInfoEx, reinterpret_cast<INFOLIST *>(header.Data()), count, records);
    }
    {
        LowMemory header(sizeof(INFOLIST)), records((nets > 0 ? nets : 1) * sizeof(NETINFO));
        if (list(HsiGetNetInfoEx, reinterpret_cast<INFOLIST *>(header.Data()), nets, records) == 1) {
            for (int32_t r = 0; r < nets; ++r) {
                const uint8_t *record = records.Data() + static_cast<size_t>(r) * sizeof(NETINFO);
                CheckField(record + offsetof(NETINFO, ipText), 32);
                CheckField(record + offsetof(NETINFO, mac), 32);
            }
        }
    }
    {
        LowMemory header(sizeof(SOFTWAREINFOLIST)), records((programs > 0 ? programs : 1) * sizeof(SOFTWAREINFO));
        if (list(HsiGetSoftwareInfoEx, reinterpret_cast<SOFTWAREINFOLIST *>(header.Data()), programs, records) == 1)
            CheckField(header.Data() + offsetof(SOFTWAREINFOLIST, category), 32);
    }
    {
        LowMemory header(sizeof(SYSINFOHEADER) + 4);
        uint32_t total = 0;
        const uint32_t query = HsiGetSysInfo(reinterpret_cast<SYSINFOHEADER *>(header.Data()), &total);
        Require(query == 111, "system information size query did not answer 111");
        LowMemory block(sizeof(SYSINFOHEADER) + total + 64);
        std::memcpy(block.Data(), header.Data(), sizeof(SYSINFOHEADER));
        const uint32_t fill = HsiGetSysInfo(reinterpret_cast<SYSINFOHEADER *>(block.Data()), &total);
        Require(IsBufferResult(fill), "system information result outside 0, 9, 111, 232");
        for (size_t i = 0; i < 64; ++i) {
            Require(block.Data()[sizeof(SYSINFOHEADER) + total + i] == LowMemory::kCanary,
                    "byte past the system information block written");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    ByteSource in(data, size);
    const std::string profile = Machine(in);
    try {
        hs::sim::LoadMachine(profile);
    } catch (const hs::sim::ProfileError &) {
        return 0;
    }
    // A fresh collector over the machine: its platform id and adapter
    // buffer start anew.
    hs::g_inventory.~CInventory();
    new (&hs::g_inventory) hs::CInventory();
    RunExports();
    return 0;
}
