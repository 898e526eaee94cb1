// The wizard of SETUP.EXE driven as a user drives it: the licence agreement,
// the abort confirmation and both steps of the settings page, on a fresh
// machine, with an installed copy, with "-TRY", with typed and picked folders.
// Texts, captions, enabled states, colours and the messages are checked as the
// user sees them; what the page commits is read from its controls after it
// closed (it stays alive, hidden, until SETUP ends).
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include "RegistryFixtures.h"
#include "SetupHarness.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/Registry.h"
#include "system/SysQuery.h"
#include "wizard/Consent.h"
#include "wizard/DirSel.h"
#include "wizard/DriveSel.h"
#include "wizard/Setting.h"
#include "wizard/SetupAbort.h"

namespace {

using namespace e2e;
using kestra::TConsentDlg;
using kestra::TDirSelDlg;
using kestra::TDriveSelDlg;
using uidrv::ListRow;
using kestra::TSettingDlg;
using kestra::TSetupAbortMsg;
using uidrv::MessageBoxRecord;
using uidrv::Process;
using uidrv::Session;
using uidrv::Window;
using testenv::ScopedWindowsVersion;
using testenv::WinVersion;

const std::vector<MessageBoxRecord> kNoMessage;

// ------------------------------------------------------------ texts as shown

constexpr char kAgreementIntro[] =
    "以下のライセンス契約をお読み下さい。契約の残りの部分を読むには、Page Down \r\n"
    "キーを押して下さい。";
constexpr char kAgreementNote[] =
    "ケストラDVD をインストールするには、前述ライセンス契約の全ての\r\n"
    "条項を承諾していただく必要があります。";
constexpr char kAbortText[] =
    "ケストラDVD のセットアップは完了していません。\r\n"
    "セットアッププログラムを今中止すると、プログラムのインス\r\n"
    "トールはされません。\r\n"
    "後でセットアッププログラムを実行して、インストールを完了さ\r\n"
    "せることができます。\r\n"
    "\r\n"
    "プログラムのインストールを続行するには、［再試行］をクリックし\r\n"
    "て下さい。セットアッププログラムを中止するには、［中止］をクリッ\r\n"
    "クします。";

constexpr char kApplicationText[] =
    "アプリケーションのインストール先フォルダを指定します。\r\n"
    "アプリケーションをインストールするには、200MByte以上の空き容量が必要です。\r\n"
    "インストールするフォルダを変更する場合は、[ 参照 ] ボタンをクリックして下さい。\r\n"
    "インストール先フォルダを変更した場合は、自動的に[ KESTRA ]フォルダが作成されます。";
constexpr char kApplicationHoverText[] =
    "アプリケーションのインストール先フォルダを指定します。\r\n"
    "アプリケーションをインストールするには、200MByte以上の空き容量が必要です。\r\n"
    "インストールするフォルダを変更する場合は、[ 参照(A) ] ボタンをクリックして下さい。\r\n"
    "インストール先フォルダを変更した場合は、自動的に[ KESTRA ]フォルダが作成されます。";
constexpr char kIndexText[] =
    "検索用インデックスのインストールを指定します。\r\n"
    "検索用インデックスをインストールするには、100MByte以上の空き容量が必要です。\r\n"
    "インストール先を変更するには、[ 参照(B) ] ボタンをクリックし、参照先を変更して下さい。\r\n"
    "検索用インデックスのインストールを行わない場合は、チェックを外して下さい。\r\n"
    "「 検索用インデックスのインストールを行う 」にチェックが付いていない場合はＤＶＤでの運用になります。";
constexpr char kDvdText[] =
    "アプリケーションで使用するＤＶＤドライブを指定します。\r\n"
    "ＤＶＤドライブの参照先を変更するには、[ 詳細設定(&D) ] ボタンをクリックし、参照先を変更して下さい。";
constexpr char kUpgradeText[] =
    "アップグレード対象の［ ケストラDVD ］がインストールされています。\r\n"
    "アップグレードを実行する場合は、[ ｱｯﾌﾟｸﾞﾚｰﾄﾞ(S) ] ボタンを押して下さい。\r\n"
    "アップグレードを中止する場合は、[ ｷｬﾝｾﾙ ] ボタンを押してください。";
constexpr char kSameDvdFolders[] = "※すべてのドライブは同一の参照先に設定されています。";
constexpr char kDvdFoldersDiffer[] = "ドライブがＤＶＤ番号毎に設定されています。";
constexpr char kDvdFoldersDifferInfo[] =
    "※DVDドライブを確認するには　［詳細設定］　を選択してください。";

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// ------------------------------------------------------------ machine state

const std::string kWork = "C:\\kestra_e2e\\wizard\\";
// Folders the pickers start at: one level below a drive root, as Wine's folder
// browser does not reliably preselect deeper folders.
const std::string kPickRoot = "R:\\";
constexpr char kUserProductKey[] = "SOFTWARE\\ZEL\\ケストラDVD";
constexpr char kCollectionKey[] = "SOFTWARE\\ZEL\\ケストラDVD\\Collection";
constexpr char kServiceKey[] = "SOFTWARE\\ZEL\\ケストラDVD\\Service";
constexpr char kEnvironmentKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

std::string ProgramFiles() {
  kestra::RegKey key = kestra::RegKey::Open(
      HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", KEY_READ);
  std::string folder = key.ReadStringOr("ProgramFilesDir");
  return folder.back() == '\\' ? folder : folder + "\\";
}

// Free MiB of a drive as the system reports it now.
double FreeMegabytes(const char* root) {
  ULARGE_INTEGER available{}, total{}, free_total{};
  EXPECT_TRUE(::GetDiskFreeSpaceExA(root, &available, &total, &free_total));
  return static_cast<double>(free_total.QuadPart) / 1048576.0;
}

bool StartsWith(const std::string& text, const std::string& head) {
  return text.rfind(head, 0) == 0;
}

// The figure of a line "[ C:\ ] 空き容量 : 12,345 MByte".
double FigureOf(const std::string& line) {
  const std::string head = "空き容量 : ";
  std::size_t at = line.find(head);
  if (at == std::string::npos) return -1;
  std::string digits;
  for (char c : line.substr(at + head.size()))
    if (c >= '0' && c <= '9') digits += c;
  return digits.empty() ? -1 : std::stod(digits);
}

// Each wizard test starts from a machine without the product, sees Windows 7,
// and puts back what a completed run may change.
class Wizard : public ::testing::Test {
 protected:
  void SetUp() override { testenv::ResetFolder(kWork); }
  void TearDown() override {
    testenv::ResetFolder(kWork);
    for (const char* folder : {"Apps", "kestra"}) ::RemoveDirectoryA((kPickRoot + folder).c_str());
  }

  InstalledCopy nothing_;
  testenv::ScopedRegistryCleanup user_keys_{HKEY_CURRENT_USER, kUserProductKey};
  wizardtest::ScopedRegistryValue path_{HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path"};
  ScopedWindowsVersion win7_{WinVersion::Win7, {"SETUP.EXE"}};
};

// The settings page of a running SETUP and its controls.
struct Page {
  Window form;
  Window Control(int id) const { return form.ChildById(id); }
  std::string Text(int id) const { return Control(id).Text(); }
};

Page OpenSettingsAfterConsent(Session& session) {
  AcceptConsent(session);
  return Page{session.WaitForWindow(kSetting)};
}

// Once the page has closed it stays, hidden, until SETUP ends.
Page ClosedPage(Session& session) {
  Window form = session.WaitForAnyWindow(kSetting);
  for (int i = 0; i < 500 && form.Visible(); ++i) ::Sleep(10);
  EXPECT_FALSE(form.Visible()) << "the settings page is still open";
  return Page{form};
}

void ExpectStep1(const Page& page, const std::string& guidance) {
  EXPECT_EQ(page.form.Text(), "環境設定１");
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel1), "インストール先を指定");
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel2), guidance);
  EXPECT_TRUE(page.Control(TSettingDlg::IdAppPathEdit).Visible());
  EXPECT_FALSE(page.Control(TSettingDlg::IdLabelDVD1).Visible());
  EXPECT_FALSE(page.Control(TSettingDlg::IdBeforeBtn).Enabled());
  EXPECT_EQ(page.Text(TSettingDlg::IdInstallBtn), "次へ(&N)");
}

