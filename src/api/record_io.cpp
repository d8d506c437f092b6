#include "api/record_io.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace hs {

uint32_t Address32(const void *p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

uint8_t *AddressFrom32(uint32_t address) { return reinterpret_cast<uint8_t *>(static_cast<uintptr_t>(address)); }

bool IsUsable(const void *p, size_t size) {
    return !IsBadReadPtr(p, size) && !IsBadWritePtr(const_cast<void *>(p), size);
}

bool IsReadable(const void *p, size_t size) { return !IsBadReadPtr(p, size); }

bool IsSizeArgumentUsable(const uint32_t *size, bool query) {
    return query ? IsUsable(size, sizeof *size) : IsReadable(size, sizeof *size);
}

namespace {

template <typename Check>
int64_t FirstFailingRecord(const void *base, uint64_t count, uint32_t recordSize, Check check) {
    const uintptr_t start = reinterpret_cast<uintptr_t>(base);
    // The records lie end to end: when the whole array passes, one check
    // answers (a memory check costs about as much for one record as for
    // many). Otherwise the records are checked one by one to find the first
    // that fails.
    if (start != 0 && count > 0 && recordSize > 0 && count <= (UINTPTR_MAX - start) / recordSize &&
        check(base, static_cast<size_t>(count * recordSize))) {
        return -1;
    }
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t offset = i * recordSize;
        // A record array that runs past the end of the address space is bad.
        if (start == 0 || offset > UINTPTR_MAX - start || recordSize > UINTPTR_MAX - start - offset) {
            return static_cast<int64_t>(i);
        }
        if (!check(reinterpret_cast<const void *>(start + offset), recordSize)) return static_cast<int64_t>(i);
    }
    return -1;
}

}  // namespace

int64_t FirstBadRecord(const void *base, uint64_t count, uint32_t recordSize) {
    return FirstFailingRecord(base, count, recordSize, IsUsable);
}

int64_t FirstUnreadableRecord(const void *base, uint64_t count, uint32_t recordSize) {
    return FirstFailingRecord(base, count, recordSize, IsReadable);
}

void CopyText(char *field, size_t limit, const Text &text) {
    const size_t length = text.size() < limit ? text.size() : limit;
    std::memcpy(field, text.data(), length);
    std::memset(field + length, 0, limit - length);
}

void ChainRecords(uint8_t *base, uint32_t count, uint32_t recordSize) {
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t *record = base + static_cast<size_t>(i) * recordSize;
        const uint32_t next = i + 1 < count ? Address32(record + recordSize) : 0;
        std::memcpy(record, &next, sizeof next);
    }
}

void DebugTrace(const char *format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    OutputDebugStringA(text);
}

}  // namespace hs
