// The program the UI driver's own tests drive. Two modes:
//   uidriver_testapp                  a form with every kind of control the
//                                     driver handles (class TDriverTestForm)
//   uidriver_testapp --box FLAGS TEXT CAPTION [--box ...]
//                                     message boxes one after the other ("\n"
//                                     in TEXT is a line break); the exit code
//                                     is the last answer (IDOK, ...)
// Options before either: --delay MS waits first (for the driver's waits).
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DriverTestIds.h"

namespace {

using namespace testapp;

HWND g_form = nullptr;
int g_change_count = 0;
int g_default_count = 0;
COLORREF g_choice_color = kDefaultChoiceColor;

HWND Item(int id) { return ::GetDlgItem(g_form, id); }

void SetNumber(int id, const char* prefix, int value) {
  ::SetWindowTextA(Item(id), (std::string(prefix) + std::to_string(value)).c_str());
}

HWND Add(const char* window_class, const char* text, DWORD style, int id, int x, int y, int w,
         int h, HWND parent = nullptr) {
  return ::CreateWindowExA(0, window_class, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                           parent ? parent : g_form,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           ::GetModuleHandleA(nullptr), nullptr);
}

int g_check_changes = 0;

std::string ItemText(HWND control, bool combo, int index) {
  char text[256] = {};
  ::SendMessageA(control, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text));
  return text;
}

// A list view like the DVD selection's (an empty first column holding the
// check box, then a label and a folder), a drive list and a folder list.
void CreateLists() {
  HWND list = Add(WC_LISTVIEWA, "", WS_BORDER | LVS_REPORT | LVS_SINGLESEL, kListView, 390, 10,
                  290, 150);
  ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
                 LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  const char* titles[] = {"", "番号", "参照先"};
  for (int c = 0; c < 3; ++c) {
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = c == 0 ? 20 : 120;
    column.pszText = const_cast<char*>(titles[c]);
    ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
  }
  for (int r = 0; r < kListRows; ++r) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = r;
    item.pszText = const_cast<char*>("");
    ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    const std::string number = std::to_string(r + 1) + " 番";
    const std::string folder = "C:\\表\\" + std::to_string(r + 1);
    for (int c = 1; c < 3; ++c) {
      item.iSubItem = c;
      item.pszText = const_cast<char*>(c == 1 ? number.c_str() : folder.c_str());
      ::SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&item));
    }
  }
  Add("STATIC", "checks 0", 0, kListViewEcho, 390, 164, 200, 18);
  HWND combo = Add("COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kCombo, 390, 190,
                   150, 120);
  for (const char* drive : {"C:", "Q: [KESTRA_DVD]", "R:"})
    ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(drive));
  ::SendMessageA(combo, CB_SETCURSEL, 0, 0);
  Add("STATIC", "combo -", 0, kComboEcho, 550, 192, 130, 18);
  HWND folders = Add("LISTBOX", "", WS_BORDER | WS_VSCROLL | LBS_NOTIFY, kListBox, 390, 220, 150, 90);
  for (const char* folder : {"Apps", "Docs", "表"})
    ::SendMessageA(folders, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(folder));
  Add("STATIC", "-", 0, kListBoxEcho, 550, 222, 130, 18);
}

