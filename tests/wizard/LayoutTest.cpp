// The wizard's fixed Japanese texts fit their controls with the fonts this
// system really has: every hand-broken line stays on one line and every line
// is inside its box, for the texts set at creation and for the texts the
// pages show later (guidance, captions, free-space lines, drive kinds).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "system/Mbcs.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "wizard/Consent.h"
#include "wizard/DirSel.h"
#include "wizard/DriveSel.h"
#include "wizard/Setting.h"
#include "wizard/SettingRules.h"
#include "wizard/SetupAbort.h"
#include "wizard/TextFit.h"

using namespace kestra;

namespace {

struct ChildSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchId(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  if (::GetDlgCtrlID(hwnd) != search->id) return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND Child(HWND form, int id) {
  ChildSearch search{id, nullptr};
  ::EnumChildWindows(form, MatchId, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return lines;
    start = end + 2;
  }
}

std::string WithoutMnemonic(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) out += text[++i];
  }
  return out;
}

// Room a button needs besides its text: the push button's frame, the box or
// circle of a check box or radio button, the frame corner of a group box.
int ButtonExtra(LONG style) {
  switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON: return 8;
    default: return 22;
  }
}

// Checks that text, shown in control with its own font, fits without wrapping.
void ExpectFits(HWND control, const std::string& text, const char* what) {
  ASSERT_TRUE(control) << what;
  char class_name[32] = {};
  ::GetClassNameA(control, class_name, sizeof class_name);
  const LONG style = static_cast<LONG>(::GetWindowLongPtrA(control, GWL_STYLE));
  const bool button = ::lstrcmpiA(class_name, "Button") == 0;
  const std::string shown = button ? WithoutMnemonic(text) : text;

  HDC dc = ::GetDC(control);
  auto font = reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = ::SelectObject(dc, font);
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(dc, &metrics);
  const RECT box = TextBox(control);
  const int width = box.right - box.left - (button ? ButtonExtra(style) : 0);
  const int height = box.bottom - box.top;
  const std::vector<std::string> lines = Lines(shown);
  for (const std::string& line : lines) {
    SIZE size{};
    ::GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size);
    EXPECT_LE(size.cx, width) << what << ": line too wide (" << size.cx << " > " << width << ")";
  }
  EXPECT_LE(static_cast<int>(lines.size()) * metrics.tmHeight, height)
      << what << ": " << lines.size() << " lines of " << metrics.tmHeight << " px in " << height;
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
}

void ExpectOwnTextFits(HWND form, int id, const char* what) {
  HWND control = Child(form, id);
  ExpectFits(control, TControl(control).Text(), what);
}

class WizardLayout : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Application.Handle()) Application.Initialize(::GetModuleHandleA(nullptr));
  }
};

TEST_F(WizardLayout, AbortConfirmationKeepsItsLines) {
  TSetupAbortMsg abort_msg;
  abort_msg.Create();
  const HWND form = abort_msg.Handle();
  ExpectOwnTextFits(form, TSetupAbortMsg::IdMemo1, "Memo1");
  EXPECT_EQ(Lines(TControl(Child(form, TSetupAbortMsg::IdMemo1)).Text()).size(), 9u);
  ExpectOwnTextFits(form, TSetupAbortMsg::IdButton1, "Button1");
  ExpectOwnTextFits(form, TSetupAbortMsg::IdButton2, "Button2");
}

TEST_F(WizardLayout, ConsentTexts) {
  TSetupAbortMsg abort_msg;
  TConsentDlg consent(abort_msg);
  consent.Create();
  const HWND form = consent.Handle();
  for (auto [id, what] : {std::pair{TConsentDlg::IdMemo2, "Memo2"}, {TConsentDlg::IdMemo3, "Memo3"},
                          {TConsentDlg::IdRadioButton1, "RadioButton1"},
                          {TConsentDlg::IdRadioButton2, "RadioButton2"},
                          {TConsentDlg::IdButton2, "Button2"}, {TConsentDlg::IdButton1, "Button1"}})
    ExpectOwnTextFits(form, id, what);
}

TEST_F(WizardLayout, SettingsPageFixedTexts) {
  TSetupAbortMsg abort_msg;
  TSettingDlg setting(abort_msg);
  setting.Create();
  const HWND form = setting.Handle();
  for (auto [id, what] :
       {std::pair{TSettingDlg::IdLabel3, "Label3"}, {TSettingDlg::IdReferenceAprBtn, "参照(&A)"},
        {TSettingDlg::IdLabel4, "Label4"}, {TSettingDlg::IdDefCollBtn, "DefCollBtn"},
        {TSettingDlg::IdCheckBox1, "CheckBox1"}, {TSettingDlg::IdReferenceCollBtn, "参照(&B)"},
        {TSettingDlg::IdLabel5, "Label5"}, {TSettingDlg::IdLabel7, "Label7"},
        {TSettingDlg::IdDVDSelBtn, "DVDSelBtn"}, {TSettingDlg::IdBeforeBtn, "BeforeBtn"},
        {TSettingDlg::IdCancelBtn, "CancelBtn"}})
    ExpectOwnTextFits(form, id, what);
}

