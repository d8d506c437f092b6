// GetAdaptersInfo: the profile's adapters, with the IP helper's size
// protocol.
#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "platform/sim/machine.h"

namespace {

void CopyText(char *field, size_t size, const std::string &text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

void FillEntry(IP_ADAPTER_INFO &entry, const hs::sim::AdapterFacts &a, DWORD index) {
    std::memset(&entry, 0, sizeof entry);
    entry.ComboIndex = index;
    CopyText(entry.AdapterName, sizeof entry.AdapterName, a.name);
    CopyText(entry.Description, sizeof entry.Description, a.description);
    entry.AddressLength = static_cast<UINT>(a.address.size());
    std::copy(a.address.begin(), a.address.end(), entry.Address);
    entry.Index = index;
    entry.Type = MIB_IF_TYPE_ETHERNET;
    // The profile's text as it stands, even empty.
    CopyText(entry.IpAddressList.IpAddress.String, sizeof entry.IpAddressList.IpAddress.String, a.ipAddress);
    CopyText(entry.IpAddressList.IpMask.String, sizeof entry.IpAddressList.IpMask.String,
             a.ipAddress.empty() ? "0.0.0.0" : "255.255.255.0");
    CopyText(entry.GatewayList.IpAddress.String, sizeof entry.GatewayList.IpAddress.String, "0.0.0.0");
    CopyText(entry.GatewayList.IpMask.String, sizeof entry.GatewayList.IpMask.String, "0.0.0.0");
    CopyText(entry.DhcpServer.IpAddress.String, sizeof entry.DhcpServer.IpAddress.String, "0.0.0.0");
    CopyText(entry.DhcpServer.IpMask.String, sizeof entry.DhcpServer.IpMask.String, "0.0.0.0");
    CopyText(entry.PrimaryWinsServer.IpAddress.String, sizeof entry.PrimaryWinsServer.IpAddress.String, "0.0.0.0");
    CopyText(entry.PrimaryWinsServer.IpMask.String, sizeof entry.PrimaryWinsServer.IpMask.String, "0.0.0.0");
    CopyText(entry.SecondaryWinsServer.IpAddress.String, sizeof entry.SecondaryWinsServer.IpAddress.String, "0.0.0.0");
    CopyText(entry.SecondaryWinsServer.IpMask.String, sizeof entry.SecondaryWinsServer.IpMask.String, "0.0.0.0");
}

}  // namespace

DWORD GetAdaptersInfo(PIP_ADAPTER_INFO adapterInfo, PULONG sizePointer) {
    if (sizePointer == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<const hs::sim::Machine> machine = hs::sim::CurrentMachine();
    const hs::sim::AdaptersFacts &f = machine->facts.adapters;
    if (f.result != 0) return f.result;
    if (f.adapters.empty()) return ERROR_NO_DATA;
    ULONG needed = static_cast<ULONG>(f.adapters.size() * sizeof(IP_ADAPTER_INFO));
    if (adapterInfo == nullptr || *sizePointer < needed) {
        *sizePointer = needed;
        return ERROR_BUFFER_OVERFLOW;
    }
    if (f.fillResult != 0) return f.fillResult;
    for (size_t i = 0; i < f.adapters.size(); ++i) {
        FillEntry(adapterInfo[i], f.adapters[i], static_cast<DWORD>(i + 2));
        adapterInfo[i].Next = i + 1 < f.adapters.size() ? &adapterInfo[i + 1] : nullptr;
    }
    return ERROR_SUCCESS;
}
