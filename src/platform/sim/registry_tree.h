// The registry as the simulated machine holds it: keys with ordered subkeys
// and values, built once from a profile and read-only afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hs::sim {

// Key and value names compare without regard to case, ASCII letters only.
bool NamesEqual(std::string_view a, std::string_view b);

// The order in which Windows NT keeps subkeys: names upper-cased (ASCII a-z)
// and compared byte by byte as unsigned values. Negative, 0 or positive.
int CompareKeyNames(std::string_view a, std::string_view b);

struct RegValue {
    std::string name;
    uint32_t type = 0;
    std::vector<uint8_t> data;
    int line = 0;  // profile line that last set the value
};

class RegNode {
public:
    explicit RegNode(std::string name, int line = 0) : m_name(std::move(name)), m_line(line) {}

    const std::string &Name() const { return m_name; }
    int Line() const { return m_line; }

    // Subkeys in enumeration order, once SortSubkeys has run over the tree
    // (the profile reader runs it when the tree is complete).
    const std::vector<std::unique_ptr<RegNode>> &Subkeys() const { return m_subkeys; }
    const RegNode *FindSubkey(std::string_view name) const;
    RegNode *FindOrAddSubkey(const std::string &name, int line);
    void RemoveSubkey(const std::string &name);
    // Put the subkeys of this key and of every key below it into enumeration
    // order. Subkeys are added in the order they come; sorting once when the
    // tree is built keeps building linear in the number of keys.
    void SortSubkeys();
    // A copy of this key and every key below it, laid out in memory in the
    // order in which a walk enumerates them (a key, its values, then its
    // subkeys), as a hive keeps a key's cells together. A walk over the copy
    // reads memory front to back instead of in the order the profile
    // happened to list the keys. Expects sorted subkeys.
    std::unique_ptr<RegNode> CopyInWalkOrder() const;

    // Values in the order in which they were first set.
    const std::vector<RegValue> &Values() const { return m_values; }
    const RegValue *FindValue(const std::string &name) const;
    // Replaces the data of a value of that name (keeping its place and its
    // name's spelling) or appends a new value.
    void SetValue(const std::string &name, uint32_t type, std::vector<uint8_t> data, int line);
    void RemoveValue(const std::string &name);

    // The longest subkey name, the longest value name and the largest value
    // data, in bytes: kept up to date as the key changes, so that a key query
    // costs the same however many subkeys and values the key has.
    size_t LongestSubkeyName() const { return m_longestSubkeyName; }
    size_t LongestValueName() const { return m_longestValueName; }
    size_t LargestValueData() const { return m_largestValueData; }

private:
    // The subkey index: open addressing over a power-of-two table. A slot
    // holds a subkey's position in m_subkeys plus one (0: empty) and the low
    // bits of its name's hash, so that a probe rarely reads a subkey that
    // does not match.
    struct IndexSlot {
        uint32_t hash = 0;
        uint32_t position = 0;
    };

    static uint32_t HashName(std::string_view name);
    void AddSubkey(std::unique_ptr<RegNode> node);
    // Room for count subkeys without moving the subkey list or the index.
    void ReserveSubkeys(size_t count);
    void SizeIndex(size_t count);
    void RebuildIndex();
    void IndexSubkey(uint32_t position);
    void MeasureSubkeys();
    void MeasureValues();

    std::string m_name;
    int m_line;
    std::vector<std::unique_ptr<RegNode>> m_subkeys;
    // The subkeys by name, so that a lookup costs the same however many
    // subkeys the key has.
    std::vector<IndexSlot> m_subkeyIndex;
    std::vector<RegValue> m_values;
    bool m_subkeysUnsorted = false;  // a subkey was added out of order
    size_t m_longestSubkeyName = 0;
    size_t m_longestValueName = 0;
    size_t m_largestValueData = 0;
};

}  // namespace hs::sim
