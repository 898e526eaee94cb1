// System queries on the real API of the Wine prefix: drives, free space, UNC
// shares, network drives, versions, processes.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "WineTestEnv.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Registry.h"
#include "system/RunValues.h"
#include "system/SysQuery.h"
#include "system/SystemLibrary.h"

using namespace kestra;

TEST(Backslash, AddAndRemove) {
  EXPECT_EQ(AddBackslash("C:"), "C:\\");
  EXPECT_EQ(AddBackslash("C:\\"), "C:\\");
  EXPECT_EQ(AddBackslash("C"), "C");
  EXPECT_EQ(AddBackslash(""), "");
  EXPECT_EQ(RemoveBackslash("C:\\"), "C:");
  EXPECT_EQ(RemoveBackslash("X:"), "X:");
  EXPECT_EQ(RemoveBackslash("\\\\"), "\\\\");
  EXPECT_EQ(RemoveBackslash("C:\\dir\\"), "C:\\dir");
}

TEST(ParseVersion, PartsAsNumbers) {
  EXPECT_EQ(ParseVersion("1.9.3"), (VersionParts{1, 9, 3, 0}));
  EXPECT_EQ(ParseVersion("2"), (VersionParts{2, 0, 0, 0}));
  EXPECT_EQ(ParseVersion("1.x.3"), (VersionParts{1, 0, 3, 0}));
  EXPECT_EQ(ParseVersion(""), (VersionParts{0, 0, 0, 0}));
  EXPECT_EQ(ParseVersion("1.10.0"), (VersionParts{1, 10, 0, 0}));
  EXPECT_EQ(ParseVersion("1.2.3.4.5"), (VersionParts{1, 2, 3, 4}));
  EXPECT_EQ(ParseVersion("1..3"), (VersionParts{1, 0, 3, 0}));
  // Beyond 32 bits: the nearest 32-bit value (the native build agrees).
  EXPECT_EQ(ParseVersion("99999999999.-99999999999"),
            (VersionParts{2147483647, -2147483647 - 1, 0, 0}));
}

TEST(Drives, ReadinessByDriveKind) {
  EXPECT_TRUE(IsDriveReady("C:\\Windows"));
  EXPECT_TRUE(IsDriveReady(std::string(testenv::kDvdDrive) + "\\SETUP.EXE"));
  EXPECT_TRUE(IsDriveReady(std::string(testenv::kShare) + "\\dir\\SETUP.EXE"));
  EXPECT_FALSE(IsDriveReady("J:\\nothing"));
  EXPECT_FALSE(IsDriveReady("\\\\kestrasrv\\missing\\x"));
  EXPECT_FALSE(IsDriveReady("relative"));
}

TEST(Drives, TypesOfTheTestDrives) {
  EXPECT_EQ(::GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
  EXPECT_EQ(::GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_CDROM));
  EXPECT_EQ(::GetDriveTypeA("N:\\"), static_cast<UINT>(DRIVE_REMOTE));
}

TEST(Drives, FreeSpaceMatchesTheVolume) {
  ULARGE_INTEGER available{}, total{}, free_total{};
  ASSERT_TRUE(::GetDiskFreeSpaceExA("C:\\", &available, &total, &free_total));
  double reported = DiskFreeBytes("C:\\");
  // The disk is shared with the running build: allow it to move a little.
  EXPECT_NEAR(reported, static_cast<double>(free_total.QuadPart), 64.0 * 1024 * 1024);
  EXPECT_GT(reported, 0.0);
}

TEST(Drives, FreeSpaceOfAMissingDriveIsZeroWithoutABox) {
  EXPECT_EQ(DiskFreeBytes("J:\\"), 0.0);
  EXPECT_EQ(DiskFreeBytes("\\\\kestrasrv\\missing\\"), 0.0);
}

TEST(FindDriveLetter, OwnDriveWithoutLookingAtTheNetwork) {
  std::string drive = "unchanged";
  EXPECT_TRUE(FindDriveLetter("D:\\somewhere", drive));
  EXPECT_EQ(drive, "D:");
}

TEST(FindDriveLetter, EmptyFolderLeavesTheDriveAlone) {
  std::string drive = "unchanged";
  EXPECT_FALSE(FindDriveLetter("", drive));
  EXPECT_EQ(drive, "unchanged");
}

TEST(FindDriveLetter, UncFolderMappedTwiceGivesTheLaterLetter) {
  char remote[261] = {};
  DWORD length = sizeof remote;
  ASSERT_EQ(::WNetGetConnectionA("N:", remote, &length), static_cast<DWORD>(NO_ERROR));
  std::string drive;
  EXPECT_TRUE(FindDriveLetter(std::string(testenv::kShare) + "\\KESTRA\\", drive));
  EXPECT_EQ(drive, "P:");
  // Letters are compared without regard to case.
  EXPECT_TRUE(FindDriveLetter("\\\\KESTRASRV\\DVD\\", drive));
  EXPECT_EQ(drive, "P:");
}

