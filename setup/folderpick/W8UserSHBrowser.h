// Folder picking for the elevated installer. On Windows 8 and later the
// folder dialog runs in DIRPICK.EXE, started with the desktop shell's token,
// so that it shows what the logged-on user sees (the user's own mapped network
// drives among it); the chosen folder comes back on DIRPICK's standard output.
// On Windows Vista and 7 the shell's folder browser runs in this process.
#pragma once

#include <windows.h>

#include <string>

#include "system/Handles.h"

namespace kestra {

// Picks a folder as the desktop user through DIRPICK. folder is the start
// folder going in and the chosen folder coming out (true); unchanged when
// nothing was chosen or anything failed (false). owner is disabled while
// DIRPICK runs (none: the application window).
bool BrowseAsDesktopUser(HWND owner, std::string& folder, bool allow_new_folder);

// Starts the program with the desktop user's token, waits for it to end while
// window messages are handled, and returns what it wrote (standard output and
// standard error in arrival order, every CR LF removed), or "NG" when it could
// not be started for want of the library or a token (with a message). A start
// that the system refuses throws std::runtime_error.
std::string RunAsDesktopUser(const std::string& program, const std::string& command_line);

// A primary token duplicated from the desktop shell's process; none when there
// is no shell window or its token cannot be had.
KernelHandle GetDesktopUserToken();

// Windows Vista and 7: the shell's folder browser in this process, started at
// folder (its drive when the drive is ready but the folder is not there).
bool BrowseForFolder(std::string& folder);
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM item, LPARAM data);

// ---- The decisions, apart from the windows and processes ----------------------

// DIRPICK.EXE by the search order: beside SETUP, its UTILITY and PLUS folders,
// then the shared folder's UTILITY folder and the shared folder itself. Empty
// when none exists. Both folders end in a backslash.
std::string FindDirPick(const std::string& setup_folder, const std::string& system_drive_root);

// The folder DIRPICK starts at: the system drive root for an empty folder or
// a network (UNC) path.
std::string DirPickStartFolder(const std::string& folder, const std::string& system_drive_root);

// "DIRPICK" -C -S "folder" -cmd [-CreateDir]
std::string DirPickCommandLine(const std::string& dirpick, const std::string& folder,
                               bool allow_new_folder);

// The answer as text: every CR LF pair removed, wherever it stands.
std::string DirPickAnswer(const std::string& output);

// The answer names a folder: not empty and not beginning with "NG".
bool AnswerNamesFolder(const std::string& answer);

}  // namespace kestra
