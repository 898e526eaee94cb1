// What the driver and its hook library (uihook.dll, loaded into the driven
// program) agree on. Some answers can only be given inside the program: which
// shared icon a message box shows (icon handles are per process) and which
// text colour a control's parent hands to it. Typing must happen there as well,
// because a posted WM_CHAR reaches an ANSI edit control one byte at a time and
// loses double-byte characters.
#pragma once

#include <windows.h>

#include <string>

namespace uidrv::hook {

// Sent (SendMessageTimeout) to a window while the call-window hook is
// installed on its thread; wParam is a Query. The hook leaves its answer + 1 in
// the window property kAnswerProperty (props live in the window server, so the
// driver reads them across processes); 0 there means "no answer".
inline constexpr char kQueryMessage[] = "KestraUiDriver.Query";
inline constexpr char kAnswerProperty[] = "KestraUiDriver.Answer";

enum Query : WPARAM {
  kQueryIcon = 1,       // the message box's icon: an IconCode
  kQueryTextColor = 2,  // the control's text colour: a COLORREF
  // The text of item lParam of a combo or list box, as the program's code page
  // holds it, written into the mapping TextMappingName(program pid); the
  // answer is its length in bytes. (Texts of list controls do not cross
  // processes reliably: Wine hands back UTF-16 or ANSI depending on the
  // control's implementation.)
  kQueryItemText = 3,
};

inline constexpr std::size_t kTextMappingSize = 65536;
inline std::string TextMappingName(DWORD program_pid) {
  return "KestraUiDriver.Text." + std::to_string(program_pid);
}

enum IconCode : LPARAM {
  kIconNone = 0,
  kIconError = 1,
  kIconWarning = 2,
  kIconInformation = 3,
  kIconQuestion = 4,
  kIconOther = 5,
};

// Posted to the program's thread while the get-message hook is installed.
// When the program takes it from its queue, every message posted before it has
// been handled (or has opened a modal loop that is now pumping); the hook then
// sets the event named by AckEventName(wParam = driver pid, lParam = sequence).
inline constexpr char kAckMessage[] = "KestraUiDriver.Ack";
// Posted to an edit control: the hook hands wParam (a UTF-16 character) to the
// control as a Unicode WM_CHAR inside the program, as a keyboard would.
inline constexpr char kCharMessage[] = "KestraUiDriver.Char";

// Posted to a combo or list box: the hook makes item wParam the current one
// and reports the change to the control's window as the control does after a
// click (CBN_SELCHANGE, LBN_SELCHANGE); lParam 1 then also reports a double
// click (LBN_DBLCLK), which opens the item.
inline constexpr char kChooseMessage[] = "KestraUiDriver.Choose";

// Names of the exported hook procedures (undecorated).
inline constexpr char kCallWndProcName[] = "UiHookCallWndProc";
inline constexpr char kGetMsgProcName[] = "UiHookGetMsgProc";
inline constexpr char kLibraryName[] = "uihook.dll";

// "KestraUiDriver.Ack.<pid>.<sequence>": one event per acknowledgement.
inline std::string AckEventName(DWORD driver_pid, DWORD sequence) {
  return "KestraUiDriver.Ack." + std::to_string(driver_pid) + "." + std::to_string(sequence);
}

}  // namespace uidrv::hook
