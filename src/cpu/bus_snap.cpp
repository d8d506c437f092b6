// Snapping a measured frequency to a multiple of the 50 MHz or 66.67 MHz
// bus step, and the multimedia-timer measurement that feeds it.
#include "cpu/bus_snap.h"

#include <cmath>

#include "cpu/cpu_info.h"

namespace hs {

double SnapToBusMultiple(double kHz) {
    // Candidates in order: 50 MHz above, 50 MHz below, 66.67 MHz above,
    // 66.67 MHz below. Comparisons are strict, so ties keep the earlier one.
    double best = kHz;
    const double n = std::ceil(kHz * kBusStep50Reciprocal);
    double multiplier = n;
    double step = kBusStep50;

    double distance = n * kBusStep50 - kHz;
    if (distance < best) {
        best = distance;
        step = kBusStep50;
        multiplier = n;
    }
    distance = kHz - (n - kOne) * kBusStep50;
    if (distance < best) {
        best = distance;
        step = kBusStep50;
        multiplier = n - kOne;
    }
    const double m = std::ceil(kHz * kBusStep66Reciprocal);
    distance = m * kBusStep66 - kHz;
    if (distance < best) {
        best = distance;
        step = kBusStep66;
        multiplier = m;
    }
    distance = kHz - (m - kOne) * kBusStep66;
    if (distance < best) {
        return (m - kOne) * kBusStep66;
    }
    return multiplier * step;
}

uint32_t CyclesToKHz(uint64_t cycles, uint32_t divisor) {
    if (divisor == 0) {
        return 0;
    }
    const int64_t quotient = static_cast<int64_t>(cycles) / static_cast<int64_t>(divisor);
    return static_cast<uint32_t>(static_cast<uint64_t>(quotient));
}

namespace {

// Double to a 64-bit integer, truncated toward zero; values outside the
// range (and NaN) give 0 rather than undefined behaviour.
int64_t TruncateToInt64(double value) {
    if (!(value > -9223372036854775808.0 && value < 9223372036854775808.0)) {
        return 0;
    }
    return static_cast<int64_t>(value);
}

}  // namespace

uint32_t SnappedKHzToMHz(double snappedKHz) {
    const int64_t wholeKHz = TruncateToInt64(snappedKHz);
    const int64_t mhz = TruncateToInt64(static_cast<double>(wholeKHz) * kKHzToMHz);
    return static_cast<uint32_t>(static_cast<uint64_t>(mhz));
}

bool MeasureTscFrequency(uint32_t durationMs, int64_t &kHz) {
    if (durationMs == 0) {
        return false;  // no interval to divide by; the caller's value stays
    }
    TIMECAPS caps = {};
    if (timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR) {
        return false;
    }
    timeBeginPeriod(caps.wPeriodMax);
    const DWORD start = timeGetTime();
    const uint64_t startCycles = ReadTsc();
    while (static_cast<DWORD>(timeGetTime() - start) < durationMs) {
    }
    const uint64_t endCycles = ReadTsc();
    timeEndPeriod(caps.wPeriodMax);

    const double snapped = SnapToBusMultiple(CyclesToKHz(endCycles - startCycles, durationMs));
    kHz = TruncateToInt64(snapped);
    return true;
}

}  // namespace hs
