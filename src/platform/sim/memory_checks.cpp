// IsBadReadPtr and IsBadWritePtr: the process's real mappings, as the kernel
// lists them in /proc/self/maps, must cover the whole range with the access
// asked for.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace {

std::string ReadMaps() {
    std::string text;
    int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char chunk[4096];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<size_t>(n));
    close(fd);
    return text;
}

// True when [begin, end) lies in mappings that grant the access ('r' or 'w').
bool RangeAccessible(uintptr_t begin, uintptr_t end, char access) {
    std::string maps = ReadMaps();
    uintptr_t covered = begin;
    size_t pos = 0;
    while (pos < maps.size() && covered < end) {
        size_t eol = maps.find('\n', pos);
        if (eol == std::string::npos) eol = maps.size();
        std::string line = maps.substr(pos, eol - pos);
        pos = eol + 1;
        unsigned long long low = 0, high = 0;
        char perms[5] = {0};
        if (std::sscanf(line.c_str(), "%llx-%llx %4s", &low, &high, perms) != 3) continue;
        if (high <= covered || low > covered) continue;  // the lines are in address order
        bool granted = access == 'r' ? perms[0] == 'r' : perms[1] == 'w';
        if (!granted) return false;
        covered = static_cast<uintptr_t>(high);
    }
    return covered >= end;
}

BOOL IsBad(const void *p, UINT_PTR size, char access) {
    if (size == 0) return FALSE;
    if (p == nullptr) return TRUE;
    uintptr_t begin = reinterpret_cast<uintptr_t>(p);
    uintptr_t end = begin + size;
    if (end < begin) return TRUE;
    return RangeAccessible(begin, end, access) ? FALSE : TRUE;
}

}  // namespace

BOOL IsBadReadPtr(const void *lp, UINT_PTR ucb) { return IsBad(lp, ucb, 'r'); }
BOOL IsBadWritePtr(LPVOID lp, UINT_PTR ucb) { return IsBad(lp, ucb, 'w'); }