// ---- Libraries of the system folder ------------------------------------------------

TEST(SystemLibrary, LoadsFromTheSystemFolderAndCallsThroughTheDeclaredType) {
  const SystemLibrary mpr("MPR.DLL");
  ASSERT_TRUE(mpr);
  const auto get_connection = mpr.Find<decltype(&::WNetGetConnectionA)>("WNetGetConnectionA");
  ASSERT_NE(get_connection, nullptr);
  // Called through the pointer with the system's calling convention and arguments.
  char remote[261] = {};
  DWORD length = sizeof remote;
  EXPECT_EQ(get_connection("N:", remote, &length), static_cast<DWORD>(NO_ERROR));
  EXPECT_STREQ(remote, testenv::kShare);
  EXPECT_EQ(mpr.Find<decltype(&::WNetGetConnectionA)>("WNetGetConnectionNone"), nullptr);
}

TEST(SystemLibrary, ALibraryBesideTheProgramOrNowhereIsNotLoaded) {
  // notadmin.dll lies beside this test program, not in the system folder.
  ASSERT_TRUE(FileExists(testenv::TestBinary("notadmin.dll")));
  using IsUserAnAdminFn = BOOL(WINAPI*)();
  const SystemLibrary beside("notadmin.dll");
  EXPECT_FALSE(beside);
  EXPECT_EQ(beside.Find<IsUserAnAdminFn>("IsUserAnAdmin"), nullptr);
  EXPECT_FALSE(SystemLibrary("KESTRA_NONE.DLL"));
}

TEST(FindDriveLetter, UnmappedShareHasNoLetter) {
  std::string drive = "x";
  EXPECT_FALSE(FindDriveLetter(std::string(testenv::kOtherShare) + "\\", drive));
  EXPECT_EQ(drive, "");
}

class MapToDrivePathTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = VistaOrLater; }
  void TearDown() override { VistaOrLater = saved_; }
  testenv::ScopedRegistryCleanup network_{HKEY_CURRENT_USER, "Network\\Z"};
  bool saved_ = false;
};

TEST_F(MapToDrivePathTest, BeforeVistaThePathIsUnchanged) {
  VistaOrLater = false;
  EXPECT_EQ(MapToDrivePath("Z:", "\\\\srv\\share\\dir"), "\\\\srv\\share\\dir");
}

TEST_F(MapToDrivePathTest, VistaMapsUnderTheDriveOfTheShare) {
  VistaOrLater = true;
  RegKey::Create(HKEY_CURRENT_USER, "Network\\Z").WriteString("RemotePath", "\\\\srv\\share");
  EXPECT_EQ(MapToDrivePath("Z:", "\\\\srv\\share\\dir\\DOCS\\"), "Z:\\dir\\DOCS\\");
  EXPECT_EQ(MapToDrivePath("z:", "\\\\srv\\share"), "z:\\");  // the drive as given
  EXPECT_EQ(MapToDrivePath("Z:", "C:\\local\\"), "C:\\local\\");
  EXPECT_EQ(MapToDrivePath("", "\\\\srv\\share\\dir"), "");
  EXPECT_EQ(MapToDrivePath("Z:", ""), "");
}

TEST_F(MapToDrivePathTest, WithoutANetworkKeyTheDrivesConnectionIsItsShare) {
  VistaOrLater = true;
  const std::string share = testenv::kShare;  // the connection of N: and P:
  EXPECT_EQ(MapToDrivePath(testenv::kNetDrive2, share + "\\dir"), "P:\\dir");
  EXPECT_EQ(MapToDrivePath(testenv::kNetDrive, AnsiUpperCase(share) + "\\DOCS\\"), "N:\\DOCS\\");
  EXPECT_EQ(MapToDrivePath(testenv::kNetDrive, share), "N:\\");
}

// The mapping turns the setup folder's own share into the user's letter; a
// folder on any other share is no place on that drive.
TEST_F(MapToDrivePathTest, APathOnAnotherShareKeepsItsUncPath) {
  VistaOrLater = true;
  const std::string elsewhere = "\\\\srv\\share\\KIDX\\";
  // The DVD drive and a drive without any connection stand for no share.
  EXPECT_EQ(MapToDrivePath(testenv::kDvdDrive, elsewhere), elsewhere);
  EXPECT_EQ(MapToDrivePath("Z:", elsewhere), elsewhere);
  EXPECT_EQ(MapToDrivePath(testenv::kNetDrive, std::string(testenv::kOtherShare) + "\\dir"),
            std::string(testenv::kOtherShare) + "\\dir");
  // A share whose name only begins like the drive's is another share.
  EXPECT_EQ(MapToDrivePath(testenv::kNetDrive, std::string(testenv::kShare) + "2\\dir"),
            std::string(testenv::kShare) + "2\\dir");
  // A remembered connection decides, and is compared by whole names.
  RegKey::Create(HKEY_CURRENT_USER, "Network\\Z").WriteString("RemotePath", "\\\\srv\\sh");
  EXPECT_EQ(MapToDrivePath("Z:", "\\\\srv\\share\\dir"), "\\\\srv\\share\\dir");
}

