// The destination defaults on the real registry and file system of the prefix:
// a fresh machine, each trace an earlier installation may have left, the DVD
// folders and values of the wrong type.
#include <gtest/gtest.h>

#include <windows.h>

#include "ProductKeys.h"
#include "RegistryFixtures.h"
#include "WineTestEnv.h"
#include "system/RunValues.h"
#include "wizard/Defaults.h"

using namespace kestra;
using wizardtest::SetDword;
using wizardtest::SetString;

namespace {

using namespace productkeys;

const std::string kWork = testenv::kInProcessWork + "defaults\\";
const std::string kPf = "C:\\Program Files\\";

class DestinationDefaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testenv::ResetFolder(kWork);
    SetString(roots_.Machine(), kCurrentVersionKey, kProgramFilesValue, "C:\\Program Files");
    handed_in_.AppInfo.AppVersion = "handed in";
    handed_in_.AppInfo.Reserved1 = "r1";
    handed_in_.Reserved = "r";
    handed_in_.AppInfo.DVDPaths[23] = "never set";
  }
  void TearDown() override { testenv::ResetFolder(kWork); }

  DestinationDefaults Load(const std::string& setup_dir = "Q:\\", bool vista = false,
                           const std::string& setup_drive = "Q:") {
    return LoadDestinationDefaults(handed_in_, DefaultsInputs{setup_dir, setup_drive, vista});
  }

  // An installed viewer: the executable, its App Paths entry and the product key.
  std::string InstallViewer(const std::string& folder) {
    std::string exe = folder + "KESTRA.EXE";
    testenv::WriteFile(exe, "MZ");
    SetString(roots_.Machine(), kViewerAppPathsKey, "", exe);
    SetString(roots_.Machine(), kViewerAppPathsKey, "path", folder.substr(0, folder.size() - 1));
    SetString(roots_.Machine(), kProductRegistryKey, "Version", "1.9.3");
    return exe;
  }

  void RecordIndex(const std::string& root, bool with_marker) {
    SetString(roots_.User(), kCollectionKey, "Root", root);
    testenv::ResetFolder(root);
    if (with_marker) testenv::WriteFile(root + "\\KSCOLL.INF", "[Collection]\r\n");
  }

  // The product's keys and ProgramFilesDir below the test's own key.
  testenv::ScopedProductRoots roots_;
  TFInstAppInfo handed_in_;
};

void ExpectAllDvdFolders(const TFAppInfo& app, const std::string& folder) {
  for (int i = 0; i < 23; ++i) EXPECT_EQ(app.DVDPaths[i], folder) << "DVD " << i + 1;
}

TEST_F(DestinationDefaultsTest, FreshMachineBeforeVista) {
  DestinationDefaults d = Load("Q:\\KESTRA\\");
  const TFInstAppInfo& r = d.Record;
  EXPECT_EQ(r.AppCount, 1);
  EXPECT_EQ(r.AppInfo.InstallMode, 1);
  EXPECT_EQ(r.AppInfo.ProductIndex, 7);
  EXPECT_EQ(r.AppInfo.ProductName, "ケストラDVD");
  EXPECT_EQ(r.AppInfo.InstallDir, kPf + "KESTRA\\");
  EXPECT_EQ(r.AppInfo.AppVersion, "handed in");
  EXPECT_EQ(r.InstallIndex, 0);
  EXPECT_EQ(r.IndexDir, kPf + "KESTRA\\DOCS\\");
  EXPECT_EQ(r.AppInfo.DVDPathCount, 23);
  ExpectAllDvdFolders(r.AppInfo, "Q:\\");
  // Fields the defaults do not decide pass through.
  EXPECT_EQ(r.AppInfo.DVDPaths[23], "never set");
  EXPECT_EQ(r.AppInfo.Reserved1, "r1");
  EXPECT_EQ(r.Reserved, "r");

  EXPECT_EQ(d.Page.DefaultIndexDir, kPf + "KESTRA\\DOCS\\");
  EXPECT_EQ(d.Page.DvdIndexDir, "Q:\\KESTRA\\DOCS\\");
  EXPECT_EQ(d.Page.RegisteredIndexDir, "");
  EXPECT_FALSE(d.Page.RegisteredIndexFound);
}

