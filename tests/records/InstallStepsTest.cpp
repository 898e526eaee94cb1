// The install dialog's two record steps as the install run calls them: the
// registry layout read back from the registry of the test prefix (every value,
// its type and data, and nothing more), and the uninstall record with the
// uninstaller copy in the records folder of a stand-in system drive.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "BoxAnswerer.h"
#include "RegistryProbe.h"
#include "ShellPlaces.h"
#include "WineTestEnv.h"
#include "install/FileInst.h"
#include "install/RegistryLayout.h"
#include "system/ComPtr.h"
#include "system/FileSys.h"
#include "system/ProductPlaces.h"
#include "system/Registry.h"
#include "system/RunValues.h"
#include "ui/Application.h"

using namespace kestra;
using records_test::KeyExists;
using records_test::StoredValue;
using records_test::ValueAt;

namespace {

const std::string kRoot = testenv::kInProcessWork + "records\\steps\\";
const std::string kDvd = kRoot + "dvd\\";
const std::string kWinRoot = kRoot + "root\\";  // stands for the system drive's root
const std::string kRecords = kWinRoot + "Program Files\\ZEL\\Common Files\\UNINSTALL\\";
const std::string kApp = "C:\\Program Files\\KESTRA\\";

// The keys of the layout, written out here rather than taken from SETUP.
const std::string kProduct = "SOFTWARE\\ZEL\\ケストラDVD";
const std::string kCollection = kProduct + "\\Collection";
const std::string kService = kProduct + "\\Service";
const std::string kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KESTRA.EXE";
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ケストラDVD";

constexpr char kSetupInf[] =
    "[Products]\r\nVersion=2.1.0.1\r\nRelease=2024年4月版\r\nDate=2024/04/01\r\n"
    "[Collection]\r\nItem1=Count,2\r\nItem2=KSCOLL1,判例集\r\nItem3=KSCOLL2,法令集\r\n"
    "Item5=Extra,五\r\nItem6=TooFar,六\r\nCollectionVersion=5\r\n"
    "[Setup]\r\nInstallDiskName=KESTRA_DVD\r\n";

struct Expected {
  HKEY root;
  std::string key;
  std::string name;
  DWORD type;
  std::string text;
  DWORD number;
};

Expected Sz(HKEY root, const std::string& key, const std::string& name, const std::string& text) {
  return {root, key, name, REG_SZ, text, 0};
}
Expected Dword(HKEY root, const std::string& key, const std::string& name, DWORD number) {
  return {root, key, name, REG_DWORD, "", number};
}

DWORD ValueCount(HKEY root, const std::string& key) {
  RegKey opened = RegKey::Open(root, key, KEY_READ);
  DWORD values = 0;
  if (!opened || ::RegQueryInfoKeyA(opened.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, &values, nullptr, nullptr, nullptr,
                                    nullptr) != ERROR_SUCCESS)
    return 0;
  return values;
}

void ExpectStored(const Expected& e) {
  const StoredValue stored = ValueAt(e.root, e.key, e.name);
  const std::string where =
      (e.root == ProductRoots().machine ? "HKLM\\" : "HKCU\\") + e.key + "\\" + e.name;
  ASSERT_TRUE(stored.present) << where;
  EXPECT_EQ(stored.type, e.type) << where;
  if (e.type == REG_DWORD)
    EXPECT_EQ(stored.number, e.number) << where;
  else
    EXPECT_EQ(stored.text, e.text) << where;
}

class RecordSteps : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Application.Handle()) Application.Initialize(::GetModuleHandleA(nullptr));
  }

  void SetUp() override {
    testenv::ResetFolder(kRoot);
    testenv::WriteFile(kDvd + "SETUP.INF", kSetupInf);
    testenv::WriteFile(kDvd + "SETUP.EXE", "MZ the program on the DVD");
    WinDriveRoot = kWinRoot;
    SetupDir = kDvd;
    SetupDrive.clear();
    VistaOrLater = false;
    ProgramOnlyUpdate = 0;
    dialog_.AppInfo.AppCount = 1;
    dialog_.AppInfo.AppInfo.ProductIndex = 7;
    dialog_.AppInfo.AppInfo.InstallDir = kApp;
    dialog_.AppInfo.AppInfo.DVDPathCount = 3;
    dialog_.AppInfo.AppInfo.DVDPaths[0] = "Q:\\";
    dialog_.AppInfo.AppInfo.DVDPaths[1] = "R:\\";
    dialog_.AppInfo.AppInfo.DVDPaths[2] = "N:\\DVD3\\";
    dialog_.AppInfo.AppInfo.DVDPaths[3] = "not counted";
    dialog_.AppInfo.IndexDir = "C:\\KSDOCS\\";
    dialog_.SourceDir = kDvd;
    dialog_.SetupDriveType = DRIVE_CDROM;
  }
  void TearDown() override {
    ProgramOnlyUpdate = 0;
    testenv::ResetFolder(kRoot);
    ::RemoveDirectoryA(kRoot.c_str());
  }

  // The product's keys and the shell's folders below the test's own key.
  testenv::ScopedProductRoots roots_;
  TFileInstDlg dialog_;
};

