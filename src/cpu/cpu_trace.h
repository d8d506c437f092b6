// The processor trace routine. Its messages mark the points of the processor
// detection; the delivered build prints nothing, a diagnostic build
// (HARDSCAN_CPU_TRACE defined) sends them to the debugger channel.
#pragma once

namespace hs {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void CpuTrace(const char *format, ...);

}  // namespace hs
