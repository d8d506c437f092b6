// The module's static objects and its start-up and shutdown.
#include "api/module.h"

#include "api/inventory.h"
#include "platform/platform.h"

namespace hs {

namespace {
thread_local CModuleState *t_currentState = nullptr;
}  // namespace

CModuleState::CModuleState() : m_extensionInitialized(false) {}
CModuleState::~CModuleState() = default;

CModuleState *CurrentModuleState() { return t_currentState; }

ModuleStateScope::ModuleStateScope() : m_previous(t_currentState) { t_currentState = &g_moduleState; }
ModuleStateScope::~ModuleStateScope() { t_currentState = m_previous; }

// Built in this order at load and destroyed in the reverse order at unload:
// the framework's module state first, then the collector.
CModuleState g_moduleState HS_INIT_PRIORITY(HS_PRIORITY_MODULE_STATE);
CInventory g_inventory HS_INIT_PRIORITY(HS_PRIORITY_INVENTORY);

void ModuleAttach() { g_moduleState.SetExtensionInitialized(true); }
void ModuleDetach() { g_moduleState.SetExtensionInitialized(false); }

}  // namespace hs
