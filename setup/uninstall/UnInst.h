// The uninstaller: one modal dialog whose button starts one removal run.
#pragma once

#include "ui/Form.h"

namespace kestra {

class TUnInstDlg : public TForm {
 public:
  TUnInstDlg();

  enum ControlId { IdLabel1 = 100, IdBitBtn1, IdCancelBtn };

 protected:
  void CreateControls() override;
  void OnCommand(int id, int code, HWND control) override;
};

}  // namespace kestra