// ---- The registry -----------------------------------------------------------------

TEST_F(RecordSteps, WritesEveryValueOfTheLayoutWithItsTypeAndNothingElse) {
  ASSERT_TRUE(dialog_.WriteRegistry());
  const HKEY m = roots_.Machine(), u = roots_.User();
  std::vector<Expected> expected = {
      Sz(m, kProduct, "Version", "2.1.0.1"),
      Sz(m, kProduct, "Release", "2024年4月版"),
      Sz(m, kProduct, "Date", "2024/04/01"),
      Dword(m, kProduct, "PermissionFlag", 0),
      Dword(m, kProduct, "Service", 8392204),
      Sz(m, kProduct, "InstallDate", TodayText()),
      Dword(m, kProduct, "ALN", 68097),
      Sz(m, kAppPaths, "", kApp + "KESTRA.EXE"),
      Sz(m, kAppPaths, "path", kApp),
      Sz(m, kUninstall, "DisplayName", "ケストラDVD"),
      Sz(m, kUninstall, "UninstallString", "\"" + kRecords + "KSUINST.EXE\" -UNINST"),
      Sz(m, kUninstall, "DisplayIcon", kApp + "KESTRA.EXE"),
      Sz(m, kUninstall, "DisplayVersion", "2.1.0.1"),
      Sz(m, kUninstall, "Publisher", "ZEL Co.,Ltd."),
      Sz(m, kUninstall, "QuietUninstallString",
         "\"" + kRecords + "KSUINST.EXE\" -UNINST -VERYSILENT"),
      Sz(m, kUninstall, "InstallLocation", kApp),
      Dword(m, kUninstall, "EstimatedSize", 0),  // nothing recorded yet in this folder
      Dword(m, kUninstall, "NoModify", 1),
      Dword(m, kUninstall, "NoRepair", 1),
  };
  for (HKEY root : {m, u}) {
    expected.push_back(Sz(root, kCollection, "Count", "2"));
    expected.push_back(Sz(root, kCollection, "KSCOLL1", "判例集"));
    expected.push_back(Sz(root, kCollection, "KSCOLL2", "法令集"));
    expected.push_back(Sz(root, kCollection, "Extra", "五"));
    expected.push_back(Sz(root, kCollection, "CollectionVersion", "5"));
    expected.push_back(Sz(root, kCollection, "Root", "C:\\KSDOCS\\"));
    expected.push_back(Sz(root, kService, "InstallDiskName", "KESTRA_DVD"));
    expected.push_back(Sz(root, kService, "DocumentRoot", kApp + "DOCS"));
    expected.push_back(Sz(root, kService, "InstallDrive", kDvd));
    expected.push_back(Sz(root, kService, "DVDPath1", "Q:\\"));
    expected.push_back(Sz(root, kService, "DVDPath2", "R:\\"));
    expected.push_back(Sz(root, kService, "DVDPath3", "N:\\DVD3\\"));
  }
  for (const Expected& e : expected) ExpectStored(e);
  // Items 1 to N + 3 = 5 only: Item6 is not read.
  EXPECT_FALSE(ValueAt(m, kCollection, "TooFar").present);
  EXPECT_EQ(ValueCount(m, kProduct), 7u);
  EXPECT_EQ(ValueCount(m, kCollection), 6u);
  EXPECT_EQ(ValueCount(u, kCollection), 6u);
  EXPECT_EQ(ValueCount(m, kService), 6u);
  EXPECT_EQ(ValueCount(u, kService), 6u);
  EXPECT_EQ(ValueCount(m, kAppPaths), 2u);
  EXPECT_EQ(ValueCount(m, kUninstall), 10u);
  // Only the subkeys go to the user's hive.
  EXPECT_EQ(ValueCount(u, kProduct), 0u);
  EXPECT_EQ(dialog_.AppInfo.AppInfo.AppVersion, "2.1.0.1");
}

