// The GLPI inventory document (docs/glpi.md): the records' facts under the
// names GLPI's inventory format gives them, texts decoded from Windows-1252.
#include "glpi_output.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include <nlohmann/json.hpp>

#include "glpi_fields.h"
#include "output.h"

#ifndef HS_VERSION
#error "HS_VERSION (the project's version) must be defined"
#endif

namespace hsinfo {

namespace {

using nlohmann::ordered_json;

bool Failed(const Inventory &inv, const char *family) {
    return std::any_of(inv.failures.begin(), inv.failures.end(),
                       [&](const Failure &f) { return f.family == family; });
}

// A family whose records the document can use: asked for and read.
bool Usable(const Inventory &inv, const std::vector<std::string> &families, const char *family) {
    return Wanted(families, family) && !Failed(inv, family);
}

// "NAME-YYYY-MM-DD-HH-MM-SS", the device id GLPI agents form.
std::string DeviceId(const std::string &computerName, const InventoryTime &t) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "-%04d-%02d-%02d-%02d-%02d-%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return computerName + stamp;
}

std::string ComputerName(const Inventory &inv) {
    if (inv.haveCommon) return FieldText(inv.common.computerName);
    if (inv.haveUser) return FieldText(inv.user.computerName);
    return "";
}

ordered_json Cpus(const Inventory &inv) {
    ordered_json list = ordered_json::array();
    for (const CPUINFO &c : inv.cpus) {
        ordered_json cpu = {{"name", FieldText(c.name)}, {"manufacturer", ManufacturerOfVendor(FieldText(c.vendor))}};
        const uint32_t speed = c.speed;
        if (speed != 0) cpu["speed"] = speed;
        list.push_back(cpu);
    }
    return list;
}

ordered_json Hardware(const COMMONINFO &c) {
    const uint32_t totalPhys = c.memoryStatus.dwTotalPhys;
    return {{"name", FieldText(c.computerName)},
            {"memory", totalPhys / (1024 * 1024)},
            {"lastloggeduser", FieldText(c.userName)},
            {"winowner", FieldText(c.registeredOwner)},
            {"wincompany", FieldText(c.registeredOrganization)}};
}

ordered_json OperatingSystem(const COMMONINFO &c) {
    const OsDescriptionParts os = SplitOsDescription(FieldText(c.osDescription));
    ordered_json doc = {{"full_name", os.product}};
    if (!os.version.empty()) doc["version"] = os.version;
    if (!os.build.empty()) doc["kernel_version"] = os.version + "." + os.build;
    if (!os.servicePack.empty()) doc["service_pack"] = os.servicePack;
    return doc;
}

ordered_json Network(const std::string &description, const std::string &macDigits, const std::string &ip) {
    ordered_json net = {{"description", description}};
    if (IsDottedQuad(ip)) net["ipaddress"] = ip;
    const std::string mac = ColonMac(macDigits);
    if (!mac.empty()) net["mac"] = mac;
    return net;
}

// The adapters, then each network card of the device list that is not one of
// them: both come from the same adapter list, so a card whose description
// matches an adapter not yet paired is that adapter.
ordered_json Networks(const Inventory &inv, bool adapters, bool devices) {
    ordered_json list = ordered_json::array();
    std::vector<std::string> unpaired;
    if (adapters) {
        for (const IPADAPTERINFO &a : inv.adapters) {
            list.push_back(Network(FieldText(a.description), FieldText(a.mac), FieldText(a.ipAddress)));
            unpaired.push_back(FieldText(a.description));
        }
    }
    if (devices) {
        for (const DEVICEINFO &d : inv.devices) {
            if (FieldText(d.type) != "Net") continue;
            const std::string description = FieldText(d.description);
            const auto match = std::find(unpaired.begin(), unpaired.end(), description);
            if (match != unpaired.end()) {
                unpaired.erase(match);
            } else {
                list.push_back(Network(description, "", ""));
            }
        }
    }
    return list;
}

ordered_json Softwares(const Inventory &inv) {
    ordered_json list = ordered_json::array();
    for (const SOFTWAREINFO &s : inv.software) list.push_back({{"name", FieldText(s.displayName)}});
    return list;
}

ordered_json Storages(const Inventory &inv) {
    ordered_json list = ordered_json::array();
    for (const DRIVERINFO &d : inv.drives) {
        const std::string description = FieldText(d.description);
        list.push_back({{"name", description}, {"model", description}, {"type", FieldText(d.type)}});
    }
    return list;
}

// Where each device kind goes: the section, whether that section names a
// device by caption too, and the type it gives (none when empty).
struct DeviceSection {
    const char *section;
    bool caption;
    const char *type;
};

const std::map<std::string, DeviceSection> &DeviceSections() {
    static const std::map<std::string, DeviceSection> sections = {
        {"Display", {"videos", false, ""}},       {"Monitor", {"monitors", true, ""}},
        {"Printer", {"printers", false, ""}},     {"Mouse", {"inputs", true, "Pointing"}},
        {"Keyboard", {"inputs", true, "Keyboard"}}, {"MEDIA", {"sounds", true, ""}},
        {"USB", {"usbdevices", true, ""}},        {"SCSI", {"controllers", true, "SCSI"}},
        {"Modem", {"modems", false, ""}},
    };
    return sections;
}

// The device sections in document order, each an array (empty when the
// machine has no device of its kinds).
void AddDevices(ordered_json &content, const Inventory &inv) {
    for (const char *name : {"videos", "monitors", "printers", "inputs", "sounds", "usbdevices", "controllers",
                             "modems"}) {
        content[name] = ordered_json::array();
    }
    for (const DEVICEINFO &d : inv.devices) {
        const auto kind = DeviceSections().find(FieldText(d.type));
        if (kind == DeviceSections().end()) continue;  // "Net": with the adapters
        const DeviceSection &s = kind->second;
        const std::string description = FieldText(d.description);
        ordered_json device = {{"name", description}};
        if (s.caption) device["caption"] = description;
        if (*s.type != '\0') device["type"] = s.type;
        content[s.section].push_back(device);
    }
}

}  // namespace

void PrintGlpi(std::ostream &out, std::ostream &notes, const Inventory &inv,
               const std::vector<std::string> &families, const InventoryTime &time) {
    ordered_json content;
    content["versionclient"] = std::string("hsinfo_v") + HS_VERSION;
    if (Wanted(families, "common") && inv.haveCommon) {
        content["hardware"] = Hardware(inv.common);
        content["operatingsystem"] = OperatingSystem(inv.common);
    }
    if (Usable(inv, families, "cpu")) content["cpus"] = Cpus(inv);
    const bool adapters = Usable(inv, families, "adapters");
    const bool devices = Usable(inv, families, "devices");
    if (adapters || devices) content["networks"] = Networks(inv, adapters, devices);
    if (Usable(inv, families, "software")) content["softwares"] = Softwares(inv);
    if (Usable(inv, families, "drives")) content["storages"] = Storages(inv);
    if (devices) AddDevices(content, inv);

    ordered_json doc;
    doc["deviceid"] = DeviceId(ComputerName(inv), time);
    doc["itemtype"] = "Computer";
    doc["action"] = "inventory";
    doc["content"] = content;
    out << doc.dump(2) << "\n";
    for (const Failure &f : inv.failures) {
        notes << "hsinfo: " << f.family << ": " << f.reason << "\n";
    }
}

}  // namespace hsinfo
