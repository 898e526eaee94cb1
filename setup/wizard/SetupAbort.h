// The abort confirmation every wizard page shows when the user wants to cancel.
// Modal result 3 (abort) means the setup is abandoned; 4 (retry) goes on.
#pragma once

#include "ui/Form.h"

namespace kestra {

class TSetupAbortMsg : public TForm {
 public:
  TSetupAbortMsg();

  enum ControlId { IdMemo1 = 100, IdButton1, IdButton2 };

 protected:
  void CreateControls() override;
  void FormCreate() override;
  void OnCommand(int id, int code, HWND control) override;

 private:
  void Memo1Enter();
};

}  // namespace kestra
