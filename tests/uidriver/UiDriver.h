// The project's UI driver: starts a Windows program, waits for its windows,
// reads captions, texts and control states, clicks, ticks, types, and answers
// message boxes by their text, keeping a transcript of every message box.
// Every wait has a time-out; a time-out throws TimeoutError whose message
// carries the transcript so far, so a test never hangs and always explains.
#pragma once

#include <windows.h>

// Durations, clocks and their literals without <chrono> itself: in C++20 GCC's
// <chrono> holds a "\u00b5s" literal that code page 932 cannot express, so it
// does not compile with -fexec-charset=CP932.
#include <bits/chrono.h>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "system/Handles.h"

namespace uidrv {

using Millis = std::chrono::milliseconds;
inline constexpr Millis kDefaultWait{15000};

struct TimeoutError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One message box as the user saw it.
struct MessageBoxRecord {
  std::string caption;
  std::string text;                  // code page 932, "\r\n" as in the program
  std::vector<std::string> buttons;  // "OK", "Cancel", "Yes", "No", "Abort", "Retry", "Ignore"
  std::string icon;                  // "error", "warning", "information", "question", "none"
  std::string ToString() const;      // one readable line (UTF-8) for failure output
  bool operator==(const MessageBoxRecord&) const = default;
};

// GoogleTest prints records with this (readable instead of bytes).
void PrintTo(const MessageBoxRecord& record, std::ostream* out);

// One row of a list view: the text of each column (the item's own text
// first, then its sub-items) and whether its check box is ticked.
struct ListRow {
  std::vector<std::string> texts;
  bool checked = false;
  bool operator==(const ListRow&) const = default;
};

// A window of the driven program (top-level or control).
class Window {
 public:
  Window() = default;
  explicit Window(HWND hwnd) : hwnd_(hwnd) {}
  HWND Handle() const { return hwnd_; }
  explicit operator bool() const { return hwnd_ && ::IsWindow(hwnd_); }

  std::string ClassName() const;
  std::string Text() const;  // caption or control text (WM_GETTEXT)
  int Id() const;
  DWORD ProcessId() const;
  DWORD ThreadId() const;
  bool Enabled() const;
  bool Visible() const;
  bool Checked() const;      // check box or radio button
  bool Focused() const;      // has the keyboard focus in its thread
  // Colour the program paints the control's text with (WM_CTLCOLOR* asked
  // inside the program by the driver's hook library).
  COLORREF TextColor() const;
  // A message box (a "#32770" dialog with the message text static).
  bool IsMessageBox() const;

  // Children, depth-first in z-order.
  std::vector<Window> Children() const;
  // The first child with this control id / this exact text (optionally of a
  // class); throws std::runtime_error naming what was looked for when absent.
  Window ChildById(int id) const;
  Window ChildByText(const std::string& text, const std::string& class_name = "") const;
  // The n-th child of a class (0-based), e.g. ("Edit", 0).
  Window ChildByClass(const std::string& class_name, int index = 0) const;

  // User actions. Each refuses (throws) on a disabled or hidden control,
  // because a user could not do it either. None waits for the program's reply,
  // so an action that opens a modal dialog does not block the driver. Each
  // returns once the program has taken the action from its queue (handled it,
  // or entered the modal loop it opened); a program that takes nothing from
  // its queue within `timeout` makes it throw TimeoutError.
  void Click(Millis timeout = kDefaultWait) const;  // push button, check box, radio button
  // Ticks or clears a check box by clicking (a radio button can only be chosen).
  void SetChecked(bool checked, Millis timeout = kDefaultWait) const;
  // Replaces an edit's text, as typing would: all selected, then each character
  // typed (limits, change notifications and read-only state apply as for a user).
  void Type(const std::string& text, Millis timeout = kDefaultWait) const;
  // e.g. VK_RETURN, VK_NEXT to the focused control of this window's thread.
  void PressKey(WORD virtual_key, Millis timeout = kDefaultWait) const;
  // List views (report style): every row, top to bottom.
  std::vector<ListRow> ListRows() const;
  // Ticks or clears the check box of a list view row (0-based) by clicking it,
  // scrolled into view first, as a user would.
  void SetRowChecked(int row, bool checked, Millis timeout = kDefaultWait) const;
  // Combo and list boxes: the texts of the items, and the current item's text
  // (empty when none is chosen).
  std::vector<std::string> Items() const;
  std::string SelectedItem() const;
  // Chooses the item with this text, or with this text followed by a blank
  // (a drive with its label), as a click in the list does: the control
  // reports the changed selection to its window. OpenItem then opens it as a
  // double click does (list boxes).
  void ChooseItem(const std::string& text, Millis timeout = kDefaultWait) const;
  void OpenItem(const std::string& text, Millis timeout = kDefaultWait) const;
  // Sends a message and returns the program's answer (for WM_QUERYENDSESSION and
  // the like); times out instead of hanging.
  LRESULT Send(UINT msg, WPARAM wparam, LPARAM lparam, Millis timeout = kDefaultWait) const;

