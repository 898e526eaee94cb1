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
