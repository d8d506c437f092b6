// Display adapters and monitors.
#include <gtest/gtest.h>

#include "devices_profile.h"
#include "registry/class_guids.h"

namespace {

using hs::TextList;
using namespace hstest::dev;

const std::string kDisplay = hs::CLASSGUID_DISPLAY;
const std::string kMonitor = hs::CLASSGUID_MONITOR;
const std::string kClassKey = "SYSTEM\\CurrentControlSet\\Services\\Class";

// One display adapter and one monitor under each NT enumerator, so that the
// chosen enumerator shows in the result.
std::string NtDisplaysEverywhere() {
    return Instance(kEnum + "\\Root\\LEGACY_VGA\\0000", kDisplay, "Root display", "") +
           Instance(kEnum + "\\PCI\\VEN_10DE&DEV_0110\\4&1", kDisplay, "", "PCI display") +
           Instance(kEnum + "\\Root\\MONITOR\\0000", kMonitor, "Root monitor", "") +
           Instance(kEnum + "\\DISPLAY\\DELA007\\5&1", kMonitor, "", "Plug and Play monitor") +
           Instance(kEnum + "\\PCI\\VEN_10DE&DEV_0110\\4&2", kMonitor, "PCI-listed monitor", "");
}

TEST(DevicesDisplay, Nt4SearchesRootAndLaterReleasesPci) {
    auto nt4 = Collector(WindowsNt4() + NtDisplaysEverywhere());
    TextList descriptions, types;
    EXPECT_EQ(1, nt4->GetDisplayAdapters(descriptions, types));
    EXPECT_EQ(TextList({"Root display"}), descriptions);
    EXPECT_EQ(TextList({"Display"}), types);

    for (const std::string &version : {Windows2000(), WindowsXp()}) {
        auto inv = Collector(version + NtDisplaysEverywhere());
        descriptions.clear();
        EXPECT_EQ(1, inv->GetDisplayAdapters(descriptions, types));
        EXPECT_EQ(TextList({"PCI display"}), descriptions);
        EXPECT_EQ(TextList({"Display"}), types);
    }
}

TEST(DevicesDisplay, NtWithoutPresentAdapterHasNone) {
    auto inv = Collector(WindowsXp() + Instance(kEnum + "\\PCI\\VEN_1002\\0", kDisplay, "Absent", "", "LogConf"));
    TextList descriptions, types;
    EXPECT_EQ(0, inv->GetDisplayAdapters(descriptions, types));
    EXPECT_TRUE(types.empty());
}

TEST(DevicesDisplay, Windows9xReadsTheFirstDisplayDriver) {
    auto inv = Collector(Windows98Se() + Key(kClassKey + "\\Display\\0000") + Value("DriverDesc", "S3 Trio64V+") +
                         Key(kClassKey + "\\Display\\0001") + Value("DriverDesc", "Second adapter") +
                         NtDisplaysEverywhere());
    TextList descriptions, types;
    EXPECT_EQ(1, inv->GetDisplayAdapters(descriptions, types));
    EXPECT_EQ(TextList({"S3 Trio64V+"}), descriptions);
    EXPECT_EQ(TextList({"Display"}), types);
}

TEST(DevicesDisplay, Windows9xWithoutDriverDescStillHasOneEntry) {
    auto inv = Collector(Windows95() + Key(kClassKey + "\\Display\\0000") + Value("Driver", "s3.drv"));
    TextList descriptions, types;
    EXPECT_EQ(1, inv->GetDisplayAdapters(descriptions, types));
    EXPECT_EQ(TextList({""}), descriptions);
    EXPECT_EQ(TextList({"Display"}), types);
}

TEST(DevicesMonitor, Nt4SearchesRootAndLaterReleasesDisplay) {
    auto nt4 = Collector(WindowsNt4() + NtDisplaysEverywhere());
    TextList descriptions, types;
    EXPECT_EQ(1, nt4->GetMonitors(descriptions, types));
    EXPECT_EQ(TextList({"Root monitor"}), descriptions);
    EXPECT_EQ(TextList({"Monitor"}), types);

    auto xp = Collector(WindowsXp() + NtDisplaysEverywhere());
    descriptions.clear();
    EXPECT_EQ(1, xp->GetMonitors(descriptions, types));
    EXPECT_EQ(TextList({"Plug and Play monitor"}), descriptions);
}

TEST(DevicesMonitor, Windows9xTakesTheFirstDriverWithDpmsOne) {
    auto inv = Collector(Windows98Se() + Key(kClassKey + "\\Monitor\\0000") + Value("DPMS", "0") +
                         Value("DriverDesc", "Monitor zero") + Key(kClassKey + "\\Monitor\\0001") +
                         Value("DPMS", "1") + Value("DriverDesc", "Monitor one") +
                         Key(kClassKey + "\\Monitor\\0002") + Value("DPMS", "1") + Value("DriverDesc", "Monitor two"));
    TextList descriptions, types;
    EXPECT_EQ(1, inv->GetMonitors(descriptions, types));
    EXPECT_EQ(TextList({"Monitor one"}), descriptions);
    EXPECT_EQ(TextList({"Monitor"}), types);
}

TEST(DevicesMonitor, Windows9xDpmsMustBeExactlyOne) {
    auto inv = Collector(Windows95() + Key(kClassKey + "\\Monitor\\0000") + Value("DPMS", "01") +
                         Value("DriverDesc", "Leading zero") + Key(kClassKey + "\\Monitor\\0001") +
                         Value("DPMS", "1 ") + Value("DriverDesc", "Trailing blank") +
                         Key(kClassKey + "\\Monitor\\0002") + Dword("DPMS", 1) + Value("DriverDesc", "Number") +
                         Key(kClassKey + "\\Monitor\\0003") + Value("DriverDesc", "No DPMS"));
    TextList descriptions, types;
    EXPECT_EQ(0, inv->GetMonitors(descriptions, types));
    EXPECT_TRUE(descriptions.empty());
    EXPECT_TRUE(types.empty());
}

TEST(DevicesMonitor, Windows9xDpmsOneWithoutDriverDescIsAnEmptyEntry) {
    auto inv = Collector(Windows98Se() + Key(kClassKey + "\\Monitor\\0000") + Value("DPMS", "1") +
                         Key(kClassKey + "\\Monitor\\0001") + Value("DPMS", "1") + Value("DriverDesc", "Later"));
    TextList descriptions, types;
    EXPECT_EQ(1, inv->GetMonitors(descriptions, types));
    EXPECT_EQ(TextList({""}), descriptions);
}

}  // namespace