TEST_F(DestinationDefaultsTest, FreshMachineOnVistaPutsTheDefaultIndexUnderZel) {
  DestinationDefaults d = Load("Q:\\", true);
  EXPECT_EQ(d.Page.DefaultIndexDir, "C:\\ZEL\\KESTRA\\DOCS\\");
  EXPECT_EQ(d.Record.IndexDir, kPf + "KESTRA\\DOCS\\");
  EXPECT_EQ(d.Page.DvdIndexDir, "Q:\\DOCS\\");
  ExpectAllDvdFolders(d.Record.AppInfo, "Q:\\");
}

TEST_F(DestinationDefaultsTest, ProgramFilesOnAnotherDrive) {
  SetString(roots_.Machine(), kCurrentVersionKey, kProgramFilesValue, "D:\\Programs\\");
  DestinationDefaults vista = Load("Q:\\", true);
  EXPECT_EQ(vista.Page.DefaultIndexDir, "D:\\ZEL\\KESTRA\\DOCS\\");
  EXPECT_EQ(vista.Record.IndexDir, "D:\\Programs\\KESTRA\\DOCS\\");
  EXPECT_EQ(vista.Record.AppInfo.InstallDir, "D:\\Programs\\KESTRA\\");

  DestinationDefaults xp = Load("Q:\\", false);
  EXPECT_EQ(xp.Page.DefaultIndexDir, "D:\\Programs\\KESTRA\\DOCS\\");
  EXPECT_EQ(xp.Record.IndexDir, "D:\\Programs\\KESTRA\\DOCS\\");
}

TEST_F(DestinationDefaultsTest, UnusableProgramFilesValueFallsBackToTheStandardFolder) {
  // An empty folder would make every proposal relative to the current folder.
  SetString(roots_.Machine(), kCurrentVersionKey, kProgramFilesValue, "");
  EXPECT_EQ(Load().Record.AppInfo.InstallDir, "C:\\Program Files\\KESTRA\\");

  SetDword(roots_.Machine(), kCurrentVersionKey, kProgramFilesValue, 1);
  DestinationDefaults wrong_type = Load("Q:\\", true);
  EXPECT_EQ(wrong_type.Record.AppInfo.InstallDir, "C:\\Program Files\\KESTRA\\");
  EXPECT_EQ(wrong_type.Record.IndexDir, "C:\\Program Files\\KESTRA\\DOCS\\");
  EXPECT_EQ(wrong_type.Page.DefaultIndexDir, "C:\\ZEL\\KESTRA\\DOCS\\");

  RegKey::Open(roots_.Machine(), kCurrentVersionKey).DeleteValue(kProgramFilesValue);
  EXPECT_EQ(Load().Record.AppInfo.InstallDir, "C:\\Program Files\\KESTRA\\");
}

TEST_F(DestinationDefaultsTest, InstalledCopyIsUpgraded) {
  InstallViewer(kWork + "App\\");
  DestinationDefaults d = Load();
  EXPECT_EQ(d.Record.AppInfo.InstallMode, 2);
  EXPECT_EQ(d.Record.AppInfo.InstallDir, kWork + "App\\");
  EXPECT_EQ(d.Record.AppInfo.AppVersion, "1.9.3");
  // No index was recorded: the standard folder, not copied.
  EXPECT_EQ(d.Record.IndexDir, kPf + "KESTRA\\DOCS\\");
  EXPECT_EQ(d.Record.InstallIndex, 0);
}

TEST_F(DestinationDefaultsTest, InstalledCopyWithoutRecordedFolderUsesTheExecutablesFolder) {
  InstallViewer(kWork + "App\\");
  RegKey::Open(roots_.Machine(), kViewerAppPathsKey).DeleteValue("path");
  DestinationDefaults d = Load();
  EXPECT_EQ(d.Record.AppInfo.InstallMode, 2);
  EXPECT_EQ(d.Record.AppInfo.InstallDir, kWork + "App\\");
}

