#include "wizard/SetupAbort.h"

#include "system/ProductTable.h"
#include "wizard/TextFit.h"

namespace kestra {

TSetupAbortMsg::TSetupAbortMsg()
    : TForm("TSetupAbortMsg", "セットアップの中止", 357, 177, FormBorder::Dialog) {}

void TSetupAbortMsg::CreateControls() {
  AddControl("EDIT", "", WS_VISIBLE | ES_MULTILINE | ES_READONLY, IdMemo1, 12, 6, 336, 138);
  AddControl("BUTTON", "再試行(&R)", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IdButton1, 92,
             147, 80, 25);
  AddControl("BUTTON", "中止(&X)", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IdButton2, 184, 147,
             80, 25);
}

void TSetupAbortMsg::FormCreate() {
  const std::string text = std::string(kProduct.title) +
                           " のセットアップは完了していません。\r\n"
                           "セットアッププログラムを今中止すると、プログラムのインス\r\n"
                           "トールはされません。\r\n"
                           "後でセットアッププログラムを実行して、インストールを完了さ\r\n"
                           "せることができます。\r\n"
                           "\r\n"
                           "プログラムのインストールを続行するには、［再試行］をクリックし\r\n"
                           "て下さい。セットアッププログラムを中止するには、［中止］をクリッ\r\n"
                           "クします。";
  // The lines are broken by hand: keep each on one line of the box.
  const RECT box = TextBox(Item(IdMemo1).Handle());
  const int height = FittingFontHeight(text, box.right - box.left, box.bottom - box.top,
                                       {12, 11, 10, 9});
  Item(IdMemo1).SetFont(MakeFont(height, false));
  Item(IdMemo1).SetText(text);
}

void TSetupAbortMsg::Memo1Enter() { Item(IdButton1).SetFocus(); }

void TSetupAbortMsg::OnCommand(int id, int code, HWND) {
  switch (id) {
    case IdMemo1:
      // The text is never the focused control.
      if (code == EN_SETFOCUS) Memo1Enter();
      break;
    case IdButton1:
      if (code == BN_CLICKED) ModalResult = mrRetry;
      break;
    case IdButton2:
      if (code == BN_CLICKED) ModalResult = mrAbort;
      break;
    default:
      break;
  }
}

}  // namespace kestra
