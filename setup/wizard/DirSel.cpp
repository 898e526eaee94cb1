#include "wizard/DirSel.h"

#include <imm.h>
#include <windows.h>

#include <algorithm>

#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Mbcs.h"
#include "system/ProductTable.h"
#include "system/SysQuery.h"
#include "ui/Application.h"
#include "wizard/Panel.h"
#include "wizard/SettingRules.h"
#include "wizard/TextFit.h"

namespace kestra {

// ------------------------------------------------------------ decisions

bool IsDriveRelative(const std::string& path) {
  return path.size() > 2 && path[1] == ':' && path[2] != '\\' &&
         !IsLeadByte(static_cast<unsigned char>(path[0]));
}

std::string LastFolderName(const std::string& path) {
  std::string trimmed = path;
  while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
  const std::size_t slash = LastDelimiter(trimmed, "\\");
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

DirSelVerdict JudgeDirSelOk(int32_t mode, const std::string& edit_path,
                            const FolderExistsFn& folder_exists) {
  const std::string drive = ExtractFileDrive(edit_path);
  if (drive.empty() || !folder_exists(drive)) return {DirSelVerdict::DriveMissing, "", drive};

  if (mode != kDirSelApplication) {
    if (folder_exists(edit_path)) return {DirSelVerdict::Accept, edit_path, ""};
    return {DirSelVerdict::AskCreate, edit_path, edit_path};
  }

  const std::string product = kProduct.key;  // "KESTRA"
  if (AnsiUpperCase(LastFolderName(edit_path)) == product)
    return {DirSelVerdict::Accept, edit_path, ""};
  std::string with_product = AddBackslash(edit_path);
  if (!EndsWithText(with_product, product + "\\")) with_product += product + "\\";
  if (folder_exists(with_product)) return {DirSelVerdict::Accept, with_product, ""};

  std::string to_create = RemoveBackslash(edit_path);
  to_create = EndsWithText(to_create, product) ? AddBackslash(to_create)
                                               : AddBackslash(to_create) + product;
  return {DirSelVerdict::AskCreate, to_create, with_product};
}

std::vector<FolderListItem> FolderListOf(const std::string& current_folder,
                                         const std::vector<std::string>& subfolders) {
  std::vector<FolderListItem> items;
  const std::string root = ExtractFileDrive(current_folder) + "\\";
  items.push_back({root, root, 0, true});
  std::string path = root;
  std::string rest = current_folder.size() > root.size() ? current_folder.substr(root.size()) : "";
  int depth = 0;
  while (!rest.empty()) {
    const std::size_t slash = FindChar(rest, '\\');
    const std::string name = rest.substr(0, slash);
    rest = slash == std::string::npos ? "" : rest.substr(slash + 1);
    if (name.empty()) continue;
    path = AddBackslash(path) + name;
    items.push_back({name, path, ++depth, true});
  }
  for (const std::string& name : subfolders)
    items.push_back({name, AddBackslash(path) + name, depth + 1, false});
  return items;
}

// ------------------------------------------------------------ the form

namespace {

constexpr char kCaption[] = "ディレクトリの選択";

constexpr DWORD kLabelStyle = WS_VISIBLE | SS_LEFT;
constexpr DWORD kButtonStyle = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr int kFolderIndent = 10;
constexpr int kFolderGlyphWidth = 14;

std::string InstructionOf(int32_t mode) {
  if (mode == kDirSelApplication)
    return "アプリケーションをインストールするディレクトリを選択して下さい。\r\n"
           "インストール先ディレクトリを作成する場合は、パス欄にインストールパスを記入して下さい。";
  if (mode == kDirSelIndex)
    return "検索用インデックスファイルをインストールするディレクトリを選択して下さい。";
  return std::string();
}

// Subfolders of a folder, sorted as the user expects (case-insensitively).
std::vector<std::string> SubfoldersOf(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  FindHandle find(::FindFirstFileA((AddBackslash(folder) + "*").c_str(), &found));
  if (!find) return names;
  do {
    const std::string name = found.cFileName;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
      names.push_back(name);
  } while (::FindNextFileA(find.get(), &found));
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return ::lstrcmpiA(a.c_str(), b.c_str()) < 0;
  });
  return names;
}

// "C:" or "Q: [KESTRA_DVD]": the drive letter in upper case and the volume's label.
std::string DriveItemText(char letter) {
  const std::string root = std::string(1, letter) + ":\\";
  std::string text = std::string(1, letter) + ":";
  const UINT type = ::GetDriveTypeA(root.c_str());
  if (type == DRIVE_FIXED || type == DRIVE_CDROM || type == DRIVE_REMOTE || type == DRIVE_RAMDISK) {
    ErrorModeScope quiet(SEM_FAILCRITICALERRORS);
    char label[MAX_PATH + 1] = {};
    if (::GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr,
                                nullptr, 0) &&
        label[0])
      text += std::string(" [") + label + "]";
  }
  return text;
}

}  // namespace

