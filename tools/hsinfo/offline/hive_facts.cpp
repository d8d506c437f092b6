#include "offline/hive_facts.h"

#include <cctype>
#include <cstdlib>
#include <map>

namespace hsinfo::offline {

namespace {

constexpr uint32_t kRegDword = 4;
constexpr char kProcessorClass[] = "{50127DC3-0F36-415E-A6CC-4CB3BE910B65}";
constexpr char kNetClass[] = "{4D36E972-E325-11CE-BFC1-08002BE10318}";

std::optional<uint32_t> Dword(const KeyCopy &key, const char *name) {
    const HiveValue *v = key.Value(name);
    if (v == nullptr || v->type != kRegDword || v->data.size() != 4) return std::nullopt;
    return v->data[0] | (v->data[1] << 8) | (v->data[2] << 16) | (static_cast<uint32_t>(v->data[3]) << 24);
}

// Leading decimal digits of a text; nullopt when it starts with none.
std::optional<uint32_t> Number(const std::string &text, size_t &at) {
    size_t start = at;
    uint64_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && value <= 0xFFFFFFFFu) {
        value = value * 10 + static_cast<uint64_t>(text[at++] - '0');
    }
    if (at == start || value > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<uint32_t>(value);
}

bool HasControl(const KeyCopy &instance) { return instance.Find("Control") != nullptr; }

bool Present(const KeyCopy *instance, bool marked) { return instance != nullptr && (!marked || HasControl(*instance)); }

// "\??\SCSI#CdRom&Ven_VBOX#4&8f5d389&0&010000#{...}": the instance path
// SCSI\CdRom&Ven_VBOX\4&8f5d389&0&010000, or "" for another form.
std::string InstancePath(const std::string &device) {
    if (device.size() < 4 || (device.compare(0, 4, "\\??\\") != 0 && device.compare(0, 4, "_??_") != 0)) return "";
    std::string parts[3];
    size_t start = 4;
    for (std::string &part : parts) {
        const size_t end = device.find('#', start);
        if (end == std::string::npos) return "";
        part = device.substr(start, end - start);
        start = end + 1;
    }
    return parts[0] + "\\" + parts[1] + "\\" + parts[2];
}

bool ContainsNoCase(const std::string &text, const std::string &part) {
    for (size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (NamesEqual(text.substr(i, part.size()), part)) return true;
    }
    return false;
}

// GetDriveTypeA's answer for the device behind a MountedDevices entry, 0
// when the entry does not tell.
uint32_t MountedDriveType(const std::vector<uint8_t> &data, std::string &instance) {
    if (data.size() == 12) return 3;  // disk signature and partition offset: a basic disk
    if (data.size() >= 8 && std::string(data.begin(), data.begin() + 8) == "DMIO:ID:") return 3;
    std::string path;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        if (data[i + 1] != 0 || data[i] == 0) break;  // the device paths are plain ASCII
        path += static_cast<char>(data[i]);
    }
    instance = InstancePath(path);
    if (instance.empty()) return 0;
    if (ContainsNoCase(path, "CdRom")) return 5;
    if (ContainsNoCase(path, "Floppy") || ContainsNoCase(path, "RemovableMedia") || ContainsNoCase(path, "USBSTOR")) {
        return 2;
    }
    return 0;
}

}  // namespace

std::optional<VersionFacts> NtVersion(const KeyCopy &currentVersion) {
    VersionFacts f;
    f.platform = 2;
    const std::optional<uint32_t> major = Dword(currentVersion, "CurrentMajorVersionNumber");
    const std::optional<uint32_t> minor = Dword(currentVersion, "CurrentMinorVersionNumber");
    if (major && minor) {
        f.major = *major;
        f.minor = *minor;
    } else {
        const std::string version = currentVersion.Text("CurrentVersion");
        size_t at = 0;
        const std::optional<uint32_t> ma = Number(version, at);
        if (!ma || at >= version.size() || version[at] != '.') return std::nullopt;
        ++at;
        const std::optional<uint32_t> mi = Number(version, at);
        if (!mi) return std::nullopt;
        f.major = *ma;
        f.minor = *mi;
    }
    std::string build = currentVersion.Text("CurrentBuildNumber");
    if (build.empty()) build = currentVersion.Text("CurrentBuild");
    size_t at = 0;
    f.build = Number(build, at).value_or(0);
    f.csd = currentVersion.Text("CSDVersion");
    f.source = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    return f;
}

