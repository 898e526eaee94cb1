// What every test under Wine relies on: the fixed drives of the test prefix,
// the Windows version a program sees, and paths of the build tree.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "system/ProductPlaces.h"
#include "system/Registry.h"

namespace testenv {

// Drives of the test prefix (made by tools/wine/mkprefix).
inline constexpr char kDvdDrive[] = "Q:";         // CD-ROM, label KESTRA_DVD
inline constexpr char kDvd2Drive[] = "R:";        // second CD-ROM
inline constexpr char kNetDrive[] = "N:";         // network drive -> \\kestrasrv\dvd
inline constexpr char kNetDrive2[] = "P:";        // the same share mapped again
inline constexpr char kShare[] = "\\\\kestrasrv\\dvd";      // mapped by N: and P:
inline constexpr char kOtherShare[] = "\\\\kestrasrv\\other";  // mapped by no drive

// The build tree as Windows programs see it (Z:\...\build), with trailing "\".
std::string BuildDir();
// A file of the shipped programs (build\dist\NAME).
std::string DistFile(const std::string& name);
// The test variant of SETUP.EXE: the shipped program plus the test seams
// (setup/system/TestSeams.h). End-to-end tests place and start this one.
std::string SetupVariant();
// A program or library built for the tests (stand-ins, helpers).
std::string TestBinary(const std::string& name);

// Windows versions Wine can report to a program.
enum class WinVersion { Win98, WinXP, Vista, Win7, Win8, Win10 };
const char* WineVersionName(WinVersion v);

// Makes the named programs see a Windows version while the object lives
// (HKCU\Software\Wine\AppDefaults\PROGRAM\Version); the old setting returns after.
class ScopedWindowsVersion {
 public:
  ScopedWindowsVersion(WinVersion version, std::vector<std::string> programs);
  ~ScopedWindowsVersion();
  ScopedWindowsVersion(const ScopedWindowsVersion&) = delete;
  ScopedWindowsVersion& operator=(const ScopedWindowsVersion&) = delete;

 private:
  std::vector<std::string> programs_;
};

// Sets an environment variable of this process (inherited by the programs it
// starts; this process's own loader read its variables when it started) and
// puts the old value back when the object goes.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const std::string& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// ---- 64-bit Windows ------------------------------------------------------------
// A 32-bit program on 64-bit Windows (a WINEARCH=win64 prefix) runs under
// WoW64: HKEY_LOCAL_MACHINE\SOFTWARE (and the classes below it) is the 32-bit
// view (Wow6432Node) unless a key is opened with KEY_WOW64_64KEY, and System32
// is SysWOW64 for its file calls. True for this program when it runs so.
bool RunsUnderWow64();

// The registry's views by the flag that selects them; kDefaultView is the
// program's own (on 32-bit Windows the flags change nothing).
inline constexpr REGSAM kDefaultView = 0;
inline constexpr REGSAM kView32 = KEY_WOW64_32KEY;
inline constexpr REGSAM kView64 = KEY_WOW64_64KEY;
// Whether the key exists in that view.
bool KeyExistsInView(HKEY root, const std::string& path, REGSAM view);
// Deletes a key tree of that view (the parent opened in the view, the tree
// taken from it); true when it is gone afterwards.
bool DeleteKeyTreeInView(HKEY root, const std::string& path, REGSAM view);

// The file system redirection of System32 off for this thread while the
// object lives: what a 64-bit program would find at the same paths.
class ScopedFsRedirectionOff {
 public:
  ScopedFsRedirectionOff();
  ~ScopedFsRedirectionOff();
  ScopedFsRedirectionOff(const ScopedFsRedirectionOff&) = delete;
  ScopedFsRedirectionOff& operator=(const ScopedFsRedirectionOff&) = delete;

 private:
  void* old_ = nullptr;
  bool off_ = false;
};

// Deletes a registry key tree now and again when the object goes (in the
// program's own registry view, or in the one view names).
class ScopedRegistryCleanup {
 public:
  ScopedRegistryCleanup(HKEY root, std::string path, REGSAM view = kDefaultView);
  ~ScopedRegistryCleanup();
  ScopedRegistryCleanup(const ScopedRegistryCleanup&) = delete;
  ScopedRegistryCleanup& operator=(const ScopedRegistryCleanup&) = delete;

