// SETUP run as deployment systems run it: without a desktop user at the PC,
// from a folder copy of the DVD, with an answer file, a log and an exit code.
// No window may appear in a -VERYSILENT run (the watch below sees every
// visible window of the process, off screen or not); a -SILENT run shows only
// its progress. Each run's registry values, files, shortcuts and log are
// checked, and so is its exit code against the documented table.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <thread>

#include "DriveWatch.h"
#include "InstallDvd.h"
#include "RunRecords.h"
#include "SetupHarness.h"
#include "ShellPlaces.h"
#include "WineTestEnv.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Registry.h"
#include "system/TextCodec.h"
#include "wizard/Setting.h"

namespace {

using namespace e2e;
using kestra::RegKey;
using testenv::ScopedWindowsVersion;
using testenv::WinVersion;
using uidrv::MessageBoxRecord;
using uidrv::Process;
using uidrv::Session;

// Written out here, not taken from SETUP's sources.
constexpr char kInstallDir[] = "C:\\Program Files\\KESTRA\\";
constexpr char kProductKey[] = "SOFTWARE\\ZEL\\ケストラDVD";
constexpr char kCollectionKey[] = "SOFTWARE\\ZEL\\ケストラDVD\\Collection";
constexpr char kServiceKey[] = "SOFTWARE\\ZEL\\ケストラDVD\\Service";
constexpr char kUninstallKey[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\ケストラDVD";
constexpr char kAppPathsKey[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\App Paths\\KESTRA.EXE";
constexpr char kRecords[] = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\";
// The folder copy a deployment system caches the DVD in, on the local disk.
constexpr char kDvdCopy[] = "C:\\kestra_e2e\\dvdcopy";
const std::string kWork = "C:\\kestra_e2e\\unattended\\";
const std::string kLog = kWork + "setup.log";
const std::string kAnswers = kWork + "setup.inf";
// The DVD images offered on the office's server.
constexpr char kUncDvd[] = "\\\\kestrasrv\\other\\KSDVD\\";

constexpr int kDvdCount = 23;

std::string ReadText(HKEY root, const std::string& key, const std::string& name) {
  return RegKey::Open(root, key, KEY_READ).ReadStringOr(name);
}

DWORD ReadNumber(HKEY root, const std::string& key, const std::string& name) {
  DWORD value = 0, size = sizeof value, type = 0;
  RegKey opened = RegKey::Open(root, key, KEY_READ);
  if (!opened || ::RegQueryValueExA(opened.get(), name.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return 0xFFFFFFFF;
  return value;
}

std::string AnswerFile(const std::string& index_dir, const std::string& dvd_folder,
                       const std::string& extra = "") {
  std::string text = "[Setup]\r\nInstallIndex=1\r\nIndexDir=" + index_dir + "\r\n";
  for (int n = 1; n <= kDvdCount; ++n)
    text += "DVDPath" + std::to_string(n) + "=" + dvd_folder + "\r\n";
  return text + extra;
}

bool SameAsSource(const std::string& installed, const std::string& source) {
  return kestra::FileExists(installed) &&
         testenv::ReadFile(installed) == testenv::ReadFile(SampleProductFile(source));
}

// Each test starts on a machine without the product and puts back what a run changes.
class Unattended : public ::testing::Test {
 protected:
  void SetUp() override {
    testenv::ResetFolder(kWork);
    testenv::RemoveProductShortcuts();
  }
  void TearDown() override {
    testenv::RemoveProductShortcuts();
    testenv::ResetFolder(kWork);
    testenv::ResetFolder(kUncDvd);
    ::RemoveDirectoryA(kUncDvd);
  }

  // SETUP from the folder copy with these arguments; its exit code.
  DWORD RunFromCopy(const std::string& args, std::vector<std::string>* windows = nullptr) {
    Process setup = Process::Start(std::string(kDvdCopy) + "\\SETUP.EXE", args, kDvdCopy);
    const std::vector<std::string> seen = VisibleWindowsUntilExit(setup);
    if (windows) *windows = seen;
    return setup.ExitCode();
  }

  InstalledCopy nothing_;
};

// The run of the README's example: once on every PC, from a cached copy of the
// DVD, the index and every DVD on the office's server.
TEST_F(Unattended, VerySilentFromAFolderCopyWithTheIndexAndTheDvdsOnAShare) {
  ScopedWindowsVersion win10(WinVersion::Win10, {"SETUP.EXE", "KSUINST.EXE"});
  DvdInDrive dvd(SampleDvdImage(), kInstallDir, kDvdCopy);
  // As Notepad saves it: UTF-8 with its mark (the text itself is ASCII).
  testenv::WriteFile(kAnswers, "\xEF\xBB\xBF" + AnswerFile(kUncIndexFolder, kUncDvd));
  ASSERT_TRUE(kestra::ForceDirectories(kUncDvd));

  std::vector<std::string> windows;
  EXPECT_EQ(RunFromCopy("-VERYSILENT -LOADINF=\"" + kAnswers + "\" -LOG=\"" + kLog + "\"", &windows),
            0u);
  EXPECT_TRUE(windows.empty()) << "a window appeared: " << windows.front();

  // The files, the index on the share, the shortcuts.
  EXPECT_TRUE(SameAsSource(std::string(kInstallDir) + "KESTRA.EXE", "KESTRA.EXE"));
  EXPECT_TRUE(SameAsSource(std::string(kLibraryFolder) + "NTISRCH.DLL", "LIB\\NTISRCH.DLL"));
  EXPECT_TRUE(SameAsSource(std::string(kCommonFolder) + "FoxitReader_AX_Std.ocx",
                           "COM\\FoxitReader_AX_Std.ocx"));
  EXPECT_EQ(FilesBelow(kUncIndexFolder), FilesBelow(SampleProductFile("docs")));
  EXPECT_EQ(testenv::ReadFile(std::string(kRecords) + "KSDOCS.INF"),
            std::string("[KESTRA]\r\nDOCS=") + kUncIndexFolder + "\r\n");
  EXPECT_TRUE(kestra::FileExists(testenv::DesktopFolder() + "ケストラDVD.LNK"));
  EXPECT_TRUE(kestra::FileExists(testenv::CommonProgramsFolder() + "ケストラ\\ケストラDVD.LNK"));

  // The registry as the settings page would have left it with those choices.
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    EXPECT_EQ(ReadText(root, kCollectionKey, "Root"), kUncIndexFolder);
    for (int n = 1; n <= kDvdCount; ++n)
      EXPECT_EQ(ReadText(root, kServiceKey, "DVDPath" + std::to_string(n)), kUncDvd) << n;
    EXPECT_EQ(ReadText(root, kServiceKey, "InstallDrive"), std::string(kDvdCopy) + "\\");
  }
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kProductKey, "PDFViewer"), "FOXIT");
  // What deployment and inventory tools read from the list of programs.
  const std::string uninstaller = std::string("\"") + kRecords + "KSUINST.EXE\"";
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), uninstaller + " -UNINST");
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString"),
            uninstaller + " -UNINST -VERYSILENT");
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"), kInstallDir);
  EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, kUninstallKey, "NoModify"), 1u);
  EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, kUninstallKey, "NoRepair"), 1u);
  // The recorded files: the viewer, its guide and the shortcuts, rounded up to KB.
  long long bytes = 0;
  for (const std::string& file : RecordValues("KESTRA")) bytes += kestra::FileSize(file);
  EXPECT_GT(bytes, 0);
  EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize"),
            static_cast<DWORD>((bytes + 1023) / 1024));

  // The log: the run's facts, each setting with its origin, every change, the end.
  const std::vector<std::string> log = LogEvents(kLog);
  ASSERT_FALSE(log.empty());
  EXPECT_TRUE(log.front().rfind("Command line: ", 0) == 0) << log.front();
  EXPECT_TRUE(HasEventStarting(log, "Windows: Windows NT 10.0 build "));
  EXPECT_TRUE(HasEventStarting(log, "Account: "));
  EXPECT_TRUE(HasEvent(log, "Check: viewer running: no"));
  EXPECT_TRUE(HasEvent(log, "Check: administrator: yes"));
  EXPECT_TRUE(HasEvent(log, "Run: install, run mode 1"));
  EXPECT_TRUE(HasEvent(log, "Setting: AppDir=C:\\Program Files\\KESTRA\\ (proposed)"));
  EXPECT_TRUE(HasEvent(log, std::string("Setting: IndexDir=") + kUncIndexFolder + " (answer file)"));
  EXPECT_TRUE(HasEvent(log, std::string("Setting: DVDPath23=") + kUncDvd + " (answer file)"));
  EXPECT_TRUE(HasEvent(log, "Folder created: C:\\Program Files\\KESTRA\\MANUAL\\"));
  EXPECT_TRUE(HasEvent(log, "Expanded: C:\\Program Files\\KESTRA\\KESTRA.EXE (" +
                                std::to_string(kestra::FileSize(std::string(kInstallDir) + "KESTRA.EXE")) +
                                " bytes)"));
  EXPECT_TRUE(HasEvent(log, std::string("Index: copied to ") + kUncIndexFolder));
  EXPECT_TRUE(HasEventStarting(log, std::string("Copied: ") + kUncIndexFolder + "KSCOLL1\\"));
  EXPECT_TRUE(HasEventStarting(log, "Shortcut created: " + testenv::DesktopFolder()));
  EXPECT_TRUE(HasEvent(log, std::string("Registry value written: HKEY_LOCAL_MACHINE\\") +
                                kCollectionKey + "\\Root = " + kUncIndexFolder));
  EXPECT_TRUE(HasEventStarting(log, "Copied: C:\\Program Files\\ZEL\\Common Files\\SyncFiles\\"));
  EXPECT_TRUE(HasEventStarting(log, "Started: \"C:\\windows\\system32\\REGSVR32.EXE\" /S "));
  EXPECT_TRUE(HasEvent(log, "Message [完了] インストールが完了しました。 -> OK (answered for the user)"));
  EXPECT_EQ(log.back(), "Exit code 0");

  // Removed again through the list of programs' quiet uninstall string.
  const std::string quiet = ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString");
  const std::string uninstall_log = kWork + "uninstall.log";
  Process uninstall = Process::Start(std::string(kRecords) + "KSUINST.EXE",
                                     quiet.substr(uninstaller.size() + 1) + " -LOG=\"" +
                                         uninstall_log + "\"");
  EXPECT_TRUE(VisibleWindowsUntilExit(uninstall).empty());
  EXPECT_EQ(uninstall.ExitCode(), 0u);
  EXPECT_FALSE(kestra::FileExists(std::string(kInstallDir) + "KESTRA.EXE"));
  EXPECT_FALSE(kestra::FileExists(testenv::DesktopFolder() + "ケストラDVD.LNK"));
  EXPECT_FALSE(RegKey::Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_READ));
  EXPECT_FALSE(RegKey::Open(HKEY_LOCAL_MACHINE, kAppPathsKey, KEY_READ));
  // The index stays without -REMOVEINDEX.
  EXPECT_EQ(FilesBelow(kUncIndexFolder), FilesBelow(SampleProductFile("docs")));
  const std::vector<std::string> removal = LogEvents(uninstall_log);
  EXPECT_TRUE(HasEvent(removal, "Run: uninstall, run mode 0"));
  EXPECT_TRUE(HasEvent(removal, "Deleted: C:\\Program Files\\KESTRA\\KESTRA.EXE"));
  EXPECT_TRUE(HasEventStarting(removal, "Registry key deleted: "));
  EXPECT_TRUE(HasEvent(removal, "Message [アンインストール] アンインストールが完了しました。 -> OK "
                                "(answered for the user)"));
  EXPECT_EQ(removal.back(), "Exit code 0");
}

