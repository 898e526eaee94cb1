#include "wizard/DriveSel.h"

#include <commctrl.h>
#include <windows.h>

#include "system/FileSys.h"
#include "system/SysQuery.h"
#include "wizard/DirSel.h"
#include "folderpick/W8UserSHBrowser.h"
#include "wizard/SettingRules.h"

namespace kestra {

// ------------------------------------------------------------ decisions

int ListIndexOfRow(int row) {
  if (row <= 2) return row;
  if (row == kDvdRowCount) return 3;
  return row + 1;
}

std::string DvdRowLabel(int row) {
  switch (row) {
    case 1: return "1 番 民事篇";
    case 2: return "2 番 刑事篇";
    case kDvdRowCount: return " 判決文 1 番";
    default: return std::to_string(ListIndexOfRow(row) - 1) + " 番 追補版";
  }
}

const std::string& EntryOfRow(const std::vector<std::string>& list, int row) {
  static const std::string kNone;
  const auto index = static_cast<std::size_t>(ListIndexOfRow(row));
  return index < list.size() ? list[index] : kNone;
}

DvdRows RowsFromList(const std::vector<std::string>& list) {
  DvdRows rows(kDvdRowCount);
  for (int row = 1; row <= kDvdRowCount; ++row)
    rows[static_cast<std::size_t>(row - 1)].folder = EntryOfRow(list, row);
  return rows;
}

std::string PickerStartFolder(const DvdRows& rows, const std::string& current_directory) {
  for (const DvdRow& row : rows)
    if (row.checked && !row.folder.empty()) return row.folder;
  return LeadingChars(current_directory, 2) + "\\";
}

bool AnyRowChecked(const DvdRows& rows) {
  for (const DvdRow& row : rows)
    if (row.checked) return true;
  return false;
}

void SetCheckedRowsFolder(DvdRows& rows, const std::string& picked) {
  for (DvdRow& row : rows)
    if (row.checked) row.folder = AddBackslash(picked);
}

void UndoToLoaded(DvdRows& rows, const std::vector<std::string>& loaded_list) {
  for (int row = 1; row <= static_cast<int>(rows.size()); ++row) {
    DvdRow& shown = rows[static_cast<std::size_t>(row - 1)];
    const std::string& loaded = EntryOfRow(loaded_list, row);
    if (shown.folder != loaded) shown.folder = loaded;
  }
}

bool DiffersFromLoaded(const DvdRows& rows, const std::vector<std::string>& loaded_list) {
  for (int row = 1; row <= static_cast<int>(rows.size()); ++row)
    if (rows[static_cast<std::size_t>(row - 1)].folder != EntryOfRow(loaded_list, row)) return true;
  return false;
}

std::vector<int> WriteChangedRows(const DvdRows& rows, std::vector<std::string>& work_list) {
  if (work_list.size() < kDvdRowCount + 1) work_list.resize(kDvdRowCount + 1);
  std::vector<int> changed;
  for (int row = 1; row <= static_cast<int>(rows.size()); ++row) {
    const std::string& folder = rows[static_cast<std::size_t>(row - 1)].folder;
    std::string& entry = work_list[static_cast<std::size_t>(ListIndexOfRow(row))];
    if (entry == folder) continue;
    entry = folder;
    changed.push_back(ListIndexOfRow(row));
  }
  return changed;
}

int FittedPathColumnWidth(const PathColumnFit& fit) {
  if (fit.hscroll_shown) return fit.auto_width;
  const int usable = fit.client_width - (fit.vscroll_shown ? 0 : fit.vscroll_width);
  if (fit.other_columns + fit.auto_width < usable) return usable - fit.other_columns;
  return fit.auto_width;
}

FolderPicker PickerOfSystem(bool vista_or_later, bool win8_or_later) {
  if (win8_or_later) return FolderPicker::DesktopUser;
  if (vista_or_later) return FolderPicker::InProcess;
  return FolderPicker::DirectoryDialog;
}

// ------------------------------------------------------------ the form

namespace {

constexpr char kCaption[] = "DVDドライブの変更";
constexpr char kResultCaption[] = "セットアップに戻る";
constexpr int kCheckColumnWidth = 20;
constexpr int kLabelColumnWidth = 85;

constexpr DWORD kButtonStyle = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kLabelStyle = WS_VISIBLE | SS_LEFT | SS_NOPREFIX;

void AddColumn(HWND list, int index, const char* title, int format, int width) {
  LVCOLUMNA column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = format;
  column.cx = width;
  column.pszText = const_cast<char*>(title);
  column.iSubItem = index;
  ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&column));
}