TEST_F(DestinationDefaultsTest, AppPathsEntryWhoseExecutableIsMissing) {
  std::string exe = InstallViewer(kWork + "App\\");
  ::DeleteFileA(exe.c_str());
  DestinationDefaults d = Load();
  EXPECT_EQ(d.Record.AppInfo.InstallMode, 1);
  EXPECT_EQ(d.Record.AppInfo.InstallDir, kPf + "KESTRA\\");
  EXPECT_EQ(d.Record.AppInfo.AppVersion, "1.9.3");  // still read
}

TEST_F(DestinationDefaultsTest, ExistingExecutableWithoutProductKey) {
  InstallViewer(kWork + "App\\");
  DeleteKeyTree(roots_.Machine(), "SOFTWARE\\ZEL\\ケストラDVD");
  DestinationDefaults d = Load();
  EXPECT_EQ(d.Record.AppInfo.InstallMode, 1);
  EXPECT_EQ(d.Record.AppInfo.InstallDir, kPf + "KESTRA\\");
  // Traces were found, so the handed-in version is replaced by the (absent) installed one.
  EXPECT_EQ(d.Record.AppInfo.AppVersion, "");
}

TEST_F(DestinationDefaultsTest, OnlyTheRecordedIndexIsLeft) {
  const std::string root = kWork + "ソフト\\表";  // 表 ends in byte 0x5C
  RecordIndex(root, true);
  DestinationDefaults d = Load();
  EXPECT_EQ(d.Record.AppInfo.InstallMode, 1);
  EXPECT_EQ(d.Record.AppInfo.InstallDir, kPf + "KESTRA\\");
  EXPECT_EQ(d.Record.AppInfo.AppVersion, "");
  EXPECT_EQ(d.Record.IndexDir, root + "\\");
  EXPECT_EQ(d.Record.InstallIndex, -1);
  EXPECT_EQ(d.Page.RegisteredIndexDir, root + "\\");
  EXPECT_TRUE(d.Page.RegisteredIndexFound);
}

TEST_F(DestinationDefaultsTest, RecordedIndexWithoutMarkerFile) {
  const std::string root = kWork + "Index\\";
  RecordIndex(root, false);
  DestinationDefaults d = Load();
  EXPECT_EQ(d.Record.IndexDir, kPf + "KESTRA\\DOCS\\");
  EXPECT_EQ(d.Record.InstallIndex, 0);
  EXPECT_EQ(d.Page.RegisteredIndexDir, root);
  EXPECT_FALSE(d.Page.RegisteredIndexFound);
  EXPECT_EQ(d.Record.AppInfo.InstallMode, 1);
}

TEST_F(DestinationDefaultsTest, UpgradeKeepsTheRecordedIndex) {
  InstallViewer(kWork + "App\\");
  RecordIndex(kWork + "Index", true);
  DestinationDefaults d = Load();
  EXPECT_EQ(d.Record.AppInfo.InstallMode, 2);
  EXPECT_EQ(d.Record.IndexDir, kWork + "Index\\");
  EXPECT_EQ(d.Record.InstallIndex, -1);
}

TEST_F(DestinationDefaultsTest, DvdFoldersFromTheServiceKey) {
  // DVD 1 empty, DVD 2 set, the rest absent.
  SetString(roots_.User(), kServiceKey, "DVDPath1", "");
  SetString(roots_.User(), kServiceKey, "DVDPath2", "R:\\");
  DestinationDefaults d = Load("Q:\\KESTRA\\");
  const TFAppInfo& app = d.Record.AppInfo;
  EXPECT_EQ(app.DVDPaths[0], "Q:\\KESTRA\\");
  EXPECT_EQ(app.DVDPaths[1], "R:\\");
  for (int i = 2; i < 23; ++i) EXPECT_EQ(app.DVDPaths[i], "Q:\\KESTRA\\") << "DVD " << i + 1;
  EXPECT_EQ(app.DVDPathCount, 23);
}

