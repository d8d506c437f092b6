/* Stands in for a DLL that someone planted beside a host program or in its
 * current directory under the name of a system DLL. When it is loaded it
 * leaves a marker file beside itself (its own path followed by ".loaded");
 * it exports the functions that the library uses from those DLLs and
 * answers each with a failure, so that its use also shows in the answers. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <string.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH + 8];
        DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            HANDLE marker;
            strcpy(path + length, ".loaded");
            marker = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
            if (marker != INVALID_HANDLE_VALUE)
                CloseHandle(marker);
        }
    }
    return TRUE;
}

__declspec(dllexport) ULONG WINAPI GetAdaptersInfo(void *info, ULONG *size)
{
    (void)info, (void)size;
    return ERROR_NOT_SUPPORTED;
}

__declspec(dllexport) UCHAR WINAPI Netbios(void *ncb)
{
    (void)ncb;
    return 0x40; /* NRC_SYSTEM */
}

__declspec(dllexport) BOOL WINAPI EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE records, DWORD size,
                                                LPDWORD needed, LPDWORD returned)
{
    (void)flags, (void)name, (void)level, (void)records, (void)size, (void)needed, (void)returned;
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

#define TIMER_CANNOT 97 /* TIMERR_NOCANDO */

__declspec(dllexport) UINT WINAPI timeGetDevCaps(void *caps, UINT size)
{
    (void)caps, (void)size;
    return TIMER_CANNOT;
}

__declspec(dllexport) UINT WINAPI timeBeginPeriod(UINT period)
{
    (void)period;
    return TIMER_CANNOT;
}

__declspec(dllexport) UINT WINAPI timeEndPeriod(UINT period)
{
    (void)period;
    return TIMER_CANNOT;
}

__declspec(dllexport) DWORD WINAPI timeGetTime(void)
{
    return GetTickCount();
}
