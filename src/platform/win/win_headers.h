// The Windows headers that declare every system service the library calls.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <mmsystem.h>
#include <nb30.h>
#include <winspool.h>
#include <direct.h>
#include <mbstring.h>