TEST_F(DestinationDefaultsTest, UnsetDvdsFollowDvdOneButUnreadableOnesTheSetupFolder) {
  SetString(roots_.User(), kServiceKey, "DVDPath1", "N:\\DVD\\");
  SetString(roots_.User(), kServiceKey, "DVDPath2", "");
  SetDword(roots_.User(), kServiceKey, "DVDPath3", 5);
  SetString(roots_.User(), kServiceKey, "DVDPath23", "R:\\23\\");
  DestinationDefaults d = Load("Q:\\KESTRA\\");
  const TFAppInfo& app = d.Record.AppInfo;
  EXPECT_EQ(app.DVDPaths[0], "N:\\DVD\\");
  EXPECT_EQ(app.DVDPaths[1], "N:\\DVD\\");       // empty: as DVD 1
  EXPECT_EQ(app.DVDPaths[2], "Q:\\KESTRA\\");    // not text: the setup folder
  EXPECT_EQ(app.DVDPaths[3], "N:\\DVD\\");       // absent: as DVD 1
  EXPECT_EQ(app.DVDPaths[22], "R:\\23\\");
}

TEST_F(DestinationDefaultsTest, UncSetupFolderOnVistaIsSeenUnderTheUsersDrive) {
  // The mapping of a UNC path follows the run-wide platform flag, as it does
  // for every caller of the drive mapping.
  bool saved = VistaOrLater;
  VistaOrLater = true;
  const std::string setup_dir = std::string(testenv::kShare) + "\\KESTRA\\";
  DestinationDefaults d = Load(setup_dir, true, "N:");
  VistaOrLater = saved;
  EXPECT_EQ(d.Page.DvdIndexDir, "N:\\KESTRA\\DOCS\\");
  ExpectAllDvdFolders(d.Record.AppInfo, "N:\\");

  SetString(roots_.User(), kServiceKey, "DVDPath1", "");
  VistaOrLater = true;
  DestinationDefaults with_key = Load(setup_dir, true, "N:");
  VistaOrLater = saved;
  ExpectAllDvdFolders(with_key.Record.AppInfo, "N:\\KESTRA\\");
}

TEST_F(DestinationDefaultsTest, UncSetupFolderBeforeVistaStaysUnc) {
  const std::string setup_dir = std::string(testenv::kShare) + "\\KESTRA\\";
  DestinationDefaults d = Load(setup_dir, false, "");
  EXPECT_EQ(d.Page.DvdIndexDir, setup_dir + "DOCS\\");
  ExpectAllDvdFolders(d.Record.AppInfo, std::string(testenv::kShare) + "\\");
}

TEST_F(DestinationDefaultsTest, ValuesOfTheWrongTypeCountAsMissing) {
  InstallViewer(kWork + "App\\");
  SetDword(roots_.Machine(), kProductRegistryKey, "Version", 0x01090003);
  DestinationDefaults d = Load();
  EXPECT_EQ(d.Record.AppInfo.InstallMode, 2);
  EXPECT_EQ(d.Record.AppInfo.AppVersion, "");

  // The executable named by a number does not exist: a new installation.
  SetDword(roots_.Machine(), kViewerAppPathsKey, "", 7);
  EXPECT_EQ(Load().Record.AppInfo.InstallMode, 1);

  // A recorded index folder that is not text is no index at all.
  DeleteKeyTree(roots_.Machine(), kViewerAppPathsKey);
  SetDword(roots_.User(), kCollectionKey, "Root", 1);
  DestinationDefaults no_index = Load();
  EXPECT_EQ(no_index.Page.RegisteredIndexDir, "");
  EXPECT_FALSE(no_index.Page.RegisteredIndexFound);
  EXPECT_EQ(no_index.Record.AppInfo.AppVersion, "handed in");  // no traces at all
  EXPECT_EQ(no_index.Record.InstallIndex, 0);
}

TEST_F(DestinationDefaultsTest, EmptyRecordedIndexFolderIsNotTheCurrentFolder) {
  // A marker in the current folder must not make an empty "Root" count as an index.
  char cwd[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, cwd);
  ASSERT_TRUE(::SetCurrentDirectoryA(kWork.c_str()));
  testenv::WriteFile(kWork + "KSCOLL.INF", "x");
  SetString(roots_.User(), kCollectionKey, "Root", "");
  DestinationDefaults d = Load();
  ::SetCurrentDirectoryA(cwd);
  EXPECT_FALSE(d.Page.RegisteredIndexFound);
  EXPECT_EQ(d.Record.InstallIndex, 0);
  EXPECT_EQ(d.Record.IndexDir, kPf + "KESTRA\\DOCS\\");
}

}  // namespace
