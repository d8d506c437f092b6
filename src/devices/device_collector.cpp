// The device collector: ten kinds in a fixed order, joined into the
// collector's two parallel lists.
#include "api/inventory.h"

namespace hs {

namespace {

using DeviceKind = int32_t (CInventory::*)(TextList &, TextList &);

// The order in which the kinds' entries appear.
constexpr DeviceKind kDeviceKinds[] = {
    &CInventory::GetDisplayAdapters, &CInventory::GetPrinters,     &CInventory::GetMonitors,
    &CInventory::GetMouseDevices,    &CInventory::GetKeyboards,    &CInventory::GetNetCardInfo,
    &CInventory::GetMediaDevices,    &CInventory::GetUsbDevices,   &CInventory::GetScsiAdapters,
    &CInventory::GetModems,
};

}  // namespace

uint32_t CInventory::GetDeviceCount() {
    TextList descriptions, types;
    TextList kindDescriptions, kindTypes;
    uint32_t total = 0;
    for (const DeviceKind kind : kDeviceKinds) {
        total += static_cast<uint32_t>((this->*kind)(kindDescriptions, kindTypes));
        descriptions.insert(descriptions.end(), kindDescriptions.begin(), kindDescriptions.end());
        types.insert(types.end(), kindTypes.begin(), kindTypes.end());
        kindDescriptions.clear();
        kindTypes.clear();
    }
    m_deviceDescriptions.clear();
    m_deviceTypes.clear();
    m_deviceDescriptions = descriptions;
    m_deviceTypes = types;
    return total;
}

void CInventory::CopyDeviceLists(TextList &descriptions, TextList &types) {
    descriptions = m_deviceDescriptions;
    types = m_deviceTypes;
}

}  // namespace hs
