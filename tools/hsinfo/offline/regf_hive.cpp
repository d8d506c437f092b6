// regf hives (the NT family) through Debian's libhivex.
#include <hivex.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "offline/hive_file.h"
#include "offline/text_codes.h"

namespace hsinfo::offline {

namespace {

constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegMultiSz = 7;

// A block that libhivex allocated.
template <typename T>
struct Freed {
    T *p;
    explicit Freed(T *pointer) : p(pointer) {}
    ~Freed() { std::free(p); }
    Freed(const Freed &) = delete;
    Freed &operator=(const Freed &) = delete;
};

std::string Hex(uint64_t offset) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(offset));
    return text;
}

std::string Reason() { return errno != 0 ? std::strerror(errno) : "no reason given"; }

class RegfFile;

class RegfKey : public HiveKey {
public:
    RegfKey(hive_h *hive, hive_node_h node) : m_hive(hive), m_node(node) {}

    std::string Name() override {
        errno = 0;
        Freed<char> name(hivex_node_name(m_hive, m_node));
        if (name.p == nullptr) Fail("its name cannot be read");
        return Utf8To1252(name.p);
    }

    uint64_t Offset() override { return m_node; }

    size_t SubkeyCount() override { return Children().size(); }

    std::unique_ptr<HiveKey> Subkey(size_t index) override {
        return std::make_unique<RegfKey>(m_hive, Children().at(index));
    }

    std::vector<HiveValue> Values() override {
        errno = 0;
        Freed<hive_value_h> list(hivex_node_values(m_hive, m_node));
        if (list.p == nullptr) Fail("its value list cannot be read");
        std::vector<HiveValue> values;
        for (const hive_value_h *v = list.p; *v != 0; ++v) values.push_back(ReadValue(*v));
        return values;
    }

private:
    [[noreturn]] void Fail(const std::string &what) const {
        throw HiveError("corrupted: the key at offset " + Hex(m_node) + ": " + what + " (" + Reason() + ")");
    }

    const std::vector<hive_node_h> &Children() {
        if (!m_haveChildren) {
            errno = 0;
            Freed<hive_node_h> list(hivex_node_children(m_hive, m_node));
            if (list.p == nullptr) Fail("its subkey list cannot be read");
            for (const hive_node_h *c = list.p; *c != 0; ++c) m_children.push_back(*c);
            m_haveChildren = true;
        }
        return m_children;
    }

    HiveValue ReadValue(hive_value_h handle) const {
        HiveValue value;
        errno = 0;
        Freed<char> name(hivex_value_key(m_hive, handle));
        if (name.p == nullptr) Fail("the name of its value at offset " + Hex(handle) + " cannot be read");
        value.name = Utf8To1252(name.p);
        // The type is any 32-bit number (device properties use 0xFFFF0010 and
        // the like), more than the library's enumeration names: it is
        // received into a plain word of the enumeration's size.
        static_assert(sizeof(hive_type) == sizeof(uint32_t), "hive_type is a 32-bit word");
        uint32_t type = 0;
        size_t size = 0;
        errno = 0;
        Freed<char> data(hivex_value_value(m_hive, handle, reinterpret_cast<hive_type *>(&type), &size));
        if (data.p == nullptr) Fail("the data of its value \"" + value.name + "\" cannot be read");
        value.type = type;
        const auto *bytes = reinterpret_cast<const uint8_t *>(data.p);
        if (value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz) {
            const std::string text = Utf16LeTo1252(bytes, size);
            value.data.assign(text.begin(), text.end());
        } else {
            value.data.assign(bytes, bytes + size);
        }
        return value;
    }

    hive_h *m_hive;
    hive_node_h m_node;
    bool m_haveChildren = false;
    std::vector<hive_node_h> m_children;
};

class RegfFile : public HiveFile {
public:
    RegfFile(hive_h *hive, uint64_t size) : m_hive(hive), m_size(size) {}
    ~RegfFile() override { hivex_close(m_hive); }
    RegfFile(const RegfFile &) = delete;
    RegfFile &operator=(const RegfFile &) = delete;

    HiveFormat Format() const override { return HiveFormat::Regf; }
    uint64_t Size() const override { return m_size; }

    std::unique_ptr<HiveKey> Root() override {
        errno = 0;
        const hive_node_h root = hivex_root(m_hive);
        if (root == 0) throw HiveError("corrupted: the root key cannot be found (" + Reason() + ")");
        return std::make_unique<RegfKey>(m_hive, root);
    }

private:
    hive_h *m_hive;
    uint64_t m_size;
};

}  // namespace

std::unique_ptr<HiveFile> OpenRegfFile(const std::string &path, uint64_t size) {
    errno = 0;
    hive_h *hive = hivex_open(path.c_str(), 0);
    if (hive == nullptr) throw HiveError("corrupted: libhivex cannot read it as a regf hive (" + Reason() + ")");
    return std::make_unique<RegfFile>(hive, size);
}

}  // namespace hsinfo::offline
