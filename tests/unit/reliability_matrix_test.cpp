// The bad-input table (tests/common/bad_input.h) against the native library,
// loaded over a machine with several items in every family and texts longer
// than their fields (tests/common/several.reg).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "library_under_test.h"
#include "platform/platform.h"
#include "common/bad_input.h"

void badinput::Fail(const std::string &text) { ADD_FAILURE() << text; }

namespace {

class ReliabilityMatrix : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::ifstream in(HS_SOURCE_DIR "/tests/common/several.reg", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        s_profile = text.str();
        s_lib = new hstest::LibraryUnderTest(s_profile.substr(s_profile.find('\n')));
        s_x = s_lib->x;
    }
    static void TearDownTestSuite() {
        delete s_lib;
        s_lib = nullptr;
    }
    // The adapter export checks room for every adapter of the machine.
    static uint32_t AdapterEntries() {
        uint32_t n = 0;
        for (size_t at = 0; (at = s_profile.find("[HKEY_SIMULATION\\Adapters\\", at)) != std::string::npos; ++at) ++n;
        return n;
    }

    // The machine has records in every family: no case is left out.
    void TearDown() override { EXPECT_TRUE(m_cases.Skipped().empty()) << m_cases.Skipped().front(); }

    static std::string s_profile;
    static hstest::LibraryUnderTest *s_lib;
    static hstest::Exports s_x;
    badinput::Cases m_cases{s_x};
};

std::string ReliabilityMatrix::s_profile;
hstest::LibraryUnderTest *ReliabilityMatrix::s_lib = nullptr;
hstest::Exports ReliabilityMatrix::s_x;

// The cases need several records in every family (a first, a middle and a
// last one), and adapter entries without an address.
TEST_F(ReliabilityMatrix, MachineHasSeveralItemsInEveryFamily) {
    EXPECT_EQ(2, s_x.HsiGetCpuCount());
    EXPECT_EQ(4, s_x.HsiGetSoftwareCount());
    EXPECT_EQ(3, s_x.HsiGetNetCount());
    uint32_t drives = 0, devices = 0, adapters = 0;
    s_x.HsiGetDriverInfo(nullptr, &drives);
    s_x.HsiGetDeviceInfo(nullptr, &devices);
    s_x.HsiGetAdapterInfo(nullptr, &adapters);
    EXPECT_EQ(4 * sizeof(DRIVERINFO), drives);
    EXPECT_EQ(12 * sizeof(DEVICEINFO), devices);
    EXPECT_EQ(2 * sizeof(IPADAPTERINFO), adapters);
    EXPECT_EQ(3u, AdapterEntries());
}

TEST_F(ReliabilityMatrix, BufferExportsAnswerEveryBadInput) { badinput::BufferCases(m_cases, AdapterEntries()); }
TEST_F(ReliabilityMatrix, ListExportsAnswerEveryBadInput) { badinput::ListCases(m_cases); }
TEST_F(ReliabilityMatrix, RecordExportsAnswerEveryBadInput) { badinput::RecordCases(m_cases); }
TEST_F(ReliabilityMatrix, AdapterCountReadsOnlyReadableEntries) { badinput::AdapterCountCases<IP_ADAPTER_INFO>(m_cases); }
TEST_F(ReliabilityMatrix, SysInfoAnswersEveryBadInput) { badinput::SysInfoCases(m_cases); }

}  // namespace
