// Every message of SETUP in a run without windows: no box appears, the answer
// taken for the user and the exit code the run then ends with are the ones
// administrators are told of (written out here, independently of SETUP's own
// catalogue), and the message goes to the run's log with its answer.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <map>
#include <set>
#include <thread>

#include "WineTestEnv.h"
#include "system/ExitCodes.h"
#include "system/MessageCatalogue.h"
#include "system/RunLog.h"
#include "ui/Application.h"

namespace {

using kestra::Application;
using kestra::Msg;

struct Silent {
  int answer;     // the button taken for the user
  int exit_code;  // the code the run ends with afterwards (0: none)
};

// The table of the administrators' section of the README.
const std::map<Msg, Silent> kSilent = {
    {Msg::ViewerRunningInstall, {IDOK, 1618}},
    {Msg::ViewerRunningUninstall, {IDOK, 1618}},
    {Msg::NoRightsInstall, {IDOK, 5}},
    {Msg::NoRightsUninstall, {IDOK, 5}},
    {Msg::WrongDrive, {IDOK, 1603}},
    {Msg::DriveInvalid, {IDOK, 1603}},
    {Msg::UpgradeQuestion, {IDYES, 0}},
    {Msg::SearchPathFailed, {IDOK, 1603}},
    {Msg::InstallDone, {IDOK, 0}},
    {Msg::UpgradeDone, {IDOK, 0}},
    {Msg::UnexpectedError, {IDOK, 1603}},
    {Msg::BadPath, {IDOK, 0}},
    {Msg::InstallStartQuestion, {IDYES, 0}},
    {Msg::DriveMissing, {IDOK, 0}},
    {Msg::CreateFolderQuestion, {IDYES, 0}},
    {Msg::InstallCancelQuestion, {IDNO, 0}},
    {Msg::NetworkIndexQuestion, {IDYES, 0}},  // IndexOverwrite, 1 unless the answer file says 0
    {Msg::IndexCopyFailed, {IDOK, 0}},
    {Msg::CommonListFailed, {IDOK, 1603}},
    {Msg::CopyFailed, {IDOK, 1603}},
    {Msg::FileInUse, {IDCANCEL, 1618}},
    {Msg::RegistryFailed, {IDOK, 1603}},
    {Msg::UninstallStartQuestion, {IDYES, 0}},
    {Msg::UninstallCancelQuestion, {IDNO, 0}},
    {Msg::UninstallDone, {IDOK, 0}},
    {Msg::UninstallFilesRemain, {IDOK, 1603}},
    {Msg::UninstallRecordsMissing, {IDOK, 1603}},
    {Msg::KeyNotDeleted, {IDOK, 1603}},
    {Msg::SystemFolderMissing, {IDOK, 0}},
    {Msg::AdvapiMissing, {IDOK, 0}},
    {Msg::OwnTokenFailed, {IDOK, 0}},
    {Msg::DesktopTokenFailed, {IDOK, 0}},
    {Msg::DirPickMissing, {IDOK, 0}},
    {Msg::Help, {IDOK, 0}},
    {Msg::BadOption, {IDOK, 1639}},
    {Msg::BadAnswerFile, {IDOK, 1603}},
    {Msg::SettingsRefused, {IDOK, 1603}},
};

// Any message box this process shows while the object lives is closed at
// once and counted.
class BoxWatch {
 public:
  BoxWatch() : thread_([this] { Watch(); }) {}
  ~BoxWatch() {
    stop_ = true;
    thread_.join();
  }
  int Seen() const { return seen_; }

