// The Windows headers that declare every system service the library calls.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// The library defines the multimedia-timer functions itself (they forward to
// the DLL in the system folder), so they are declared without dllimport.
#ifndef _WINMM_
#define _WINMM_
#endif
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <mmsystem.h>
#include <nb30.h>
#include <winspool.h>
#include <direct.h>
#include <mbstring.h>

// Obsolete macros of the Windows headers that collide with ordinary names in
// the library's own classes.
#undef Yield
#undef GetCurrentTime
