#include "wizard/TextFit.h"

#include <algorithm>
#include <vector>

#include "system/Handles.h"

namespace kestra {

namespace {

// The same face as the forms' font (TForm::MakeFont).
HFONT MakeMeasuringFont(int pixel_height) {
  return ::CreateFontA(-pixel_height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, "ＭＳ Ｐゴシック");
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return lines;
    start = end + 2;
  }
}

class ScreenDc {
 public:
  ScreenDc() : dc_(::GetDC(nullptr)) {}
  ~ScreenDc() { ::ReleaseDC(nullptr, dc_); }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

bool Fits(HDC dc, const std::vector<std::string>& lines, int width, int height) {
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(dc, &metrics);
  if (static_cast<int>(lines.size()) * metrics.tmHeight > height) return false;
  return std::all_of(lines.begin(), lines.end(), [&](const std::string& line) {
    SIZE size{};
    ::GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size);
    return size.cx <= width;
  });
}

}  // namespace

int FittingFontHeight(const std::string& text, int width, int height,
                      std::initializer_list<int> pixel_heights) {
  const std::vector<std::string> lines = Lines(text);
  ScreenDc dc;
  int chosen = 0;
  for (int pixel_height : pixel_heights) {
    chosen = pixel_height;
    GdiObject font(MakeMeasuringFont(pixel_height));
    HGDIOBJ old = ::SelectObject(dc.get(), font.get());
    const bool fits = Fits(dc.get(), lines, width, height);
    ::SelectObject(dc.get(), old);
    if (fits) break;
  }
  return chosen;
}

RECT TextBox(HWND control) {
  RECT box{};
  char class_name[16] = {};
  ::GetClassNameA(control, class_name, sizeof class_name);
  if (::lstrcmpiA(class_name, "Edit") == 0)
    ::SendMessageA(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&box));
  else
    ::GetClientRect(control, &box);
  return box;
}

}  // namespace kestra
