// -PLAN: what a run would do, written down without doing any of it. Each
// plan is taken on a machine whose drives and registry are recorded before
// and after (they must be the same), then the same command runs for real with
// its log, and the plan's changes are compared entry by entry with the
// changes the run reports (folders, files, registry values, shortcuts,
// programs, in their order), and so are its decisions and its exit code.
#include <gtest/gtest.h>

#include <windows.h>

#include "DriveWatch.h"
#include "InstallDvd.h"
#include "RunRecords.h"
#include "SetupHarness.h"
#include "ShellPlaces.h"
#include "WineTestEnv.h"
#include "system/FileSys.h"
#include "system/Registry.h"

namespace {

using namespace e2e;
using kestra::RegKey;
using testenv::ScopedWindowsVersion;
using testenv::WinVersion;
using uidrv::Process;

constexpr char kInstallDir[] = "C:\\Program Files\\KESTRA\\";
constexpr char kRecords[] = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\";
constexpr char kProductKey[] = "SOFTWARE\\ZEL\\ケストラDVD";
const std::string kWork = "C:\\kestra_e2e\\plan\\";
const std::string kPlan = kWork + "plan.txt";
const std::string kLog = kWork + "run.log";

enum class Scenario {
  FirstInstallation,
  Upgrade,
  ProgramOnlyUpdate,
  Uninstallation,           // the index removed too
  UninstallationKeepingTheIndex,
};

struct PlanCase {
  const char* name;
  WinVersion windows;
  Scenario scenario;
};

void PrintTo(const PlanCase& row, std::ostream* out) { *out << row.name; }

// What the runs may change: the places an installation writes to, the
// product's and the shell's keys. The plan must leave all of it as it was.
FileSnapshot Files() {
  return SnapshotFiles({"C:\\Program Files\\", "C:\\ZEL\\", "C:\\users\\", "C:\\ProgramData\\"});
}

RegistrySnapshot Registry() {
  return SnapshotRegistry(
      {{HKEY_LOCAL_MACHINE, "SOFTWARE\\ZEL"},
       {HKEY_CURRENT_USER, "SOFTWARE\\ZEL"},
       {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"},
       {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Active Setup"},
       {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID"},
       {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion"},
       {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"}});
}

// The decisions both name the same way: the settings, the index, the run.
std::vector<std::string> Decisions(const std::vector<std::string>& events) {
  std::vector<std::string> decisions;
  for (const std::string& event : events)
    for (const char* head : {"Setting: ", "Index: ", "Run: ", "Check: ", "Message ["})
      if (event.rfind(head, 0) == 0) decisions.push_back(event);
  return decisions;
}

// The plan cannot count the size of files it did not expand.
std::vector<ChangeEntry> Comparable(std::vector<ChangeEntry> changes) {
  for (ChangeEntry& change : changes) {
    const std::size_t at = change.object.find("\\EstimatedSize = ");
    if (at != std::string::npos) change.object.resize(at + 15);
  }
  return changes;
}

// Where two lists part, for a readable failure.
template <typename T>
std::string FirstDifference(const std::vector<T>& a, const std::vector<T>& b) {
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const std::string left = i < a.size() ? ::testing::PrintToString(a[i]) : "(none)";
    const std::string right = i < b.size() ? ::testing::PrintToString(b[i]) : "(none)";
    if (left != right) return "#" + std::to_string(i) + ": " + left + " | " + right;
  }
  return "";
}

class Plans : public ::testing::TestWithParam<PlanCase> {
 protected:
  void SetUp() override {
    testenv::ResetFolder(kWork);
    testenv::RemoveProductShortcuts();
  }
  void TearDown() override {
    testenv::RemoveProductShortcuts();
    testenv::ResetFolder(kWork);
  }
  InstalledCopy nothing_;
};

TEST_P(Plans, ChangeNothingAndListWhatTheRunThenDoes) {
  const PlanCase& row = GetParam();
  ScopedWindowsVersion windows(row.windows, {"SETUP.EXE", "KSUINST.EXE"});
  DvdInDrive dvd(SampleDvdImage(), kInstallDir);
  const std::string setup = "Q:\\SETUP.EXE";
  if (row.scenario != Scenario::FirstInstallation) {
    ASSERT_EQ(RunWithoutWindows(setup, "-VERYSILENT"), 0u);
  }
  if (row.scenario == Scenario::Upgrade) dvd.Change(NewerSampleDvdImage());
  if (row.scenario == Scenario::ProgramOnlyUpdate) {
    // The two versions whose update replaces the program files alone.
    RegKey product = RegKey::Open(HKEY_LOCAL_MACHINE, kProductKey);
    ASSERT_TRUE(product.WriteString("Version", "1.9.3"));
  }
  const bool uninstall = row.scenario == Scenario::Uninstallation ||
                         row.scenario == Scenario::UninstallationKeepingTheIndex;
  const std::string exe = uninstall ? std::string(kRecords) + "KSUINST.EXE" : setup;
  const std::string args =
      !uninstall ? "-VERYSILENT"
      : row.scenario == Scenario::Uninstallation ? "-UNINST -VERYSILENT -REMOVEINDEX"
                                                 : "-UNINST -VERYSILENT";

  const FileSnapshot files = Files();
  const RegistrySnapshot registry = Registry();
  DriveWatch drive({"C:\\"});
  const DWORD planned_exit = RunWithoutWindows(exe, args + " -PLAN=\"" + kPlan + "\"");
  EXPECT_EQ(Differences(files, Files()), "") << "the plan changed files";
  EXPECT_EQ(Differences(registry, Registry()), "") << "the plan changed the registry";
  const std::vector<std::string> appeared = drive.AppearedOutside({kWork});
  EXPECT_TRUE(appeared.empty()) << PathList(appeared);

  const DWORD run_exit = RunWithoutWindows(exe, args + " -LOG=\"" + kLog + "\"");
  EXPECT_EQ(planned_exit, run_exit);
  EXPECT_EQ(run_exit, 0u);

  const std::vector<std::string> plan = LogEvents(kPlan);
  const std::vector<std::string> log = LogEvents(kLog);
  ASSERT_FALSE(plan.empty());
  EXPECT_EQ(plan.front(), "Plan: what this run would do, in its order; nothing of it has been done");
  EXPECT_EQ(plan.back(), "Exit code " + std::to_string(planned_exit));
  const std::vector<ChangeEntry> planned = Comparable(ChangesOf(plan, true));
  const std::vector<ChangeEntry> made = Comparable(ChangesOf(log, false));
  EXPECT_GT(planned.size(), uninstall ? 5u : 20u);
  EXPECT_EQ(FirstDifference(planned, made), "");
  EXPECT_EQ(FirstDifference(Decisions(plan), Decisions(log)), "");
  // What the plan of each run must name.
  switch (row.scenario) {
    case Scenario::FirstInstallation:
      EXPECT_TRUE(HasEvent(plan, std::string("Expand: ") + kInstallDir + "KESTRA.EXE"));
      EXPECT_TRUE(HasEventStarting(plan, "Create shortcut: "));
      EXPECT_TRUE(HasEventStarting(plan, "Index: copied to "));
      break;
    case Scenario::Upgrade:
      EXPECT_TRUE(HasEvent(plan, "Run: upgrade, run mode 2"));
      EXPECT_TRUE(HasEvent(plan, std::string("Write registry value: HKEY_LOCAL_MACHINE\\") +
                                     kProductKey + "\\Version = 2.2.0.0"));
      break;
    case Scenario::ProgramOnlyUpdate:
      // The application file alone; no shortcut, no index copy.
      EXPECT_TRUE(HasEvent(plan, std::string("Expand: ") + kInstallDir + "KESTRA.EXE"));
      EXPECT_FALSE(HasEventStarting(plan, std::string("Expand: ") + kInstallDir + "MANUAL"));
      EXPECT_FALSE(HasEventStarting(plan, "Create shortcut: "));
      EXPECT_FALSE(HasEventStarting(plan, "Index: "));
      break;
    case Scenario::Uninstallation:
      EXPECT_TRUE(HasEvent(plan, std::string("Delete: ") + kInstallDir + "KESTRA.EXE"));
      EXPECT_TRUE(HasEvent(plan, std::string("Delete: ") + kDefaultIndexFolder + "KSCOLL.INF"));
      EXPECT_TRUE(HasEventStarting(plan, "Delete registry key: HKEY_LOCAL_MACHINE\\"));
      break;
    case Scenario::UninstallationKeepingTheIndex:
      EXPECT_TRUE(HasEvent(plan, std::string("Delete: ") + kInstallDir + "KESTRA.EXE"));
      EXPECT_FALSE(HasEventStarting(plan, std::string("Delete: ") + kDefaultIndexFolder));
      EXPECT_TRUE(HasEventStarting(plan, "Kept: the search index in "));
      break;
  }
}

const PlanCase kPlanCases[] = {
    {"FirstInstallationOnWindows10", WinVersion::Win10, Scenario::FirstInstallation},
    {"UpgradeOnWindows10", WinVersion::Win10, Scenario::Upgrade},
    {"ProgramOnlyUpdateOnWindows10", WinVersion::Win10, Scenario::ProgramOnlyUpdate},
    {"UninstallationOnWindows10", WinVersion::Win10, Scenario::Uninstallation},
    {"FirstInstallationOnWindowsXp", WinVersion::WinXP, Scenario::FirstInstallation},
    {"UpgradeOnWindowsXp", WinVersion::WinXP, Scenario::Upgrade},
    {"ProgramOnlyUpdateOnWindowsXp", WinVersion::WinXP, Scenario::ProgramOnlyUpdate},
    {"UninstallationKeepingTheIndexOnWindowsXp", WinVersion::WinXP,
     Scenario::UninstallationKeepingTheIndex},
};

INSTANTIATE_TEST_SUITE_P(Runs, Plans, ::testing::ValuesIn(kPlanCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A plan from an answer file that cannot be used says why and ends as the run would.
TEST(PlanOfABadAnswerFile, ListsTheReasonAndEndsWithTheRunsCode) {
  InstalledCopy nothing;
  testenv::ResetFolder(kWork);
  DvdInDrive dvd(SampleDvdImage(), kInstallDir);
  const std::string answers = kWork + "setup.inf";
  testenv::WriteFile(answers, "[Setup]\r\nAppDir=J:\\Apps\r\n");
  const RegistrySnapshot registry = Registry();
  EXPECT_EQ(RunWithoutWindows("Q:\\SETUP.EXE", "-LOADINF=\"" + answers + "\" -PLAN=\"" + kPlan + "\""),
            1603u);
  EXPECT_EQ(Differences(registry, Registry()), "");
  const std::vector<std::string> plan = LogEvents(kPlan);
  ASSERT_GE(plan.size(), 2u);
  EXPECT_EQ(plan[plan.size() - 2].rfind("Message [セットアップ・エラー] 次の設定ではインストールできません。 /  / "
                                        "AppDir=J:\\Apps\\KESTRA\\: ドライブが準備できていません。",
                                        0),
            0u)
      << uidrv::ToUtf8(plan[plan.size() - 2]);
  EXPECT_FALSE(HasEventStarting(plan, "Create folder: "));
  EXPECT_EQ(plan.back(), "Exit code 1603");
  testenv::ResetFolder(kWork);
}

}  // namespace
