#include "offline/hive_file.h"

#include "offline/hive_header.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace hsinfo::offline {

const char *FormatName(HiveFormat format) { return format == HiveFormat::Regf ? "regf" : "CREG"; }

std::unique_ptr<HiveFile> OpenHiveFile(const std::string &path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) throw HiveError(std::string("cannot be opened (") + std::strerror(errno) + ")");
    if (!S_ISREG(info.st_mode)) throw HiveError("not a regular file");
    std::ifstream in(path, std::ios::binary);
    char magic[4] = {};
    if (!in.read(magic, sizeof magic)) {
        if (!in.is_open()) throw HiveError(std::string("cannot be opened (") + std::strerror(errno) + ")");
        throw HiveError("too short for a hive file (" + std::to_string(info.st_size) + " bytes)");
    }
    const auto size = static_cast<uint64_t>(info.st_size);
    if (std::memcmp(magic, "regf", 4) == 0) {
        CheckRegfHeader(in, size);
        return OpenRegfFile(path, size);
    }
    if (std::memcmp(magic, "CREG", 4) == 0) {
        CheckCregHeader(in, size);
        return OpenCregFile(path, size);
    }
    throw HiveError("not a hive file: it starts with neither \"regf\" nor \"CREG\"");
}

bool NamesEqual(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::unique_ptr<HiveKey> FindSubkey(HiveKey &key, const std::string &name) {
    const size_t count = key.SubkeyCount();
    for (size_t i = 0; i < count; ++i) {
        std::unique_ptr<HiveKey> sub = key.Subkey(i);
        if (NamesEqual(sub->Name(), name)) return sub;
    }
    return nullptr;
}

std::unique_ptr<HiveKey> FindPath(HiveKey &from, const std::string &path) {
    std::unique_ptr<HiveKey> key;
    HiveKey *at = &from;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        key = FindSubkey(*at, path.substr(start, end - start));
        if (!key) return nullptr;
        at = key.get();
        start = end + 1;
    }
    return key;
}

const HiveValue *FindValue(const std::vector<HiveValue> &values, const std::string &name) {
    for (const HiveValue &v : values) {
        if (NamesEqual(v.name, name)) return &v;
    }
    return nullptr;
}

}  // namespace hsinfo::offline
