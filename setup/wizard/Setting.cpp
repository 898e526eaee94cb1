#include "wizard/Setting.h"

#include <windows.h>

#include "system/FileSys.h"
#include "system/Mbcs.h"
#include "system/ProductTable.h"
#include "system/RunValues.h"
#include "system/SysQuery.h"
#include "ui/Application.h"
#include "wizard/Defaults.h"
#include "wizard/DirSel.h"
#include "wizard/DriveSel.h"
#include "folderpick/W8UserSHBrowser.h"
#include "wizard/Panel.h"
#include "wizard/SettingRules.h"
#include "wizard/TextFit.h"
#include "wizard/SetupAbort.h"

namespace kestra {

namespace {


constexpr char kIndexMarkerFile[] = "KSCOLL.INF";

constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// Posted to the page when it shows an upgrade: the upgrade button is pressed
// once the page is on screen.
constexpr UINT kUpgradePressMessage = WM_APP + 0x302;

// Header band (Shape4), in client pixels.
constexpr RECT kShape4{8, 6, 584, 126};

constexpr DWORD kLabelStyle = WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr DWORD kButtonStyle = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

}  // namespace

TSettingDlg::TSettingDlg(TSetupAbortMsg& abort_msg)
    : TForm("TSettingDlg", ViewOfStep(PageStep::Destinations, PageMode::NewInstallation).caption,
            592, 409, FormBorder::Single),
      abort_msg_(abort_msg),
      app_size_color_(kBlack),
      coll_size_color_(kBlack),
      drive_type_color_(kBlack) {}

TSettingDlg::~TSettingDlg() = default;

void TSettingDlg::CreateControls() {
  bold_font_ = MakeFont(12, true);
  title_font_ = MakeFont(16, true);

  CreateHeader();
  PageControl1 = TControl(CreatePanel(Handle(), IdPageControl1, 8, 132, 576, 234, false));
  TabSheet1 = TControl(CreatePanel(PageControl1.Handle(), IdTabSheet1, 0, 0, 576, 234, false));
  TabSheet2 = TControl(CreatePanel(PageControl1.Handle(), IdTabSheet2, 0, 0, 576, 234, false));
  CreateStep1(TabSheet1.Handle());
  CreateStep2(TabSheet2.Handle());
  CreateButtons();
}

void TSettingDlg::CreateHeader() {
  Label1 = AddControl("STATIC", "", kLabelStyle, IdLabel1, 20, 10, 552, 24);
  Label1.SetFont(title_font_);
  Label2 = AddControl("STATIC", "", kLabelStyle, IdLabel2, 20, 36, 560, 86);
  // The guidance lines are broken by hand; the longest must stay on one line.
  const RECT box = TextBox(Label2.Handle());
  std::string all_guidance;
  for (Guidance g : {Guidance::ApplicationHover, Guidance::Index, Guidance::Dvd, Guidance::Upgrade})
    all_guidance += GuidanceOf(g).text + "\r\n";
  const int height = FittingFontHeight(all_guidance, box.right - box.left, 10000, {12, 11, 10});
  Label2.SetFont(MakeFont(height, false));
}

void TSettingDlg::CreateStep1(HWND page) {
  Panel4 = TControl(CreatePanel(page, IdPanel4, 0, 0, 576, 234, false));
  const HWND p4 = Panel4.Handle();

  Panel1 = TControl(CreatePanel(p4, IdPanel1, 0, 0, 576, 100, true));
  const HWND p1 = Panel1.Handle();
  Label3 = AddControl("STATIC", std::string("【 ") + kProduct.title + "インストール先 】",
                      kLabelStyle, IdLabel3, 10, 8, 400, 18, 0, p1);
  Label3.SetFont(bold_font_);
  AppPathEdit = AddControl("EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, IdAppPathEdit,
                           24, 32, 430, 22, WS_EX_CLIENTEDGE, p1);
  ReferenceAprBtn = AddControl("BUTTON", "参照(&A)", kButtonStyle, IdReferenceAprBtn, 466, 31,
                               96, 24, 0, p1);
  AppDrvSizeLabel = AddControl("STATIC", "", kLabelStyle, IdAppDrvSizeLabel, 24, 66, 430, 18, 0,
                               p1);

  Panel2 = TControl(CreatePanel(p4, IdPanel2, 0, 104, 576, 130, true));
  const HWND p2 = Panel2.Handle();
  Label4 = AddControl("STATIC", "【 検索用インデックス インストール先 】", kLabelStyle, IdLabel4,
                      10, 8, 400, 18, 0, p2);
  Label4.SetFont(bold_font_);
  CheckBox1 = AddControl("BUTTON", "検索用インデックスのインストールを行う",
                         WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, IdCheckBox1, 24, 32, 330, 20,
                         0, p2);
  CheckBox1.SetFont(bold_font_);
  DefCollBtn = AddControl("BUTTON", "デフォルトフォルダ(&F)", kButtonStyle | WS_DISABLED,
                          IdDefCollBtn, 418, 30, 144, 24, 0, p2);
  CollPathEdit = AddControl("EDIT", "", WS_VISIBLE | ES_AUTOHSCROLL | ES_READONLY,
                            IdCollPathEdit, 24, 60, 430, 22, WS_EX_CLIENTEDGE, p2);
  ReferenceCollBtn = AddControl("BUTTON", "参照(&B)", kButtonStyle | WS_DISABLED,
                                IdReferenceCollBtn, 466, 59, 96, 24, 0, p2);
  DrvTypeLabel = AddControl("STATIC", "", kLabelStyle, IdDrvTypeLabel, 24, 94, 150, 18, 0, p2);
  DrvTypeLabel.SetFont(bold_font_);
  CollDrvSizeLabel = AddControl("STATIC", "", kLabelStyle, IdCollDrvSizeLabel, 180, 94, 380, 18,
                                0, p2);

  ReportHover(AppPathEdit.Handle());
  ReportHover(CollPathEdit.Handle());
  ReportHover(CheckBox1.Handle());
}

void TSettingDlg::CreateStep2(HWND page) {
  Panel5 = TControl(CreatePanel(page, IdPanel5, 0, 0, 576, 234, false));
  const HWND p5 = Panel5.Handle();
  Label5 = AddControl("STATIC", "【 参照先ＤＶＤ－ＲＯＭドライブ 】", kLabelStyle, IdLabel5, 10,
                      8, 400, 18, 0, p5);
  Label5.SetFont(bold_font_);

  Panel3 = TControl(CreatePanel(p5, IdPanel3, 10, 32, 556, 150, false));
  const HWND p3 = Panel3.Handle();
  Label7 = AddControl("BUTTON", std::string(" ") + kProduct.title + " ",
                      WS_VISIBLE | BS_GROUPBOX, IdLabel7, 0, 0, 556, 140, 0, p3);
  LabelDVD1 = AddControl("EDIT", "", WS_VISIBLE | ES_AUTOHSCROLL | ES_READONLY, IdLabelDVD1, 20,
                         30, 516, 20, 0, p3);
  DVDInfoLbl = AddControl("STATIC", "", kLabelStyle, IdDVDInfoLbl, 20, 62, 516, 18, 0, p3);
  DVDSelBtn = AddControl("BUTTON", "詳細設定(&D)...", kButtonStyle, IdDVDSelBtn, 400, 98, 136,
                         26, 0, p3);
}

void TSettingDlg::CreateButtons() {
  BeforeBtn = AddControl("BUTTON", "戻る(&P)", kButtonStyle | WS_DISABLED, IdBeforeBtn, 318, 374,
                         84, 26);
  InstallBtn = AddControl("BUTTON",
                          ViewOfStep(PageStep::Destinations, PageMode::NewInstallation).install_caption, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                          IdInstallBtn, 408, 374, 84, 26);
  CancelBtn = AddControl("BUTTON", "ｷｬﾝｾﾙ", kButtonStyle, IdCancelBtn, 498, 374, 84, 26);
}

void TSettingDlg::FormCreate() {
  // Step 1 is the active page; the tabs are never shown.
  TabSheet2.SetVisible(false);
  Panel5.SetEnabled(false);
  DvdPathList.clear();
}

void TSettingDlg::LoadDefaults() {
  DestinationDefaults defaults =
      LoadDestinationDefaults(AppInfo, DefaultsInputs::FromRunValues());
  AppInfo = defaults.Record;
  DefaultIndexDir = defaults.Page.DefaultIndexDir;
  DvdIndexDir = defaults.Page.DvdIndexDir;
  RegisteredIndexDir = defaults.Page.RegisteredIndexDir;
  RegisteredIndexFound = defaults.Page.RegisteredIndexFound;
}

void TSettingDlg::FormShow() {
  LoadDefaults();
  SetIndexChecked(true);

  TFAppInfo& app = AppInfo.AppInfo;
  DvdPathList = MakeDvdPathList(app, SetupDrive);
  SetAppPath(AddBackslash(app.InstallDir));
  LabelDVD1.SetText(AddBackslash(app.DVDPaths[0]));
  ShowDvdSummary();

  if (RunMode == kRunModeTry) app.InstallMode = kNewInstallation;
  mode_ = PageModeOf(app.InstallMode);
  EnterStep(PageStep::Destinations);
  if (mode_ == PageMode::Upgrade) {
    SetCollPath(AddBackslash(AppInfo.IndexDir));
    ReferenceAprBtn.SetEnabled(false);
    ReferenceCollBtn.SetEnabled(false);
    DefCollBtn.SetEnabled(false);
    CheckBox1.SetEnabled(false);
    ShowUpgradeIndexState();
  }
  ShowPresets();
  if (mode_ == PageMode::Upgrade) ::PostMessageA(Handle(), kUpgradePressMessage, 0, 0);
}

void TSettingDlg::ShowPresets() {
  PageChoices choices{AppPathEdit.Text(), CheckBox1.Checked(), CollPathEdit.Text(), DvdPathList};
  ApplyPresets(choices, Presets, mode_, RegisteredIndexFound ? RegisteredIndexDir : DefaultIndexDir,
               DvdIndexDir);
  if (choices.app_path != AppPathEdit.Text()) {
    // As a picked folder: the default index folder follows the application's.
    SetAppPath(choices.app_path);
    DefaultIndexDir = IndexFolderOfApplication(choices.app_path);
  }
  SetIndexChecked(choices.index_checked);
  SetCollPath(choices.index_path);
  if (choices.dvd_path_list != DvdPathList) {
    DvdPathList = choices.dvd_path_list;
    LabelDVD1.SetText(DvdPathList[1]);
    ShowDvdSummary();
  }
}

void TSettingDlg::ShowUpgradeIndexState() {
  const UpgradeIndexFacts facts{
      VistaOrLater,
      AppInfo.IndexDir,
      SetupDrive,
      ::GetDriveTypeA(LeadingChars(AppInfo.IndexDir, 3).c_str()),
      CollPathEdit.Text(),
      DvdIndexDir,
      IndexDriveType,
  };
  const bool on_disk = UpgradeKeepsIndexOnDisk(facts);
  SetIndexChecked(on_disk);
  CheckBox1.SetEnabled(true);
  ReferenceCollBtn.SetEnabled(on_disk);
  DefCollBtn.SetEnabled(on_disk);
}

void TSettingDlg::FormClose() { DvdPathList.clear(); }

void TSettingDlg::SetAppPath(const std::string& text) {
  if (AppPathEdit.Text() == text) return;
  setting_text_ = true;
  AppPathEdit.SetText(text);
  setting_text_ = false;
  AppPathEditChange();
}

void TSettingDlg::SetCollPath(const std::string& text) {
  if (CollPathEdit.Text() == text) return;
  setting_text_ = true;
  CollPathEdit.SetText(text);
  setting_text_ = false;
  CollPathEditChange();
}

void TSettingDlg::SetIndexChecked(bool checked) {
  if (CheckBox1.Checked() == checked) return;
  CheckBox1.SetChecked(checked);
  CheckBox1Click();
}

void TSettingDlg::SetGuidance(Guidance guidance) {
  const GuidanceText shown = GuidanceOf(guidance);
  if (Label1.Text() != shown.title) Label1.SetText(shown.title);
  if (Label2.Text() != shown.text) Label2.SetText(shown.text);
}

void TSettingDlg::AppPathEditChange() {
  const std::string app_path = AppPathEdit.Text();
  const double free_bytes = DiskFreeBytes(LeadingChars(app_path, 2));
  const SpaceState space =
      ApplicationSpace(app_path, CollPathEdit.Text(), CheckBox1.Checked(), free_bytes);
  AppDrvSizeLabel.SetText(space.line);
  app_size_color_ = space.enough ? kBlack : kRed;
  ::InvalidateRect(AppDrvSizeLabel.Handle(), nullptr, TRUE);
  InstallBtn.SetEnabled(space.enough);
}

void TSettingDlg::CollPathEditChange() {
  const std::string index_path = CollPathEdit.Text();
  IndexDriveType = ::GetDriveTypeA(LeadingChars(index_path, 3).c_str());
  // Labelled by the rule the index step asks its network question by: a UNC
  // folder is on the network, whatever its first three characters answer.
  const DriveKind kind =
      DescribeDriveType(DriveTypeOfPath(index_path) == DRIVE_REMOTE ? DRIVE_REMOTE : IndexDriveType);
  DrvTypeLabel.SetText(kind.text);
  drive_type_color_ = kind.color;
  ::InvalidateRect(DrvTypeLabel.Handle(), nullptr, TRUE);

  const double free_bytes = DiskFreeBytes(ExtractFileDrive(index_path) + "\\");
  const bool index_present =
      !index_path.empty() && FileExists(AddBackslash(index_path) + kIndexMarkerFile);
  const IndexSpaceState space =
      IndexSpace(AppPathEdit.Text(), index_path, CheckBox1.Checked(), free_bytes, index_present,
                 IndexDriveType, VistaOrLater);
  CollDrvSizeLabel.SetText(space.line);
  if (space.enough) {
    coll_size_color_ = *space.enough ? kBlack : kRed;
    InstallBtn.SetEnabled(*space.enough);
  }
  ::InvalidateRect(CollDrvSizeLabel.Handle(), nullptr, TRUE);
}

void TSettingDlg::CheckBox1Click() {
  const bool checked = CheckBox1.Checked();
  if (checked)
    SetCollPath(RegisteredIndexFound ? RegisteredIndexDir : DefaultIndexDir);
  else
    SetCollPath(DvdIndexDir);
  ReferenceCollBtn.SetEnabled(checked);
  DefCollBtn.SetEnabled(checked);
}

void TSettingDlg::DefCollBtnClick() { SetCollPath(DefaultIndexDir); }

bool TSettingDlg::PickFolder(FolderField field, std::string& folder) {
  if (Win8OrLater) {
    const bool picked = BrowseAsDesktopUser(nullptr, folder, true);
    // The helper's dialog belonged to another user: bring the page back on top.
    ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(Handle());
    return picked;
  }
  if (VistaOrLater) return BrowseForFolder(folder);
  // Kept until the page goes, as the page's own dialogs are.
  dir_sel_ = std::make_unique<TDirSelDlg>(Handle());
  dir_sel_->Create();
  dir_sel_->DirSelMode = field == FolderField::Application ? kDirSelApplication : kDirSelIndex;
  dir_sel_->StartPath = folder;
  if (dir_sel_->ShowModal() != mrOk) return false;
  folder = dir_sel_->StartPath;
  return true;
}

void TSettingDlg::ReferenceAprBtnClick(FolderField field) {
  const bool application = field == FolderField::Application;
  std::string folder = application ? AppPathEdit.Text() : CollPathEdit.Text();
  if (!PickFolder(field, folder)) return;
  folder = AddBackslash(folder);
  if (application) {
    SetAppPath(ApplicationFolderFromPick(folder));
    DefaultIndexDir = IndexFolderOfApplication(AppPathEdit.Text());
  } else {
    SetCollPath(folder);
  }
}

void TSettingDlg::ShowDvdSummary() {
  const DvdSummary summary = SummarizeDvdFolders(DvdPathList);
  dvd_per_number_ = !summary.uniform;
  LabelDVD1.SetFont(summary.uniform ? Font() : bold_font_);
  LabelDVD1.SetText(summary.text);
  DVDInfoLbl.SetText(summary.info);
  ::InvalidateRect(LabelDVD1.Handle(), nullptr, TRUE);
}

void TSettingDlg::DVDSelBtnClick() {
  // The folders as the page loaded them: the dialog's undo returns to them.
  std::vector<std::string> loaded{std::string()};
  for (int i = 0; i < kDvdCount; ++i)
    loaded.push_back(AppInfo.AppInfo.DVDPaths[static_cast<std::size_t>(i)]);
  TDriveSelDlg drive_sel(Handle());
  drive_sel.Create();
  drive_sel.WorkList = &DvdPathList;
  drive_sel.LoadedList = std::move(loaded);
  drive_sel.ProductTitle = kProduct.title;
  drive_sel.SetupMode = kDriveSelFromSettingsPage;
  drive_sel.FillList();
  if (drive_sel.ShowModal() == mrOk && DvdPathList.size() > 1) {
    LabelDVD1.SetText(DvdPathList[1]);
    ShowDvdSummary();
  }
}

void TSettingDlg::EnterStep(PageStep step) {
  step_ = step;
  const StepView view = ViewOfStep(step, mode_);
  SetCaption(view.caption);
  TabSheet2.SetVisible(view.dvd_sheet);
  TabSheet1.SetVisible(!view.dvd_sheet);
  Panel4.SetEnabled(!view.dvd_sheet);
  Panel5.SetEnabled(view.dvd_sheet);
  BeforeBtn.SetEnabled(view.back_enabled);
  InstallBtn.SetText(view.install_caption);
  SetGuidance(view.guidance);
}

void TSettingDlg::BeforeBtnClick() {
  if (step_ != PageStep::DvdFolders) return;
  EnterStep(PageStep::Destinations);
}

void TSettingDlg::InstallBtnClick() {
  switch (InstallActionOf(step_, mode_)) {
    case InstallAction::CheckFolderThenDvdStep: {
      const std::string app_path = AppPathEdit.Text();
      if (!IsUsableApplicationPath(app_path, IsDriveReady(app_path))) {
        Application.Show({Msg::BadPath});
        return;
      }
      EnterStep(PageStep::DvdFolders);
      return;
    }
    case InstallAction::ConfirmThenCommit:
      if (Application.Show({Msg::InstallStartQuestion, {kProduct.title}}) != IDYES) return;
      break;
    case InstallAction::Commit:
      break;
  }
  if (CollPathEdit.Text() == DvdIndexDir) SetIndexChecked(false);
  CommitChoices(AppInfo,
                PageChoices{AppPathEdit.Text(), CheckBox1.Checked(), CollPathEdit.Text(),
                            DvdPathList},
                DvdIndexDir);
  ModalResult = mrOk;
}

void TSettingDlg::CancelBtnClick() {
  if (abort_msg_.ShowModal() == mrAbort) ModalResult = mrAbort;
}

void TSettingDlg::Panel1MouseMove(HWND sender) {
  HoverArea area = HoverArea::Other;  // the check box among others
  if (sender == Panel1.Handle() || sender == AppPathEdit.Handle())
    area = HoverArea::Application;
  else if (sender == Panel2.Handle() || sender == CollPathEdit.Handle())
    area = HoverArea::Index;
  else if (sender == Panel3.Handle())
    area = HoverArea::Dvd;
  if (std::optional<Guidance> guidance = GuidanceOnHover(mode_, area))
    SetGuidance(*guidance);
}

void TSettingDlg::UpgradePress() {
  // Pressed as the user would press it: a disabled button (not enough free
  // space) cannot be pressed, and the page waits for the user instead.
  if (ModalResult != mrNone || !Visible() || !InstallBtn.Enabled()) return;
  InstallBtnClick();
}

void TSettingDlg::OnCommand(int id, int code, HWND) {
  if (id == IdAppPathEdit || id == IdCollPathEdit) {
    if (code != EN_CHANGE || setting_text_) return;
    if (id == IdAppPathEdit)
      AppPathEditChange();
    else
      CollPathEditChange();
    return;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case IdCheckBox1: CheckBox1Click(); break;
    case IdDefCollBtn: DefCollBtnClick(); break;
    case IdReferenceAprBtn: ReferenceAprBtnClick(FolderField::Application); break;
    case IdReferenceCollBtn: ReferenceAprBtnClick(FolderField::Index); break;
    case IdDVDSelBtn: DVDSelBtnClick(); break;
    case IdInstallBtn:
      // Enter reaches here too (default button): only an enabled button acts.
      if (InstallBtn.Enabled()) InstallBtnClick();
      break;
    case IdBeforeBtn: BeforeBtnClick(); break;
    case IdCancelBtn:
    case IDCANCEL: CancelBtnClick(); break;
    default: break;
  }
}

bool TSettingDlg::PaintStatic(HWND control, HDC dc, LRESULT* brush) {
  const int id = ::GetDlgCtrlID(control);
  if (id == IdLabel1 || id == IdLabel2) {
    ::SetTextColor(dc, ::GetSysColor(COLOR_INFOTEXT));
    ::SetBkColor(dc, ::GetSysColor(COLOR_INFOBK));
    *brush = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_INFOBK));
    return true;
  }
  COLORREF color;
  switch (id) {
    case IdLabel3:
    case IdLabel4:
    case IdLabel5: color = kNavy; break;
    case IdAppDrvSizeLabel: color = app_size_color_; break;
    case IdCollDrvSizeLabel: color = coll_size_color_; break;
    case IdDrvTypeLabel: color = drive_type_color_; break;
    case IdLabelDVD1: color = dvd_per_number_ ? kBlue : ::GetSysColor(COLOR_WINDOWTEXT); break;
    default: return false;
  }
  ::SetTextColor(dc, color);
  ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
  *brush = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
  return true;
}

bool TSettingDlg::OnMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (msg) {
    case WM_CTLCOLORSTATIC:
      return PaintStatic(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam), result);
    case WM_PAINT:
      PaintHeaderBand(kShape4, 12);
      *result = 0;
      return true;
    case kHoverMessage:
      Panel1MouseMove(reinterpret_cast<HWND>(wparam));
      *result = 0;
      return true;
    case kUpgradePressMessage:
      UpgradePress();
      *result = 0;
      return true;
    case WM_CLOSE:
      // Closing the window is a cancel like any other: it asks first.
      CancelBtnClick();
      *result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace kestra
