// The common information export: memory status, identity texts and the
// operating-system description in one COMMONINFO.
#include <cstddef>

#include "api/export_guard.h"
#include "api/inventory.h"
#include "api/record_io.h"
#include "hardscan.h"
#include "platform/platform.h"

using namespace hs;

namespace {

// A 32-bit field of the memory status; larger figures are capped.
uint32_t Cap32(uint64_t value) { return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value); }

void FillMemoryStatus(HSMEMORYSTATUS &out) {
    MEMORYSTATUS status;
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    out.dwLength = sizeof(HSMEMORYSTATUS);
    out.dwMemoryLoad = status.dwMemoryLoad;
    out.dwTotalPhys = Cap32(status.dwTotalPhys);
    out.dwAvailPhys = Cap32(status.dwAvailPhys);
    out.dwTotalPageFile = Cap32(status.dwTotalPageFile);
    out.dwAvailPageFile = Cap32(status.dwAvailPageFile);
    out.dwTotalVirtual = Cap32(status.dwTotalVirtual);
    out.dwAvailVirtual = Cap32(status.dwAvailVirtual);
}

}  // namespace

extern "C" HSEXPORT int32_t HSAPI HsiGetCommonInfo(COMMONINFO *info) {
    return RunExport<int32_t>(0, [&]() -> int32_t {
        // osVersion, at the end, is never written.
        if (!IsReadable(info, sizeof *info) || !IsUsable(info, offsetof(COMMONINFO, osVersion))) {
            OutputDebugStringA("HsiGetUserInfo failed! ");
            return 0;
        }
        FillMemoryStatus(info->memoryStatus);

        const Text computerName = g_inventory.ReadComputerName();
        const Text userName = g_inventory.ReadUserName();
        const Text organization = g_inventory.ReadRegisteredOrganization();
        const Text owner = g_inventory.ReadRegisteredOwner();
        const Text osDescription = g_inventory.GetOsDescription();

        constexpr size_t kLimit = sizeof info->computerName - 1;
        CopyText(info->computerName, kLimit, computerName);
        CopyText(info->userName, kLimit, userName);
        CopyText(info->registeredOwner, kLimit, owner);
        CopyText(info->registeredOrganization, kLimit, organization);
        CopyText(info->osDescription, kLimit, osDescription);

        return !computerName.empty() && !userName.empty() && !osDescription.empty() ? 1 : 0;
    });
}
