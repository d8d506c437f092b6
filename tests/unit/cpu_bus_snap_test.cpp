// Snapping of measured frequencies to bus multiples, and the conversions
// around it: pure arithmetic, no machine needed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "cpu/bus_snap.h"
#include "cpu/cpu_info.h"

namespace {

uint64_t BitsOf(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

uint32_t SnapToMHz(double kHz) { return hs::SnappedKHzToMHz(hs::SnapToBusMultiple(kHz)); }

TEST(CpuBusSnapConstants, HaveTheirExactBitPatterns) {
    EXPECT_EQ(BitsOf(hs::kBusStep50), 0x40E86A0000000000ull);
    EXPECT_EQ(BitsOf(hs::kBusStep50Reciprocal), 0x3EF4F8B588E368F1ull);
    EXPECT_EQ(BitsOf(hs::kBusStep66), 0x40F046AA8F5C28F5ull);
    EXPECT_EQ(BitsOf(hs::kBusStep66Reciprocal), 0x3EEF7510821BEA46ull);
    EXPECT_EQ(BitsOf(hs::kOne), 0x3FF0000000000000ull);
    EXPECT_EQ(BitsOf(hs::kKHzToMHz), 0x3F50624DD2F1A9FCull);
}

TEST(CpuBusSnapConstants, The66MHzStepIsOneUnitBelowTheNearestDoubleOf66666_66) {
    // The decimal literal rounds to ...F6; the step in use is ...F5.
    EXPECT_EQ(BitsOf(66666.66), 0x40F046AA8F5C28F6ull);
    EXPECT_NE(BitsOf(hs::kBusStep66), BitsOf(66666.66));
    EXPECT_EQ(hs::kBusStep50Reciprocal, 2e-05);
    EXPECT_EQ(hs::kBusStep66Reciprocal, 1.5000001500000152e-05);
    EXPECT_EQ(hs::kKHzToMHz, 0.001);
}

TEST(CpuBusSnap, SnappedFrequencyAndMegahertz) {
    const struct {
        double kHz, snapped;
        uint32_t mhz;
    } cases[] = {
        {2394000.0, 36.0 * hs::kBusStep66, 2399},  // just below 2400: a 66 MHz multiple
        {2406000.0, 2400000.0, 2400},              // just above: the 50 MHz multiple below
        {2400000.0, 2400000.0, 2400},              // exact multiple kept
        {733000.0, 11.0 * hs::kBusStep66, 733},
        {233000.0, 250000.0, 250},
        {0.0, 0.0, 0},
        // 25000 is as far from 0 as from 50000: the candidate above comes
        // first and wins.
        {25000.0, 50000.0, 50},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(BitsOf(hs::SnapToBusMultiple(c.kHz)), BitsOf(c.snapped)) << c.kHz;
        EXPECT_EQ(SnapToMHz(c.kHz), c.mhz) << c.kHz;
    }
    EXPECT_EQ(hs::SnapToBusMultiple(2394000.0), 0x1.24f7fe147ae14p+21);
    // 2400000 x 2e-05 is slightly above 48 in doubles; the zero distance
    // comes from the candidate below.
    EXPECT_GT(2400000.0 * hs::kBusStep50Reciprocal, 48.0);
    EXPECT_EQ(SnapToMHz(2793000.0), 2799u);
    EXPECT_EQ(SnapToMHz(133000.0), 133u);
    EXPECT_EQ(SnapToMHz(199999.99), 200u);
}

TEST(CpuBusSnapConversion, CyclesToKHzUsesTheLow32BitsOfASignedQuotient) {
    EXPECT_EQ(hs::CyclesToKHz(2394000000ull, 1000), 2394000u);
    EXPECT_EQ(hs::CyclesToKHz(999ull, 1000), 0u);
    // 5e12 cycles / 1000 = 5e9, whose low 32 bits are 705032704.
    EXPECT_EQ(hs::CyclesToKHz(5000000000000ull, 1000), 705032704u);
    // A negative difference divides as a signed number: -2000 / 1000 = -2.
    EXPECT_EQ(hs::CyclesToKHz(static_cast<uint64_t>(-2000), 1000), 0xFFFFFFFEu);
    EXPECT_EQ(hs::CyclesToKHz(12345ull, 0), 0u);
}

TEST(CpuBusSnapConversion, MHzTruncatesTwice) {
    EXPECT_EQ(hs::SnappedKHzToMHz(2399999.76), 2399u);
    EXPECT_EQ(hs::SnappedKHzToMHz(999.9), 0u);
    EXPECT_EQ(hs::SnappedKHzToMHz(1999.0), 1u);
}

}  // namespace
