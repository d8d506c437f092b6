// CpuInfo: the processor object that the collector owns for the module's life.
#pragma once

#include <cstdint>

#include "api/text.h"
#include "cpu/cpu_states.h"
#include "platform/platform.h"

namespace hs {

constexpr uint32_t AMD_EXTENDED_FEATURE = 0x80000001u;
constexpr uint32_t NAMESTRING_FEATURE = 0x80000004u;
constexpr uint32_t AMD_L1CACHE_FEATURE = 0x80000005u;
constexpr uint32_t AMD_L2CACHE_FEATURE = 0x80000006u;

class CpuInfo {
public:
    CpuInfo();

    // Virtual operations in their slot order.
    virtual ~CpuInfo();                                                        // 0
    virtual void ClassifyCacheDescriptors(uint32_t reg, uint8_t &noL2, uint8_t &largeL2,
                                          bool isFirstRegister);               // 1
    virtual uint64_t ReadTimeStampCounter();                                   // 2
    virtual void ReadExtendedFeatures();                                       // 3
    virtual void ReadNameString();                                             // 4
    virtual void ReadL1CacheInfo();                                            // 5
    virtual void ReadL2CacheInfo();                                            // 6
    virtual uint32_t GetLargestExtendedFeature();                              // 7
    virtual void DetermineIntelName();                                         // 8
    virtual uint32_t DetermineHighestCpuId();                                  // 9
    virtual void ReadVersionAndFeatures();                                     // 10
    virtual void ReadCacheDescriptors();                                       // 11

    uint32_t InitCpuStates();
    uint32_t DetermineCpuId();
    uint32_t GetCpuCount() const;
    Text GetVendorString() const;
    uint32_t GetCpuSpeed();

    // Clock-speed methods; each answers MHz, 0 for failure.
    uint32_t MeasureTscSpeed();
    uint32_t ReadRegistrySpeed();
    uint32_t MeasureShortTscSpeed();

    // Fields in their fixed order.
    CCpuStates m_cpuStates;
    uint32_t m_extendedFeatures;
    SYSTEM_INFO m_systemInfo;
    uint32_t m_cachedSpeed;
};

// Snap a frequency in kHz to the nearest multiple of a 50 MHz or 66.67 MHz
// bus step.
double SnapToBusMultiple(double kHz);

// Measure the time-stamp counter against the multimedia timer for durationMs
// and answer the snapped frequency in kHz; false when the timer capabilities
// are unavailable (the caller's value is then kept).
bool MeasureTscFrequency(uint32_t durationMs, int64_t &kHz);

}  // namespace hs
