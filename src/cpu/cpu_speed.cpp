// The clock speed of CpuInfo: eligibility, the three methods, the cache.
#include "cpu/bus_snap.h"
#include "cpu/cpu_info.h"
#include "cpu/cpu_trace.h"

namespace hs {

namespace {

// Only processors known to have a usable time-stamp counter are measured.
bool IsSpeedMeasurable(const CCpuStates &states) {
    const uint32_t vendor = states.GetVendor();
    const uint32_t family = states.GetFamily();
    return (vendor == CCpuStates::VENDOR_INTEL && family >= 5) || (vendor == CCpuStates::VENDOR_AMD && family >= 6);
}

constexpr char kProcessorKey[] = "Hardware\\Description\\System\\CentralProcessor\\0";
constexpr DWORD kMeasureMs = 1000;
constexpr DWORD kShortMeasureMs = 500;
constexpr uint32_t kShortMeasureDivisor = 500000;

}  // namespace

uint64_t CpuInfo::ReadTimeStampCounter() { return ReadTsc(); }

uint32_t CpuInfo::GetCpuSpeed() {
    if (m_cachedSpeed != 0) {
        return m_cachedSpeed;
    }
    if (!IsSpeedMeasurable(m_cpuStates)) {
        return m_cachedSpeed;
    }
    const HANDLE process = GetCurrentProcess();
    const DWORD savedPriority = GetPriorityClass(process);
    SetPriorityClass(process, HIGH_PRIORITY_CLASS);

    m_cachedSpeed = MeasureTscSpeed();
    CpuTrace("dwSpeed1 = %d", static_cast<int>(m_cachedSpeed));
    if (m_cachedSpeed == 0) {
        m_cachedSpeed = ReadRegistrySpeed();
        CpuTrace("dwSpeed2 = %d", static_cast<int>(m_cachedSpeed));
    }
    if (m_cachedSpeed == 0) {
        m_cachedSpeed = MeasureShortTscSpeed();
        CpuTrace("dwSpeed3 = %d", static_cast<int>(m_cachedSpeed));
    }
    SetPriorityClass(process, savedPriority);

    if (m_cachedSpeed == 0) {
        CpuTrace("CpuInfo::GetCpuSpeed is UnKnown!");
    }
    return m_cachedSpeed;
}

uint32_t CpuInfo::MeasureTscSpeed() {
    TIMECAPS caps = {};
    if (timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR) {
        return 0;
    }
    timeBeginPeriod(caps.wPeriodMax);
    const DWORD start = timeGetTime();
    const uint64_t startCycles = ReadTsc();
    while (static_cast<DWORD>(timeGetTime() - start) < kMeasureMs) {
    }
    const uint64_t endCycles = ReadTsc();
    timeEndPeriod(caps.wPeriodMax);

    // The divisor is the nominal interval, whatever time actually passed.
    const uint32_t kHz = CyclesToKHz(endCycles - startCycles, kMeasureMs);
    return SnappedKHzToMHz(SnapToBusMultiple(kHz));
}

uint32_t CpuInfo::ReadRegistrySpeed() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProcessorKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return 0;
    }
    DWORD mhz = 0;
    DWORD size = sizeof mhz;
    if (RegQueryValueExA(key, "~MHz", nullptr, nullptr, reinterpret_cast<LPBYTE>(&mhz), &size) != ERROR_SUCCESS) {
        mhz = 0;
    }
    RegCloseKey(key);
    return mhz;
}

uint32_t CpuInfo::MeasureShortTscSpeed() {
    // Start on a fresh millisecond tick.
    const DWORD t1 = timeGetTime();
    DWORD t2 = timeGetTime();
    while (static_cast<int32_t>(t2 - t1) < 2) {
        t2 = timeGetTime();
    }
    const uint32_t startCycles = static_cast<uint32_t>(ReadTimeStampCounter());
    while (static_cast<int32_t>(timeGetTime() - t2) <= static_cast<int32_t>(kShortMeasureMs)) {
    }
    const uint32_t endCycles = static_cast<uint32_t>(ReadTimeStampCounter());
    return (endCycles - startCycles) / kShortMeasureDivisor;
}

}  // namespace hs
