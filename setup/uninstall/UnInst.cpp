#include "uninstall/UnInst.h"

#include <commctrl.h>

#include "install/RecordFile.h"
#include "script/Profile.h"
#include "system/FileSys.h"
#include "system/Messages.h"
#include "system/ProductTable.h"
#include "ui/Application.h"

namespace kestra {

namespace {

constexpr char kCaption[] = "アンインストール";
constexpr char kExplanation[] =
    "上記製品のアンインストールを行います。\r\n"
    "インストールされた「検索用インデックス」も削除する場合は\r\n"
    "「□検索用インデックスも削除する」にチェックしてください。\r\n"
    "(セットアップ時にインストールしなかった場合は、無効になっています。)\r\n"
    "アンインストールを中止する場合は[ｷｬﾝｾﾙ]ボタンを押してください。";

constexpr int kClientWidth = 516;
constexpr int kClientHeight = 286;
constexpr COLORREF kBlue = RGB(0, 0, 255);
// The index panel's place in the client area.
constexpr RECT kPanel1{16, 136, 500, 208};
// Each processed file is shown this long, so that the progress can be followed.
constexpr DWORD kStepPause = 20;


// The path as DelLabel shows it: control characters (which no file name holds,
// and which only a damaged record brings) become blanks. A tab in a path too
// long for the label makes Wine's path ellipsis (DrawText) fail an assertion
// and end the program; a control character is never the second byte of a
// double-byte character, so the bytes can be replaced one by one.
std::string ShownPath(const std::string& path) {
  std::string shown = path;
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return shown;
}

}  // namespace

TUnInstDlg::TUnInstDlg()
    : TForm("TUnInstDlg", kCaption, kClientWidth, kClientHeight, FormBorder::Single) {}

void TUnInstDlg::CreateControls() {
  const DWORD label = WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
  AddControl("STATIC", "", label, IdLabel1, 16, 12, 484, 20).SetFont(MakeFont(14, true));
  AddControl("STATIC", "", label, IdLabel2, 16, 40, 484, 88);

  // The index panel; its frame is drawn by the form (see PaintPanel1).
  AddControl("STATIC", "検索用インデックスパス", label, IdIndexLabel, kPanel1.left + 12,
             kPanel1.top + 8, 200, 14);
  AddControl("EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, IdCollPathEdit,
             kPanel1.left + 12, kPanel1.top + 24, 460, 20, WS_EX_CLIENTEDGE);
  AddControl("BUTTON", "検索用インデックスも削除する", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
             IdCollDelCheckBox, kPanel1.left + 12, kPanel1.top + 48, 300, 18)
      .SetFont(MakeFont(12, true));

  // Panel2: the run's progress, hidden until a run starts.
  FPanel2 =
      AddControl("STATIC", "", SS_LEFT | WS_CLIPCHILDREN, IdPanel2, 16, 216, 484, 30).Handle();
  FDelLabel =
      AddControl("STATIC", "", label | SS_PATHELLIPSIS, IdDelLabel, 0, 0, 484, 14, 0, FPanel2)
          .Handle();
  FGauge1 = TGauge::Classic(AddControl(PROGRESS_CLASSA, "", WS_VISIBLE | PBS_SMOOTH, IdGauge1, 0,
                                        16, 484, 14, WS_EX_STATICEDGE, FPanel2)
                                 .Handle(),
                             kBlue);

  AddControl("BUTTON", "ｱﾝｲﾝｽﾄｰﾙ(&U)", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IdBitBtn1,
             322, 252, 88, 25);
  AddControl("BUTTON", "ｷｬﾝｾﾙ", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IdCancelBtn, 416, 252,
             88, 25);
}

void TUnInstDlg::FormCreate() {
  FWinDriveRoot = WindowsFolder().substr(0, 3);
  Item(IdLabel1).SetText(std::string(kProduct.title) + " のアンインストール");
  Item(IdLabel2).SetText(kExplanation);

  // The index can be deleted only where an installation recorded a copy of it.
  const std::optional<std::string> index = RecordedIndexCopy(RecordsFolder(FWinDriveRoot));
  Item(IdCollPathEdit).SetText(index.value_or(""));
  Item(IdCollDelCheckBox).SetChecked(false);
  Item(IdCollDelCheckBox).SetEnabled(index.has_value());
}

void TUnInstDlg::StartOnShow(bool remove_index) {
  start_on_show_ = true;
  if (remove_index && Item(IdCollDelCheckBox).Enabled()) Item(IdCollDelCheckBox).SetChecked(true);
}

void TUnInstDlg::FormShow() {
  // The button the user came for has the focus, not the read-only path.
  Item(IdBitBtn1).SetFocus();
  // Pressed from the message loop, once the dialog is on screen.
  if (start_on_show_) ::PostMessageA(Item(IdBitBtn1).Handle(), BM_CLICK, 0, 0);
}

bool TUnInstDlg::Waiting() const { return !FRunning; }

bool TUnInstDlg::CloseQuery() { return Waiting(); }

void TUnInstDlg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  if (!Waiting()) return;
  if (id == IdBitBtn1) BitBtn1Click();
  // Escape asks the same question as the Cancel button.
  if (id == IdCancelBtn || id == IDCANCEL) CancelBtnClick();
}

bool TUnInstDlg::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) {
  switch (msg) {
    case WM_PAINT:
      PaintPanel1();
      *result = 0;
      return true;
    case WM_CLOSE:
      // The dialog has no close button; a close request from outside (Alt+F4,
      // the task list) is a Cancel while waiting and is refused during a run.
      if (Waiting()) CancelBtnClick();
      *result = 0;
      return true;
    default:
      return false;
  }
}

void TUnInstDlg::PaintPanel1() {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(Handle(), &paint);
  RECT frame = kPanel1;
  ::DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  ::EndPaint(Handle(), &paint);
}

void TUnInstDlg::BitBtn1Click() {
  if (Application.Show({Msg::UninstallStartQuestion}) != IDYES)
    return;
  FRunning = true;
  Item(IdBitBtn1).SetEnabled(false);
  Item(IdCancelBtn).SetEnabled(false);
  const int32_t result = RemoveInstalledFiles();
  Application.Show(OutcomeMessage(result));
  FRunning = false;
  ModalResult = mrYes;
}

void TUnInstDlg::CancelBtnClick() {
  if (Application.Show({Msg::UninstallCancelQuestion}) == IDYES)
    ModalResult = mrCancel;
}

int32_t TUnInstDlg::RemoveInstalledFiles() {
  RemovalSettings settings = ProductRemovalSettings(FWinDriveRoot);
  settings.delete_index = Item(IdCollDelCheckBox).Checked();
  settings.index_folder = Item(IdCollPathEdit).Text();
  return kestra::RemoveInstalledFiles(settings, *this);
}

void TUnInstDlg::Begin(int maximum) {
  FGauge1.SetRange(0, maximum);
  FGauge1.SetPosition(0);
  ::ShowWindow(FPanel2, SW_SHOW);
  ProcessMessages();
}

void TUnInstDlg::Step(const std::string& path) {
  ::SetWindowTextA(FDelLabel, ShownPath(path).c_str());
  FGauge1.SetPosition(FGauge1.Position() + 1);
  ::Sleep(kStepPause);
  ProcessMessages();
}

void TUnInstDlg::Pump() { ProcessMessages(); }

void TUnInstDlg::KeyNotDeleted(const std::string& key_path) {
  Application.Show({Msg::KeyNotDeleted, {key_path}});
}

void TUnInstDlg::End() { FGauge1.SetPosition(FGauge1.Maximum()); }

}  // namespace kestra
