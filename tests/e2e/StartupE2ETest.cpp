// SETUP.EXE started as a user starts it: from the DVD, from network folders,
// with and without options, beside a running viewer, without administrator
// rights, under older and newer Windows. Every message box is checked as the
// user sees it (caption, text, buttons, icon), and so are the windows and the end.
#include <gtest/gtest.h>

#include <thread>

#include "SetupHarness.h"

namespace {

using namespace e2e;
using uidrv::MessageBoxRecord;
using uidrv::Process;
using uidrv::Session;
using testenv::ScopedWindowsVersion;
using testenv::WinVersion;

const std::vector<MessageBoxRecord> kNoMessage;

// ---------------------------------------------------------------- one SETUP at a time

TEST(StartupInstance, ASecondSetupEndsAtOnceWithoutWindowOrMessage) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process first = placed.Start();
  Session first_session(first);
  first_session.WaitForWindow(kConsent);

  Process second = placed.Start();
  Session second_session(second);
  std::vector<uidrv::Window> seen;
  const auto start = std::chrono::steady_clock::now();
  while (second.Running() && std::chrono::steady_clock::now() - start < 10s) {
    for (const uidrv::Window& window : uidrv::AllTopLevelWindows(second.Pid()))
      seen.push_back(window);
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_FALSE(second.Running()) << "the second SETUP still runs";
  EXPECT_TRUE(seen.empty()) << "the second SETUP made " << seen.size() << " window(s)";
  // Retry later, in the numbers deployment systems know.
  EXPECT_EQ(second.ExitCode(), 1618u);
  // The first one is untouched: still at the agreement, no message anywhere.
  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(first_session.WaitForWindow(kConsent, 0ms));
  EXPECT_EQ(first_session.Transcript(), kNoMessage);
}

TEST(StartupInstance, AfterTheFirstEndsTheNextOneRunsAgain) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  {
    Process first = placed.Start("-UPDATA");
    Session session(first);
    session.Answer("No");
    session.RequireExit();
  }
  Process next = placed.Start("-UPDATA");
  Session session(next);
  EXPECT_EQ(session.Answer("No"), expected::UpgradeQuestion());
  session.RequireExit();
}

// ---------------------------------------------------------------- command line

TEST(StartupOptions, LowerCaseUninstallIsNotAnOptionSoDetectionDecides) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process setup = placed.Start("-uninst");
  Session session(setup);
  session.WaitForWindow(kConsent);
  EXPECT_FALSE(uidrv::FindTopLevelWindow(kUninstall, setup.Pid()));
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST(StartupOptions, UninstallInsideALongerWordStartsTheUninstaller) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process setup = placed.Start("x-UNINSTy");
  Session session(setup);
  session.WaitForWindow(kUninstall);
  EXPECT_FALSE(uidrv::FindTopLevelWindow(kConsent, setup.Pid()));
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST(StartupOptions, TryWinsOverUpgradeInOneArgument) {
  // An older copy is installed: detection alone would ask the upgrade question.
  InstalledCopy older("1.0.0");
  PlacedSetup placed(kDvdRoot, "2.0.0");
  for (const char* argument : {"-UPDATA-TRY", "-TRY-UPDATA", "-TRY"}) {
    SCOPED_TRACE(argument);
    Process setup = placed.Start(argument);
    Session session(setup);
    session.WaitForWindow(kConsent);
    EXPECT_EQ(session.Transcript(), kNoMessage);
  }
}

TEST(StartupOptions, UpgradeAsksEvenWithNothingInstalledAndNoEndsSilently) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process setup = placed.Start("-UPDATA");
  Session session(setup);
  EXPECT_EQ(session.Answer("No"), expected::UpgradeQuestion());
  EXPECT_EQ(WindowsSeenUntilExit(session), std::vector<std::string>{});
  EXPECT_EQ(session.Transcript(), std::vector<MessageBoxRecord>{expected::UpgradeQuestion()});
}

TEST(StartupOptions, UpgradeAnsweredYesGoesToTheSettingsPageWithoutTheAgreement) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process setup = placed.Start("-UPDATA");
  Session session(setup);
  session.Answer("Yes");
  session.WaitForWindow(kSetting);
  EXPECT_FALSE(uidrv::FindTopLevelWindow(kConsent, setup.Pid()));
  EXPECT_EQ(session.Transcript(), std::vector<MessageBoxRecord>{expected::UpgradeQuestion()});
}

