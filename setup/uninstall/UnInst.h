// The uninstaller: one modal dialog whose button starts one removal run (see
// uninstall/Removal.h) on the user-interface thread, then shows its outcome
// and closes.
#pragma once

#include <cstdint>
#include <string>

#include "ui/Controls.h"
#include "ui/Form.h"
#include "uninstall/Removal.h"

namespace kestra {

class TUnInstDlg : public TForm, private RemovalObserver {
 public:
  TUnInstDlg();

  enum ControlId {
    IdLabel1 = 100,
    IdLabel2,
    IdIndexLabel,
    IdCollPathEdit,
    IdCollDelCheckBox,
    IdPanel2,
    IdDelLabel,
    IdGauge1,
    IdBitBtn1,
    IdCancelBtn,
  };

  // The removal run with the dialog's settings: 0 removed completely, -1 some
  // files remain, -2 no uninstall record.
  int32_t RemoveInstalledFiles();

  // An unattended uninstall (-SILENT) shows only its progress: the run starts
  // by itself once the dialog is shown, with the index removed too when asked
  // and a copy of it is recorded. Before ShowModal.
  void StartOnShow(bool remove_index);

 protected:
  void CreateControls() override;
  void FormCreate() override;
  void FormShow() override;
  bool CloseQuery() override;
  void OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void BitBtn1Click();
  void CancelBtnClick();
  void PaintPanel1();
  // Both buttons can be pressed (not while a run goes on).
  bool Waiting() const;

  // RemovalObserver: the run's progress in Panel2.
  void Begin(int maximum) override;
  void Step(const std::string& path) override;
  void Pump() override;
  void KeyNotDeleted(const std::string& key_path) override;
  void End() override;

  std::string FWinDriveRoot;  // taken when the dialog is created
  bool start_on_show_ = false;
  HWND FPanel2 = nullptr;
  HWND FDelLabel = nullptr;
  TGauge FGauge1;
  bool FRunning = false;
};

}  // namespace kestra
