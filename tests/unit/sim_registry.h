// Reading the simulated registry the way Windows programs do, for the tests
// of the simulated machine.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace simtest {

// A key of HKEY_LOCAL_MACHINE (or below another key), closed at the end of
// the scope.
class Key {
public:
    explicit Key(const char *path, HKEY parent = HKEY_LOCAL_MACHINE) {
        m_status = RegOpenKeyExA(parent, path, 0, KEY_READ, &m_key);
    }
    ~Key() {
        if (m_key != nullptr) RegCloseKey(m_key);
    }
    Key(const Key &) = delete;
    Key &operator=(const Key &) = delete;
    LSTATUS Status() const { return m_status; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
    LSTATUS m_status;
};

// A value's type and data bytes; type 0 and "<missing>" when it cannot be read.
struct Stored {
    DWORD type;
    std::string bytes;
    bool operator==(const Stored &o) const { return type == o.type && bytes == o.bytes; }
};
inline std::ostream &operator<<(std::ostream &out, const Stored &s) {
    out << "type " << s.type << " \"";
    for (unsigned char c : s.bytes) (c >= 0x20 && c < 0x7F) ? out << c : out << "\\x" << std::hex << +c << std::dec;
    return out << "\"";
}

inline Stored Read(const char *path, const char *name) {
    Key key(path);
    char data[1024];
    DWORD size = sizeof data, type = 0;
    if (key.Status() != ERROR_SUCCESS ||
        RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE *>(data), &size) != ERROR_SUCCESS) {
        return {0, "<missing>"};
    }
    return {type, std::string(data, size)};
}

// The names of a key's subkeys, or of its values, in enumeration order, with
// the length that each enumeration call reported.
inline std::vector<std::string> Names(HKEY key, bool values) {
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        const LSTATUS status = values ? RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr)
                                      : RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            if (status != ERROR_NO_MORE_ITEMS) names.push_back("<error " + std::to_string(status) + ">");
            return names;
        }
        names.emplace_back(name, size);
    }
}

}  // namespace simtest
