// Decoding of Intel leaf-2 descriptors and AMD extended cache leaves into
// the 8-entry cache table.
#include <gtest/gtest.h>

#include <cstring>

#include "cpu/cache_decode.h"

namespace {

struct Row {
    uint32_t size, ways, lineSize, linesPerTag;
};

void ExpectEntry(const hs::CacheInfoEntry &entry, Row row, const char *what) {
    EXPECT_EQ(entry.size, row.size) << what;
    EXPECT_EQ(entry.ways, row.ways) << what;
    EXPECT_EQ(entry.lineSize, row.lineSize) << what;
    EXPECT_EQ(entry.linesPerTag, row.linesPerTag) << what;
}

class CpuCacheDecode : public ::testing::Test {
protected:
    void SetUp() override {
        hs::BuildDescriptorTables(m_tables);
        std::memset(m_table, 0, sizeof m_table);
    }
    void Decode(uint32_t eax, uint32_t ebx, uint32_t ecx, uint32_t edx) {
        hs::DecodeIntelDescriptors(m_tables, hs::CpuidRegs{eax, ebx, ecx, edx}, m_table);
    }
    // Decode one descriptor byte alone (in EBX's low byte).
    hs::CacheInfoEntry Single(uint8_t descriptor, uint32_t type) {
        std::memset(m_table, 0, sizeof m_table);
        Decode(0x00000001u, descriptor, 0, 0);
        return m_table[type];
    }

