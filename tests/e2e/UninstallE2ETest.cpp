// The uninstaller as Windows starts it: the command line recorded in the
// Windows list of programs (KSUINST.EXE -UNINST in the records folder), driven
// as a user would. What an installation left on the machine is removed, kept,
// logged or reported exactly as the user must see it.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <optional>
#include <thread>

#include "DriveWatch.h"
#include "SetupHarness.h"
#include "UninstallHarness.h"
#include "WineTestEnv.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"

namespace {

using namespace e2e;
using uidrv::MessageBoxRecord;
using uidrv::Process;
using uidrv::Session;
using uidrv::Window;

constexpr char kUninstallButton[] = "ｱﾝｲﾝｽﾄｰﾙ(&U)";
constexpr char kCancelButton[] = "ｷｬﾝｾﾙ";
constexpr char kExplanation[] =
    "上記製品のアンインストールを行います。\r\n"
    "インストールされた「検索用インデックス」も削除する場合は\r\n"
    "「□検索用インデックスも削除する」にチェックしてください。\r\n"
    "(セットアップ時にインストールしなかった場合は、無効になっています。)\r\n"
    "アンインストールを中止する場合は[ｷｬﾝｾﾙ]ボタンを押してください。";

class UninstallRun : public ::testing::Test {
 protected:
  // Starts the recorded uninstaller and waits for its dialog.
  Window StartUninstaller() {
    uninstaller_ = StartRecordedUninstaller();
    session_ = std::make_unique<Session>(uninstaller_);
    return session_->WaitForWindow(kUninstall);
  }
  // Presses the uninstall button and confirms; returns the outcome box.
  MessageBoxRecord ConfirmUninstall(Window dialog) {
    dialog.ChildByText(kUninstallButton, "Button").Click();
    EXPECT_EQ(session_->Answer("Yes"), expected::UninstallStartQuestion());
    MessageBoxRecord outcome = session_->Answer("OK", 60s);
    session_->RequireExit();
    return outcome;
  }

