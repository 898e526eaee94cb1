// Rewriting a file whole or not at all.
//
// Every file SETUP rewrites (the uninstall record, the index record, the
// uninstaller and its log, AUTOEXEC.BAT, any file of the INI store) is written
// to a temporary file beside it and put in its place only once it is complete
// and on the disk. A write that fails part-way (the disk full, the power lost,
// the process ended) then leaves the old file as it was: the record of earlier
// installations is what the uninstaller depends on.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "system/Changes.h"
#include "system/Handles.h"

namespace kestra {

// The temporary file of one rewrite: "~" + the target's name, in the target's
// folder, so that putting it in place is a rename on the same volume. The name
// is fixed, so that a run ended while it wrote leaves one file behind, which
// the next rewrite of the same target takes over, and never more.
class ReplacementFile {
 public:
  // The change is logged (or, in a run that only plans, planned) as kind, with detail.
  explicit ReplacementFile(std::string target, changes::Kind kind = changes::Kind::WriteFile,
                           std::string detail = "");
  // Removes the temporary file unless it was committed; the target stays as it was.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the temporary file empty and keeps it open for Write. A target
  // that is a folder or read-only is refused (ERROR_ACCESS_DENIED) before
  // anything is written, as Windows refuses to move a file over either.
  bool Create();
  // Appends all of bytes; false when they did not all reach the file.
  bool Write(std::string_view bytes);
  // Closes the temporary file, for a writer that opens it by its name (the
  // profile functions, CopyFileA); Commit reopens it to flush it. Attributes
  // such a writer gives it do not survive the commit.
  void Close();
  // Flushes the temporary file to the disk and moves it over the target
  // (MoveFileExA, replacing it, written through). False, with the target as it
  // was, when any of that fails. The file in place has the attributes of a new
  // file: those of the old one are not carried over.
  bool Commit();

  const std::string& Target() const { return target_; }
  const std::string& TemporaryPath() const { return temporary_; }
  // The Win32 error of the call that failed last.
  DWORD Error() const { return error_; }

 private:
  bool Fail();                // keeps GetLastError's answer, false
  bool Refuse(DWORD error);   // keeps error, false

  std::string target_;
  std::string temporary_;
  changes::Kind kind_;
  std::string detail_;
  FileHandle file_;
  bool created_ = false;
  bool committed_ = false;
  DWORD error_ = ERROR_SUCCESS;
};

// The temporary file's name for target: "~" + its file name, in its folder.
std::string ReplacementPathOf(const std::string& target);

// Rewrites target with exactly bytes through a ReplacementFile. False, with
// the target as it was and no temporary file left, when that fails.
bool ReplaceFileContent(const std::string& target, std::string_view bytes);

}  // namespace kestra