TDirSelDlg::TDirSelDlg(HWND owner) : TForm("TDirSelDlg", kCaption, 431, 265, FormBorder::Dialog) {
  SetOwner(owner);
}

void TDirSelDlg::CreateControls() {
  Panel1 = TControl(CreatePanel(Handle(), IdPanel1, 0, 0, 431, 50, false));
  Memo2 = AddControl("EDIT", "", WS_VISIBLE | ES_MULTILINE | ES_READONLY, IdMemo2, 6, 8, 421, 36, 0,
                     Panel1.Handle());
  // The instruction's lines were broken by hand: the largest font at which
  // the longest of them stays on one line.
  const RECT box = TextBox(Memo2.Handle());
  Memo2.SetFont(MakeFont(
      FittingFontHeight(InstructionOf(kDirSelApplication) + "\r\n" + InstructionOf(kDirSelIndex),
                        box.right - box.left, 10000, {12, 11, 10, 9}),
      false));
  // The path edit and its lists sit below the instruction.
  Label1 = AddControl("STATIC", "パス(&P)", kLabelStyle, IdLabel1, 10, 56, 200, 18);
  EditPath = AddControl("EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, IdEditPath, 10, 74,
                        300, 22, WS_EX_CLIENTEDGE);
  Label2 = AddControl("STATIC", "ディレクトリ(&D)", kLabelStyle, IdLabel2, 10, 103, 200, 18);
  DirectoryListBox1 = AddControl("LISTBOX", "",
                                 WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY |
                                     LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                                 IdDirectoryListBox1, 10, 122, 300, 96, WS_EX_CLIENTEDGE);
  Button1 = AddControl("BUTTON", "ＯＫ", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IdButton1, 324,
                       74, 96, 26);
  Button2 = AddControl("BUTTON", "キャンセル", kButtonStyle, IdButton2, 324, 106, 96, 26);
  // The drive list under the folder list, wide enough for a drive's label.
  Label3 = AddControl("STATIC", "ドライブ(&V)", kLabelStyle, IdLabel3, 10, 220, 200, 18);
  DriveComboBox1 =
      AddControl("COMBOBOX", "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                 IdDriveComboBox1, 10, 239, 300, 200);
}

void TDirSelDlg::FormCreate() { FillDrives(); }

void TDirSelDlg::FormShow() {
  const std::string instruction = InstructionOf(DirSelMode);
  Memo2.SetText(instruction);
  Panel1.SetVisible(DirSelMode == kDirSelApplication || DirSelMode == kDirSelIndex);
  SelectStart();
  EditPath.SetFocus();
}

void TDirSelDlg::FillDrives() {
  ::SendMessageA(DriveComboBox1.Handle(), CB_RESETCONTENT, 0, 0);
  const DWORD drives = ::GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(drives & (1u << i))) continue;
    const std::string text = DriveItemText(static_cast<char>('A' + i));
    ::SendMessageA(DriveComboBox1.Handle(), CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(text.c_str()));
  }
}

void TDirSelDlg::ShowDriveOf(const std::string& folder) {
  const std::string drive = AnsiUpperCase(LeadingChars(folder, 2));
  const HWND combo = DriveComboBox1.Handle();
  const int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[MAX_PATH + 8] = {};
    if (::SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) >= MAX_PATH) continue;
    ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    if (LeadingChars(text, 2) == drive) {
      ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      return;
    }
  }
  ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

bool TDirSelDlg::OpenFolder(const std::string& folder) {
  if (folder.empty() || !DirectoryExists(folder)) return false;
  std::string current = RemoveBackslash(folder);
  if (current.size() == 2 && current[1] == ':') current += "\\";
  current_folder_ = current;
  folders_ = FolderListOf(current, SubfoldersOf(current));
  const HWND list = DirectoryListBox1.Handle();
  ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
  int current_index = 0;
  for (std::size_t i = 0; i < folders_.size(); ++i) {
    ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(folders_[i].name.c_str()));
    if (folders_[i].open) current_index = static_cast<int>(i);
  }
  ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(current_index), 0);
  ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
  ShowDriveOf(current);
  return true;
}

void TDirSelDlg::SelectStart() {
  if (DirSelMode == kDirSelPlain) {
    if (IsDriveReady(StartPath)) {
      if (!OpenFolder(StartPath)) OpenFolder(LeadingChars(StartPath, 3));
      EditPath.SetText(StartPath);
    } else {
      const std::string root = ExtractFileDrive(ProgramFilePath()) + "\\";
      OpenFolder(root);
      EditPath.SetText(root);
    }
    return;
  }
  if (!OpenFolder(StartPath)) OpenFolder(LeadingChars(StartPath, 3));
  EditPath.SetText(StartPath);
}

