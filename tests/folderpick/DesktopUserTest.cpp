// Folder picking as the desktop user: SETUP's side finds DIRPICK, starts it
// with the desktop shell's token, and reads its answer; every failure on the
// way has its message. The shell is a stand-in window that registers itself
// as the shell window; the user's answer is given in DIRPICK's dialog.
#include <gtest/gtest.h>

#include <windows.h>

#include <future>
#include <sstream>

#include "BoxAnswerer.h"
#include "FolderDialog.h"
#include "UiDriver.h"
#include "WineTestEnv.h"
#include "folderpick/W8UserSHBrowser.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/SysQuery.h"
#include "ui/Application.h"

using namespace kestra;
using enginetest::BoxAnswerer;
using enginetest::SeenBox;

namespace {

// ---- The decisions ---------------------------------------------------------------

TEST(DirPickSearch, TheFirstOfTheFivePlacesThatHoldsItWins) {
  const std::string root = pickertest::ScratchFolder("search");
  const std::string setup = root + "dvd\\";
  const std::string shared = root + "Program Files\\ZEL\\Common Files\\";
  const std::vector<std::string> places = {shared + "DIRPICK.EXE", shared + "UTILITY\\DIRPICK.EXE",
                                           setup + "PLUS\\DIRPICK.EXE",
                                           setup + "UTILITY\\DIRPICK.EXE", setup + "DIRPICK.EXE"};
  EXPECT_EQ(FindDirPick(setup, root), "");
  // Added from the last place of the order to the first: each new one wins.
  for (const std::string& place : places) {
    testenv::WriteFile(place, "MZ");
    EXPECT_EQ(FindDirPick(setup, root), place);
  }
}

TEST(DirPickCommand, TheLineAndItsStartFolderAsDirPickExpectsThem) {
  EXPECT_EQ(DirPickCommandLine("Q:\\DIRPICK.EXE", "D:\\Apps", false),
            "\"Q:\\DIRPICK.EXE\" -C -S \"D:\\Apps\" -cmd");
  // A trailing backslash doubled, so that it does not escape the quote.
  EXPECT_EQ(DirPickCommandLine("Q:\\DIRPICK.EXE", "D:\\Apps\\", false),
            "\"Q:\\DIRPICK.EXE\" -C -S \"D:\\Apps\\\\\" -cmd");
  EXPECT_EQ(DirPickCommandLine("Q:\\DIRPICK.EXE", "C:\\", true),
            "\"Q:\\DIRPICK.EXE\" -C -S \"C:\\\\\" -cmd -CreateDir");
  // "表" ends in the byte of a backslash but is no backslash.
  EXPECT_EQ(DirPickCommandLine("Q:\\D.EXE", "C:\\表", false),
            "\"Q:\\D.EXE\" -C -S \"C:\\表\" -cmd");
  EXPECT_EQ(DirPickStartFolder("", "C:\\"), "C:\\");
  EXPECT_EQ(DirPickStartFolder("\\\\kestrasrv\\dvd\\", "C:\\"), "C:\\");
  EXPECT_EQ(DirPickStartFolder("N:\\dvd", "C:\\"), "N:\\dvd");
}

TEST(DirPickAnswer, CrLfPairsGoAndNGOrNothingMeansNoFolder) {
  EXPECT_EQ(DirPickAnswer("D:\\Apps\r\n"), "D:\\Apps");
  EXPECT_EQ(DirPickAnswer("D:\\A\r\npps\r\n\r\n"), "D:\\Apps");
  EXPECT_EQ(DirPickAnswer("a\rb\nc\n\r"), "a\rb\nc\n\r");
  EXPECT_EQ(DirPickAnswer("NG\r\n"), "NG");
  EXPECT_TRUE(AnswerNamesFolder("D:\\Apps"));
  EXPECT_FALSE(AnswerNamesFolder(""));
  EXPECT_FALSE(AnswerNamesFolder("NG"));
  EXPECT_FALSE(AnswerNamesFolder("NGX"));
  EXPECT_TRUE(AnswerNamesFolder("N"));
}

// ---- The launch ------------------------------------------------------------------

// DIRPICK beside the test program, as it lies beside SETUP on the DVD.
class DesktopUserPick : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Application.Handle()) Application.Initialize(::GetModuleHandleA(nullptr));
  }
  void SetUp() override {
    ASSERT_TRUE(testenv::CopyFileTo(testenv::DistFile("DIRPICK.EXE"), Beside("DIRPICK.EXE")));
  }
  void TearDown() override { ::DeleteFileA(Beside("DIRPICK.EXE").c_str()); }

  static std::string Beside(const std::string& name) {
    return AddBackslash(ExtractFilePath(ProgramFilePath())) + name;
  }
  // The shell stand-in, running until the test ends.
  uidrv::Process StartShell() {
    uidrv::Process shell = uidrv::Process::Start(testenv::TestBinary("shellstandin.exe"));
    for (int i = 0; i < 100 && !::GetShellWindow(); ++i) ::Sleep(50);
    EXPECT_TRUE(::GetShellWindow()) << "the stand-in did not become the shell";
    return shell;
  }

  std::string folder_ = pickertest::ScratchFolder("desktop");
};

