// The run's log for administrators (the -LOG option): one line per event, each
// with the local time to the millisecond, in UTF-8 with a byte-order mark.
// Every line reaches the file as it is written, so that a run that is ended
// from outside leaves its log up to its last step. Without an open log every
// call does nothing; the log changes nothing a run does.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kestra::runlog {

// Creates (or empties) the log file and makes it the run's log; false when it
// cannot be created.
bool Open(const std::string& path);
bool IsOpen();
void Close();

// One event, as code page 932 text; line breaks inside it become " / ".
void Write(std::string_view text);
// An event and the Win32 error that caused it.
void WriteFailure(std::string_view what, DWORD error);

// The system's text of a Win32 error, with its number: "アクセスが拒否されました。 (5)".
std::string ErrorText(DWORD error);

// The log's name when -LOG names none: "KESTRA Setup yyyy-mm-dd #nnn.log" in
// the temporary folder, nnn the first number from 001 not taken yet that day.
std::string DefaultPath();

}  // namespace kestra::runlog