 private:
  static BOOL CALLBACK Close(HWND hwnd, LPARAM param) {
    char name[32] = {};
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    ::GetClassNameA(hwnd, name, sizeof name);
    auto* watch = reinterpret_cast<BoxWatch*>(param);
    if (pid == ::GetCurrentProcessId() && std::string(name) == "#32770") {
      // Counted once however long it takes to close.
      if (watch->closed_.insert(hwnd).second) ++watch->seen_;
      ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    }
    return TRUE;
  }
  void Watch() {
    while (!stop_) {
      ::EnumWindows(Close, reinterpret_cast<LPARAM>(this));
      ::Sleep(5);
    }
  }
  std::atomic<bool> stop_{false};
  std::atomic<int> seen_{0};
  std::set<HWND> closed_;  // the watch thread's own
  std::thread thread_;
};

class Unattended : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Application.Initialize(::GetModuleHandleA(nullptr)); }
  void SetUp() override {
    testenv::ResetFolder(kFolder);
    ASSERT_TRUE(kestra::runlog::Open(kLog));
    kestra::ResetRunExitCode();
  }
  void TearDown() override {
    kestra::runlog::Close();
    Application.SetUnattended(false);
    kestra::ResetRunExitCode();
    testenv::ResetFolder(kFolder);
  }
  const std::string kFolder = testenv::kInProcessWork + "unattended\\";
  const std::string kLog = kFolder + "run.log";
};

TEST_F(Unattended, EveryMessageIsAnsweredForTheUserWithoutABox) {
  Application.SetUnattended(true);
  BoxWatch watch;
  std::set<Msg> covered;
  for (const kestra::MessageEntry& entry : kestra::MessageCatalogue()) {
    SCOPED_TRACE(entry.caption);
    kestra::ResetRunExitCode();
    const auto expected = kSilent.find(entry.id);
    ASSERT_NE(expected, kSilent.end()) << "no silent behaviour written out for this entry";
    EXPECT_EQ(Application.Show({entry.id, {"引数"}}), expected->second.answer);
    EXPECT_EQ(kestra::RunExitCode(), expected->second.exit_code);
    covered.insert(entry.id);
  }
  EXPECT_EQ(covered.size(), kSilent.size());
  EXPECT_EQ(watch.Seen(), 0) << "a message box appeared in a run without windows";

  // Every message is in the log with its text and the answer taken.
  kestra::runlog::Close();
  const std::string log = testenv::ReadFile(kLog);
  EXPECT_EQ(log.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(log.find(" Message [\xE5\xAE\x8C\xE4\xBA\x86] \xE3\x82\xA4\xE3\x83\xB3\xE3\x82\xB9"),
            std::string::npos)
      << "the completion message, in UTF-8";
  EXPECT_NE(log.find("-> Cancel (answered for the user)"), std::string::npos);
  std::size_t lines = 0;
  for (std::size_t at = log.find("\r\n"); at != std::string::npos; at = log.find("\r\n", at + 2))
    ++lines;
  EXPECT_EQ(lines, kSilent.size()) << "one line per message, line breaks of a text included";
}

TEST_F(Unattended, TheNetworkIndexQuestionTakesTheAnswerFilesChoice) {
  Application.SetUnattended(true, /*index_overwrite=*/false);
  BoxWatch watch;
  EXPECT_EQ(Application.Show({Msg::NetworkIndexQuestion, {"\\\\srv\\kestra\\KIDX\\"}}), IDNO);
  Application.SetUnattended(true, true);
  EXPECT_EQ(Application.Show({Msg::NetworkIndexQuestion, {"\\\\srv\\kestra\\KIDX\\"}}), IDYES);
  EXPECT_EQ(watch.Seen(), 0);
}

// The exit codes follow the answers in runs with windows too, and the first
// reason stands.
TEST_F(Unattended, AnswersOfTheUserGiveTheirCodesAndTheFirstReasonStands) {
  BoxWatch watch;  // closing a box answers it as Cancel (or as the only button, OK)
  EXPECT_EQ(kestra::RunExitCode(), 0);
  Application.Show({Msg::InstallDone});
  EXPECT_EQ(kestra::RunExitCode(), 0);
  Application.Show({Msg::CopyFailed});
  EXPECT_EQ(kestra::RunExitCode(), 1603);
  Application.Show({Msg::NoRightsInstall});
  EXPECT_EQ(kestra::RunExitCode(), 1603) << "the first reason given stands";
  kestra::ResetRunExitCode();
  Application.Show({Msg::FileInUse, {"C:\\\\X.DLL"}});  // closed: Cancel
  EXPECT_EQ(kestra::RunExitCode(), 1618);
  EXPECT_EQ(watch.Seen(), 4);
}

}  // namespace
