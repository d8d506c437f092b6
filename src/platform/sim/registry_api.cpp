// The registry functions over the machine's HKEY_LOCAL_MACHINE tree. Open
// keys are handles into a table; a handle keeps its machine's tree alive even
// after another machine is loaded.
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/machine.h"
#include "platform/sim/registry_faults.h"

namespace hs::sim {
namespace {

constexpr LSTATUS kErrorBadPathname = 161;

// A key as a call sees it. A handle's own entry keeps the tree alive while
// the handle is open; a predefined root holds the tree for the call.
struct OpenKey {
    std::shared_ptr<const RegNode> hold;
    const RegNode *node = nullptr;
};

// Open keys in numbered slots; a closed slot is reused. A handle carries its
// slot and the slot's generation, so that a closed handle stays invalid
// after its slot has been reused.
class HandleTable {
public:
    HKEY Add(std::shared_ptr<const RegNode> tree, const RegNode *node) {
        std::lock_guard<std::mutex> lock(m_mutex);
        uint32_t index;
        if (!m_free.empty()) {
            index = m_free.back();
            m_free.pop_back();
        } else if (m_slots.size() < kMaxSlots) {
            index = static_cast<uint32_t>(m_slots.size());
            m_slots.emplace_back();
        } else {
            return nullptr;  // as many keys open as handles can number
        }
        Slot &slot = m_slots[index];
        slot.tree = std::move(tree);
        slot.node = node;
        return HandleFor(index, slot.generation);
    }
    // The node behind an open handle, and its tree when asked for.
    bool Find(HKEY handle, const RegNode *&node, std::shared_ptr<const RegNode> *tree = nullptr) {
        std::lock_guard<std::mutex> lock(m_mutex);
        const Slot *slot = SlotFor(handle);
        if (slot == nullptr) return false;
        node = slot->node;
        if (tree != nullptr) *tree = slot->tree;
        return true;
    }
    size_t OpenCount() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_slots.size() - m_free.size();
    }
    bool Remove(HKEY handle) {
        std::shared_ptr<const RegNode> released;  // freed outside the lock
        std::lock_guard<std::mutex> lock(m_mutex);
        Slot *slot = SlotFor(handle);
        if (slot == nullptr) return false;
        released.swap(slot->tree);
        slot->node = nullptr;
        slot->generation = (slot->generation + 1) & kGenerationMask;
        m_free.push_back(static_cast<uint32_t>(slot - m_slots.data()));
        return true;
    }

private:
    struct Slot {
        std::shared_ptr<const RegNode> tree;
        const RegNode *node = nullptr;  // null while the slot is free
        uint32_t generation = 0;
    };
    static constexpr uintptr_t kFirstHandle = 0x100;
    static constexpr unsigned kIndexBits = 20;
    static constexpr size_t kMaxSlots = size_t{1} << kIndexBits;
    static constexpr uint32_t kGenerationMask = (1u << 10) - 1;  // handles stay below 2^32

    static HKEY HandleFor(uint32_t index, uint32_t generation) {
        const uintptr_t number = (static_cast<uintptr_t>(generation) << kIndexBits) | index;
        return reinterpret_cast<HKEY>(kFirstHandle + 4 * number);
    }
    Slot *SlotFor(HKEY handle) {
        const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
        if (value < kFirstHandle || (value - kFirstHandle) % 4 != 0) return nullptr;
        const uintptr_t number = (value - kFirstHandle) / 4;
        const uintptr_t index = number & ((uintptr_t{1} << kIndexBits) - 1);
        if (index >= m_slots.size()) return nullptr;
        Slot &slot = m_slots[index];
        if (slot.node == nullptr || (number >> kIndexBits) != slot.generation) return nullptr;
        return &slot;
    }