void TDirSelDlg::DriveComboBox1Change() {
  const HWND combo = DriveComboBox1.Handle();
  const int index = static_cast<int>(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
  char text[MAX_PATH + 8] = {};
  if (index < 0 ||
      ::SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0) >= MAX_PATH)
    return;
  ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  // A drive without a medium keeps the list where it was.
  if (!OpenFolder(LeadingChars(text, 2) + "\\")) {
    ShowDriveOf(current_folder_);
    return;
  }
  DirectoryListBox1Change();
}

void TDirSelDlg::DirectoryListBox1Change() {
  const int index =
      static_cast<int>(::SendMessageA(DirectoryListBox1.Handle(), LB_GETCURSEL, 0, 0));
  if (index < 0 || static_cast<std::size_t>(index) >= folders_.size()) return;
  EditPath.SetText(folders_[static_cast<std::size_t>(index)].path);
}

bool TDirSelDlg::CreateFolder(const std::string& path) {
  return ForceDirectories(path) && DirectoryExists(path);
}

void TDirSelDlg::Button1Click() {
  std::string typed = EditPath.Text();
  if (IsDriveRelative(typed)) {
    typed = FullLongPath(typed);
    EditPath.SetText(typed);
  }
  const DirSelVerdict verdict = JudgeDirSelOk(
      DirSelMode, typed, [](const std::string& folder) { return DirectoryExists(folder); });
  switch (verdict.kind) {
    case DirSelVerdict::DriveMissing:
      Application.Show({Msg::DriveMissing, {verdict.named}});
      return;
    case DirSelVerdict::AskCreate:
      if (Application.Show({Msg::CreateFolderQuestion, {verdict.named}}) != IDYES)
        return;
      if (!CreateFolder(verdict.folder)) return;
      break;
    case DirSelVerdict::Accept:
    default: break;
  }
  StartPath = AddBackslash(verdict.folder);
  ModalResult = mrOk;
}

void TDirSelDlg::Button2Click() { ModalResult = mrCancel; }

void TDirSelDlg::CloseInputMethod() {
  const HWND edit = EditPath.Handle();
  if (HIMC context = ::ImmGetContext(edit)) {
    ::ImmSetOpenStatus(context, FALSE);
    ::ImmReleaseContext(edit, context);
  }
}

void TDirSelDlg::OnCommand(int id, int code, HWND) {
  switch (id) {
    case IdEditPath:
      if (code == EN_SETFOCUS) CloseInputMethod();
      return;
    case IdDirectoryListBox1:
      if (code == LBN_SELCHANGE) {
        DirectoryListBox1Change();
      } else if (code == LBN_DBLCLK) {
        // Opening a folder lists its subfolders.
        const int index =
            static_cast<int>(::SendMessageA(DirectoryListBox1.Handle(), LB_GETCURSEL, 0, 0));
        if (index >= 0 && static_cast<std::size_t>(index) < folders_.size() &&
            OpenFolder(folders_[static_cast<std::size_t>(index)].path))
          DirectoryListBox1Change();
      }
      return;
    case IdDriveComboBox1:
      if (code == CBN_SELCHANGE) DriveComboBox1Change();
      return;
    case IdButton1:
      if (code == BN_CLICKED) Button1Click();
      return;
    case IdButton2:
    case IDCANCEL:
      if (code == BN_CLICKED) Button2Click();
      return;
    default: return;
  }
}

void TDirSelDlg::DrawFolderItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1) || item.itemID >= folders_.size()) return;
  const FolderListItem& folder = folders_[item.itemID];
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  HDC dc = item.hDC;
  ::FillRect(dc, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const int left = item.rcItem.left + 2 + folder.depth * kFolderIndent;
  const int middle = (item.rcItem.top + item.rcItem.bottom) / 2;
  // A small folder: open folders (the path to the current one) drawn filled.
  const RECT glyph{left, middle - 5, left + kFolderGlyphWidth - 2, middle + 5};
  GdiObject fill(::CreateSolidBrush(folder.open ? RGB(255, 204, 0) : RGB(255, 240, 160)));
  ::FillRect(dc, &glyph, static_cast<HBRUSH>(fill.get()));
  ::FrameRect(dc, &glyph, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
  RECT text = item.rcItem;
  text.left = left + kFolderGlyphWidth + 2;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  ::DrawTextA(dc, folder.name.c_str(), static_cast<int>(folder.name.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (item.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &item.rcItem);
}

bool TDirSelDlg::OnMessage(UINT msg, WPARAM, LPARAM lparam, LRESULT* result) {
  switch (msg) {
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      measure->itemHeight = 16;
      *result = TRUE;
      return true;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (item->CtlID != IdDirectoryListBox1) return false;
      DrawFolderItem(*item);
      *result = TRUE;
      return true;
    }
    case WM_CLOSE:
      Button2Click();
      *result = 0;
      return true;
    default: return false;
  }
}

}  // namespace kestra
