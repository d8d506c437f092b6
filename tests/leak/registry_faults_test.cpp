// Registry faults at every registry call of every export. Over each sample
// machine, for every N up to the number of registry calls an export makes,
// the simulated registry refuses call N with an error that Windows gives for
// that kind of call. The export must answer one of its results, close every
// key it opened, write nothing outside its records, and the next call
// without a fault must answer as before. A failed read is empty text or a
// shorter list: the processor and program counts and sizes never grow. The
// drive and device lists may, where a failed read sends a kind to its next
// source (an NT 4 unit whose type cannot be read counts as a disk; the sound
// kind searches every enumerator when its PCI search finds nothing); there
// the collector's lists must still pair up with their kinds' type words. The
// sanitizer build's leak check covers every faulted call.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "export_calls.h"
#include "platform/sim/sim_machine.h"

namespace {

using hs::sim::RegistryCall;
using namespace hsleak;

// The errors Windows answers for each kind of call: a missing key or value
// (2), access denied (5), data or a name larger than the buffer (234), the
// end of an enumeration (259).
std::vector<long> ErrorsFor(RegistryCall kind) {
    switch (kind) {
        case RegistryCall::OpenKey: return {2, 5};
        case RegistryCall::QueryValue: return {2, 5, 234};
        case RegistryCall::QueryKey: return {5};
        case RegistryCall::EnumKey:
        case RegistryCall::EnumValue: return {259, 234, 5};
    }
    return {};
}

// The sample machine, with the simulated processor and its virtual clock
// when the profile uses the real one (building a collector then takes no
// real time), and fixed memory figures where it takes the host's (which
// change from call to call).
void LoadSample(const std::string &name) {
    std::ifstream in(std::string(HS_SOURCE_DIR "/machines/") + name + ".reg", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string profile = text.str();
    ASSERT_FALSE(profile.empty()) << name;
    if (profile.find("[HKEY_SIMULATION\\Processor]") == std::string::npos) {
        profile += "\n";
        profile += hs::sim::kVirtualClockProcessor;
    }
    if (profile.find("[HKEY_SIMULATION\\Memory]") == std::string::npos) {
        profile += "\n[HKEY_SIMULATION\\Memory]\n";
        for (const char *name : {"MemoryLoad", "TotalPhys", "AvailPhys", "TotalPageFile", "AvailPageFile",
                                 "TotalVirtual", "AvailVirtual"}) {
            profile += std::string("\"") + name + "\"=dword:10000000\n";
        }
    }
    hs::sim::LoadMachine(profile);
    RebuildCollector();
}

bool AllIn(const hs::TextList &words, const std::vector<std::string> &allowed) {
    for (const hs::Text &word : words) {
        bool found = false;
        for (const std::string &a : allowed) found = found || word == a;
        if (!found) return false;
    }
    return true;
}

// The collector's drive and device lists pair up and hold only the type
// words of their kinds.
bool CollectorListsPairUp() {
    hs::TextList descriptions, types;
    hs::g_inventory.CopyDriverLists(descriptions, types);
    if (descriptions.size() != types.size() || !AllIn(types, {"FloppyDisk", "CDROM", "DiskDrive"})) return false;
    hs::g_inventory.CopyDeviceLists(descriptions, types);
    return descriptions.size() == types.size() &&
           AllIn(types, {"Display", "Printer", "Monitor", "Mouse", "Keyboard", "Net", "MEDIA", "USB", "SCSI", "Modem"});
}

// True for the exports whose lists come from the drive and device kinds.
bool GathersDrivesOrDevices(const ExportCall &c) {
    return c.name.find("Driver") != std::string::npos || c.name.find("Device") != std::string::npos ||
           c.name.find("SysInfo") != std::string::npos;
}

// The list length that an answer reports: the size of a query, the count of
// a count export; -1 for the others.
int64_t ListLength(const ExportCall &c, int64_t answer) {
    if (c.query) return answer & 0xFFFFFFFF;
    return c.results.empty() ? answer : -1;
}

class RegistryFaults : public ::testing::TestWithParam<const char *> {};

TEST_P(RegistryFaults, EveryExportAnswersWithinItsResults) {
    LoadSample(GetParam());
    hs::sim::CaptureDebugOutput(true);
    Buffers buffers;
    const std::vector<ExportCall> calls = Calls(buffers);
    long points = 0;
    for (const ExportCall &c : calls) {
        SCOPED_TRACE(c.name);
        c.call();  // the collector's caches filled, as before every later call
        hs::sim::ArmRegistryFault(0, 0);
        const int64_t normal = c.call();
        const std::vector<RegistryCall> made = hs::sim::DisarmRegistryFault();
        const std::vector<uint8_t> normalOutput = buffers.arena.Snapshot();
        const size_t openKeys = hs::sim::OpenRegistryKeyCount();
        int failures = 0;
        for (size_t n = 1; n <= made.size() && failures < 10; ++n) {
            // Every error of the call's kind, in turn over the call numbers.
            const std::vector<long> errors = ErrorsFor(made[n - 1]);
            const long error = errors[n % errors.size()];
            hs::sim::ArmRegistryFault(n, error);
            const int64_t answer = c.call();
            hs::sim::DisarmRegistryFault();
            ++points;
            const std::string where = "call " + std::to_string(n) + " refused with " + std::to_string(error);
            // What the faulted call left, before the next call replaces it.
            const std::string stray = buffers.arena.FirstStrayWrite();
            const bool listOk = GathersDrivesOrDevices(c) ? CollectorListsPairUp()
                                                          : ListLength(c, answer) <= ListLength(c, normal);
            const size_t keys = hs::sim::OpenRegistryKeyCount();
            const int64_t again = c.call();
            const bool ok = c.Allowed(answer) && listOk && keys == openKeys && stray.empty() && again == normal &&
                            buffers.arena.Snapshot() == normalOutput;
            if (!ok) {
                ++failures;
                ADD_FAILURE() << where << ": answer " << answer << " (without the fault " << normal << "), lists "
                              << (listOk ? "fine" : "longer or unpaired") << ", open keys " << keys << " ("
                              << openKeys << "), stray write: " << (stray.empty() ? "none" : stray)
                              << ", next call " << again;
            }
        }
        std::printf("[ registry faults ] %-12s %-24s %zu registry calls\n", GetParam(), c.name.c_str(),
                    made.size());
    }
    hs::sim::CaptureDebugOutput(false);
    hs::sim::TakeDebugOutput();
    std::printf("[ registry faults ] %s: %ld fault points\n", GetParam(), points);
}

INSTANTIATE_TEST_SUITE_P(SampleMachines, RegistryFaults,
                         ::testing::Values("default", "nt4", "win2000", "win95-osr2", "win98se", "winxp"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             std::string name = info.param;
                             for (char &ch : name) {
                                 if (ch == '-') ch = '_';
                             }
                             return name;
                         });

}  // namespace
