// The brand-ID table, its family-15 exception and the module's names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cpu/cpu_detail.h"

namespace {

hs::CpuDetail DetailWith(uint32_t family, uint32_t model, uint32_t brandId) {
    hs::CpuDetail detail;
    std::memset(&detail, 0, sizeof detail);
    detail.family = family;
    detail.model = model;
    detail.brandId = brandId;
    return detail;
}

std::string BrandName(uint32_t family, uint32_t model, uint32_t brandId) {
    const hs::CpuDetail detail = DetailWith(family, model, brandId);
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(hs::GetBrandName(buffer, sizeof buffer, &detail), 1u);
    // The whole rest of the buffer is NUL-filled.
    const size_t length = strnlen(buffer, sizeof buffer);
    for (size_t i = length; i < sizeof buffer; ++i) {
        EXPECT_EQ(buffer[i], '\0') << "byte " << i;
    }
    return std::string(buffer, length);
}

TEST(CpuBrandTable, BoundaryRowsAndTheFamily15Exception) {
    struct Case {
        uint32_t family, model, brandId;
        const char *name;
    };
    const Case cases[] = {
        {6, 8, 0, "This processor does not support the brand identification feature"},
        {6, 8, 1, "Intel(R) Celeron(R) Processor"},
        {6, 8, 3, "Intel(R) Pentium(R) III Xeon Processor"},
        {6, 8, 5, "Reserved (5)"},
        {6, 8, 21, "Reserved (21)"},
        {6, 8, 22, "Banias Mobile Processor (Brand TBD)"},
        {6, 8, 23, ""},
        {6, 8, 255, ""},
        {15, 2, 14, "Mobile Intel(r) Pentium(r) 4 Processor-M"},
        {15, 2, 15, "Mobile Intel(r) Pentium(r) 4 Processor-M"},
        {15, 3, 14, "Intel(R) Xeon(tm) Processor"},
        {15, 2, 13, "Reserved (13)"},
        {6, 2, 14, "Intel(R) Xeon(tm) Processor"},
        {15, 2, 9, "Intel(R) Pentium(R) 4 Processor"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(BrandName(c.family, c.model, c.brandId), c.name)
            << "family " << c.family << " model " << c.model << " brand ID " << c.brandId;
    }
}

TEST(CpuBrandTable, BadArgumentsAnswerZeroAndWriteNothing) {
    hs::CpuDetail detail = DetailWith(6, 8, 256);
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(hs::GetBrandName(buffer, sizeof buffer, &detail), 0u);
    EXPECT_EQ(buffer[0], 'x');
    detail.brandId = 0xFFFFFFFFu;
    EXPECT_EQ(hs::GetBrandName(buffer, sizeof buffer, &detail), 0u);
    EXPECT_EQ(buffer[0], 'x');
    detail.brandId = 1;
    EXPECT_EQ(hs::GetBrandName(nullptr, 16, &detail), 0u);
    EXPECT_EQ(hs::GetBrandName(buffer, sizeof buffer, nullptr), 0u);
    EXPECT_EQ(buffer[0], 'x');
}

TEST(CpuBrandTable, CopyIsBoundedByTheSize) {
    const hs::CpuDetail detail = DetailWith(6, 8, 1);
    char buffer[12];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(hs::GetBrandName(buffer, 8, &detail), 1u);
    EXPECT_EQ(std::string(buffer, 8), "Intel(R)");  // no terminator fits
    EXPECT_EQ(buffer[8], 'x');
    EXPECT_EQ(hs::GetBrandName(buffer, 0, &detail), 1u);
    EXPECT_EQ(buffer[0], 'I');
}

TEST(CpuModuleNames, HyperThreadingStatusAndCacheTypes) {
    const char *status[] = {"Error detecting HT", "HT processors not detected", "HT detected, but not enabled",
                            "HT enabled, but not available", "HT enabled and available", ""};
    for (uint32_t i = 0; i < 6; ++i) {
        EXPECT_STREQ(hs::HtStatusName(i), status[i]) << i;
    }
    const char *caches[] = {"NULL", "L1I", "L1D", "L2", "TC", "L3", "ITLB", "DTLB", ""};
    for (uint32_t i = 0; i <= hs::kCacheTypeCount; ++i) {
        EXPECT_STREQ(hs::CacheTypeName(i), caches[i]) << i;
    }
}

TEST(CpuModuleNames, ProcessorTypesCarryTheRegisteredSignByte) {
    EXPECT_STREQ(hs::ProcessorTypeName(0), "Original OEM Processor");
    const char *overdrive = hs::ProcessorTypeName(1);
    EXPECT_EQ(std::strlen(overdrive), 26u);
    EXPECT_EQ(std::memcmp(overdrive, "Intel OverDrive\xAE Processor", 27), 0);
    EXPECT_EQ(static_cast<unsigned char>(overdrive[15]), 0xAEu);
    EXPECT_STREQ(hs::ProcessorTypeName(2), "Dual processor");
    EXPECT_STREQ(hs::ProcessorTypeName(3), "Intel reserved");
    EXPECT_STREQ(hs::ProcessorTypeName(4), "");
}

}  // namespace
