// The uninstaller as Windows starts it: the command line recorded in the
// Windows list of programs (KSUINST.EXE -UNINST in the records folder), driven
// as a user would. What an installation left on the machine is removed, kept,
// logged or reported exactly as the user must see it.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "SetupHarness.h"
#include "UninstallHarness.h"
#include "WineTestEnv.h"
#include "system/FileSys.h"

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
  const std::string record = testenv::ReadFile(std::string(kRecordsFolder) + "KSINSTALL.INF");
  EXPECT_EQ(record.find(installed.shared_file), std::string::npos) << record;
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
