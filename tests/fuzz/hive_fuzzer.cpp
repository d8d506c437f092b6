// Feeds arbitrary bytes to hsinfo's offline reading as a hive file (regf
// through libhivex, CREG through libcreg, told apart by the first bytes):
// it must answer an error or a profile, and the profile it writes must load
// into the simulated machine.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "offline/offline_machine.h"
#include "platform/sim/sim_machine.h"

namespace {

// The input as a file that the libraries open by name.
std::string InputFile(const uint8_t *data, size_t size) {
    static const int fd = memfd_create("hive-fuzz-input", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) __builtin_trap();
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string path = InputFile(data, size);
    hsinfo::offline::OfflineMachine machine;
    try {
        machine = hsinfo::offline::ReadOfflineMachine({path}, std::nullopt);
    } catch (const hsinfo::offline::OfflineError &) {
        return 0;
    }
    try {
        hs::sim::ReadMachine(machine.profile);
    } catch (const hs::sim::ProfileError &e) {
        std::fprintf(stderr, "the profile written for the hive does not load: %s\n", e.what());
        __builtin_trap();
    }
    return 0;
}
