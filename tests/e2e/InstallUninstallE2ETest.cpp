// A whole life cycle on one machine: the sample product installed from the DVD
// drive through the wizard, recorded in the registry and in KSINSTALL.INF, then
// removed by the uninstaller started from the command line the installation
// recorded for Windows' list of programs.
#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>

#include "InstallDvd.h"
#include "SetupHarness.h"
#include "ShellPlaces.h"
#include "UninstallHarness.h"
#include "WineTestEnv.h"
#include "system/FileSys.h"
#include "system/Registry.h"

namespace {

using namespace e2e;
using kestra::RegKey;

constexpr char kInstallDir[] = "C:\\Program Files\\KESTRA\\";
constexpr char kProductKeyPath[] = "SOFTWARE\\ZEL\\ケストラDVD\\";
constexpr char kUninstallKeyPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ケストラDVD";
constexpr char kAppPathsKeyPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KESTRA.EXE";
constexpr char kRecords[] = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\";

// The Start-menu folder of all users that the installation fills.
std::string StartMenuFolder() { return testenv::CommonProgramsFolder() + "ケストラ\\"; }

// The shortcuts a Windows 7 installation makes, as the shell names their places.
std::vector<std::string> Shortcuts() {
  return {testenv::DesktopFolder() + "ケストラDVD.LNK", StartMenuFolder() + "ケストラDVD.LNK",
          StartMenuFolder() + "利用ガイド.LNK"};
}

TEST(InstallThenUninstall, TheRecordedUninstallerRemovesWhatTheInstallationPlaced) {
  InstalledCopy nothing_installed;
  DvdInDrive dvd(SampleDvdImage(), kInstallDir);
  InstallFromTheDvd();

  // What the installation recorded, its shortcuts among the files.
  const std::vector<std::string> files = RecordValues("KESTRA");
  ASSERT_FALSE(files.empty());
  for (const std::string& shortcut : Shortcuts())
    EXPECT_EQ(std::count(files.begin(), files.end(), shortcut), 1) << shortcut;
  for (const std::string& file : files) EXPECT_TRUE(kestra::FileExists(file)) << file;
  EXPECT_NE(std::find(files.begin(), files.end(), std::string(kInstallDir) + "KESTRA.EXE"),
            files.end());
  for (const std::string& file : files)
    EXPECT_EQ(file.find("Common Files"), std::string::npos) << "shared files stay out: " << file;
  EXPECT_TRUE(kestra::FileExists(std::string(kRecords) + "KSUINST.EXE"));
  EXPECT_EQ(testenv::ReadFile(std::string(kRecords) + "KSUINST.EXE"),
            testenv::ReadFile(testenv::DistFile("SETUP.EXE")));

  RegKey product = RegKey::Open(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_READ);
  ASSERT_TRUE(product);
  EXPECT_EQ(product.ReadDword("Service"), DWORD{0x800E0C});
  EXPECT_EQ(product.ReadDword("ALN"), DWORD{0x10A01});
  EXPECT_EQ(product.ReadDword("PermissionFlag"), DWORD{0}) << "a CD-ROM is no network drive";
  EXPECT_EQ(RegKey::Open(HKEY_LOCAL_MACHINE, kAppPathsKeyPath, KEY_READ).ReadStringOr(""),
            std::string(kInstallDir) + "KESTRA.EXE");
  RegKey uninstall = RegKey::Open(HKEY_LOCAL_MACHINE, kUninstallKeyPath, KEY_READ);
  EXPECT_EQ(uninstall.ReadStringOr("DisplayName"), "ケストラDVD");
  EXPECT_EQ(uninstall.ReadStringOr("UninstallString"),
            "\"" + std::string(kRecords) + "KSUINST.EXE\" -UNINST");
  EXPECT_EQ(uninstall.ReadStringOr("Publisher"), "ZEL Co.,Ltd.");
  product.Close();
  uninstall.Close();

  // A file of the user's own keeps the bookmark folder.
  const std::string bookmark = std::string(kInstallDir) + "BookMark\\mine.txt";
  ASSERT_TRUE(kestra::DirectoryExists(std::string(kInstallDir) + "BookMark"));
  testenv::WriteFile(bookmark, "my bookmark");

  // Windows starts the recorded command line.
  uidrv::Process uninstaller = StartRecordedUninstaller();
  uidrv::Session session(uninstaller);
  uidrv::Window dialog = session.WaitForWindow(kUninstall);
  dialog.ChildByText("ｱﾝｲﾝｽﾄｰﾙ(&U)", "Button").Click();
  EXPECT_EQ(session.Answer("Yes"), expected::UninstallStartQuestion());
  EXPECT_EQ(session.Answer("OK", 60s), expected::UninstallDone());
  session.RequireExit();

  for (const std::string& file : files) EXPECT_FALSE(kestra::FileExists(file)) << file;
  EXPECT_FALSE(kestra::DirectoryExists(StartMenuFolder())) << "the emptied Start-menu folder goes";
  EXPECT_TRUE(kestra::DirectoryExists(testenv::DesktopFolder())) << "the desktop stays";
  EXPECT_TRUE(kestra::FileExists(bookmark)) << "the user's file stays";
  EXPECT_TRUE(kestra::DirectoryExists(kInstallDir)) << "a folder holding user files stays";
  EXPECT_FALSE(kestra::DirectoryExists(std::string(kInstallDir) + "MANUAL"));
  EXPECT_TRUE(kestra::FileExists(std::string(kCommonFolder) + "FoxitReader_AX_Std.ocx"))
      << "files shared by the product family stay";
  EXPECT_EQ(ProgramEntries(), kEntriesGone);
  EXPECT_FALSE(kestra::FileExists(std::string(kRecords) + "KSUNINST.LOG"));
  ::DeleteFileA(bookmark.c_str());
}

TEST(InstallThenUninstall, FileHeldByTheViewerIsLoggedAndASecondRunRemovesTheRest) {
  InstalledCopy nothing_installed;
  DvdInDrive dvd(SampleDvdImage(), kInstallDir);
  InstallFromTheDvd();
  // A file of the user's own in the Start-menu folder keeps that folder.
  const std::string own_shortcut = StartMenuFolder() + "my notes.LNK";
  testenv::WriteFile(own_shortcut, "not ours");
  const std::vector<std::string> files = RecordValues("KESTRA");
  const std::string application = std::string(kInstallDir) + "KESTRA.EXE";
  ASSERT_NE(std::find(files.begin(), files.end(), application), files.end());

  uidrv::Process uninstaller = StartRecordedUninstaller();
  uidrv::Session session(uninstaller);
  uidrv::Window dialog = session.WaitForWindow(kUninstall);
  // The viewer starts after the uninstaller's own check and holds its program
  // file open, as a running program does.
  uidrv::Process viewer =
      uidrv::Process::Start(testenv::TestBinary("KESTRA.EXE"), "--hold \"" + application + "\"");
  uidrv::Session(viewer).WaitForWindow(kViewer);
  dialog.ChildByText("ｱﾝｲﾝｽﾄｰﾙ(&U)", "Button").Click();
  session.Answer("Yes");
  EXPECT_EQ(session.Answer("OK", 60s), expected::UninstallFilesRemain());
  session.RequireExit();
  EXPECT_EQ(testenv::ReadFile(std::string(kRecords) + "KSUNINST.LOG"),
            "DeleteError: " + application + "\r\n");
  for (const std::string& file : files)
    EXPECT_EQ(kestra::FileExists(file), file == application) << file;
  EXPECT_EQ(RecordValues("KESTRA"), std::vector<std::string>{application});
  EXPECT_EQ(ProgramEntries(), kEntriesPresent);

  viewer.Kill();
  ASSERT_TRUE(viewer.WaitForExit());
  uidrv::Process again = StartRecordedUninstaller();
  uidrv::Session again_session(again);
  again_session.WaitForWindow(kUninstall).ChildByText("ｱﾝｲﾝｽﾄｰﾙ(&U)", "Button").Click();
  again_session.Answer("Yes");
  EXPECT_EQ(again_session.Answer("OK", 60s), expected::UninstallDone());
  again_session.RequireExit();
  for (const std::string& file : files) EXPECT_FALSE(kestra::FileExists(file)) << file;
  for (const std::string& shortcut : Shortcuts()) EXPECT_FALSE(kestra::FileExists(shortcut)) << shortcut;
  EXPECT_TRUE(kestra::FileExists(own_shortcut)) << "the user's file and its folder stay";
  EXPECT_FALSE(kestra::DirectoryExists(kInstallDir));
  EXPECT_EQ(ProgramEntries(), kEntriesGone);
  EXPECT_FALSE(kestra::FileExists(std::string(kRecords) + "KSUNINST.LOG"));
}

TEST(InstallThenUninstall, TheCopiedIndexIsOfferedAndRemovedWhenAsked) {
  InstalledCopy nothing_installed;
  DvdInDrive dvd(SampleDvdImage(), kInstallDir);
  InstallFromTheDvd();  // the page proposes to copy the index
  ASSERT_TRUE(kestra::FileExists(std::string(kDefaultIndexFolder) + "KSCOLL1\\parts\\PARTS.DAT"));

  uidrv::Process uninstaller = StartRecordedUninstaller();
  uidrv::Session session(uninstaller);
  uidrv::Window dialog = session.WaitForWindow(kUninstall);
  EXPECT_EQ(dialog.ChildByClass("Edit").Text(), kDefaultIndexFolder);
  uidrv::Window remove_index = dialog.ChildByText("検索用インデックスも削除する", "Button");
  ASSERT_TRUE(remove_index.Enabled());
  remove_index.SetChecked(true);
  dialog.ChildByText("ｱﾝｲﾝｽﾄｰﾙ(&U)", "Button").Click();
  session.Answer("Yes");
  EXPECT_EQ(session.Answer("OK", 60s), expected::UninstallDone());
  session.RequireExit();
  EXPECT_FALSE(kestra::DirectoryExists(kDefaultIndexFolder));
  EXPECT_FALSE(kestra::FileExists(std::string(kInstallDir) + "KESTRA.EXE"));
}

}  // namespace
