// Allocation failure inside every export: the library's objects are linked
// into this program, whose global operator new can be armed to throw
// std::bad_alloc at the Nth allocation. For every N up to the number of
// allocations a call makes, the export must answer its failure result (or,
// where the failing allocation is one the library can do without, its normal
// result) and must not let the exception out, abort or leak.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "export_calls.h"
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

void Disarm() { s_failAt = 0; }

bool ShouldFail() {
    ++s_allocations;
    if (s_failAt <= 0) return false;
    if (s_allocations == s_failAt || (s_failAfter && s_allocations > s_failAt)) {
        ++s_injected;
        return true;
    }
    return false;
}

void *Allocate(std::size_t size) {
    if (ShouldFail()) throw std::bad_alloc();
    void *p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

}  // namespace

void *operator new(std::size_t size) { return Allocate(size); }
void *operator new[](std::size_t size) { return Allocate(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace hsleak;

void LoadSeveral() {
    hs::sim::LoadMachineFile(HS_LEAK_DIR "/several.reg");
    RebuildCollector();
}

class ReliabilityAllocFailure : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        LoadSeveral();
        hs::sim::CaptureDebugOutput(true);
    }
    void TearDown() override { hs::sim::CaptureDebugOutput(false); }
};

TEST_P(ReliabilityAllocFailure, EveryExportAnswersItsFailureResult) {
    const bool failAfter = GetParam();
    Buffers buffers;
    std::vector<ExportCall> calls = Calls(buffers);
    long totalRuns = 0;
    for (const ExportCall &c : calls) {
        SCOPED_TRACE(c.name);
        // The normal result, and the number of allocations the call makes.
        Arm(0, false);
        const int64_t normal = c.call();
        const long allocations = s_allocations;
        ASSERT_NE(normal, c.failure) << "the call must succeed on the test machine";
        const std::vector<uint8_t> normalOutput = buffers.arena.Snapshot();
        long failures = 0;
        long normals = 0;
        for (long n = 1; n <= allocations + 1; ++n) {
            hs::sim::TakeDebugOutput();
            Arm(n, failAfter);
            int64_t result = 0;
            try {
                result = c.call();
            } catch (...) {
                Disarm();
                FAIL() << "an exception left the export at allocation " << n;
            }
            const long injected = s_injected;
            Disarm();
            ++totalRuns;
            const std::string traces = hs::sim::TakeDebugOutput();
            EXPECT_EQ("", buffers.arena.FirstStrayWrite()) << "allocation " << n;
            if (injected == 0) {
                EXPECT_EQ(normal, result) << "no failure injected at " << n << ", traces: " << traces;
                continue;
            }
            if (result == c.failure) {
                ++failures;
            } else {
                // A failure the library could do without: the same answer
                // and the same records.
                EXPECT_EQ(normal, result) << "allocation " << n << " failed";
                EXPECT_TRUE(normalOutput == buffers.arena.Snapshot()) << "records differ, allocation " << n;
                ++normals;
            }
        }
        std::printf("[ reliability ] %-24s %s: %ld allocations, %ld failure results, %ld normal results\n",
                    c.name.c_str(), failAfter ? "fail-after" : "fail-once", allocations, failures, normals);
        if (allocations > 0) {
            EXPECT_GT(failures + normals, 0) << "no failure was injected";
        }
    }
    std::printf("[ reliability ] %ld calls with an injected allocation failure\n", totalRuns);
}

INSTANTIATE_TEST_SUITE_P(Modes, ReliabilityAllocFailure, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return info.param ? std::string("FailAfter") : std::string("FailOnce");
                         });

}  // namespace