TEST(StartupOptions, DetectedOlderCopyAsksTheUpgradeQuestion) {
  InstalledCopy older("1.9.3");
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  EXPECT_EQ(session.Answer("No"), expected::UpgradeQuestion());
  session.RequireExit();
}

TEST(StartupOptions, AnEmptyFirstArgumentCountsAsNone) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  // Only the first argument is looked at: "-UNINST" after an empty one is ignored.
  Process setup = placed.Start("\"\" -UNINST");
  Session session(setup);
  session.WaitForWindow(kConsent);
  EXPECT_FALSE(uidrv::FindTopLevelWindow(kUninstall, setup.Pid()));
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST(StartupOptions, WithoutSetupInfAndWithoutOptionsSetupEndsSilently) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot, std::nullopt);
  for (const char* args : {"", "\"\"", "-uninst"}) {
    SCOPED_TRACE(args);
    Process setup = placed.Start(args);
    Session session(setup);
    EXPECT_EQ(WindowsSeenUntilExit(session), std::vector<std::string>{});
    EXPECT_EQ(session.Transcript(), kNoMessage);
  }
}

TEST(StartupOptions, TheSameVersionInstalledEndsSilently) {
  InstalledCopy same("2.0.0");
  PlacedSetup placed(kDvdRoot, "2.0.0");
  Process setup = placed.Start();
  Session session(setup);
  EXPECT_EQ(WindowsSeenUntilExit(session), std::vector<std::string>{});
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

// ---------------------------------------------------------------- the viewer is running

TEST(StartupChecks, ARunningViewerStopsTheInstallation) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process viewer = StartViewer();
  Process setup = placed.Start();
  Session session(setup);
  EXPECT_EQ(session.Answer("OK"), expected::ViewerRunningInstall());
  EXPECT_EQ(WindowsSeenUntilExit(session), std::vector<std::string>{});
  EXPECT_EQ(session.Transcript(), std::vector<MessageBoxRecord>{expected::ViewerRunningInstall()});
  EXPECT_TRUE(viewer.Running());  // SETUP only looks at it
}

TEST(StartupChecks, ARunningViewerStopsTheUpgradeWithTheSameMessage) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process viewer = StartViewer();
  Process setup = placed.Start("-UPDATA");
  Session session(setup);
  EXPECT_EQ(session.Answer("OK"), expected::ViewerRunningInstall());
  session.RequireExit();
  EXPECT_EQ(session.Transcript().size(), 1u);  // no upgrade question after it
}

TEST(StartupChecks, ARunningViewerStopsTheUninstallation) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process viewer = StartViewer();
  Process setup = placed.Start("-UNINST");
  Session session(setup);
  EXPECT_EQ(session.Answer("OK"), expected::ViewerRunningUninstall());
  EXPECT_EQ(WindowsSeenUntilExit(session), std::vector<std::string>{});
  EXPECT_EQ(session.Transcript(), std::vector<MessageBoxRecord>{expected::ViewerRunningUninstall()});
}

TEST(StartupChecks, AClosedViewerNoLongerStopsSetup) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  {
    Process viewer = StartViewer();
    Session viewer_session(viewer);
    viewer_session.WaitForWindow(kViewer).Send(WM_CLOSE, 0, 0);
    viewer_session.RequireExit();
  }
  Process setup = placed.Start();
  Session session(setup);
  session.WaitForWindow(kConsent);
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

// ---------------------------------------------------------------- administrator rights

TEST(StartupChecks, WithoutAdministratorRightsTheInstallationIsRefused) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process setup = placed.StartWithoutAdminRights();
  Session session(setup);
  EXPECT_EQ(session.Answer("OK"), expected::NoRightsInstall());
  EXPECT_EQ(WindowsSeenUntilExit(session), std::vector<std::string>{});
  EXPECT_EQ(session.Transcript(), std::vector<MessageBoxRecord>{expected::NoRightsInstall()});
}

// ---------------------------------------------------------------- exceptions nothing expected

