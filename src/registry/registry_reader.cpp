// The registry reader: one open and close per operation, values read into a
// 260-byte buffer and taken as text up to the first NUL.
#include "registry/registry_reader.h"

#include <cstring>
#include <vector>

namespace hs {

namespace {

constexpr REGSAM kReadAccess = 131097;  // KEY_READ
constexpr DWORD kDataBufferSize = 260;

// Text of a data buffer: up to the first NUL, never past the returned size.
Text DataText(const BYTE *data, DWORD size) {
    return TextUpToNul(reinterpret_cast<const char *>(data), size < kDataBufferSize ? size : kDataBufferSize);
}

// Text of a name buffer: up to its first NUL.
Text NameText(const std::vector<char> &name) { return TextUpToNul(name.data(), name.size()); }

}  // namespace

int32_t RegistryReader::ReadRegString(HKEY root, Text keyPath, Text valueName, Text &text) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, kReadAccess, &key) != ERROR_SUCCESS) return 0;

    BYTE data[kDataBufferSize] = {};
    DWORD size = kDataBufferSize;
    DWORD type = 0;
    const LSTATUS status = RegQueryValueExA(key, valueName.c_str(), nullptr, &type, data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return 0;

    text = DataText(data, size);
    return 1;
}

int32_t RegistryReader::EnumRegSubkeys(HKEY root, Text keyPath, TextList &names) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, kReadAccess, &key) != ERROR_SUCCESS) return 0;

    for (DWORD index = 0;; ++index) {
        DWORD subkeyCount = 0;
        DWORD longestName = 0;
        if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeyCount, &longestName, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            RegCloseKey(key);
            return 0;
        }
        // Room for twice the longest name, as the platform may count in
        // characters of a wider encoding.
        DWORD length = 2 * longestName + 1;
        std::vector<char> name(length, '\0');
        if (subkeyCount == 0) {
            RegCloseKey(key);
            return 0;
        }
        const LSTATUS status = RegEnumKeyExA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        // An index whose name does not fit is skipped.
        if (status == ERROR_SUCCESS) names.push_back(NameText(name));
    }
    RegCloseKey(key);
    return 1;
}

void RegistryReader::EnumRegValues(HKEY root, Text keyPath, TextList &names, DwordList &types, TextList &data) {
    DWORD longestName = 0;
    for (DWORD index = 0;; ++index) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, keyPath.c_str(), 0, kReadAccess, &key) != ERROR_SUCCESS) return;
        if (index == 0 && RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                           &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            RegCloseKey(key);
            return;
        }
        DWORD nameLength = longestName + 1;
        std::vector<char> name(nameLength, '\0');
        BYTE buffer[kDataBufferSize] = {};
        DWORD dataSize = kDataBufferSize;
        DWORD type = 0;
        const LSTATUS status =
            RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, buffer, &dataSize);
        RegCloseKey(key);
        if (status == ERROR_NO_MORE_ITEMS) return;
        if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return;  // the key changed under us
        // A value whose data do not fit is listed with an empty data text, so
        // that the three lists stay aligned and the callers, which look only
        // at non-empty data, pass it over.
        names.push_back(NameText(name));
        types.push_back(type);
        data.push_back(status == ERROR_SUCCESS ? DataText(buffer, dataSize) : Text());
    }
}

}  // namespace hs
