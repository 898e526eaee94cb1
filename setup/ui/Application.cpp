#include "ui/Application.h"

#include <commctrl.h>

#include "system/ExitCodes.h"
#include "system/Messages.h"
#include "system/RunLog.h"
#include "ui/Form.h"

namespace kestra {

TApplication Application;

namespace {

constexpr char kApplicationClass[] = "TApplication";

const char* AnswerName(int answer) {
  switch (answer) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDYES: return "Yes";
    case IDNO: return "No";
    case IDRETRY: return "Retry";
    default: return "none";
  }
}

LRESULT CALLBACK ApplicationWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  // The application window never closes by itself: the run ends through Terminate.
  if (msg == WM_CLOSE) return 0;
  return ::DefWindowProcA(hwnd, msg, wparam, lparam);
}

}  // namespace

void TApplication::Initialize(HINSTANCE instance) {
  instance_ = instance;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS |
                                                     ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                                     ICC_TAB_CLASSES};
  ::InitCommonControlsEx(&controls);

  WNDCLASSA wc{};
  wc.lpfnWndProc = ApplicationWndProc;
  wc.hInstance = instance;
  wc.lpszClassName = kApplicationClass;
  wc.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(1));
  ::RegisterClassA(&wc);
  // Zero-sized and never shown: it owns the message boxes and the forms.
  handle_ = ::CreateWindowExA(0, kApplicationClass, title_.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU |
                                  WS_MINIMIZEBOX,
                              0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  if (handle_) ::SetWindowTextA(handle_, title_.c_str());
}

void TApplication::Run(TForm& main_form) {
  // Creating the forms may already have failed and asked the run to end.
  if (Terminated()) return;
  if (unattended_)
    main_form.RunShowEvent();
  else
    main_form.Show();
  RunLoop();
}

void TApplication::RunLoop() {
  MSG msg;
  while (!Terminated() && ::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    HWND active = ::GetActiveWindow();
    if (active && ::IsDialogMessageA(active, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

void TApplication::Terminate() {
  if (terminate_posted_) return;
  terminate_posted_ = true;
  ::PostQuitMessage(0);
}

bool TApplication::Terminated() const { return terminate_posted_ || QuitRequested(); }

void TApplication::ProcessMessages() { kestra::ProcessMessages(); }

void TApplication::SetUnattended(bool unattended, bool index_overwrite) {
  unattended_ = unattended;
  index_overwrite_ = index_overwrite;
}

int TApplication::Show(const Message& message) {
  const MessageEntry& entry = CatalogueEntry(message.id);
  const std::string text = MessageText(message);
  int answer = 0;
  if (unattended_) {
    answer = entry.silent_answer != kAnswerIndexOverwrite ? entry.silent_answer
             : index_overwrite_                           ? IDYES
                                                          : IDNO;
  } else {
    answer = ::MessageBoxA(handle_, text.c_str(), entry.caption, entry.flags);
  }
  runlog::Write(std::string("Message [") + entry.caption + "] " + text + " -> " +
                AnswerName(answer) + (unattended_ ? " (answered for the user)" : ""));
  if (entry.exit_code != 0 && (entry.exit_answer == 0 || entry.exit_answer == answer))
    EndRunWith(entry.exit_code);
  return answer;
}

}  // namespace kestra
