// The driver's side of the hook library: installs the library's procedures on
// the driven program's GUI thread for the length of one operation, asks it
// questions and waits for its acknowledgement of posted input.
#pragma once

#include <windows.h>

#include <functional>

#include "UiDriver.h"

namespace uidrv::detail {

// Asks the hook inside the program that owns hwnd (a UiHookProtocol Query)
// and returns its answer. Throws TimeoutError when the program does not answer
// within the time-out, std::runtime_error when the hook did not answer at all
// (the library could not be loaded into the program).
LPARAM AskProgram(HWND hwnd, WPARAM query, Millis timeout, LPARAM argument = 0);

enum class Delivery { Taken, ThreadEnded, TimedOut };

// Installs the hooks on hwnd's thread, lets post() post the input (it returns
// false when posting failed), then posts the acknowledgement marker and waits
// until the program has taken it from its queue, or its thread has ended.
Delivery PostAndAwait(HWND hwnd, const std::function<bool()>& post, Millis timeout);

// Posts the driver's "type this character" message; the hook hands it to the
// control as a Unicode WM_CHAR. Only valid inside PostAndAwait's post().
bool PostCharacter(HWND edit, wchar_t character);

}  // namespace uidrv::detail
