// Writes a machine profile (REGEDIT4, Windows-1252) for the simulated
// machine: registry keys copied from hive files, and machine facts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "offline/key_copy.h"

namespace hsinfo::offline {

class ProfileWriter {
public:
    ProfileWriter() : m_text("REGEDIT4\n") {}

    // A key and everything below it, the key at path (a full path such as
    // HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum).
    void Tree(const std::string &path, const KeyCopy &key);
    void Key(const std::string &path);
    // Values of the key written last. Data are written as stored, type and
    // all, so that the simulated registry answers exactly what the file holds.
    void Value(const std::string &name, uint32_t type, const std::vector<uint8_t> &data);
    void Text(const std::string &name, const std::string &text);
    void Dword(const std::string &name, uint32_t value);

    const std::string &Profile() const { return m_text; }

private:
    std::string m_text;
};

}  // namespace hsinfo::offline
