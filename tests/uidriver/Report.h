// Reading windows for failure reports. A report is written when something has
// already gone wrong, often because the program does not answer: these reads
// never wait long and never throw.
#pragma once

#include <windows.h>

#include <string>

namespace uidrv::detail {

// The window's text, asked briefly; the caption the window server keeps when
// the program does not answer. Code page 932.
std::string ReportText(HWND hwnd);
// Class, text (UTF-8) and control id of a window, for error messages.
std::string DescribeForReport(HWND hwnd);

}  // namespace uidrv::detail
