#include "offline/hive_header.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "offline/hive_file.h"

namespace hsinfo::offline {

namespace {

constexpr uint64_t kRegfHeaderSize = 4096;
constexpr size_t kRegfChecksumAt = 508;
constexpr uint64_t kCregHeaderSize = 32;

uint32_t Le32(const uint8_t *p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

std::vector<uint8_t> ReadAt(std::istream &in, uint64_t offset, size_t count) {
    std::vector<uint8_t> bytes(count);
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(count))) {
        throw HiveError("cannot be read at offset " + std::to_string(offset));
    }
    return bytes;
}

std::string Hex(uint64_t offset) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(offset));
    return text;
}

// The key block links each key to its first subkey and its next sibling;
// libcreg follows those links without looking back, so a link to a key
// already reached (a loop) or out of the block must be caught first.
void CheckKeyLinks(const std::vector<uint8_t> &block) {
    constexpr uint32_t kNone = 0xFFFFFFFF;
    constexpr size_t kEntrySize = 28;
    std::unordered_set<uint32_t> seen;
    std::vector<uint32_t> pending{Le32(&block[8])};
    while (!pending.empty()) {
        const uint32_t at = pending.back();
        pending.pop_back();
        if (at == kNone) continue;
        if (at < kCregHeaderSize || at > block.size() - kEntrySize) {
            throw HiveError("corrupted: a key entry at " + Hex(at) + " lies outside the key block");
        }
        if (!seen.insert(at).second)
            throw HiveError("corrupted: the key entry at " + Hex(at) + " is linked twice (a loop)");
        pending.push_back(Le32(&block[at + 20]));  // next sibling
        pending.push_back(Le32(&block[at + 16]));  // first subkey
    }
}

[[noreturn]] void Truncated(const std::string &what, uint64_t needed, uint64_t size) {
    throw HiveError("truncated: " + what + " needs " + std::to_string(needed) + " bytes, the file holds " +
                    std::to_string(size));
}

}  // namespace

void CheckRegfHeader(std::istream &in, uint64_t size) {
    if (size < kRegfHeaderSize) Truncated("the header", kRegfHeaderSize, size);
    const std::vector<uint8_t> header = ReadAt(in, 0, kRegfHeaderSize);
    uint32_t sum = 0;
    for (size_t i = 0; i < kRegfChecksumAt; i += 4) sum ^= Le32(&header[i]);
    if (sum != Le32(&header[kRegfChecksumAt])) throw HiveError("corrupted: the header's checksum does not match it");
    const uint64_t bins = Le32(&header[0x28]);
    if (kRegfHeaderSize + bins > size) Truncated("the announced key data", kRegfHeaderSize + bins, size);
}

void CheckCregHeader(std::istream &in, uint64_t size) {
    if (size < kCregHeaderSize + 8) Truncated("the header", kCregHeaderSize + 8, size);
    const std::vector<uint8_t> header = ReadAt(in, 0, kCregHeaderSize + 8);
    if (std::memcmp(&header[kCregHeaderSize], "RGKN", 4) != 0)
        throw HiveError("corrupted: no key block after the header");
    const uint32_t keysSize = Le32(&header[kCregHeaderSize + 4]);
    if (kCregHeaderSize + keysSize > size) Truncated("the key block", kCregHeaderSize + keysSize, size);
    if (keysSize < kCregHeaderSize + 28) throw HiveError("corrupted: the key block holds no key");
    CheckKeyLinks(ReadAt(in, kCregHeaderSize, keysSize));
    uint64_t at = Le32(&header[8]);
    const unsigned blocks = header[16] | (header[17] << 8);
    for (unsigned k = 0; k < blocks; ++k) {
        if (at + 8 > size)
            Truncated("data block " + std::to_string(k + 1) + " of " + std::to_string(blocks), at + 8, size);
        const std::vector<uint8_t> block = ReadAt(in, at, 8);
        if (std::memcmp(block.data(), "RGDB", 4) != 0) {
            throw HiveError("corrupted: data block " + std::to_string(k + 1) + " of " + std::to_string(blocks) +
                            " is not where the file says");
        }
        const uint32_t length = Le32(&block[4]);
        if (length < 8) throw HiveError("corrupted: data block " + std::to_string(k + 1) + " has no length");
        if (at + length > size) {
            Truncated("data block " + std::to_string(k + 1) + " of " + std::to_string(blocks), at + length, size);
        }
        at += length;
    }
}

}  // namespace hsinfo::offline
