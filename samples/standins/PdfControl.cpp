// Stand-in of the PDF viewer control the product ships. Registering it (what
// REGSVR32 does) writes the class registration an ActiveX control leaves,
// unregistering removes it, so tests can see that the installer had it
// registered:
//   HKEY_CLASSES_ROOT\CLSID\{098D4AA5-1063-460C-BFD6-A4B9639710F8}
//     (default) = "Kestra sample PDF view"
//     InprocServer32 (default) = full path of this file, ThreadingModel = "Apartment"
//
// While a file named REGISTER.HOLD lies beside the control, registration waits
// for it to go (at most a minute), after creating REGISTER.WAITING there: a
// test can so hold REGSVR32 running and watch the installer wait for it.
#include <windows.h>

#include <string>

namespace {

constexpr char kClassKey[] = "CLSID\\{098D4AA5-1063-460C-BFD6-A4B9639710F8}";
constexpr char kClassName[] = "Kestra sample PDF view";
constexpr DWORD kLongestHold = 60000;
HMODULE self = nullptr;

std::string OwnPath() {
  std::string path(MAX_PATH, '\0');
  DWORD length = ::GetModuleFileNameA(self, path.data(), MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  path.resize(length);
  return path;
}

std::string BesideSelf(const std::string& own_path, const char* name) {
  return own_path.substr(0, own_path.find_last_of('\\') + 1) + name;
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WaitWhileHeld(const std::string& own_path) {
  const std::string hold = BesideSelf(own_path, "REGISTER.HOLD");
  if (!Exists(hold)) return;
  const std::string waiting = BesideSelf(own_path, "REGISTER.WAITING");
  HANDLE marker = ::CreateFileA(waiting.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) ::CloseHandle(marker);
  for (DWORD waited = 0; Exists(hold) && waited < kLongestHold; waited += 50) ::Sleep(50);
}

bool SetText(HKEY key, const char* name, const std::string& text) {
  return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool WriteKey(const std::string& path, const char* name, const std::string& text,
              const char* name2 = nullptr, const std::string& text2 = {}) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
    return false;
  bool ok = SetText(key, name, text) && (!name2 || SetText(key, name2, text2));
  ::RegCloseKey(key);
  return ok;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  return TRUE;
}

HRESULT WINAPI DllRegisterServer() {
  const std::string path = OwnPath();
  if (path.empty()) return E_FAIL;
  WaitWhileHeld(path);
  const std::string server = std::string(kClassKey) + "\\InprocServer32";
  if (!WriteKey(kClassKey, "", kClassName) ||
      !WriteKey(server, "", path, "ThreadingModel", "Apartment"))
    return E_ACCESSDENIED;
  return S_OK;
}

HRESULT WINAPI DllUnregisterServer() {
  LONG deleted = ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey);
  if (deleted == ERROR_SUCCESS) deleted = ::RegDeleteKeyA(HKEY_CLASSES_ROOT, kClassKey);
  return (deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND) ? S_OK : E_FAIL;
}

}  // extern "C"