// -SILENT: no wizard, no question; the install dialog is the one window.
TEST_F(Unattended, SilentShowsOnlyTheInstallDialog) {
  DvdInDrive dvd(SampleDvdImage(), kInstallDir, kDvdCopy);
  std::vector<std::string> windows;
  EXPECT_EQ(RunFromCopy("-SILENT", &windows), 0u);
  EXPECT_EQ(windows, std::vector<std::string>{"TFileInstDlg"});
  EXPECT_TRUE(SameAsSource(std::string(kInstallDir) + "KESTRA.EXE", "KESTRA.EXE"));
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kCollectionKey, "Root"), kDefaultIndexFolder);
  // The uninstaller shows its progress alone, and removes the index when told.
  Process uninstall = Process::Start(std::string(kRecords) + "KSUINST.EXE",
                                     "-UNINST -SILENT -REMOVEINDEX");
  EXPECT_EQ(VisibleWindowsUntilExit(uninstall), std::vector<std::string>{"TUnInstDlg"});
  EXPECT_EQ(uninstall.ExitCode(), 0u);
  EXPECT_FALSE(kestra::FileExists(std::string(kDefaultIndexFolder) + "KSCOLL.INF"));
  EXPECT_FALSE(RegKey::Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_READ));
}

// Once at one PC through the wizard with -SAVEINF, then -LOADINF on a fresh machine.
TEST_F(Unattended, SavedAnswersReproduceTheRegistryOnAFreshMachine) {
  const std::string app_dir = "C:\\kestra_e2e\\unattended\\apps\\KESTRA\\";
  std::map<std::string, std::string> interactive;
  {
    DvdInDrive dvd(SampleDvdImage(), app_dir, kDvdCopy);
    Process setup = Process::Start(std::string(kDvdCopy) + "\\SETUP.EXE",
                                   "-SAVEINF=\"" + kAnswers + "\"", kDvdCopy);
    Session session(setup);
    AcceptConsent(session);
    uidrv::Window page = session.WaitForWindow(kSetting);
    page.ChildById(kestra::TSettingDlg::IdAppPathEdit).Type(app_dir);
    page.ChildById(kestra::TSettingDlg::IdCheckBox1).SetChecked(false);
    uidrv::Window next = page.ChildById(kestra::TSettingDlg::IdInstallBtn);
    next.Click();
    next.Click();
    ASSERT_EQ(session.Answer("Yes"), expected::InstallStartQuestion());
    EXPECT_EQ(session.Answer("OK", 90s), expected::InstallDone());
    session.RequireExit();
    EXPECT_EQ(setup.ExitCode(), 0u);
    interactive = ProductValues();
  }
  // What was chosen, in UTF-8 with its mark.
  const std::string saved = testenv::ReadFile(kAnswers);
  ASSERT_EQ(saved.substr(0, 3), "\xEF\xBB\xBF");
  const std::string text = kestra::Utf8ToCp932(saved.substr(3)).value_or("");
  EXPECT_EQ(text.substr(0, text.find("DVDPath1=")),
            "[Setup]\r\nAppDir=" + app_dir + "\r\nInstallIndex=0\r\nIndexDir=" +
                std::string(kDvdCopy) + "\\DOCS\\\r\n");
  EXPECT_NE(text.find("\r\nDVDPath23=C:\\\r\nIndexOverwrite=1\r\n"), std::string::npos) << text;

  // A fresh machine: nothing of the first installation left.
  RemoveInstallationRecords();
  ASSERT_TRUE(ProductValues().empty());
  DvdInDrive dvd(SampleDvdImage(), app_dir, kDvdCopy);
  EXPECT_EQ(RunFromCopy("-VERYSILENT -LOADINF=\"" + kAnswers + "\""), 0u);
  EXPECT_EQ(ProductValues(), interactive);
}