 private:
  HKEY root_;
  std::string path_;
  REGSAM view_;
};

// Bytes no program wrote: every value 0 to 255 (NUL, CR and LF alone, "=",
// brackets, cut-off lead bytes of code page 932), the same for the same seed.
std::string Garbage(std::size_t size, uint32_t seed);

// The work folders of the test programs that run SETUP's code in their own
// process lie below this one; the end-to-end runs of SETUP leave it alone.
inline const std::string kInProcessWork = "C:\\kestra_tests\\";

// The product's registry roots hung below a key of the test's own while the
// object lives (HKCU\Software\KestraTestRoots\<process id>\Machine and
// \User): SETUP's code running in the test process reads and writes its keys
// there and shares no registry state with other suites; the key goes at the end.
class ScopedProductRoots {
 public:
  ScopedProductRoots();
  ~ScopedProductRoots();
  ScopedProductRoots(const ScopedProductRoots&) = delete;
  ScopedProductRoots& operator=(const ScopedProductRoots&) = delete;

  HKEY Machine() const { return machine_.get(); }
  HKEY User() const { return user_.get(); }

  // The shell's folders as the roots name them, made below base (which ends
  // in a backslash): the user's desktop and Start menu, all users' Start menu.
  struct ShellPlaces {
    std::string desktop, user_programs, common_programs;  // each with trailing backslash
  };
  ShellPlaces PlaceShellFolders(const std::string& base);

 private:
  std::string base_;
  kestra::RegKey machine_, user_;
  kestra::RegistryRoots before_;
};

// Makes link a symbolic link to the folder target, as a user may plant one
// (Windows cannot make one under Wine; a Unix link reads as a reparse point).
// True once the link is there.
bool PlantFolderLink(const std::string& link, const std::string& target);

// Gives the file the date the first of the month (its write time); throws
// when it cannot.
void SetFileDate(const std::string& path, WORD year, WORD month);
// A file the build writes with the DVD tool's LZ compression (tests\lzdata).
std::string LzData(const std::string& name);

// Empties a folder (keeps the folder itself); creates it when missing.
void ResetFolder(const std::string& folder);
// Writes bytes to a file, creating its folder.
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool CopyFileTo(const std::string& from, const std::string& to);
// Names of the files and folders directly in folder, sorted.
std::vector<std::string> NamesIn(const std::string& folder);
// The file's identity on its volume (its file index): a file put in place of
// another has a new one, a file rewritten in place keeps its own.
uint64_t FileIdentity(const std::string& path);

// ---- A full disk --------------------------------------------------------------
// Where a write can fail for want of space: a small file system that a CTest
// fixture (tests/support/smallfs, as root) mounts over a folder of the prefix
// while a test program runs (kestra_small_fs in its CMakeLists.txt), as a rule
// over SmallFileSystemFolder(program).
std::string SmallFileSystemFolder(const std::string& program);
// The fixture's file system is mounted over folder (its marker file is there).
bool IsSmallFileSystem(const std::string& folder);
// Why a full-disk case cannot run when folder is none, for GTEST_SKIP.
std::string NoSmallFileSystem(const std::string& folder);

// Fills the file system of a small file system's folder: a file written there
// until WriteFile fails with the disk full, then cut back by spare bytes (a
// tmpfs gives back whole 4 KB blocks only). The file goes with the object.
// Throws when the folder's file system is not small (nothing is filled then)
// or the disk never reports full.
class DiskFiller {
 public:
  DiskFiller(const std::string& folder, uint64_t spare);
  ~DiskFiller();
  DiskFiller(const DiskFiller&) = delete;
  DiskFiller& operator=(const DiskFiller&) = delete;

  // Bytes free on the file system, as GetDiskFreeSpaceExA reports them.
  uint64_t FreeBytes() const;

 private:
  std::string path_;
};

}  // namespace testenv
