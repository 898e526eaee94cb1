// The command line: only the first argument counts, options are case-sensitive
// substrings, "-TRY" wins over "-UPDATA". Then what the start-up decides from
// the command line and the machine.
#include <gtest/gtest.h>

#include "startup/InstalledProduct.h"
#include "deploy/RunOptions.h"
#include "startup/StartPlan.h"

using namespace kestra;

TEST(RunOptions, NoArgumentOrEmptyFirstArgumentIsNoOption) {
  EXPECT_FALSE(ParseRunOptions({}).uninstall);
  EXPECT_EQ(ParseRunOptions({}).run_mode, 0);
  EXPECT_EQ(ParseRunOptions({"", "-TRY"}).run_mode, 0);
  EXPECT_FALSE(ParseRunOptions({"", "-UNINST"}).uninstall);
}

TEST(RunOptions, UninstallIsASubstringAndCaseSensitive) {
  EXPECT_TRUE(ParseRunOptions({"-UNINST"}).uninstall);
  EXPECT_TRUE(ParseRunOptions({"x-UNINSTy"}).uninstall);
  EXPECT_FALSE(ParseRunOptions({"-uninst"}).uninstall);
  EXPECT_FALSE(ParseRunOptions({"/UNINST"}).uninstall);
}

TEST(RunOptions, UpgradeAndTry) {
  EXPECT_EQ(ParseRunOptions({"-UPDATA"}).run_mode, 2);
  EXPECT_EQ(ParseRunOptions({"-TRY"}).run_mode, 3);
  EXPECT_EQ(ParseRunOptions({"-UPDATA-TRY"}).run_mode, 3);
  EXPECT_EQ(ParseRunOptions({"-TRY-UPDATA"}).run_mode, 3);
  EXPECT_EQ(ParseRunOptions({"-try"}).run_mode, 0);
}

TEST(RunOptions, OnlyTheFirstArgumentIsExamined) {
  EXPECT_EQ(ParseRunOptions({"hello", "-TRY"}).run_mode, 0);
  EXPECT_FALSE(ParseRunOptions({"hello", "-UNINST"}).uninstall);
}

TEST(RunOptions, UninstallIsTestedFirst) {
  RunOptions o = ParseRunOptions({"-UNINST-TRY"});
  EXPECT_TRUE(o.uninstall);
}

// ---- The options of unattended runs ---------------------------------------------

TEST(RunOptions, UnattendedOptionsAreWholeArgumentsInAnyPositionAndCase) {
  const RunOptions o = ParseRunOptions(
      {"-UNINST", "/verysilent", "-Log=C:\\ログ\\a b.log", "/LOADINF=\\\\srv\\k\\setup.inf",
       "-saveinf=D:\\out.inf", "/RemoveIndex"});
  EXPECT_TRUE(o.uninstall);
  EXPECT_EQ(o.display, RunDisplay::Nothing);
  EXPECT_TRUE(o.Unattended());
  EXPECT_TRUE(o.log);
  EXPECT_EQ(o.log_file, "C:\\ログ\\a b.log");
  EXPECT_EQ(o.load_inf, "\\\\srv\\k\\setup.inf");
  EXPECT_EQ(o.save_inf, "D:\\out.inf");
  EXPECT_TRUE(o.remove_index);
  EXPECT_EQ(o.Fault(), "");

  EXPECT_EQ(ParseRunOptions({"-SILENT"}).display, RunDisplay::ProgressOnly);
  EXPECT_EQ(ParseRunOptions({"-SILENT", "-VERYSILENT"}).display, RunDisplay::Nothing);
  EXPECT_EQ(ParseRunOptions({"-VERYSILENT", "-SILENT"}).display, RunDisplay::Nothing);
  EXPECT_EQ(ParseRunOptions({}).display, RunDisplay::Wizard);
  EXPECT_TRUE(ParseRunOptions({"-LOG"}).log);
  EXPECT_EQ(ParseRunOptions({"-LOG"}).log_file, "");
  EXPECT_TRUE(ParseRunOptions({"/?"}).help);
  // A plan and the user's setup at logon show no window.
  const RunOptions plan = ParseRunOptions({"-SILENT", "/plan=\"C:\\a b\\plan.txt\""});
  EXPECT_EQ(plan.plan_file, "\"C:\\a b\\plan.txt\"");
  EXPECT_EQ(plan.display, RunDisplay::Nothing);
  EXPECT_EQ(ParseRunOptions({"-PLAN=p.txt", "-SILENT"}).display, RunDisplay::Nothing);
  EXPECT_TRUE(ParseRunOptions({"-USERSETUP"}).user_setup);
  EXPECT_EQ(ParseRunOptions({"-USERSETUP"}).display, RunDisplay::Nothing);
  EXPECT_TRUE(ParseRunOptions({"x", "-Help"}).help);
}