void ExpectStep2(const Page& page) {
  EXPECT_EQ(page.form.Text(), "環境設定２");
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel1), "参照先ＤＶＤドライブの指定");
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel2), kDvdText);
  EXPECT_FALSE(page.Control(TSettingDlg::IdAppPathEdit).Visible());
  EXPECT_TRUE(page.Control(TSettingDlg::IdLabelDVD1).Visible());
  EXPECT_TRUE(page.Control(TSettingDlg::IdBeforeBtn).Enabled());
  EXPECT_EQ(page.Text(TSettingDlg::IdInstallBtn), "ｲﾝｽﾄｰﾙ(&S)");
}

// ============================================================ licence agreement

TEST_F(Wizard, AgreementNextIsEnabledOnlyWhileAccepted) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Window consent = session.WaitForWindow(kConsent);
  EXPECT_EQ(consent.Text(), "使用許諾");
  EXPECT_EQ(consent.ChildById(TConsentDlg::IdMemo2).Text(), kAgreementIntro);
  EXPECT_EQ(consent.ChildById(TConsentDlg::IdMemo3).Text(), kAgreementNote);
  const std::string agreement = consent.ChildById(TConsentDlg::IdMemo1).Text();
  EXPECT_NE(agreement.find("第1条（定義）\r\n"), std::string::npos) << "agreement not loaded";
  EXPECT_TRUE(consent.ChildById(TConsentDlg::IdMemo1).Focused());

  Window accept = consent.ChildByText("承諾します。", "Button");
  Window decline = consent.ChildByText("承諾しません。", "Button");
  Window next = consent.ChildByText("次へ(&N)  >", "Button");
  EXPECT_FALSE(accept.Checked());
  EXPECT_FALSE(decline.Checked());
  EXPECT_FALSE(next.Enabled());

  accept.Click();
  EXPECT_TRUE(accept.Checked());
  EXPECT_TRUE(next.Enabled());
  decline.Click();
  EXPECT_TRUE(decline.Checked());
  EXPECT_FALSE(accept.Checked());
  EXPECT_FALSE(next.Enabled());
  accept.Click();
  EXPECT_TRUE(next.Enabled());
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST_F(Wizard, AgreementScrollsWithPageDown) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Window consent = session.WaitForWindow(kConsent);
  Window memo = consent.ChildById(TConsentDlg::IdMemo1);
  EXPECT_EQ(memo.Send(EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  consent.PressKey(VK_NEXT);
  EXPECT_GT(memo.Send(EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

TEST_F(Wizard, CancelThenRetryKeepsTheAgreementWithItsChoice) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Window consent = session.WaitForWindow(kConsent);
  consent.ChildByText("承諾します。", "Button").Click();
  consent.ChildByText("キャンセル", "Button").Click();

  Window abort_msg = session.WaitForWindow(kAbortMsg);
  EXPECT_EQ(abort_msg.Text(), "セットアップの中止");
  EXPECT_EQ(abort_msg.ChildById(TSetupAbortMsg::IdMemo1).Text(), kAbortText);
  EXPECT_FALSE(abort_msg.ChildById(TSetupAbortMsg::IdMemo1).Focused());
  abort_msg.ChildByText("再試行(&R)", "Button").Click();
  session.WaitForWindowGone(kAbortMsg);

  EXPECT_TRUE(consent.Visible());
  EXPECT_TRUE(consent.ChildByText("承諾します。", "Button").Checked());
  EXPECT_TRUE(consent.ChildByText("次へ(&N)  >", "Button").Enabled());
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST_F(Wizard, EnterInTheAbortConfirmationMeansRetry) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Window consent = session.WaitForWindow(kConsent);
  consent.ChildByText("キャンセル", "Button").Click();
  Window abort_msg = session.WaitForWindow(kAbortMsg);
  EXPECT_TRUE(abort_msg.ChildByText("再試行(&R)", "Button").Focused());
  abort_msg.PressKey(VK_RETURN);
  session.WaitForWindowGone(kAbortMsg);
  EXPECT_TRUE(consent.Visible());
  EXPECT_TRUE(setup.Running());
}

TEST_F(Wizard, AbortEndsTheRunSilently) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  session.WaitForWindow(kConsent).ChildByText("キャンセル", "Button").Click();
  session.WaitForWindow(kAbortMsg).ChildByText("中止(&X)", "Button").Click();
  EXPECT_EQ(WindowsSeenUntilExit(session), std::vector<std::string>{});
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST_F(Wizard, ClosingTheAgreementAsksFirst) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Window consent = session.WaitForWindow(kConsent);
  ::PostMessageA(consent.Handle(), WM_CLOSE, 0, 0);
  session.WaitForWindow(kAbortMsg).ChildByText("再試行(&R)", "Button").Click();
  session.WaitForWindowGone(kAbortMsg);
  EXPECT_TRUE(consent.Visible());
}

// ============================================================ settings page

TEST_F(Wizard, FreshMachineStepOne) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  ExpectStep1(page, kApplicationText);

  EXPECT_EQ(page.Text(TSettingDlg::IdLabel3), "【 ケストラDVDインストール先 】");
  EXPECT_EQ(page.Control(TSettingDlg::IdLabel3).TextColor(), kNavy);
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel4), "【 検索用インデックス インストール先 】");
  EXPECT_EQ(page.Text(TSettingDlg::IdAppPathEdit), ProgramFiles() + "KESTRA\\");
  Window check = page.Control(TSettingDlg::IdCheckBox1);
  EXPECT_EQ(check.Text(), "検索用インデックスのインストールを行う");
  EXPECT_TRUE(check.Checked());
  EXPECT_EQ(page.Text(TSettingDlg::IdCollPathEdit), "C:\\ZEL\\KESTRA\\DOCS\\");
  EXPECT_TRUE(page.Control(TSettingDlg::IdDefCollBtn).Enabled());
  EXPECT_TRUE(page.Control(TSettingDlg::IdReferenceCollBtn).Enabled());
  EXPECT_EQ(page.Text(TSettingDlg::IdDrvTypeLabel), "ローカルディスク");
  EXPECT_EQ(page.Control(TSettingDlg::IdDrvTypeLabel).TextColor(), kBlack);
  EXPECT_TRUE(page.Control(TSettingDlg::IdInstallBtn).Enabled());
  EXPECT_EQ(page.Text(TSettingDlg::IdCancelBtn), "ｷｬﾝｾﾙ");

  // The free-space line: the volume's free space in whole MiB, with separators.
  const std::string line = page.Text(TSettingDlg::IdAppDrvSizeLabel);
  EXPECT_TRUE(StartsWith(line, "[ C:\\ ] 空き容量 : ")) << uidrv::ToUtf8(line);
  EXPECT_EQ(line.substr(line.size() - 6), " MByte");
  const double shown = FigureOf(line);
  EXPECT_NEAR(shown, FreeMegabytes("C:\\"), 256.0) << uidrv::ToUtf8(line);
  if (shown >= 1000) {
    EXPECT_NE(line.find(','), std::string::npos) << uidrv::ToUtf8(line);
  }
  EXPECT_EQ(page.Control(TSettingDlg::IdAppDrvSizeLabel).TextColor(), kBlack);
  EXPECT_TRUE(StartsWith(page.Text(TSettingDlg::IdCollDrvSizeLabel), "[ C:\\ ] 空き容量 : "));
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST_F(Wizard, NextAndBackSwitchStepsAndCaptions) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  page.Control(TSettingDlg::IdInstallBtn).Click();
  ExpectStep2(page);
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel5), "【 参照先ＤＶＤ－ＲＯＭドライブ 】");
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel7), " ケストラDVD ");
  // Every DVD is the setup drive: one folder, in the window-text colour.
  EXPECT_EQ(page.Text(TSettingDlg::IdLabelDVD1), "Q:\\");
  EXPECT_EQ(page.Control(TSettingDlg::IdLabelDVD1).TextColor(), ::GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(page.Text(TSettingDlg::IdDVDInfoLbl), kSameDvdFolders);
  EXPECT_EQ(page.Text(TSettingDlg::IdDVDSelBtn), "詳細設定(&D)...");

  page.Control(TSettingDlg::IdBeforeBtn).Click();
  ExpectStep1(page, kApplicationText);
  page.Control(TSettingDlg::IdInstallBtn).Click();
  ExpectStep2(page);
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST_F(Wizard, HoverGuidanceFollowsTheMouse) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  auto hover = [&](int id) { page.Control(id).Send(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)); };

  hover(TSettingDlg::IdCollPathEdit);
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel1), "検索用インデックスを指定");
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel2), kIndexText);
  hover(TSettingDlg::IdCheckBox1);  // the check box changes nothing
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel2), kIndexText);
  hover(TSettingDlg::IdAppPathEdit);
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel1), "インストール先を指定");
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel2), kApplicationHoverText);
  hover(TSettingDlg::IdPanel2);
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel2), kIndexText);
  hover(TSettingDlg::IdPanel1);
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel2), kApplicationHoverText);

  page.Control(TSettingDlg::IdInstallBtn).Click();
  hover(TSettingDlg::IdPanel4);  // not a guidance area
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel2), kDvdText);
  hover(TSettingDlg::IdPanel1);
  hover(TSettingDlg::IdPanel3);
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel1), "参照先ＤＶＤドライブの指定");
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel2), kDvdText);
}

