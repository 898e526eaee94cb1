// The search-path step on non-NT Windows: AUTOEXEC.BAT on the boot drive,
// with a numbered backup before each change. The step runs in the probe
// program, which Wine makes see Windows 98 (platform 1).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include "StartupTestSupport.h"
#include "WineTestEnv.h"
#include "startup/SearchPath.h"
#include "system/FileSys.h"
#include "system/Handles.h"

using namespace kestra;
using startup_test::SavedRegistryValue;
using startup_test::WorkFolder;
using startup_test::WriteText;

namespace {

constexpr char kProbe[] = "searchpath_probe.exe";
constexpr char kEntry[] = "C:\\ZEL\\LIB\\_NTI31\\BIN\\;";

std::string Line(const std::string& entry) { return "\r\nPATH=%PATH%;" + entry + "\r\n"; }

std::string BackupName(const std::string& drive, int number) {
  char name[32];
  std::snprintf(name, sizeof name, "%s\\AUTOEXEC.%3.3d", drive.c_str(), number);
  return name;
}

// Removes AUTOEXEC.BAT and every AUTOEXEC.nnn from the root of drive.
void RemoveAutoexecFiles(const std::string& drive) {
  ::SetFileAttributesA((drive + "\\AUTOEXEC.BAT").c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA((drive + "\\AUTOEXEC.BAT").c_str());
  for (int number = 0; number < 1000; ++number) ::DeleteFileA(BackupName(drive, number).c_str());
}

// Backups present in the root of drive, by number.
std::vector<int> Backups(const std::string& drive) {
  std::vector<int> numbers;
  for (int number = 0; number < 1000; ++number)
    if (FileExists(BackupName(drive, number))) numbers.push_back(number);
  return numbers;
}

class Win98SearchPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteText(HKEY_LOCAL_MACHINE, kWindowsSetupKey, "BootDir", "C:\\");
    RemoveAutoexecFiles("C:");
  }
  void TearDown() override { RemoveAutoexecFiles("C:"); }

  // AddToSearchPath(entry) as the probe answers it under Windows 98.
  int32_t AddInWin98(const std::string& entry) {
    return static_cast<int32_t>(startup_test::RunToEnd(ProbeCommand("add \"" + entry + "\"")));
  }
  static std::string ProbeCommand(const std::string& arguments) {
    std::string command = "\"";
    command += testenv::TestBinary(kProbe);
    command += "\" ";
    command += arguments;
    return command;
  }
  std::string Autoexec() const { return testenv::ReadFile(autoexec_); }

  const std::string autoexec_ = "C:\\AUTOEXEC.BAT";
  testenv::ScopedWindowsVersion win98_{testenv::WinVersion::Win98, {kProbe}};
  SavedRegistryValue boot_dir_{HKEY_LOCAL_MACHINE, kWindowsSetupKey, "BootDir"};
};

