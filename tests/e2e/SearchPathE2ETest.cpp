// SETUP.EXE from the DVD drive, on the paths of the installed-product
// detection that the start-up suite leaves out, and through whole runs to the
// end of the main sequence: the upgrade tool hand-off and the search-path step
// under Windows 98 (AUTOEXEC.BAT) and NT (the machine "Path").
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "SetupHarness.h"
#include "wizard/Setting.h"
#include "system/FileSys.h"
#include "system/Registry.h"

namespace {

using namespace e2e;
using kestra::RegKey;
using testenv::ScopedWindowsVersion;
using testenv::WinVersion;
using uidrv::MessageBoxRecord;
using uidrv::Process;
using uidrv::Session;

// Written out here, not taken from SETUP's sources, so a wrong key in SETUP shows.
constexpr char kProductKey[] = "SOFTWARE\\ZEL\\ケストラDVD";
constexpr char kAppPathsKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KESTRA.exe";
constexpr char kEnvironmentKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr char kWindowsSetupKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
constexpr char kSearchFolder[] = "C:\\ZEL\\LIB\\_NTI31\\BIN";
constexpr char kAutoexec[] = "C:\\AUTOEXEC.BAT";
constexpr char kPathLine[] = "\r\nPATH=%PATH%;C:\\ZEL\\LIB\\_NTI31\\BIN\\;\r\n";

const std::vector<MessageBoxRecord> kNoMessage;

std::string BackupName(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "C:\\AUTOEXEC.%3.3d", number);
  return name;
}

void RemoveAutoexecFiles() {
  ::DeleteFileA(kAutoexec);
  for (int number = 0; number < 1000; ++number) ::DeleteFileA(BackupName(number).c_str());
}

// A registry text value saved now and put back (or removed again) at the end.
class SavedValue {
 public:
  SavedValue(std::string key, std::string name) : key_(std::move(key)), name_(std::move(name)) {
    RegKey open = RegKey::Open(HKEY_LOCAL_MACHINE, key_, KEY_READ);
    DWORD size = 0;
    if (open && ::RegQueryValueExA(open.get(), name_.c_str(), nullptr, &type_, nullptr, &size) ==
                    ERROR_SUCCESS) {
      data_.resize(size);
      if (::RegQueryValueExA(open.get(), name_.c_str(), nullptr, &type_, data_.data(), &size) ==
          ERROR_SUCCESS)
        present_ = true;
    }
  }
  ~SavedValue() {
    RegKey open = RegKey::Open(HKEY_LOCAL_MACHINE, key_);
    if (!open) return;
    if (present_) {
      ::RegSetValueExA(open.get(), name_.c_str(), 0, type_, data_.data(),
                       static_cast<DWORD>(data_.size()));
    } else {
      open.DeleteValue(name_);
    }
  }
  SavedValue(const SavedValue&) = delete;
  SavedValue& operator=(const SavedValue&) = delete;

 private:
  std::string key_, name_;
  bool present_ = false;
  DWORD type_ = REG_NONE;
  std::vector<BYTE> data_;
};

// ------------------------------------------------------------ detection

