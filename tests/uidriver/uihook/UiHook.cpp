// The driver's hook library. The driver installs its two procedures on the
// driven program's GUI thread (SetWindowsHookExA with this module), so Windows
// loads this library into the program, where it answers what cannot be read
// from outside and performs typing. It reacts only to the driver's registered
// messages and passes everything else on untouched.
#include <windows.h>

#include "UiHookProtocol.h"

namespace {

using namespace uidrv::hook;

UINT Registered(const char* name) { return ::RegisterWindowMessageA(name); }

bool IsClass(HWND hwnd, const char* name) {
  char buffer[64] = {};
  ::GetClassNameA(hwnd, buffer, sizeof buffer);
  return ::lstrcmpiA(buffer, name) == 0;
}

// The shared system icons are the same handles within one process, so the
// icon a message box's SS_ICON static shows can be compared with them here.
LPARAM IconOf(HWND box) {
  HICON shown = nullptr;
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (IsClass(child, "Static") &&
        (::GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      shown = reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0));
      if (shown) break;
    }
  }
  if (!shown) return kIconNone;
  if (shown == ::LoadIconA(nullptr, IDI_HAND)) return kIconError;
  if (shown == ::LoadIconA(nullptr, IDI_EXCLAMATION)) return kIconWarning;
  if (shown == ::LoadIconA(nullptr, IDI_ASTERISK)) return kIconInformation;
  if (shown == ::LoadIconA(nullptr, IDI_QUESTION)) return kIconQuestion;
  return kIconOther;
}

// The WM_CTLCOLOR* message a control sends its parent before painting.
UINT ColorMessageFor(HWND control) {
  const LONG_PTR style = ::GetWindowLongPtrA(control, GWL_STYLE);
  if (IsClass(control, "Edit")) {
    // Read-only and disabled edits paint like statics.
    const bool like_static = (style & ES_READONLY) || !::IsWindowEnabled(control);
    return like_static ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  }
  if (IsClass(control, "Button")) {
    const LONG_PTR type = style & BS_TYPEMASK;
    return (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) ? WM_CTLCOLORBTN
                                                               : WM_CTLCOLORSTATIC;
  }
  if (IsClass(control, "ListBox")) return WM_CTLCOLORLISTBOX;
  return WM_CTLCOLORSTATIC;
}

// Asks the parent as the control would before painting, with a memory DC.
LPARAM TextColorOf(HWND control) {
  HWND parent = ::GetParent(control);
  HDC dc = ::CreateCompatibleDC(nullptr);
  if (!dc) return 0;
  if (parent)
    ::SendMessageA(parent, ColorMessageFor(control), reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(control));
  const COLORREF color = ::GetTextColor(dc);
  ::DeleteDC(dc);
  return static_cast<LPARAM>(color);
}

// Copies an item's text into the driver's mapping; its length, 0 when none.
LPARAM ItemTextOf(HWND control, LPARAM index) {
  const bool combo = IsClass(control, "ComboBox");
  const auto item = static_cast<WPARAM>(index);
  const LRESULT length = ::SendMessageA(control, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, item, 0);
  if (length <= 0 || static_cast<std::size_t>(length) >= kTextMappingSize) return 0;
  HANDLE mapping = ::OpenFileMappingA(FILE_MAP_WRITE, FALSE,
                                      TextMappingName(::GetCurrentProcessId()).c_str());
  if (!mapping) return 0;
  LRESULT copied = 0;
  if (void* view = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kTextMappingSize)) {
    copied = ::SendMessageA(control, combo ? CB_GETLBTEXT : LB_GETTEXT, item,
                            reinterpret_cast<LPARAM>(view));
    ::UnmapViewOfFile(view);
  }
  ::CloseHandle(mapping);
  return copied > 0 ? copied : 0;
}

void Answer(HWND hwnd, WPARAM query, LPARAM argument) {
  LPARAM answer = 0;
  switch (query) {
    case kQueryIcon: answer = IconOf(hwnd); break;
    case kQueryTextColor: answer = TextColorOf(hwnd); break;
    case kQueryItemText: answer = ItemTextOf(hwnd, argument); break;
    default: return;
  }
  ::SetPropA(hwnd, kAnswerProperty, reinterpret_cast<HANDLE>(answer + 1));
}

void Notify(HWND control, WORD code) {
  ::SendMessageA(::GetParent(control), WM_COMMAND,
                 MAKEWPARAM(static_cast<WORD>(::GetDlgCtrlID(control)), code),
                 reinterpret_cast<LPARAM>(control));
}

// What the control itself does when the user clicks an item: select it, then
// tell its window (a list box only when it was made to notify).
void Choose(HWND control, WPARAM index, bool open) {
  if (IsClass(control, "ComboBox")) {
    ::SendMessageA(control, CB_SETCURSEL, index, 0);
    Notify(control, CBN_SELCHANGE);
    return;
  }
  ::SendMessageA(control, LB_SETCURSEL, index, 0);
  if (!(::GetWindowLongPtrA(control, GWL_STYLE) & LBS_NOTIFY)) return;
  Notify(control, LBN_SELCHANGE);
  if (open) Notify(control, LBN_DBLCLK);
}

void Acknowledge(WPARAM driver_pid, LPARAM sequence) {
  const std::string name =
      AckEventName(static_cast<DWORD>(driver_pid), static_cast<DWORD>(sequence));
  if (HANDLE event = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, name.c_str())) {
    ::SetEvent(event);
    ::CloseHandle(event);
  }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK UiHookCallWndProc(int code, WPARAM wparam,
                                                                    LPARAM lparam) {
  if (code == HC_ACTION) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (call->message == Registered(kQueryMessage))
      Answer(call->hwnd, call->wParam, call->lParam);
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK UiHookGetMsgProc(int code, WPARAM wparam,
                                                                   LPARAM lparam) {
  if (code == HC_ACTION && wparam == PM_REMOVE) {
    auto* msg = reinterpret_cast<MSG*>(lparam);
    if (msg->message == Registered(kAckMessage)) {
      Acknowledge(msg->wParam, msg->lParam);
      msg->message = WM_NULL;  // nobody else needs to see it
    } else if (msg->message == Registered(kCharMessage)) {
      // The Unicode procedure of the control takes the character whole.
      ::SendMessageW(msg->hwnd, WM_CHAR, msg->wParam, 1);
      msg->message = WM_NULL;
    } else if (msg->message == Registered(kChooseMessage)) {
      const HWND control = msg->hwnd;
      const WPARAM index = msg->wParam;
      const bool open = msg->lParam != 0;
      msg->message = WM_NULL;
      Choose(control, index, open);
    }
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}
