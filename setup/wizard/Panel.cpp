#include "wizard/Panel.h"

#include <commctrl.h>

#include "ui/Application.h"

namespace kestra {

namespace {

constexpr char kPanelClass[] = "TPanel";
constexpr UINT_PTR kHoverSubclassId = 1;

void NotifyHover(HWND hwnd) {
  if (HWND form = ::GetAncestor(hwnd, GA_ROOT))
    ::SendMessageA(form, kHoverMessage, reinterpret_cast<WPARAM>(hwnd), 0);
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    // The form handles what its controls report, whatever panel holds them.
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_DRAWITEM:
      return ::SendMessageA(::GetParent(hwnd), msg, wparam, lparam);
    case WM_MOUSEMOVE:
      NotifyHover(hwnd);
      break;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd, msg, wparam, lparam);
}

void RegisterPanelClass() {
  WNDCLASSA existing{};
  if (::GetClassInfoA(Application.Instance(), kPanelClass, &existing)) return;
  WNDCLASSA wc{};
  wc.lpfnWndProc = PanelProc;
  wc.hInstance = Application.Instance();
  wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kPanelClass;
  ::RegisterClassA(&wc);
}

LRESULT CALLBACK HoverSubclassProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                                   UINT_PTR id, DWORD_PTR) {
  if (msg == WM_MOUSEMOVE) NotifyHover(hwnd);
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, HoverSubclassProc, id);
  return ::DefSubclassProc(hwnd, msg, wparam, lparam);
}

}  // namespace

HWND CreatePanel(HWND parent, int id, int x, int y, int width, int height, bool framed) {
  RegisterPanelClass();
  // Tab and arrow keys walk into the panel's controls.
  DWORD ex_style = WS_EX_CONTROLPARENT | (framed ? WS_EX_STATICEDGE : 0);
  return ::CreateWindowExA(ex_style, kPanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                           x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           Application.Instance(), nullptr);
}

void ReportHover(HWND control) {
  ::SetWindowSubclass(control, HoverSubclassProc, kHoverSubclassId, 0);
}

}  // namespace kestra