void CreateControls() {
  HWND edit = Add("EDIT", "", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, kEdit, 10, 10, 200, 22);
  ::SendMessageA(edit, EM_LIMITTEXT, kEditLimit, 0);
  Add("EDIT", "読み取り専用", ES_READONLY | WS_BORDER, kReadOnlyEdit, 220, 10, 150, 22);
  Add("STATIC", "", 0, kEcho, 10, 36, 360, 18);
  Add("STATIC", "changes 0", 0, kChangeCount, 10, 56, 200, 18);
  Add("BUTTON", "有効にする", WS_TABSTOP | BS_AUTOCHECKBOX, kEnableCheck, 10, 80, 150, 20);
  Add("BUTTON", "チェックで有効", WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, kGatedButton, 170, 80,
      150, 24);
  Add("BUTTON", "赤", WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, kRadioRed, 10, 110, 60, 20);
  Add("BUTTON", "緑", BS_AUTORADIOBUTTON, kRadioGreen, 80, 110, 60, 20);
  Add("BUTTON", "青", BS_AUTORADIOBUTTON, kRadioBlue, 150, 110, 60, 20);
  Add("STATIC", "選んだ色", WS_GROUP, kChoiceLabel, 220, 110, 150, 18);
  Add("STATIC", "エラー", 0, kRedLabel, 10, 136, 100, 18);
  Add("STATIC", "普通", 0, kPlainLabel, 120, 136, 100, 18);
  Add("BUTTON", "隠しボタン", BS_PUSHBUTTON, kHiddenButton, 230, 136, 100, 24);
  ::ShowWindow(Item(kHiddenButton), SW_HIDE);
  Add("BUTTON", "確認(&C)", WS_TABSTOP | BS_PUSHBUTTON, kAskButton, 10, 166, 100, 24);
  Add("STATIC", "answer -", 0, kAnswerLabel, 120, 170, 150, 18);
  Add("BUTTON", "既定(&D)", WS_TABSTOP | BS_DEFPUSHBUTTON, kDefaultButton, 10, 196, 100, 24);
  Add("STATIC", "default 0", 0, kDefaultCount, 120, 200, 150, 18);
  Add("BUTTON", "後で開く", WS_TABSTOP | BS_PUSHBUTTON, kOpenLaterButton, 10, 226, 100, 24);
  Add("BUTTON", "閉じる", WS_TABSTOP | BS_PUSHBUTTON, kCloseLaterButton, 120, 226, 100, 24);
  Add("BUTTON", "固まる", WS_TABSTOP | BS_PUSHBUTTON, kFreezeButton, 230, 226, 100, 24);
  // A group box holding a control: children of children are found as well.
  HWND group = Add("BUTTON", "枠", BS_GROUPBOX, kGroupBox, 10, 256, 360, 50);
  Add("EDIT", "枠の中", WS_BORDER, kNestedEdit, 10, 20, 200, 22, group);
  CreateLists();
}

HWND g_late_form = nullptr;

LRESULT CALLBACK LateProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  return ::DefWindowProcA(hwnd, msg, wparam, lparam);
}

void OnCommand(int id, int code) {
  if (id == kCombo && code == CBN_SELCHANGE) {
    const int index = static_cast<int>(::SendMessageA(Item(kCombo), CB_GETCURSEL, 0, 0));
    ::SetWindowTextA(Item(kComboEcho), ("combo " + ItemText(Item(kCombo), true, index)).c_str());
    return;
  }
  if (id == kListBox && (code == LBN_SELCHANGE || code == LBN_DBLCLK)) {
    const int index = static_cast<int>(::SendMessageA(Item(kListBox), LB_GETCURSEL, 0, 0));
    ::SetWindowTextA(Item(kListBoxEcho), ((code == LBN_DBLCLK ? "open " : "select ") +
                                          ItemText(Item(kListBox), false, index)).c_str());
    return;
  }
  if (id == kEdit && code == EN_CHANGE) {
    char text[256] = {};
    ::GetWindowTextA(Item(kEdit), text, sizeof text);
    ::SetWindowTextA(Item(kEcho), text);
    SetNumber(kChangeCount, "changes ", ++g_change_count);
    return;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case kEnableCheck:
      ::EnableWindow(Item(kGatedButton),
                     ::SendMessageA(Item(kEnableCheck), BM_GETCHECK, 0, 0) == BST_CHECKED);
      break;
    case kRadioRed: g_choice_color = kRed; ::InvalidateRect(Item(kChoiceLabel), nullptr, TRUE); break;
    case kRadioGreen: g_choice_color = kGreen; ::InvalidateRect(Item(kChoiceLabel), nullptr, TRUE); break;
    case kRadioBlue: g_choice_color = kBlue; ::InvalidateRect(Item(kChoiceLabel), nullptr, TRUE); break;
    case kAskButton: {
      int answer = ::MessageBoxA(g_form, kAskText, kAskCaption, MB_YESNO | MB_ICONQUESTION);
      SetNumber(kAnswerLabel, "answer ", answer);
      break;
    }
    case kDefaultButton:
    case IDOK:  // Enter in the dialog: the default button's command
      SetNumber(kDefaultCount, "default ", ++g_default_count);
      break;
    case kOpenLaterButton:
      ::SetTimer(g_form, kOpenLaterTimer, kOpenLaterDelayMs, nullptr);
      break;
    case kCloseLaterButton:
      ::SetTimer(g_form, kCloseLaterTimer, kOpenLaterDelayMs, nullptr);
      break;
    case kFreezeButton:
      ::Sleep(kFreezeMs);  // busy without taking any input
      break;
    default:
      break;
  }
}

