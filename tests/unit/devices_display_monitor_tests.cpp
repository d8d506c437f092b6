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

TEST(DevicesDisplayMonitor, SourcesByRelease) {
    const KindGetter display = &hs::CInventory::GetDisplayAdapters, monitor = &hs::CInventory::GetMonitors;
    const std::string monitors9x = Key(kClassKey + "\\Monitor\\0000") + Value("DPMS", "0") +
                                   Value("DriverDesc", "Monitor zero") + Key(kClassKey + "\\Monitor\\0001") +
                                   Value("DPMS", "1") + Value("DriverDesc", "Monitor one") +
                                   Key(kClassKey + "\\Monitor\\0002") + Value("DPMS", "1") +
                                   Value("DriverDesc", "Monitor two");
    const struct {
        const char *what;
        std::string machine;
        KindGetter kind;
        TextList names;
    } cases[] = {
        {"NT 4 display under Root", WindowsNt4() + NtDisplaysEverywhere(), display, {"Root display"}},
        {"2000 display under PCI", Windows2000() + NtDisplaysEverywhere(), display, {"PCI display"}},
        {"XP display under PCI", WindowsXp() + NtDisplaysEverywhere(), display, {"PCI display"}},
        {"NT without a present display",
         WindowsXp() + Instance(kEnum + "\\PCI\\VEN_1002\\0", kDisplay, "Absent", "", "LogConf"), display, {}},
        {"9x reads the first display driver",
         Windows98Se() + Key(kClassKey + "\\Display\\0000") + Value("DriverDesc", "S3 Trio64V+") +
             Key(kClassKey + "\\Display\\0001") + Value("DriverDesc", "Second adapter") + NtDisplaysEverywhere(),
         display, {"S3 Trio64V+"}},
        {"9x display driver without description",
         Windows95() + Key(kClassKey + "\\Display\\0000") + Value("Driver", "s3.drv"), display, {""}},
        {"NT 4 monitor under Root", WindowsNt4() + NtDisplaysEverywhere(), monitor, {"Root monitor"}},
        {"XP monitor under DISPLAY", WindowsXp() + NtDisplaysEverywhere(), monitor, {"Plug and Play monitor"}},
        {"9x first driver with DPMS 1", Windows98Se() + monitors9x, monitor, {"Monitor one"}},
        {"9x DPMS must be exactly the text 1",
         Windows95() + Key(kClassKey + "\\Monitor\\0000") + Value("DPMS", "01") + Value("DriverDesc", "Leading zero") +
             Key(kClassKey + "\\Monitor\\0001") + Value("DPMS", "1 ") + Value("DriverDesc", "Trailing blank") +
             Key(kClassKey + "\\Monitor\\0002") + Dword("DPMS", 1) + Value("DriverDesc", "Number") +
             Key(kClassKey + "\\Monitor\\0003") + Value("DriverDesc", "No DPMS"),
         monitor, {}},
        {"9x DPMS 1 without description is an empty entry",
         Windows98Se() + Key(kClassKey + "\\Monitor\\0000") + Value("DPMS", "1") + Key(kClassKey + "\\Monitor\\0001") +
             Value("DPMS", "1") + Value("DriverDesc", "Later"),
         monitor, {""}},
    };
    for (const auto &c : cases) {
        auto inv = Collector(c.machine);
        EXPECT_EQ(c.names, CollectKind(*inv, c.kind, c.kind == display ? "Display" : "Monitor")) << c.what;
    }
}

}  // namespace
