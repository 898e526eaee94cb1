// The message pump used by long work on the GUI thread: the installer handles
// pending window messages between steps instead of using worker threads.
#pragma once

namespace kestra {

// Handles every pending message of this thread. A WM_QUIT met on the way is
// remembered (QuitRequested) and not handed on.
void ProcessMessages();

// A WM_QUIT has been seen by ProcessMessages or the application's loop.
bool QuitRequested();
void SetQuitRequested();

}  // namespace kestra