// Thrown in the main sequence or in a window procedure, each ends the run with
// one message of its own instead of a silent end through std::terminate.
TEST(StartupUnexpectedError, EndsTheRunWithOneMessageWhereverItIsThrown) {
  const struct {
    const char* fault;
    const char* reason;
    bool at_consent;  // thrown when the user clicks in the agreement
  } cases[] = {
      {"main:bad_alloc", "メモリが不足しています。", false},
      {"main:io", "ファイルの読み書きに失敗しました: cannot write KSTEST.INI (error 29)", false},
      {"click:invalid_argument", "cannot store the line \"[\" in an INI file", true},
  };
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    Process setup = placed.StartWithFault(c.fault);
    Session session(setup);
    if (c.at_consent) session.WaitForWindow(kConsent).ChildByText("承諾します。", "Button").Click();
    EXPECT_EQ(session.Answer("OK"), expected::UnexpectedError(c.reason));
    // Nothing new opens on the way out (the agreement may still be seen closing).
    for (const std::string& seen : WindowsSeenUntilExit(session))
      EXPECT_TRUE(c.at_consent && seen == kConsent) << seen;
    EXPECT_EQ(session.Transcript(), std::vector<MessageBoxRecord>{expected::UnexpectedError(c.reason)});
    EXPECT_EQ(setup.ExitCode(), 1603u) << "a fatal error";
  }
}

TEST(StartupChecks, WithoutAdministratorRightsTheUpgradeSpeaksOfInstallationToo) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process setup = placed.StartWithoutAdminRights("-UPDATA");
  Session session(setup);
  EXPECT_EQ(session.Answer("OK"), expected::NoRightsInstall());
  session.RequireExit();
  EXPECT_EQ(session.Transcript().size(), 1u);
}

TEST(StartupChecks, WithoutAdministratorRightsTheUninstallationIsRefused) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process setup = placed.StartWithoutAdminRights("-UNINST");
  Session session(setup);
  EXPECT_EQ(session.Answer("OK"), expected::NoRightsUninstall());
  EXPECT_EQ(WindowsSeenUntilExit(session), std::vector<std::string>{});
  EXPECT_EQ(session.Transcript(), std::vector<MessageBoxRecord>{expected::NoRightsUninstall()});
}

TEST(StartupChecks, TheViewerIsCheckedBeforeTheRights) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process viewer = StartViewer();
  Process setup = placed.StartWithoutAdminRights();
  Session session(setup);
  EXPECT_EQ(session.Answer("OK"), expected::ViewerRunningInstall());
  session.RequireExit();
  EXPECT_EQ(session.Transcript().size(), 1u);
}

// ---------------------------------------------------------------- drives and network folders

TEST(StartupDrives, VistaFromAnUnmappedNetworkFolderWarnsOfTheWrongDrive) {
  InstalledCopy nothing;
  ScopedWindowsVersion vista(WinVersion::Vista, {"SETUP.EXE"});
  PlacedSetup placed(kUnmappedUncFolder);
  Process setup = placed.Start();
  Session session(setup);
  EXPECT_EQ(session.Answer("OK"), expected::WrongDrive("\\\\kestrasrv\\other"));
  EXPECT_EQ(WindowsSeenUntilExit(session), std::vector<std::string>{});
  EXPECT_EQ(session.Transcript().size(), 1u);
}

TEST(StartupDrives, OnVistaTheDriveIsCheckedBeforeTheViewer) {
  InstalledCopy nothing;
  ScopedWindowsVersion vista(WinVersion::Vista, {"SETUP.EXE"});
  PlacedSetup placed(kUnmappedUncFolder);
  Process viewer = StartViewer();
  Process setup = placed.Start();
  Session session(setup);
  EXPECT_EQ(session.Answer("OK"), expected::WrongDrive("\\\\kestrasrv\\other"));
  session.RequireExit();
  EXPECT_EQ(session.Transcript().size(), 1u);
}

