// Listing the installed programs of a machine with 10,000 uninstall entries:
// the whole list operation (registry walk and sort), and the sort alone.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>

#include "api/inventory.h"
#include "bench_machine.h"
#include "software/name_sort.h"

namespace {

constexpr int kPrograms = 10000;

// Program names in no particular order, many sharing long prefixes and some
// equal but for case, as real uninstall lists have.
hs::TextList ProgramNames(int count) {
    static const char *const kPrefixes[] = {"Microsoft Visual C++ 2005 Redistributable ",
                                            "Security Update for Windows XP (KB",
                                            "Hotfix for Windows XP (KB",
                                            "Adobe ",
                                            "mozilla ",
                                            "Java(TM) 6 Update ",
                                            "",
                                            "\xC4rzte-Software "};
    std::mt19937 random(10000);
    hs::TextList names;
    names.reserve(count);
    char number[16];
    for (int k = 0; k < count; ++k) {
        snprintf(number, sizeof number, "%u", static_cast<unsigned>(random() % 1000000));
        hs::Text name = std::string(kPrefixes[random() % 8]) + number;
        if (random() % 4 == 0) name += " x64";
        if (random() % 5 == 0) {
            for (char &c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        }
        names.push_back(name);
    }
    return names;
}

std::string MachineWithPrograms(const hs::TextList &names) {
    std::string profile =
        "REGEDIT4\n\n"
        "[HKEY_SIMULATION\\Processor]\n\"TscKHz\"=dword:000b71b0\n"
        "[HKEY_SIMULATION\\Processor\\Leaves]\n"
        "\"00000000\"=\"00000002 756e6547 6c65746e 49656e69\"\n"
        "\"00000001\"=\"00000683 00000002 00000000 0387f9ff\"\n";
    char key[32];
    for (size_t k = 0; k < names.size(); ++k) {
        snprintf(key, sizeof key, "{%08zX}", k * 2654435761u % 100000007u);
        profile += std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + key +
                   "]\n\"DisplayName\"=\"" + names[k] + "\"\n\"Publisher\"=\"Vendor\"\n"
                   "\"UninstallString\"=\"MsiExec.exe /X" + key + "\"\n";
    }
    return profile;
}

void BM_SoftwareList10000(benchmark::State &state) {
    hsbench::UseOtherMachine(MachineWithPrograms(ProgramNames(kPrograms)));
    hs::CInventory inv;
    for (auto _ : state) {
        hs::TextList names(kPrograms);
        hs::Text category;
        benchmark::DoNotOptimize(inv.GetSoftwareList(names, kPrograms, category));
        if (names.back().empty()) state.SkipWithError("fewer programs listed than installed");
    }
}
BENCHMARK(BM_SoftwareList10000)->Unit(benchmark::kMillisecond);

void BM_SoftwareCount10000(benchmark::State &state) {
    hsbench::UseOtherMachine(MachineWithPrograms(ProgramNames(kPrograms)));
    hs::CInventory inv;
    for (auto _ : state) {
        const int32_t count = inv.GetSoftwareCount();
        if (count != kPrograms) state.SkipWithError("wrong program count");
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_SoftwareCount10000)->Unit(benchmark::kMillisecond);

void BM_NameSort10000(benchmark::State &state) {
    const hs::TextList unsorted = ProgramNames(kPrograms);
    for (auto _ : state) {
        state.PauseTiming();
        hs::TextList names = unsorted;
        state.ResumeTiming();
        hs::SortNamesIgnoringCase(names, names.size());
        benchmark::DoNotOptimize(names.data());
    }
}
BENCHMARK(BM_NameSort10000)->Unit(benchmark::kMillisecond);

}  // namespace
