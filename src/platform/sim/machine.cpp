#include "platform/sim/machine.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/sim/host_cpu.h"
#include "platform/sim/profile_reader.h"
#include "platform/sim/sim_machine.h"

namespace hs::sim {

// The built-in default machine, compiled in from machines/default.reg.
extern const unsigned char kDefaultMachineProfile[];
extern const unsigned long kDefaultMachineProfileSize;

namespace {

struct Globals {
    std::mutex machineMutex;
    std::shared_ptr<const Machine> machine;
    std::mutex stateMutex;
    ProcessState state;
};

Globals g_globals HS_INIT_PRIORITY(HS_PRIORITY_SIM_MACHINE);

Globals &TheGlobals() { return g_globals; }

ProcessState InitialState(const MachineFacts &facts) {
    ProcessState s;
    if (facts.processor.simulated) {
        s.processors = 1;
        s.systemMask = 1;
    } else {
        s.systemMask = HostInitialAffinity();
        s.processors = static_cast<uint32_t>(__builtin_popcountll(s.systemMask));
    }
    s.processMask = s.systemMask;
    if (facts.system.processors) s.processors = *facts.system.processors;
    if (facts.system.systemMask) s.systemMask = *facts.system.systemMask;
    if (facts.system.processMask) s.processMask = *facts.system.processMask;
    s.priorityClass = facts.system.priorityClass;
    s.currentDrive = facts.drives.current;
    return s;
}

std::shared_ptr<const Machine> BuildMachine(const std::string &profileText) {
    ProfileTrees trees = ReadProfile(profileText);
    auto machine = std::make_shared<Machine>();
    machine->facts = ReadFacts(*trees.simulation);
    machine->registry = trees.machine;
    return machine;
}

// Callers hold machineMutex.
void Install(Globals &g, std::shared_ptr<const Machine> machine) {
    ProcessState state = InitialState(machine->facts);
    // On the real processor a new machine also gives the thread back the
    // processors of its initial affinity.
    if (!machine->facts.processor.simulated) SetHostAffinity(state.processMask);
    g.machine = std::move(machine);
    std::lock_guard<std::mutex> lock(g.stateMutex);
    g.state = state;
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ProfileError(path + ": line 0: cannot open the file (" + std::strerror(errno) + ")");
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) throw ProfileError(path + ": line 0: cannot read the file");
    return content.str();
}

std::shared_ptr<const Machine> BuildMachineFromFile(const std::string &path) {
    std::string text = ReadFile(path);
    try {
        return BuildMachine(text);
    } catch (const ProfileError &e) {
        throw ProfileError(path + ": " + e.what());
    }
}

void LoadFromEnvironment(Globals &g) {
    const char *path = std::getenv("HARDSCAN_MACHINE");
    try {
        if (path != nullptr && *path != '\0') {
            Install(g, BuildMachineFromFile(path));
        } else {
            Install(g, BuildMachine(DefaultProfile()));
        }
    } catch (const std::exception &e) {
        std::fflush(stdout);
        std::fprintf(stderr, "hardscan: cannot load the machine profile %s\n",
                     (path != nullptr && *path != '\0') ? e.what() : (std::string("(built-in): ") + e.what()).c_str());
        std::fflush(stderr);
        std::_Exit(2);
    }
}

}  // namespace

std::shared_ptr<const Machine> CurrentMachine() {
    Globals &g = TheGlobals();
    std::lock_guard<std::mutex> lock(g.machineMutex);
    if (!g.machine) LoadFromEnvironment(g);
    return g.machine;
}

std::mutex &ProcessStateMutex() { return TheGlobals().stateMutex; }
ProcessState &ProcessStateLocked() { return TheGlobals().state; }

void LoadMachine(const std::string &profileText) { InstallMachine(BuildMachine(profileText)); }

std::shared_ptr<const Machine> ReadMachine(const std::string &profileText) { return BuildMachine(profileText); }

void InstallMachine(std::shared_ptr<const Machine> machine) {
    Globals &g = TheGlobals();
    std::lock_guard<std::mutex> lock(g.machineMutex);
    Install(g, std::move(machine));
}

void LoadMachineFile(const std::string &path) { InstallMachine(BuildMachineFromFile(path)); }

namespace {
const std::string g_defaultProfile HS_INIT_PRIORITY(HS_PRIORITY_SIM_MACHINE)(
    reinterpret_cast<const char *>(kDefaultMachineProfile), kDefaultMachineProfileSize);
}  // namespace

const std::string &DefaultProfile() { return g_defaultProfile; }

}  // namespace hs::sim