// ---------------------------------------------------------------- exit codes

struct ExitCase {
  const char* name;
  std::optional<std::string> installed;  // the version of an installed copy
  std::optional<std::string> dvd;        // the DVD's version; none: no SETUP.INF
  const char* args;
  bool viewer = false;        // the viewer runs
  bool without_rights = false;
  DWORD exit_code;
  const char* last_message;   // the message the log shows last, "" for none
};

void PrintTo(const ExitCase& row, std::ostream* out) { *out << row.name; }

class ExitCodes : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ExitCodes, AreTheDocumentedOnesAndNoWindowAppears) {
  const ExitCase& row = GetParam();
  InstalledCopy installed = row.installed ? InstalledCopy(*row.installed) : InstalledCopy();
  testenv::ResetFolder(kWork);
  PlacedSetup placed(kDvdRoot, row.dvd);
  Process viewer;
  if (row.viewer) viewer = StartViewer();
  const std::string args = std::string(row.args) + " -LOG=\"" + kLog + "\"";
  Process setup = row.without_rights ? placed.StartWithoutAdminRights(args) : placed.Start(args);
  EXPECT_TRUE(VisibleWindowsUntilExit(setup).empty());
  EXPECT_EQ(setup.ExitCode(), row.exit_code);
  const std::vector<std::string> log = LogEvents(kLog);
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log.back(), "Exit code " + std::to_string(row.exit_code));
  if (*row.last_message) {
    EXPECT_EQ(log[log.size() - 2].rfind(std::string("Message [") + row.last_message, 0), 0u)
        << log[log.size() - 2];
  }
  testenv::ResetFolder(kWork);
}