TEST_F(RecordSteps, ProgramOnlyUpdateWritesNoCollectionAndNoDvdPathValues) {
  RegKey::Create(roots_.Machine(), kService).WriteString("DVDPath1", "from before");
  ProgramOnlyUpdate = 100;
  ASSERT_TRUE(dialog_.WriteRegistry());
  EXPECT_FALSE(KeyExists(roots_.Machine(), kCollection));
  EXPECT_FALSE(KeyExists(roots_.User(), kCollection));
  EXPECT_EQ(ValueAt(roots_.Machine(), kService, "DVDPath1").text, "from before");
  EXPECT_FALSE(ValueAt(roots_.Machine(), kService, "DVDPath2").present);
  EXPECT_FALSE(ValueAt(roots_.User(), kService, "DVDPath1").present);
  // The rest is rewritten.
  ExpectStored(Sz(roots_.Machine(), kProduct, "Version", "2.1.0.1"));
  ExpectStored(Sz(roots_.User(), kService, "InstallDiskName", "KESTRA_DVD"));
  ExpectStored(Sz(roots_.Machine(), kService, "DocumentRoot", kApp + "DOCS"));
  ExpectStored(Sz(roots_.Machine(), kAppPaths, "", kApp + "KESTRA.EXE"));
  ExpectStored(Sz(roots_.Machine(), kUninstall, "DisplayVersion", "2.1.0.1"));
}

TEST_F(RecordSteps, SetupFromANetworkDriveSetsThePermissionFlag) {
  dialog_.SetupDriveType = DRIVE_REMOTE;
  ASSERT_TRUE(dialog_.WriteRegistry());
  ExpectStored(Dword(roots_.Machine(), kProduct, "PermissionFlag", 1));
}

TEST_F(RecordSteps, MissingSetupInformationWritesEmptyTexts) {
  ASSERT_TRUE(::DeleteFileA((kDvd + "SETUP.INF").c_str()));
  ASSERT_TRUE(dialog_.WriteRegistry());
  ExpectStored(Sz(roots_.Machine(), kProduct, "Version", ""));
  ExpectStored(Sz(roots_.Machine(), kCollection, "CollectionVersion", ""));
  ExpectStored(Sz(roots_.Machine(), kUninstall, "DisplayVersion", ""));
  EXPECT_EQ(ValueCount(roots_.Machine(), kCollection), 2u);  // CollectionVersion, Root
}

TEST_F(RecordSteps, AKeyThatCannotBeWrittenFailsTheStepWithAMessageNamingIt) {
  // A volatile product key cannot hold its lasting subkeys.
  HKEY raw = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(roots_.Machine(), kProduct.c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
            ERROR_SUCCESS);
  ::RegCloseKey(raw);
  std::vector<enginetest::SeenBox> seen;
  {
    enginetest::BoxAnswerer boxes(IDOK);
    EXPECT_FALSE(dialog_.WriteRegistry());
    seen = boxes.Seen();
  }
  ASSERT_EQ(seen.size(), 1u);
  ExpectBox(seen[0], expected::RegistryFailed("HKEY_LOCAL_MACHINE\\SOFTWARE\\ZEL\\ケストラDVD\\Collection"));
  // Nothing after the failed key is written.
  EXPECT_FALSE(KeyExists(roots_.Machine(), kUninstall));
}

// ---- The uninstall record -------------------------------------------------------

