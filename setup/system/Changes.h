// Every change SETUP makes to the machine (a folder, a file, a registry value,
// a shortcut, a program it starts) is told here, by the one function that
// makes it. A run writes each to its log as it is made ("Folder created:
// C:\..."). A run that only plans (-PLAN) makes none of them: each goes to
// the plan instead ("Create folder: C:\..."), and is remembered, so that the
// decisions that follow (does the folder exist, is the installed copy older)
// see the machine as the run would have left it. The plan thus comes from the
// very decisions of the run, in the order the run would carry them out.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace kestra::changes {

enum class Kind {
  CreateFolder,
  RemoveFolder,    // removed only when empty
  ExpandFile,      // from the DVD's archive, or an LZ-compressed file
  CopyFile,
  WriteFile,       // written whole (records, the index record, AUTOEXEC.BAT, an answer file)
  DeleteFile,
  WriteValue,      // a registry value: "HKEY_...\key\name = data"
  DeleteKey,       // a registry key with its subkeys
  CreateShortcut,
  RunProgram,
};

// What a planning run writes for a change ("Create folder") and what a run
// logs once it is made ("Folder created").
const char* PlannedText(Kind kind);
const char* MadeText(Kind kind);

// From now on nothing is changed: the run plans. Its plan is the run's log
// (system/RunLog), opened on the plan's file.
void StartPlanning();
bool Planning();

// A change in a planning run: written to the plan (detail after the object,
// "(...)"), and the machine as the run would leave it remembered (a file with
// the last-write time age_after, as FileAge gives it; -1 for none known).
void Plan(Kind kind, const std::string& object, const std::string& detail = "",
          int64_t age_after = -1);
// A change a run has made, or failed to make, for the log.
void Made(Kind kind, const std::string& object, const std::string& detail = "");
void NotMade(Kind kind, const std::string& object, DWORD error);

// What a planning run would have left where it planned a change: a folder,
// a file (with the last-write time it would have, as FileAge gives it), or
// nothing (deleted). Nothing known: the machine as it is.
struct Assumed {
  enum class What { Folder, File, Nothing } what;
  int64_t age = -1;
};
std::optional<Assumed> AssumedAt(const std::string& path);

}  // namespace kestra::changes
