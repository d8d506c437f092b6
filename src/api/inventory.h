// CInventory: the collector that owns all gathered data, and its one
// instance g_inventory.
#pragma once

#include <cstdint>

#include "api/text.h"
#include "cpu/cpu_detail.h"
#include "cpu/cpu_info.h"
#include "hardscan.h"
#include "registry/registry_reader.h"

namespace hs {

class CInventory {
public:
    CInventory();
    virtual ~CInventory();
    CInventory(const CInventory &) = delete;
    CInventory &operator=(const CInventory &) = delete;

    // Processor (built at load).
    uint32_t GetCpuCount();
    uint32_t GetCpuSpeed();
    Text GetCpuName();
    Text GetCpuVendor();

    // Operating system and identity.
    uint32_t GetPlatformId();
    Text GetOsDescription();
    Text ReadComputerName();
    Text ReadUserName();
    Text ReadRegisteredOwner();
    Text ReadRegisteredOrganization();

    // NetBIOS adapters and host addresses. SimGetNetCard writes at most
    // capacity six-byte entries.
    int32_t GetHostIP(uint32_t *addresses, int32_t count);
    int32_t SimGetNetCard(uint8_t *addresses, int32_t capacity);

    // Installed programs.
    int32_t GetSoftwareCount();
    int32_t GetSoftwareList(TextList &names, int32_t n, Text &category);

    // Device-class walks of the enumeration tree.
    int32_t GetPresentClassDevices(Text classGuid, Text root, TextList &names);
    int32_t GetPresentDevices(Text root, TextList &names);
    int32_t GetClassDevices(Text classGuid, Text root, TextList &names);

    // Drives.
    uint32_t GetDriverCount();
    void CopyDriverLists(TextList &descriptions, TextList &types);
    int32_t GetFloppyDrives(TextList &descriptions, TextList &types);
    int32_t GetCdromDrives(TextList &descriptions, TextList &types);
    int32_t GetDiskDrives(TextList &descriptions, TextList &types);

    // Devices, the ten kinds in their fixed order.
    uint32_t GetDeviceCount();
    void CopyDeviceLists(TextList &descriptions, TextList &types);
    int32_t GetDisplayAdapters(TextList &descriptions, TextList &types);
    int32_t GetPrinters(TextList &descriptions, TextList &types);
    int32_t GetMonitors(TextList &descriptions, TextList &types);
    int32_t GetMouseDevices(TextList &descriptions, TextList &types);
    int32_t GetKeyboards(TextList &descriptions, TextList &types);
    int32_t GetNetCardInfo(TextList &descriptions, TextList &types);
    int32_t GetMediaDevices(TextList &descriptions, TextList &types);
    int32_t GetUsbDevices(TextList &descriptions, TextList &types);
    int32_t GetScsiAdapters(TextList &descriptions, TextList &types);
    int32_t GetModems(TextList &descriptions, TextList &types);

    // Read access for the exports and tests.
    RegistryReader &Registry() { return m_registry; }
    const CpuInfo &Cpu() const { return m_cpu; }
    const CpuDetail &Detail() const { return m_cpuDetail; }
    const IPADAPTERINFO *AdapterBuffer() const { return m_adapterBuffer; }

    // The version test that decides whether the detail record is filled.
    static int32_t IsCpuDetailSupported();

private:
    // Members in their fixed declaration order.
    uint32_t m_cpuReady;
    CpuInfo m_cpu;
    RegistryReader m_registry;
    uint32_t m_platformId;
    IPADAPTERINFO *m_adapterBuffer;
    CpuDetail m_cpuDetail;
    TextList m_driveDescriptions;
    TextList m_driveTypes;
    TextList m_deviceDescriptions;
    TextList m_deviceTypes;
};

extern CInventory g_inventory;

// Every kind of the drive and device collectors ends the same way: one type
// word per description, and the count.
int32_t FillTypeWords(const TextList &descriptions, TextList &types, const char *typeWord);

// A Windows version record as every caller prepares it (size 148).
OSVERSIONINFOA QueryVersion();

}  // namespace hs
