// The readable text layout: one section per family, aligned columns.
#include <algorithm>
#include <iomanip>

#include "output.h"

namespace hsinfo {

namespace {

void Heading(std::ostream &out, const std::string &title) { out << "\n" << title << "\n" << std::string(title.size(), '-') << "\n"; }

void Row(std::ostream &out, const std::string &label, const std::string &value) {
    out << "  " << std::left << std::setw(24) << label << value << "\n";
}

// A table of (type, description) rows with the type column sized to fit.
template <typename Record>
void TypedTable(std::ostream &out, const std::vector<Record> &records) {
    size_t width = 4;
    for (const Record &r : records) width = std::max(width, FieldText(r.type).size());
    for (const Record &r : records) {
        out << "  " << std::left << std::setw(static_cast<int>(width) + 2) << FieldText(r.type)
            << FieldText(r.description) << "\n";
    }
    if (records.empty()) out << "  (none)\n";
}

}  // namespace

void PrintText(std::ostream &out, const Inventory &inv, const std::vector<std::string> &families) {
    if (Wanted(families, "cpu")) {
        Heading(out, "Processors (" + std::to_string(inv.cpuCount) + ")");
        for (size_t i = 0; i < inv.cpus.size(); ++i) {
            const CPUINFO &c = inv.cpus[i];
            Row(out, "#" + std::to_string(i) + " name", FieldText(c.name));
            Row(out, "   vendor", FieldText(c.vendor));
            Row(out, "   speed", c.speed ? std::to_string(c.speed) + " MHz" : "unknown");
        }
    }
    if (Wanted(families, "common") && inv.haveCommon) {
        const COMMONINFO &c = inv.common;
        Heading(out, "Machine");
        Row(out, "computer name", FieldText(c.computerName));
        Row(out, "user name", FieldText(c.userName));
        Row(out, "registered owner", FieldText(c.registeredOwner));
        Row(out, "registered organization", FieldText(c.registeredOrganization));
        Row(out, "operating system", FieldText(c.osDescription));
        Row(out, "memory load", std::to_string(c.memoryStatus.dwMemoryLoad) + " %");
        Row(out, "physical memory", std::to_string(c.memoryStatus.dwTotalPhys / (1024 * 1024)) + " MiB total, " +
                                        std::to_string(c.memoryStatus.dwAvailPhys / (1024 * 1024)) + " MiB free");
    }
    if (Wanted(families, "adapters")) {
        Heading(out, "Network adapters");
        for (const IPADAPTERINFO &a : inv.adapters) {
            out << "  " << std::left << std::setw(17) << FieldText(a.ipAddress) << std::setw(14) << FieldText(a.mac)
                << FieldText(a.description) << "\n";
        }
        if (inv.adapters.empty()) out << "  (none)\n";
    }
    if (Wanted(families, "netbios")) {
        Heading(out, "NetBIOS adapters (" + std::to_string(inv.netCount) + ")");
        for (const NETINFO &n : inv.netbios) out << "  " << FieldText(n.mac) << "\n";
        if (inv.netbios.empty()) out << "  (none)\n";
    }
    if (Wanted(families, "user") && inv.haveUser) {
        Heading(out, "User");
        Row(out, "computer name", FieldText(inv.user.computerName));
        Row(out, "user name", FieldText(inv.user.userName));
        Row(out, "IP address", FieldText(inv.user.ipAddress));
        Row(out, "hardware address", FieldText(inv.user.mac));
    }
    if (Wanted(families, "software")) {
        Heading(out, "Installed programs (" + std::to_string(inv.software.size()) + ")");
        for (const SOFTWAREINFO &s : inv.software) out << "  " << FieldText(s.displayName) << "\n";
    }
    if (Wanted(families, "drives")) {
        Heading(out, "Drives");
        TypedTable(out, inv.drives);
    }
    if (Wanted(families, "devices")) {
        Heading(out, "Devices");
        TypedTable(out, inv.devices);
    }
    for (const Failure &f : inv.failures) {
        out << "\nnote: " << f.family << " could not be read: " << f.reason << "\n";
    }
}

}  // namespace hsinfo
