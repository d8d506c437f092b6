// The module's life: the framework stand-in that hosts the library, the
// module-state switch of every export, and the module entry's two steps.
#pragma once

namespace hs {

// The framework's per-module state. Exports make the module's own state the
// current one for their whole duration.
class CModuleState {
public:
    CModuleState();
    ~CModuleState();
    bool IsExtensionInitialized() const { return m_extensionInitialized; }
    void SetExtensionInitialized(bool on) { m_extensionInitialized = on; }

private:
    bool m_extensionInitialized;
};

extern CModuleState g_moduleState;

// The state current on this thread (the caller's, outside an export).
CModuleState *CurrentModuleState();

// Makes the module's state current and restores the caller's on every way
// out; nests without harm.
class ModuleStateScope {
public:
    ModuleStateScope();
    ~ModuleStateScope();
    ModuleStateScope(const ModuleStateScope &) = delete;
    ModuleStateScope &operator=(const ModuleStateScope &) = delete;

private:
    CModuleState *m_previous;
};

// Called by the platform's module entry after the static objects are built
// (process attach), and before they are destroyed (process detach).
void ModuleAttach();
void ModuleDetach();

}  // namespace hs