 private:
  HWND hwnd_ = nullptr;
};

// A started program.
class Process {
 public:
  // Starts exe with the command-line arguments (quoted as needed by the caller)
  // in folder cwd (empty: exe's folder).
  static Process Start(const std::string& exe, const std::string& args = "",
                       const std::string& cwd = "");
  Process() = default;
  Process(Process&&) noexcept;
  Process& operator=(Process&&) noexcept;
  ~Process();  // kills the program if it still runs

  DWORD Pid() const { return pid_; }
  bool Running() const;
  // True when the program ended within the time-out.
  bool WaitForExit(Millis timeout = kDefaultWait) const;
  DWORD ExitCode() const;
  void Kill();

 private:
  kestra::KernelHandle process_;
  DWORD pid_ = 0;
};

// Drives one process and keeps the transcript of its message boxes.
class Session {
 public:
  explicit Session(Process& process);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const Process& Program() const { return process_; }

  // A visible top-level window of the program with this window class.
  Window WaitForWindow(const std::string& class_name, Millis timeout = kDefaultWait);
  // The same, found by its caption.
  Window WaitForWindowByCaption(const std::string& caption, Millis timeout = kDefaultWait);
  // A top-level window of the program with this class, visible or hidden
  // (a hidden main form, say, to send it messages).
  Window WaitForAnyWindow(const std::string& class_name, Millis timeout = kDefaultWait);
  // Waits until no visible top-level window of this class is left.
  void WaitForWindowGone(const std::string& class_name, Millis timeout = kDefaultWait);
  // Visible top-level windows of the program now.
  std::vector<Window> TopLevelWindows() const;

  // The next message box: recorded in the transcript, left open.
  MessageBoxRecord WaitForMessageBox(Millis timeout = kDefaultWait);
  // Waits for the next message box, records it, clicks the named button
  // ("OK", "Yes", "No", "Retry", ...) and returns the record.
  MessageBoxRecord Answer(const std::string& button, Millis timeout = kDefaultWait);

  // Waits for the program to end; false on time-out.
  bool WaitForExit(Millis timeout = kDefaultWait);
  // The same, but a program still running after the time-out is a failure:
  // TimeoutError with the transcript and the windows it still shows.
  void RequireExit(Millis timeout = kDefaultWait);

  const std::vector<MessageBoxRecord>& Transcript() const { return transcript_; }
  std::string TranscriptText() const;  // every record on its own line (UTF-8)

 private:
  [[noreturn]] void Fail(const std::string& what) const;
  // The program's open message box, if any.
  Window OpenMessageBox() const;
  // Waits for a message box, records it unless already recorded, returns it.
  Window AwaitMessageBox(Millis timeout, MessageBoxRecord& record);

  Process& process_;
  std::vector<MessageBoxRecord> transcript_;
  std::vector<HWND> recorded_boxes_;  // boxes already in the transcript
};

// Visible top-level windows in z-order, of one process (pid 0: of every process).
std::vector<Window> VisibleTopLevelWindows(DWORD pid = 0);
// The same including hidden ones.
std::vector<Window> AllTopLevelWindows(DWORD pid = 0);
// The first visible top-level window of a class (pid 0: in any process).
Window FindTopLevelWindow(const std::string& class_name, DWORD pid = 0);
// Caption, text, buttons (in the order shown) and icon of a message box.
MessageBoxRecord ReadMessageBox(const Window& box);
// Clicks the named button ("OK", "Yes", ...) of a message box.
void ClickMessageBoxButton(const Window& box, const std::string& button,
                           Millis timeout = kDefaultWait);
// One line per visible top-level window of the process (pid 0: every process):
// class, caption and process; message boxes with their text; with controls,
// every child below its window. Code page 932, as the windows hold it.
std::string DescribeWindows(DWORD pid, bool with_controls = false);

// Texts in code page 932 turned into UTF-8 for readable failure messages.
std::string ToUtf8(const std::string& cp932);

}  // namespace uidrv
