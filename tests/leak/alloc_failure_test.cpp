// Allocation failure inside every export: the library's objects are linked
// into this program, whose global operator new can be armed to throw
// std::bad_alloc at the Nth allocation. For every N up to the number of
// allocations a call makes, the export must answer its failure result (or,
// where the failing allocation is one the library can do without, its normal
// result) and must not let the exception out, abort or leak.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "api/inventory.h"
#include "hardscan.h"
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

// A call of one export with arguments that succeed on the test machine, and
// the result that means failure.
struct ExportCall {
    std::string name;
    std::function<int64_t()> call;
    int64_t failure;
};

// Caller memory below 4 GiB, so that the 32-bit record addresses of the list
// calls name it.
class LowArena {
public:
    LowArena() {
        void *p = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
        if (p == MAP_FAILED) throw std::runtime_error("mmap failed");
        m_base = static_cast<uint8_t *>(p);
    }
    ~LowArena() { munmap(m_base, kSize); }
    LowArena(const LowArena &) = delete;
    LowArena &operator=(const LowArena &) = delete;

    template <typename T>
    T *Take(size_t count) {
        const size_t bytes = (count * sizeof(T) + 15) / 16 * 16;
        if (m_used + bytes > kSize) throw std::runtime_error("arena full");
        T *p = reinterpret_cast<T *>(m_base + m_used);
        m_used += bytes;
        return p;
    }

    // Every byte handed out so far.
    std::vector<uint8_t> Snapshot() const { return std::vector<uint8_t>(m_base, m_base + m_used); }

private:
    static constexpr size_t kSize = 4 << 20;
    uint8_t *m_base = nullptr;
    size_t m_used = 0;
};

