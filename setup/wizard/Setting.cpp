#include "wizard/Setting.h"

#include "wizard/SetupAbort.h"

namespace kestra {

TSettingDlg::TSettingDlg(TSetupAbortMsg& abort_msg)
    : TForm("TSettingDlg", "インストール先の設定", 496, 368, FormBorder::Dialog),
      abort_msg_(abort_msg) {}

void TSettingDlg::CreateControls() {
  AddControl("BUTTON", "インストール(&I)", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
             IdInstallBtn, 312, 332, 82, 25);
  AddControl("BUTTON", "キャンセル", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IdCancelBtn, 402,
             332, 82, 25);
}

void TSettingDlg::InstallBtnClick() { ModalResult = mrOk; }

void TSettingDlg::CancelBtnClick() {
  if (abort_msg_.ShowModal() == mrAbort) ModalResult = mrCancel;
}

void TSettingDlg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  if (id == IdInstallBtn) InstallBtnClick();
  if (id == IdCancelBtn || id == IDCANCEL) CancelBtnClick();
}

}  // namespace kestra
