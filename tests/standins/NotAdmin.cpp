// Stand-in for the administrator question of Shell32.dll, answering "not an
// administrator". Under Wine every process is elevated, so the only way to see
// SETUP refuse a user without rights is to let it ask this library instead
// (it does when KESTRA_TEST_ADMIN_DLL names it).
#include <windows.h>

extern "C" __declspec(dllexport) BOOL WINAPI IsUserAnAdmin() { return FALSE; }
