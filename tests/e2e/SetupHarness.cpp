#include "SetupHarness.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

#include "ShellPlaces.h"
#include "system/FileSys.h"
#include "system/Registry.h"
#include "system/TextCodec.h"

namespace e2e {

namespace {

// Written out here, not taken from SETUP's sources, so a wrong key in SETUP shows.
constexpr char kProductKey[] = "SOFTWARE\\ZEL\\ケストラDVD";
constexpr char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KESTRA.exe";
constexpr char kAdminDllVariable[] = "KESTRA_TEST_ADMIN_DLL";
constexpr char kFaultVariable[] = "KESTRA_TEST_FAULT";

void RemoveInstallTraces() {
  kestra::DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKey);
  kestra::DeleteKeyTree(HKEY_LOCAL_MACHINE, kAppPathsKey);
}

}  // namespace

void RemoveInstallationRecords() {
  RemoveInstallTraces();
  kestra::DeleteKeyTree(HKEY_CURRENT_USER, kProductKey);
  kestra::DeleteKeyTree(HKEY_LOCAL_MACHINE,
                        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ケストラDVD");
  const std::string records = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\";
  for (const char* name : {"KSINSTALL.INF", "KSDOCS.INF", "KSUNINST.LOG", "KSUINST.EXE"}) {
    const std::string path = records + name;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
  }
  testenv::RemoveProductShortcuts();
  kestra::DeleteKeyTree(HKEY_CLASSES_ROOT, kPdfControlClassKey);
}

namespace {

bool IsRoot(const std::string& folder) { return folder.size() <= 3; }

// The archive expander a DVD carries beside SETUP.EXE: the shipped one, or the
// engine tests' stand-in while the build has none. A DVD without a setup
// script installs no file, but the run still needs the expander to succeed.
std::string ArchiveExpander() {
  const std::string shipped = testenv::DistFile("EZip.dll");
  return kestra::FileExists(shipped) ? shipped : testenv::TestBinary("FakeEZip.dll");
}

}  // namespace

PlacedSetup::PlacedSetup(std::string folder, std::optional<std::string> dvd_version)
    : folder_(std::move(folder)) {
  if (!IsRoot(folder_) && !kestra::DirectoryExists(folder_)) {
    if (!kestra::ForceDirectories(folder_))
      throw std::runtime_error("cannot create " + folder_);
    made_folder_ = true;
  }
  ::DeleteFileA((folder_ + "SETUP.INF").c_str());
  if (!testenv::CopyFileTo(testenv::SetupVariant(), Exe()))
    throw std::runtime_error("cannot copy SETUP.EXE to " + folder_);
  if (!testenv::CopyFileTo(ArchiveExpander(), folder_ + "EZip.dll"))
    throw std::runtime_error("cannot copy EZip.dll to " + folder_);
  // The folder helper lies beside SETUP, as on the DVD.
  if (!testenv::CopyFileTo(testenv::DistFile("DIRPICK.EXE"), folder_ + "DIRPICK.EXE"))
    throw std::runtime_error("cannot copy DIRPICK.EXE to " + folder_);
  if (dvd_version)
    testenv::WriteFile(folder_ + "SETUP.INF", "[Products]\r\nVersion=" + *dvd_version +
                                                  "\r\nRelease=1\r\nDate=2024/04/01\r\n");
}

PlacedSetup::~PlacedSetup() {
  ::DeleteFileA(Exe().c_str());
  ::DeleteFileA((folder_ + "EZip.dll").c_str());
  ::DeleteFileA((folder_ + "DIRPICK.EXE").c_str());
  ::DeleteFileA((folder_ + "SETUP.INF").c_str());
  if (made_folder_) ::RemoveDirectoryA(folder_.c_str());
  // A run that got through the install step recorded itself; the next test
  // starts from a machine without this product.
  RemoveInstallationRecords();
}

uidrv::Process PlacedSetup::Start(const std::string& args) const {
  return uidrv::Process::Start(Exe(), args, folder_);
}

namespace {

// Starts SETUP with one more environment variable. SETUP inherits the
// environment when it starts; it needs the variable only then.
uidrv::Process StartWithVariable(const PlacedSetup& placed, const char* name,
                                 const std::string& value, const std::string& args) {
  ::SetEnvironmentVariableA(name, value.c_str());
  struct Clear {
    const char* name;
    ~Clear() { ::SetEnvironmentVariableA(name, nullptr); }
  } clear{name};
  return placed.Start(args);
}

}  // namespace

uidrv::Process PlacedSetup::StartWithoutAdminRights(const std::string& args) const {
  return StartWithVariable(*this, kAdminDllVariable, testenv::TestBinary("notadmin.dll"), args);
}

uidrv::Process PlacedSetup::StartWithFault(const std::string& fault,
                                           const std::string& args) const {
  return StartWithVariable(*this, kFaultVariable, fault, args);
}

InstalledCopy::InstalledCopy() { RemoveInstallTraces(); }

InstalledCopy::InstalledCopy(const std::string& version) {
  RemoveInstallTraces();
  kestra::RegKey product = kestra::RegKey::Create(HKEY_LOCAL_MACHINE, kProductKey);
  kestra::RegKey app_paths = kestra::RegKey::Create(HKEY_LOCAL_MACHINE, kAppPathsKey);
  if (!product || !product.WriteString("Version", version) || !app_paths ||
      !app_paths.WriteString("", testenv::TestBinary("KESTRA.EXE")))
    throw std::runtime_error("cannot write the traces of an installed copy");
}

InstalledCopy::~InstalledCopy() { RemoveInstallTraces(); }

uidrv::Process StartViewer() {
  uidrv::Process viewer = uidrv::Process::Start(testenv::TestBinary("KESTRA.EXE"));
  uidrv::Session session(viewer);
  session.WaitForWindow(kViewer);
  return viewer;
}

uidrv::Process StartDesktopShell() {
  uidrv::Process shell = uidrv::Process::Start(testenv::TestBinary("shellstandin.exe"));
  for (int i = 0; i < 250; ++i) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(::GetShellWindow(), &pid);
    if (pid == shell.Pid()) return shell;
    ::Sleep(20);
  }
  throw std::runtime_error("the desktop shell stand-in did not become the shell");
}

