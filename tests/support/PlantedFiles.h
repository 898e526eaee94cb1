// Files planted beside SETUP.EXE or DIRPICK.EXE by whoever can write their
// folder (tests/standins/planted): copies of one library under the names of
// the system's MPR.DLL, VERSION.dll and LZ32.DLL, and a REGSVR32.EXE. Each
// leaves a trace when it is loaded or run, which the tests look for.
#pragma once

#include <string>
#include <vector>

namespace testenv {

// The libraries the programs use that are no KnownDLLs, as planted.
inline const std::vector<std::string> kPlantedLibraries = {"MPR.DLL", "VERSION.dll", "LZ32.DLL"};

// Those of them that Wine can be made to look for as Windows does. Not
// VERSION.dll: Wine's own USER32.DLL imports it (Windows' does not, and a
// KnownDLL's imports are KnownDLLs), so looked for in the program's folder
// first it would be loaded into every program that imports USER32, whatever
// the program does. That SETUP and DIRPICK do not import it themselves is
// checked on their import lists (test shipped_imports).
inline const std::vector<std::string> kNativeFirstUnderWine = {"MPR.DLL", "LZ32.DLL"};

// Wine loads its own copy of a system library whatever lies beside a program;
// native first, as set here for the named programs (file names, "SETUP.EXE")
// and the libraries kNativeFirstUnderWine, it searches as Windows does, where
// these are no KnownDLLs: the program's folder first. Set per program in the registry (the DllOverrides key below
// AppDefaults\PROGRAM), which is what WINEDLLOVERRIDES does for every program: that
// variable reaches no program a test starts, as Wine's loader reads it from
// the Unix environment, which a program started from Windows code inherits
// from its parent's Unix side, not from the environment block it is given.
class ScopedNativeFirstLibraries {
 public:
  explicit ScopedNativeFirstLibraries(std::vector<std::string> programs);
  ~ScopedNativeFirstLibraries();
  ScopedNativeFirstLibraries(const ScopedNativeFirstLibraries&) = delete;
  ScopedNativeFirstLibraries& operator=(const ScopedNativeFirstLibraries&) = delete;

 private:
  std::vector<std::string> programs_;
};

// The planted files in folder (with trailing backslash), removed with their
// traces when the object goes.
class PlantedFiles {
 public:
  enum class Regsvr32 { No, Yes };
  PlantedFiles(std::string folder, Regsvr32 regsvr32);
  ~PlantedFiles();
  PlantedFiles(const PlantedFiles&) = delete;
  PlantedFiles& operator=(const PlantedFiles&) = delete;

  // "NAME: program" for every use of a planted file so far, NAME the planted
  // file, program the path of the program that loaded or ran it.
  std::vector<std::string> Traces() const;
  void ClearTraces() const;

  // Runs, from the folder and with the libraries native first, the control
  // program that imports all three libraries, and gives the traces it left
  // (cleared afterwards): one per library of kNativeFirstUnderWine when the
  // planted files work as a planted library would.
  std::vector<std::string> TracesOfAnImportingProgram() const;

 private:
  std::vector<std::string> Names() const;
  std::string folder_;
  Regsvr32 regsvr32_;
};

}  // namespace testenv
