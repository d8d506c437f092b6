#include "platform/sim/profile_reader.h"

#include <vector>

#include "platform/sim/code_page.h"
#include "platform/sim/sim_machine.h"

namespace hs::sim {
namespace {

constexpr char kHeader4[] = "REGEDIT4";
constexpr char kHeader5[] = "Windows Registry Editor Version 5.00";
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
constexpr size_t kMaxKeyDepth = 512;

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool StartsWithNoCase(const std::string &s, size_t at, const char *prefix) {
    for (size_t i = 0; prefix[i] != '\0'; ++i) {
        if (at + i >= s.size()) return false;
        char a = s[at + i], b = prefix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
        if (a != b) return false;
    }
    return true;
}

std::string TrimRight(std::string s) {
    while (!s.empty() && IsBlank(s.back())) s.pop_back();
    return s;
}

std::vector<std::string> SplitLines(const std::string &text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    // A final line end closes the last line; it does not open an empty one.
    if (lines.size() > 1 && lines.back().empty() && text.back() == '\n') lines.pop_back();
    return lines;
}

class ProfileParser {
public:
    explicit ProfileParser(std::vector<std::string> lines) : m_lines(std::move(lines)) {
        m_trees.machine = std::make_shared<RegNode>("HKEY_LOCAL_MACHINE");
        m_trees.simulation = std::make_shared<RegNode>("HKEY_SIMULATION");
    }

    ProfileTrees Parse() {
        for (m_index = 1; m_index < m_lines.size(); ++m_index) {
            const std::string &line = m_lines[m_index];
            size_t p = SkipBlanks(line, 0);
            if (p == line.size() || line[p] == ';') continue;
            if (line[p] == '[') {
                ParseKeyLine(p);
            } else if (line[p] == '"' || line[p] == '@') {
                ParseValueLine(p);
            } else {
                Fail("neither a key, a value nor a comment");
            }
        }
        m_trees.machine->SortSubkeys();
        m_trees.simulation->SortSubkeys();
        return ProfileTrees{m_trees.machine->CopyInWalkOrder(), m_trees.simulation->CopyInWalkOrder()};
    }

private:
    [[noreturn]] void Fail(const std::string &reason) const { FailAt(m_index + 1, reason); }
    [[noreturn]] static void FailAt(size_t line, const std::string &reason) {
        throw ProfileError("line " + std::to_string(line) + ": " + reason);
    }

    static size_t SkipBlanks(const std::string &s, size_t p) {
        while (p < s.size() && IsBlank(s[p])) ++p;
        return p;
    }

    void ExpectLineEnd(size_t p, const char *what) const {
        if (SkipBlanks(m_lines[m_index], p) != m_lines[m_index].size()) Fail(std::string("unexpected text after ") + what);
    }

    // [KEY\PATH] or [-KEY\PATH]
    void ParseKeyLine(size_t p) {
        std::string line = TrimRight(m_lines[m_index]);
        if (line.back() != ']') Fail("key line without a closing ']'");
        std::string path = line.substr(p + 1, line.size() - p - 2);
        bool deletion = !path.empty() && path[0] == '-';
        if (deletion) path.erase(0, 1);

        std::vector<std::string> parts;
        size_t start = 0;
        while (true) {
            size_t end = path.find('\\', start);
            std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (part.empty()) Fail("empty key name in the key path");
            if (part.size() > kMaxKeyNameLength) Fail("key name longer than 255 characters");
            if (part.find('\0') != std::string::npos) Fail("NUL character in a key name");
            parts.push_back(std::move(part));
            if (end == std::string::npos) break;
            start = end + 1;
        }
        if (parts.size() > kMaxKeyDepth) Fail("key path deeper than 512 levels");

        m_haveKey = true;
        m_key = nullptr;
        RegNode *root = RootFor(parts[0]);
        if (root == nullptr) return;  // a registry root that the machine ignores
        if (deletion) {
            if (parts.size() == 1) Fail("a root key cannot be deleted");
            RegNode *parent = root;
            for (size_t i = 1; i + 1 < parts.size() && parent != nullptr; ++i) {
                parent = const_cast<RegNode *>(parent->FindSubkey(parts[i]));
            }
            if (parent != nullptr) parent->RemoveSubkey(parts.back());
            return;
        }
        RegNode *node = root;
        for (size_t i = 1; i < parts.size(); ++i) node = node->FindOrAddSubkey(parts[i], static_cast<int>(m_index + 1));
        m_key = node;
    }