TEST(SetupDetection, MissingVersionPartsCountAsZeroSoTheSameVersionEndsSilently) {
  InstalledCopy same("1.9.3");
  PlacedSetup placed(kDvdRoot, "1.9.3.0");
  Process setup = placed.Start();
  Session session(setup);
  EXPECT_EQ(WindowsSeenUntilExit(session), std::vector<std::string>{});
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST(SetupDetection, ANewerVersionInstalledEndsSilently) {
  InstalledCopy newer("2.0");
  PlacedSetup placed(kDvdRoot, "1.9.9.9");
  Process setup = placed.Start();
  Session session(setup);
  EXPECT_EQ(WindowsSeenUntilExit(session), std::vector<std::string>{});
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST(SetupDetection, AnOlderCopyWhoseViewerIsGoneIsInstalledAnew) {
  InstalledCopy older("1.9.3");
  // The viewer's App Paths entry names a file that is no longer there.
  ASSERT_TRUE(RegKey::Open(HKEY_LOCAL_MACHINE, kAppPathsKey)
                  .WriteString("", "C:\\no longer here\\KESTRA.EXE"));
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  session.WaitForWindow(kConsent);
  EXPECT_EQ(session.Transcript(), kNoMessage) << "no upgrade question";
}

TEST(SetupDetection, AnOlderCopyWithoutAppPathsIsInstalledAnew) {
  InstalledCopy older("1.9.3");
  kestra::DeleteKeyTree(HKEY_LOCAL_MACHINE, kAppPathsKey);
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  session.WaitForWindow(kConsent);
  EXPECT_EQ(session.Transcript(), kNoMessage) << "no upgrade question";
}

// ------------------------------------------------------------ whole runs

// A run from the DVD drive with nothing installed, through the agreement and
// the settings page to the end; the search engine's folder is in place as the
// install run leaves it.
class SetupRunEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    made_zel_ = !kestra::DirectoryExists("C:\\ZEL");
    ASSERT_TRUE(kestra::ForceDirectories(kSearchFolder));
    RemoveAutoexecFiles();
    ASSERT_TRUE(RegKey::Open(HKEY_LOCAL_MACHINE, kWindowsSetupKey).WriteString("BootDir", "C:\\"));
  }
  void TearDown() override {
    RemoveAutoexecFiles();
    if (made_zel_) {
      for (const char* folder : {"C:\\ZEL\\LIB\\_NTI31\\BIN", "C:\\ZEL\\LIB\\_NTI31",
                                 "C:\\ZEL\\LIB", "C:\\ZEL"})
        ::RemoveDirectoryA(folder);
    }
  }

  // Accepts the agreement and confirms the settings page.
  static void AcceptAndInstall(Session& session) {
    AcceptConsent(session);
    uidrv::Window setting = session.WaitForWindow(kSetting);
    uidrv::Window next = setting.ChildById(kestra::TSettingDlg::IdInstallBtn);
    next.Click();  // to the index and DVD step
    next.Click();  // install
    const uidrv::MessageBoxRecord start = session.Answer("Yes");
    ASSERT_EQ(start.caption, "インストール開始");
  }

  static std::string MachinePath() {
    return RegKey::Open(HKEY_LOCAL_MACHINE, kEnvironmentKey, KEY_READ).ReadStringOr("Path");
  }

  bool made_zel_ = false;
  InstalledCopy nothing_;
  SavedValue boot_dir_{kWindowsSetupKey, "BootDir"};
  SavedValue machine_path_{kEnvironmentKey, "Path"};
};

TEST_F(SetupRunEnd, Windows98WithoutAFreeBackupNumberStopsWithTheAutoexecError) {
  ScopedWindowsVersion win98(WinVersion::Win98, {"SETUP.EXE"});
  const std::string original = "@ECHO OFF\r\n";
  testenv::WriteFile(kAutoexec, original);
  for (int number = 0; number < 1000; ++number) testenv::WriteFile(BackupName(number), "taken");

  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  AcceptAndInstall(session);
  EXPECT_EQ(session.Answer("OK"), expected::SearchPathFailed());
  // The run ends there: no completion message follows.
  session.RequireExit();
  // After the start question of the settings page, only the error.
  const std::vector<MessageBoxRecord> after_start(session.Transcript().begin() + 1,
                                                  session.Transcript().end());
  EXPECT_EQ(after_start, std::vector<MessageBoxRecord>{expected::SearchPathFailed()});
  EXPECT_EQ(testenv::ReadFile(kAutoexec), original);
}

TEST_F(SetupRunEnd, Windows98AppendsTheFolderToAutoexecAndCompletes) {
  ScopedWindowsVersion win98(WinVersion::Win98, {"SETUP.EXE"});
  const std::string path_before = MachinePath();
  testenv::WriteFile(kAutoexec, "@ECHO OFF\r\n\x1A");

  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  AcceptAndInstall(session);
  EXPECT_EQ(session.Answer("OK"), expected::InstallDone());
  session.RequireExit();
  EXPECT_EQ(testenv::ReadFile(kAutoexec), std::string("@ECHO OFF\r\n") + kPathLine);
  EXPECT_EQ(testenv::ReadFile(BackupName(0)), "@ECHO OFF\r\n\x1A");
  EXPECT_EQ(MachinePath(), path_before) << "Windows 98 keeps no path in the registry";
}

