// The wizard of SETUP.EXE driven as a user drives it: the licence agreement,
// the abort confirmation and both steps of the settings page, on a fresh
// machine, with an installed copy, with "-TRY", with typed and picked folders.
// Texts, captions, enabled states, colours and the messages are checked as the
// user sees them; what the page commits is read from its controls after it
// closed (it stays alive, hidden, until SETUP ends).
#include <gtest/gtest.h>

#include <windows.h>

#include "RegistryFixtures.h"
#include "SetupHarness.h"
#include "system/FileSys.h"
#include "system/Registry.h"
#include "wizard/Consent.h"
#include "wizard/Setting.h"
#include "wizard/SetupAbort.h"

namespace {

using namespace e2e;
using kestra::TConsentDlg;
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

MessageBoxRecord BadPathBox() {
  return {"エラー", "指定されたパスに誤りがあります。\r\nパスの確認をしてください。", {"OK"},
          "warning"};
}
MessageBoxRecord StartQuestionBox() {
  return {"インストール開始", "ケストラDVD のインストールを開始します。\r\nよろしいですか？",
          {"Yes", "No"}, "information"};
}
MessageBoxRecord InstallDoneBox() {
  return {"完了", "インストールが完了しました。", {"OK"}, "information"};
}
MessageBoxRecord UpgradeDoneBox() {
  return {"完了", "アップグレードが完了しました。", {"OK"}, "information"};
}

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
  EXPECT_EQ(session.Answer("OK"), BadPathBox());
  EXPECT_EQ(page.form.Text(), "環境設定１");

  path.pop_back();  // 259 characters
  edit.Type(path);
  page.Control(TSettingDlg::IdInstallBtn).Click();
  ExpectStep2(page);
  EXPECT_EQ(session.Transcript(), std::vector<MessageBoxRecord>{BadPathBox()});
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
  EXPECT_EQ(session.Answer("Yes"), StartQuestionBox());
  Page closed = ClosedPage(session);
  EXPECT_FALSE(closed.Control(TSettingDlg::IdCheckBox1).Checked());
  EXPECT_EQ(closed.Text(TSettingDlg::IdCollPathEdit), "Q:\\DOCS\\");
  // The page closed with result 1: the run went on to the installation.
  EXPECT_EQ(session.Answer("OK"), InstallDoneBox());
  session.RequireExit();
}

TEST_F(Wizard, StartQuestionAnsweredNoStaysOnStepTwo) {
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  page.Control(TSettingDlg::IdInstallBtn).Click();
  page.Control(TSettingDlg::IdInstallBtn).Click();
  EXPECT_EQ(session.Answer("No"), StartQuestionBox());
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
  EXPECT_EQ(session.Answer("Yes"), StartQuestionBox());
  Page closed = ClosedPage(session);
  EXPECT_FALSE(closed.Control(TSettingDlg::IdCheckBox1).Checked());
  EXPECT_EQ(closed.Text(TSettingDlg::IdCollPathEdit), "Q:\\KESTRA\\DOCS\\");
}

TEST_F(Wizard, DvdFoldersThatDifferAreSummarisedAndOnePickSetsThemAll) {
  wizardtest::SetString(HKEY_CURRENT_USER, kServiceKey, "DVDPath1", "Q:\\");
  wizardtest::SetString(HKEY_CURRENT_USER, kServiceKey, "DVDPath2", "R:\\");
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  Page page = OpenSettingsAfterConsent(session);
  page.Control(TSettingDlg::IdInstallBtn).Click();
  Window summary = page.Control(TSettingDlg::IdLabelDVD1);
  EXPECT_EQ(summary.Text(), kDvdFoldersDiffer);
  EXPECT_EQ(summary.TextColor(), kBlue);
  EXPECT_EQ(page.Text(TSettingDlg::IdDVDInfoLbl), kDvdFoldersDifferInfo);

  page.Control(TSettingDlg::IdDVDSelBtn).Click();
  session.WaitForWindow("#32770").ChildById(IDOK).Click();
  session.WaitForWindowGone("#32770");
  EXPECT_EQ(summary.Text(), "Q:\\");
  EXPECT_EQ(summary.TextColor(), ::GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(page.Text(TSettingDlg::IdDVDInfoLbl), kSameDvdFolders);
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
  EXPECT_EQ(session.Answer("Yes"), UpgradeQuestionBox());
  // The page commits by itself; the run goes on to the installation.
  EXPECT_EQ(session.WaitForMessageBox(), UpgradeDoneBox());
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
  EXPECT_EQ(session.Transcript(), (std::vector<MessageBoxRecord>{UpgradeQuestionBox(),
                                                                 UpgradeDoneBox()}));
}

TEST_F(Wizard, UpgradedIndexOnTheSetupDriveIsUsedFromTheDvd) {
  InstalledCopy older("1.9.3");
  testenv::WriteFile("Q:\\DOCS\\KSCOLL.INF", "x");
  wizardtest::SetString(HKEY_CURRENT_USER, kCollectionKey, "Root", "Q:\\DOCS");
  PlacedSetup placed(kDvdRoot, "1.10.0");
  Process setup = placed.Start();
  Session session(setup);
  session.Answer("Yes");
  EXPECT_EQ(session.WaitForMessageBox(), UpgradeDoneBox());
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
  EXPECT_EQ(session.Answer("No"), StartQuestionBox());
  ExpectStep2(page);
}

}  // namespace
