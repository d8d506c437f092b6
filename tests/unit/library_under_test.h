// The shared library loaded for one test over a machine of its own: the
// profile is written to a file, named by HARDSCAN_MACHINE, and the debugger
// channel goes to a file the test can read.
#pragma once

#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "hardscan.h"
#include "test_support.h"

namespace hstest {

class LibraryUnderTest {
public:
    explicit LibraryUnderTest(const std::string &body, bool withSimProcessor = true) {
        char dir[] = "/tmp/hardscan-test-XXXXXX";
        if (mkdtemp(dir) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_dir = dir;
        std::ofstream(m_dir + "/machine.reg", std::ios::binary) << MachineText(body, withSimProcessor);
        std::ofstream(m_dir + "/debug.txt", std::ios::binary).flush();
        setenv("HARDSCAN_MACHINE", (m_dir + "/machine.reg").c_str(), 1);
        setenv("HARDSCAN_DEBUG_OUTPUT", (m_dir + "/debug.txt").c_str(), 1);
        m_handle = dlopen(HS_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        if (m_handle == nullptr) throw std::runtime_error(std::string("dlopen: ") + dlerror());
    }
    ~LibraryUnderTest() {
        if (m_handle != nullptr) dlclose(m_handle);
        std::remove((m_dir + "/machine.reg").c_str());
        std::remove((m_dir + "/debug.txt").c_str());
        rmdir(m_dir.c_str());
    }
    LibraryUnderTest(const LibraryUnderTest &) = delete;
    LibraryUnderTest &operator=(const LibraryUnderTest &) = delete;

    template <typename F>
    F *Get(const char *name) const {
        void *symbol = dlsym(m_handle, name);
        if (symbol == nullptr) throw std::runtime_error(std::string("missing export ") + name);
        return reinterpret_cast<F *>(symbol);
    }

    // Everything sent to the debugger since the last call.
    std::string TakeDebugOutput() {
        std::ifstream in(m_dir + "/debug.txt", std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        const std::string text = all.str();
        const std::string fresh = text.substr(m_debugSeen < text.size() ? m_debugSeen : text.size());
        m_debugSeen = text.size();
        return fresh;
    }

private:
    std::string m_dir;
    void *m_handle = nullptr;
    size_t m_debugSeen = 0;
};

// The text of a fixed-width record field, up to its first zero byte.
inline std::string Field(const char *field, size_t width) { return std::string(field, strnlen(field, width)); }

#define HS_EXPORT(lib, name) (lib).Get<decltype(name)>(#name)

// Caller memory below 4 GiB with an unreadable page right after the first
// `readable` bytes (rounded so that the readable part ends on the page
// boundary), filled with a canary byte.
class GuardedMemory {
public:
    static constexpr unsigned char kCanary = 0xCD;

    explicit GuardedMemory(size_t readable, bool guardAfter = true) {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        m_readablePages = (readable + page - 1) / page;
        if (m_readablePages == 0) m_readablePages = 1;
        m_total = (m_readablePages + 1) * page;
        void *p = mmap(nullptr, m_total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
        if (p == MAP_FAILED) throw std::runtime_error("mmap failed");
        m_base = static_cast<unsigned char *>(p);
        memset(m_base, kCanary, m_total);
        if (guardAfter) mprotect(m_base + m_readablePages * page, page, PROT_NONE);
        // The caller's bytes end exactly at the guard page.
        m_start = m_base + m_readablePages * page - readable;
    }
    ~GuardedMemory() { munmap(m_base, m_total); }
    GuardedMemory(const GuardedMemory &) = delete;
    GuardedMemory &operator=(const GuardedMemory &) = delete;

    // Only the pages that hold bytes [offset, offset + count) of the
    // caller's bytes become read-only (a page shared with other bytes takes
    // them along).
    void MakeReadOnly(size_t offset, size_t count) {
        const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
        const uintptr_t begin = reinterpret_cast<uintptr_t>(m_start + offset) / page * page;
        const uintptr_t end = (reinterpret_cast<uintptr_t>(m_start + offset + count) + page - 1) / page * page;
        if (mprotect(reinterpret_cast<void *>(begin), end - begin, PROT_READ) != 0) {
            throw std::runtime_error("mprotect failed");
        }
    }

    unsigned char *Data() const { return m_start; }
    uint32_t Address32() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_start)); }

    // The caller's pages become read-only: a write to them faults.
    void MakeReadOnly() {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        if (mprotect(m_base, m_readablePages * page, PROT_READ) != 0) throw std::runtime_error("mprotect failed");
    }

    // True when every byte from offset for count bytes still holds the canary.
    bool Untouched(size_t offset, size_t count) const {
        for (size_t i = 0; i < count; ++i) {
            if (m_start[offset + i] != kCanary) return false;
        }
        return true;
    }

private:
    unsigned char *m_base = nullptr;
    unsigned char *m_start = nullptr;
    size_t m_total = 0;
    size_t m_readablePages = 0;
};

}  // namespace hstest
