// Caller memory of the Windows test programs (tests/common/bad_input.h):
// pages below 4 GiB from VirtualAlloc at a low address, protected with
// VirtualProtect; failures reported in the form of Wine's own tests.
#include <windows.h>

#include "common/bad_input.h"
#include "test_report.h"

uint8_t *badinput::MapPages(size_t bytes) {
    for (uintptr_t base = 0x10000000u; base < 0xF0000000u; base += 0x00100000u) {
        void *p = VirtualAlloc(reinterpret_cast<void *>(base), bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (p != nullptr) return static_cast<uint8_t *>(p);
    }
    return nullptr;
}

void badinput::UnmapPages(uint8_t *pages, size_t) { VirtualFree(pages, 0, MEM_RELEASE); }

bool badinput::ProtectPages(uint8_t *pages, size_t bytes, bool readable) {
    DWORD old;
    return VirtualProtect(pages, bytes, readable ? PAGE_READONLY : PAGE_NOACCESS, &old) != 0;
}

void badinput::Fail(const std::string &text) { ok(false, "%s\n", text.c_str()); }
