// The uninstaller's handling of the record lines of KSINSTALL.INF, apart from
// the disk: which path a line names, which paths are never deleted, which
// folders a run removes afterwards, the pass over the lines and the rewritten
// record. The removal run (uninstall/Removal.h) gives the pass the disk; the
// native build and the tests a stand-in. Builds for Windows and natively alike.
#pragma once

#include <string>
#include <vector>

namespace kestra {

// Prefix of each line of KSUNINST.LOG.
inline constexpr char kDeleteErrorPrefix[] = "DeleteError: ";

// The path a record line names: the text after its first "=", the whole line
// when it has none.
std::string RecordLinePath(const std::string& line);

// The path lies in the folder the product family shares (its subfolder
// kSharedSubfolder on any drive), or is that folder: compared without regard
// to case, on the path as written and on its full long form.
bool IsSharedPath(const std::string& path);

// The path names the application file: its upper-cased text holds the
// application file name ("KESTRA.EXE").
bool NamesApplicationFile(const std::string& path);

// The folder (with trailing backslash) to remove as the Start-menu folder when
// the path is a recorded shortcut there: a file named program folder name +
// ".LNK", or any ".LNK" inside a folder named as the program folder ("ケストラ").
// Empty otherwise.
std::string ShortcutFolderOf(const std::string& path);

// The lines of a text (CR LF or LF; a last line without a line end counts; a
// CR alone stays in its line).
std::vector<std::string> SplitTextLines(const std::string& text);
// The lines, each ending in CR LF.
std::string JoinTextLines(const std::vector<std::string>& lines);

// What the pass over the record lines does to files and shows.
class RecordFileActions {
 public:
  virtual ~RecordFileActions() = default;
  // A file (not a folder) exists at path.
  virtual bool FileExists(const std::string& path) = 0;
  // Clears the file's attributes and deletes it; false when that failed.
  virtual bool Delete(const std::string& path) = 0;
  // One line is being processed (shown, the gauge advances, the display paced).
  virtual void Step(const std::string& path) = 0;
  // Time for the window to handle its messages.
  virtual void Pump() = 0;
  // A path in the shared folder was left in place (and forgotten by the record).
  virtual void KeptShared(const std::string& /*path*/) {}
};

struct RecordPass {
  std::string install_folder;   // folder of the last deleted-or-tried application file
  std::string shortcut_folder;  // Start-menu folder of the last recorded shortcut there
  std::vector<std::string> failed;  // paths that could not be deleted, in order
};

// The pass over the record lines, in order: each line's path is shown; a path
// in the shared folder is never deleted and its line blanked (the record
// forgets it); an absolute path that exists as a file is deleted and its line
// blanked, or, when that fails, kept and listed as failed. Every other line
// (the section header, folder entries, files already gone, relative paths)
// stays as it is.
RecordPass RemoveRecordedFiles(std::vector<std::string>& lines, RecordFileActions& actions);

// The lines the rewritten record keeps: the lines that are not blank, in order.
std::vector<std::string> KeptRecordLines(const std::vector<std::string>& lines);

}  // namespace kestra
