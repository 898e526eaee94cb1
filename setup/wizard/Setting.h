// The destination settings page: the user confirms the application folder,
// the index option and the DVD folders. Modal result 1: go on.
#pragma once

#include <cstdint>

#include "system/AppInfo.h"
#include "ui/Form.h"

namespace kestra {

class TSetupAbortMsg;

class TSettingDlg : public TForm {
 public:
  explicit TSettingDlg(TSetupAbortMsg& abort_msg);

  enum ControlId { IdInstallBtn = 100, IdCancelBtn };

  // Copied in by the start-up before showing, copied back after closing.
  TFInstAppInfo AppInfo;
  // 1 installation, 2 upgrade, 3 installation forced ("-TRY").
  int32_t RunMode = 1;

 protected:
  void CreateControls() override;
  void OnCommand(int id, int code, HWND control) override;

 private:
  void InstallBtnClick();
  void CancelBtnClick();

  TSetupAbortMsg& abort_msg_;
};

}  // namespace kestra
