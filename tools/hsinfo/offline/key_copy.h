// Copies of hive keys in memory, taken with limits that a corrupted or
// hand-made file cannot get past: every key is read once, the keys nest no
// deeper than a profile can hold, and the value data add up to no more than
// the file holds.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "offline/hive_file.h"

namespace hsinfo::offline {

struct KeyCopy {
    std::string name;
    std::vector<HiveValue> values;
    std::vector<KeyCopy> subkeys;  // in the file's order

    const KeyCopy *Find(const std::string &subkey) const;
    KeyCopy *Find(const std::string &subkey);
    const KeyCopy *FindPath(const std::string &path) const;  // names separated by backslashes
    const HiveValue *Value(const std::string &valueName) const;
    // The text of a value up to its first NUL, or "" when it is missing.
    std::string Text(const std::string &valueName) const;
};

// Every level below the key.
inline constexpr int kAllLevels = -1;

class CopyGuard {
public:
    // maxDepth: how many levels below the copied key a profile can hold.
    CopyGuard(uint64_t fileSize, size_t maxDepth) : m_dataLeft(fileSize), m_maxDepth(maxDepth) {}

    void Enter(uint64_t offset, size_t depth);
    void CountData(size_t bytes);
    // Keys and values whose names no Windows registry could hold, passed over.
    size_t Skipped() const { return m_skipped; }
    void Skip() { ++m_skipped; }

private:
    std::unordered_set<uint64_t> m_seen;
    uint64_t m_dataLeft;
    size_t m_maxDepth;
    size_t m_skipped = 0;
};

// Copies a key, its values and its subkeys down to the given number of levels
// (0: the key's own values and no subkeys). Throws HiveError.
KeyCopy CopyKey(HiveKey &key, CopyGuard &guard, int levels);

}  // namespace hsinfo::offline
