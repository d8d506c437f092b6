// The functions of the IP helper, NetBIOS, the print spooler and the
// multimedia timer, under their Windows names, for the library's own calls.
// Each forwards to the function of the DLL in the system folder; when the DLL
// or the function is missing it answers as the call failing, so each caller
// takes its own failure path (no adapter list, no NetBIOS adapters, no
// printers, no timer capabilities).
#include "platform/win/system_library.h"

namespace {

using hs::win::SystemFunction;

SystemFunction g_getAdaptersInfo("iphlpapi.dll", "GetAdaptersInfo");
SystemFunction g_netbios("netapi32.dll", "Netbios");
SystemFunction g_enumPrintersA("winspool.drv", "EnumPrintersA");
SystemFunction g_timeGetDevCaps("winmm.dll", "timeGetDevCaps");
SystemFunction g_timeBeginPeriod("winmm.dll", "timeBeginPeriod");
SystemFunction g_timeEndPeriod("winmm.dll", "timeEndPeriod");
SystemFunction g_timeGetTime("winmm.dll", "timeGetTime");

}  // namespace

extern "C" {

ULONG WINAPI GetAdaptersInfo(PIP_ADAPTER_INFO adapterInfo, PULONG sizePointer)
{
    auto *function = g_getAdaptersInfo.Get<decltype(GetAdaptersInfo)>();
    return function != nullptr ? function(adapterInfo, sizePointer) : ERROR_NOT_SUPPORTED;
}

UCHAR WINAPI Netbios(PNCB ncb)
{
    auto *function = g_netbios.Get<decltype(Netbios)>();
    if (function != nullptr)
        return function(ncb);
    if (ncb != nullptr) {
        ncb->ncb_retcode = NRC_SYSTEM;
        ncb->ncb_cmd_cplt = NRC_SYSTEM;
    }
    return NRC_SYSTEM;
}

WINBOOL WINAPI EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE printerEnum, DWORD bufferSize,
                             LPDWORD needed, LPDWORD returned)
{
    auto *function = g_enumPrintersA.Get<decltype(EnumPrintersA)>();
    if (function != nullptr)
        return function(flags, name, level, printerEnum, bufferSize, needed, returned);
    SetLastError(g_enumPrintersA.MissingError());
    return FALSE;
}

MMRESULT WINAPI timeGetDevCaps(LPTIMECAPS caps, UINT size)
{
    auto *function = g_timeGetDevCaps.Get<decltype(timeGetDevCaps)>();
    return function != nullptr ? function(caps, size) : TIMERR_NOCANDO;
}

MMRESULT WINAPI timeBeginPeriod(UINT period)
{
    auto *function = g_timeBeginPeriod.Get<decltype(timeBeginPeriod)>();
    return function != nullptr ? function(period) : TIMERR_NOCANDO;
}

MMRESULT WINAPI timeEndPeriod(UINT period)
{
    auto *function = g_timeEndPeriod.Get<decltype(timeEndPeriod)>();
    return function != nullptr ? function(period) : TIMERR_NOCANDO;
}

// The millisecond clock has no failure answer. Without the multimedia timer
// the system's tick count stands in (the same clock, at the coarser
// resolution of the scheduler's tick), so that a wait on it still ends.
DWORD WINAPI timeGetTime()
{
    auto *function = g_timeGetTime.Get<decltype(timeGetTime)>();
    return function != nullptr ? function() : GetTickCount();
}

}  // extern "C"
