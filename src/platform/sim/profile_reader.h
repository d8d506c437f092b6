// Reads a machine profile (a registry export in text form) into two trees:
// the registry under HKEY_LOCAL_MACHINE and the machine facts under
// HKEY_SIMULATION. Keys of the other registry roots are read and dropped.
#pragma once

#include <memory>
#include <string>

#include "platform/sim/registry_tree.h"

namespace hs::sim {

struct ProfileTrees {
    std::shared_ptr<RegNode> machine;     // HKEY_LOCAL_MACHINE
    std::shared_ptr<RegNode> simulation;  // HKEY_SIMULATION
};

// Throws ProfileError ("line N: reason") for text that is not a profile.
ProfileTrees ReadProfile(const std::string &bytes);

}  // namespace hs::sim