    std::mutex m_mutex;
    std::vector<Slot> m_slots;
    std::vector<uint32_t> m_free;
};

HandleTable g_handles HS_INIT_PRIORITY(HS_PRIORITY_SIM_MACHINE);

// The roots other than HKEY_LOCAL_MACHINE are empty on this machine.
const std::shared_ptr<const RegNode> g_emptyRoot HS_INIT_PRIORITY(HS_PRIORITY_SIM_MACHINE) =
    std::make_shared<RegNode>("");

HandleTable &Handles() { return g_handles; }

bool IsPredefined(HKEY key) {
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE || key == HKEY_USERS ||
           key == HKEY_CURRENT_CONFIG;
}

// The key a handle stands for. With withTree, hold is the handle's tree
// even for an opened key, for a new handle below it to keep alive.
LSTATUS Resolve(HKEY handle, OpenKey &key, bool withTree = false) {
    if (handle == HKEY_LOCAL_MACHINE) {
        key.hold = CurrentMachine()->registry;
        key.node = key.hold.get();
        return ERROR_SUCCESS;
    }
    if (IsPredefined(handle)) {
        key.hold = g_emptyRoot;
        key.node = key.hold.get();
        return ERROR_SUCCESS;
    }
    return Handles().Find(handle, key.node, withTree ? &key.hold : nullptr) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// Copies data to a caller buffer with the size protocol of the registry:
// no buffer reports the size, a short buffer answers ERROR_MORE_DATA.
LSTATUS CopyData(const RegValue &value, LPDWORD type, LPBYTE data, LPDWORD size) {
    if (type != nullptr) *type = value.type;
    DWORD needed = static_cast<DWORD>(value.data.size());
    if (data != nullptr && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr && needed != 0) std::memcpy(data, value.data.data(), needed);
    if (size != nullptr) *size = needed;
    return ERROR_SUCCESS;
}

// Windows keeps the time a key was last written; every key of the profile
// was written at the same moment (2004-08-06 00:00 UTC).
void SetLastWriteTime(PFILETIME time) {
    if (time == nullptr) return;
    const uint64_t stamp = 127359360000000000ull;
    time->dwLowDateTime = static_cast<DWORD>(stamp);
    time->dwHighDateTime = static_cast<DWORD>(stamp >> 32);
}

// Fills a buffer whose contents a refused call leaves undefined.
void LeaveUndefined(void *buffer, const DWORD *size) {
    if (buffer != nullptr && size != nullptr) std::memset(buffer, kUndefinedByte, *size);
}

}  // namespace

size_t OpenRegistryKeyCount() { return Handles().OpenCount(); }

}  // namespace hs::sim

using namespace hs::sim;

LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) {
    if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    if (LSTATUS fault = NextRegistryCall(RegistryCall::OpenKey)) return fault;
    OpenKey key;
    LSTATUS status = Resolve(hKey, key, true);
    if (status != ERROR_SUCCESS) return status;
    if (lpSubKey != nullptr && lpSubKey[0] == '\\') return kErrorBadPathname;
    const RegNode *node = key.node;
    const char *p = lpSubKey != nullptr ? lpSubKey : "";
    while (*p != '\0') {
        const char *end = std::strchr(p, '\\');
        size_t length = end != nullptr ? static_cast<size_t>(end - p) : std::strlen(p);
        if (length == 0) return ERROR_FILE_NOT_FOUND;
        node = node->FindSubkey(std::string_view(p, length));
        if (node == nullptr) return ERROR_FILE_NOT_FOUND;
        p += length;
        if (*p == '\\') ++p;
    }
    *phkResult = Handles().Add(std::move(key.hold), node);
    return *phkResult != nullptr ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
}

LSTATUS RegCloseKey(HKEY hKey) {
    if (IsPredefined(hKey)) return ERROR_SUCCESS;
    return Handles().Remove(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData) {
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) return ERROR_INVALID_PARAMETER;
    if (LSTATUS fault = NextRegistryCall(RegistryCall::QueryValue)) {
        if (fault == ERROR_MORE_DATA) {
            LeaveUndefined(lpData, lpcbData);
            if (lpcbData != nullptr) *lpcbData += 1;
        }
        return fault;
    }
    OpenKey key;
    LSTATUS status = Resolve(hKey, key);
    if (status != ERROR_SUCCESS) return status;
    const RegValue *value = key.node->FindValue(lpValueName != nullptr ? lpValueName : "");
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    return CopyData(*value, lpType, lpData, lpcbData);
}