uint32_t Low32(const void *p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// Buffers of the right sizes, asked for once before the runs.
struct Buffers {
    LowArena arena;
    CPUINFO *cpus = nullptr;
    DRIVERINFO *drives = nullptr;
    DEVICEINFO *devices = nullptr;
    IPADAPTERINFO *adapters = nullptr;
    SOFTWAREINFO *programs = nullptr;
    NETINFO *nets = nullptr;
    uint8_t *block = nullptr;
    COMMONINFO *common = nullptr;
    NETUSERINFO *user = nullptr;
    INFOLIST *cpuList = nullptr;
    INFOLIST *netList = nullptr;
    SOFTWAREINFOLIST *programList = nullptr;
    size_t cpuCount = 0, driveCount = 0, deviceCount = 0, programCount = 0, netCount = 0;
    SYSINFOHEADER sizes{};
};

template <typename T>
uint32_t SizeOf(uint32_t (*query)(T *, uint32_t *)) {
    uint32_t size = 0;
    query(nullptr, &size);
    return size;
}

void LoadSeveral() {
    hs::sim::LoadMachineFile(HS_LEAK_DIR "/several.reg");
    // A fresh collector over the machine just loaded.
    hs::g_inventory.~CInventory();
    new (&hs::g_inventory) hs::CInventory();
}

constexpr uint32_t kUnwritten = 0xFFFFFFFFu;
constexpr int64_t kFailedQuery = int64_t{111} << 32 | kUnwritten;

std::vector<ExportCall> Calls(Buffers &b) {
    b.cpuCount = SizeOf(HsiGetCpuInfo) / sizeof(CPUINFO);
    b.driveCount = SizeOf(HsiGetDriverInfo) / sizeof(DRIVERINFO);
    b.deviceCount = SizeOf(HsiGetDeviceInfo) / sizeof(DEVICEINFO);
    b.programCount = SizeOf(HsiGetSoftwareInfo) / sizeof(SOFTWAREINFO);
    b.netCount = static_cast<size_t>(HsiGetNetCount());
    b.cpus = b.arena.Take<CPUINFO>(b.cpuCount);
    b.drives = b.arena.Take<DRIVERINFO>(b.driveCount);
    b.devices = b.arena.Take<DEVICEINFO>(b.deviceCount);
    b.adapters = b.arena.Take<IPADAPTERINFO>(8);
    b.programs = b.arena.Take<SOFTWAREINFO>(b.programCount);
    b.nets = b.arena.Take<NETINFO>(b.netCount);
    b.common = b.arena.Take<COMMONINFO>(1);
    b.user = b.arena.Take<NETUSERINFO>(1);
    b.cpuList = b.arena.Take<INFOLIST>(1);
    b.netList = b.arena.Take<INFOLIST>(1);
    b.programList = b.arena.Take<SOFTWAREINFOLIST>(1);
    uint32_t total = 0;
    HsiGetSysInfo(&b.sizes, &total);
    b.block = b.arena.Take<uint8_t>(sizeof(SYSINFOHEADER) + total + 4);
    const SYSINFOHEADER sizes = b.sizes;

    auto sizeCall = [](auto fn, auto *data, size_t count, size_t rec) {
        return [fn, data, count, rec]() -> int64_t {
            uint32_t size = static_cast<uint32_t>(count * rec);
            return fn(data, &size);
        };
    };
    // A size query answers 111 either way: its result together with the size
    // it wrote (a failed query leaves the size as it was).
    auto queryCall = [](auto fn) {
        return [fn]() -> int64_t {
            uint32_t size = kUnwritten;
            return int64_t{fn(nullptr, &size)} << 32 | size;
        };
    };
    // A list call over the records asked for, its header naming them.
    auto listCall = [](auto fn, auto *header, const void *records, size_t count) {
        return [fn, header, records, count]() -> int64_t {
            header->records = Low32(records);
            return fn(header, static_cast<int32_t>(count));
        };
    };
    std::vector<ExportCall> calls;
    calls.push_back({"HsiGetCpuCount", [] { return int64_t{HsiGetCpuCount()}; }, 0});
    calls.push_back({"HsiGetNetCount", [] { return int64_t{HsiGetNetCount()}; }, 0});
    calls.push_back({"HsiGetSoftwareCount", [] { return int64_t{HsiGetSoftwareCount()}; }, 0});
    calls.push_back({"HsiGetCpuInfo", sizeCall(HsiGetCpuInfo, b.cpus, b.cpuCount, sizeof(CPUINFO)), 111});
    calls.push_back({"HsiGetCpuInfo(query)", queryCall(HsiGetCpuInfo), kFailedQuery});
    calls.push_back({"HsiGetCpuInfoEx", listCall(HsiGetCpuInfoEx, b.cpuList, b.cpus, b.cpuCount), 0});
    calls.push_back({"HsiGetCommonInfo", [&b] { return int64_t{HsiGetCommonInfo(b.common)}; }, 0});
    calls.push_back({"HsiGetNetInfoEx", listCall(HsiGetNetInfoEx, b.netList, b.nets, b.netCount), 0});
    calls.push_back({"HsiGetAdapterInfo",
                     [&b] {
                         uint32_t size = 0;
                         return int64_t{HsiGetAdapterInfo(b.adapters, &size)};
                     },
                     111});
    calls.push_back({"HsiGetNetUserInfo", [&b] { return int64_t{HsiGetNetUserInfo(b.user)}; }, 0});
    calls.push_back({"HsiGetSoftwareInfo",
                     sizeCall(HsiGetSoftwareInfo, b.programs, b.programCount, sizeof(SOFTWAREINFO)), 111});
    calls.push_back(
        {"HsiGetSoftwareInfoEx", listCall(HsiGetSoftwareInfoEx, b.programList, b.programs, b.programCount), 0});
    calls.push_back({"HsiGetDriverInfo",
                     sizeCall(HsiGetDriverInfo, b.drives, b.driveCount, sizeof(DRIVERINFO)), 111});
    calls.push_back({"HsiGetDeviceInfo(query)", queryCall(HsiGetDeviceInfo), kFailedQuery});
    calls.push_back({"HsiGetDeviceInfo",
                     sizeCall(HsiGetDeviceInfo, b.devices, b.deviceCount, sizeof(DEVICEINFO)), 111});
    calls.push_back({"HsiGetSysInfo(query)",
                     [&b] {
                         uint32_t total = 0;
                         const uint32_t result = HsiGetSysInfo(reinterpret_cast<SYSINFOHEADER *>(b.block), &total);
                         return int64_t{result} << 32 | total;
                     },
                     int64_t{232} << 32});
    calls.push_back({"HsiGetSysInfo",
                     [&b, sizes] {
                         auto *header = reinterpret_cast<SYSINFOHEADER *>(b.block);
                         *header = sizes;
                         uint32_t total = sizes.commonSize + sizes.cpuSize + sizes.driverSize + sizes.deviceSize +
                                          sizes.adapterSize + sizes.softwareSize;
                         return int64_t{HsiGetSysInfo(header, &total)};
                     },
                     232});
    return calls;
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