std::optional<VersionFacts> Win9xVersion(const KeyCopy &currentVersion) {
    const std::string version = currentVersion.Text("VersionNumber");
    size_t at = 0;
    const std::optional<uint32_t> major = Number(version, at);
    if (!major || at >= version.size() || version[at] != '.') return std::nullopt;
    ++at;
    std::optional<uint32_t> minor = Number(version, at);
    if (!minor) return std::nullopt;
    uint32_t build = 0;
    if (at < version.size() && version[at] == '.') {
        ++at;
        build = Number(version, at).value_or(0);
    }
    VersionFacts f;
    f.platform = 1;
    f.major = *major;
    // Every Windows 95 release (4.00 to 4.03) answers minor version 0.
    f.minor = *minor < 10 ? 0 : *minor;
    // The 9x build word holds the version in its high half.
    f.build = (f.major << 24) | ((f.minor & 0xFF) << 16) | (build & 0xFFFF);
    f.csd = currentVersion.Text("SubVersionNumber");
    f.source = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    return f;
}

VersionFacts NtVersionFromLayout(const KeyCopy *enumTree) {
    VersionFacts f;
    f.platform = 2;
    f.major = 4;
    if (enumTree != nullptr) {
        for (const KeyCopy &enumerator : enumTree->subkeys) {
            if (!NamesEqual(enumerator.name, "Root") && !NamesEqual(enumerator.name, "HTREE")) f.major = 5;
        }
    }
    f.source = f.major == 5 ? "not recorded without SOFTWARE: 5.0, as the Plug and Play enumerators show"
                            : "not recorded without SOFTWARE: 4.0, as the lack of Plug and Play enumerators shows";
    return f;
}

std::optional<std::vector<ProcessorFacts>> Processors(const KeyCopy *enumTree, bool marked) {
    const KeyCopy *acpi = enumTree ? enumTree->Find("ACPI") : nullptr;
    if (acpi == nullptr) return std::nullopt;
    bool recorded = false;
    std::vector<ProcessorFacts> processors;
    for (const KeyCopy &device : acpi->subkeys) {
        for (const KeyCopy &instance : device.subkeys) {
            if (!NamesEqual(instance.Text("Class"), "Processor") &&
                !NamesEqual(instance.Text("ClassGUID"), kProcessorClass)) {
                continue;
            }
            recorded = true;
            if (!Present(&instance, marked)) continue;
            ProcessorFacts p;
            p.name = instance.Text("FriendlyName");
            if (p.name.empty()) p.name = instance.Text("DeviceDesc");
            const size_t dash = device.name.find("_-_");
            if (dash != std::string::npos) p.vendor = device.name.substr(0, dash);
            processors.push_back(std::move(p));
        }
    }
    if (!recorded) return std::nullopt;
    return processors;
}

