// The JSON document (schema in docs/json-schema.md): every record field,
// numbers as numbers, texts decoded from Windows-1252.

#include <nlohmann/json.hpp>

#include "output.h"

namespace hsinfo {

namespace {

using nlohmann::ordered_json;

// A copy of a field of a packed record: a reference to it may be misaligned.
uint32_t Value(uint32_t field) { return field; }

template <typename Record>
ordered_json TypedRecords(const std::vector<Record> &records) {
    ordered_json list = ordered_json::array();
    for (const Record &r : records) {
        list.push_back({{"type", FieldText(r.type)}, {"description", FieldText(r.description)}});
    }
    return list;
}

ordered_json MemoryJson(const HSMEMORYSTATUS &m) {
    return {{"length", Value(m.dwLength)},           {"memoryLoad", Value(m.dwMemoryLoad)},
            {"totalPhys", Value(m.dwTotalPhys)},     {"availPhys", Value(m.dwAvailPhys)},
            {"totalPageFile", Value(m.dwTotalPageFile)}, {"availPageFile", Value(m.dwAvailPageFile)},
            {"totalVirtual", Value(m.dwTotalVirtual)},   {"availVirtual", Value(m.dwAvailVirtual)}};
}

}  // namespace

void PrintJson(std::ostream &out, const Inventory &inv, const std::vector<std::string> &families) {
    ordered_json doc;
    doc["schema"] = "hardscan-inventory/1";
    if (Wanted(families, "cpu")) {
        ordered_json list = ordered_json::array();
        for (const CPUINFO &c : inv.cpus) {
            list.push_back({{"name", FieldText(c.name)}, {"vendor", FieldText(c.vendor)},
                            {"speed", Value(c.speed)}});
        }
        doc["processors"] = {{"count", inv.cpuCount}, {"records", list}};
    }
    if (Wanted(families, "common")) {
        if (inv.haveCommon) {
            const COMMONINFO &c = inv.common;
            doc["common"] = {{"memoryStatus", MemoryJson(c.memoryStatus)},
                             {"computerName", FieldText(c.computerName)},
                             {"userName", FieldText(c.userName)},
                             {"registeredOwner", FieldText(c.registeredOwner)},
                             {"registeredOrganization", FieldText(c.registeredOrganization)},
                             {"osDescription", FieldText(c.osDescription)}};
        } else {
            doc["common"] = nullptr;
        }
    }
    if (Wanted(families, "adapters")) {
        ordered_json list = ordered_json::array();
        for (const IPADAPTERINFO &a : inv.adapters) {
            list.push_back({
                            {"adapterName", FieldText(a.adapterName)},
                            {"description", FieldText(a.description)},
                            {"mac", FieldText(a.mac)},
                            {"ipAddress", FieldText(a.ipAddress)}});
        }
        doc["adapters"] = list;
    }
    if (Wanted(families, "netbios")) {
        ordered_json list = ordered_json::array();
        for (const NETINFO &n : inv.netbios) {
            list.push_back({{"ipAddress", Value(n.ipAddress)}, {"ipText", FieldText(n.ipText)}, {"mac", FieldText(n.mac)}});
        }
        doc["netbios"] = {{"count", inv.netCount}, {"records", list}};
    }
    if (Wanted(families, "user")) {
        if (inv.haveUser) {
            doc["user"] = {{"computerName", FieldText(inv.user.computerName)},
                           {"ipAddress", FieldText(inv.user.ipAddress)},
                           {"mac", FieldText(inv.user.mac)},
                           {"userName", FieldText(inv.user.userName)}};
        } else {
            doc["user"] = nullptr;
        }
    }
    if (Wanted(families, "software")) {
        ordered_json list = ordered_json::array();
        for (const SOFTWAREINFO &s : inv.software) {
            list.push_back({{"displayName", FieldText(s.displayName)}});
        }
        doc["software"] = list;
    }
    if (Wanted(families, "drives")) doc["drives"] = TypedRecords(inv.drives);
    if (Wanted(families, "devices")) doc["devices"] = TypedRecords(inv.devices);
    ordered_json failures = ordered_json::array();
    for (const Failure &f : inv.failures) {
        failures.push_back({{"family", f.family}, {"code", f.code}, {"name", ResultName(f.code)}, {"reason", f.reason}});
    }
    doc["failures"] = failures;
    out << doc.dump(2) << "\n";
}

}  // namespace hsinfo
