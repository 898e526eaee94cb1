// DIRPICK.EXE as SETUP starts it: its command line, its folder dialog answered
// as a user would, and the one answer line on its standard output.
#include <gtest/gtest.h>

#include <windows.h>

#include <future>

#include "FolderDialog.h"
#include "PlantedFiles.h"
#include "RunCapture.h"
#include "Unit1.h"
#include "WineTestEnv.h"
#include "system/Mbcs.h"
#include "system/SysQuery.h"

namespace {

using dirpick::DirPickOptions;
using dirpick::ParseDirPickArguments;
using pickertest::WaitForFolderDialog;

TEST(DirPickArguments, EachArgumentIsExaminedInItsTurnExactlyAndCaseSensitively) {
  const struct {
    std::vector<std::string> argv;
    bool any;
    std::string start;
    bool create_dir;
    bool command_mode;
  } rows[] = {
      {{"DIRPICK.EXE"}, false, "", false, false},
      {{"D.EXE", "-C", "-S", "C:\\Apps", "-cmd"}, true, "C:\\Apps", false, true},
      {{"D.EXE", "-C", "-S", "C:\\Apps", "-cmd", "-CreateDir"}, true, "C:\\Apps", true, true},
      {{"D.EXE", "-s", "C:\\Apps", "-CMD", "-createdir"}, true, "", false, false},
      {{"D.EXE", "-cmd", "-S"}, true, "", false, true},
      // The folder after "-S" is an option in its own turn too.
      {{"D.EXE", "-S", "-cmd"}, true, "-cmd", false, true},
      {{"D.EXE", "-S", "C:\\A", "-S", "D:\\B"}, true, "D:\\B", false, false},
      {{"-cmd"}, false, "", false, true},
  };
  for (const auto& row : rows) {
    const DirPickOptions options = ParseDirPickArguments(row.argv);
    SCOPED_TRACE(row.argv.back());
    EXPECT_EQ(options.any_arguments, row.any);
    EXPECT_EQ(options.start_folder, row.start);
    EXPECT_EQ(options.create_dir, row.create_dir);
    EXPECT_EQ(options.command_mode, row.command_mode);
  }
}

std::string DirPick() { return "\"" + testenv::DistFile("DIRPICK.EXE") + "\""; }

// Runs DIRPICK (the shipped one unless told) with the arguments while answer()
// answers its dialog; returns what DIRPICK wrote.
template <typename Answer>
testenv::RunResult RunAnswered(const std::string& args, Answer answer,
                               const std::string& program = DirPick()) {
  auto run = std::async(std::launch::async, [args, program] {
    return testenv::RunAndCapture(program + " " + args, 30000);
  });
  answer();
  return run.get();
}

class DirPickRun : public ::testing::Test {
 protected:
  std::string folder_ = pickertest::ScratchFolder("dirpick");
};

TEST_F(DirPickRun, ChosenFolderIsAnsweredOnOneLineAndNothingElse) {
  const testenv::RunResult result = RunAnswered("-C -S \"" + kestra::RemoveBackslash(folder_) + "\" -cmd", [] {
    pickertest::ChooseShownFolder(WaitForFolderDialog());
  });
  EXPECT_EQ(result.output, kestra::RemoveBackslash(folder_) + "\r\n");
}

TEST_F(DirPickRun, CancelIsAnsweredNG) {
  const testenv::RunResult result = RunAnswered("-C -S \"" + kestra::RemoveBackslash(folder_) + "\" -cmd", [] {
    pickertest::CancelDialog(WaitForFolderDialog());
  });
  EXPECT_EQ(result.output, "NG\r\n");
}

TEST_F(DirPickRun, StartFolderOnADriveThatIsNotThereStartsAtC) {
  for (const std::string& start : {std::string("M:\\nowhere"), std::string("")}) {
    SCOPED_TRACE(start);
    const testenv::RunResult result = RunAnswered("-C -S \"" + start + "\" -cmd", [] {
      pickertest::ChooseShownFolder(WaitForFolderDialog());
    });
    EXPECT_EQ(result.output, "C:\\\r\n");
  }
}

TEST_F(DirPickRun, MissingFolderOnAReadyDriveStartsAtItsDrive) {
  const testenv::RunResult result =
      RunAnswered("-C -S \"" + folder_ + "not\\there\" -cmd", [] {
        pickertest::ChooseShownFolder(WaitForFolderDialog());
      });
  EXPECT_EQ(result.output, kestra::ExtractFileDrive(folder_) + "\\\r\n");
}

TEST_F(DirPickRun, NewFolderButtonOnlyWithCreateDir) {
  std::size_t buttons[2] = {};
  for (int create = 0; create < 2; ++create) {
    const std::string args =
        "-C -S \"" + kestra::RemoveBackslash(folder_) + "\" -cmd" + (create ? " -CreateDir" : "");
    RunAnswered(args, [&] {
      const uidrv::Window dialog = WaitForFolderDialog();
      for (const uidrv::Window& child : dialog.Children())
        if (child.ClassName() == "Button" && child.Visible()) ++buttons[create];
      pickertest::CancelDialog(dialog);
    });
  }
  EXPECT_EQ(buttons[1], buttons[0] + 1) << "the new-folder button";
}

// DIRPICK lies beside SETUP, in a folder others may write, and runs with the
// desktop user's rights: libraries planted there under the names of the
// system's are not loaded, and it answers as before.
TEST_F(DirPickRun, LibrariesPlantedBesideItAreNotLoaded) {
  const std::string beside = folder_ + "copy\\";
  ASSERT_TRUE(testenv::CopyFileTo(testenv::DistFile("DIRPICK.EXE"), beside + "DIRPICK.EXE"));
  const testenv::PlantedFiles planted(beside, testenv::PlantedFiles::Regsvr32::No);
  // Planted like this, the libraries are what a program importing them gets.
  ASSERT_EQ(planted.TracesOfAnImportingProgram().size(), testenv::kNativeFirstUnderWine.size());
  const testenv::ScopedNativeFirstLibraries native_first({"DIRPICK.EXE"});
  const testenv::RunResult result = RunAnswered(
      "-C -S \"" + kestra::RemoveBackslash(folder_) + "\" -cmd",
      [] { pickertest::ChooseShownFolder(WaitForFolderDialog()); },
      "\"" + beside + "DIRPICK.EXE\"");
  EXPECT_EQ(result.output, kestra::RemoveBackslash(folder_) + "\r\n");
  EXPECT_EQ(planted.Traces(), std::vector<std::string>{});
  ::DeleteFileA((beside + "DIRPICK.EXE").c_str());
}

TEST(DirPickStart, WithoutArgumentsItEndsAtOnceAndWritesNothing) {
  const testenv::RunResult result = testenv::RunAndCapture(DirPick(), 10000);
  EXPECT_EQ(result.output, "");
}

TEST(DirPickStart, WithoutCmdItShowsTheFailureTextUntilClosed) {
  uidrv::Process dirpick =
      uidrv::Process::Start(testenv::DistFile("DIRPICK.EXE"), "-C -S C:\\");
  uidrv::Session session(dirpick);
  const uidrv::Window window = session.WaitForWindow("TForm1");
  EXPECT_EQ(window.Text(), "フォルダ選択");
  EXPECT_TRUE(window.ChildByText("フォルダ選択の起動に失敗しました。").Visible());
  EXPECT_TRUE(pickertest::FolderDialogGone(std::chrono::milliseconds(0))) << "no dialog opened";
  window.ChildByText("閉じる(&C)", "Button").Click();
  session.RequireExit();
}

}  // namespace