TEST(StartupDrives, VistaFromAMappedNetworkFolderGoesOnToTheAgreement) {
  InstalledCopy nothing;
  ScopedWindowsVersion vista(WinVersion::Vista, {"SETUP.EXE"});
  PlacedSetup placed(kMappedUncFolder);
  Process setup = placed.Start();
  Session session(setup);
  session.WaitForWindow(kConsent);
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST(StartupDrives, XpFromANetworkFolderShowsTheDriveError) {
  InstalledCopy nothing;
  ScopedWindowsVersion xp(WinVersion::WinXP, {"SETUP.EXE"});
  // Mapped or not: before Vista there is no mapping, only drive letters count.
  for (const char* folder : {kUnmappedUncFolder, kMappedUncFolder}) {
    SCOPED_TRACE(folder);
    PlacedSetup placed(folder);
    Process setup = placed.Start();
    Session session(setup);
    EXPECT_EQ(session.Answer("OK"), expected::DriveInvalid());
    EXPECT_EQ(WindowsSeenUntilExit(session), std::vector<std::string>{});
    EXPECT_EQ(session.Transcript().size(), 1u);
  }
}

TEST(StartupDrives, OnXpTheViewerAndTheRightsAreCheckedBeforeTheDrive) {
  InstalledCopy nothing;
  ScopedWindowsVersion xp(WinVersion::WinXP, {"SETUP.EXE"});
  PlacedSetup placed(kUnmappedUncFolder);
  {
    Process setup = placed.StartWithoutAdminRights();
    Session session(setup);
    EXPECT_EQ(session.Answer("OK"), expected::NoRightsInstall());
    session.RequireExit();
    EXPECT_EQ(session.Transcript().size(), 1u);
  }
  Process viewer = StartViewer();
  Process setup = placed.Start();
  Session session(setup);
  EXPECT_EQ(session.Answer("OK"), expected::ViewerRunningInstall());
  session.RequireExit();
  EXPECT_EQ(session.Transcript().size(), 1u);
}

TEST(StartupDrives, FromTheDvdDriveEveryWindowsReachesTheAgreement) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  for (WinVersion version : {WinVersion::Win98, WinVersion::WinXP, WinVersion::Win8,
                             WinVersion::Win10}) {
    SCOPED_TRACE(testenv::WineVersionName(version));
    ScopedWindowsVersion scoped(version, {"SETUP.EXE"});
    Process setup = placed.Start();
    Session session(setup);
    session.WaitForWindow(kConsent);
    EXPECT_EQ(session.Transcript(), kNoMessage);
  }
}

TEST(StartupChecks, Windows98HasNoRightsToRefuse) {
  InstalledCopy nothing;
  ScopedWindowsVersion win98(WinVersion::Win98, {"SETUP.EXE"});
  PlacedSetup placed(kDvdRoot);
  // Not an NT system: the administrator question is not even asked.
  Process setup = placed.StartWithoutAdminRights();
  Session session(setup);
  session.WaitForWindow(kConsent);
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

// ---------------------------------------------------------------- during the run

TEST(StartupSession, LogOffIsRefusedDuringTheSettingsPageAndShutdownIsNot) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process setup = placed.Start();
  Session session(setup);
  AcceptConsent(session);
  session.WaitForWindow(kSetting);
  uidrv::Window main_form = session.WaitForAnyWindow(kMainForm);
  EXPECT_EQ(main_form.Text(), "Form1");
  EXPECT_EQ(main_form.Send(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 0);
  EXPECT_EQ(main_form.Send(WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), 0);
  EXPECT_NE(main_form.Send(WM_QUERYENDSESSION, 0, 0), 0);
  EXPECT_EQ(main_form.Send(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 0);
  // The queries changed nothing else: the page is still there, no message.
  EXPECT_TRUE(session.WaitForWindow(kSetting, 0ms));
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST(StartupSession, CancellingTheAgreementAndConfirmingEndsSilently) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process setup = placed.Start();
  Session session(setup);
  session.WaitForWindow(kConsent).ChildByText("キャンセル", "Button").Click();
  session.WaitForWindow(kAbortMsg).ChildByText("中止(&X)", "Button").Click();
  EXPECT_EQ(WindowsSeenUntilExit(session), std::vector<std::string>{});
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST(StartupSession, RetryInTheAbortConfirmationReturnsToTheAgreement) {
  InstalledCopy nothing;
  PlacedSetup placed(kDvdRoot);
  Process setup = placed.Start();
  Session session(setup);
  uidrv::Window consent = session.WaitForWindow(kConsent);
  consent.ChildByText("承諾します。", "Button").SetChecked(true);
  consent.ChildByText("キャンセル", "Button").Click();
  session.WaitForWindow(kAbortMsg).ChildByText("再試行(&R)", "Button").Click();
  session.WaitForWindowGone(kAbortMsg);
  EXPECT_TRUE(consent.Visible());
  EXPECT_TRUE(consent.ChildByText("承諾します。", "Button").Checked());
  EXPECT_TRUE(consent.ChildByText("次へ(&N)  >", "Button").Enabled());
  EXPECT_TRUE(setup.Running());
}

}  // namespace