TEST_F(DesktopUserPick, ThePickedFolderComesBackAndTheOwnerIsDisabledMeanwhile) {
  uidrv::Process shell = StartShell();
  const HWND owner = Application.Handle();
  ::EnableWindow(owner, FALSE);  // enabled by the launch first
  bool disabled_while_shown = false;
  bool answering_while_shown = false;
  auto user = std::async(std::launch::async, [&] {
    const uidrv::Window dialog = pickertest::WaitForFolderDialog();
    // SETUP disables its owner once DIRPICK waits for input, which may be a
    // moment after the dialog shows.
    for (int i = 0; i < 250 && ::IsWindowEnabled(owner); ++i) ::Sleep(20);
    disabled_while_shown = !::IsWindowEnabled(owner);
    // The waiting thread still handles its windows' messages.
    DWORD_PTR answer = 0;
    answering_while_shown =
        ::SendMessageTimeoutA(owner, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer) != 0;
    pickertest::ChooseShownFolder(dialog);
  });
  std::string folder = folder_;
  EXPECT_TRUE(BrowseAsDesktopUser(nullptr, folder, true));
  user.get();
  EXPECT_EQ(folder, RemoveBackslash(folder_));
  EXPECT_TRUE(disabled_while_shown);
  EXPECT_TRUE(answering_while_shown);
  EXPECT_TRUE(::IsWindowEnabled(owner));
}

TEST_F(DesktopUserPick, CancelLeavesTheFolderAndEnablesTheGivenOwner) {
  uidrv::Process shell = StartShell();
  const HWND owner = ::CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr,
                                       nullptr, nullptr, nullptr);
  auto user = std::async(std::launch::async, [] {
    pickertest::CancelDialog(pickertest::WaitForFolderDialog());
  });
  std::string folder = folder_;
  EXPECT_FALSE(BrowseAsDesktopUser(owner, folder, false));
  user.get();
  EXPECT_EQ(folder, folder_);
  EXPECT_TRUE(::IsWindowEnabled(owner));
  ::DestroyWindow(owner);
}

TEST_F(DesktopUserPick, WithoutADesktopShellTheTokenMessageAndNoFolder) {
  // The stand-in of an earlier test may still be on its way out (its handle
  // may stay registered, but no process stands behind it any more).
  for (int i = 0; i < 100 && ::IsWindow(::GetShellWindow()); ++i) ::Sleep(50);
  DWORD shell_pid = 0;
  ::GetWindowThreadProcessId(::GetShellWindow(), &shell_pid);
  ASSERT_FALSE(::IsWindow(::GetShellWindow())) << "a shell runs: process " << shell_pid;
  BoxAnswerer boxes(IDOK);
  std::string folder = folder_;
  EXPECT_FALSE(BrowseAsDesktopUser(nullptr, folder, false));
  EXPECT_EQ(folder, folder_);
  ASSERT_EQ(boxes.Seen().size(), 1u);
  enginetest::ExpectBox(boxes.Seen()[0], expected::DesktopTokenFailed());
  EXPECT_TRUE(pickertest::FolderDialogGone(std::chrono::milliseconds(0)));
}

TEST_F(DesktopUserPick, WithoutDirPickTheFileMessage) {
  TearDown();
  BoxAnswerer boxes(IDOK);
  std::string folder = folder_;
  EXPECT_FALSE(BrowseAsDesktopUser(nullptr, folder, false));
  EXPECT_EQ(folder, folder_);
  ASSERT_EQ(boxes.Seen().size(), 1u);
  enginetest::ExpectBox(boxes.Seen()[0], expected::DirPickMissing());
}

