// Reads the inventory through the exports and the two-call protocol.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hardscan.h"
#include "library.h"

namespace hsinfo {

// A family that could not be read, and why.
struct Failure {
    std::string family;
    uint32_t code;
    std::string reason;
};

struct Inventory {
    int32_t cpuCount = 0;
    std::vector<CPUINFO> cpus;
    bool haveCommon = false;
    COMMONINFO common{};
    std::vector<IPADAPTERINFO> adapters;
    int32_t netCount = 0;
    std::vector<NETINFO> netbios;
    bool haveUser = false;
    NETUSERINFO user{};
    std::vector<SOFTWAREINFO> software;
    std::vector<DRIVERINFO> drives;
    std::vector<DEVICEINFO> devices;
    std::vector<Failure> failures;
};

// The families, in the order they are printed.
const std::vector<std::string> &FamilyNames();

// Whether the family name is among those asked for.
bool Wanted(const std::vector<std::string> &families, const char *name);

// Name of a result code ("ERROR_NO_DATA").
std::string ResultName(uint32_t code);

class Reader {
public:
    explicit Reader(const Exports &exports) : m_x(exports) {}

    // Read the selected families one export at a time.
    void ReadFamilies(const std::vector<std::string> &families, Inventory &inventory);

    // Read processors, common facts, drives, devices, adapters and programs
    // with one HsiGetSysInfo call pair; false (with the failure noted) when
    // the block could not be read.
    bool ReadSysInfo(Inventory &inventory);

private:
    void ReadCpu(Inventory &inv);
    void ReadCommon(Inventory &inv);
    void ReadAdapters(Inventory &inv);
    void ReadNetbios(Inventory &inv);
    void ReadUser(Inventory &inv);
    void ReadSoftware(Inventory &inv);
    void ReadDrives(Inventory &inv);
    void ReadDevices(Inventory &inv);

    template <typename Record, typename Call>
    bool ReadChained(const char *family, Call call, std::vector<Record> &out, Inventory &inv);

    const Exports &m_x;
};

}  // namespace hsinfo
