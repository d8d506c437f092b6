// The shared library loaded for one test over a machine of its own: the
// profile is written to a file, named by HARDSCAN_MACHINE, and the debugger
// channel goes to a file the test can read.
#pragma once

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "common/bad_input.h"
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
        if (const char *missing = ResolveExports(x, [this](const char *name) { return dlsym(m_handle, name); }))
            throw std::runtime_error(std::string("missing export ") + missing);
    }
    ~LibraryUnderTest() {
        if (m_handle != nullptr) dlclose(m_handle);
        std::remove((m_dir + "/machine.reg").c_str());
        std::remove((m_dir + "/debug.txt").c_str());
        rmdir(m_dir.c_str());
    }
    LibraryUnderTest(const LibraryUnderTest &) = delete;
    LibraryUnderTest &operator=(const LibraryUnderTest &) = delete;

    // The library's exports, resolved by name.
    Exports x;

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

// Caller memory below 4 GiB that ends right at an unreadable page, after
// fill bytes (the bad-input table's memory).
struct Guarded : badinput::Area {
    explicit Guarded(size_t readable) : Area(readable, true) {}
};

}  // namespace hstest
