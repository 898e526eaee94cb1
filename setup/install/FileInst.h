// The install dialog: the progress window and the install engine. The start-up
// hands it the settings record, shows it modelessly and calls Install.
#pragma once

#include <string>

#include "system/AppInfo.h"
#include "ui/Form.h"

namespace kestra {

class TFileInstDlg : public TForm {
 public:
  TFileInstDlg();

  enum ControlId { IdLabel1 = 100, IdMemo1, IdMemo2, IdButton1 };

  TFInstAppInfo AppInfo;
  std::string ProgramFileName;  // the running program's file name
  std::string SourceDir;        // its folder on the DVD

  // Runs the installation; true when every step that decides success succeeded.
  bool Install();
  // Registers the PDF viewer control after a successful installation.
  void RegisterPDFViewer();

 protected:
  void CreateControls() override;
};

}  // namespace kestra
