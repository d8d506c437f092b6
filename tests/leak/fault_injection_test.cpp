// Failures injected under every export (tests/common/export_calls.h), in a
// program linked with the library's objects (docs/reliability.md):
// allocation failure, where the global operator new throws std::bad_alloc at
// the Nth allocation (once, or from then on), and registry faults, where the
// simulated registry refuses its Nth call over each sample machine with an
// error that Windows gives for that kind of call. For every N up to the
// number of allocations or registry calls that a call makes, the export must
// answer within its results, write nothing outside its records, close every
// key it opened, and the next call without a fault must answer as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>

#include "api/adapter_list.h"
#include "api/inventory.h"
#include "common/export_calls.h"
#include "platform/sim/sim_machine.h"

namespace {

// Allocations counted since the last Arm(); the one numbered s_failAt (and,
// when s_failAfter, every later one) throws.
long s_allocations = 0;
long s_failAt = 0;
bool s_failAfter = false;
long s_injected = 0;

void Arm(long failAt, bool failAfter) {
    s_allocations = 0;
    s_injected = 0;
    s_failAfter = failAfter;
    s_failAt = failAt;
}

void *Allocate(std::size_t size) {
    ++s_allocations;
    if (s_failAt > 0 && (s_allocations == s_failAt || (s_failAfter && s_allocations > s_failAt))) {
        ++s_injected;
        throw std::bad_alloc();
    }
    void *p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void *AllocateOrNull(std::size_t size) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

void badinput::Fail(const std::string &text) { ADD_FAILURE() << text; }

void *operator new(std::size_t size) { return Allocate(size); }
void *operator new[](std::size_t size) { return Allocate(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return AllocateOrNull(size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return AllocateOrNull(size); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace hstest;

// A machine profile, with a fresh collector over it.
void LoadProfile(const std::string &profile) {
    hs::sim::LoadMachine(profile);
    hs::g_inventory.~CInventory();
    new (&hs::g_inventory) hs::CInventory();
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<ExportCall> LinkedCalls(Buffers &buffers) {
    return Calls(buffers, LinkedExports(), hs::AdapterListEntryCount());
}

class ReliabilityAllocFailure : public ::testing::TestWithParam<bool> {};

TEST_P(ReliabilityAllocFailure, EveryExportAnswersItsFailureResult) {
    LoadProfile(ReadFile(HS_SOURCE_DIR "/tests/common/several.reg"));
    hs::sim::CaptureDebugOutput(true);
    const bool failAfter = GetParam();
    Buffers buffers;
    long totalRuns = 0;
    for (const ExportCall &c : LinkedCalls(buffers)) {
        SCOPED_TRACE(c.name);
        // The normal result, and the number of allocations the call makes.
        Arm(0, false);
        const int64_t normal = c.call();
        const long allocations = s_allocations;
        ASSERT_NE(normal, c.failure) << "the call must succeed on the test machine";
        const std::vector<uint8_t> normalOutput = buffers.arena.Snapshot();
        long failures = 0;
        long normals = 0;
        for (long n = 1; n <= allocations + 1; ++n, ++totalRuns) {
            hs::sim::TakeDebugOutput();
            Arm(n, failAfter);
            int64_t result = 0;
            bool escaped = false;
            try {
                result = c.call();
            } catch (...) {
                escaped = true;
            }
            const long injected = s_injected;
            Arm(0, false);
            ASSERT_FALSE(escaped) << "an exception left the export at allocation " << n;
            EXPECT_EQ("", buffers.arena.FirstStrayWrite()) << "allocation " << n;
            if (injected != 0 && result == c.failure) {
                ++failures;
                continue;
            }
            // No failure injected, or one the library could do without: the
            // same answer and the same records.
            EXPECT_EQ(normal, result) << "allocation " << n << ", injected " << injected;
            EXPECT_TRUE(normalOutput == buffers.arena.Snapshot()) << "records differ, allocation " << n;
            normals += injected != 0;
        }
        std::printf("[ reliability ] %-24s %s: %ld allocations, %ld failure results, %ld normal results\n",
                    c.name.c_str(), failAfter ? "fail-after" : "fail-once", allocations, failures, normals);
        EXPECT_TRUE(allocations == 0 || failures + normals > 0) << "no failure was injected";
    }
    hs::sim::CaptureDebugOutput(false);
    hs::sim::TakeDebugOutput();
    std::printf("[ reliability ] %ld calls with an injected allocation failure\n", totalRuns);
}

// Failing once (false), and from then on (true).
INSTANTIATE_TEST_SUITE_P(Modes, ReliabilityAllocFailure, ::testing::Values(false, true));

using hs::sim::RegistryCall;

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
    std::string profile = ReadFile(HS_SOURCE_DIR "/machines/" + name + ".reg");
    ASSERT_FALSE(profile.empty()) << name;
    if (profile.find("[HKEY_SIMULATION\\Processor]") == std::string::npos)
        profile += std::string("\n") + hs::sim::kVirtualClockProcessor;
    if (profile.find("[HKEY_SIMULATION\\Memory]") == std::string::npos) {
        profile += "\n[HKEY_SIMULATION\\Memory]\n";
        for (const char *value : {"MemoryLoad", "TotalPhys", "AvailPhys", "TotalPageFile", "AvailPageFile",
                                  "TotalVirtual", "AvailVirtual"})
            profile += std::string("\"") + value + "\"=dword:10000000\n";
    }
    LoadProfile(profile);
}

// The collector's drive and device lists pair up and hold only the type
// words of their kinds.
bool CollectorListsPairUp() {
    auto pairUp = [](const hs::TextList &descriptions, const hs::TextList &types,
                     const std::vector<std::string> &allowed) {
        if (descriptions.size() != types.size()) return false;
        for (const hs::Text &word : types)
            if (std::find(allowed.begin(), allowed.end(), std::string(word)) == allowed.end()) return false;
        return true;
    };
    hs::TextList descriptions, types;
    hs::g_inventory.CopyDriverLists(descriptions, types);
    if (!pairUp(descriptions, types, {"FloppyDisk", "CDROM", "DiskDrive"})) return false;
    hs::g_inventory.CopyDeviceLists(descriptions, types);
    return pairUp(descriptions, types,
                  {"Display", "Printer", "Monitor", "Mouse", "Keyboard", "Net", "MEDIA", "USB", "SCSI", "Modem"});
}

// The list length that an answer reports: the size of a query, the count of
// a count export; -1 for the others. A failed read gives empty text or a
// shorter list, so it never grows; only the drive and device kinds may go on
// to their next source instead (docs/reliability.md), and there the lists
// must still pair up with their kinds' type words.
int64_t ListLength(const ExportCall &c, int64_t answer) {
    if (c.query) return answer & 0xFFFFFFFF;
    return c.results.empty() ? answer : -1;
}

class RegistryFaults : public ::testing::TestWithParam<const char *> {};

TEST_P(RegistryFaults, EveryExportAnswersWithinItsResults) {
    LoadSample(GetParam());
    hs::sim::CaptureDebugOutput(true);
    Buffers buffers;
    long points = 0;
    for (const ExportCall &c : LinkedCalls(buffers)) {
        SCOPED_TRACE(c.name);
        c.call();  // the collector's caches filled, as before every later call
        hs::sim::ArmRegistryFault(0, 0);
        const int64_t normal = c.call();
        const std::vector<RegistryCall> made = hs::sim::DisarmRegistryFault();
        const std::vector<uint8_t> normalOutput = buffers.arena.Snapshot();
        const size_t openKeys = hs::sim::OpenRegistryKeyCount();
        const bool drivesOrDevices = c.name.find("Driver") != std::string::npos ||
                                     c.name.find("Device") != std::string::npos ||
                                     c.name.find("SysInfo") != std::string::npos;
        int failures = 0;
        for (size_t n = 1; n <= made.size() && failures < 10; ++n, ++points) {
            // Every error of the call's kind, in turn over the call numbers.
            const std::vector<long> errors = ErrorsFor(made[n - 1]);
            const long error = errors[n % errors.size()];
            hs::sim::ArmRegistryFault(n, error);
            const int64_t answer = c.call();
            hs::sim::DisarmRegistryFault();
            // What the faulted call left, before the next call replaces it.
            const std::string stray = buffers.arena.FirstStrayWrite();
            const bool listOk = drivesOrDevices ? CollectorListsPairUp() : ListLength(c, answer) <= ListLength(c, normal);
            const size_t keys = hs::sim::OpenRegistryKeyCount();
            const int64_t again = c.call();
            if (c.Allowed(answer) && listOk && keys == openKeys && stray.empty() && again == normal &&
                buffers.arena.Snapshot() == normalOutput)
                continue;
            ++failures;
            ADD_FAILURE() << "call " << n << " refused with " << error << ": answer " << answer << " (without the fault "
                          << normal << "), lists " << (listOk ? "fine" : "longer or unpaired") << ", open keys "
                          << keys << " (" << openKeys << "), stray write: " << (stray.empty() ? "none" : stray)
                          << ", next call " << again;
        }
        std::printf("[ registry faults ] %-12s %-24s %zu registry calls\n", GetParam(), c.name.c_str(), made.size());
    }
    hs::sim::CaptureDebugOutput(false);
    hs::sim::TakeDebugOutput();
    std::printf("[ registry faults ] %s: %ld fault points\n", GetParam(), points);
}

INSTANTIATE_TEST_SUITE_P(SampleMachines, RegistryFaults,
                         ::testing::Values("default", "nt4", "win2000", "win95-osr2", "win98se", "winxp"));

}  // namespace
