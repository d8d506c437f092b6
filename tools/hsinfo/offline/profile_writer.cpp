#include "offline/profile_writer.h"

#include <utility>

namespace hsinfo::offline {

namespace {

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegDword = 4;

}  // namespace

void ProfileWriter::Tree(const std::string &path, const KeyCopy &key) {
    // Depth first without recursion: a key's path, then its values.
    std::vector<std::pair<std::string, const KeyCopy *>> pending{{path, &key}};
    while (!pending.empty()) {
        auto [at, node] = pending.back();
        pending.pop_back();
        Key(at);
        for (const HiveValue &v : node->values) Value(v.name, v.type, v.data);
        for (auto it = node->subkeys.rbegin(); it != node->subkeys.rend(); ++it) {
            pending.emplace_back(at + "\\" + it->name, &*it);
        }
    }
}

void ProfileWriter::Key(const std::string &path) {
    m_text += "\n[";
    m_text += path;
    m_text += "]\n";
}

void ProfileWriter::Value(const std::string &name, uint32_t type, const std::vector<uint8_t> &data) {
    static const char kDigits[] = "0123456789abcdef";
    if (name.empty()) {
        m_text += '@';
    } else {
        m_text += '"';
        for (char c : name) {
            if (c == '\\' || c == '"') m_text += '\\';
            m_text += c;
        }
        m_text += '"';
    }
    m_text += "=hex(";
    bool digits = false;
    for (int shift = 28; shift >= 0; shift -= 4) {
        const unsigned digit = (type >> shift) & 0xF;
        digits = digits || digit != 0 || shift == 0;
        if (digits) m_text += kDigits[digit];
    }
    m_text += "):";
    m_text.reserve(m_text.size() + data.size() * 3 + 1);
    for (size_t i = 0; i < data.size(); ++i) {
        if (i != 0) m_text += ',';
        m_text += kDigits[data[i] >> 4];
        m_text += kDigits[data[i] & 0xF];
    }
    m_text += '\n';
}

void ProfileWriter::Text(const std::string &name, const std::string &text) {
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    Value(name, kRegSz, data);
}

void ProfileWriter::Dword(const std::string &name, uint32_t value) {
    Value(name, kRegDword,
          {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
           static_cast<uint8_t>(value >> 24)});
}

}  // namespace hsinfo::offline
