// The registry as the simulated machine holds it: keys with ordered subkeys
// and values, built once from a profile and read-only afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hs::sim {

// Key and value names compare without regard to case, ASCII letters only.
bool NamesEqual(const std::string &a, const std::string &b);

// The order in which Windows NT keeps subkeys: names upper-cased (ASCII a-z)
// and compared byte by byte as unsigned values. Negative, 0 or positive.
int CompareKeyNames(const std::string &a, const std::string &b);

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
    const RegNode *FindSubkey(const std::string &name) const;
    RegNode *FindOrAddSubkey(const std::string &name, int line);
    void RemoveSubkey(const std::string &name);
    // Put the subkeys of this key and of every key below it into enumeration
    // order. Subkeys are added in the order they come; sorting once when the
    // tree is built keeps building linear in the number of keys.
    void SortSubkeys();

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
    // Hashing and equality of names without regard to case, as the key
    // names compare.
    struct NameHash {
        size_t operator()(std::string_view name) const;
    };
    struct NameEqual {
        bool operator()(std::string_view a, std::string_view b) const;
    };

    void MeasureSubkeys();
    void MeasureValues();

    std::string m_name;
    int m_line;
    std::vector<std::unique_ptr<RegNode>> m_subkeys;
    // The subkeys by name (views of their own names), so that a lookup costs
    // the same however many subkeys the key has.
    std::unordered_map<std::string_view, RegNode *, NameHash, NameEqual> m_subkeyIndex;
    std::vector<RegValue> m_values;
    bool m_subkeysUnsorted = false;  // a subkey was added out of order
    size_t m_longestSubkeyName = 0;
    size_t m_longestValueName = 0;
    size_t m_largestValueData = 0;
};

}  // namespace hs::sim
