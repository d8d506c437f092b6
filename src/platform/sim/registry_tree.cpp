#include "platform/sim/registry_tree.h"

#include <algorithm>

namespace hs::sim {
namespace {

unsigned char UpperAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

}  // namespace

bool NamesEqual(const std::string &a, const std::string &b) { return a.size() == b.size() && CompareKeyNames(a, b) == 0; }

int CompareKeyNames(const std::string &a, const std::string &b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = UpperAscii(static_cast<unsigned char>(a[i]));
        unsigned char cb = UpperAscii(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

size_t RegNode::NameHash::operator()(std::string_view name) const {
    size_t hash = 14695981039346656037ull;  // FNV-1a over the upper-cased bytes
    for (char c : name) {
        hash ^= UpperAscii(static_cast<unsigned char>(c));
        hash *= 1099511628211ull;
    }
    return hash;
}

bool RegNode::NameEqual::operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(static_cast<unsigned char>(a[i])) != UpperAscii(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

const RegNode *RegNode::FindSubkey(const std::string &name) const {
    auto it = m_subkeyIndex.find(std::string_view(name));
    return it != m_subkeyIndex.end() ? it->second : nullptr;
}

RegNode *RegNode::FindOrAddSubkey(const std::string &name, int line) {
    auto found = m_subkeyIndex.find(std::string_view(name));
    if (found != m_subkeyIndex.end()) return found->second;
    if (!m_subkeys.empty() && CompareKeyNames(m_subkeys.back()->m_name, name) > 0) m_subkeysUnsorted = true;
    m_longestSubkeyName = std::max(m_longestSubkeyName, name.size());
    m_subkeys.push_back(std::make_unique<RegNode>(name, line));
    RegNode *node = m_subkeys.back().get();
    m_subkeyIndex.emplace(std::string_view(node->m_name), node);
    return node;
}

void RegNode::SortSubkeys() {
    // Iterative, so that a very deep tree cannot exhaust the stack.
    std::vector<RegNode *> pending{this};
    while (!pending.empty()) {
        RegNode *node = pending.back();
        pending.pop_back();
        if (node->m_subkeysUnsorted) {
            std::sort(node->m_subkeys.begin(), node->m_subkeys.end(),
                      [](const std::unique_ptr<RegNode> &a, const std::unique_ptr<RegNode> &b) {
                          return CompareKeyNames(a->m_name, b->m_name) < 0;
                      });
            node->m_subkeysUnsorted = false;
        }
        for (const auto &sub : node->m_subkeys) pending.push_back(sub.get());
    }
}

void RegNode::RemoveSubkey(const std::string &name) {
    m_subkeyIndex.erase(std::string_view(name));
    m_subkeys.erase(std::remove_if(m_subkeys.begin(), m_subkeys.end(),
                                   [&](const std::unique_ptr<RegNode> &k) { return NamesEqual(k->m_name, name); }),
                    m_subkeys.end());
    MeasureSubkeys();
}

const RegValue *RegNode::FindValue(const std::string &name) const {
    for (const RegValue &v : m_values) {
        if (NamesEqual(v.name, name)) return &v;
    }
    return nullptr;
}

void RegNode::SetValue(const std::string &name, uint32_t type, std::vector<uint8_t> data, int line) {
    for (RegValue &v : m_values) {
        if (NamesEqual(v.name, name)) {
            v.type = type;
            v.data = std::move(data);
            v.line = line;
            MeasureValues();
            return;
        }
    }
    m_longestValueName = std::max(m_longestValueName, name.size());
    m_largestValueData = std::max(m_largestValueData, data.size());
    m_values.push_back(RegValue{name, type, std::move(data), line});
}

void RegNode::RemoveValue(const std::string &name) {
    m_values.erase(std::remove_if(m_values.begin(), m_values.end(),
                                  [&](const RegValue &v) { return NamesEqual(v.name, name); }),
                   m_values.end());
    MeasureValues();
}

void RegNode::MeasureSubkeys() {
    m_longestSubkeyName = 0;
    for (const auto &k : m_subkeys) m_longestSubkeyName = std::max(m_longestSubkeyName, k->m_name.size());
}

void RegNode::MeasureValues() {
    m_longestValueName = 0;
    m_largestValueData = 0;
    for (const RegValue &v : m_values) {
        m_longestValueName = std::max(m_longestValueName, v.name.size());
        m_largestValueData = std::max(m_largestValueData, v.data.size());
    }
}

}  // namespace hs::sim
