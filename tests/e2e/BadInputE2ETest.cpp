// A damaged or hostile DVD through the real SETUP.EXE (its test variant, placed
// on the DVD in the CD-ROM drive Q:): the product description SETUP.INF, the
// setup script SETUP_F.INI, the index script COLLCOPY.INF and the archive
// SETUP_F.EZP, each spoiled in the ways a bad disc or a hostile image can
// spoil it. Every run must end, without a crash and within its time, show the
// installer's own message for what went wrong (or the completion message where
// the run counts as a success), and write nothing outside the places an
// installation writes to; the DVD itself stays as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "DriveWatch.h"
#include "InstallDvd.h"
#include "SetupHarness.h"
#include "UiDriver.h"
#include "WineTestEnv.h"
#include "system/FileSys.h"
#include "system/Registry.h"
#include "wizard/Setting.h"

namespace {

using e2e::DvdInDrive;
using uidrv::MessageBoxRecord;
using uidrv::Process;
using uidrv::Session;
using namespace std::chrono_literals;

constexpr char kInstallDir[] = "C:\\Program Files\\KESTRA\\";
constexpr char kSetupInf[] = "Q:\\SETUP.INF";
constexpr char kScript[] = "Q:\\KESTRA\\SETUP_F.INI";
constexpr char kArchive[] = "Q:\\KESTRA\\SETUP_F.EZP";
constexpr char kIndexScript[] = "Q:\\COLLCOPY.INF";
constexpr char kProductKey[] = "SOFTWARE\\ZEL\\ケストラDVD";
constexpr char kCollectionKey[] = "SOFTWARE\\ZEL\\ケストラDVD\\Collection";
constexpr char kInstallRecord[] =
    "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\KSINSTALL.INF";
constexpr char kIndexRecord[] = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\KSDOCS.INF";
constexpr char kDvdIndexFallback[] = "Q:\\DOCS\\";

// ---------------------------------------------------------------- spoiling the DVD

void Overwrite(const std::string& path, const std::string& bytes) { testenv::WriteFile(path, bytes); }

// One key of the setup script's section [Groups] set (the rest as authored).
void ScriptValue(const std::string& key, const std::string& value) {
  ASSERT_TRUE(::WritePrivateProfileStringA("Groups", key.c_str(), value.c_str(), kScript));
}

// The index script replaced by one that makes the target folder, copies the
// marker file into it, and then holds the given entry.
void IndexScriptWith(const std::string& entry) {
  Overwrite(kIndexScript,
            "[COLLECTION]\r\nMakeDir01=$setup\r\nCopyFile01=KSCOLL.INF,$setup\\KSCOLL.INF\r\n" +
                entry + "\r\n");
}

// ---------------------------------------------------------------- the run

struct DvdCase {
  const char* name;
  std::function<void()> damage;          // done to the DVD in Q: before SETUP starts
  bool index_box;                        // the settings page's index box left ticked
  std::vector<MessageBoxRecord> boxes;   // after the start question, each answered "OK"
  // Further checks of what the run left (the application folder given).
  std::function<void(const std::string&)> check = [](const std::string&) {};
  uidrv::Millis wait = 90s;              // for each box
};

void PrintTo(const DvdCase& row, std::ostream* out) { *out << row.name; }

class DamagedDvd : public ::testing::TestWithParam<DvdCase> {};

TEST_P(DamagedDvd, EndsWithTheRightMessageAndWritesOnlyWhereAnInstallationDoes) {
  const DvdCase& row = GetParam();
  e2e::InstalledCopy nothing_installed;
  DvdInDrive dvd(e2e::SampleDvdImage(), kInstallDir);
  ASSERT_TRUE(testenv::CopyFileTo(testenv::SetupVariant(), "Q:\\SETUP.EXE"));
  row.damage();
  if (HasFatalFailure()) return;
  const std::vector<std::string> places = e2e::InstallationPlaces(kInstallDir);
  const e2e::DriveWatch watch({"C:\\", "Q:\\"});

  {
    Process setup = Process::Start("Q:\\SETUP.EXE", "", "Q:\\");
    Session session(setup);
    e2e::AcceptConsent(session);
    uidrv::Window settings = session.WaitForWindow(e2e::kSetting);
    if (!row.index_box)
      settings.ChildById(kestra::TSettingDlg::IdCheckBox1).SetChecked(false);
    uidrv::Window install = settings.ChildById(kestra::TSettingDlg::IdInstallBtn);
    install.Click();  // to the index and DVD step
    install.Click();  // install
    ASSERT_EQ(session.Answer("Yes"), expected::InstallStartQuestion());
    for (const MessageBoxRecord& expected : row.boxes)
      EXPECT_EQ(session.Answer("OK", row.wait), expected) << session.TranscriptText();
    session.RequireExit(30s);
    std::vector<MessageBoxRecord> shown(session.Transcript().begin() + 1,
                                        session.Transcript().end());
    EXPECT_EQ(shown, row.boxes) << session.TranscriptText();
  }

  const std::vector<std::string> outside = watch.AppearedOutside(places);
  EXPECT_TRUE(outside.empty()) << "written outside the installation's places:\n"
                               << e2e::PathList(outside);
  watch.RemoveAppearedOutside(places);
  row.check(dvd.InstallDir());
}

std::string Registered(HKEY root, const std::string& key, const std::string& name) {
  return kestra::RegKey::Open(root, key, KEY_READ).ReadStringOr(name);
}

bool Installed(const std::string& path) { return kestra::FileExists(path); }

// The sample's application files where the run put them, and nothing else.
void OnlyApplicationFiles(const std::string& app, std::vector<std::string> expected) {
  EXPECT_EQ(e2e::FilesBelow(app), expected);
}

void WholeSampleInstalled(const std::string& app) {
  OnlyApplicationFiles(app, {"KESTRA.EXE", "MANUAL\\利用ガイド.PDF"});
  EXPECT_TRUE(Installed(std::string(e2e::kLibraryFolder) + "NTISRCH.DLL"));
  EXPECT_TRUE(Installed(std::string(e2e::kCommonFolder) + "FoxitReader_AX_Std.ocx"));
}

// The index step failed on the script and went on with the DVD's index.
void IndexLeftOnTheDvd(const std::string& app) {
  WholeSampleInstalled(app);
  EXPECT_FALSE(kestra::FileExists(kIndexRecord));
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
    EXPECT_EQ(Registered(root, kCollectionKey, "Root"), kDvdIndexFallback);
  // Nothing of the script's files was copied (it is checked before the first copy).
  EXPECT_FALSE(kestra::FileExists(std::string(e2e::kDefaultIndexFolder) + "KSCOLL.INF"));
}

// The new record names the path under some key.
bool Records(const std::string& path) {
  return testenv::ReadFile(kInstallRecord).find("=" + path + "\r\n") != std::string::npos;
}

const std::string kMegabyte(1 << 20, 'x');
const std::string k300(300, 'D');

const DvdCase kDvdCases[] = {
    // ---- SETUP.INF: every value reads as missing, which the registry step
    // writes as empty texts; the installation itself is complete.
    {"SetupInfOfBinaryGarbage", [] { Overwrite(kSetupInf, testenv::Garbage(64 * 1024, 7)); }, false,
     {expected::InstallDone()},
     [](const std::string& app) {
       WholeSampleInstalled(app);
       EXPECT_EQ(Registered(HKEY_LOCAL_MACHINE, kProductKey, "Version"), "");
     }},
    {"SetupInfOfGarbageAfterAUnicodeMark",
     [] { Overwrite(kSetupInf, "\xFF\xFE" + testenv::Garbage(64 * 1024, 11)); }, false, {expected::InstallDone()},
     WholeSampleInstalled},
    {"SetupInfWithAMegabyteLine",
     [] {
       Overwrite(kSetupInf, "[Products]\r\nVersion=2.1.0.1\r\nRelease=" + kMegabyte +
                                "\r\n" + kMegabyte + "\r\nDate=2024/04/01\r\n[" + kMegabyte +
                                "]\r\nItem1=Count,1\r\n[Collection]\r\nItem1=Count,1\r\n"
                                "Item2=KSCOLL1,判例集\r\n");
     },
     false, {expected::InstallDone()},
     [](const std::string& app) {
       WholeSampleInstalled(app);
       EXPECT_EQ(Registered(HKEY_LOCAL_MACHINE, kProductKey, "Version"), "2.1.0.1");
       EXPECT_EQ(Registered(HKEY_LOCAL_MACHINE, kProductKey, "Date"), "2024/04/01");
       EXPECT_EQ(Registered(HKEY_LOCAL_MACHINE, kCollectionKey, "KSCOLL1"), "判例集");
     }},
    // "Item1" sets how many items are read: a count no DVD has must not keep
    // the installer reading for ever.
    {"SetupInfClaimingTwoBillionIndexItems",
     [] {
       Overwrite(kSetupInf, "[Products]\r\nVersion=2.1.0.1\r\n[Collection]\r\n"
                            "Item1=Count,2147483647\r\nItem2=KSCOLL1,判例集\r\n");
     },
     false, {expected::InstallDone()},
     [](const std::string& app) {
       WholeSampleInstalled(app);
       EXPECT_EQ(Registered(HKEY_LOCAL_MACHINE, kCollectionKey, "KSCOLL1"), "判例集");
     }},

    // ---- SETUP_F.INI: counts beyond any DVD, negative counts, long values.
    // Groups beyond the four the script holds have no name and no files.
    {"ScriptClaimingTwoBillionGroups", [] { ScriptValue("Groups", "2147483647"); }, false,
     {expected::InstallDone()}, WholeSampleInstalled},
    // The files the script does not hold have no name: the first of them is
    // a copy error, after the viewer that is there.
    {"ScriptClaimingTwoBillionFilesInAGroup",
     [] {
       ScriptValue("Groups", "2147483647");
       ScriptValue("Group1grpFiles", "2147483647");
     },
     false, {expected::CopyFailed()},
     [](const std::string& app) {
       OnlyApplicationFiles(app, {"KESTRA.EXE"});
       EXPECT_TRUE(e2e::FilesBelow(e2e::kLibraryFolder).empty());
     },
     120s},
    // No group: nothing to expand, which counts as success (as does a DVD
    // without a setup script).
    {"ScriptWithNegativeGroupCount", [] { ScriptValue("Groups", "-1"); }, false,
     {expected::InstallDone()}, [](const std::string& app) { OnlyApplicationFiles(app, {}); }},
    // A count of 300 digits is no 32-bit number: it counts as 0, as any count
    // that does not parse.
    {"ScriptGroupCountOf300Digits", [] { ScriptValue("Groups", std::string(300, '9')); }, false,
     {expected::InstallDone()}, [](const std::string& app) { OnlyApplicationFiles(app, {}); }},
    {"ScriptWithNegativeFileCount", [] { ScriptValue("Group1grpFiles", "-5"); }, false,
     {expected::InstallDone()},
     [](const std::string& app) { OnlyApplicationFiles(app, {"MANUAL\\利用ガイド.PDF"}); }},
    {"ScriptGroupNameLongerThan256Bytes", [] { ScriptValue("Group2Name", "MANUAL" + k300); },
     false, {expected::InstallDone()}, WholeSampleInstalled},
    // A folder or file name the file system refuses: a copy error, with what
    // came before in place.
    {"ScriptGroupFolderLongerThan256Bytes",
     [] { ScriptValue("Group2Dir", "<INSTALLDIR>" + k300 + "\\"); }, false, {expected::CopyFailed()},
     [](const std::string& app) { OnlyApplicationFiles(app, {"KESTRA.EXE"}); }},
    {"ScriptGroupFolderOf260BytesInShortSteps",
     [] {
       std::string nested;
       while (nested.size() < 260) nested += "SUB\\";
       ScriptValue("Group2Dir", "<INSTALLDIR>" + nested);
     },
     false, {expected::CopyFailed()},
     [](const std::string& app) { OnlyApplicationFiles(app, {"KESTRA.EXE"}); }},
    {"ScriptFileNameLongerThan256Bytes", [] { ScriptValue("Group2File1", "MANUAL\\" + k300); },
     false, {expected::CopyFailed()},
     [](const std::string& app) { OnlyApplicationFiles(app, {"KESTRA.EXE"}); }},

    // ---- KSINSTALL.INF of an earlier installation, merged into the new one.
    {"EarlierRecordOfBinaryBytes", [] { Overwrite(kInstallRecord, testenv::Garbage(16 * 1024, 17)); },
     false, {expected::InstallDone()},
     [](const std::string& app) {
       WholeSampleInstalled(app);
       EXPECT_TRUE(Records(app + "KESTRA.EXE"));
     }},
    {"EarlierRecordWithoutEqualsAndWith5000BytePaths",
     [] {
       Overwrite(kInstallRecord, "[KESTRA]\r\nC:\\KSOLD\\OLD.EXE\r\nKESTRA001=C:\\KSOLD\\" +
                                     std::string(5000, 'L') + "\r\nDir_KESTRA001=C:\\KSOLD\\" +
                                     std::string(5000, 'F') + "\\\r\n");
     },
     false, {expected::InstallDone()},
     [](const std::string& app) {
       WholeSampleInstalled(app);
       EXPECT_TRUE(Records(app + "KESTRA.EXE"));
       EXPECT_TRUE(Records("C:\\KSOLD\\" + std::string(5000, 'L')));
       EXPECT_TRUE(Records("C:\\KSOLD\\" + std::string(5000, 'F') + "\\"));
     }},

    // ---- SETUP_F.EZP: the archive cannot be read at all.
    {"ArchiveCutInHalf",
     [] {
       const std::string bytes = testenv::ReadFile(kArchive);
       Overwrite(kArchive, bytes.substr(0, bytes.size() / 2));
     },
     false, {expected::CopyFailed()}, [](const std::string& app) { OnlyApplicationFiles(app, {}); }},
    {"ArchiveMissingItsLastByte",
     [] {
       const std::string bytes = testenv::ReadFile(kArchive);
       Overwrite(kArchive, bytes.substr(0, bytes.size() - 1));
     },
     false, {expected::CopyFailed()}, [](const std::string& app) { OnlyApplicationFiles(app, {}); }},
    {"ArchiveOfNoBytes", [] { Overwrite(kArchive, ""); }, false, {expected::CopyFailed()},
     [](const std::string& app) { OnlyApplicationFiles(app, {}); }},
    {"ArchiveThatIsAFolder",
     [] {
       ASSERT_TRUE(::DeleteFileA(kArchive));
       ASSERT_TRUE(kestra::ForceDirectories(std::string(kArchive) + "\\KESTRA.EXE"));
     },
     false, {expected::CopyFailed()}, [](const std::string& app) { OnlyApplicationFiles(app, {}); }},

    // ---- COLLCOPY.INF: the index copy fails with its own message, the
    // installation goes on with the DVD's index.
    {"IndexScriptEntryWithoutComma", [] { IndexScriptWith("CopyFile02=KSCOLL.INF"); }, true,
     {expected::IndexCopyFailed(), expected::InstallDone()}, IndexLeftOnTheDvd},
    {"IndexScriptSourceOf300Bytes",
     [] { IndexScriptWith("CopyFile02=" + k300 + ",$setup\\X.DAT"); }, true,
     {expected::IndexCopyFailed(), expected::InstallDone()}, IndexLeftOnTheDvd},
    {"IndexScriptDestinationOf300Bytes",
     [] { IndexScriptWith("CopyFile02=KSCOLL.INF,$setup\\" + k300); }, true,
     {expected::IndexCopyFailed(), expected::InstallDone()}, IndexLeftOnTheDvd},
    {"IndexScriptFolderOf300Bytes",
     [] {
       Overwrite(kIndexScript, "[COLLECTION]\r\nMakeDir01=$setup\\" + k300 +
                                   "\r\nCopyFile01=KSCOLL.INF,$setup\\KSCOLL.INF\r\n");
     },
     true, {expected::IndexCopyFailed(), expected::InstallDone()}, IndexLeftOnTheDvd},
    // A macro at the very end: the index folder itself is no file to write.
    {"IndexScriptDestinationEndingInAMacro",
     [] { IndexScriptWith("CopyFile02=KSCOLL.INF,$setup"); }, true,
     {expected::IndexCopyFailed(), expected::InstallDone()}, IndexLeftOnTheDvd},
    {"IndexScriptDestinationEndingInTheSystemMacro",
     [] { IndexScriptWith("CopyFile02=KSCOLL.INF,$SYSTEM"); }, true,
     {expected::IndexCopyFailed(), expected::InstallDone()}, IndexLeftOnTheDvd},
    // A macro cut short at the end is no macro: the text would be a name
    // relative to wherever SETUP was started.
    {"IndexScriptDestinationEndingInAShortMacro",
     [] { IndexScriptWith("CopyFile02=KSCOLL.INF,KSCOLL.INF$set"); }, true,
     {expected::IndexCopyFailed(), expected::InstallDone()}, IndexLeftOnTheDvd},
    {"IndexScriptFolderEndingInAShortMacro",
     [] {
       Overwrite(kIndexScript, "[COLLECTION]\r\nMakeDir01=$setup\r\nMakeDir02=KSCOLL1$sys\r\n"
                               "CopyFile01=KSCOLL.INF,$setup\\KSCOLL.INF\r\n");
     },
     true, {expected::IndexCopyFailed(), expected::InstallDone()}, IndexLeftOnTheDvd},
    {"IndexScriptDestinationClimbingOutOfTheIndexFolder",
     [] { IndexScriptWith("CopyFile02=KSCOLL.INF,$setup\\..\\..\\..\\KSCOLL.INF"); }, true,
     {expected::IndexCopyFailed(), expected::InstallDone()}, IndexLeftOnTheDvd},
};

INSTANTIATE_TEST_SUITE_P(Cases, DamagedDvd, ::testing::ValuesIn(kDvdCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A script that claims the bounds: its 20,000 values are read from the one
// reading of the file, in a fraction of a second (it took 5 to 13 s under Wine
// when every value went through the profile API), with the dialog's messages
// taken every hundred values (counted by the reading's unit test). Cancel,
// clicked as the dialog appears, stops the run before any file is expanded.
TEST(DamagedDvdReading, CancelStopsTheRunBeforeAnyFileIsExpanded) {
  e2e::InstalledCopy nothing_installed;
  DvdInDrive dvd(e2e::SampleDvdImage(), kInstallDir);
  ASSERT_TRUE(testenv::CopyFileTo(testenv::SetupVariant(), "Q:\\SETUP.EXE"));
  ScriptValue("Groups", "2147483647");
  ScriptValue("Group1grpFiles", "2147483647");
  const std::vector<std::string> places = e2e::InstallationPlaces(kInstallDir);
  const e2e::DriveWatch watch({"C:\\", "Q:\\"});
  {
    Process setup = Process::Start("Q:\\SETUP.EXE", "", "Q:\\");
    Session session(setup);
    e2e::AcceptConsent(session);
    uidrv::Window settings = session.WaitForWindow(e2e::kSetting);
    settings.ChildById(kestra::TSettingDlg::IdCheckBox1).SetChecked(false);
    uidrv::Window install = settings.ChildById(kestra::TSettingDlg::IdInstallBtn);
    install.Click();
    install.Click();
    ASSERT_EQ(session.Answer("Yes"), expected::InstallStartQuestion());
    session.WaitForWindow("TFileInstDlg").ChildByText("キャンセル", "Button").Click();
    EXPECT_EQ(session.Answer("Yes"), expected::InstallCancelQuestion());
    // The run ends with no file expanded and nothing more to say: not the
    // copy error of the first file the script does not hold.
    session.RequireExit(60s);
    EXPECT_EQ(session.Transcript(),
              (std::vector<MessageBoxRecord>{expected::InstallStartQuestion(),
                                             expected::InstallCancelQuestion()}));
  }
  EXPECT_TRUE(e2e::FilesBelow(kInstallDir).empty());
  EXPECT_TRUE(watch.AppearedOutside(places).empty()) << e2e::PathList(watch.AppearedOutside(places));
  watch.RemoveAppearedOutside(places);
}

// ---------------------------------------------------------------- SETUP.INF at the start

// Before any window: the detection compares the DVD's version with an
// installed copy's. A version that cannot be read counts as 0.0.0.0.
struct StartCase {
  const char* name;
  std::string setup_inf;
  bool asks_upgrade;  // else SETUP ends without a window or a message
};

void PrintTo(const StartCase& row, std::ostream* out) { *out << row.name; }

class DamagedSetupInfAtStart : public ::testing::TestWithParam<StartCase> {};

TEST_P(DamagedSetupInfAtStart, DecidesByTheVersionItCanRead) {
  const StartCase& row = GetParam();
  e2e::InstalledCopy older("1.0.0");
  e2e::PlacedSetup placed(e2e::kDvdRoot);
  Overwrite(kSetupInf, row.setup_inf);
  const e2e::DriveWatch watch({"C:\\", "Q:\\"});
  Process setup = placed.Start();
  Session session(setup);
  if (row.asks_upgrade) {
    EXPECT_EQ(session.Answer("No"), expected::UpgradeQuestion());
    session.RequireExit();
    EXPECT_EQ(session.Transcript(), std::vector<MessageBoxRecord>{expected::UpgradeQuestion()});
  } else {
    EXPECT_EQ(e2e::WindowsSeenUntilExit(session), std::vector<std::string>{});
    EXPECT_EQ(session.Transcript(), std::vector<MessageBoxRecord>{});
  }
  const std::vector<std::string> places = {"C:\\windows\\temp\\"};
  EXPECT_TRUE(watch.AppearedOutside(places).empty())
      << e2e::PathList(watch.AppearedOutside(places));
}

const StartCase kStartCases[] = {
    {"BinaryGarbage", testenv::Garbage(64 * 1024, 7), false},
    {"MegabyteLineBeforeTheVersion",
     "[Products]\r\n" + kMegabyte + "\r\nVersion=1.0.0\r\n", false},
    // A megabyte of digits is read as the largest number: newer than 1.0.0.
    {"MegabyteVersion", "[Products]\r\nVersion=" + std::string(1 << 20, '9') + "\r\n", true},
};

INSTANTIATE_TEST_SUITE_P(Cases, DamagedSetupInfAtStart, ::testing::ValuesIn(kStartCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
