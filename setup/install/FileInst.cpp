#include "install/FileInst.h"

#include "system/SysQuery.h"

namespace kestra {

TFileInstDlg::TFileInstDlg()
    : TForm("TFileInstDlg", "アプリケーションをインストールしています", 444, 250,
            FormBorder::Dialog) {}

void TFileInstDlg::CreateControls() {
  AddControl("STATIC", "インストールの準備中です．．．", WS_VISIBLE | SS_LEFT, IdLabel1, 12, 12,
             420, 20);
  AddControl("STATIC", "-", WS_VISIBLE | SS_LEFT, IdMemo1, 20, 52, 397, 21);
  AddControl("STATIC", "-", WS_VISIBLE | SS_LEFT, IdMemo2, 20, 72, 397, 33);
  AddControl("BUTTON", "キャンセル", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IdButton1, 359, 214,
             75, 25);
}

bool TFileInstDlg::Install() {
  SourceDir = AddBackslash(SourceDir);
  return true;
}

void TFileInstDlg::RegisterPDFViewer() {}

}  // namespace kestra
