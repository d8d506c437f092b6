#include "platform/sim/registry_tree.h"

#include <algorithm>
#include <cstring>

namespace hs::sim {
namespace {

unsigned char UpperAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

constexpr uint64_t kEachByte = 0x0101010101010101ull;

// Eight bytes of a name, upper-cased (ASCII a-z) all at once: a byte gets
// 0x20 taken off when it lies in 'a'..'z'; bytes from 0x80 up are left alone.
uint64_t UpperWord(uint64_t word) {
    const uint64_t low7 = word & (0x7F * kEachByte);
    const uint64_t fromA = low7 + (0x80 - 'a') * kEachByte;      // top bit: byte >= 'a'
    const uint64_t pastZ = low7 + (0x80 - 'z' - 1) * kEachByte;  // top bit: byte > 'z'
    const uint64_t lower = fromA & ~pastZ & ~word & (0x80 * kEachByte);
    return word - (lower >> 2);
}

// The upper-cased word of a name that starts at byte at. A name of eight
// bytes or more is read a whole word at a time; a shorter one is one word,
// zero past its end.
uint64_t UpperWordAt(std::string_view name, size_t at) {
    uint64_t word = 0;
    if (name.size() >= 8) {
        std::memcpy(&word, name.data() + at, 8);
    } else {
        for (size_t k = name.size(); k > 0; --k) word = (word << 8) | static_cast<unsigned char>(name[k - 1]);
    }
    return UpperWord(word);
}

// Calls f with the start of each word of a name of n bytes: 0, 8, 16, ...
// while a whole word fits before the last eight bytes, then n - 8 (which may
// overlap the word before), so that no word is put together byte by byte.
// Stops when f answers false.
template <typename F>
bool ForEachWordStart(size_t n, F f) {
    if (n < 8) return f(size_t{0});
    for (size_t at = 0; at + 8 < n; at += 8) {
        if (!f(at)) return false;
    }
    return f(n - 8);
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           ForEachWordStart(a.size(), [&](size_t at) { return UpperWordAt(a, at) == UpperWordAt(b, at); });
}

int CompareKeyNames(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = UpperAscii(static_cast<unsigned char>(a[i]));
        unsigned char cb = UpperAscii(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

uint32_t RegNode::HashName(std::string_view name) {
    // Multiply and fold over the upper-cased name, eight bytes at a time.
    uint64_t hash = name.size();
    ForEachWordStart(name.size(), [&](size_t at) {
        hash = (hash ^ UpperWordAt(name, at)) * 0x9E3779B97F4A7C15ull;
        hash ^= hash >> 29;
        return true;
    });
    return static_cast<uint32_t>(hash ^ (hash >> 32));
}

const RegNode *RegNode::FindSubkey(std::string_view name) const {
    if (m_subkeyIndex.empty()) return nullptr;
    const uint32_t hash = HashName(name);
    const size_t mask = m_subkeyIndex.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const IndexSlot &slot = m_subkeyIndex[i];
        if (slot.position == 0) return nullptr;
        const RegNode *node = m_subkeys[slot.position - 1].get();
        if (slot.hash == hash && NamesEqual(node->m_name, name)) return node;
    }
}

RegNode *RegNode::FindOrAddSubkey(const std::string &name, int line) {
    if (const RegNode *found = FindSubkey(name)) return const_cast<RegNode *>(found);
    if (!m_subkeys.empty() && CompareKeyNames(m_subkeys.back()->m_name, name) > 0) m_subkeysUnsorted = true;
    AddSubkey(std::make_unique<RegNode>(name, line));
    return m_subkeys.back().get();
}

void RegNode::AddSubkey(std::unique_ptr<RegNode> node) {
    m_longestSubkeyName = std::max(m_longestSubkeyName, node->m_name.size());
    m_subkeys.push_back(std::move(node));
    // At most half the slots in use keeps the probes short.
    if (2 * m_subkeys.size() > m_subkeyIndex.size()) {
        RebuildIndex();
    } else {
        IndexSubkey(static_cast<uint32_t>(m_subkeys.size()));
    }
}

void RegNode::ReserveSubkeys(size_t count) {
    m_subkeys.reserve(count);
    if (count > m_subkeys.size()) SizeIndex(count);
}

void RegNode::SizeIndex(size_t count) {
    size_t size = 8;
    while (size < 2 * count) size *= 2;
    m_subkeyIndex.assign(count == 0 ? 0 : size, IndexSlot{});
    for (size_t position = 1; position <= m_subkeys.size(); ++position) IndexSubkey(static_cast<uint32_t>(position));
}

void RegNode::RebuildIndex() { SizeIndex(m_subkeys.size()); }

void RegNode::IndexSubkey(uint32_t position) {
    const uint32_t hash = HashName(m_subkeys[position - 1]->m_name);
    const size_t mask = m_subkeyIndex.size() - 1;
    size_t i = hash & mask;
    while (m_subkeyIndex[i].position != 0) i = (i + 1) & mask;
    m_subkeyIndex[i] = IndexSlot{hash, position};
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
            node->RebuildIndex();  // positions moved
        }
        for (const auto &sub : node->m_subkeys) pending.push_back(sub.get());
    }
}

std::unique_ptr<RegNode> RegNode::CopyInWalkOrder() const {
    auto copyKey = [](const RegNode &source) {
        auto copy = std::make_unique<RegNode>(source.m_name, source.m_line);
        copy->m_values = source.m_values;
        copy->m_longestValueName = source.m_longestValueName;
        copy->m_largestValueData = source.m_largestValueData;
        copy->m_subkeysUnsorted = source.m_subkeysUnsorted;
        copy->ReserveSubkeys(source.m_subkeys.size());
        return copy;
    };
    std::unique_ptr<RegNode> root = copyKey(*this);
    // Depth first and iterative, so that a very deep tree cannot exhaust the
    // stack: each key is copied when it is taken from the stack, right
    // before the keys below it.
    std::vector<std::pair<const RegNode *, RegNode *>> pending;
    for (auto it = m_subkeys.rbegin(); it != m_subkeys.rend(); ++it) pending.emplace_back(it->get(), root.get());
    while (!pending.empty()) {
        auto [source, parent] = pending.back();
        pending.pop_back();
        parent->AddSubkey(copyKey(*source));
        RegNode *copy = parent->m_subkeys.back().get();
        for (auto it = source->m_subkeys.rbegin(); it != source->m_subkeys.rend(); ++it) {
            pending.emplace_back(it->get(), copy);
        }
    }
    return root;
}

void RegNode::RemoveSubkey(const std::string &name) {
    m_subkeys.erase(std::remove_if(m_subkeys.begin(), m_subkeys.end(),
                                   [&](const std::unique_ptr<RegNode> &k) { return NamesEqual(k->m_name, name); }),
                    m_subkeys.end());
    RebuildIndex();
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