TEST_F(Win98SearchPathTest, TheProbeSeesWindows98) {
  EXPECT_EQ(startup_test::RunToEnd(ProbeCommand("platform")),
            static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
}

TEST_F(Win98SearchPathTest, EachRunAppendsALineAndLeavesOneMoreBackup) {
  const std::string original = "@ECHO OFF\r\nPATH=C:\\WINDOWS;C:\\WINDOWS\\COMMAND\r\n";
  testenv::WriteFile(autoexec_, original);
  const auto machine_path = startup_test::ReadValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");

  EXPECT_EQ(AddInWin98(kEntry), 0);
  EXPECT_EQ(Autoexec(), original + Line(kEntry));
  EXPECT_EQ(Backups("C:"), std::vector<int>{0});
  EXPECT_EQ(testenv::ReadFile("C:\\AUTOEXEC.000"), original);
  EXPECT_FALSE(FileExists("C:\\~AUTOEXEC.BAT")) << "nothing is left beside it";

  EXPECT_EQ(AddInWin98(kEntry), 0);
  EXPECT_EQ(Autoexec(), original + Line(kEntry) + Line(kEntry));
  EXPECT_EQ(Backups("C:"), (std::vector<int>{0, 1}));
  EXPECT_EQ(testenv::ReadFile("C:\\AUTOEXEC.000"), original);
  EXPECT_EQ(testenv::ReadFile("C:\\AUTOEXEC.001"), original + Line(kEntry));
  // These Windows keep no search path in the registry: it is not touched.
  const auto after = startup_test::ReadValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
  ASSERT_EQ(machine_path.has_value(), after.has_value());
  if (after) {
    EXPECT_EQ(after->data, machine_path->data);
  }
}

TEST_F(Win98SearchPathTest, TheFirstFreeNumberIsTaken) {
  testenv::WriteFile(autoexec_, "REM\r\n");
  testenv::WriteFile(BackupName("C:", 0), "old 0");
  testenv::WriteFile(BackupName("C:", 2), "old 2");
  EXPECT_EQ(AddInWin98(kEntry), 0);
  EXPECT_EQ(Backups("C:"), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(testenv::ReadFile(BackupName("C:", 1)), "REM\r\n");
  EXPECT_EQ(testenv::ReadFile(BackupName("C:", 0)), "old 0") << "existing backups stay";
  EXPECT_EQ(testenv::ReadFile(BackupName("C:", 2)), "old 2");
}

TEST_F(Win98SearchPathTest, WithEveryBackupNumberTakenTheStepFails) {
  const std::string original = "@ECHO OFF\r\n";
  testenv::WriteFile(autoexec_, original);
  for (int number = 0; number < 1000; ++number)
    testenv::WriteFile(BackupName("C:", number), "backup");
  EXPECT_EQ(AddInWin98(kEntry), -1);
  EXPECT_EQ(Autoexec(), original) << "AUTOEXEC.BAT is not changed";
  EXPECT_EQ(testenv::ReadFile(BackupName("C:", 999)), "backup");
}

TEST_F(Win98SearchPathTest, AnEndOfFileMarkIsOverwritten) {
  testenv::WriteFile(autoexec_, "@ECHO OFF\r\n\x1A");
  EXPECT_EQ(AddInWin98(kEntry), 0);
  EXPECT_EQ(Autoexec(), "@ECHO OFF\r\n" + Line(kEntry));
  EXPECT_EQ(Autoexec().find('\x1A'), std::string::npos);
  EXPECT_EQ(testenv::ReadFile("C:\\AUTOEXEC.000"), "@ECHO OFF\r\n\x1A") << "the backup keeps it";
}

TEST_F(Win98SearchPathTest, OnlyAMarkAtTheVeryEndIsOverwritten) {
  const std::string original = std::string("REM \x1A inside\r\n");
  testenv::WriteFile(autoexec_, original);
  EXPECT_EQ(AddInWin98(kEntry), 0);
  EXPECT_EQ(Autoexec(), original + Line(kEntry));
}

TEST_F(Win98SearchPathTest, AMissingAutoexecIsCreatedWithOneBlankLine) {
  EXPECT_EQ(AddInWin98(kEntry), 0);
  EXPECT_EQ(Autoexec(), " \r\n" + Line(kEntry));
  EXPECT_EQ(testenv::ReadFile("C:\\AUTOEXEC.000"), " \r\n");
}

TEST_F(Win98SearchPathTest, AnEmptyAutoexecGetsTheLine) {
  testenv::WriteFile(autoexec_, "");
  EXPECT_EQ(AddInWin98(kEntry), 0);
  EXPECT_EQ(Autoexec(), Line(kEntry));
}

TEST_F(Win98SearchPathTest, AnEntryTooLongForTheLineBufferIsRefused) {
  // CR LF "PATH=%PATH%;" entry CR LF: 16 bytes besides the entry; the buffer
  // holds 255 and the terminating NUL.
  const std::string longest = "C:\\" + std::string(234, 'L') + "\\;";
  ASSERT_EQ(Line(longest).size(), 255u);
  const std::string too_long = "C:\\" + std::string(235, 'L') + "\\;";

  EXPECT_EQ(AddInWin98(too_long), -1);
  EXPECT_FALSE(FileExists(autoexec_)) << "not even the blank file is created";
  EXPECT_EQ(Backups("C:"), std::vector<int>{});

  const std::string original = "@ECHO OFF\r\n";
  testenv::WriteFile(autoexec_, original);
  EXPECT_EQ(AddInWin98(too_long), -1);
  EXPECT_EQ(Autoexec(), original);
  EXPECT_EQ(Backups("C:"), std::vector<int>{});

  EXPECT_EQ(AddInWin98(longest), 0);
  EXPECT_EQ(Autoexec(), original + Line(longest));
}

TEST_F(Win98SearchPathTest, AnAutoexecThatCannotBeOpenedForWritingFails) {
  const std::string original = "@ECHO OFF\r\n";
  testenv::WriteFile(autoexec_, original);
  // Held open by someone who lets others read it but not write it.
  FileHandle held(::CreateFileA(autoexec_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  EXPECT_EQ(AddInWin98(kEntry), -1);
  held.reset();
  EXPECT_EQ(Autoexec(), original);
  EXPECT_EQ(Backups("C:"), std::vector<int>{0}) << "the backup was made before";
}

// The boot drive fills up while the line is added: AUTOEXEC.BAT stays as it
// was (a boot file cut part-way would break the machine's start-up), and the
// step fails. The drive S: is a small file system of 4 KB blocks; the file
// fills most of one, its backup takes the last free block.
TEST_F(Win98SearchPathTest, ABootDriveThatFillsUpLeavesAutoexecAsItWas) {
  if (!testenv::IsSmallFileSystem("S:\\")) GTEST_SKIP() << testenv::NoSmallFileSystem("S:\\");
  WriteText(HKEY_LOCAL_MACHINE, kWindowsSetupKey, "BootDir", "S:\\");
  RemoveAutoexecFiles("S:");
  const std::string original = "@ECHO OFF\r\nREM " + std::string(4080 - 17, 'x') + "\r\n";
  ASSERT_EQ(original.size(), 4080u);
  ASSERT_GT(original.size() + Line(kEntry).size(), 4096u);
  testenv::WriteFile("S:\\AUTOEXEC.BAT", original);
  {
    testenv::DiskFiller full("S:\\", 4096);
    EXPECT_EQ(AddInWin98(kEntry), -1);
  }
  EXPECT_EQ(testenv::ReadFile("S:\\AUTOEXEC.BAT"), original);
  EXPECT_EQ(testenv::ReadFile("S:\\AUTOEXEC.000"), original) << "the backup was made before";
  EXPECT_EQ(testenv::NamesIn("S:\\"),
            (std::vector<std::string>{".kestra-small-fs", "AUTOEXEC.000", "AUTOEXEC.BAT"}));
  RemoveAutoexecFiles("S:");
}

TEST_F(Win98SearchPathTest, AMissingFolderWritesNothing) {
  EXPECT_EQ(AddInWin98(";"), 0);
  EXPECT_FALSE(FileExists(autoexec_));
  EXPECT_EQ(Backups("C:"), std::vector<int>{});
}

TEST_F(Win98SearchPathTest, TheFolderIsWrittenInTheFormItsNamesHave) {
  const std::string root = WorkFolder("searchpath98");
  testenv::ResetFolder(root);
  // Wine gives every name that is not 8.3 a short form; names that are 8.3
  // already have none, and those are written as they are.
  const std::string plain = root + "zel\\lib\\_nti31\\bin";
  const std::string long_names = root + "Search Engine\\Binaries";
  ASSERT_TRUE(ForceDirectories(plain));
  ASSERT_TRUE(ForceDirectories(long_names));
  testenv::WriteFile(autoexec_, "");

  const std::string plain_entry = SearchPathEntry(plain);
  const std::string short_entry = SearchPathEntry(long_names);
  ASSERT_NE(short_entry.find('~'), std::string::npos) << short_entry;
  EXPECT_EQ(AddInWin98(plain_entry), 0);
  EXPECT_EQ(AddInWin98(short_entry), 0);
  EXPECT_EQ(Autoexec(), Line(ShortPathOf(root) + "\\zel\\lib\\_nti31\\bin\\;") +
                            Line(ShortPathOf(long_names) + "\\;"));
}

TEST_F(Win98SearchPathTest, AutoexecLivesOnTheBootDrive) {
  WriteText(HKEY_LOCAL_MACHINE, kWindowsSetupKey, "BootDir", "R:\\");
  RemoveAutoexecFiles("R:");
  EXPECT_EQ(AddInWin98(kEntry), 0);
  const std::string on_r = testenv::ReadFile("R:\\AUTOEXEC.BAT");
  RemoveAutoexecFiles("R:");
  EXPECT_EQ(on_r, " \r\n" + Line(kEntry));
  EXPECT_FALSE(FileExists(autoexec_)) << "nothing on C:";
}

}  // namespace
