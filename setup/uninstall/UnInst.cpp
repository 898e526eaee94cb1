#include "uninstall/UnInst.h"

#include "system/ProductTable.h"

namespace kestra {

TUnInstDlg::TUnInstDlg() : TForm("TUnInstDlg", "アンインストール", 516, 286, FormBorder::Single) {}

void TUnInstDlg::CreateControls() {
  AddControl("STATIC", std::string(kProduct.title) + " のアンインストール", WS_VISIBLE | SS_LEFT,
             IdLabel1, 16, 12, 480, 20);
  AddControl("BUTTON", "ｱﾝｲﾝｽﾄｰﾙ(&U)", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IdBitBtn1,
             328, 248, 85, 25);
  AddControl("BUTTON", "ｷｬﾝｾﾙ", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IdCancelBtn, 420, 248,
             85, 25);
}

void TUnInstDlg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  if (id == IdBitBtn1) ModalResult = mrYes;
  if (id == IdCancelBtn || id == IDCANCEL) ModalResult = mrCancel;
}

}  // namespace kestra