    RegNode *RootFor(const std::string &name) const {
        if (NamesEqual(name, "HKEY_LOCAL_MACHINE")) return m_trees.machine.get();
        if (NamesEqual(name, "HKEY_SIMULATION")) return m_trees.simulation.get();
        static const char *const kIgnored[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_USERS",
                                               "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
        for (const char *ignored : kIgnored) {
            if (NamesEqual(name, ignored)) return nullptr;
        }
        Fail("unknown root key \"" + name + "\"");
    }

    // "name"=data or @=data
    void ParseValueLine(size_t p) {
        if (!m_haveKey) Fail("value before the first key");
        const std::string &line = m_lines[m_index];
        std::string name;
        if (line[p] == '@') {
            ++p;
        } else {
            ++p;
            while (true) {
                if (p >= line.size()) Fail("value name without a closing quote");
                char c = line[p++];
                if (c == '"') break;
                if (c == '\\') {
                    if (p >= line.size() || (line[p] != '\\' && line[p] != '"')) Fail("unknown escape in a value name");
                    c = line[p++];
                }
                name += c;
            }
            if (name.size() > kMaxValueNameLength) Fail("value name longer than 16383 characters");
            if (name.find('\0') != std::string::npos) Fail("NUL character in a value name");
        }
        p = SkipBlanks(line, p);
        if (p >= line.size() || line[p] != '=') Fail("value without '='");
        p = SkipBlanks(line, p + 1);

        int firstLine = static_cast<int>(m_index + 1);
        if (p < line.size() && line[p] == '"') {
            std::vector<uint8_t> data = ParseText(p + 1);
            Store(name, kRegSz, std::move(data), firstLine);
        } else if (p < line.size() && line[p] == '-') {
            ExpectLineEnd(p + 1, "'-'");
            if (m_key != nullptr) m_key->RemoveValue(name);
        } else if (StartsWithNoCase(line, p, "dword:")) {
            Store(name, kRegDword, ParseDword(p + 6), firstLine);
        } else if (StartsWithNoCase(line, p, "hex:")) {
            Store(name, kRegBinary, ParseHexList(p + 4), firstLine);
        } else if (StartsWithNoCase(line, p, "hex(")) {
            p += 4;
            uint32_t type = 0;
            size_t digits = 0;
            while (p < line.size() && HexDigit(line[p]) >= 0) {
                type = (type << 4) | static_cast<uint32_t>(HexDigit(line[p++]));
                ++digits;
            }
            if (digits == 0 || digits > 8 || line.compare(p, 2, "):") != 0) {
                Fail("malformed hex(type): prefix");
            }
            Store(name, type, ParseHexList(p + 2), firstLine);
        } else {
            Fail("unrecognized value data");
        }
    }

    void Store(const std::string &name, uint32_t type, std::vector<uint8_t> data, int line) {
        if (m_key != nullptr) m_key->SetValue(name, type, std::move(data), line);
    }

    // Text after its opening quote; may run over several lines.
    std::vector<uint8_t> ParseText(size_t p) {
        size_t firstLine = m_index + 1;
        std::vector<uint8_t> data;
        while (true) {
            const std::string &line = m_lines[m_index];
            if (p >= line.size()) {
                if (m_index + 1 >= m_lines.size()) FailAt(firstLine, "text without a closing quote");
                data.push_back('\r');
                data.push_back('\n');
                ++m_index;
                p = 0;
                continue;
            }
            char c = line[p++];
            if (c == '"') break;
            if (c == '\\') {
                if (p >= line.size() || (line[p] != '\\' && line[p] != '"')) Fail("unknown escape in text");
                c = line[p++];
            }
            data.push_back(static_cast<uint8_t>(c));
        }
        ExpectLineEnd(p, "the closing quote");
        data.push_back(0);
        return data;
    }

    std::vector<uint8_t> ParseDword(size_t p) {
        const std::string &line = m_lines[m_index];
        uint32_t value = 0;
        size_t digits = 0;
        while (p < line.size() && HexDigit(line[p]) >= 0) {
            value = (value << 4) | static_cast<uint32_t>(HexDigit(line[p++]));
            ++digits;
        }
        if (digits == 0 || digits > 8) Fail("dword: needs one to eight hexadecimal digits");
        ExpectLineEnd(p, "the dword");
        return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
                static_cast<uint8_t>(value >> 24)};
    }

    // Comma-separated bytes; a trailing backslash continues on the next line.
    std::vector<uint8_t> ParseHexList(size_t p) {
        std::vector<uint8_t> data;
        while (true) {
            const std::string &line = m_lines[m_index];
            p = SkipBlanks(line, p);
            if (p >= line.size()) break;
            if (line[p] == '\\') {
                ExpectLineEnd(p + 1, "the continuation mark");
                if (m_index + 1 >= m_lines.size()) Fail("hex list continued past the end of the profile");
                ++m_index;
                p = 0;
                continue;
            }
            int hi = HexDigit(line[p]);
            if (hi < 0) Fail("malformed byte in a hex list");
            ++p;
            int value = hi;
            if (p < line.size() && HexDigit(line[p]) >= 0) value = value * 16 + HexDigit(line[p++]);
            data.push_back(static_cast<uint8_t>(value));
            p = SkipBlanks(line, p);
            if (p >= line.size()) break;
            if (line[p] == ',') {
                ++p;
            } else if (line[p] != '\\') {
                Fail("malformed hex list");
            }
        }
        return data;
    }

    std::vector<std::string> m_lines;
    size_t m_index = 0;
    ProfileTrees m_trees;
    RegNode *m_key = nullptr;
    bool m_haveKey = false;
};

}  // namespace

ProfileTrees ReadProfile(const std::string &bytes) {
    std::string text;
    bool utf16 = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                 static_cast<unsigned char>(bytes[1]) == 0xFE;
    bool utf8Mark = !utf16 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (utf16) {
        text = Utf16LeTo1252(bytes.substr(2));
    } else {
        text = utf8Mark ? bytes.substr(3) : bytes;
    }
    std::vector<std::string> lines = SplitLines(text);
    std::string header = TrimRight(lines[0]);
    if (header == kHeader5) {
        if (!utf16) lines = SplitLines(Utf8To1252(text));
    } else if (header != kHeader4 || utf16 || utf8Mark) {
        throw ProfileError("line 1: the first line must be REGEDIT4 or Windows Registry Editor Version 5.00");
    }
    return ProfileParser(std::move(lines)).Parse();
}

}  // namespace hs::sim
