// A registry hive file read through the library made for its format: regf
// (the NT family's SYSTEM and SOFTWARE) or CREG (the 9x family's SYSTEM.DAT).
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace hsinfo::offline {

// What is wrong with a hive file; the caller adds the file's path.
class HiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class HiveFormat { Regf, Creg };

const char *FormatName(HiveFormat format);

// A value as the ANSI registry functions answer it: the name in the
// Windows-1252 code page; text data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) in
// that code page as well, other data as stored.
struct HiveValue {
    std::string name;
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

class HiveKey {
public:
    virtual ~HiveKey() = default;
    // The key's name in the Windows-1252 code page.
    virtual std::string Name() = 0;
    // Where the key's record lies in the file: tells one key from another.
    virtual uint64_t Offset() = 0;
    virtual size_t SubkeyCount() = 0;
    virtual std::unique_ptr<HiveKey> Subkey(size_t index) = 0;
    virtual std::vector<HiveValue> Values() = 0;
};

class HiveFile {
public:
    virtual ~HiveFile() = default;
    virtual HiveFormat Format() const = 0;
    virtual std::unique_ptr<HiveKey> Root() = 0;
    // Size of the file in bytes: no honest hive holds more value data.
    virtual uint64_t Size() const = 0;
};

// Opens a hive file, its format told by its first bytes. Throws HiveError.
std::unique_ptr<HiveFile> OpenHiveFile(const std::string &path);

// The backends, for a file whose format is known.
std::unique_ptr<HiveFile> OpenRegfFile(const std::string &path, uint64_t size);
std::unique_ptr<HiveFile> OpenCregFile(const std::string &path, uint64_t size);

// The subkey of that name (any case), or null.
std::unique_ptr<HiveKey> FindSubkey(HiveKey &key, const std::string &name);

// A subkey reached by a path of names separated by backslashes, or null.
std::unique_ptr<HiveKey> FindPath(HiveKey &from, const std::string &path);

// The named value of a key, or null.
const HiveValue *FindValue(const std::vector<HiveValue> &values, const std::string &name);

// Key and value names compare without regard to case (ASCII letters).
bool NamesEqual(const std::string &a, const std::string &b);

}  // namespace hsinfo::offline
