#include "install/FileInst.h"

#include <commctrl.h>

#include "system/Messages.h"
#include "ui/Application.h"

namespace kestra {

namespace {

constexpr char kCaption[] = "アプリケーションをインストールしています";
constexpr char kIndexCaption[] = "検索用インデックスをインストールしています";
constexpr char kPreparing[] = "インストールの準備中です．．．";
constexpr char kAnimationResource[] = "WD_FILECOPY";
constexpr int kAnimationStopFrame = 34;

constexpr int kClientWidth = 444;
constexpr int kClientHeight = 250;
constexpr int kHeaderHeight = 44;
constexpr COLORREF kTeal = RGB(0, 128, 128);
constexpr COLORREF kBlue = RGB(0, 0, 255);

const char* StepText(int32_t step) {
  switch (step) {
    case InstallRun::StepCopyFiles: return "ファイルをコピーしています。";
    case InstallRun::StepRegistry: return "レジストリへ登録しています。";
    case InstallRun::StepBackup: return "バックアップファイルをコピーしています。";
    case InstallRun::StepShortcuts: return "アイコンを作成しています。";
    case InstallRun::StepIndex: return "検索用インデックスをコピーしています。";
    default: return nullptr;
  }
}


}  // namespace

TFileInstDlg::TFileInstDlg()
    : TForm("TFileInstDlg", kCaption, kClientWidth, kClientHeight, FormBorder::Dialog) {}

void TFileInstDlg::CreateControls() {
  // Button1 first: it is the first (and only) stop of the tab order.
  AddControl("BUTTON", "キャンセル", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IdButton1, 359, 214,
             75, 25);
  label1_ = AddControl("STATIC", kPreparing, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, IdLabel1, 16, 13,
                       412, 20);
  label1_.SetFont(MakeFont(16, true));
  AddControl("STATIC", "-", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, IdMemo1, 20, 52, 397, 21);
  memo2_ = AddControl("STATIC", "-", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, IdMemo2, 20, 72, 397, 33);
  AddControl("STATIC", "全体のコピー状況", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, IdLabel3, 20, 113,
             200, 14);
  gauge2_ = TGauge::Classic(
      AddControl(PROGRESS_CLASSA, "", WS_VISIBLE | PBS_SMOOTH, IdGauge2, 20, 128, 397, 17,
                 WS_EX_STATICEDGE)
          .Handle(),
      kTeal);
  gauge1_ = TGauge::Classic(
      AddControl(PROGRESS_CLASSA, "", WS_VISIBLE | PBS_SMOOTH, IdGauge1, 20, 156, 397, 17,
                 WS_EX_STATICEDGE)
          .Handle(),
      kBlue);
  AddControl("STATIC", "", WS_VISIBLE | SS_ETCHEDHORZ, IdBevel2, 8, 177, kClientWidth - 16, 2);
  AddControl(ANIMATE_CLASSA, "", WS_VISIBLE | ACS_TRANSPARENT, IdAnimate1, 20, 192, 272, 60);
}

void TFileInstDlg::FormCreate() {
  // The animation runs from here until the dialog closes.
  HWND animate = Item(IdAnimate1).Handle();
  ::SendMessageA(animate, ACM_OPENA, reinterpret_cast<WPARAM>(Application.Instance()),
                 reinterpret_cast<LPARAM>(kAnimationResource));
  ::SendMessageA(animate, ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, kAnimationStopFrame));
  ProcessMessages();
}

void TFileInstDlg::FormShow() {
  FCancel = false;
  FStartMode = 0;
  FIndexProgress = 0;
  FPhase = 0;
  ResetBar(Bar::Current, 0);
  ResetBar(Bar::Overall, AppInfo.AppCount);
  FFileList.clear();
  FDirList.clear();
}

void TFileInstDlg::FormClose() {
  ::SendMessageA(Item(IdAnimate1).Handle(), ACM_STOP, 0, 0);
  FFileList.clear();
  FFileList.shrink_to_fit();
  FDirList.clear();
  FDirList.shrink_to_fit();
}

bool TFileInstDlg::CloseQuery() {
  // The run owns the lists until Install returns; closing meanwhile (Alt+F4)
  // would pull them from under it. Cancel is the way to stop.
  return !Running();
}

void TFileInstDlg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  // Escape acts as the Cancel button, and only while that button can be pressed.
  if (id == IdButton1 || (id == IDCANCEL && Item(IdButton1).Enabled())) Button1Click();
}

bool TFileInstDlg::OnMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (msg) {
    case WM_PAINT:
      PaintHeaderBand({0, 0, kClientWidth, kHeaderHeight}, 8);
      *result = 0;
      return true;
    case WM_CTLCOLORSTATIC:
      // The header text sits on the header band.
      if (reinterpret_cast<HWND>(lparam) == label1_.Handle()) {
        HDC dc = reinterpret_cast<HDC>(wparam);
        ::SetBkColor(dc, ::GetSysColor(COLOR_INFOBK));
        ::SetTextColor(dc, ::GetSysColor(COLOR_INFOTEXT));
        *result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_INFOBK));
        return true;
      }
      return false;
    default:
      return false;
  }
}

void TFileInstDlg::Button1Click() {
  // The question is owned by the application window, so this dialog stays
  // enabled meanwhile: a second click must not stack a second question.
  if (asking_cancel_) return;
  asking_cancel_ = true;
  int answer = Application.Show({Msg::InstallCancelQuestion});
  asking_cancel_ = false;
  if (answer == IDYES) FCancel = true;
}

void TFileInstDlg::ShowStep(int32_t step) {
  const char* text = StepText(step);
  if (!text) return;
  Item(IdMemo1).SetText(text);
  if (step == InstallRun::StepIndex) SetCaption(kIndexCaption);
}

void TFileInstDlg::ShowHeading(const std::string& text) {
  // Every file of a group brings the same heading; set again, the label would
  // be painted again for nothing (Wine paints a static control at once on
  // every WM_SETTEXT, a fraction of a millisecond per file).
  if (label1_.Text() != text) label1_.SetText(text);
}
void TFileInstDlg::ShowDetail(const std::string& text) { memo2_.SetText(text); }

void TFileInstDlg::ResetBar(Bar bar, int maximum) {
  GaugeOf(bar).SetRange(0, maximum);
  GaugeOf(bar).SetPosition(0);
}

void TFileInstDlg::MoveBar(Bar bar, int position) { GaugeOf(bar).SetPosition(position); }
void TFileInstDlg::AdvanceBar(Bar bar) { MoveBar(bar, GaugeOf(bar).Position() + 1); }
void TFileInstDlg::Pump() { ProcessMessages(); }
int TFileInstDlg::Ask(const Message& message) { return Application.Show(message); }
void TFileInstDlg::AllowCancel(bool allowed) { Item(IdButton1).SetEnabled(allowed); }

}  // namespace kestra