std::optional<std::vector<AdapterFacts>> Adapters(const KeyCopy *netClass, const KeyCopy *interfaces,
                                                  const KeyCopy *enumTree) {
    if (netClass == nullptr || interfaces == nullptr || enumTree == nullptr) return std::nullopt;
    // Before Windows Vista the class instance does not name its device
    // instance; the device instance names its class instance ("Driver").
    std::map<std::string, const KeyCopy *> byDriver;
    for (const KeyCopy &enumerator : enumTree->subkeys) {
        for (const KeyCopy &device : enumerator.subkeys) {
            for (const KeyCopy &instance : device.subkeys) {
                std::string driver = instance.Text("Driver");
                for (char &c : driver) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                if (!driver.empty()) byDriver.emplace(driver, &instance);
            }
        }
    }
    std::vector<AdapterFacts> adapters;
    for (const KeyCopy &entry : netClass->subkeys) {
        AdapterFacts a;
        a.name = entry.Text("NetCfgInstanceId");
        const KeyCopy *binding = a.name.empty() ? nullptr : interfaces->Find(a.name);
        if (binding == nullptr) continue;
        const std::string instancePath = entry.Text("DeviceInstanceID");
        const KeyCopy *instance = nullptr;
        if (!instancePath.empty()) {
            instance = enumTree->FindPath(instancePath);
        } else {
            std::string driver = std::string(kNetClass) + "\\" + entry.name;
            for (char &c : driver) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const auto found = byDriver.find(driver);
            if (found != byDriver.end()) instance = found->second;
        }
        if (!Present(instance, true)) continue;
        a.description = entry.Text("DriverDesc");
        const std::optional<uint32_t> dhcp = Dword(*binding, "EnableDHCP");
        a.ipAddress = binding->Text(dhcp && *dhcp != 0 ? "DhcpIPAddress" : "IPAddress");
        adapters.push_back(std::move(a));
    }
    return adapters;
}

std::optional<std::vector<DriveFacts>> NtDriveLetters(const KeyCopy *mountedDevices, const KeyCopy *enumTree) {
    if (mountedDevices == nullptr) return std::nullopt;
    std::vector<DriveFacts> drives;
    for (const HiveValue &v : mountedDevices->values) {
        // "\DosDevices\C:"
        if (v.name.size() != 14 || !NamesEqual(v.name.substr(0, 12), "\\DosDevices\\") || v.name[13] != ':') continue;
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(v.name[12])));
        if (letter < 'A' || letter > 'Z') continue;
        std::string instancePath;
        const uint32_t type = MountedDriveType(v.data, instancePath);
        if (type == 0) continue;
        const KeyCopy *instance = (enumTree && !instancePath.empty()) ? enumTree->FindPath(instancePath) : nullptr;
        if (instance != nullptr && !HasControl(*instance)) continue;
        drives.push_back({letter, type});
    }
    return drives;
}

std::optional<std::vector<DriveFacts>> Win9xDriveLetters(const KeyCopy *enumTree) {
    if (enumTree == nullptr) return std::nullopt;
    std::vector<DriveFacts> drives;
    for (const char *root : {"ESDI", "SCSI", "FLOP"}) {
        const KeyCopy *enumerator = enumTree->Find(root);
        if (enumerator == nullptr) continue;
        for (const KeyCopy &device : enumerator->subkeys) {
            for (const KeyCopy &instance : device.subkeys) {
                const std::string cls = instance.Text("Class");
                uint32_t type = 0;
                if (NamesEqual(cls, "CDROM")) {
                    type = 5;
                } else if (NamesEqual(cls, "DiskDrive")) {
                    const HiveValue *removable = instance.Value("Removable");
                    bool isRemovable = NamesEqual(root, "FLOP");
                    for (size_t i = 0; removable && i < removable->data.size(); ++i)
                        isRemovable |= removable->data[i] != 0;
                    type = isRemovable ? 2 : 3;
                }
                if (type == 0) continue;
                for (char c : instance.Text("CurrentDriveLetterAssignment")) {
                    if (c >= 'A' && c <= 'Z') drives.push_back({c, type});
                }
            }
        }
    }
    return drives;
}

std::optional<PrinterFacts> Printers(const KeyCopy *printersKey, const std::string &defaultPrinter) {
    if (printersKey == nullptr) return std::nullopt;
    PrinterFacts p;
    for (const KeyCopy &printer : printersKey->subkeys) {
        p.locals.push_back(printer.name);
        if (!defaultPrinter.empty() && NamesEqual(printer.name, defaultPrinter)) p.defaults.push_back(printer.name);
    }
    return p;
}

}  // namespace hsinfo::offline
