// Fixed Japanese texts whose lines were broken by hand must keep those lines:
// a face that renders wider than the one they were written for (systems
// without the intended font substitute another) would wrap and clip them.
// The dialogs therefore take the largest of a few font sizes at which every
// line fits its box.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

namespace kestra {

// The first of pixel_heights (largest first) at which every line of text
// ("\r\n" separated) fits width × height on one line each, measured in the
// forms' face; the last one when none fits.
int FittingFontHeight(const std::string& text, int width, int height,
                      std::initializer_list<int> pixel_heights);

// The box an edit control formats its text into (EM_GETRECT), or the client
// area of any other control.
RECT TextBox(HWND control);

}  // namespace kestra
