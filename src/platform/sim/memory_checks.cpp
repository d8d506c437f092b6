// IsBadReadPtr and IsBadWritePtr over the process's real memory. Reading is
// checked by letting the kernel copy the range (process_vm_readv fails on a
// page that cannot be read). Writing is checked as Windows checks it: one
// byte of every page is written back unchanged, here through the kernel
// (process_vm_writev fails on a page that cannot be written), so a bad page
// never faults. Where those calls are not permitted, the mappings that
// /proc/self/maps lists answer.
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace {

// What the kernel answered for an access: granted, refused, or nothing (the
// call is not permitted here).
enum class Answer { Granted, Refused, Unknown };

// Copies the range through the kernel in slices.
Answer ReadThroughKernel(uintptr_t begin, uintptr_t end) {
    static constexpr size_t kSlice = 64 * 1024;
    char scratch[4096];
    for (uintptr_t at = begin; at < end;) {
        size_t want = end - at < kSlice ? static_cast<size_t>(end - at) : kSlice;
        // Slices larger than the scratch buffer are read into it repeatedly.
        iovec local[16];
        size_t pieces = 0;
        for (size_t done = 0; done < want; done += sizeof scratch) {
            local[pieces].iov_base = scratch;
            local[pieces].iov_len = want - done < sizeof scratch ? want - done : sizeof scratch;
            ++pieces;
        }
        iovec remote{reinterpret_cast<void *>(at), want};
        ssize_t n = process_vm_readv(getpid(), local, pieces, &remote, 1, 0);
        if (n < 0) return errno == EFAULT ? Answer::Refused : Answer::Unknown;
        if (static_cast<size_t>(n) < want) return Answer::Refused;
        at += want;
    }
    return Answer::Granted;
}

// Writes back, unchanged, the first byte of the range and of every page
// after it. Like the Windows check, this races with another thread writing
// the same byte at the same moment.
Answer WriteThroughKernel(uintptr_t begin, uintptr_t end) {
    static constexpr size_t kBatch = 64;
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    uintptr_t at = begin;
    while (at < end) {
        char bytes[kBatch];
        iovec local[kBatch];
        iovec remote[kBatch];
        size_t count = 0;
        for (; count < kBatch && at < end; ++count) {
            local[count] = {&bytes[count], 1};
            remote[count] = {reinterpret_cast<void *>(at), 1};
            const uintptr_t next = (at / page + 1) * page;
            at = next > at ? next : end;  // the last page of the address space
        }
        ssize_t n = process_vm_readv(getpid(), local, count, remote, count, 0);
        if (n < 0) return errno == EFAULT ? Answer::Refused : Answer::Unknown;
        if (static_cast<size_t>(n) < count) return Answer::Refused;
        n = process_vm_writev(getpid(), local, count, remote, count, 0);
        if (n < 0) return errno == EFAULT ? Answer::Refused : Answer::Unknown;
        if (static_cast<size_t>(n) < count) return Answer::Refused;
    }
    return Answer::Granted;
}

std::string ReadMaps() {
    std::string text;
    int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char chunk[16384];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<size_t>(n));
    close(fd);
    return text;
}

// True when [begin, end) lies in mappings that grant the access ('r' or 'w').
// The lines of /proc/self/maps are "low-high perms ..." in address order.
bool MappedWith(uintptr_t begin, uintptr_t end, char access) {
    std::string maps = ReadMaps();
    uintptr_t covered = begin;
    const char *p = maps.c_str();
    while (*p != '\0' && covered < end) {
        char *next = nullptr;
        uintptr_t low = std::strtoull(p, &next, 16);
        if (*next != '-') return false;
        uintptr_t high = std::strtoull(next + 1, &next, 16);
        const char *perms = next + 1;
        const char *eol = perms;
        while (*eol != '\0' && *eol != '\n') ++eol;
        p = *eol == '\n' ? eol + 1 : eol;
        if (high <= covered) continue;
        if (low > covered) return false;  // a hole in the range
        if ((access == 'r' ? perms[0] : perms[1]) != access) return false;
        covered = high;
    }
    return covered >= end;
}

BOOL IsBad(const void *p, UINT_PTR size, char access) {
    if (size == 0) return FALSE;
    if (p == nullptr) return TRUE;
    uintptr_t begin = reinterpret_cast<uintptr_t>(p);
    uintptr_t end = begin + size;
    if (end < begin) return TRUE;
    Answer read = ReadThroughKernel(begin, end);
    if (read == Answer::Refused) return TRUE;
    if (access == 'r' && read == Answer::Granted) return FALSE;
    if (access == 'w' && read == Answer::Granted) {
        const Answer write = WriteThroughKernel(begin, end);
        if (write != Answer::Unknown) return write == Answer::Granted ? FALSE : TRUE;
    }
    return MappedWith(begin, end, access) ? FALSE : TRUE;
}

}  // namespace

BOOL IsBadReadPtr(const void *lp, UINT_PTR ucb) { return IsBad(lp, ucb, 'r'); }
BOOL IsBadWritePtr(LPVOID lp, UINT_PTR ucb) { return IsBad(lp, ucb, 'w'); }
