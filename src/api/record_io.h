// Writing the caller's records: caller memory checks, 32-bit address fields
// and text copied into fixed-width fields.
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/text.h"

namespace hs {

// The 32-bit form of an address, as the records carry it.
uint32_t Address32(const void *p);

// The address that a 32-bit address field of the caller names.
uint8_t *AddressFrom32(uint32_t address);

// Index of the first of count records of recordSize bytes at base that the
// caller's memory does not hold readable and writable, or -1 when all are.
int64_t FirstBadRecord(const void *base, uint64_t count, uint32_t recordSize);

// The same for readability alone, for records that are checked but not all
// written.
int64_t FirstUnreadableRecord(const void *base, uint64_t count, uint32_t recordSize);

// True when size bytes at p are readable and writable.
bool IsUsable(const void *p, size_t size);

// True when size bytes at p are readable: memory that a call only reads.
bool IsReadable(const void *p, size_t size);

// The size argument of a buffer export: a size query (no buffer) writes it,
// a fill only reads it, so only a query needs it writable.
bool IsSizeArgumentUsable(const uint32_t *size, bool query);

// Copy at most limit bytes of text into a field, zero bytes after a shorter
// text up to limit; nothing past limit is written.
void CopyText(char *field, size_t limit, const Text &text);

// Chain records: record i's next names record i + 1, the last's next is 0.
void ChainRecords(uint8_t *base, uint32_t count, uint32_t recordSize);

// A text sent to the debugger, formatted as printf does.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void DebugTrace(const char *format, ...);

}  // namespace hs
