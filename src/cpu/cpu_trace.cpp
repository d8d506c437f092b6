// The processor trace: silent in the delivered build; a diagnostic build
// formats each message and sends it to the debugger channel.
#include "cpu/cpu_trace.h"

#include <cstdarg>
#include <cstdio>

#include "platform/platform.h"

namespace hs {

void CpuTrace(const char *format, ...) {
#if defined(HARDSCAN_CPU_TRACE)
    if (format == nullptr) {
        return;
    }
    char message[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    OutputDebugStringA(message);
#else
    (void)format;
#endif
}

}  // namespace hs
