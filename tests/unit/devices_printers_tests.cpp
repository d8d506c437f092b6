// Printers from the print spooler, with its error paths.
#include <gtest/gtest.h>

#include "devices_profile.h"

namespace {

using hs::TextList;
using namespace hstest::dev;

std::string Printer(const std::string &list, const std::string &key, const std::string &name) {
    return "[HKEY_SIMULATION\\Printers\\" + list + "\\" + key + "]\n" + Value("Name", name);
}

std::string PrinterKnobs(const std::string &values) { return "[HKEY_SIMULATION\\Printers]\n" + values; }

TEST(DevicesPrinters, ListsAndTracesByReleaseAndSpoolerError) {
    const std::string defaultAndLocal = Printer("Default", "1", "Default one") + Printer("Local", "1", "Local");
    const struct {
        const char *what;
        std::string machine;
        TextList names;
        std::string debug;
    } cases[] = {
        // Three names that need far more than one record: the first call
        // fails with 122 and the grown buffer holds them all.
        {"NT grows the buffer",
         WindowsXp() + Printer("Local", "1", "HP LaserJet 4050 Series PCL6 on the second floor") +
             Printer("Local", "2", "Canon iR C3200 colour copier, room 204") +
             Printer("Local", "3", "Microsoft Office Document Image Writer") + Printer("Default", "1", "Only on 9x"),
         {"HP LaserJet 4050 Series PCL6 on the second floor", "Canon iR C3200 colour copier, room 204",
          "Microsoft Office Document Image Writer"},
         ""},
        {"NT without printers", WindowsNt4(), {}, ""},
        {"NT error other than 122 traced as a bare number",
         Windows2000() + Printer("Local", "1", "P") + PrinterKnobs(Dword("LocalError", 1722)), {}, "1722"},
        {"NT retry failure traced with the retry's error",
         WindowsXp() + Printer("Local", "1", "Printer") + PrinterKnobs(Dword("LocalRetryError", 5)), {}, "5"},
        {"9x default first, then other local printers",
         Windows98Se() + Printer("Default", "1", "P") + Printer("Local", "1", "P") + Printer("Local", "2", "Q"),
         {"P", "Q"}, ""},
        {"9x without default: spooler order",
         Windows95() + Printer("Local", "1", "Zebra label") + Printer("Local", "2", "Apple LW"),
         {"Zebra label", "Apple LW"}, ""},
        {"9x merge ignores letter case and repeats",
         Windows98Se() + Printer("Default", "1", "Epson Stylus") + Printer("Local", "1", "EPSON STYLUS") +
             Printer("Local", "2", "Laser") + Printer("Local", "3", "laser"),
         {"Epson Stylus", "Laser"}, ""},
        {"9x default stage error is silent", Windows98Se() + defaultAndLocal + PrinterKnobs(Dword("DefaultError", 2)),
         {"Local"}, ""},
        {"9x default retry failure ends the kind",
         Windows98Se() + defaultAndLocal + PrinterKnobs(Dword("DefaultRetryError", 1801)), {}, "1801"},
        {"9x local stage error other than 122 adds nothing",
         Windows95() + defaultAndLocal + PrinterKnobs(Dword("LocalError", 6)), {"Default one"}, ""},
        {"9x local retry failure drops the default printer too",
         Windows98Se() + defaultAndLocal + PrinterKnobs(Dword("LocalRetryError", 1722)), {}, "1722"},
    };
    for (const auto &c : cases) {
        auto inv = Collector(c.machine);
        StartDebugCapture();
        EXPECT_EQ(c.names, CollectKind(*inv, &hs::CInventory::GetPrinters, "Printer")) << c.what;
        EXPECT_EQ(c.debug, StopDebugCapture()) << c.what;
    }
}

}  // namespace
