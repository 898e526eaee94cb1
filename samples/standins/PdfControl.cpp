// Stand-in of the PDF viewer control the product ships: registering it (what
// REGSVR32 does) leaves a marker in the registry and unregistering removes it,
// so tests can see that the installer registered the control.
//   HKLM\SOFTWARE\KestraTest\PdfControl  "Registered" = full path of this file
#include <windows.h>

namespace {

constexpr char kMarkerKey[] = "SOFTWARE\\KestraTest\\PdfControl";
HMODULE self = nullptr;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  return TRUE;
}

HRESULT WINAPI DllRegisterServer() {
  char path[MAX_PATH];
  DWORD length = ::GetModuleFileNameA(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMarkerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
    return E_ACCESSDENIED;
  LONG set = ::RegSetValueExA(key, "Registered", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                              length + 1);
  ::RegCloseKey(key);
  return set == ERROR_SUCCESS ? S_OK : E_FAIL;
}

HRESULT WINAPI DllUnregisterServer() {
  LONG deleted = ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMarkerKey);
  return (deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND) ? S_OK : E_FAIL;
}

}  // extern "C"