TEST_F(RecordSteps, UninstallRecordListsTheRunsApplicationFilesAndFoldersAndCopiesSetup) {
  dialog_.FFileList = {"7," + kApp + "KESTRA.EXE", "7," + kApp + "MANUAL\\利用ガイド.PDF",
                       "99," + kWinRoot + "ZEL\\LIB\\_NTI31\\BIN\\NTISRCH.DLL",
                       "98," + kWinRoot + "Program Files\\ZEL\\Common Files\\COM\\X.ocx",
                       "7,C:\\Users\\Public\\Desktop\\ケストラDVD.LNK"};
  dialog_.FDirList = {"7," + kApp + "MANUAL\\", "7," + kApp};
  EXPECT_TRUE(dialog_.WriteUninstallInfo());
  EXPECT_EQ(testenv::ReadFile(kRecords + "KSINSTALL.INF"),
            "[KESTRA]\r\n"
            "KESTRA001=" + kApp + "KESTRA.EXE\r\n"
            "KESTRA002=" + kApp + "MANUAL\\利用ガイド.PDF\r\n"
            "KESTRA003=C:\\Users\\Public\\Desktop\\ケストラDVD.LNK\r\n"
            "Dir_KESTRA001=" + kApp + "\r\n"
            "Dir_KESTRA002=" + kApp + "MANUAL\\\r\n"
            "\r\n");
  EXPECT_EQ(testenv::ReadFile(kRecords + "KSUINST.EXE"), "MZ the program on the DVD");
}

TEST_F(RecordSteps, UninstallRecordOfASecondRunKeepsTheFirstRunsEntries) {
  dialog_.FFileList = {"7," + kApp + "OLD.DLL"};
  dialog_.WriteUninstallInfo();
  dialog_.FFileList = {"7," + kApp + "KESTRA.EXE"};
  dialog_.FDirList.clear();
  dialog_.WriteUninstallInfo();
  EXPECT_EQ(testenv::ReadFile(kRecords + "KSINSTALL.INF"),
            "[KESTRA]\r\nKESTRA001=" + kApp + "KESTRA.EXE\r\nKESTRA002=" + kApp + "OLD.DLL\r\n\r\n");
}

// ---- The shortcuts ----------------------------------------------------------------

// Two passes (the settings page always gives one, so only here): each shortcut
// saved and recorded twice, the Start-menu folder created and recorded once,
// and each listed once in the uninstall record.
TEST_F(RecordSteps, ShortcutsOfTwoPassesAreRecordedTwiceAndListedOnce) {
  ComApartment com;
  const testenv::ScopedProductRoots::ShellPlaces places = roots_.PlaceShellFolders(kRoot + "shell\\");
  const std::string app = kRoot + "app\\";
  testenv::WriteFile(app + "MANUAL\\利用ガイド.PDF", "%PDF-1.4");
  dialog_.AppInfo.AppInfo.InstallDir = app;
  dialog_.AppInfo.AppCount = 2;
  Win8OrLater = false;
  const std::string menu = places.common_programs + "ケストラ";
  const std::vector<std::string> links = {places.desktop + "ケストラDVD.LNK",
                                          menu + "\\ケストラDVD.LNK", menu + "\\利用ガイド.LNK"};
  ASSERT_FALSE(DirectoryExists(menu));

  dialog_.CreateShortcuts();
  std::vector<std::string> recorded;
  for (int pass = 0; pass < 2; ++pass)
    for (const std::string& link : links) recorded.push_back("7," + link);
  EXPECT_EQ(dialog_.FFileList, recorded);
  EXPECT_EQ(dialog_.FDirList, std::vector<std::string>{"7," + menu});
  EXPECT_EQ(testenv::ReadShellLink(links[0]), (testenv::LinkFacts{app + "KESTRA.EXE", "", ""}));
  EXPECT_EQ(testenv::ReadShellLink(links[2]),
            (testenv::LinkFacts{app + "MANUAL\\利用ガイド.PDF", "", ""}));

  dialog_.WriteUninstallInfo();
  const std::string record = testenv::ReadFile(kRecords + "KSINSTALL.INF");
  for (const std::string& link : links) {
    const std::size_t at = record.find("=" + link + "\r\n");
    EXPECT_NE(at, std::string::npos) << link;
    EXPECT_EQ(record.find("=" + link + "\r\n", at + 1), std::string::npos) << link;
  }
  EXPECT_NE(record.find("Dir_KESTRA001=" + menu + "\\\r\n"), std::string::npos) << record;
}

}  // namespace