LSTATUS RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                         LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                         LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                         PFILETIME lpftLastWriteTime) {
    if (lpReserved != nullptr || (lpClass != nullptr && lpcchClass == nullptr)) return ERROR_INVALID_PARAMETER;
    if (LSTATUS fault = NextRegistryCall(RegistryCall::QueryKey)) return fault;
    OpenKey key;
    LSTATUS status = Resolve(hKey, key);
    if (status != ERROR_SUCCESS) return status;
    const RegNode &node = *key.node;
    // Keys of the profile have no class.
    if (lpClass != nullptr) {
        if (*lpcchClass == 0) return ERROR_MORE_DATA;
        lpClass[0] = '\0';
    }
    if (lpcchClass != nullptr) *lpcchClass = 0;
    const DWORD maxSubkey = static_cast<DWORD>(node.LongestSubkeyName());
    const DWORD maxName = static_cast<DWORD>(node.LongestValueName());
    const DWORD maxData = static_cast<DWORD>(node.LargestValueData());
    if (lpcSubKeys != nullptr) *lpcSubKeys = static_cast<DWORD>(node.Subkeys().size());
    if (lpcbMaxSubKeyLen != nullptr) *lpcbMaxSubKeyLen = maxSubkey;
    if (lpcbMaxClassLen != nullptr) *lpcbMaxClassLen = 0;
    if (lpcValues != nullptr) *lpcValues = static_cast<DWORD>(node.Values().size());
    if (lpcbMaxValueNameLen != nullptr) *lpcbMaxValueNameLen = maxName;
    if (lpcbMaxValueLen != nullptr) *lpcbMaxValueLen = maxData;
    if (lpcbSecurityDescriptor != nullptr) *lpcbSecurityDescriptor = 0xB8;
    SetLastWriteTime(lpftLastWriteTime);
    return ERROR_SUCCESS;
}

LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPSTR lpClass,
                      LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    if (lpName == nullptr || lpcchName == nullptr || lpReserved != nullptr ||
        (lpClass != nullptr && lpcchClass == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    if (LSTATUS fault = NextRegistryCall(RegistryCall::EnumKey)) {
        if (fault == ERROR_MORE_DATA) LeaveUndefined(lpName, lpcchName);
        return fault;
    }
    OpenKey key;
    LSTATUS status = Resolve(hKey, key);
    if (status != ERROR_SUCCESS) return status;
    const auto &subkeys = key.node->Subkeys();
    if (dwIndex >= subkeys.size()) return ERROR_NO_MORE_ITEMS;
    const std::string &name = subkeys[dwIndex]->Name();
    if (name.size() >= *lpcchName) return ERROR_MORE_DATA;
    if (lpClass != nullptr) {
        if (*lpcchClass == 0) return ERROR_MORE_DATA;
        lpClass[0] = '\0';
    }
    if (lpcchClass != nullptr) *lpcchClass = 0;
    std::memcpy(lpName, name.c_str(), name.size() + 1);
    *lpcchName = static_cast<DWORD>(name.size());
    SetLastWriteTime(lpftLastWriteTime);
    return ERROR_SUCCESS;
}

LSTATUS RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                      LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (lpValueName == nullptr || lpcchValueName == nullptr || lpReserved != nullptr ||
        (lpData != nullptr && lpcbData == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    if (LSTATUS fault = NextRegistryCall(RegistryCall::EnumValue)) {
        if (fault == ERROR_MORE_DATA) {
            LeaveUndefined(lpValueName, lpcchValueName);
            LeaveUndefined(lpData, lpcbData);
            if (lpcbData != nullptr) *lpcbData += 1;
        }
        return fault;
    }
    OpenKey key;
    LSTATUS status = Resolve(hKey, key);
    if (status != ERROR_SUCCESS) return status;
    const auto &values = key.node->Values();
    if (dwIndex >= values.size()) return ERROR_NO_MORE_ITEMS;
    const RegValue &value = values[dwIndex];
    if (value.name.size() >= *lpcchValueName) {
        if (lpType != nullptr) *lpType = value.type;
        if (lpcbData != nullptr) *lpcbData = static_cast<DWORD>(value.data.size());
        return ERROR_MORE_DATA;
    }
    status = CopyData(value, lpType, lpData, lpcbData);
    if (status != ERROR_SUCCESS) return status;
    std::memcpy(lpValueName, value.name.c_str(), value.name.size() + 1);
    *lpcchValueName = static_cast<DWORD>(value.name.size());
    return ERROR_SUCCESS;
}