const ExitCase kExitCases[] = {
    {"SameVersionInstalledIsNothingToDo", "2.0.0", "2.0.0", "-VERYSILENT", false, false, 1638, ""},
    {"NewerVersionInstalledIsNothingToDo", "3.0.0", "2.0.0", "-VERYSILENT", false, false, 1638, ""},
    {"NoSetupInformationIsAFailure", std::nullopt, std::nullopt, "-VERYSILENT", false, false, 1603,
     ""},
    {"ViewerRunningIsRetryLater", std::nullopt, "2.0.0", "-VERYSILENT", true, false, 1618, "警告]"},
    {"NoRightsIsAccessDenied", std::nullopt, "2.0.0", "-VERYSILENT", false, true, 5, "ユーザエラー]"},
    {"UninstallWithoutRightsToo", std::nullopt, "2.0.0", "-UNINST -VERYSILENT", false, true, 5,
     "ユーザエラー]"},
    {"UninstallWithoutRecordsIsAFailure", std::nullopt, "2.0.0", "-UNINST -VERYSILENT", false,
     false, 1603, "アンインストール] 設定ファイルが見つかりません。"},
    {"UnknownOptionIsABadCommandLine", std::nullopt, "2.0.0", "-VERYSILENT -NOSUCH", false, false,
     1639, "セットアップ・エラー] コマンドラインのオプション"},
    {"AnAnswerFileOptionWithoutItsFile", std::nullopt, "2.0.0", "-SILENT -LOADINF", false, false,
     1639, "セットアップ・エラー] コマンドラインのオプション"},
    {"MissingAnswerFileIsAFailure", std::nullopt, "2.0.0",
     "-VERYSILENT -LOADINF=C:\\kestra_e2e\\unattended\\none.inf", false, false, 1603,
     "セットアップ・エラー] 応答ファイルを使用できません。"},
};

