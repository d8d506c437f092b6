#include "reader.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "low_memory.h"

namespace hsinfo {

const std::vector<std::string> &FamilyNames() {
    static const std::vector<std::string> names = {"cpu",      "common", "adapters", "netbios",
                                                   "user",     "software", "drives",   "devices"};
    return names;
}

bool Wanted(const std::vector<std::string> &families, const char *name) {
    return std::find(families.begin(), families.end(), name) != families.end();
}

std::string ResultName(uint32_t code) {
    switch (code) {
    case 0: return "ERROR_SUCCESS";
    case 9: return "ERROR_INVALID_BLOCK";
    case 111: return "ERROR_BUFFER_OVERFLOW";
    case 232: return "ERROR_NO_DATA";
    default: return "result " + std::to_string(code);
    }
}

template <typename Record, typename Call>
bool Reader::ReadChained(const char *family, Call call, std::vector<Record> &out, Inventory &inv) {
    uint32_t size = 0;
    const uint32_t query = call(nullptr, &size);
    // The adapter export answers 0 when there is no adapter list at all.
    if (query == HS_SUCCESS && size == 0) return true;
    if (query != HS_ERROR_BUFFER_OVERFLOW) {
        inv.failures.push_back({family, query, "the size query answered " + ResultName(query)});
        return false;
    }
    std::vector<Record> records(size / sizeof(Record));
    if (records.empty()) return true;
    const uint32_t fill = call(records.data(), &size);
    if (fill != HS_SUCCESS) {
        inv.failures.push_back({family, fill, "the fill answered " + ResultName(fill)});
        return false;
    }
    out = std::move(records);
    return true;
}

void Reader::ReadCpu(Inventory &inv) {
    inv.cpuCount = m_x.GetCpuCount();
    ReadChained<CPUINFO>("cpu", m_x.GetCpuInfo, inv.cpus, inv);
}

void Reader::ReadCommon(Inventory &inv) {
    std::memset(&inv.common, 0, sizeof inv.common);
    const int32_t result = m_x.GetCommonInfo(&inv.common);
    inv.haveCommon = true;
    if (result != 1) {
        inv.failures.push_back({"common", static_cast<uint32_t>(result),
                                "HsiGetCommonInfo answered 0: computer name, user name or OS description is empty"});
    }
}

void Reader::ReadAdapters(Inventory &inv) { ReadChained<IPADAPTERINFO>("adapters", m_x.GetAdapterInfo, inv.adapters, inv); }

void Reader::ReadNetbios(Inventory &inv) {
    inv.netCount = m_x.GetNetCount();
    if (inv.netCount <= 0) return;
    LowBuffer records(static_cast<size_t>(inv.netCount) * sizeof(NETINFO));
    LowBuffer header(sizeof(INFOLIST));
    auto *list = reinterpret_cast<INFOLIST *>(header.Data());
    list->records = records.Address32();
    if (m_x.GetNetInfoEx(list, inv.netCount) != 1) {
        inv.failures.push_back({"netbios", 0, "HsiGetNetInfoEx answered 0"});
        return;
    }
    const auto *first = reinterpret_cast<const NETINFO *>(records.Data());
    inv.netbios.assign(first, first + inv.netCount);
}

void Reader::ReadUser(Inventory &inv) {
    std::memset(&inv.user, 0, sizeof inv.user);
    const int32_t result = m_x.GetNetUserInfo(&inv.user);
    if (result != 1) {
        inv.failures.push_back({"user", static_cast<uint32_t>(result),
                                "HsiGetNetUserInfo answered " + std::to_string(result)});
        return;
    }
    inv.haveUser = true;
}

void Reader::ReadSoftware(Inventory &inv) { ReadChained<SOFTWAREINFO>("software", m_x.GetSoftwareInfo, inv.software, inv); }
void Reader::ReadDrives(Inventory &inv) { ReadChained<DRIVERINFO>("drives", m_x.GetDriverInfo, inv.drives, inv); }
void Reader::ReadDevices(Inventory &inv) { ReadChained<DEVICEINFO>("devices", m_x.GetDeviceInfo, inv.devices, inv); }

void Reader::ReadFamilies(const std::vector<std::string> &families, Inventory &inv) {
    const std::vector<std::pair<std::string, std::function<void(Inventory &)>>> readers = {
        {"cpu", [this](Inventory &i) { ReadCpu(i); }},
        {"common", [this](Inventory &i) { ReadCommon(i); }},
        {"adapters", [this](Inventory &i) { ReadAdapters(i); }},
        {"netbios", [this](Inventory &i) { ReadNetbios(i); }},
        {"user", [this](Inventory &i) { ReadUser(i); }},
        {"software", [this](Inventory &i) { ReadSoftware(i); }},
        {"drives", [this](Inventory &i) { ReadDrives(i); }},
        {"devices", [this](Inventory &i) { ReadDevices(i); }},
    };
    for (const auto &[name, read] : readers) {
        for (const std::string &wanted : families) {
            if (wanted == name) read(inv);
        }
    }
}

namespace {

template <typename Record>
std::vector<Record> Section(const uint8_t *&cursor, uint32_t size) {
    std::vector<Record> records(size / sizeof(Record));
    if (!records.empty()) std::memcpy(records.data(), cursor, records.size() * sizeof(Record));
    cursor += size;
    return records;
}

}  // namespace

bool Reader::ReadSysInfo(Inventory &inv) {
    std::vector<uint8_t> probe(sizeof(SYSINFOHEADER) + 4, 0);
    auto *header = reinterpret_cast<SYSINFOHEADER *>(probe.data());
    uint32_t total = 0;
    const uint32_t query = m_x.GetSysInfo(header, &total);
    if (query != HS_ERROR_BUFFER_OVERFLOW) {
        inv.failures.push_back({"sysinfo", query, "the size query answered " + ResultName(query)});
        return false;
    }
    std::vector<uint8_t> block(sizeof(SYSINFOHEADER) + total, 0);
    std::memcpy(block.data(), header, sizeof(SYSINFOHEADER));
    const uint32_t fill = m_x.GetSysInfo(reinterpret_cast<SYSINFOHEADER *>(block.data()), &total);
    if (fill != HS_SUCCESS) {
        inv.failures.push_back({"sysinfo", fill, "HsiGetSysInfo answered " + ResultName(fill) +
                                                     "; the families were read one by one"});
        return false;
    }
    const SYSINFOHEADER sizes = *reinterpret_cast<const SYSINFOHEADER *>(block.data());
    const uint8_t *cursor = block.data() + sizeof(SYSINFOHEADER);
    std::memcpy(&inv.common, cursor, sizeof inv.common);
    inv.haveCommon = true;
    cursor += sizes.commonSize;
    inv.cpus = Section<CPUINFO>(cursor, sizes.cpuSize);
    inv.drives = Section<DRIVERINFO>(cursor, sizes.driverSize);
    inv.devices = Section<DEVICEINFO>(cursor, sizes.deviceSize);
    inv.adapters = Section<IPADAPTERINFO>(cursor, sizes.adapterSize);
    inv.software = Section<SOFTWAREINFO>(cursor, sizes.softwareSize);
    inv.cpuCount = m_x.GetCpuCount();
    return true;
}

}  // namespace hsinfo