TEST_F(SetupRunEnd, AMissingSearchFolderAddsNothingAndTheRunCompletes) {
  ScopedWindowsVersion win98(WinVersion::Win98, {"SETUP.EXE"});
  ASSERT_TRUE(::RemoveDirectoryA(kSearchFolder));

  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  AcceptAndInstall(session);
  EXPECT_EQ(session.Answer("OK"), expected::InstallDone());
  session.RequireExit();
  EXPECT_FALSE(kestra::FileExists(kAutoexec)) << "no lone \";\" written anywhere";
  EXPECT_FALSE(kestra::FileExists(BackupName(0)));
}

TEST_F(SetupRunEnd, OnNtTheFolderJoinsTheMachinePathOnce) {
  ASSERT_TRUE(RegKey::Open(HKEY_LOCAL_MACHINE, kEnvironmentKey)
                  .WriteString("Path", "%SystemRoot%\\system32", REG_EXPAND_SZ));
  PlacedSetup placed(kDvdRoot, "1.10.0");
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    Process setup = placed.Start();
    Session session(setup);
    AcceptAndInstall(session);
    EXPECT_EQ(session.Answer("OK"), expected::InstallDone());
    session.RequireExit();
    EXPECT_EQ(MachinePath(), "%SystemRoot%\\system32;C:\\ZEL\\LIB\\_NTI31\\BIN\\");
  }
  EXPECT_FALSE(kestra::FileExists(kAutoexec));
}

// The DVD's upgrade tool is started after the install run and waited for.
class SetupUpgradeTool : public SetupRunEnd {
 protected:
  void SetUp() override {
    SetupRunEnd::SetUp();
    testenv::ResetFolder(work_);
    ASSERT_TRUE(testenv::CopyFileTo(testenv::TestBinary("UPGSETUP.EXE"), kTool));
    ::SetEnvironmentVariableA("KESTRA_UPGSETUP_LOG", log_.c_str());
    ::SetEnvironmentVariableA("KESTRA_UPGSETUP_DELAY_MS", "1000");
    // A product key left by an earlier copy whose viewer has gone: SETUP
    // installs anew and has a key to hold the tool's signal.
    ASSERT_TRUE(RegKey::Create(HKEY_LOCAL_MACHINE, kProductKey).WriteString("Version", "1.9.3"));
  }
  void TearDown() override {
    ::SetEnvironmentVariableA("KESTRA_UPGSETUP_LOG", nullptr);
    ::SetEnvironmentVariableA("KESTRA_UPGSETUP_DELAY_MS", nullptr);
    ::DeleteFileA(kTool);
    ::RemoveDirectoryA("Q:\\PLUS\\UPDATE");
    ::RemoveDirectoryA("Q:\\PLUS");
    SetupRunEnd::TearDown();
  }

  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }

  static constexpr char kTool[] = "Q:\\PLUS\\UPDATE\\UPGSETUP.EXE";
  const std::string work_ = testenv::BuildDir() + "tests\\work\\upgrade_e2e\\";
  const std::string log_ = work_ + "upgsetup.log";
};

TEST_F(SetupUpgradeTool, TheToolRunsWithSAfterTheInstallationAndSignalsBeforeTheEnd) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  AcceptAndInstall(session);
  EXPECT_EQ(session.Answer("OK"), expected::InstallDone());
  session.RequireExit();
  std::vector<std::string> record = Lines(testenv::ReadFile(log_));
  ASSERT_GE(record.size(), 3u);
  EXPECT_EQ(record[0], std::string("program=") + kTool);
  EXPECT_EQ(record[1], std::string("command=\"") + kTool + "\" -S");
  EXPECT_EQ(record[2], "upgSetup=0") << "SETUP wrote the value before it started the tool";
  EXPECT_EQ(RegKey::Open(HKEY_LOCAL_MACHINE, kProductKey).ReadStringOr("upgSetup"), "1");
}

}  // namespace