void SetSubItemText(HWND list, int item, int sub_item, const std::string& text) {
  LVITEMA cell{};
  cell.iSubItem = sub_item;
  cell.pszText = const_cast<char*>(text.c_str());
  ::SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&cell));
}

bool RowChecked(HWND list, int item) {
  const auto state = static_cast<UINT>(
      ::SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK));
  return (state >> 12) == 2;
}

void SetRowChecked(HWND list, int item, bool checked) {
  LVITEMA state{};
  state.stateMask = LVIS_STATEIMAGEMASK;
  state.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&state));
}

std::string CurrentDirectory() {
  const DWORD length = ::GetCurrentDirectoryA(0, nullptr);
  if (length == 0) return std::string();
  std::string folder(length, '\0');
  const DWORD got = ::GetCurrentDirectoryA(length, folder.data());
  folder.resize(got < length ? got : 0);
  return folder;
}

}  // namespace

TDriveSelDlg::TDriveSelDlg(HWND owner)
    : TForm("TDriveSelDlg", kCaption, 531, 401, FormBorder::Dialog) {
  SetOwner(owner);
}

void TDriveSelDlg::CreateControls() {
  Label4 = AddControl("STATIC", "DVDドライブの参照先を変更します。", kLabelStyle, IdLabel4, 16, 12,
                      500, 18);
  Label5 = AddControl(
      "STATIC", "参照先を変更するDVD番号にチェックを入れ、［参照先を変更］ を選択してください。",
      kLabelStyle, IdLabel5, 16, 32, 505, 18);
  BtnCheck = AddControl("BUTTON", "全て選択", kButtonStyle, IdBtnCheck, 16, 62, 72, 22);
  BtnUncheck = AddControl("BUTTON", "全て解除", kButtonStyle, IdBtnUncheck, 92, 62, 72, 22);
  UndoBtn = AddControl("BUTTON", "変更を取り消す", kButtonStyle, IdUndoBtn, 250, 60, 120, 26);
  DVDPathSelBtn =
      AddControl("BUTTON", "参照先を変更(&D)...", kButtonStyle, IdDVDPathSelBtn, 375, 60, 140, 26);
  ListView1 = AddControl(
      WC_LISTVIEWA, "",
      WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_NOSORTHEADER,
      IdListView1, 16, 92, 499, 260, WS_EX_CLIENTEDGE);
  ::SendMessageA(List(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
                 LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  AddColumn(List(), 0, "", LVCFMT_LEFT, kCheckColumnWidth);
  AddColumn(List(), 1, "DVD番号   ", LVCFMT_RIGHT, kLabelColumnWidth);
  AddColumn(List(), 2, "参照先", LVCFMT_LEFT, 100);
  ResultBtn = AddControl("BUTTON", "", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IdResultBtn, 375,
                         362, 140, 28);
}

void TDriveSelDlg::FormCreate() {
  vista_or_later_ = IsVistaOrLater();
  LoadedList.clear();
}

void TDriveSelDlg::FormClose() { LoadedList.clear(); }

int TDriveSelDlg::FillList() {
  int result = -1;
  if (WorkList && !WorkList->empty()) {
    const DvdRows rows = RowsFromList(*WorkList);
    folders_.clear();
    ::SendMessageA(List(), LVM_DELETEALLITEMS, 0, 0);
    for (int row = 1; row <= kDvdRowCount; ++row) {
      LVITEMA item{};
      item.mask = LVIF_TEXT;
      item.iItem = row - 1;
      item.pszText = const_cast<char*>("");
      ::SendMessageA(List(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
      SetSubItemText(List(), row - 1, 1, DvdRowLabel(row));
      folders_.push_back(rows[static_cast<std::size_t>(row - 1)].folder);
    }
    ShowFolders(Rows());
    FitPathColumn();
    UpdateUndoButton();
    BtnCheckClick(kCheckAll);
    result = 0;
  }
  if (!ProductTitle.empty()) SetCaption(std::string(kCaption) + "  - " + ProductTitle + " -");
  ResultBtn.SetText(kResultCaption);
  return result;
}

DvdRows TDriveSelDlg::Rows() const {
  DvdRows rows(folders_.size());
  for (std::size_t i = 0; i < folders_.size(); ++i) {
    rows[i].checked = RowChecked(List(), static_cast<int>(i));
    rows[i].folder = folders_[i];
  }
  return rows;
}

void TDriveSelDlg::ShowFolders(const DvdRows& rows) {
  for (std::size_t i = 0; i < rows.size() && i < folders_.size(); ++i) {
    folders_[i] = rows[i].folder;
    SetSubItemText(List(), static_cast<int>(i), 2, folders_[i]);
  }
}

void TDriveSelDlg::BtnCheckClick(int tag) {
  if (tag != kCheckAll && tag != kUncheckAll) return;
  for (std::size_t i = 0; i < folders_.size(); ++i)
    SetRowChecked(List(), static_cast<int>(i), tag == kCheckAll);
}

bool TDriveSelDlg::PickFolder(std::string& folder) {
  switch (PickerOfSystem(vista_or_later_, IsWin8OrLater())) {
    case FolderPicker::DesktopUser: {
      const bool picked = BrowseAsDesktopUser(Handle(), folder, false);
      // The helper's dialog belonged to another user: come back on top.
      ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      return picked;
    }
    case FolderPicker::InProcess: return BrowseForFolder(folder);
    case FolderPicker::DirectoryDialog:
    default: {
      TDirSelDlg dir_sel(Handle());
      dir_sel.Create();
      dir_sel.StartPath = folder;
      if (dir_sel.ShowModal() != mrOk) return false;
      folder = dir_sel.StartPath;
      return true;
    }
  }
}

void TDriveSelDlg::DVDPathSelBtnClick() {
  DvdRows rows = Rows();
  std::string folder = PickerStartFolder(rows, CurrentDirectory());
  if (AnyRowChecked(rows) && PickFolder(folder)) {
    // The rows as they are now: the picker may have taken a while.
    rows = Rows();
    SetCheckedRowsFolder(rows, folder);
    ShowFolders(rows);
  }
  FitPathColumn();
  UpdateUndoButton();
}

void TDriveSelDlg::UndoBtnClick() {
  DvdRows rows = Rows();
  UndoToLoaded(rows, LoadedList);
  ShowFolders(rows);
  FitPathColumn();
  UpdateUndoButton();
}

void TDriveSelDlg::UpdateUndoButton() { UndoBtn.SetEnabled(DiffersFromLoaded(Rows(), LoadedList)); }

void TDriveSelDlg::FitPathColumn() {
  ::SendMessageA(List(), LVM_SETCOLUMNWIDTH, 2, LVSCW_AUTOSIZE);
  RECT outer{}, client{};
  ::GetWindowRect(List(), &outer);
  ::GetClientRect(List(), &client);
  const int vscroll = ::GetSystemMetrics(SM_CXVSCROLL);
  const int hscroll = ::GetSystemMetrics(SM_CYHSCROLL);
  PathColumnFit fit{};
  fit.auto_width = static_cast<int>(::SendMessageA(List(), LVM_GETCOLUMNWIDTH, 2, 0));
  fit.other_columns = static_cast<int>(::SendMessageA(List(), LVM_GETCOLUMNWIDTH, 0, 0) +
                                       ::SendMessageA(List(), LVM_GETCOLUMNWIDTH, 1, 0));
  fit.client_width = client.right;
  fit.vscroll_shown = (outer.right - outer.left) - client.right >= vscroll;
  fit.hscroll_shown = (outer.bottom - outer.top) - client.bottom >= hscroll;
  fit.vscroll_width = vscroll;
  const int width = FittedPathColumnWidth(fit);
  if (width != fit.auto_width) ::SendMessageA(List(), LVM_SETCOLUMNWIDTH, 2, width);
}

void TDriveSelDlg::ResultBtnClick() {
  if (WorkList) WriteChangedRows(Rows(), *WorkList);
  ModalResult = mrOk;
}

void TDriveSelDlg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case IdBtnCheck: BtnCheckClick(kCheckAll); break;
    case IdBtnUncheck: BtnCheckClick(kUncheckAll); break;
    case IdDVDPathSelBtn: DVDPathSelBtnClick(); break;
    case IdUndoBtn:
      if (UndoBtn.Enabled()) UndoBtnClick();
      break;
    case IdResultBtn: ResultBtnClick(); break;
    default: break;  // Escape (IDCANCEL) does not close: there is no cancel
  }
}

bool TDriveSelDlg::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) {
  // Only the return button closes the dialog.
  if (msg != WM_CLOSE) return false;
  *result = 0;
  return true;
}

}  // namespace kestra
