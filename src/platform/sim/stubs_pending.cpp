// Temporary minimal definitions; replaced file by file.
#include "platform/platform.h"
#include "platform/sim/sim_machine.h"

#include <cstring>
#include <strings.h>

namespace hs {
CpuidRegs ExecuteCpuid(uint32_t) { return {0, 0, 0, 0}; }
bool CanToggleIdFlag() { return true; }
uint64_t ReadTsc() { return 0; }
uint32_t ReadMxcsrMask() { return 0xFFFF; }
uint32_t ProbeSse() { return 0; }
uint32_t ProbeSse2() { return 0; }
}  // namespace hs

namespace hs::sim {
void LoadMachine(const std::string &) {}
void LoadMachineFile(const std::string &) {}
const std::string &DefaultProfile() { static std::string s; return s; }
void CaptureDebugOutput(bool) {}
std::string TakeDebugOutput() { return {}; }
}  // namespace hs::sim

LSTATUS RegOpenKeyExA(HKEY, LPCSTR, DWORD, REGSAM, PHKEY) { return ERROR_FILE_NOT_FOUND; }
LSTATUS RegQueryValueExA(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) { return ERROR_FILE_NOT_FOUND; }
LSTATUS RegQueryInfoKeyA(HKEY, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD,
                         LPDWORD, PFILETIME) { return ERROR_INVALID_HANDLE; }
LSTATUS RegEnumKeyExA(HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPSTR, LPDWORD, PFILETIME) { return ERROR_NO_MORE_ITEMS; }
LSTATUS RegEnumValueA(HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE, LPDWORD) { return ERROR_NO_MORE_ITEMS; }
LSTATUS RegCloseKey(HKEY) { return ERROR_SUCCESS; }
BOOL GetVersionExA(LPOSVERSIONINFOA) { return FALSE; }
void GlobalMemoryStatus(LPMEMORYSTATUS m) { std::memset(m, 0, sizeof *m); m->dwLength = 32; }
void GetSystemInfo(LPSYSTEM_INFO s) { std::memset(s, 0, sizeof *s); s->dwNumberOfProcessors = 1; s->dwActiveProcessorMask = 1; }
HANDLE GetCurrentProcess() { return (HANDLE)(intptr_t)-1; }
DWORD GetPriorityClass(HANDLE) { return NORMAL_PRIORITY_CLASS; }
BOOL SetPriorityClass(HANDLE, DWORD) { return TRUE; }
BOOL GetProcessAffinityMask(HANDLE, PDWORD_PTR p, PDWORD_PTR s) { *p = 1; *s = 1; return TRUE; }
BOOL SetProcessAffinityMask(HANDLE, DWORD_PTR) { return TRUE; }
void Sleep(DWORD) {}
UINT GetDriveTypeA(LPCSTR) { return DRIVE_NO_ROOT_DIR; }
int _getdrive() { return 3; }
int _chdrive(int) { return -1; }
static thread_local DWORD t_lastError;
DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD e) { t_lastError = e; }
BOOL IsBadReadPtr(const void *p, UINT_PTR n) { return n != 0 && p == nullptr; }
BOOL IsBadWritePtr(LPVOID p, UINT_PTR n) { return n != 0 && p == nullptr; }
void OutputDebugStringA(LPCSTR) {}
DWORD GetAdaptersInfo(PIP_ADAPTER_INFO, PULONG) { return ERROR_NO_DATA; }
UCHAR Netbios(PNCB n) { n->ncb_retcode = NRC_ILLCMD; return NRC_ILLCMD; }
BOOL EnumPrintersA(DWORD, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD n, LPDWORD r) { *n = 0; *r = 0; return TRUE; }
MMRESULT timeGetDevCaps(LPTIMECAPS t, UINT) { t->wPeriodMin = 1; t->wPeriodMax = 1000000; return 0; }
MMRESULT timeBeginPeriod(UINT) { return 0; }
MMRESULT timeEndPeriod(UINT) { return 0; }
DWORD timeGetTime() { static DWORD c; return ++c; }
int _mbsicmp(const unsigned char *a, const unsigned char *b) { return strcasecmp((const char *)a, (const char *)b); }
int _mbscmp(const unsigned char *a, const unsigned char *b) { return strcmp((const char *)a, (const char *)b); }
unsigned char *_mbsupr(unsigned char *s) { return s; }
