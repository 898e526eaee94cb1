// Every message box SETUP shows, in one table: its caption, its text (a
// template whose "%1", "%2", ... take the message's arguments), its buttons and
// its icon. The application shows them by identifier (TApplication::Show);
// message-box flags are chosen nowhere else.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace kestra {

enum class Msg {
  // start-up and the end of a run
  ViewerRunningInstall,
  ViewerRunningUninstall,
  NoRightsInstall,
  NoRightsUninstall,
  WrongDrive,           // %1: the drive SETUP was started from
  DriveInvalid,
  UpgradeQuestion,      // %1: product title
  SearchPathFailed,
  InstallDone,
  UpgradeDone,
  UnexpectedError,      // %1: the reason
  // settings page and directory dialog
  BadPath,
  InstallStartQuestion,  // %1: product title
  DriveMissing,          // %1: the drive as typed
  CreateFolderQuestion,  // %1: the folder
  // installation
  InstallCancelQuestion,
  NetworkIndexQuestion,  // %1: the index folder on the network
  IndexCopyFailed,
  CommonListFailed,
  CopyFailed,
  FileInUse,             // %1: the file another program holds
  RegistryFailed,        // %1: the key that could not be written
  // uninstaller
  UninstallStartQuestion,
  UninstallCancelQuestion,
  UninstallDone,
  UninstallFilesRemain,     // %1: the log (records folder without drive), %2: product title
  UninstallRecordsMissing,  // %1: the record (records folder without drive)
  KeyNotDeleted,            // %1: the key path
  // picking folders as the desktop user
  SystemFolderMissing,
  AdvapiMissing,         // %1: the library's path
  OwnTokenFailed,
  DesktopTokenFailed,
  DirPickMissing,        // %1: DIRPICK's file name
  // the command line and unattended runs
  Help,
  BadOption,             // %1: the argument
  BadAnswerFile,         // %1: the answer file, %2: why it cannot be taken
  SettingsRefused,       // %1: the setting and why it cannot be used
};

// The silent answer of the network index question: the answer file's
// IndexOverwrite (Yes unless it says 0).
inline constexpr int kAnswerIndexOverwrite = -1;

struct MessageEntry {
  Msg id;
  const char* caption;
  const char* text;  // template
  UINT flags;        // MB_ buttons, icon and default button
  // A run without windows (-SILENT, -VERYSILENT) shows no box: it takes this
  // button for the user (IDOK, IDYES, ..., or kAnswerIndexOverwrite).
  int silent_answer;
  // Every run, with or without windows, ends with this exit code once the
  // message was answered with exit_answer (0: whatever the answer); 0: none.
  int exit_code;
  int exit_answer;
};

// A message to show: which one, and the arguments of its template.
struct Message {
  Message(Msg message_id, std::vector<std::string> arguments = {})
      : id(message_id), args(std::move(arguments)) {}
  Msg id;
  std::vector<std::string> args;
};

// The whole table, in the order of Msg.
const std::vector<MessageEntry>& MessageCatalogue();
const MessageEntry& CatalogueEntry(Msg id);

// The text with "%N" replaced by the N-th argument (1-based); the arguments
// themselves are not searched again. A "%N" without an argument stays.
std::string MessageText(const Message& message);

}  // namespace kestra
