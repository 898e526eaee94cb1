// The search-path step on NT-family Windows (what the test program itself
// sees): the machine's "Path" in the registry and the broadcast that tells
// top-level windows about it; and the short form of the folder it adds.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>

#include "StartupTestSupport.h"
#include "WineTestEnv.h"
#include "startup/SearchPath.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Registry.h"

using namespace kestra;
using startup_test::ReadValue;
using startup_test::SavedRegistryValue;
using startup_test::WorkFolder;
using startup_test::WriteText;

namespace {

// A top-level window in a thread of its own that pumps messages and counts the
// environment-change broadcasts it receives.
class EnvironmentBroadcastListener {
 public:
  EnvironmentBroadcastListener() {
    ready_.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    thread_.reset(::CreateThread(nullptr, 0, &EnvironmentBroadcastListener::Run, this, 0, nullptr));
    if (!ready_ || !thread_) throw std::runtime_error("cannot start the listener thread");
    ::WaitForSingleObject(ready_.get(), INFINITE);
    if (!window_) throw std::runtime_error("cannot create the listener window");
  }
  ~EnvironmentBroadcastListener() {
    ::PostMessageA(window_, WM_CLOSE, 0, 0);
    ::WaitForSingleObject(thread_.get(), INFINITE);
  }
  EnvironmentBroadcastListener(const EnvironmentBroadcastListener&) = delete;
  EnvironmentBroadcastListener& operator=(const EnvironmentBroadcastListener&) = delete;

