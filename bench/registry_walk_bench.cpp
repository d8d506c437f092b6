// Plain walks of the registry keys that the exports read, through the same
// registry calls and nothing else: the yardstick for the exports' overhead.
#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <vector>

#include "bench_machine.h"
#include "bench_registry.h"
#include "platform/platform.h"

namespace hsbench {

namespace {

constexpr REGSAM kRead = 131097;  // KEY_READ

struct WalkCount {
    size_t keys = 0;
    size_t values = 0;
};

// Every key below path, depth first: its values read with their data, its
// subkeys by index.
void WalkKey(const std::string &path, WalkCount &count) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, kRead, &key) != ERROR_SUCCESS) return;
    ++count.keys;
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestValueName = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values, &longestValueName,
                     nullptr, nullptr, nullptr);
    std::vector<char> name(longestValueName + longestSubkey + 2);
    BYTE data[260];
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, data, &dataSize) == ERROR_SUCCESS) {
            ++count.values;
        }
    }
    std::vector<std::string> children;
    children.reserve(subkeys);
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExA(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            children.emplace_back(name.data(), nameLength);
        }
    }
    RegCloseKey(key);
    for (const std::string &child : children) WalkKey(path + "\\" + child, count);
}

const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kEnum[] = "SYSTEM\\CurrentControlSet\\Enum";

// The subtrees that the registry-walking exports read.
struct Walk {
    const char *name;
    std::vector<std::string> roots;
};

const Walk kWalks[] = {
    {"Walk/programs", {kUninstall}},
    {"Walk/drives", {std::string(kEnum) + "\\FDC", std::string(kEnum) + "\\IDE", std::string(kEnum) + "\\SCSI"}},
    {"Walk/devices", {kEnum}},
    {"Walk/all", {kEnum, kUninstall}},
};

}  // namespace

std::function<bool()> PlainWalk(const std::string &name) {
    for (const Walk &walk : kWalks) {
        if (walk.name != "Walk/" + name) continue;
        return [&walk] {
            WalkCount count;
            for (const std::string &root : walk.roots) WalkKey(root, count);
            benchmark::DoNotOptimize(count);
            return count.keys > 0;
        };
    }
    return [] { return false; };
}

void RegisterRegistryWalkBenchmarks(int scale) {
    for (const Walk &walk : kWalks) {
        benchmark::RegisterBenchmark((std::string(walk.name) + "/" + MachineName(scale)).c_str(),
                                     [scale, &walk](benchmark::State &state) {
                                         UseMachine(scale);
                                         WalkCount count;
                                         for (auto _ : state) {
                                             count = WalkCount();
                                             for (const std::string &root : walk.roots) WalkKey(root, count);
                                             benchmark::DoNotOptimize(count);
                                         }
                                         state.counters["keys"] = static_cast<double>(count.keys);
                                         state.counters["values"] = static_cast<double>(count.values);
                                     })
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace hsbench
