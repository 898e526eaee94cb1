#include "ui/Form.h"

#include "system/Messages.h"
#include "system/TestSeams.h"
#include "ui/Application.h"
#include "ui/UnexpectedError.h"

namespace kestra {

TForm::TForm(std::string class_name, std::string caption, int client_width, int client_height,
             FormBorder border)
    : class_name_(std::move(class_name)),
      caption_(std::move(caption)),
      client_width_(client_width),
      client_height_(client_height),
      border_(border) {}

TForm::~TForm() {
  if (hwnd_) {
    ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
}

DWORD TForm::Style() const {
  switch (border_) {
    case FormBorder::ToolWindow:
      return WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
    case FormBorder::Single:
      return WS_POPUP | WS_CAPTION | WS_BORDER | WS_CLIPCHILDREN;
    case FormBorder::SystemMenu:
      return WS_POPUP | WS_CAPTION | WS_BORDER | WS_SYSMENU | WS_CLIPCHILDREN;
    case FormBorder::Dialog:
    default:
      return WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_CLIPCHILDREN;
  }
}

DWORD TForm::ExStyle() const {
  switch (border_) {
    case FormBorder::ToolWindow:
      return WS_EX_TOOLWINDOW;
    case FormBorder::Dialog:
      return WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    case FormBorder::Single:
    default:
      return WS_EX_CONTROLPARENT;
  }
}

void TForm::RegisterWindowClass() const {
  WNDCLASSA existing{};
  if (::GetClassInfoA(Application.Instance(), class_name_.c_str(), &existing)) return;
  WNDCLASSA wc{};
  wc.lpfnWndProc = WndProc;
  // A private dialog class: DefDlgProc handles the default button and focus.
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hInstance = Application.Instance();
  wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = class_name_.c_str();
  ::RegisterClassA(&wc);
}

void TForm::Create() {
  if (hwnd_) return;
  RegisterWindowClass();
  font_.reset(MakeFont(12, false));
  RECT frame{0, 0, client_width_, client_height_};
  ::AdjustWindowRectEx(&frame, Style(), FALSE, ExStyle());
  hwnd_ = ::CreateWindowExA(ExStyle(), class_name_.c_str(), caption_.c_str(), Style(),
                            CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                            frame.bottom - frame.top, owner_ ? owner_ : Application.Handle(), nullptr,
                            Application.Instance(), this);
  ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
  CenterOnScreen();
  CreateControls();
  FormCreate();
}

void TForm::PaintHeaderBand(const RECT& band, int corner) {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(hwnd_, &paint);
  HGDIOBJ old_brush = ::SelectObject(dc, ::GetSysColorBrush(COLOR_INFOBK));
  HGDIOBJ old_pen = ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
  ::RoundRect(dc, band.left, band.top, band.right, band.bottom, corner, corner);
  ::SelectObject(dc, old_pen);
  ::SelectObject(dc, old_brush);
  ::EndPaint(hwnd_, &paint);
}

HFONT TForm::MakeFont(int pixel_height, bool bold) {
  HFONT font = ::CreateFontA(-pixel_height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                             FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "ＭＳ Ｐゴシック");
  if (font_.get()) extra_fonts_.emplace_back(font);
  return font;
}

TControl TForm::AddControl(const char* window_class, const std::string& text, DWORD style, int id,
                           int x, int y, int width, int height, DWORD ex_style,
                           HWND parent) {
  HWND control = ::CreateWindowExA(ex_style, window_class, text.c_str(), WS_CHILD | style, x, y,
                                   width, height, parent ? parent : hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   Application.Instance(), nullptr);
  ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
  return TControl(control);
}

void TForm::SetPosition(int left, int top) {
  ::SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::CenterOnScreen() {
  RECT r;
  ::GetWindowRect(hwnd_, &r);
  int width = r.right - r.left, height = r.bottom - r.top;
  int screen_width = ::GetSystemMetrics(SM_CXSCREEN);
  int screen_height = ::GetSystemMetrics(SM_CYSCREEN);
  SetPosition((screen_width - width) / 2, (screen_height - height) / 2);
}

void TForm::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (hwnd_) ::SetWindowTextA(hwnd_, caption_.c_str());
}

std::string TForm::Caption() const { return TControl(hwnd_).Text(); }

bool TForm::Visible() const { return hwnd_ && ::IsWindowVisible(hwnd_); }

void TForm::RunShowEvent() {
  Create();
  FormShow();
}

void TForm::Show() {
  RunShowEvent();
  ::ShowWindow(hwnd_, SW_SHOW);
  ::SetForegroundWindow(hwnd_);
}

namespace {

struct DisabledWindows {
  HWND keep;
  std::vector<HWND> windows;
};

BOOL CALLBACK DisableOne(HWND hwnd, LPARAM param) {
  auto* state = reinterpret_cast<DisabledWindows*>(param);
  if (hwnd != state->keep && ::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd)) {
    ::EnableWindow(hwnd, FALSE);
    state->windows.push_back(hwnd);
  }
  return TRUE;
}

}  // namespace

int TForm::ShowModal() {
  Create();
  ModalResult = mrNone;
  DisabledWindows disabled{hwnd_, {}};
  ::EnumThreadWindows(::GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&disabled));
  in_modal_loop_ = true;
  Show();
  MSG msg;
  while (ModalResult == mrNone) {
    if (QuitRequested() || ::GetMessageA(&msg, nullptr, 0, 0) <= 0) {
      SetQuitRequested();
      ModalResult = mrCancel;
      break;
    }
    if (::IsDialogMessageA(hwnd_, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  in_modal_loop_ = false;
  for (HWND hwnd : disabled.windows) ::EnableWindow(hwnd, TRUE);
  ::ShowWindow(hwnd_, SW_HIDE);
  FormClose();
  return ModalResult;
}

void TForm::Close() {
  if (!CloseQuery()) return;
  if (in_modal_loop_) {
    if (ModalResult == mrNone) ModalResult = mrCancel;
    return;
  }
  ::ShowWindow(hwnd_, SW_HIDE);
  FormClose();
}

LRESULT CALLBACK TForm::WndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<TForm*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!form) return ::DefDlgProcA(hwnd, msg, wparam, lparam);
  if (!form->hwnd_) form->hwnd_ = hwnd;
  // An exception cannot pass through the system's frames that called us: it
  // ends here, with a message, and the run ends.
  try {
    return form->HandleMessage(msg, wparam, lparam);
  } catch (...) {
    ReportUnexpectedError();
    return 0;
  }
}

LRESULT TForm::HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (OnMessage(msg, wparam, lparam, &result)) return result;
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) seams::FaultPoint("click");
      OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    default:
      return ::DefDlgProcA(hwnd_, msg, wparam, lparam);
  }
}

}  // namespace kestra
