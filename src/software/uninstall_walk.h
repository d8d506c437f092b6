// The walk over the uninstall key that decides which subkeys are installed
// programs.
#pragma once

#include <functional>

#include "api/text.h"
#include "registry/registry_reader.h"

namespace hs {

// The key below HKEY_LOCAL_MACHINE that holds one subkey per program.
extern const char kUninstallKey[];

// A subkey is an installed program when it has a "DisplayName" and an
// "UninstallString" value (names compared without regard to case), both with
// non-empty data. Calls visit with each program's display name, in subkey
// order; the walk stops early when visit answers false.
void WalkInstalledPrograms(RegistryReader &registry, const std::function<bool(const Text &)> &visit);

}  // namespace hs
