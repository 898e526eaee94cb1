// The records folder's disk full: a small file system over the records folder
// (mounted by the program's CTest fixture), nearly filled after a first
// installation, so that a second installation with many more files cannot
// write its larger record. What the first installation recorded must survive
// that, and the recorded uninstaller must still remove it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <iostream>

#include "InstallDvd.h"
#include "SetupHarness.h"
#include "ShellPlaces.h"
#include "UninstallHarness.h"
#include "WineTestEnv.h"
#include "system/FileSys.h"

namespace {

using namespace e2e;

constexpr char kInstallDir[] = "C:\\Program Files\\KESTRA\\";
const std::string kRecord = std::string(kRecordsFolder) + "KSINSTALL.INF";

std::size_t LineCount(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

void RunTheRecordedUninstaller() {
  uidrv::Process uninstaller = StartRecordedUninstaller();
  uidrv::Session session(uninstaller);
  session.WaitForWindow(kUninstall).ChildByText("ｱﾝｲﾝｽﾄｰﾙ(&U)", "Button").Click();
  EXPECT_EQ(session.Answer("Yes"), expected::UninstallStartQuestion());
  EXPECT_EQ(session.Answer("OK", 60s), expected::UninstallDone());
  session.RequireExit();
}

TEST(FullRecordsDisk, ASecondInstallationWhoseRecordDoesNotFitKeepsTheFirstOnesRecord) {
  if (!testenv::IsSmallFileSystem(kRecordsFolder))
    GTEST_SKIP() << testenv::NoSmallFileSystem(kRecordsFolder);
  InstalledCopy nothing_installed;
  DvdInDrive dvd(SampleDvdImage(), kInstallDir);
  InstallFromTheDvd();
  const std::string first_record = testenv::ReadFile(kRecord);
  const std::vector<std::string> files = RecordValues("KESTRA");
  const std::vector<std::string> folders = RecordValues("Dir_");
  ASSERT_FALSE(files.empty());
  ASSERT_FALSE(folders.empty());
  const std::string start_menu = testenv::CommonProgramsFolder() + "ケストラ\\";

  // The disk full (the filler cut back by 2 KB, less than a block of the file
  // system); the DVD now in the drive installs the guide into 150 more
  // folders, and SETUP is told to install again.
  {
    testenv::DiskFiller full(kRecordsFolder, 2048);
    std::cout << "records folder: " << full.FreeBytes() << " bytes free after filling, "
              << LineCount(first_record) << " lines in the first record\n";
    dvd.Change(MoreFilesDvdImage());
    // Failures of the record are not reported: the installation is in place.
    InstallFromTheDvd("-TRY");
    ASSERT_TRUE(kestra::FileExists(std::string(kInstallDir) + "ADD150\\利用ガイド.PDF"));

    const std::string record = testenv::ReadFile(kRecord);
    std::cout << "records folder: " << LineCount(record) << " lines in the record after the "
              << "second installation\n";
    EXPECT_EQ(record, first_record);
    for (const std::string& name : testenv::NamesIn(kRecordsFolder))
      EXPECT_NE(name.front(), '~') << "a temporary file stayed: " << name;

    // The uninstaller, on the full disk, removes what the record lists.
    RunTheRecordedUninstaller();
  }
  for (const std::string& file : files) EXPECT_FALSE(kestra::FileExists(file)) << file;
  EXPECT_FALSE(kestra::DirectoryExists(start_menu)) << "the emptied Start-menu folder goes";
  EXPECT_FALSE(kestra::DirectoryExists(std::string(kInstallDir) + "MANUAL"));
  EXPECT_EQ(ProgramEntries(), kEntriesGone);
  EXPECT_FALSE(kestra::FileExists(std::string(kRecordsFolder) + "KSUNINST.LOG"));
}

}  // namespace
