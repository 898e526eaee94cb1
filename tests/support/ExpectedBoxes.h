// Every message box of SETUP as the user must see it: caption, text, buttons
// and icon, written out here from the product's description of its messages,
// independently of SETUP's own catalogue, so that a wrong word in SETUP shows.
// The unit test of the catalogue and the end-to-end suites compare with these.
#pragma once

#include <string>

#include "UiDriver.h"

namespace expected {

using Box = uidrv::MessageBoxRecord;

// start-up and the end of a run
Box ViewerRunningInstall();
Box ViewerRunningUninstall();
Box NoRightsInstall();
Box NoRightsUninstall();
Box WrongDrive(const std::string& drive);  // the drive SETUP was started from, "Q:" or "\\server\share"
Box DriveInvalid();
Box UpgradeQuestion();
Box SearchPathFailed();
Box InstallDone();
Box UpgradeDone();
Box UnexpectedError(const std::string& reason);
// settings page and directory dialog
Box BadPath();
Box InstallStartQuestion();
Box DriveMissing(const std::string& drive);
Box CreateFolderQuestion(const std::string& folder);
// installation
Box InstallCancelQuestion();
Box NetworkIndexQuestion(const std::string& target);
Box IndexCopyFailed();
Box CommonListFailed();
Box CopyFailed();
Box FileInUse(const std::string& file);  // the file's full path
Box RegistryFailed(const std::string& key);
// uninstaller
Box UninstallStartQuestion();
Box UninstallCancelQuestion();
Box UninstallDone();
Box UninstallFilesRemain();
Box UninstallRecordsMissing();
Box KeyNotDeleted(const std::string& key);
// picking folders as the desktop user
Box SystemFolderMissing();
Box AdvapiMissing(const std::string& library);
Box OwnTokenFailed();
Box DesktopTokenFailed();
Box DirPickMissing();
// the command line and unattended runs
Box Help();
Box BadOption(const std::string& argument);
Box BadAnswerFile(const std::string& file, const std::string& reason);
Box SettingsRefused(const std::string& reason);

}  // namespace expected
