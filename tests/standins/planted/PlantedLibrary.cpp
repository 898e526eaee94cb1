// A library planted beside SETUP.EXE or DIRPICK.EXE under the name of one of
// the system's that the programs use and that is no KnownDLL: the tests copy
// this one file as MPR.DLL, VERSION.dll and LZ32.DLL. It exports what the
// programs would look for in those libraries, so that a program importing them
// starts with it, and leaves its trace (Trace.h) as soon as it is loaded: the
// code it carries would run with the program's rights. Its functions answer
// as a system without networks, version blocks and LZ expansion would.
#include <windows.h>
#include <lzexpand.h>

#include "Trace.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) planted::LeaveTrace(instance);
  return TRUE;
}

// MPR.DLL
DWORD WINAPI WNetGetConnectionA(LPCSTR, LPSTR, LPDWORD) { return ERROR_NOT_CONNECTED; }
DWORD WINAPI WNetGetConnectionW(LPCWSTR, LPWSTR, LPDWORD) { return ERROR_NOT_CONNECTED; }

// VERSION.dll: the programs' functions, and those the system's own libraries
// ask of a VERSION.dll they load by name (the shell's, for one).
namespace {
DWORD NoVersion() {
  ::SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return 0;
}
}  // namespace
DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR, LPDWORD) { return NoVersion(); }
DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR, LPDWORD) { return NoVersion(); }
DWORD WINAPI GetFileVersionInfoSizeExA(DWORD, LPCSTR, LPDWORD) { return NoVersion(); }
DWORD WINAPI GetFileVersionInfoSizeExW(DWORD, LPCWSTR, LPDWORD) { return NoVersion(); }
BOOL WINAPI GetFileVersionInfoA(LPCSTR, DWORD, DWORD, LPVOID) { return NoVersion(); }
BOOL WINAPI GetFileVersionInfoW(LPCWSTR, DWORD, DWORD, LPVOID) { return NoVersion(); }
BOOL WINAPI GetFileVersionInfoExA(DWORD, LPCSTR, DWORD, DWORD, LPVOID) { return NoVersion(); }
BOOL WINAPI GetFileVersionInfoExW(DWORD, LPCWSTR, DWORD, DWORD, LPVOID) { return NoVersion(); }
BOOL WINAPI VerQueryValueA(LPCVOID, LPCSTR, LPVOID*, PUINT) { return FALSE; }
BOOL WINAPI VerQueryValueW(LPCVOID, LPCWSTR, LPVOID*, PUINT) { return FALSE; }

// LZ32.DLL
INT WINAPI LZOpenFileA(LPSTR, LPOFSTRUCT, WORD) { return LZERROR_BADINHANDLE; }
LONG WINAPI LZCopy(INT, INT) { return LZERROR_BADINHANDLE; }
VOID WINAPI LZClose(INT) {}