TEST_F(Wizard, ApplicationPathOf260CharactersIsRefused) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  Window edit = page.Control(TSettingDlg::IdAppPathEdit);
  std::string path = "C:\\";
  while (path.size() < 260) path += 'a';

  edit.Type(path);
  EXPECT_EQ(edit.Text(), path);
  page.Control(TSettingDlg::IdInstallBtn).Click();
  EXPECT_EQ(session.Answer("OK"), expected::BadPath());
  EXPECT_EQ(page.form.Text(), "環境設定１");

  path.pop_back();  // 259 characters
  edit.Type(path);
  page.Control(TSettingDlg::IdInstallBtn).Click();
  ExpectStep2(page);
  EXPECT_EQ(session.Transcript(), std::vector<MessageBoxRecord>{expected::BadPath()});
}

TEST_F(Wizard, ApplicationPathOnAMissingDriveIsRefusedAndShownRed) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  Window edit = page.Control(TSettingDlg::IdAppPathEdit);
  Window line = page.Control(TSettingDlg::IdAppDrvSizeLabel);
  Window next = page.Control(TSettingDlg::IdInstallBtn);

  edit.Type("j:\\KESTRA\\");
  EXPECT_EQ(line.Text(), "[ J:\\ ] 空き容量 : 0 MByte");
  EXPECT_EQ(line.TextColor(), kRed);
  EXPECT_FALSE(next.Enabled());

  // A Japanese folder whose last character ends in byte 0x5C.
  edit.Type("C:\\ソフト\\表");
  EXPECT_EQ(edit.Text(), "C:\\ソフト\\表");
  EXPECT_TRUE(StartsWith(line.Text(), "[ C:\\ ] 空き容量 : "));
  EXPECT_EQ(line.TextColor(), kBlack);
  EXPECT_TRUE(next.Enabled());
  next.Click();
  ExpectStep2(page);
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST_F(Wizard, UncheckingTheIndexUsesItFromTheDvdAndCommitsNoCopy) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  page.Control(TSettingDlg::IdCheckBox1).SetChecked(false);
  EXPECT_EQ(page.Text(TSettingDlg::IdCollPathEdit), "Q:\\DOCS\\");
  EXPECT_FALSE(page.Control(TSettingDlg::IdDefCollBtn).Enabled());
  EXPECT_FALSE(page.Control(TSettingDlg::IdReferenceCollBtn).Enabled());
  EXPECT_EQ(page.Text(TSettingDlg::IdDrvTypeLabel), "ＲＯＭドライブ");
  // The index edit accepts no typing.
  EXPECT_THROW(page.Control(TSettingDlg::IdCollPathEdit).Type("C:\\X\\"), std::runtime_error);

  page.Control(TSettingDlg::IdInstallBtn).Click();
  page.Control(TSettingDlg::IdInstallBtn).Click();
  EXPECT_EQ(session.Answer("Yes"), expected::InstallStartQuestion());
  Page closed = ClosedPage(session);
  EXPECT_FALSE(closed.Control(TSettingDlg::IdCheckBox1).Checked());
  EXPECT_EQ(closed.Text(TSettingDlg::IdCollPathEdit), "Q:\\DOCS\\");
  // The page closed with result 1: the run went on to the installation.
  EXPECT_EQ(session.Answer("OK"), expected::InstallDone());
  session.RequireExit();
}