TEST(DriveTypeOfPath, AUncPathIsOnTheNetworkByItsForm) {
  // Wine answers DRIVE_FIXED for a share's root, Windows DRIVE_REMOTE: the form decides.
  EXPECT_EQ(DriveTypeOfPath(std::string(testenv::kOtherShare) + "\\KIDX\\"),
            static_cast<UINT>(DRIVE_REMOTE));
  EXPECT_EQ(DriveTypeOfPath(std::string(testenv::kShare) + "\\"), static_cast<UINT>(DRIVE_REMOTE));
  EXPECT_EQ(DriveTypeOfPath("N:\\KSINDEX\\"), static_cast<UINT>(DRIVE_REMOTE));
  EXPECT_EQ(DriveTypeOfPath("Q:\\DOCS\\"), static_cast<UINT>(DRIVE_CDROM));
  EXPECT_EQ(DriveTypeOfPath("C:\\ZEL\\"), static_cast<UINT>(DRIVE_FIXED));
}

// Tells a file another program holds from a full or write-protected disk.
TEST(FileInUse, OnlyAHolderMakesAFileInUse) {
  const std::string folder = "C:\\kestra_tests\\inuse\\";
  testenv::ResetFolder(folder);
  const std::string file = folder + "NTISRCH.DLL";
  testenv::WriteFile(file, "library");
  // Not held: a refusal is the disk's or the folder's, not a holder's.
  for (DWORD error : {DWORD{ERROR_SUCCESS}, DWORD{ERROR_ACCESS_DENIED}, DWORD{ERROR_DISK_FULL}})
    EXPECT_FALSE(FileInUse(file, error)) << error;
  EXPECT_FALSE(FileInUse(folder + "MISSING.DLL", ERROR_ACCESS_DENIED));
  {
    // Held open without sharing, as a running program holds its library.
    const FileHandle held(::CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_TRUE(FileInUse(file, ERROR_SUCCESS));
    EXPECT_TRUE(FileInUse(file, ERROR_ACCESS_DENIED));
    EXPECT_TRUE(FileInUse(file, ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(FileInUse(file, ERROR_LOCK_VIOLATION));
    // A full disk stays a full disk, whoever holds the file.
    EXPECT_FALSE(FileInUse(file, ERROR_DISK_FULL));
    EXPECT_FALSE(FileInUse(file, ERROR_WRITE_PROTECT));
  }
  EXPECT_FALSE(FileInUse(file, ERROR_ACCESS_DENIED));
  testenv::ResetFolder(folder);
  ::RemoveDirectoryA(folder.c_str());
}

TEST(RunProgram, EmptyCommandLineAndMissingProgram) {
  EXPECT_EQ(RunProgram("", true), 0);
  EXPECT_EQ(RunProgram("C:\\no\\such\\program.exe", true), -1);
  EXPECT_EQ(RunProgram("C:\\no\\such\\program.exe", false), -1);
}

TEST(RunProgram, WaitReturnsTheExitCode) {
  EXPECT_EQ(RunProgram("cmd.exe /c exit 7", true), 7);
  EXPECT_EQ(RunProgram("cmd.exe /c exit 0", false), 0);
}

TEST(RunProgram, AWaitThatFailsEndsInsteadOfWaitingForEver) {
  // A handle that is no process: WaitForSingleObject answers WAIT_FAILED at
  // every call, so a loop that only ends on WAIT_OBJECT_0 never ends.
  std::atomic<bool> done{false};
  std::atomic<int32_t> result{0};
  std::thread([&done, &result] {
    result = WaitForProcessExit(nullptr);
    done = true;
  }).detach();
  for (int i = 0; i < 100 && !done; ++i) ::Sleep(100);
  ASSERT_TRUE(done) << "still waiting after 10 s";
  EXPECT_EQ(result, -1);
}

TEST(OsVersion, RecordIsFilled) {
  OsVersionRecord v;
  ASSERT_TRUE(GetOSVersion(v));
  EXPECT_EQ(v.platform, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_GE(v.major, 5u);
}

TEST(ModulePath, NtFormsBecomeWin32Paths) {
  EXPECT_EQ(NormalizeModulePath("UNC\\srv\\share\\SETUP.EXE"), "\\\\srv\\share\\SETUP.EXE");
  EXPECT_EQ(NormalizeModulePath("\\\\?\\UNC\\srv\\share\\SETUP.EXE"), "\\\\srv\\share\\SETUP.EXE");
  EXPECT_EQ(NormalizeModulePath("\\\\?\\Q:\\SETUP.EXE"), "Q:\\SETUP.EXE");
  EXPECT_EQ(NormalizeModulePath("Q:\\SETUP.EXE"), "Q:\\SETUP.EXE");
  EXPECT_EQ(NormalizeModulePath("\\\\srv\\share\\SETUP.EXE"), "\\\\srv\\share\\SETUP.EXE");
}
