// The brand-ID table, its family-15 exception and the module's names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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

TEST(CpuBrandTable, RowsZeroToTwentyTwo) {
    const std::vector<std::string> expected = {
        "This processor does not support the brand identification feature",
        "Intel(R) Celeron(R) Processor",
        "Intel(R) Pentium(R) III Processor",
        "Intel(R) Pentium(R) III Xeon Processor",
        "Intel(R) Pentium(R) III Processor",
        "Reserved (5)",
        "Mobile Intel(R) Pentium(R) III Processor-M",
        "Mobile Intel(R) Celeron(R) Processor",
        "Intel(R) Pentium(R) 4 Processor",
        "Intel(R) Pentium(R) 4 Processor",
        "Intel(R) Pentium(R) 4 Processor",
        "Intel(R) Xeon(tm) Processor",
        "Reserved (12)",
        "Reserved (13)",
        "Intel(R) Xeon(tm) Processor",
        "Intel(R) Xeon(tm) Processor",
        "Reserved (16)",
        "Reserved (17)",
        "Reserved (18)",
        "Reserved (19)",
        "Reserved (20)",
        "Reserved (21)",
        "Banias Mobile Processor (Brand TBD)",
    };
    for (uint32_t id = 0; id < expected.size(); ++id) {
        EXPECT_EQ(BrandName(6, 8, id), expected[id]) << "brand ID " << id;
    }
}

TEST(CpuBrandTable, SlotsAbove22AreEmpty) {
    for (uint32_t id = 23; id < 256; ++id) {
        EXPECT_EQ(BrandName(6, 8, id), "") << "brand ID " << id;
    }
}

TEST(CpuBrandTable, Family15Model2MobileException) {
    EXPECT_EQ(BrandName(15, 2, 14), "Mobile Intel(r) Pentium(r) 4 Processor-M");
    EXPECT_EQ(BrandName(15, 2, 15), "Mobile Intel(r) Pentium(r) 4 Processor-M");
    EXPECT_EQ(BrandName(15, 3, 14), "Intel(R) Xeon(tm) Processor");
    EXPECT_EQ(BrandName(15, 2, 13), "Reserved (13)");
    EXPECT_EQ(BrandName(6, 2, 14), "Intel(R) Xeon(tm) Processor");
    EXPECT_EQ(BrandName(15, 2, 9), "Intel(R) Pentium(R) 4 Processor");
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

TEST(CpuModuleNames, HyperThreadingStatus) {
    EXPECT_STREQ(hs::HtStatusName(0), "Error detecting HT");
    EXPECT_STREQ(hs::HtStatusName(1), "HT processors not detected");
    EXPECT_STREQ(hs::HtStatusName(2), "HT detected, but not enabled");
    EXPECT_STREQ(hs::HtStatusName(3), "HT enabled, but not available");
    EXPECT_STREQ(hs::HtStatusName(4), "HT enabled and available");
    EXPECT_STREQ(hs::HtStatusName(5), "");
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

TEST(CpuModuleNames, CacheTypes) {
    const char *expected[] = {"NULL", "L1I", "L1D", "L2", "TC", "L3", "ITLB", "DTLB"};
    for (uint32_t i = 0; i < hs::kCacheTypeCount; ++i) {
        EXPECT_STREQ(hs::CacheTypeName(i), expected[i]) << i;
    }
    EXPECT_STREQ(hs::CacheTypeName(8), "");
}

}  // namespace
