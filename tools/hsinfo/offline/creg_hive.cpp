// CREG files (the 9x family's SYSTEM.DAT) through Debian's libcreg. Names
// and text data are stored in the machine's ANSI code page and are passed
// on as they are.
#include <libcreg.h>

#include <cstdio>

#include "offline/hive_file.h"

namespace hsinfo::offline {

namespace {

constexpr uint32_t kRegSz = 1, kRegExpandSz = 2;

// Takes libcreg's error text and frees the error.
std::string TakeError(libcreg_error_t *&error) {
    char text[512] = "no reason given";
    if (error != nullptr) {
        libcreg_error_sprint(error, text, sizeof text);
        libcreg_error_free(&error);
    }
    std::string reason(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '.')) reason.pop_back();
    return reason;
}

std::string Hex(uint64_t offset) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(offset));
    return text;
}

// A name as stored, without the terminating NULs that libcreg counts.
template <typename Object, typename SizeOf, typename Read>
bool ReadName(Object *object, SizeOf sizeOf, Read read, std::string &name, libcreg_error_t *&error) {
    size_t size = 0;
    if (sizeOf(object, &size, &error) != 1) return false;
    std::string text(size, '\0');
    if (size != 0 && read(object, reinterpret_cast<uint8_t *>(&text[0]), size, &error) != 1) return false;
    while (!text.empty() && text.back() == '\0') text.pop_back();
    name = std::move(text);
    return true;
}

class CregKey : public HiveKey {
public:
    explicit CregKey(libcreg_key_t *key) : m_key(key) {}
    ~CregKey() override { libcreg_key_free(&m_key, nullptr); }
    CregKey(const CregKey &) = delete;
    CregKey &operator=(const CregKey &) = delete;

    std::string Name() override {
        std::string name;
        libcreg_error_t *error = nullptr;
        if (!ReadName(m_key, libcreg_key_get_name_size, libcreg_key_get_name, name, error)) {
            Fail("its name cannot be read", error);
        }
        return name;
    }

    uint64_t Offset() override {
        off64_t offset = 0;
        libcreg_error_t *error = nullptr;
        if (libcreg_key_get_offset(m_key, &offset, &error) != 1) Fail("its offset cannot be read", error);
        return static_cast<uint64_t>(offset);
    }

    size_t SubkeyCount() override {
        int count = 0;
        libcreg_error_t *error = nullptr;
        if (libcreg_key_get_number_of_sub_keys(m_key, &count, &error) != 1 || count < 0) {
            Fail("its subkeys cannot be counted", error);
        }
        return static_cast<size_t>(count);
    }

    std::unique_ptr<HiveKey> Subkey(size_t index) override {
        libcreg_key_t *sub = nullptr;
        libcreg_error_t *error = nullptr;
        if (libcreg_key_get_sub_key_by_index(m_key, static_cast<int>(index), &sub, &error) != 1 || sub == nullptr) {
            Fail("its subkey " + std::to_string(index) + " cannot be read", error);
        }
        return std::make_unique<CregKey>(sub);
    }

    std::vector<HiveValue> Values() override {
        int count = 0;
        libcreg_error_t *error = nullptr;
        if (libcreg_key_get_number_of_values(m_key, &count, &error) != 1 || count < 0) {
            Fail("its values cannot be counted", error);
        }
        std::vector<HiveValue> values;
        for (int i = 0; i < count; ++i) values.push_back(ReadValue(i));
        return values;
    }

private:
    [[noreturn]] void Fail(const std::string &what, libcreg_error_t *&error) {
        const std::string reason = TakeError(error);
        off64_t offset = 0;
        std::string where = "a key";
        if (libcreg_key_get_offset(m_key, &offset, nullptr) == 1) where = "the key at offset " + Hex(offset);
        throw HiveError("corrupted: " + where + ": " + what + " (" + reason + ")");
    }

    HiveValue ReadValue(int index) {
        libcreg_value_t *handle = nullptr;
        libcreg_error_t *error = nullptr;
        if (libcreg_key_get_value_by_index(m_key, index, &handle, &error) != 1 || handle == nullptr) {
            Fail("its value " + std::to_string(index) + " cannot be read", error);
        }
        HiveValue value;
        size_t size = 0;
        bool ok = ReadName(handle, libcreg_value_get_name_size, libcreg_value_get_name, value.name, error) &&
                  libcreg_value_get_value_type(handle, &value.type, &error) == 1 &&
                  libcreg_value_get_value_data_size(handle, &size, &error) == 1;
        if (ok && size != 0) {
            value.data.resize(size);
            ok = libcreg_value_get_value_data(handle, value.data.data(), size, &error) == 1;
        }
        libcreg_value_free(&handle, nullptr);
        if (!ok) Fail("its value " + std::to_string(index) + " cannot be read", error);
        // The 9x registry stores text without its NUL; the ANSI functions
        // answer it with one, as the NT family stores it.
        if ((value.type == kRegSz || value.type == kRegExpandSz) && (value.data.empty() || value.data.back() != 0)) {
            value.data.push_back(0);
        }
        return value;
    }

    libcreg_key_t *m_key;
};

class CregFile : public HiveFile {
public:
    CregFile(libcreg_file_t *file, uint64_t size) : m_file(file), m_size(size) {}
    ~CregFile() override {
        libcreg_file_close(m_file, nullptr);
        libcreg_file_free(&m_file, nullptr);
    }
    CregFile(const CregFile &) = delete;
    CregFile &operator=(const CregFile &) = delete;

    HiveFormat Format() const override { return HiveFormat::Creg; }
    uint64_t Size() const override { return m_size; }

    std::unique_ptr<HiveKey> Root() override {
        libcreg_key_t *root = nullptr;
        libcreg_error_t *error = nullptr;
        if (libcreg_file_get_root_key(m_file, &root, &error) != 1 || root == nullptr) {
            throw HiveError("corrupted: the root key cannot be read (" + TakeError(error) + ")");
        }
        return std::make_unique<CregKey>(root);
    }

private:
    libcreg_file_t *m_file;
    uint64_t m_size;
};

}  // namespace

std::unique_ptr<HiveFile> OpenCregFile(const std::string &path, uint64_t size) {
    libcreg_file_t *file = nullptr;
    libcreg_error_t *error = nullptr;
    if (libcreg_file_initialize(&file, &error) != 1) throw HiveError("libcreg cannot start (" + TakeError(error) + ")");
    if (libcreg_file_set_ascii_codepage(file, LIBCREG_CODEPAGE_WINDOWS_1252, &error) != 1 ||
        libcreg_file_open(file, path.c_str(), LIBCREG_OPEN_READ, &error) != 1) {
        const std::string reason = TakeError(error);
        libcreg_file_free(&file, nullptr);
        throw HiveError("corrupted: libcreg cannot read it as a CREG file (" + reason + ")");
    }
    return std::make_unique<CregFile>(file, size);
}

}  // namespace hsinfo::offline