TEST(RunOptions, TheFirstArgumentsRunModesStay) {
  // An unattended option in first place is no run mode, whatever its value holds.
  EXPECT_EQ(ParseRunOptions({"-LOG=C:\\-TRY\\x.log"}).run_mode, 0);
  EXPECT_FALSE(ParseRunOptions({"-LOADINF=C:\\-UNINST.inf"}).uninstall);
  EXPECT_EQ(ParseRunOptions({"-TRY", "-VERYSILENT"}).run_mode, 3);
  EXPECT_EQ(ParseRunOptions({"-VERYSILENT", "-TRY"}).run_mode, 0) << "run modes come first";
  EXPECT_TRUE(ParseRunOptions({"x-UNINSTy", "-SILENT"}).uninstall);
}

TEST(RunOptions, UnknownOptionsAreAnErrorOfUnattendedRunsOnly) {
  // Interactive runs ignore them, as they always did.
  EXPECT_EQ(ParseRunOptions({"-X", "-NOSUCH", "/Y"}).Fault(), "");
  EXPECT_EQ(ParseRunOptions({"-VERYSILENT", "-NOSUCH"}).Fault(), "-NOSUCH");
  EXPECT_EQ(ParseRunOptions({"-SILENT", "/PLANS=C:\\p.txt"}).Fault(), "/PLANS=C:\\p.txt");
  // Words that are no option are not looked at; nor is the first argument.
  EXPECT_EQ(ParseRunOptions({"-NOSUCH", "-VERYSILENT", "hello"}).Fault(), "");
  // An option given wrongly is an error of every run.
  for (const char* wrong : {"-LOADINF", "-LOADINF=", "-SAVEINF", "-LOG=", "-SILENT=1",
                            "-HELP=x", "-REMOVEINDEX=1", "-PLAN", "-PLAN=", "-USERSETUP=1"})
    EXPECT_EQ(ParseRunOptions({"-TRY", wrong}).Fault(), wrong) << wrong;
}

// ---- From the facts of the machine to what the run does ----------------------------

namespace {

// A machine where everything allows an installation: Windows 7, the DVD on a
// drive letter, no viewer, administrator rights, nothing installed.
StartFacts Ready() {
  StartFacts facts;
  facts.detected = kNotInstalled;
  facts.vista_or_later = true;
  facts.drive_letter_found = true;
  facts.admin = true;
  facts.setup_drive = "Q:";
  return facts;
}

struct PlanRow {
  const char* what;
  StartFacts facts;
  StartStep step;
  std::optional<Message> message;
  int32_t run_mode;
};

template <typename Change>
StartFacts With(Change change) {
  StartFacts facts = Ready();
  change(facts);
  return facts;
}

}  // namespace

