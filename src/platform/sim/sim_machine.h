// Control of the simulated Windows machine, for the native build's tests and
// tools. The library itself never calls this: it sees only the Windows names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace hs::sim {

struct Machine;

// A profile that cannot be read: what() names the line and the reason.
class ProfileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replace the machine with one described by profile text (the .reg format),
// or by the profile file at path. The per-process state (priority class,
// affinity, current drive, timer period, virtual clock) starts anew from the
// profile. Throws ProfileError for a malformed profile.
void LoadMachine(const std::string &profileText);
void LoadMachineFile(const std::string &path);

// A machine read from profile text once, to be made current any number of
// times without reading the profile again (the benchmarks switch between
// machines call by call). Installing starts the per-process state anew, as
// loading does.
std::shared_ptr<const Machine> ReadMachine(const std::string &profileText);
void InstallMachine(std::shared_ptr<const Machine> machine);

// A profile fragment: a simulated single-processor Pentium III (no brand
// string) whose clock runs virtually, so that building a collector over it
// takes no real time. For the tests' and benchmarks' machines.
inline constexpr char kVirtualClockProcessor[] =
    "[HKEY_SIMULATION\\Processor]\n"
    "\"TscKHz\"=dword:000b71b0\n"
    "[HKEY_SIMULATION\\Processor\\Leaves]\n"
    "\"00000000\"=\"00000002 756e6547 6c65746e 49656e69\"\n"
    "\"00000001\"=\"00000683 00000002 00000000 0387f9ff\"\n"
    "\"00000002\"=\"03020101 00000000 00000000 0c040882\"\n";

// The built-in default machine's profile text.
const std::string &DefaultProfile();

// Registry faults, for tests of the failure paths. The registry calls that
// read (RegOpenKeyExA, RegQueryValueExA, RegQueryInfoKeyA, RegEnumKeyExA,
// RegEnumValueA) are numbered from 1 from ArmRegistryFault on; the call
// numbered failAt returns error instead of doing its work (failAt 0: none
// fails, the calls are only counted). A refused open hands back a null key;
// a refused call with ERROR_MORE_DATA (234) leaves bytes without a NUL in
// its name and data buffers and reports a larger data size, as Windows may.
// DisarmRegistryFault stops counting and answers the kinds of the calls
// made, in order.
enum class RegistryCall { OpenKey, QueryValue, QueryKey, EnumKey, EnumValue };
void ArmRegistryFault(uint64_t failAt, long error);
std::vector<RegistryCall> DisarmRegistryFault();

// Registry keys opened and not yet closed.
size_t OpenRegistryKeyCount();

// While capture is on, every text sent to OutputDebugStringA is also kept in
// memory; TakeDebugOutput answers it and empties the store.
void CaptureDebugOutput(bool on);
std::string TakeDebugOutput();

}  // namespace hs::sim
