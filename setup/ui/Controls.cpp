#include "ui/Controls.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace kestra {

std::string TControl::Text() const {
  int length = ::GetWindowTextLengthA(hwnd_);
  if (length <= 0) return std::string();
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  int got = ::GetWindowTextA(hwnd_, buffer.data(), length + 1);
  return std::string(buffer.data(), static_cast<std::size_t>(std::max(got, 0)));
}

TGauge TGauge::Classic(HWND bar, COLORREF colour) {
  using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  if (HMODULE theme = ::GetModuleHandleA("uxtheme.dll")) {
    auto set_theme = reinterpret_cast<SetWindowThemeFn>(
        reinterpret_cast<void*>(::GetProcAddress(theme, "SetWindowTheme")));
    // A blank theme name (not an empty one) is what turns the styles off.
    if (set_theme) set_theme(bar, L" ", L" ");
  }
  ::SendMessageA(bar, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(colour));
  TGauge gauge(bar);
  gauge.SetRange(0, 0);
  gauge.SetPosition(0);
  return gauge;
}

void TGauge::SetRange(int minimum, int maximum) {
  minimum_ = minimum;
  maximum_ = std::max(minimum, maximum);
  ::SendMessageA(hwnd_, PBM_SETRANGE32, minimum_, maximum_);
  SetPosition(position_);
}

void TGauge::SetPosition(int value) {
  position_ = std::clamp(value, minimum_, maximum_);
  ::SendMessageA(hwnd_, PBM_SETPOS, position_, 0);
}

}  // namespace kestra