TEST(StartPlan, EachFactLeadsToItsStepOrItsMessageInTheOrderOfTheChecks) {
  const std::vector<PlanRow> rows = {
      {"nothing installed", Ready(), StartStep::Install, std::nullopt, kRunModeInstall},
      {"an older copy", With([](StartFacts& f) { f.detected = kOlderInstalled; }), StartStep::Upgrade,
       std::nullopt, kRunModeUpgrade},
      {"the same or a newer copy ends quietly", With([](StartFacts& f) { f.detected = kNothingToDo; }),
       StartStep::End, std::nullopt, kRunModeNone},
      {"-TRY over an installed copy", With([](StartFacts& f) {
         f.options.run_mode = kRunModeTry;
         f.detected = kNothingToDo;
       }),
       StartStep::Install, std::nullopt, kRunModeTry},
      {"-UPDATA without a copy", With([](StartFacts& f) { f.options.run_mode = kRunModeUpgrade; }),
       StartStep::Upgrade, std::nullopt, kRunModeUpgrade},
      {"no drive letter from Vista on", With([](StartFacts& f) {
         f.drive_letter_found = false;
         f.setup_drive = "\\\\kestrasrv\\other";
         f.viewer_running = true;  // the drive is judged first
       }),
       StartStep::End, Message{Msg::WrongDrive, {"\\\\kestrasrv\\other"}}, kRunModeNone},
      {"the viewer runs", With([](StartFacts& f) {
         f.viewer_running = true;
         f.admin = false;
       }),
       StartStep::End, Message{Msg::ViewerRunningInstall}, kRunModeNone},
      {"no administrator", With([](StartFacts& f) { f.admin = false; }), StartStep::End,
       Message{Msg::NoRightsInstall}, kRunModeNone},
      {"a UNC folder before Vista", With([](StartFacts& f) {
         f.vista_or_later = false;
         f.drive_letter_found = false;
         f.setup_drive = "\\\\kestrasrv\\dvd";
       }),
       StartStep::End, Message{Msg::DriveInvalid}, kRunModeNone},
      {"a drive before Vista needs no mapping", With([](StartFacts& f) {
         f.vista_or_later = false;
         f.drive_letter_found = false;
       }),
       StartStep::Install, std::nullopt, kRunModeInstall},
      {"nothing to do wins over every check", With([](StartFacts& f) {
         f.detected = kNothingToDo;
         f.admin = false;
       }),
       StartStep::End, std::nullopt, kRunModeNone},
      {"-UNINST", With([](StartFacts& f) {
         f.options.uninstall = true;
         f.detected = kNothingToDo;
         f.drive_letter_found = false;
       }),
       StartStep::Uninstall, std::nullopt, kRunModeNone},
      {"-UNINST while the viewer runs", With([](StartFacts& f) {
         f.options.uninstall = true;
         f.viewer_running = true;
         f.admin = false;
       }),
       StartStep::End, Message{Msg::ViewerRunningUninstall}, kRunModeNone},
      {"-UNINST without administrator", With([](StartFacts& f) {
         f.options.uninstall = true;
         f.admin = false;
       }),
       StartStep::End, Message{Msg::NoRightsUninstall}, kRunModeNone},
  };
  for (const PlanRow& row : rows) {
    SCOPED_TRACE(row.what);
    const StartPlan plan = PlanStart(row.facts);
    EXPECT_EQ(plan.step, row.step);
    EXPECT_EQ(plan.run_mode, row.run_mode);
    ASSERT_EQ(plan.message.has_value(), row.message.has_value());
    if (plan.message) {
      EXPECT_EQ(plan.message->id, row.message->id);
      EXPECT_EQ(plan.message->args, row.message->args);
    }
  }
}

TEST(InstalledCopy, TheDecisionFromWhatWasRead) {
  struct Row {
    const char* what;
    InstalledCopyFacts facts;
    int32_t detected;
  };
  const InstalledCopyFacts older{true, true, "1.9.3", true, "1.10.0"};
  auto with = [&](auto change) {
    InstalledCopyFacts facts = older;
    change(facts);
    return facts;
  };
  const std::vector<Row> rows = {
      {"an older copy: parts compared as numbers", older, kOlderInstalled},
      {"no SETUP.INF wins over all", with([](InstalledCopyFacts& f) { f.setup_inf = false; }),
       kNothingToDo},
      {"no product key", with([](InstalledCopyFacts& f) { f.product_key = false; }), kNotInstalled},
      {"the viewer's file is gone", with([](InstalledCopyFacts& f) { f.viewer_file = false; }),
       kNotInstalled},
      {"the same version, missing parts count as 0",
       with([](InstalledCopyFacts& f) { f.dvd_version = "1.9.3.0"; }), kNothingToDo},
      {"a newer copy installed", with([](InstalledCopyFacts& f) {
         f.installed_version = "2.0";
         f.dvd_version = "1.9.9.9";
       }),
       kNothingToDo},
      {"a copy without a version is older", with([](InstalledCopyFacts& f) {
         f.installed_version = "";
         f.dvd_version = "0.0.1";
       }),
       kOlderInstalled},
  };
  for (const Row& row : rows) EXPECT_EQ(DecideInstalled(row.facts), row.detected) << row.what;
}
