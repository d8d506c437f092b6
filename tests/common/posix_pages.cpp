// Caller memory of the native test programs (bad_input.h): pages below
// 4 GiB from mmap, protected with mprotect.
#include <sys/mman.h>

#include "bad_input.h"

uint8_t *badinput::MapPages(size_t bytes) {
    void *p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<uint8_t *>(p);
}

void badinput::UnmapPages(uint8_t *pages, size_t bytes) { munmap(pages, bytes); }

bool badinput::ProtectPages(uint8_t *pages, size_t bytes, bool readable) {
    return mprotect(pages, bytes, readable ? PROT_READ : PROT_NONE) == 0;
}
