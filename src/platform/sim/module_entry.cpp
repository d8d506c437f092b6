// The shared object's load and unload stand in for the DLL's process attach
// and detach: built after the module state and the collector, destroyed
// before them.
#include "api/module.h"
#include "platform/platform.h"

namespace {

class ModuleEntry {
public:
    ModuleEntry() { hs::ModuleAttach(); }
    ~ModuleEntry() { hs::ModuleDetach(); }
    ModuleEntry(const ModuleEntry &) = delete;
    ModuleEntry &operator=(const ModuleEntry &) = delete;
};

ModuleEntry g_moduleEntry HS_INIT_PRIORITY(HS_PRIORITY_MODULE_ENTRY);

}  // namespace
