// OutputDebugStringA: appended byte for byte to the file named by
// HARDSCAN_DEBUG_OUTPUT ("-" for standard error), and kept in memory while a
// test captures it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/platform.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_machine.h"

namespace {

struct Capture {
    std::mutex mutex;
    bool on = false;
    std::string text;
};

Capture g_capture HS_INIT_PRIORITY(HS_PRIORITY_SIM_MACHINE);

Capture &TheCapture() { return g_capture; }

}  // namespace

void OutputDebugStringA(LPCSTR text) {
    if (text == nullptr) return;
    size_t length = std::strlen(text);
    Capture &c = TheCapture();
    {
        std::lock_guard<std::mutex> lock(c.mutex);
        if (c.on) c.text.append(text, length);
    }
    const char *path = std::getenv("HARDSCAN_DEBUG_OUTPUT");
    if (path == nullptr || *path == '\0' || length == 0) return;
    if (std::strcmp(path, "-") == 0) {
        std::fwrite(text, 1, length, stderr);
        std::fflush(stderr);
        return;
    }
    if (FILE *f = std::fopen(path, "ab")) {
        std::fwrite(text, 1, length, f);
        std::fclose(f);
    }
}

namespace hs::sim {

void CaptureDebugOutput(bool on) {
    Capture &c = TheCapture();
    std::lock_guard<std::mutex> lock(c.mutex);
    c.on = on;
    if (!on) c.text.clear();
}

std::string TakeDebugOutput() {
    Capture &c = TheCapture();
    std::lock_guard<std::mutex> lock(c.mutex);
    std::string text;
    text.swap(c.text);
    return text;
}

}  // namespace hs::sim
