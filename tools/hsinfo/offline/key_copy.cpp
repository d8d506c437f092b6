#include "offline/key_copy.h"

#include <cstdio>

namespace hsinfo::offline {

namespace {

constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;

// A profile holds one name per line, and a key name is one part of a path:
// line ends, NULs and (in key names) backslashes become '?', as characters
// the code page lacks do.
std::string Printable(std::string name, bool keyName) {
    for (char &c : name) {
        if (c == '\r' || c == '\n' || c == '\0' || (keyName && c == '\\')) c = '?';
    }
    return name;
}

void CopyInto(HiveKey &key, CopyGuard &guard, int levels, size_t depth, KeyCopy &copy) {
    guard.Enter(key.Offset(), depth);
    for (HiveValue &value : key.Values()) {
        guard.CountData(value.data.size());
        if (value.name.size() > kMaxValueName) {
            guard.Skip();
            continue;
        }
        value.name = Printable(std::move(value.name), false);
        copy.values.push_back(std::move(value));
    }
    if (levels == 0) return;
    const size_t count = key.SubkeyCount();
    for (size_t i = 0; i < count; ++i) {
        std::unique_ptr<HiveKey> sub = key.Subkey(i);
        std::string name = sub->Name();
        if (name.empty() || name.size() > kMaxKeyName) {
            guard.Skip();
            continue;
        }
        copy.subkeys.push_back(KeyCopy{Printable(std::move(name), true), {}, {}});
        CopyInto(*sub, guard, levels < 0 ? levels : levels - 1, depth + 1, copy.subkeys.back());
    }
}

}  // namespace

void CopyGuard::Enter(uint64_t offset, size_t depth) {
    if (depth > m_maxDepth) {
        throw HiveError("corrupted: keys nested deeper than " + std::to_string(m_maxDepth) + " levels");
    }
    if (!m_seen.insert(offset).second) {
        char text[32];
        std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(offset));
        throw HiveError(std::string("corrupted: the key at offset ") + text + " is listed more than once");
    }
}

void CopyGuard::CountData(size_t bytes) {
    if (bytes > m_dataLeft) throw HiveError("corrupted: the value data add up to more than the file holds");
    m_dataLeft -= bytes;
}

KeyCopy CopyKey(HiveKey &key, CopyGuard &guard, int levels) {
    KeyCopy copy{key.Name(), {}, {}};
    CopyInto(key, guard, levels, 0, copy);
    return copy;
}

const KeyCopy *KeyCopy::Find(const std::string &subkey) const {
    for (const KeyCopy &k : subkeys) {
        if (NamesEqual(k.name, subkey)) return &k;
    }
    return nullptr;
}

KeyCopy *KeyCopy::Find(const std::string &subkey) {
    return const_cast<KeyCopy *>(static_cast<const KeyCopy *>(this)->Find(subkey));
}

const KeyCopy *KeyCopy::FindPath(const std::string &path) const {
    const KeyCopy *at = this;
    size_t start = 0;
    while (at != nullptr && start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        at = at->Find(path.substr(start, end - start));
        start = end + 1;
    }
    return at;
}

const HiveValue *KeyCopy::Value(const std::string &valueName) const { return FindValue(values, valueName); }

std::string KeyCopy::Text(const std::string &valueName) const {
    const HiveValue *v = Value(valueName);
    if (v == nullptr) return "";
    std::string text(v->data.begin(), v->data.end());
    return text.substr(0, text.find('\0'));
}

}  // namespace hsinfo::offline
