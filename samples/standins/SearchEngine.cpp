// Stand-in of the full-text search engine library the product installs into
// the shared library folder. It only answers its version.
#include <windows.h>

extern "C" __declspec(dllexport) DWORD WINAPI NtiEngineVersion() { return 0x00030001; }
