// Container windows for the wizard pages. A panel groups controls so that
// hiding or disabling it hides or disables all of them while each keeps its own
// state (a page that comes back finds its buttons as it left them). It hands
// its controls' notifications to its parent, so the form receives them as if
// the controls were its own, and it reports the mouse moving over it.
#pragma once

#include <windows.h>

namespace kestra {

// Sent to the top-level form when the mouse moves over a panel or over a
// control that reports hovering; wParam is that window.
inline constexpr UINT kHoverMessage = WM_APP + 0x301;

// A panel at x, y (in its parent's client pixels); framed panels get a sunken
// edge. The id identifies it among the form's windows.
HWND CreatePanel(HWND parent, int id, int x, int y, int width, int height, bool framed);

// Makes a control report the mouse moving over it (kHoverMessage).
void ReportHover(HWND control);

}  // namespace kestra