void OnTimer(UINT_PTR timer) {
  ::KillTimer(g_form, timer);
  if (timer == kOpenLaterTimer) {
    g_late_form = ::CreateWindowExA(0, kLateFormClass, kLateFormCaption, WS_POPUP | WS_CAPTION,
                                    50, 50, 200, 100, g_form, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
    ::ShowWindow(g_late_form, SW_SHOW);
  } else if (timer == kCloseLaterTimer && g_late_form) {
    ::DestroyWindow(g_late_form);
    g_late_form = nullptr;
  }
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_TIMER:
      OnTimer(wparam);
      return 0;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
      if (id == kRedLabel) ::SetTextColor(dc, kRed);
      else if (id == kChoiceLabel) ::SetTextColor(dc, g_choice_color);
      else if (id == kEnableCheck) ::SetTextColor(dc, kCheckColor);
      else if (id == kReadOnlyEdit) ::SetTextColor(dc, kReadOnlyColor);
      else break;
      ::SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_CTLCOLOREDIT:
      if (::GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) == kEdit) {
        ::SetTextColor(reinterpret_cast<HDC>(wparam), kEditColor);
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_CTLCOLORBTN:
      if (::GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) == kAskButton) {
        ::SetTextColor(reinterpret_cast<HDC>(wparam), kButtonColor);
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    case WM_NOTIFY: {
      const auto* change = reinterpret_cast<const NMLISTVIEW*>(lparam);
      if (change->hdr.idFrom == kListView && change->hdr.code == LVN_ITEMCHANGED &&
          (change->uChanged & LVIF_STATE) &&
          ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK))
        SetNumber(kListViewEcho, "checks ", ++g_check_changes);
      return 0;
    }
    case kDoubleMessage:
      return static_cast<LRESULT>(wparam * 2);
    case kStallMessage:
      ::Sleep(kFreezeMs);
      return 0;
    case WM_CLOSE:
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefDlgProcA(hwnd, msg, wparam, lparam);
}

int RunForm() {
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);
  WNDCLASSA form_class{};
  form_class.lpfnWndProc = FormProc;
  form_class.cbWndExtra = DLGWINDOWEXTRA;  // DefDlgProc: default button, Enter
  form_class.hInstance = instance;
  form_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form_class.lpszClassName = kFormClass;
  ::RegisterClassA(&form_class);
  WNDCLASSA late_class{};
  late_class.lpfnWndProc = LateProc;
  late_class.hInstance = instance;
  late_class.lpszClassName = kLateFormClass;
  ::RegisterClassA(&late_class);

  g_form = ::CreateWindowExA(WS_EX_CONTROLPARENT, kFormClass, kFormCaption,
                             WS_POPUP | WS_CAPTION | WS_SYSMENU, 20, 100, 700, 340, nullptr,
                             nullptr, instance, nullptr);
  CreateControls();
  ::ShowWindow(g_form, SW_SHOW);
  ::SetFocus(Item(kEdit));
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (::IsDialogMessageA(g_form, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}

// "\\n" in a command-line argument stands for CR LF. Walked by character:
// a double-byte character may end in the byte of a backslash.
std::string WithLineBreaks(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (::IsDBCSLeadByteEx(932, static_cast<BYTE>(text[i])) && i + 1 < text.size()) {
      out += text.substr(i, 2);
      i += 2;
    } else if (text.compare(i, 2, "\\n") == 0) {
      out += "\r\n";
      i += 2;
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::size_t next = 0;
  if (args.size() >= 2 && args[0] == "--delay") {
    ::Sleep(static_cast<DWORD>(std::atoi(args[1].c_str())));
    next = 2;
  }
  if (next < args.size() && args[next] == "--box") {
    int answer = 0;
    for (; next + 3 < args.size() && args[next] == "--box"; next += 4) {
      const UINT flags = static_cast<UINT>(std::strtoul(args[next + 1].c_str(), nullptr, 0));
      answer = ::MessageBoxA(nullptr, WithLineBreaks(args[next + 2]).c_str(),
                             args[next + 3].c_str(), flags);
    }
    return answer;
  }
  return RunForm();
}