TEST_F(WizardLayout, DvdSelectionTexts) {
  TDriveSelDlg drive_sel(nullptr);
  drive_sel.Create();
  const HWND form = drive_sel.Handle();
  for (auto [id, what] :
       {std::pair{TDriveSelDlg::IdLabel4, "Label4"}, {TDriveSelDlg::IdLabel5, "Label5"},
        {TDriveSelDlg::IdBtnCheck, "BtnCheck"}, {TDriveSelDlg::IdBtnUncheck, "BtnUncheck"},
        {TDriveSelDlg::IdUndoBtn, "UndoBtn"}, {TDriveSelDlg::IdDVDPathSelBtn, "DVDPathSelBtn"}})
    ExpectOwnTextFits(form, id, what);
  ExpectFits(Child(form, TDriveSelDlg::IdResultBtn), "セットアップに戻る", "ResultBtn");
}

TEST_F(WizardLayout, DirectoryDialogTextsIncludingBothInstructions) {
  TDirSelDlg dir_sel(nullptr);
  dir_sel.Create();
  const HWND form = dir_sel.Handle();
  for (auto [id, what] :
       {std::pair{TDirSelDlg::IdLabel1, "Label1"}, {TDirSelDlg::IdLabel2, "Label2"},
        {TDirSelDlg::IdLabel3, "Label3"}, {TDirSelDlg::IdButton1, "Button1"},
        {TDirSelDlg::IdButton2, "Button2"}})
    ExpectOwnTextFits(form, id, what);
  ExpectFits(Child(form, TDirSelDlg::IdMemo2),
             "アプリケーションをインストールするディレクトリを選択して下さい。\r\n"
             "インストール先ディレクトリを作成する場合は、パス欄にインストールパスを記入して下さい。",
             "Memo2");
  ExpectFits(Child(form, TDirSelDlg::IdMemo2),
             "検索用インデックスファイルをインストールするディレクトリを選択して下さい。", "Memo2");
}

TEST_F(WizardLayout, SettingsPageTextsShownLater) {
  TSetupAbortMsg abort_msg;
  TSettingDlg setting(abort_msg);
  setting.Create();
  const HWND form = setting.Handle();
  for (Guidance g : {Guidance::Application, Guidance::ApplicationHover, Guidance::Index,
                     Guidance::Dvd, Guidance::Upgrade}) {
    ExpectFits(Child(form, TSettingDlg::IdLabel1), GuidanceOf(g).title, "Label1");
    ExpectFits(Child(form, TSettingDlg::IdLabel2), GuidanceOf(g).text, "Label2");
  }
  for (const char* caption : {"次へ(&N)", "ｲﾝｽﾄｰﾙ(&S)", "ｱｯﾌﾟｸﾞﾚｰﾄﾞ(&S)"})
    ExpectFits(Child(form, TSettingDlg::IdInstallBtn), caption, "InstallBtn");

  const std::string widest_line = FreeSpaceLine("C:\\", 99999999.0 * 1048576.0);
  ExpectFits(Child(form, TSettingDlg::IdAppDrvSizeLabel), widest_line, "AppDrvSizeLabel");
  ExpectFits(Child(form, TSettingDlg::IdCollDrvSizeLabel), widest_line, "CollDrvSizeLabel");
  for (UINT type : {DRIVE_REMOVABLE, DRIVE_FIXED, DRIVE_REMOTE, DRIVE_CDROM, DRIVE_RAMDISK})
    ExpectFits(Child(form, TSettingDlg::IdDrvTypeLabel), DescribeDriveType(type).text,
               "DrvTypeLabel");

  std::vector<std::string> mixed(24, "Q:\\");
  mixed[2] = "R:\\";
  const DvdSummary per_dvd = SummarizeDvdFolders(mixed);
  ExpectFits(Child(form, TSettingDlg::IdDVDInfoLbl), per_dvd.info, "DVDInfoLbl");
  ExpectFits(Child(form, TSettingDlg::IdDVDInfoLbl), SummarizeDvdFolders({"", "Q:\\"}).info,
             "DVDInfoLbl");
  // The notice is shown in bold: the check box has the page's bold font.
  const HWND label_dvd1 = Child(form, TSettingDlg::IdLabelDVD1);
  ::SendMessageA(label_dvd1, WM_SETFONT,
                 ::SendMessageA(Child(form, TSettingDlg::IdCheckBox1), WM_GETFONT, 0, 0), FALSE);
  ExpectFits(label_dvd1, per_dvd.text, "LabelDVD1");
}

}  // namespace
