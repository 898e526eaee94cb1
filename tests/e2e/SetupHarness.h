// What the end-to-end tests of SETUP share: SETUP placed on the test drives and
// shares, the registry traces of an installed copy, the viewer stand-in, a
// user without administrator rights.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ExpectedBoxes.h"
#include "UiDriver.h"
#include "WineTestEnv.h"

namespace e2e {

using namespace std::chrono_literals;

// Folders SETUP is started from (with trailing backslash).
inline constexpr char kDvdRoot[] = "Q:\\";
inline constexpr char kUnmappedUncFolder[] = "\\\\kestrasrv\\other\\startup\\";
inline constexpr char kMappedUncFolder[] = "\\\\kestrasrv\\dvd\\startup\\";

// Window classes of SETUP's forms and of the viewer.
inline constexpr char kMainForm[] = "TForm1";
inline constexpr char kConsent[] = "TConsentDlg";
inline constexpr char kAbortMsg[] = "TSetupAbortMsg";
inline constexpr char kSetting[] = "TSettingDlg";
inline constexpr char kUninstall[] = "TUnInstDlg";
inline constexpr char kViewer[] = "TMainFrm";

// The test variant of SETUP.EXE (testenv::SetupVariant) copied into a folder for one test, with the
// archive expander EZip.dll and a SETUP.INF naming the DVD's version (none: no
// SETUP.INF). The files, and the folder when the object made it, are removed
// when it goes. Programs started from it must end before (declare it before them).
class PlacedSetup {
 public:
  explicit PlacedSetup(std::string folder, std::optional<std::string> dvd_version = "2.0.0");
  ~PlacedSetup();
  PlacedSetup(const PlacedSetup&) = delete;
  PlacedSetup& operator=(const PlacedSetup&) = delete;

  std::string Exe() const { return folder_ + "SETUP.EXE"; }
  // Starts SETUP with these arguments (quoted by the caller), in its folder.
  uidrv::Process Start(const std::string& args = "") const;
  // The same for a user without administrator rights: SETUP asks notadmin.dll.
  uidrv::Process StartWithoutAdminRights(const std::string& args = "") const;
  // The same with an exception thrown at a point of the run: fault is
  // "point:kind" (main, click or uninstall; bad_alloc, io or invalid_argument).
  uidrv::Process StartWithFault(const std::string& fault, const std::string& args = "") const;

 private:
  std::string folder_;
  bool made_folder_ = false;
};

// The class the sample's PDF control registers (under HKEY_CLASSES_ROOT).
inline constexpr char kPdfControlClassKey[] = "CLSID\\{098D4AA5-1063-460C-BFD6-A4B9639710F8}";

// Removes what an install run records and leaves: the product's keys (machine
// and user), App Paths, the Windows uninstall entry, the files of the records
// folder, the product's shortcuts and the PDF control's registration.
void RemoveInstallationRecords();

// The registry traces of an installed copy, removed now and again at the end:
// none, or the given version with an existing viewer program.
class InstalledCopy {
 public:
  InstalledCopy();
  explicit InstalledCopy(const std::string& version);
  ~InstalledCopy();
  InstalledCopy(const InstalledCopy&) = delete;
  InstalledCopy& operator=(const InstalledCopy&) = delete;
};

// The viewer stand-in, running with its main window open.
uidrv::Process StartViewer();

// The desktop shell stand-in, once its window is the shell window: the token
// DIRPICK runs with on Windows 8 and later is its process's.
uidrv::Process StartDesktopShell();

// On Windows 8 and later the folder dialog runs in DIRPICK, started as the
// desktop user (the shell stand-in's token), never in SETUP's own process:
// the dialog, once shown (a failed expectation if it belongs to SETUP).
uidrv::Window WaitForDirPickDialog(const uidrv::Process& setup);

// Waits for the program to end, and returns every window it showed where a
// user could see it meanwhile (class names). Throws TimeoutError when it does
// not end.
std::vector<std::string> WindowsSeenUntilExit(uidrv::Session& session,
                                              uidrv::Millis timeout = uidrv::kDefaultWait);

// Every window the program shows until it ends, visible anywhere (off screen
// too), by class name: what a run without windows (-VERYSILENT) must leave
// empty. A failed expectation when the program still runs after the time-out.
std::vector<std::string> VisibleWindowsUntilExit(const uidrv::Process& program,
                                                 uidrv::Millis timeout = 90s);

// The log of a run (-LOG) as code page 932 text; it is written in UTF-8 with a
// byte-order mark (a text in angle brackets says why it could not be read).
std::string ReadLog(const std::string& path);
// The log's lines without their time stamps ("2026-12-09 03:58:21.636 ").
std::vector<std::string> LogEvents(const std::string& path);
bool HasEvent(const std::vector<std::string>& events, const std::string& event);
bool HasEventStarting(const std::vector<std::string>& events, const std::string& head);

// The licence agreement accepted: "承諾します。" chosen, then "次へ(&N)  >".
void AcceptConsent(uidrv::Session& session);

}  // namespace e2e