    hs::DescriptorTables m_tables;
    hs::CacheInfoEntry m_table[hs::kCacheTypeCount];
};

TEST_F(CpuCacheDecode, Pentium4Leaf2) {
    Decode(0x665B5001u, 0, 0, 0x007A7000u);
    ExpectEntry(m_table[hs::CACHE_ITLB], {64, 0, 0, 0}, "ITLB");
    ExpectEntry(m_table[hs::CACHE_DTLB], {64, 0, 0, 0}, "DTLB");
    ExpectEntry(m_table[hs::CACHE_L1D], {8, 4, 64, 0}, "L1D");
    ExpectEntry(m_table[hs::CACHE_TC], {12, 8, 0, 0}, "TC");
    ExpectEntry(m_table[hs::CACHE_L2], {256, 8, 64, 0}, "L2");
    ExpectEntry(m_table[hs::CACHE_L1I], {0, 0, 0, 0}, "L1I");
    ExpectEntry(m_table[hs::CACHE_L3], {0, 0, 0, 0}, "L3");
    ExpectEntry(m_table[hs::CACHE_NULL], {0, 0, 0, 0}, "NULL");
}

TEST_F(CpuCacheDecode, RegisterAndByteOrder) {
    const struct {
        const char *what;
        uint32_t eax, ebx, ecx, edx, type;
        Row row;
    } cases[] = {
        {"0x40 (EAX) then 0x43 (EBX): the later wins", 0x00004001u, 0x00000043u, 0, 0, hs::CACHE_L2, {512, 4, 32, 0}},
        {"0x43 then 0x40", 0x00004301u, 0x00000040u, 0, 0, hs::CACHE_L2, {0, 0, 0, 0}},
        {"within one register the low byte comes first", 0x40430001u, 0, 0, 0, hs::CACHE_L2, {0, 0, 0, 0}},
        {"iteration count 0x01 is not a descriptor", 0x00000001u, 0, 0, 0, hs::CACHE_ITLB, {0, 0, 0, 0}},
        {"iteration count 0x43 is not a descriptor", 0x00000043u, 0, 0, 0, hs::CACHE_L2, {0, 0, 0, 0}},
    };
    for (const auto &c : cases) {
        std::memset(m_table, 0, sizeof m_table);
        Decode(c.eax, c.ebx, c.ecx, c.edx);
        ExpectEntry(m_table[c.type], c.row, c.what);
    }
    // Registers with bit 31 set contribute nothing.
    std::memset(m_table, 0, sizeof m_table);
    Decode(0x80430001u, 0x80000043u, 0x8000002Cu, 0x80000030u);
    for (uint32_t i = 0; i < hs::kCacheTypeCount; ++i) {
        ExpectEntry(m_table[i], {0, 0, 0, 0}, hs::CacheTypeName(i));
    }
}

TEST_F(CpuCacheDecode, UnknownDescriptorsRewriteOnlyTheNullEntry) {
    m_table[hs::CACHE_NULL] = hs::CacheInfoEntry{9, 9, 9, 9};
    m_table[hs::CACHE_L3] = hs::CacheInfoEntry{7, 7, 7, 7};
    Decode(0x00FFF001u, 0x22232529u, 0, 0);
    ExpectEntry(m_table[hs::CACHE_NULL], {0, 0, 0, 0}, "NULL");
    ExpectEntry(m_table[hs::CACHE_L3], {7, 7, 7, 7}, "L3 untouched");
}

TEST_F(CpuCacheDecode, DescriptorTableRowsAndUnknownBytes) {
    struct Expect {
        uint8_t descriptor;
        uint32_t type;
        Row row;
    };
    // The first and last row of each type, the odd 0x40 and the gaps
    // next to known descriptors.
    const Expect rows[] = {
        {0x01, hs::CACHE_ITLB, {32, 0, 0, 0}},   {0x03, hs::CACHE_DTLB, {64, 0, 0, 0}},
        {0x04, hs::CACHE_DTLB, {8, 0, 0, 0}},    {0x06, hs::CACHE_L1I, {8, 4, 32, 0}},
        {0x0A, hs::CACHE_L1D, {8, 2, 32, 0}},    {0x2C, hs::CACHE_L1D, {32, 8, 64, 0}},
        {0x30, hs::CACHE_L1I, {32, 8, 64, 0}},   {0x40, hs::CACHE_L2, {0, 0, 0, 0}},
        {0x45, hs::CACHE_L2, {2048, 4, 32, 0}},  {0x52, hs::CACHE_ITLB, {256, 0, 0, 0}},
        {0x5D, hs::CACHE_DTLB, {256, 0, 0, 0}},  {0x68, hs::CACHE_L1D, {32, 4, 64, 0}},
        {0x72, hs::CACHE_TC, {32, 8, 0, 0}},     {0x7C, hs::CACHE_L2, {1024, 8, 64, 0}},
        {0x82, hs::CACHE_L2, {256, 8, 32, 0}},   {0x87, hs::CACHE_L2, {1024, 8, 64, 0}},
        {0xB0, hs::CACHE_ITLB, {128, 0, 0, 0}},  {0xB3, hs::CACHE_DTLB, {128, 0, 0, 0}},
    };
    const uint8_t known[] = {0x01, 0x02, 0x03, 0x04, 0x06, 0x08, 0x0A, 0x0C, 0x2C, 0x30, 0x40, 0x41, 0x42,
                             0x43, 0x44, 0x45, 0x50, 0x51, 0x52, 0x5B, 0x5C, 0x5D, 0x66, 0x67, 0x68, 0x70,
                             0x71, 0x72, 0x79, 0x7A, 0x7B, 0x7C, 0x82, 0x84, 0x85, 0x86, 0x87, 0xB0, 0xB3};
    bool listed[256] = {};
    for (uint8_t d : known) {
        listed[d] = true;
    }
    for (const Expect &e : rows) {
        char what[16];
        snprintf(what, sizeof what, "0x%02X", e.descriptor);
        EXPECT_EQ(m_tables.typeOf[e.descriptor], e.type) << what;
        ExpectEntry(Single(e.descriptor, e.type), e.row, what);
    }
    // Every other descriptor: type 0 and a zero row.
    for (uint32_t d = 0; d < 256; ++d) {
        if (listed[d]) {
            continue;
        }
        EXPECT_EQ(m_tables.typeOf[d], 0u) << "descriptor " << d;
        for (uint32_t t = 0; t < hs::kCacheTypeCount; ++t) {
            EXPECT_EQ(m_tables.rows[t][d].size, 0u) << d;
            EXPECT_EQ(m_tables.rows[t][d].ways, 0u) << d;
            EXPECT_EQ(m_tables.rows[t][d].lineSize, 0u) << d;
        }
    }
}

TEST(CpuAmdCacheDecode, AssociativityCodes) {
    const uint32_t expected[16] = {0, 1, 2, 0, 4, 0, 8, 0, 16, 0, 0, 0, 0, 0, 0, 0};
    for (uint32_t code = 0; code < 16; ++code) {
        EXPECT_EQ(hs::AmdL2Ways(code), expected[code]) << "code " << code;
    }
}

TEST(CpuAmdCacheDecode, AthlonThunderbirdLeaves) {
    hs::CacheInfoEntry table[hs::kCacheTypeCount];
    std::memset(table, 0xEE, sizeof table);
    hs::DecodeAmdCaches(0x40020140u, 0x40020140u, 0x01008140u, table);
    ExpectEntry(table[hs::CACHE_L1D], {64, 2, 64, 1}, "L1D");
    ExpectEntry(table[hs::CACHE_L1I], {64, 2, 64, 1}, "L1I");
    ExpectEntry(table[hs::CACHE_L2], {256, 16, 64, 1}, "L2");
    // Other entries are not written.
    EXPECT_EQ(table[hs::CACHE_NULL].size, 0xEEEEEEEEu);
    EXPECT_EQ(table[hs::CACHE_TC].size, 0xEEEEEEEEu);
    EXPECT_EQ(table[hs::CACHE_L3].size, 0xEEEEEEEEu);
    EXPECT_EQ(table[hs::CACHE_ITLB].size, 0xEEEEEEEEu);
    EXPECT_EQ(table[hs::CACHE_DTLB].size, 0xEEEEEEEEu);
}

TEST(CpuAmdCacheDecode, FieldsComeFromTheirOwnBits) {
    hs::CacheInfoEntry table[hs::kCacheTypeCount] = {};
    // L1D: size 0x12, ways 0x34, lines per tag 0x56, line 0x78; L1I distinct.
    // L2: size 0xABCD, code 0xF (fully associative: 0 ways), tag 0x9, line 0x21.
    hs::DecodeAmdCaches(0x12345678u, 0x87654321u, 0xABCDF921u, table);
    ExpectEntry(table[hs::CACHE_L1D], {0x12, 0x34, 0x78, 0x56}, "L1D");
    ExpectEntry(table[hs::CACHE_L1I], {0x87, 0x65, 0x21, 0x43}, "L1I");
    ExpectEntry(table[hs::CACHE_L2], {0xABCD, 0, 0x21, 0x9}, "L2");
    hs::DecodeAmdCaches(0, 0, 0x02006140u, table);  // Ryzen L2: 512 KB, 8 ways
    ExpectEntry(table[hs::CACHE_L2], {512, 8, 64, 1}, "Ryzen L2");
}

}  // namespace
