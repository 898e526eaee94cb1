// The destination settings page: a two-step wizard in one modal window. Step 1
// holds the application folder and the search index (copied to disk or used
// from the DVD), step 2 the DVD folders. When an installed copy is found the
// page shows the upgrade confirmation and commits it by itself.
// Modal result 1: the record holds the user's choices; 3: abort confirmed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "system/AppInfo.h"
#include "ui/Form.h"
#include "wizard/SettingRules.h"

namespace kestra {

class TSetupAbortMsg;
class TDirSelDlg;

class TSettingDlg : public TForm {
 public:
  explicit TSettingDlg(TSetupAbortMsg& abort_msg);
  ~TSettingDlg() override;

  enum ControlId {
    IdLabel1 = 100,
    IdLabel2,
    IdPageControl1,
    IdTabSheet1,
    IdTabSheet2,
    IdPanel4,
    IdPanel1,
    IdLabel3,
    IdAppPathEdit,
    IdReferenceAprBtn,
    IdAppDrvSizeLabel,
    IdPanel2,
    IdLabel4,
    IdDefCollBtn,
    IdCheckBox1,
    IdCollPathEdit,
    IdReferenceCollBtn,
    IdDrvTypeLabel,
    IdCollDrvSizeLabel,
    IdPanel5,
    IdLabel5,
    IdPanel3,
    IdLabel7,
    IdLabelDVD1,
    IdDVDInfoLbl,
    IdDVDSelBtn,
    IdBeforeBtn,
    IdInstallBtn,
    IdCancelBtn,
  };

  // Copied in by the start-up before showing, copied back after closing.
  TFInstAppInfo AppInfo;
  // 1 installation, 2 upgrade, 3 installation forced ("-TRY"); only 3 matters here.
  int32_t RunMode = kRunModeInstall;
  // Choices made beforehand (-LOADINF): shown in place of the proposals.
  PresetChoices Presets;

  // Set by LoadDefaults when the page is shown.
  std::string DefaultIndexDir;
  std::string DvdIndexDir;
  std::string RegisteredIndexDir;
  bool RegisteredIndexFound = false;

 protected:
  void CreateControls() override;
  void FormCreate() override;
  void FormShow() override;
  void FormClose() override;
  void OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  // Event handlers.
  void AppPathEditChange();
  void CollPathEditChange();
  void CheckBox1Click();
  void DefCollBtnClick();
  // The two "参照" buttons share one handler; the field says which was pressed.
  enum class FolderField { Application, Index };
  void ReferenceAprBtnClick(FolderField field);
  void DVDSelBtnClick();
  void InstallBtnClick();
  void BeforeBtnClick();
  void CancelBtnClick();
  void Panel1MouseMove(HWND sender);

  void LoadDefaults();
  void ShowDvdSummary();
  void ShowPresets();

  void CreateHeader();
  void CreateStep1(HWND page);
  void CreateStep2(HWND page);
  void CreateButtons();

  // Setting an edit from code runs its change handler when the text differs;
  // setting the box to the state it has runs nothing.
  void SetAppPath(const std::string& text);
  void SetCollPath(const std::string& text);
  void SetIndexChecked(bool checked);
  void SetGuidance(Guidance guidance);
  void ShowUpgradeIndexState();
  // Shows a step as ViewOfStep describes it for the page's mode.
  void EnterStep(PageStep step);
  bool PickFolder(FolderField field, std::string& folder);
  // Text colour and background of a static text; false: the default.
  bool PaintStatic(HWND control, HDC dc, LRESULT* brush);
  void UpgradePress();

  TSetupAbortMsg& abort_msg_;
  // The directory dialog of systems before Vista, freed with the page.
  std::unique_ptr<TDirSelDlg> dir_sel_;

  TControl Label1, Label2, PageControl1, TabSheet1, TabSheet2;
  TControl Panel4, Panel1, Label3, AppPathEdit, ReferenceAprBtn, AppDrvSizeLabel;
  TControl Panel2, Label4, DefCollBtn, CheckBox1, CollPathEdit, ReferenceCollBtn, DrvTypeLabel,
      CollDrvSizeLabel;
  TControl Panel5, Label5, Panel3, Label7, LabelDVD1, DVDInfoLbl, DVDSelBtn;
  TControl BeforeBtn, InstallBtn, CancelBtn;

  // DVD folders being edited: entry 0 empty, entries 1 to 23 the DVDs.
  std::vector<std::string> DvdPathList;
  UINT IndexDriveType = DRIVE_UNKNOWN;
  PageStep step_ = PageStep::Destinations;
  PageMode mode_ = PageMode::NewInstallation;
  bool setting_text_ = false;

  COLORREF app_size_color_;
  COLORREF coll_size_color_;
  COLORREF drive_type_color_;
  bool dvd_per_number_ = false;
  HFONT bold_font_ = nullptr;
  HFONT title_font_ = nullptr;
};

}  // namespace kestra