  MachineState machine_;  // cleaned before and after
  Process uninstaller_;
  std::unique_ptr<Session> session_;
};

// ---------------------------------------------------------------- the dialog

TEST_F(UninstallRun, DialogNamesTheProductAndOffersTheIndexOnlyWhenOneWasCopied) {
  const PlantedInstallation installed = PlantInstallation();
  Window dialog = StartUninstaller();
  EXPECT_EQ(dialog.Text(), "アンインストール");
  EXPECT_EQ(dialog.ChildById(100).Text(), "ケストラDVD のアンインストール");
  EXPECT_EQ(dialog.ChildById(101).Text(), kExplanation);
  Window path = dialog.ChildByClass("Edit");
  Window box = dialog.ChildByText("検索用インデックスも削除する", "Button");
  EXPECT_EQ(path.Text(), "");
  EXPECT_FALSE(box.Enabled());
  EXPECT_FALSE(box.Checked());
  EXPECT_TRUE(dialog.ChildByText(kUninstallButton, "Button").Enabled());
  EXPECT_TRUE(dialog.ChildByText(kCancelButton, "Button").Enabled());
  EXPECT_FALSE(dialog.ChildByClass("msctls_progress32").Visible());  // the progress panel
}

TEST_F(UninstallRun, RecordedIndexFolderIsShownAndTheBoxCanBeTicked) {
  const PlantedInstallation installed = PlantInstallation();
  PlantIndex(kIndexFolder);
  Window dialog = StartUninstaller();
  EXPECT_EQ(dialog.ChildByClass("Edit").Text(), kIndexFolder);
  Window box = dialog.ChildByText("検索用インデックスも削除する", "Button");
  EXPECT_TRUE(box.Enabled());
  EXPECT_FALSE(box.Checked());
  box.SetChecked(true);
  EXPECT_TRUE(box.Checked());
}

TEST_F(UninstallRun, AnExceptionInTheRemovalEndsWithOneMessageAndRemovesNothing) {
  const PlantedInstallation installed = PlantInstallation();
  struct Fault {  // inherited by the uninstaller when it starts
    Fault() { ::SetEnvironmentVariableA("KESTRA_TEST_FAULT", "uninstall:io"); }
    ~Fault() { ::SetEnvironmentVariableA("KESTRA_TEST_FAULT", nullptr); }
  };
  Window dialog = [this] {
    Fault fault;
    return StartUninstaller();
  }();
  dialog.ChildByText(kUninstallButton, "Button").Click();
  EXPECT_EQ(session_->Answer("Yes"), expected::UninstallStartQuestion());
  const MessageBoxRecord error = expected::UnexpectedError(
      "ファイルの読み書きに失敗しました: cannot write KSTEST.INI (error 29)");
  EXPECT_EQ(session_->Answer("OK"), error);
  session_->RequireExit();
  EXPECT_EQ(session_->Transcript(), (std::vector<MessageBoxRecord>{expected::UninstallStartQuestion(), error}));
  EXPECT_TRUE(kestra::FileExists(installed.application));
}

TEST_F(UninstallRun, CancelAnsweredNoStaysAndYesClosesWithoutRemovingAnything) {
  const PlantedInstallation installed = PlantInstallation();
  Window dialog = StartUninstaller();
  dialog.ChildByText(kCancelButton, "Button").Click();
  EXPECT_EQ(session_->Answer("No"), expected::UninstallCancelQuestion());
  EXPECT_TRUE(session_->WaitForWindow(kUninstall, 0ms));
  EXPECT_TRUE(uninstaller_.Running());
  dialog.ChildByText(kCancelButton, "Button").Click();
  EXPECT_EQ(session_->Answer("Yes"), expected::UninstallCancelQuestion());
  session_->RequireExit();
  EXPECT_EQ(session_->Transcript(), (std::vector<MessageBoxRecord>{expected::UninstallCancelQuestion(), expected::UninstallCancelQuestion()}));
  EXPECT_TRUE(kestra::FileExists(installed.application));
  EXPECT_EQ(ProgramEntries(), kEntriesPresent);
}

TEST_F(UninstallRun, StartQuestionAnsweredNoKeepsTheDialog) {
  const PlantedInstallation installed = PlantInstallation();
  Window dialog = StartUninstaller();
  dialog.ChildByText(kUninstallButton, "Button").Click();
  EXPECT_EQ(session_->Answer("No"), expected::UninstallStartQuestion());
  EXPECT_TRUE(session_->WaitForWindow(kUninstall, 0ms));
  EXPECT_TRUE(dialog.ChildByText(kUninstallButton, "Button").Enabled());
  EXPECT_TRUE(kestra::FileExists(installed.application));
}

// ---------------------------------------------------------------- the removal

TEST_F(UninstallRun, RemovesTheInstallationItsFoldersAndTheProgramEntries) {
  const PlantedInstallation installed = PlantInstallation();
  Window dialog = StartUninstaller();
  EXPECT_EQ(ConfirmUninstall(dialog), expected::UninstallDone());
  EXPECT_EQ(session_->Transcript(), (std::vector<MessageBoxRecord>{expected::UninstallStartQuestion(), expected::UninstallDone()}));
  for (const std::string& file : installed.files) EXPECT_FALSE(kestra::FileExists(file)) << file;
  EXPECT_FALSE(kestra::DirectoryExists(installed.install_dir));
  EXPECT_TRUE(kestra::FileExists(installed.shared_file));
  EXPECT_EQ(ProgramEntries(), kEntriesGone);
  EXPECT_FALSE(kestra::FileExists(std::string(kRecordsFolder) + "KSUNINST.LOG"));
  // What names no existing file stays: the section header and the folder
  // entries, so that a later installation can merge the record.
  const std::string record = testenv::ReadFile(std::string(kRecordsFolder) + "KSINSTALL.INF");
  EXPECT_EQ(record, "[KESTRA]\r\nDir_KESTRA001=" + installed.install_dir + "\r\nDir_KESTRA002=" +
                        installed.install_dir + "MANUAL\\\r\n");
}

TEST_F(UninstallRun, FileHeldByTheViewerIsLoggedAndASecondRunFinishes) {
  const PlantedInstallation installed = PlantInstallation();
  Window dialog = StartUninstaller();
  // The viewer starts after the uninstaller's own check, holding its program file.
  Process viewer = Process::Start(testenv::TestBinary("KESTRA.EXE"),
                                  "--hold \"" + installed.application + "\"");
  {
    Session viewer_session(viewer);
    viewer_session.WaitForWindow(kViewer);
  }
  EXPECT_EQ(ConfirmUninstall(dialog), expected::UninstallFilesRemain());
  EXPECT_EQ(testenv::ReadFile(std::string(kRecordsFolder) + "KSUNINST.LOG"),
            "DeleteError: " + installed.application + "\r\n");
  EXPECT_TRUE(kestra::FileExists(installed.application));
  EXPECT_EQ(ProgramEntries(), kEntriesPresent);

  viewer.Kill();
  ASSERT_TRUE(viewer.WaitForExit());
  Window again = StartUninstaller();
  EXPECT_EQ(ConfirmUninstall(again), expected::UninstallDone());
  EXPECT_FALSE(kestra::FileExists(installed.application));
  EXPECT_FALSE(kestra::DirectoryExists(installed.install_dir));
  EXPECT_EQ(ProgramEntries(), kEntriesGone);
  EXPECT_FALSE(kestra::FileExists(std::string(kRecordsFolder) + "KSUNINST.LOG"));
}

TEST_F(UninstallRun, WithoutRecordNothingIsTouched) {
  const PlantedInstallation installed = PlantInstallation();
  ASSERT_TRUE(::DeleteFileA((std::string(kRecordsFolder) + "KSINSTALL.INF").c_str()));
  Window dialog = StartUninstaller();
  EXPECT_EQ(ConfirmUninstall(dialog), expected::UninstallRecordsMissing());
  for (const std::string& file : installed.files) EXPECT_TRUE(kestra::FileExists(file)) << file;
  EXPECT_EQ(ProgramEntries(), kEntriesPresent);
  EXPECT_FALSE(kestra::FileExists(std::string(kRecordsFolder) + "KSUNINST.LOG"));
}

TEST_F(UninstallRun, TickedIndexBoxRemovesTheCopiedIndex) {
  const PlantedInstallation installed = PlantInstallation();
  PlantIndex(kIndexFolder);
  testenv::WriteFile(std::string(kIndexFolder) + "KSCOLL1\\parts\\deep\\piece.dat", "x");
  Window dialog = StartUninstaller();
  dialog.ChildByText("検索用インデックスも削除する", "Button").SetChecked(true);
  EXPECT_EQ(ConfirmUninstall(dialog), expected::UninstallDone());
  EXPECT_FALSE(kestra::FileExists(std::string(kIndexFolder) + "KSCOLL.INF"));
  EXPECT_FALSE(kestra::DirectoryExists(std::string(kIndexFolder) + "KSCOLL2"));
  EXPECT_FALSE(kestra::DirectoryExists(std::string(kIndexFolder) + "KSCOLL1\\work"));
  EXPECT_FALSE(kestra::FileExists(std::string(kIndexFolder) + "KSCOLL1\\parts\\deep\\piece.dat"));
  // The second-level folder keeps its parents.
  EXPECT_TRUE(kestra::DirectoryExists(std::string(kIndexFolder) + "KSCOLL1\\parts\\deep"));
  EXPECT_TRUE(kestra::DirectoryExists(kIndexFolder));
  EXPECT_FALSE(kestra::DirectoryExists(installed.install_dir));
}

TEST_F(UninstallRun, UntickedIndexBoxLeavesTheIndex) {
  const PlantedInstallation installed = PlantInstallation();
  PlantIndex(kIndexFolder);
  Window dialog = StartUninstaller();
  EXPECT_EQ(ConfirmUninstall(dialog), expected::UninstallDone());
  EXPECT_TRUE(kestra::FileExists(std::string(kIndexFolder) + "KSCOLL.INF"));
  EXPECT_TRUE(kestra::FileExists(std::string(kIndexFolder) + "KSCOLL1\\work\\work.dat"));
}

// ---------------------------------------------------------------- damaged records

// Lies beside the installation and is named by no record: it must stay.
constexpr char kBystander[] = "C:\\KSBYSTANDER.DAT";

// The planted installation's own record lines.
std::string PlantedLines(const PlantedInstallation& installed) {
  return "[KESTRA]\r\nKESTRA001=" + installed.application + "\r\nKESTRA002=" + installed.files[1] +
         "\r\nKESTRA003=" + installed.shared_file + "\r\n";
}

const std::string kLongName(5000, 'L');

struct RecordCase {
  const char* name;
  // KSINSTALL.INF written over the planted record.
  std::function<std::string(const PlantedInstallation&)> record;
  // KSDOCS.INF (with the index planted in kIndexFolder and the index box
  // ticked), or nothing.
  std::optional<std::string> index_record;
  bool application_removed;  // the recorded files of the application gone, else all kept
  // Lines the rewritten record still holds (named files that do not exist).
  std::vector<std::string> kept_lines = {};
};

void PrintTo(const RecordCase& row, std::ostream* out) { *out << row.name; }

class DamagedRecords : public UninstallRun, public ::testing::WithParamInterface<RecordCase> {};

// The uninstaller deletes every recorded path that exists and
// passes over every line that names none: a record it cannot read names
// nothing, so the run ends as complete (outcome 0) and removes the Windows
// entries, deleting nothing that is not recorded.
TEST_P(DamagedRecords, RemoveOnlyWhatTheyNameAndEndWithTheOutcomeMessage) {
  const RecordCase& row = GetParam();
  const PlantedInstallation installed = PlantInstallation();
  testenv::WriteFile(kBystander, "not recorded");
  testenv::WriteFile(std::string(kRecordsFolder) + "KSINSTALL.INF", row.record(installed));
  if (row.index_record) {
    PlantIndex(kIndexFolder);
    testenv::WriteFile(std::string(kRecordsFolder) + "KSDOCS.INF", *row.index_record);
  }
  const DriveWatch watch({"C:\\"});

  Window dialog = StartUninstaller();
  if (row.index_record)
    dialog.ChildByText("検索用インデックスも削除する", "Button").SetChecked(true);
  EXPECT_EQ(ConfirmUninstall(dialog), expected::UninstallDone());
  EXPECT_EQ(session_->Transcript(), (std::vector<MessageBoxRecord>{expected::UninstallStartQuestion(), expected::UninstallDone()}));
  EXPECT_EQ(ProgramEntries(), kEntriesGone);

  for (const std::string& file : installed.files)
    EXPECT_EQ(kestra::FileExists(file), !row.application_removed) << file;
  EXPECT_TRUE(kestra::FileExists(installed.shared_file));
  EXPECT_TRUE(kestra::FileExists(kBystander));
  if (row.index_record) {
    EXPECT_TRUE(kestra::FileExists(std::string(kIndexFolder) + "KSCOLL.INF"));
    EXPECT_TRUE(kestra::FileExists(std::string(kIndexFolder) + "KSCOLL1\\work\\work.dat"));
  }
  const std::string record = testenv::ReadFile(std::string(kRecordsFolder) + "KSINSTALL.INF");
  for (const std::string& line : row.kept_lines)
    EXPECT_NE(record.find(line + "\r\n"), std::string::npos) << uidrv::ToUtf8(line.substr(0, 80));

  // Only the records folder changes, and only recorded things go.
  const std::vector<std::string> appeared = watch.AppearedOutside({kRecordsFolder});
  EXPECT_TRUE(appeared.empty()) << PathList(appeared);
  const std::vector<std::string> vanished = watch.VanishedOutside({kInstallFolder});
  EXPECT_TRUE(vanished.empty()) << PathList(vanished);
  watch.RemoveAppearedOutside({kRecordsFolder});
  ::DeleteFileA(kBystander);
}

const RecordCase kRecordCases[] = {
    {"RecordOfBinaryBytes", [](const PlantedInstallation&) { return testenv::Garbage(16 * 1024, 3); },
     std::nullopt, false},
    {"RecordBetweenBinaryBytes",
     [](const PlantedInstallation& installed) {
       return testenv::Garbage(4096, 5) + "\r\n" + PlantedLines(installed) + testenv::Garbage(4096, 9);
     },
     std::nullopt, true, {"[KESTRA]"}},
    // A line without "=" is taken whole.
    {"RecordLinesWithoutEquals",
     [](const PlantedInstallation& installed) {
       return "[KESTRA]\r\n" + installed.application + "\r\n" + installed.files[1] +
              "\r\nno path at all\r\n" + installed.shared_file + "\r\n\x1A";
     },
     std::nullopt, true, {"[KESTRA]", "no path at all"}},
    // Paths the file system refuses name no existing file: kept, not an error.
    {"RecordPathsOf5000Bytes",
     [](const PlantedInstallation& installed) {
       return PlantedLines(installed) + "KESTRA004=" + std::string(kInstallFolder) + kLongName +
              "\r\nKESTRA005=" + std::string(kInstallFolder) + std::string(240, 'P') +
              ".TXT\r\nKESTRA006=" + installed.application + "\\" + kLongName + "\r\n" +
              std::string(kInstallFolder) + kLongName + "\r\n";
     },
     std::nullopt, true,
     {"[KESTRA]", "KESTRA004=" + std::string(kInstallFolder) + kLongName,
      "KESTRA005=" + std::string(kInstallFolder) + std::string(240, 'P') + ".TXT",
      std::string(kInstallFolder) + kLongName}},
    // KSDOCS.INF names no index folder: the index stays, nothing is deleted
    // in the file's place.
    {"IndexRecordNamingAFile", PlantedLines,
     "[KESTRA]\r\nDOCS=" + std::string(kBystander) + "\r\n", true},
    {"IndexRecordNamingAFileInTheIndexFolder", PlantedLines,
     "[KESTRA]\r\nDOCS=" + std::string(kIndexFolder) + "KSCOLL.INF\r\n", true},
    {"IndexRecordPathOf300Bytes", PlantedLines,
     "[KESTRA]\r\nDOCS=" + std::string(kIndexFolder) + std::string(300, 'I') + "\\\r\n", true},
    {"IndexRecordPathOf5000Bytes", PlantedLines,
     "[KESTRA]\r\nDOCS=" + std::string(kIndexFolder) + kLongName + "\\\r\n", true},
    {"IndexRecordOfBinaryBytes", PlantedLines, testenv::Garbage(4096, 13), true},
    // A tab in a long path: shown as it is, Wine's path ellipsis of the
    // progress label failed an assertion and ended the uninstaller.
    {"RecordPathWithATab",
     [](const PlantedInstallation& installed) {
       return PlantedLines(installed) + "KESTRA004=C:\\KESTRA\\" + std::string(54, 'a') + "\t" +
              std::string(220, 'b') + "\r\n";
     },
     std::nullopt, true},
};

INSTANTIATE_TEST_SUITE_P(Cases, DamagedRecords, ::testing::ValuesIn(kRecordCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- it is SETUP

TEST_F(UninstallRun, TheUninstallerIsSetupAndKeepsOtherSetupsOut) {
  const PlantedInstallation installed = PlantInstallation();
  StartUninstaller();
  EXPECT_TRUE(SetupMutexHeld());
  // A second uninstaller, and the same program started for an installation,
  // both end at once without a window or a message.
  {
    Process second = StartRecordedUninstaller();
    Session second_session(second);
    EXPECT_TRUE(WindowsSeenUntilExit(second_session, 10s).empty());
    EXPECT_TRUE(second_session.Transcript().empty());
  }
  {
    Process install = Process::Start(std::string(kRecordsFolder) + "KSUINST.EXE", "-TRY");
    Session install_session(install);
    EXPECT_TRUE(WindowsSeenUntilExit(install_session, 10s).empty());
    EXPECT_TRUE(install_session.Transcript().empty());
  }
  EXPECT_TRUE(session_->WaitForWindow(kUninstall, 0ms));
  Window dialog = session_->WaitForWindow(kUninstall);
  dialog.ChildByText(kCancelButton, "Button").Click();
  session_->Answer("Yes");
  session_->RequireExit();
  EXPECT_FALSE(SetupMutexHeld());
}

}  // namespace