TEST_F(DesktopUserPick, AFolderOnAShareStartsDirPickAtTheSystemDrive) {
  uidrv::Process shell = StartShell();
  auto user = std::async(std::launch::async, [] {
    pickertest::ChooseShownFolder(pickertest::WaitForFolderDialog());
  });
  std::string folder = std::string(testenv::kOtherShare) + "\\";
  EXPECT_TRUE(BrowseAsDesktopUser(nullptr, folder, false));
  user.get();
  EXPECT_EQ(folder, "C:\\");
}

// ---- What DIRPICK is told and what becomes of its answer ---------------------------

// One launch of a recording DIRPICK: the folder SETUP holds, the arguments
// DIRPICK's runtime must see, what DIRPICK prints, and SETUP's result.
struct RecordedLaunch {
  const char* what;
  std::string folder;
  bool allow_new_folder;
  std::vector<std::string> arguments;
  std::string printed;
  bool picked;
  std::string folder_after;
};

TEST_F(DesktopUserPick, DirPickIsToldItsStartFolderAndItsAnswerIsTakenAsPrinted) {
  uidrv::Process shell = StartShell();
  const std::string dirpick = Beside("DIRPICK.EXE");
  ASSERT_TRUE(testenv::CopyFileTo(testenv::TestBinary("dirpickrecorder.exe"), dirpick));
  const std::string share = std::string(testenv::kOtherShare) + "\\";
  const std::vector<RecordedLaunch> launches = {
      {"a folder ending in a backslash stays one argument", "D:\\Apps\\", false,
       {"-C", "-S", "D:\\Apps\\", "-cmd"}, "R:\\Apps\r\n", true, "R:\\Apps"},
      {"folder creation asked for", "D:\\Apps", true, {"-C", "-S", "D:\\Apps", "-cmd", "-CreateDir"},
       "R:\\表\r\n", true, "R:\\表"},
      {"no folder: the system drive", "", false, {"-C", "-S", "C:\\", "-cmd"}, "C:\\\r\n", true,
       "C:\\"},
      {"a share: the system drive", share, true, {"-C", "-S", "C:\\", "-cmd", "-CreateDir"}, "NG\r\n",
       false, share},
      {"nothing printed", "D:\\Apps", false, {"-C", "-S", "D:\\Apps", "-cmd"}, "", false, "D:\\Apps"},
      {"a line broken in two", "D:\\Apps", false, {"-C", "-S", "D:\\Apps", "-cmd"},
       "R:\\A\r\npps\r\n", true, "R:\\Apps"},
  };
  for (const RecordedLaunch& launch : launches) {
    SCOPED_TRACE(launch.what);
    testenv::WriteFile(Beside("DIRPICK.ANS"), launch.printed);
    ::DeleteFileA(Beside("DIRPICK.LOG").c_str());
    std::string folder = launch.folder;
    EXPECT_EQ(BrowseAsDesktopUser(nullptr, folder, launch.allow_new_folder), launch.picked);
    EXPECT_EQ(folder, launch.folder_after);
    std::istringstream log(testenv::ReadFile(Beside("DIRPICK.LOG")));
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line.substr(0, line.size() - 1));
    ASSERT_FALSE(lines.empty()) << "DIRPICK did not run";
    EXPECT_EQ(lines[0].rfind("\"" + dirpick + "\" ", 0), 0u) << lines[0];
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), launch.arguments);
  }
  for (const char* name : {"DIRPICK.ANS", "DIRPICK.LOG"}) ::DeleteFileA(Beside(name).c_str());
}

// ---- The in-process browser of Windows Vista and 7 -----------------------------

TEST_F(DesktopUserPick, InProcessBrowserStartsAtTheFolderOrItsDrive) {
  for (const std::string& start : {folder_, folder_ + "not\\there"}) {
    SCOPED_TRACE(start);
    auto user = std::async(std::launch::async, [] {
      pickertest::ChooseShownFolder(pickertest::WaitForFolderDialog());
    });
    std::string folder = start;
    EXPECT_TRUE(BrowseForFolder(folder));
    user.get();
    EXPECT_EQ(folder, start == folder_ ? RemoveBackslash(folder_)
                                       : ExtractFileDrive(folder_) + "\\");
  }
  auto user = std::async(std::launch::async, [] {
    pickertest::CancelDialog(pickertest::WaitForFolderDialog());
  });
  std::string folder = folder_;
  EXPECT_FALSE(BrowseForFolder(folder));
  user.get();
  EXPECT_EQ(folder, folder_);
}

}  // namespace