TEST_F(Wizard, StartQuestionAnsweredNoStaysOnStepTwo) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  page.Control(TSettingDlg::IdInstallBtn).Click();
  page.Control(TSettingDlg::IdInstallBtn).Click();
  EXPECT_EQ(session.Answer("No"), expected::InstallStartQuestion());
  EXPECT_TRUE(page.form.Visible());
  ExpectStep2(page);
}

TEST_F(Wizard, CancelOnTheSettingsPageAsksTheAbortConfirmation) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  page.Control(TSettingDlg::IdCancelBtn).Click();
  session.WaitForWindow(kAbortMsg).ChildByText("再試行(&R)", "Button").Click();
  session.WaitForWindowGone(kAbortMsg);
  EXPECT_TRUE(page.form.Visible());

  ::PostMessageA(page.form.Handle(), WM_CLOSE, 0, 0);  // closing asks too
  session.WaitForWindow(kAbortMsg).ChildByText("中止(&X)", "Button").Click();
  session.RequireExit();
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST_F(Wizard, PickedApplicationFolderGetsTheProductFolderAndItsIndexDefault) {
  kestra::ForceDirectories(kPickRoot + "Apps");
  kestra::ForceDirectories(kPickRoot + "kestra");
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  Window edit = page.Control(TSettingDlg::IdAppPathEdit);

  // The folder browser starts at the edit's folder; OK takes it.
  auto pick_typed_folder = [&](const std::string& folder) {
    edit.Type(folder);
    page.Control(TSettingDlg::IdReferenceAprBtn).Click();
    Window browser = session.WaitForWindow("#32770");
    browser.ChildById(IDOK).Click();
    session.WaitForWindowGone("#32770");
  };
  pick_typed_folder(kPickRoot + "Apps");
  EXPECT_EQ(edit.Text(), kPickRoot + "Apps\\KESTRA\\");
  EXPECT_EQ(page.Text(TSettingDlg::IdCollPathEdit), "C:\\ZEL\\KESTRA\\DOCS\\");  // unchanged
  page.Control(TSettingDlg::IdDefCollBtn).Click();
  EXPECT_EQ(page.Text(TSettingDlg::IdCollPathEdit), kPickRoot + "Apps\\KESTRA\\DOCS\\");

  // Case-sensitive: "kestra" gets its own KESTRA below it.
  pick_typed_folder(kPickRoot + "kestra");
  EXPECT_EQ(edit.Text(), kPickRoot + "kestra\\KESTRA\\");
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

// An index folder named by its UNC path is labelled as on the network, by its
// form: Wine answers DRIVE_FIXED for a share's root where Windows answers
// DRIVE_REMOTE, and both DRIVE_NO_ROOT_DIR for its first three characters.
TEST_F(Wizard, IndexFolderOnAUncShareIsLabelledAsOnTheNetwork) {
  const std::string share_work = std::string(testenv::kOtherShare) + "\\kestra_wizard\\";
  struct Cleanup {
    std::string folder;
    ~Cleanup() {
      testenv::ResetFolder(folder);
      ::RemoveDirectoryA(folder.c_str());
    }
  } cleanup{share_work};
  testenv::WriteFile(share_work + "KSCOLL.INF", "[CollectionVersion]\r\nVersion=5\r\n");
  wizardtest::SetString(HKEY_CURRENT_USER, kCollectionKey, "Root", share_work);
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  EXPECT_EQ(page.Text(TSettingDlg::IdCollPathEdit), share_work);
  EXPECT_EQ(page.Text(TSettingDlg::IdDrvTypeLabel), "ネットワークドライブ");
  EXPECT_EQ(page.Control(TSettingDlg::IdDrvTypeLabel).TextColor(), kRed);
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST_F(Wizard, TheDvdsOwnIndexChosenWithTheBoxCheckedIsNotCopied) {
  // SETUP in Q:\KESTRA\: its index is Q:\KESTRA\DOCS\, which is also the
  // default index of the application folder Q:\KESTRA\.
  PlacedSetup placed("Q:\\KESTRA\\", "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  page.Control(TSettingDlg::IdAppPathEdit).Type("Q:\\KESTRA");
  page.Control(TSettingDlg::IdReferenceAprBtn).Click();
  session.WaitForWindow("#32770").ChildById(IDOK).Click();
  session.WaitForWindowGone("#32770");
  page.Control(TSettingDlg::IdDefCollBtn).Click();
  EXPECT_EQ(page.Text(TSettingDlg::IdCollPathEdit), "Q:\\KESTRA\\DOCS\\");
  EXPECT_TRUE(page.Control(TSettingDlg::IdCheckBox1).Checked());

  page.Control(TSettingDlg::IdInstallBtn).Click();
  page.Control(TSettingDlg::IdInstallBtn).Click();
  EXPECT_EQ(session.Answer("Yes"), expected::InstallStartQuestion());
  Page closed = ClosedPage(session);
  EXPECT_FALSE(closed.Control(TSettingDlg::IdCheckBox1).Checked());
  EXPECT_EQ(closed.Text(TSettingDlg::IdCollPathEdit), "Q:\\KESTRA\\DOCS\\");
}

TEST_F(Wizard, BeforeVistaTheDefaultIndexIsUnderProgramFiles) {
  ScopedWindowsVersion xp(WinVersion::WinXP, {"SETUP.EXE"});
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  EXPECT_EQ(page.Text(TSettingDlg::IdCollPathEdit), ProgramFiles() + "KESTRA\\DOCS\\");
  EXPECT_TRUE(page.Control(TSettingDlg::IdInstallBtn).Enabled());
  EXPECT_EQ(page.Control(TSettingDlg::IdCollDrvSizeLabel).TextColor(), kBlack);
}

// ============================================================ DVD drive selection

constexpr char kDriveSel[] = "TDriveSelDlg";
constexpr char kDirSel[] = "TDirSelDlg";
constexpr char kServiceMachineKey[] = "SOFTWARE\\ZEL\\ケストラDVD\\Service";

// The label of each row, top to bottom: the judgement volume (DVD 3) last.
std::string DvdRowLabel(int row) {
  if (row == 1) return "1 番 民事篇";
  if (row == 2) return "2 番 刑事篇";
  if (row == 23) return " 判決文 1 番";
  return std::to_string(row) + " 番 追補版";
}

// The rows a user should see: every row with one folder, or as given.
std::vector<ListRow> DvdRows(const std::vector<std::string>& folders, bool checked) {
  std::vector<ListRow> rows;
  for (int row = 1; row <= 23; ++row)
    rows.push_back({{"", DvdRowLabel(row),
                     folders.size() == 1 ? folders[0] : folders[static_cast<std::size_t>(row - 1)]},
                    checked});
  return rows;
}

// Step 2 of the page, then "詳細設定(&D)...".
Window OpenDvdSelection(Session& session, const Page& page) {
  if (page.form.Text() == "環境設定１") page.Control(TSettingDlg::IdInstallBtn).Click();
  page.Control(TSettingDlg::IdDVDSelBtn).Click();
  return session.WaitForWindow(kDriveSel);
}

void ReturnToSetup(Session& session, const Window& drive_sel) {
  drive_sel.ChildById(TDriveSelDlg::IdResultBtn).Click();
  session.WaitForWindowGone(kDriveSel);
}

// "参照先を変更(&D)..." before Vista: the directory dialog, where the folder is typed.
Window OpenDirSelFromDvdSelection(Session& session, const Window& drive_sel) {
  drive_sel.ChildById(TDriveSelDlg::IdDVDPathSelBtn).Click();
  return session.WaitForWindow(kDirSel);
}

void PickTyped(Session& session, const Window& dir_sel, const std::string& folder) {
  dir_sel.ChildById(TDirSelDlg::IdEditPath).Type(folder);
  dir_sel.ChildById(TDirSelDlg::IdButton1).Click();
  session.WaitForWindowGone(kDirSel);
}

// Before Vista the DVD selection picks with the installer's own directory
// dialog: every DVD starts as the setup drive Q:\.
class DvdSelection : public Wizard {
 protected:
  void SetUp() override {
    Wizard::SetUp();
    kestra::ForceDirectories(kPickRoot + "Apps");
  }
  void TearDown() override {
    ::RemoveDirectoryA((kPickRoot + "Apps").c_str());
    Wizard::TearDown();
  }
  ScopedWindowsVersion xp_{WinVersion::WinXP, {"SETUP.EXE"}};
};

TEST_F(DvdSelection, OpensWithEveryRowCheckedAndTheFirstPickSetsEveryDvd) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  Window drive_sel = OpenDvdSelection(session, page);
  EXPECT_EQ(drive_sel.Text(), "DVDドライブの変更  - ケストラDVD -");
  EXPECT_EQ(drive_sel.ChildById(TDriveSelDlg::IdLabel4).Text(), "DVDドライブの参照先を変更します。");
  EXPECT_EQ(drive_sel.ChildById(TDriveSelDlg::IdLabel5).Text(),
            "参照先を変更するDVD番号にチェックを入れ、［参照先を変更］ を選択してください。");
  EXPECT_EQ(drive_sel.ChildById(TDriveSelDlg::IdBtnCheck).Text(), "全て選択");
  EXPECT_EQ(drive_sel.ChildById(TDriveSelDlg::IdBtnUncheck).Text(), "全て解除");
  EXPECT_EQ(drive_sel.ChildById(TDriveSelDlg::IdDVDPathSelBtn).Text(), "参照先を変更(&D)...");
  EXPECT_EQ(drive_sel.ChildById(TDriveSelDlg::IdResultBtn).Text(), "セットアップに戻る");
  Window list = drive_sel.ChildById(TDriveSelDlg::IdListView1);
  Window undo = drive_sel.ChildById(TDriveSelDlg::IdUndoBtn);
  EXPECT_EQ(undo.Text(), "変更を取り消す");
  EXPECT_EQ(list.ListRows(), DvdRows({"Q:\\"}, true));
  EXPECT_FALSE(undo.Enabled());
  // No close box and no cancel: closing the window does nothing.
  EXPECT_EQ(::GetWindowLongPtrA(drive_sel.Handle(), GWL_STYLE) & WS_SYSMENU, 0);
  ::PostMessageA(drive_sel.Handle(), WM_CLOSE, 0, 0);
  drive_sel.PressKey(VK_ESCAPE);
  EXPECT_TRUE(drive_sel.Visible());

  // The picker starts at the first checked row's folder, as a plain folder.
  Window dir_sel = OpenDirSelFromDvdSelection(session, drive_sel);
  EXPECT_EQ(dir_sel.ChildById(TDirSelDlg::IdEditPath).Text(), "Q:\\");
  EXPECT_FALSE(dir_sel.ChildById(TDirSelDlg::IdMemo2).Visible());
  PickTyped(session, dir_sel, kPickRoot + "Apps");
  EXPECT_EQ(list.ListRows(), DvdRows({kPickRoot + "Apps\\"}, true));
  EXPECT_TRUE(undo.Enabled());
  undo.Click();
  EXPECT_EQ(list.ListRows(), DvdRows({"Q:\\"}, true));
  EXPECT_FALSE(undo.Enabled());

  PickTyped(session, OpenDirSelFromDvdSelection(session, drive_sel), kPickRoot + "Apps");
  ReturnToSetup(session, drive_sel);
  EXPECT_EQ(page.Text(TSettingDlg::IdLabelDVD1), "R:\\APPS\\");  // shown upper-cased
  EXPECT_EQ(page.Control(TSettingDlg::IdLabelDVD1).TextColor(), ::GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(page.Text(TSettingDlg::IdDVDInfoLbl), kSameDvdFolders);
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST_F(DvdSelection, OnlyTheJudgementRowChangesDvdThreeThroughTheInstallation) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  page.Control(TSettingDlg::IdCheckBox1).SetChecked(false);
  Window drive_sel = OpenDvdSelection(session, page);
  Window list = drive_sel.ChildById(TDriveSelDlg::IdListView1);
  drive_sel.ChildById(TDriveSelDlg::IdBtnUncheck).Click();
  EXPECT_EQ(list.ListRows(), DvdRows({"Q:\\"}, false));
  list.SetRowChecked(22, true);
  PickTyped(session, OpenDirSelFromDvdSelection(session, drive_sel), kPickRoot + "Apps");
  std::vector<ListRow> expected = DvdRows({"Q:\\"}, false);
  expected[22] = {{"", " 判決文 1 番", kPickRoot + "Apps\\"}, true};
  EXPECT_EQ(list.ListRows(), expected);
  ReturnToSetup(session, drive_sel);
  EXPECT_EQ(page.Text(TSettingDlg::IdLabelDVD1), kDvdFoldersDiffer);
  EXPECT_EQ(page.Control(TSettingDlg::IdLabelDVD1).TextColor(), kBlue);
  EXPECT_EQ(page.Text(TSettingDlg::IdDVDInfoLbl), kDvdFoldersDifferInfo);

  page.Control(TSettingDlg::IdInstallBtn).Click();
  EXPECT_EQ(session.Answer("Yes"), expected::InstallStartQuestion());
  EXPECT_EQ(session.Answer("OK"), expected::InstallDone());
  session.RequireExit();
  kestra::RegKey service = kestra::RegKey::Open(HKEY_LOCAL_MACHINE, kServiceMachineKey, KEY_READ);
  EXPECT_EQ(service.ReadStringOr("DVDPath3"), kPickRoot + "Apps\\");
  EXPECT_EQ(service.ReadStringOr("DVDPath1"), "Q:\\");
  EXPECT_EQ(service.ReadStringOr("DVDPath4"), "Q:\\");
  EXPECT_EQ(service.ReadStringOr("DVDPath23"), "Q:\\");
}

TEST_F(DvdSelection, NoRowCheckedOpensNoPickerAndReturningUnchangedKeepsTheFolders) {
  wizardtest::SetString(HKEY_CURRENT_USER, kServiceKey, "DVDPath1", "Q:\\");
  wizardtest::SetString(HKEY_CURRENT_USER, kServiceKey, "DVDPath4", "R:\\");
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  Window drive_sel = OpenDvdSelection(session, page);
  Window list = drive_sel.ChildById(TDriveSelDlg::IdListView1);
  std::vector<std::string> folders(23, "Q:\\");
  folders[2] = "R:\\";  // DVD 4 is row 3
  EXPECT_EQ(list.ListRows(), DvdRows(folders, true));
  drive_sel.ChildById(TDriveSelDlg::IdBtnUncheck).Click();
  drive_sel.ChildById(TDriveSelDlg::IdDVDPathSelBtn).Click();
  drive_sel.Send(WM_NULL, 0, 0);  // the click has been handled
  for (const Window& window : session.TopLevelWindows()) EXPECT_NE(window.ClassName(), kDirSel);
  EXPECT_EQ(list.ListRows(), DvdRows(folders, false));
  EXPECT_FALSE(drive_sel.ChildById(TDriveSelDlg::IdUndoBtn).Enabled());
  ReturnToSetup(session, drive_sel);
  EXPECT_EQ(page.Text(TSettingDlg::IdLabelDVD1), kDvdFoldersDiffer);

  drive_sel = OpenDvdSelection(session, page);
  EXPECT_EQ(drive_sel.ChildById(TDriveSelDlg::IdListView1).ListRows(), DvdRows(folders, true));
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

TEST_F(DvdSelection, UndoReturnsToTheFoldersOfTheLoadingAfterAnEarlierVisit) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  Window drive_sel = OpenDvdSelection(session, page);
  PickTyped(session, OpenDirSelFromDvdSelection(session, drive_sel), kPickRoot + "Apps");
  ReturnToSetup(session, drive_sel);
  EXPECT_EQ(page.Text(TSettingDlg::IdLabelDVD1), "R:\\APPS\\");  // shown upper-cased

  drive_sel = OpenDvdSelection(session, page);
  Window list = drive_sel.ChildById(TDriveSelDlg::IdListView1);
  Window undo = drive_sel.ChildById(TDriveSelDlg::IdUndoBtn);
  EXPECT_EQ(list.ListRows(), DvdRows({kPickRoot + "Apps\\"}, true));
  EXPECT_TRUE(undo.Enabled());
  undo.Click();
  EXPECT_EQ(list.ListRows(), DvdRows({"Q:\\"}, true));
  EXPECT_FALSE(undo.Enabled());
  ReturnToSetup(session, drive_sel);
  EXPECT_EQ(page.Text(TSettingDlg::IdLabelDVD1), "Q:\\");
  EXPECT_EQ(page.Text(TSettingDlg::IdDVDInfoLbl), kSameDvdFolders);
}

TEST_F(Wizard, OnWindows7TheDvdSelectionPicksWithTheShellsBrowser) {
  wizardtest::SetString(HKEY_CURRENT_USER, kServiceKey, "DVDPath1", "Q:\\");
  wizardtest::SetString(HKEY_CURRENT_USER, kServiceKey, "DVDPath2", "R:\\");
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  Window drive_sel = OpenDvdSelection(session, page);
  drive_sel.ChildById(TDriveSelDlg::IdDVDPathSelBtn).Click();
  // It starts at the first checked row's folder; OK takes it for every row.
  session.WaitForWindow("#32770").ChildById(IDOK).Click();
  session.WaitForWindowGone("#32770");
  EXPECT_EQ(drive_sel.ChildById(TDriveSelDlg::IdListView1).ListRows(), DvdRows({"Q:\\"}, true));
  ReturnToSetup(session, drive_sel);
  EXPECT_EQ(page.Text(TSettingDlg::IdLabelDVD1), "Q:\\");
  EXPECT_EQ(page.Text(TSettingDlg::IdDVDInfoLbl), kSameDvdFolders);
}

// OK on the folder the dialog shows as selected (its status text), which is
// returned. Wine's browser selects the start folder a moment after it shows,
// and folders deeper than one level below a root not reliably at all: where
// expected is given, the test waits for it.
std::string ChooseInDirPick(const Process& setup, const std::string& expected = "") {
  Window dialog = WaitForDirPickDialog(setup);
  Window status = dialog.ChildById(14147);
  for (int i = 0; i < 250 && (status.Text().empty() || (!expected.empty() && status.Text() != expected)); ++i)
    ::Sleep(20);
  std::string selected = status.Text();
  // Nothing preselected: the browser stands on the desktop, which is answered.
  if (selected.empty()) {
    char desktop[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop);
    selected = desktop;
  }
  if (!expected.empty()) {
    EXPECT_EQ(selected, expected) << "the start folder is not selected";
  }
  dialog.ChildById(IDOK).Click();
  for (int i = 0; i < 750 && uidrv::FindTopLevelWindow("#32770").Handle(); ++i) ::Sleep(20);
  return selected;
}

// SETUP takes DIRPICK's answer on its next look at the ended process (every 100 ms).
std::string TextOnceChanged(const Window& control, const std::string& before) {
  for (int i = 0; i < 250 && control.Text() == before; ++i) ::Sleep(20);
  return control.Text();
}

TEST_F(Wizard, OnWindows8AndLaterTheFoldersArePickedInDirPicksOwnProcess) {
  kestra::ForceDirectories(kPickRoot + "Apps\\KESTRA\\DOCS");
  struct Tidy {
    ~Tidy() {
      ::RemoveDirectoryA((kPickRoot + "Apps\\KESTRA\\DOCS").c_str());
      ::RemoveDirectoryA((kPickRoot + "Apps\\KESTRA").c_str());
    }
  } tidy;
  // DVDs in two folders, so that the pick changes the list.
  wizardtest::SetString(HKEY_CURRENT_USER, kServiceKey, "DVDPath1", "Q:\\");
  wizardtest::SetString(HKEY_CURRENT_USER, kServiceKey, "DVDPath2", "R:\\");
  for (WinVersion version : {WinVersion::Win8, WinVersion::Win10}) {
    SCOPED_TRACE(testenv::WineVersionName(version));
    ScopedWindowsVersion seen(version, {"SETUP.EXE"});
    Process shell = StartDesktopShell();
    PlacedSetup placed(kDvdRoot, "1.10.0");
    Process setup = placed.Start();
    Session session(setup);
    Page page = OpenSettingsAfterConsent(session);

    // The application folder: DIRPICK starts at the edit's folder, "KESTRA\" is added.
    page.Control(TSettingDlg::IdAppPathEdit).Type(kPickRoot + "Apps");
    page.Control(TSettingDlg::IdReferenceAprBtn).Click();
    ChooseInDirPick(setup, kPickRoot + "Apps");
    EXPECT_EQ(TextOnceChanged(page.Control(TSettingDlg::IdAppPathEdit), kPickRoot + "Apps"),
              kPickRoot + "Apps\\KESTRA\\");
    // The index folder: whatever DIRPICK answers is taken as chosen.
    page.Control(TSettingDlg::IdDefCollBtn).Click();
    const std::string proposed = page.Text(TSettingDlg::IdCollPathEdit);
    page.Control(TSettingDlg::IdReferenceCollBtn).Click();
    const std::string index = kestra::AddBackslash(ChooseInDirPick(setup));
    if (index != proposed) {
      EXPECT_EQ(TextOnceChanged(page.Control(TSettingDlg::IdCollPathEdit), proposed), index);
    }

    // The DVD selection's picker: every checked row gets the folder.
    Window drive_sel = OpenDvdSelection(session, page);
    drive_sel.ChildById(TDriveSelDlg::IdDVDPathSelBtn).Click();
    ChooseInDirPick(setup, kDvdRoot);
    Window list = drive_sel.ChildById(TDriveSelDlg::IdListView1);
    for (int i = 0; i < 250 && !drive_sel.ChildById(TDriveSelDlg::IdUndoBtn).Enabled(); ++i)
      ::Sleep(20);
    EXPECT_EQ(list.ListRows(), DvdRows({std::string(kDvdRoot)}, true));
    ReturnToSetup(session, drive_sel);
    EXPECT_EQ(session.Transcript(), kNoMessage);
  }
}

// ============================================================ directory dialog

// One use of the directory dialog from the page's "参照" buttons before Vista.
struct DirSelCase {
  const char* what;
  int tag;                              // 0: application folder (mode 0), 1: index folder (mode 1)
  std::vector<std::string> folders;     // made below R:\Apps\ first
  std::string typed;
  std::vector<std::pair<MessageBoxRecord, std::string>> boxes;  // each box and its answer
  std::string result;   // the page's edit afterwards; empty: the dialog stays and is cancelled
  std::string created;  // a folder that exists afterwards
};

TEST_F(DvdSelection, DirectoryDialogOkRulesFromThePage) {
  const std::string apps = kPickRoot + "Apps\\";
  const std::vector<DirSelCase> cases = {
      {"existing product folder below", 0, {"KESTRA"}, kPickRoot + "Apps", {}, apps + "KESTRA\\", ""},
      {"product folder created on Yes", 0, {}, kPickRoot + "Apps",
       {{expected::CreateFolderQuestion(apps + "KESTRA\\"), "Yes"}}, apps + "KESTRA\\", apps + "KESTRA"},
      {"kestra in any case as typed", 0, {}, apps + "kestra", {}, apps + "kestra\\KESTRA\\", ""},
      {"no second KESTRA, No stays", 0, {}, apps + "KESTRA\\",
       {{expected::CreateFolderQuestion(apps + "KESTRA\\"), "No"}}, "", ""},
      {"missing drive, no question", 1, {}, "J:\\Index", {{expected::DriveMissing("J:"), "OK"}}, "", ""},
      {"index folder created on Yes", 1, {}, apps + "Index",
       {{expected::CreateFolderQuestion(apps + "Index"), "Yes"}}, apps + "Index\\", apps + "Index"},
      {"a file in the way", 1, {}, apps + "blocked",
       {{expected::CreateFolderQuestion(apps + "blocked"), "Yes"}}, "", ""},
      {"a drive without its root: the drive's current folder", 1, {"Index"}, "R:Apps\\Index", {},
       apps + "Index\\", ""},
  };
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  std::vector<MessageBoxRecord> boxes_seen;
  for (const DirSelCase& c : cases) {
    SCOPED_TRACE(c.what);
    testenv::ResetFolder(apps);
    for (const std::string& folder : c.folders) kestra::ForceDirectories(apps + folder);
    testenv::WriteFile(apps + "blocked", "a file, not a folder");
    const int edit_id = c.tag == 0 ? TSettingDlg::IdAppPathEdit : TSettingDlg::IdCollPathEdit;
    const std::string before = page.Text(edit_id);
    page.Control(c.tag == 0 ? TSettingDlg::IdReferenceAprBtn : TSettingDlg::IdReferenceCollBtn)
        .Click();
    Window dir_sel = session.WaitForWindow(kDirSel);
    EXPECT_EQ(dir_sel.Text(), "ディレクトリの選択");
    EXPECT_EQ(dir_sel.ChildById(TDirSelDlg::IdEditPath).Text(), before);
    EXPECT_EQ(dir_sel.ChildById(TDirSelDlg::IdMemo2).Text(),
              c.tag == 0 ? "アプリケーションをインストールするディレクトリを選択して下さい。\r\n"
                           "インストール先ディレクトリを作成する場合は、パス欄にインストールパスを記入して下さい。"
                         : "検索用インデックスファイルをインストールするディレクトリを選択して下さい。");
    dir_sel.ChildById(TDirSelDlg::IdEditPath).Type(c.typed);
    dir_sel.ChildById(TDirSelDlg::IdButton1).Click();
    for (const auto& [box, answer] : c.boxes) {
      EXPECT_EQ(session.Answer(answer), box);
      boxes_seen.push_back(box);
    }
    if (c.result.empty()) {
      // Still open, with the typed path; cancel leaves the page's edit alone.
      EXPECT_TRUE(dir_sel.Visible());
      EXPECT_EQ(dir_sel.ChildById(TDirSelDlg::IdEditPath).Text(), c.typed);
      dir_sel.ChildById(TDirSelDlg::IdButton2).Click();
      session.WaitForWindowGone(kDirSel);
      EXPECT_EQ(page.Text(edit_id), before);
    } else {
      session.WaitForWindowGone(kDirSel);
      EXPECT_EQ(page.Text(edit_id), c.result);
    }
    if (!c.created.empty()) {
      EXPECT_TRUE(kestra::DirectoryExists(c.created));
    }
    EXPECT_EQ(session.Transcript(), boxes_seen);
  }
  ::DeleteFileA((apps + "blocked").c_str());
  testenv::ResetFolder(apps);
}

TEST_F(DvdSelection, BrowsingTheDirectoryDialogRewritesThePathAndTypingMovesNothing) {
  kestra::ForceDirectories(kPickRoot + "Apps\\Sub");
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  page.Control(TSettingDlg::IdAppPathEdit).Type(kPickRoot);
  page.Control(TSettingDlg::IdReferenceAprBtn).Click();
  Window dir_sel = session.WaitForWindow(kDirSel);
  Window edit = dir_sel.ChildById(TDirSelDlg::IdEditPath);
  Window folders = dir_sel.ChildById(TDirSelDlg::IdDirectoryListBox1);
  Window drives = dir_sel.ChildById(TDirSelDlg::IdDriveComboBox1);
  EXPECT_EQ(edit.Text(), kPickRoot);
  EXPECT_EQ(folders.SelectedItem(), kPickRoot);
  EXPECT_EQ(drives.SelectedItem().substr(0, 2), "R:");
  for (const std::string& drive : drives.Items())
    EXPECT_EQ(drive.substr(0, 2), kestra::AnsiUpperCase(drive.substr(0, 2)));

  edit.Type("C:\\typed\\path");
  EXPECT_EQ(folders.SelectedItem(), kPickRoot);  // typing moves no list
  EXPECT_EQ(drives.SelectedItem().substr(0, 2), "R:");
  folders.ChooseItem("Apps");
  EXPECT_EQ(edit.Text(), kPickRoot + "Apps");
  folders.OpenItem("Apps");
  EXPECT_EQ(folders.Items(), (std::vector<std::string>{kPickRoot, "Apps", "Sub"}));
  folders.OpenItem("Sub");
  EXPECT_EQ(edit.Text(), kPickRoot + "Apps\\Sub");
  drives.ChooseItem("C:");
  EXPECT_EQ(edit.Text(), "C:\\");
  EXPECT_EQ(folders.SelectedItem(), "C:\\");
  dir_sel.ChildById(TDirSelDlg::IdButton2).Click();
  session.WaitForWindowGone(kDirSel);
  EXPECT_EQ(page.Text(TSettingDlg::IdAppPathEdit), kPickRoot);
  ::RemoveDirectoryA((kPickRoot + "Apps\\Sub").c_str());
  EXPECT_EQ(session.Transcript(), kNoMessage);
}

// ============================================================ installed copy

std::string ViewerFolder() {
  const std::string exe = testenv::TestBinary("KESTRA.EXE");
  return exe.substr(0, exe.find_last_of('\\') + 1);
}

TEST_F(Wizard, InstalledCopyIsUpgradedWithoutAQuestion) {
  InstalledCopy older("1.9.3");
  testenv::WriteFile(kWork + "Index\\KSCOLL.INF", "x");
  wizardtest::SetString(HKEY_CURRENT_USER, kCollectionKey, "Root", kWork + "Index");
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  EXPECT_EQ(session.Answer("Yes"), expected::UpgradeQuestion());
  // The page commits by itself; the run goes on to the installation.
  EXPECT_EQ(session.WaitForMessageBox(), expected::UpgradeDone());
  Page page{session.WaitForAnyWindow(kSetting)};
  EXPECT_FALSE(page.form.Visible());
  EXPECT_EQ(page.form.Text(), "環境設定１");
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel1), "アップグレードの確認");
  EXPECT_EQ(page.Text(TSettingDlg::IdLabel2), kUpgradeText);
  EXPECT_EQ(page.Text(TSettingDlg::IdInstallBtn), "ｱｯﾌﾟｸﾞﾚｰﾄﾞ(&S)");
  EXPECT_FALSE(page.Control(TSettingDlg::IdReferenceAprBtn).Enabled());
  EXPECT_EQ(page.Text(TSettingDlg::IdAppPathEdit), ViewerFolder());
  // The recorded index on a local disk stays there.
  EXPECT_TRUE(page.Control(TSettingDlg::IdCheckBox1).Checked());
  EXPECT_TRUE(page.Control(TSettingDlg::IdCheckBox1).Enabled());
  EXPECT_TRUE(page.Control(TSettingDlg::IdReferenceCollBtn).Enabled());
  EXPECT_EQ(page.Text(TSettingDlg::IdCollPathEdit), kWork + "Index\\");
  session.Answer("OK");
  session.RequireExit();
  EXPECT_EQ(session.Transcript(), (std::vector<MessageBoxRecord>{expected::UpgradeQuestion(),
                                                                 expected::UpgradeDone()}));
}

TEST_F(Wizard, UpgradedIndexOnTheSetupDriveIsUsedFromTheDvd) {
  InstalledCopy older("1.9.3");
  testenv::WriteFile("Q:\\DOCS\\KSCOLL.INF", "x");
  wizardtest::SetString(HKEY_CURRENT_USER, kCollectionKey, "Root", "Q:\\DOCS");
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  session.Answer("Yes");
  EXPECT_EQ(session.WaitForMessageBox(), expected::UpgradeDone());
  Page page{session.WaitForAnyWindow(kSetting)};
  ::DeleteFileA("Q:\\DOCS\\KSCOLL.INF");
  ::RemoveDirectoryA("Q:\\DOCS");
  EXPECT_FALSE(page.Control(TSettingDlg::IdCheckBox1).Checked());
  EXPECT_TRUE(page.Control(TSettingDlg::IdCheckBox1).Enabled());
  EXPECT_FALSE(page.Control(TSettingDlg::IdReferenceCollBtn).Enabled());
  EXPECT_FALSE(page.Control(TSettingDlg::IdDefCollBtn).Enabled());
  EXPECT_EQ(page.Text(TSettingDlg::IdCollPathEdit), "Q:\\DOCS\\");
}

TEST_F(Wizard, TryTurnsAnInstalledCopyIntoANewInstallation) {
  InstalledCopy older("1.9.3");
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start("-TRY");
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  ExpectStep1(page, kApplicationText);
  // The installed folder is still proposed.
  EXPECT_EQ(page.Text(TSettingDlg::IdAppPathEdit), ViewerFolder());
  EXPECT_TRUE(page.Control(TSettingDlg::IdReferenceAprBtn).Enabled());
  page.Control(TSettingDlg::IdInstallBtn).Click();
  ExpectStep2(page);
  page.Control(TSettingDlg::IdInstallBtn).Click();
  EXPECT_EQ(session.Answer("No"), expected::InstallStartQuestion());
  ExpectStep2(page);
}

}  // namespace