INSTANTIATE_TEST_SUITE_P(Rows, ExitCodes, ::testing::ValuesIn(kExitCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Runs with the wizard return the same codes as the user's answers give them.
TEST(ExitCodesWithTheWizard, FollowTheUsersAnswers) {
  {
    InstalledCopy older("1.0.0");
    PlacedSetup placed(kDvdRoot, "2.0.0");
    Process setup = placed.Start();
    Session session(setup);
    EXPECT_EQ(session.Answer("No"), expected::UpgradeQuestion());
    session.RequireExit();
    EXPECT_EQ(setup.ExitCode(), 1602u) << "the upgrade declined";
  }
  {
    InstalledCopy nothing;
    PlacedSetup placed(kDvdRoot, "2.0.0");
    Process setup = placed.Start();
    Session session(setup);
    session.WaitForWindow(kConsent).ChildByText("キャンセル", "Button").Click();
    session.WaitForWindow(kAbortMsg).ChildByText("中止(&X)", "Button").Click();
    session.RequireExit();
    EXPECT_EQ(setup.ExitCode(), 1602u) << "the agreement declined";
  }
  {
    InstalledCopy nothing;
    PlacedSetup placed(kDvdRoot, "2.0.0");
    Process setup = placed.StartWithoutAdminRights();
    Session session(setup);
    EXPECT_EQ(session.Answer("OK"), expected::NoRightsInstall());
    session.RequireExit();
    EXPECT_EQ(setup.ExitCode(), 5u);
  }
  {
    PlacedSetup placed(kDvdRoot, "2.0.0");
    Process setup = placed.Start("-HELP");
    Session session(setup);
    EXPECT_EQ(session.Answer("OK"), expected::Help());
    session.RequireExit();
    EXPECT_EQ(setup.ExitCode(), 0u);
    EXPECT_EQ(session.Transcript(), std::vector<MessageBoxRecord>{expected::Help()});
  }
}

// A deployment pushed twice to one PC: the second SETUP gives way.
TEST_F(Unattended, ASecondSetupDuringASilentRunEndsWithRetryLater) {
  DvdInDrive dvd(ManyFilesDvdImage(), kInstallDir, kDvdCopy);
  Process first = Process::Start(std::string(kDvdCopy) + "\\SETUP.EXE", "-SILENT", kDvdCopy);
  Session first_session(first);
  first_session.WaitForWindow("TFileInstDlg");
  const std::string second_log = kWork + "second.log";
  Process second = Process::Start(std::string(kDvdCopy) + "\\SETUP.EXE",
                                  "-VERYSILENT -LOG=\"" + second_log + "\"", kDvdCopy);
  EXPECT_TRUE(VisibleWindowsUntilExit(second, 30s).empty());
  EXPECT_EQ(second.ExitCode(), 1618u);
  EXPECT_TRUE(first.Running()) << "the first run was to go on";
  const std::vector<std::string> log = LogEvents(second_log);
  EXPECT_TRUE(HasEvent(log, "Another SETUP is running"));
  EXPECT_EQ(log.back(), "Exit code 1618");
  first_session.RequireExit(120s);
  EXPECT_EQ(first.ExitCode(), 0u);
}

// A file another program holds cannot be asked about: the run ends with
// "retry later", and the log names the file.
TEST_F(Unattended, AFileInUseEndsAVerySilentRunWithRetryLater) {
  DvdInDrive dvd(SampleDvdImage(), kInstallDir, kDvdCopy);
  const std::string library = std::string(kLibraryFolder) + "NTISRCH.DLL";
  testenv::WriteFile(library, "earlier copy");
  {
    const kestra::FileHandle held(::CreateFileA(library.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                nullptr));
    ASSERT_TRUE(held);
    std::vector<std::string> windows;
    EXPECT_EQ(RunFromCopy("-VERYSILENT -LOG=\"" + kLog + "\"", &windows), 1618u);
    EXPECT_TRUE(windows.empty());
  }
  EXPECT_EQ(testenv::ReadFile(library), "earlier copy");
  const std::vector<std::string> log = LogEvents(kLog);
  EXPECT_TRUE(HasEvent(log, "Not expanded: " + library + " (held by another program)"));
  EXPECT_TRUE(HasEventStarting(log, "Message [ファイル使用中] 次のファイルは他のプログラムが使用中のため"
                                    "置き換えられません。 /  / " + library));
  EXPECT_EQ(log.back(), "Exit code 1618");
}

// ---------------------------------------------------------------- bad answer files

struct AnswerCase {
  const char* name;
  std::string content;  // the answer file's bytes
  std::string reason;   // what the log's message names
};

void PrintTo(const AnswerCase& row, std::ostream* out) { *out << row.name; }

class BadAnswers : public Unattended, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(BadAnswers, EndTheRunBeforeAnythingIsWrittenAndSayWhy) {
  const AnswerCase& row = GetParam();
  DvdInDrive dvd(SampleDvdImage(), kInstallDir, kDvdCopy);
  testenv::WriteFile(kAnswers, row.content);
  DriveWatch watch({"C:\\"});
  EXPECT_EQ(RunFromCopy("-VERYSILENT -LOADINF=\"" + kAnswers + "\" -LOG=\"" + kLog + "\""), 1603u);
  // Nothing outside the log's folder.
  const std::vector<std::string> appeared = watch.AppearedOutside({kWork});
  EXPECT_TRUE(appeared.empty()) << PathList(appeared);
  EXPECT_TRUE(ProductValues().empty());
  watch.RemoveAppearedOutside({kWork});
  const std::vector<std::string> log = LogEvents(kLog);
  ASSERT_GE(log.size(), 2u);
  EXPECT_NE(log[log.size() - 2].find(row.reason), std::string::npos)
      << uidrv::ToUtf8(log[log.size() - 2]);
  EXPECT_EQ(log.back(), "Exit code 1603");
}

const AnswerCase kAnswerCases[] = {
    {"Garbage", testenv::Garbage(2000, 7), "応答ファイル"},
    {"NoSetupSection", "[Other]\r\nAppDir=C:\\X\\\r\n", "[Setup] セクションがありません"},
    {"MisspeltKey", "[Setup]\r\nIndexDirectory=C:\\X\\\r\n", "IndexDirectory: 不明なキーです。"},
    {"FlagThatIsNoFlag", "[Setup]\r\nInstallIndex=yes\r\n", "1 または 0 を指定してください。"},
    {"ApplicationOnAMissingDrive", "[Setup]\r\nAppDir=J:\\Apps\r\n",
     "AppDir=J:\\Apps\\KESTRA\\: ドライブが準備できていません。"},
    {"ApplicationFolderNotWhole", "[Setup]\r\nAppDir=Apps\r\n",
     "AppDir=Apps\\KESTRA\\: 完全なパスを指定してください。"},
    {"ApplicationFolderOf5000Bytes", "[Setup]\r\nAppDir=C:\\" + std::string(4997, 'A') + "\r\n",
     "パスが長すぎます (259 バイトまで)。"},
    {"IndexOnAShareThatIsNotThere", "[Setup]\r\nIndexDir=\\\\kestrasrv\\nosuch\\KIDX\\\r\n",
     "IndexDir=\\\\kestrasrv\\nosuch\\KIDX\\: ドライブまたは共有フォルダに接続できません。"},
    {"DvdOnAMissingDrive", "[Setup]\r\nDVDPath3=J:\\\r\n",
     "DVDPath3=J:\\: ドライブまたは共有フォルダがありません。"},
    {"DvdFolderNotWhole", "[Setup]\r\nDVDPath1=DVD1\r\n",
     "DVDPath1=DVD1\\: 完全なパスを指定してください。"},
};

INSTANTIATE_TEST_SUITE_P(Rows, BadAnswers, ::testing::ValuesIn(kAnswerCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- older Windows

// The branches of Windows XP and 98 without the wizard: the folder defaults
// before Vista, the user's Start menu and AUTOEXEC.BAT on 98.
TEST_F(Unattended, VerySilentOnWindowsXpAnd98TakesTheirOwnDefaults) {
  for (WinVersion version : {WinVersion::WinXP, WinVersion::Win98}) {
    SCOPED_TRACE(testenv::WineVersionName(version));
    ScopedWindowsVersion windows(version, {"SETUP.EXE"});
    ::DeleteFileA("C:\\AUTOEXEC.BAT");
    ::DeleteFileA("C:\\AUTOEXEC.000");
    {
      DvdInDrive dvd(SampleDvdImage(), kInstallDir, kDvdCopy);
      std::vector<std::string> seen;
      EXPECT_EQ(RunFromCopy("-VERYSILENT -LOG=\"" + kLog + "\"", &seen), 0u);
      EXPECT_TRUE(seen.empty());
      // Before Vista the index lies in the application folder.
      const std::string index = std::string(kInstallDir) + "DOCS\\";
      EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kCollectionKey, "Root"), index);
      EXPECT_TRUE(kestra::FileExists(index + "KSCOLL.INF"));
      const bool nt = version == WinVersion::WinXP;
      const std::string menu = nt ? testenv::CommonProgramsFolder() : testenv::UserProgramsFolder();
      EXPECT_TRUE(kestra::FileExists(menu + "ケストラ\\ケストラDVD.LNK"));
      EXPECT_EQ(kestra::FileExists("C:\\AUTOEXEC.BAT"), !nt);
      if (!nt) {
        EXPECT_NE(testenv::ReadFile("C:\\AUTOEXEC.BAT").find("PATH=%PATH%;C:\\ZEL\\LIB\\_NTI31\\BIN\\;"),
                  std::string::npos);
      }
      EXPECT_EQ(LogEvents(kLog).back(), "Exit code 0");
      testenv::RemoveProductShortcuts();
    }
    ::DeleteFileA("C:\\AUTOEXEC.BAT");
    ::DeleteFileA("C:\\AUTOEXEC.000");
  }
}

}  // namespace
