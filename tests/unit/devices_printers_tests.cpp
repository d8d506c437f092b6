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

struct PrinterRun {
    TextList descriptions;
    TextList types;
    int32_t count;
    std::string debug;
};

PrinterRun Printers(const std::string &machine) {
    auto inv = Collector(machine);
    PrinterRun run;
    StartDebugCapture();
    run.count = inv->GetPrinters(run.descriptions, run.types);
    run.debug = StopDebugCapture();
    return run;
}

TEST(DevicesPrinters, NtListsNamedPrintersAfterGrowingTheBuffer) {
    // Three names that need far more than one record: the first call fails
    // with 122 and the grown buffer holds them all.
    const PrinterRun run = Printers(WindowsXp() + Printer("Local", "1", "HP LaserJet 4050 Series PCL6 on the second floor") +
                             Printer("Local", "2", "Canon iR C3200 colour copier, room 204") +
                             Printer("Local", "3", "Microsoft Office Document Image Writer") +
                             Printer("Default", "1", "Only on 9x"));
    EXPECT_EQ(3, run.count);
    EXPECT_EQ(TextList({"HP LaserJet 4050 Series PCL6 on the second floor", "Canon iR C3200 colour copier, room 204",
                        "Microsoft Office Document Image Writer"}),
              run.descriptions);
    EXPECT_EQ(TextList(3, "Printer"), run.types);
    EXPECT_EQ("", run.debug);
}

TEST(DevicesPrinters, NtWithoutPrintersHasNone) {
    const PrinterRun run = Printers(WindowsNt4());
    EXPECT_EQ(0, run.count);
    EXPECT_TRUE(run.descriptions.empty());
    EXPECT_TRUE(run.types.empty());
    EXPECT_EQ("", run.debug);
}

TEST(DevicesPrinters, NtErrorOtherThan122IsTracedAsBareNumber) {
    const PrinterRun run = Printers(Windows2000() + Printer("Local", "1", "P") + PrinterKnobs(Dword("LocalError", 1722)));
    EXPECT_EQ(0, run.count);
    EXPECT_TRUE(run.descriptions.empty());
    EXPECT_TRUE(run.types.empty());
    EXPECT_EQ("1722", run.debug);
}

TEST(DevicesPrinters, NtRetryFailureIsTracedWithTheRetrysError) {
    const PrinterRun run =
        Printers(WindowsXp() + Printer("Local", "1", "Printer") + PrinterKnobs(Dword("LocalRetryError", 5)));
    EXPECT_EQ(0, run.count);
    EXPECT_TRUE(run.descriptions.empty());
    EXPECT_EQ("5", run.debug);
}

TEST(DevicesPrinters, Windows9xDefaultFirstThenOtherLocalPrinters) {
    const PrinterRun run = Printers(Windows98Se() + Printer("Default", "1", "P") + Printer("Local", "1", "P") +
                             Printer("Local", "2", "Q"));
    EXPECT_EQ(2, run.count);
    EXPECT_EQ(TextList({"P", "Q"}), run.descriptions);
    EXPECT_EQ(TextList(2, "Printer"), run.types);
    EXPECT_EQ("", run.debug);
}

TEST(DevicesPrinters, Windows9xWithoutDefaultListsLocalInSpoolerOrder) {
    const PrinterRun run = Printers(Windows95() + Printer("Local", "1", "Zebra label") + Printer("Local", "2", "Apple LW"));
    EXPECT_EQ(TextList({"Zebra label", "Apple LW"}), run.descriptions);
    EXPECT_EQ(2, run.count);
}

TEST(DevicesPrinters, Windows9xMergeIgnoresLetterCaseAndRepeats) {
    const PrinterRun run = Printers(Windows98Se() + Printer("Default", "1", "Epson Stylus") +
                             Printer("Local", "1", "EPSON STYLUS") + Printer("Local", "2", "Laser") +
                             Printer("Local", "3", "laser"));
    EXPECT_EQ(TextList({"Epson Stylus", "Laser"}), run.descriptions);
    EXPECT_EQ(TextList(2, "Printer"), run.types);
}

TEST(DevicesPrinters, Windows9xDefaultStageErrorIsSilent) {
    const PrinterRun run = Printers(Windows98Se() + Printer("Default", "1", "Default one") + Printer("Local", "1", "Local") +
                             PrinterKnobs(Dword("DefaultError", 2)));
    EXPECT_EQ(TextList({"Local"}), run.descriptions);
    EXPECT_EQ(1, run.count);
    EXPECT_EQ("", run.debug);
}

TEST(DevicesPrinters, Windows9xDefaultRetryFailureEndsTheKind) {
    const PrinterRun run = Printers(Windows98Se() + Printer("Default", "1", "Default one") + Printer("Local", "1", "Local") +
                             PrinterKnobs(Dword("DefaultRetryError", 1801)));
    EXPECT_EQ(0, run.count);
    EXPECT_TRUE(run.descriptions.empty());
    EXPECT_EQ("1801", run.debug);
}

TEST(DevicesPrinters, Windows9xLocalStageErrorOtherThan122AddsNothing) {
    const PrinterRun run = Printers(Windows95() + Printer("Default", "1", "Default one") + Printer("Local", "1", "Local") +
                             PrinterKnobs(Dword("LocalError", 6)));
    EXPECT_EQ(TextList({"Default one"}), run.descriptions);
    EXPECT_EQ(1, run.count);
    EXPECT_EQ("", run.debug);
}

TEST(DevicesPrinters, Windows9xLocalRetryFailureDropsTheDefaultPrinterToo) {
    const PrinterRun run = Printers(Windows98Se() + Printer("Default", "1", "Default one") + Printer("Local", "1", "Local") +
                             PrinterKnobs(Dword("LocalRetryError", 1722)));
    EXPECT_EQ(0, run.count);
    EXPECT_EQ(TextList(), run.descriptions);
    EXPECT_EQ(TextList(), run.types);
    EXPECT_EQ("1722", run.debug);
}

}  // namespace
