// A thin view of one control window: its text, state and focus. It owns nothing;
// the form's window destroys its controls.
#pragma once

#include <windows.h>

#include <string>

namespace kestra {

class TControl {
 public:
  TControl() = default;
  explicit TControl(HWND hwnd) : hwnd_(hwnd) {}

  HWND Handle() const { return hwnd_; }
  int Id() const { return ::GetDlgCtrlID(hwnd_); }

  std::string Text() const;
  void SetText(const std::string& text) const { ::SetWindowTextA(hwnd_, text.c_str()); }

  bool Enabled() const { return ::IsWindowEnabled(hwnd_) != FALSE; }
  void SetEnabled(bool enabled) const { ::EnableWindow(hwnd_, enabled); }
  bool Visible() const { return ::IsWindowVisible(hwnd_) != FALSE; }
  void SetVisible(bool visible) const { ::ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE); }

  // Check boxes and radio buttons.
  bool Checked() const { return ::SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetChecked(bool checked) const {
    ::SendMessageA(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }

  void SetFocus() const { ::SetFocus(hwnd_); }
  void SetFont(HFONT font) const { ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

 private:
  HWND hwnd_ = nullptr;
};

// Percentage gauge (a progress bar): minimum, maximum and a value clamped to them.
class TGauge {
 public:
  TGauge() = default;
  explicit TGauge(HWND hwnd) : hwnd_(hwnd) {}
  // A progress bar drawn in the classic way, so that its colour shows also
  // where visual styles would paint every bar alike; range and position 0.
  static TGauge Classic(HWND bar, COLORREF colour);
  HWND Handle() const { return hwnd_; }
  void SetRange(int minimum, int maximum);
  void SetPosition(int value);
  int Position() const { return position_; }
  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }

 private:
  HWND hwnd_ = nullptr;
  int minimum_ = 0;
  int maximum_ = 100;
  int position_ = 0;
};

}  // namespace kestra