namespace {

bool OnScreen(const uidrv::Window& window) {
  RECT bounds{};
  if (!::GetWindowRect(window.Handle(), &bounds)) return false;
  const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  RECT overlap{};
  return ::IntersectRect(&overlap, &bounds, &screen) != FALSE;
}

}  // namespace

std::vector<std::string> WindowsSeenUntilExit(uidrv::Session& session, uidrv::Millis timeout) {
  std::vector<std::string> seen;
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (session.Program().Running()) {
    for (const uidrv::Window& window : session.TopLevelWindows()) {
      // The hidden main form is "shown" off screen; a user never sees it.
      if (!OnScreen(window)) continue;
      const std::string name = window.ClassName();
      if (std::find(seen.begin(), seen.end(), name) == seen.end()) seen.push_back(name);
    }
    if (std::chrono::steady_clock::now() >= end) {
      session.RequireExit(0ms);  // throws, with the windows still open
    }
    std::this_thread::sleep_for(10ms);
  }
  return seen;
}

std::vector<std::string> VisibleWindowsUntilExit(const uidrv::Process& program,
                                                 uidrv::Millis timeout) {
  std::vector<std::string> seen;
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (program.Running() && std::chrono::steady_clock::now() < end) {
    for (const uidrv::Window& window : uidrv::VisibleTopLevelWindows(program.Pid()))
      if (std::find(seen.begin(), seen.end(), window.ClassName()) == seen.end())
        seen.push_back(window.ClassName());
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_FALSE(program.Running()) << "still running after the time-out";
  return seen;
}

std::string ReadLog(const std::string& path) {
  const std::string bytes = testenv::ReadFile(path);
  if (bytes.rfind("\xEF\xBB\xBF", 0) != 0) return "<no UTF-8 log at " + path + ">";
  return kestra::Utf8ToCp932(bytes.substr(3)).value_or("<log not in code page 932>");
}

std::vector<std::string> LogEvents(const std::string& path) {
  std::vector<std::string> events;
  const std::string text = ReadLog(path);
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    events.push_back(line.size() > 24 && line[4] == '-' && line[23] == ' ' ? line.substr(24) : line);
    at = end + 2;
  }
  return events;
}

bool HasEvent(const std::vector<std::string>& events, const std::string& event) {
  return std::find(events.begin(), events.end(), event) != events.end();
}

bool HasEventStarting(const std::vector<std::string>& events, const std::string& head) {
  return std::any_of(events.begin(), events.end(),
                     [&](const std::string& e) { return e.rfind(head, 0) == 0; });
}

void AcceptConsent(uidrv::Session& session) {
  uidrv::Window consent = session.WaitForWindow(kConsent);
  consent.ChildByText("承諾します。", "Button").SetChecked(true);
  consent.ChildByText("次へ(&N)  >", "Button").Click();
}

uidrv::Window WaitForDirPickDialog(const uidrv::Process& setup) {
  for (int i = 0; i < 750; ++i) {
    if (uidrv::Window dialog = uidrv::FindTopLevelWindow("#32770"); dialog.Handle()) {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(dialog.Handle(), &pid);
      EXPECT_NE(pid, setup.Pid()) << "the folder dialog runs inside SETUP";
      return dialog;
    }
    ::Sleep(20);
  }
  throw std::runtime_error("no folder dialog of DIRPICK:\n" + uidrv::DescribeWindows(0));
}

}  // namespace e2e