  int Count() const { return count_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<EnvironmentBroadcastListener*>(
        ::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    // WM_WININICHANGE and WM_SETTINGCHANGE are the same message.
    if (self && msg == WM_SETTINGCHANGE && lparam &&
        std::strcmp(reinterpret_cast<const char*>(lparam), "Environment") == 0)
      ++self->count_;
    if (msg == WM_CLOSE) {
      ::DestroyWindow(hwnd);
      return 0;
    }
    if (msg == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcA(hwnd, msg, wparam, lparam);
  }

  static DWORD WINAPI Run(void* parameter) {
    auto* self = static_cast<EnvironmentBroadcastListener*>(parameter);
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = WindowProc;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = "EnvironmentBroadcastListener";
    ::RegisterClassA(&window_class);
    HWND window = ::CreateWindowExA(0, window_class.lpszClassName, "listener",
                                    WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr,
                                    window_class.hInstance, nullptr);
    if (window) ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
    ::SetEvent(self->ready_.get());
    if (!window) return 1;
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    return 0;
  }

  KernelHandle ready_;
  KernelHandle thread_;
  HWND window_ = nullptr;
  std::atomic<int> count_{0};
};

constexpr char kEntry[] = "C:\\ZEL\\LIB\\_NTI31\\BIN\\;";
constexpr char kItem[] = "C:\\ZEL\\LIB\\_NTI31\\BIN\\";

class NtSearchPathTest : public ::testing::Test {
 protected:
  void SetPath(const std::string& text, DWORD type = REG_EXPAND_SZ) {
    WriteText(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", text, type);
  }
  // The stored value: its type and its text up to the terminating NUL.
  std::pair<DWORD, std::string> StoredPath() const {
    auto value = ReadValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
    if (!value) return {REG_NONE, "<missing>"};
    std::string text(value->data.begin(), value->data.end());
    if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return {value->type, text};
  }

  SavedRegistryValue saved_path_{HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path"};
  EnvironmentBroadcastListener listener_;
};

TEST_F(NtSearchPathTest, AnEntryAlreadyThereChangesNothing) {
  const std::string path = std::string("C:\\windows;") + kItem + ";C:\\tools";
  SetPath(path);
  EXPECT_EQ(AddToSearchPath(kEntry), 0);
  EXPECT_EQ(StoredPath(), std::make_pair(DWORD{REG_EXPAND_SZ}, path));
  EXPECT_EQ(listener_.Count(), 0) << "no broadcast without a change";
}

TEST_F(NtSearchPathTest, ContainedAsPartOfALongerFolderCountsAsThere) {
  // The test is a plain substring test, as the environment step always did.
  const std::string path = std::string("C:\\windows;") + kItem + "OLD";
  SetPath(path);
  EXPECT_EQ(AddToSearchPath(kEntry), 0);
  EXPECT_EQ(StoredPath().second, path);
  EXPECT_EQ(listener_.Count(), 0);
}

TEST_F(NtSearchPathTest, TheSameFolderInOtherLetterCaseIsAppended) {
  const std::string path = "%SystemRoot%\\system32;c:\\zel\\lib\\_nti31\\bin\\";
  SetPath(path);
  EXPECT_EQ(AddToSearchPath(kEntry), 0);
  EXPECT_EQ(StoredPath(), std::make_pair(DWORD{REG_EXPAND_SZ}, path + ";" + kItem));
  EXPECT_EQ(listener_.Count(), 1);
}

TEST_F(NtSearchPathTest, TheNewValueIsExpandable) {
  SetPath("%SystemRoot%\\system32", REG_SZ);
  EXPECT_EQ(AddToSearchPath(kEntry), 0);
  EXPECT_EQ(StoredPath(),
            std::make_pair(DWORD{REG_EXPAND_SZ}, std::string("%SystemRoot%\\system32;") + kItem));
  EXPECT_EQ(listener_.Count(), 1);
  // A second run finds the entry and leaves the value alone.
  EXPECT_EQ(AddToSearchPath(kEntry), 0);
  EXPECT_EQ(StoredPath().second, std::string("%SystemRoot%\\system32;") + kItem);
  EXPECT_EQ(listener_.Count(), 1);
}

TEST_F(NtSearchPathTest, AMissingPathValueIsCreated) {
  startup_test::DeleteValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
  EXPECT_EQ(AddToSearchPath(kEntry), 0);
  EXPECT_EQ(StoredPath(), std::make_pair(DWORD{REG_EXPAND_SZ}, std::string(";") + kItem));
  EXPECT_EQ(listener_.Count(), 1);
}

TEST_F(NtSearchPathTest, APathThatIsNotTextIsLeftAlone) {
  startup_test::WriteValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", REG_BINARY,
                           std::string("\x01\x02\x03", 3));
  EXPECT_EQ(AddToSearchPath(kEntry), 0);
  auto value = ReadValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(value->data, (std::vector<BYTE>{1, 2, 3}));
  EXPECT_EQ(listener_.Count(), 0);
}

TEST_F(NtSearchPathTest, AMissingFolderAddsNothing) {
  const std::string path = "%SystemRoot%\\system32";
  SetPath(path);
  const std::string entry = SearchPathEntry(WorkFolder("searchpath") + "no such folder\\BIN");
  EXPECT_EQ(entry, "");
  EXPECT_EQ(AddToSearchPath(entry), 0);
  EXPECT_EQ(AddToSearchPath(";"), 0) << "a lone separator is no entry either";
  EXPECT_EQ(StoredPath(), std::make_pair(DWORD{REG_EXPAND_SZ}, path));
  EXPECT_EQ(listener_.Count(), 0);
}

std::string ShortPathByWindows(const std::string& path) {
  char buffer[MAX_PATH * 2];
  DWORD length = ::GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

class ShortPathTest : public ::testing::Test {
 protected:
  void SetUp() override { testenv::ResetFolder(root_); }
  const std::string root_ = WorkFolder("shortpath");
};

TEST_F(ShortPathTest, LongNamesTakeTheirShortForm) {
  const std::string folder = root_ + "Long Folder Name\\ソフト表 フォルダ";
  ASSERT_TRUE(ForceDirectories(folder));
  const std::string expected = ShortPathByWindows(folder);
  ASSERT_NE(expected, "");
  EXPECT_EQ(ShortPathOf(folder), expected);
  EXPECT_EQ(ShortPathOf(folder + "\\"), expected) << "one trailing backslash is dropped";
  // Both long components were replaced by their 8.3 forms.
  EXPECT_EQ(ShortPathOf(folder).find("Long Folder Name"), std::string::npos);
  EXPECT_EQ(ShortPathOf(folder).find("ソフト表"), std::string::npos);
  EXPECT_EQ(ShortPathOf(folder).rfind(ShortPathOf(root_ + "Long Folder Name"), 0), 0u);
  EXPECT_EQ(ShortPathOf("C:\\Program Files"), ShortPathByWindows("C:\\Program Files"));
  EXPECT_NE(ShortPathOf("C:\\Program Files"), "C:\\Program Files");
}

TEST_F(ShortPathTest, NamesWithoutAShortFormKeepTheirLongName) {
  // Names that are already 8.3 have no separate short name: the long name,
  // in its own letter case, stands in for it.
  const std::string folder = root_ + "zel\\Lib\\_NTI31\\BIN";
  ASSERT_TRUE(ForceDirectories(folder));
  const std::string expected = ShortPathOf(root_) + "\\zel\\Lib\\_NTI31\\BIN";
  EXPECT_EQ(ShortPathOf(folder), expected);
  EXPECT_EQ(SearchPathEntry(folder), expected + "\\;");
  EXPECT_EQ(ShortPathOf("C:\\windows\\system32"), "C:\\windows\\system32");
}

TEST_F(ShortPathTest, ADriveRootOrShorterComesBackUnchanged) {
  EXPECT_EQ(ShortPathOf("C:\\"), "C:\\");
  EXPECT_EQ(ShortPathOf("C:"), "C:");
  EXPECT_EQ(ShortPathOf("J:\\"), "J:\\") << "not even looked at";
  EXPECT_EQ(ShortPathOf("abc"), "abc");
  EXPECT_EQ(ShortPathOf(""), "");
}

TEST_F(ShortPathTest, AMissingFolderHasNoShortForm) {
  EXPECT_EQ(ShortPathOf(root_ + "missing"), "");
  EXPECT_EQ(ShortPathOf(root_ + "missing\\BIN"), "");
  EXPECT_EQ(ShortPathOf("J:\\ZEL"), "");
  EXPECT_EQ(SearchPathEntry(root_ + "missing"), "");
}

TEST_F(ShortPathTest, TheEntryIsTheShortFormWithBackslashAndSeparator) {
  const std::string folder = root_ + "Search Engine Folder";
  ASSERT_TRUE(ForceDirectories(folder));
  EXPECT_EQ(SearchPathEntry(folder), ShortPathByWindows(folder) + "\\;");
  EXPECT_EQ(SearchPathEntry("C:\\"), "C:\\;");
}

TEST(AutoexecLocation, TheBootDriveComesFromBootDir) {
  SavedRegistryValue boot_dir(HKEY_LOCAL_MACHINE, kWindowsSetupKey, "BootDir");
  WriteText(HKEY_LOCAL_MACHINE, kWindowsSetupKey, "BootDir", "R:\\");
  EXPECT_EQ(AutoexecPath(), "R:\\AUTOEXEC.BAT");
  WriteText(HKEY_LOCAL_MACHINE, kWindowsSetupKey, "BootDir", "Q:\\WINDOWS\\BOOT");
  EXPECT_EQ(AutoexecPath(), "Q:\\AUTOEXEC.BAT") << "only its first two characters count";
}

TEST(AutoexecLocation, WithoutBootDirTheWindowsDriveIsTheBootDrive) {
  SavedRegistryValue boot_dir(HKEY_LOCAL_MACHINE, kWindowsSetupKey, "BootDir");
  const std::string windows_drive = WindowsFolder().substr(0, 2);
  ASSERT_EQ(windows_drive.size(), 2u);
  startup_test::DeleteValue(HKEY_LOCAL_MACHINE, kWindowsSetupKey, "BootDir");
  EXPECT_EQ(AutoexecPath(), windows_drive + "\\AUTOEXEC.BAT");
  WriteText(HKEY_LOCAL_MACHINE, kWindowsSetupKey, "BootDir", "");
  EXPECT_EQ(AutoexecPath(), windows_drive + "\\AUTOEXEC.BAT");
}

TEST(AutoexecLine, FitsTheLineBufferUpTo255Bytes) {
  EXPECT_EQ(AutoexecPathLine(kEntry), std::string("\r\nPATH=%PATH%;") + kEntry + "\r\n");
  EXPECT_EQ(AutoexecPathLine(std::string(239, 'x')).size(), kAutoexecLineBufferSize - 1);
}

}  // namespace
