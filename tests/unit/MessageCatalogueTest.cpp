// SETUP's message catalogue against the independent list of the boxes a user
// must see (tests/support/ExpectedBoxes): every entry, its text with its
// arguments in place, its caption, buttons and icon.
#include <gtest/gtest.h>

#include <set>

#include "ExpectedBoxes.h"
#include "system/MessageCatalogue.h"

namespace {

using kestra::Message;
using kestra::Msg;

// What MessageBoxA shows for the flags, named as the UI driver names it.
uidrv::MessageBoxRecord Shown(const Message& message) {
  const kestra::MessageEntry& entry = kestra::CatalogueEntry(message.id);
  std::vector<std::string> buttons;
  switch (entry.flags & MB_TYPEMASK) {
    case MB_OK: buttons = {"OK"}; break;
    case MB_YESNO: buttons = {"Yes", "No"}; break;
    case MB_RETRYCANCEL: buttons = {"Retry", "Cancel"}; break;
    default: buttons = {"?"}; break;
  }
  std::string icon;
  switch (entry.flags & MB_ICONMASK) {
    case 0: icon = "none"; break;
    case MB_ICONERROR: icon = "error"; break;
    case MB_ICONWARNING: icon = "warning"; break;
    case MB_ICONINFORMATION: icon = "information"; break;
    case MB_ICONQUESTION: icon = "question"; break;
    default: icon = "?"; break;
  }
  return {entry.caption, kestra::MessageText(message), buttons, icon};
}

struct Row {
  Message message;
  uidrv::MessageBoxRecord box;
};

TEST(MessageCatalogue, EveryEntryShowsWhatTheUserMustSee) {
  const std::string folder = "C:\\Program Files\\KESTRA\\";
  const std::vector<Row> rows = {
      {{Msg::ViewerRunningInstall}, expected::ViewerRunningInstall()},
      {{Msg::ViewerRunningUninstall}, expected::ViewerRunningUninstall()},
      {{Msg::NoRightsInstall}, expected::NoRightsInstall()},
      {{Msg::NoRightsUninstall}, expected::NoRightsUninstall()},
      {{Msg::WrongDrive, {"\\\\kestrasrv\\other"}}, expected::WrongDrive("\\\\kestrasrv\\other")},
      {{Msg::DriveInvalid}, expected::DriveInvalid()},
      {{Msg::UpgradeQuestion, {"ケストラDVD"}}, expected::UpgradeQuestion()},
      {{Msg::SearchPathFailed}, expected::SearchPathFailed()},
      {{Msg::InstallDone}, expected::InstallDone()},
      {{Msg::UpgradeDone}, expected::UpgradeDone()},
      {{Msg::UnexpectedError, {"メモリが不足しています。"}},
       expected::UnexpectedError("メモリが不足しています。")},
      {{Msg::BadPath}, expected::BadPath()},
      {{Msg::InstallStartQuestion, {"ケストラDVD"}}, expected::InstallStartQuestion()},
      {{Msg::DriveMissing, {"J:"}}, expected::DriveMissing("J:")},
      {{Msg::CreateFolderQuestion, {folder}}, expected::CreateFolderQuestion(folder)},
      {{Msg::InstallCancelQuestion}, expected::InstallCancelQuestion()},
      {{Msg::NetworkIndexQuestion, {"N:\\KSINDEX\\"}}, expected::NetworkIndexQuestion("N:\\KSINDEX\\")},
      {{Msg::IndexCopyFailed}, expected::IndexCopyFailed()},
      {{Msg::CommonListFailed}, expected::CommonListFailed()},
      {{Msg::CopyFailed}, expected::CopyFailed()},
      {{Msg::FileInUse, {"C:\\ZEL\\LIB\\_NTI31\\BIN\\NTISRCH.DLL"}},
       expected::FileInUse("C:\\ZEL\\LIB\\_NTI31\\BIN\\NTISRCH.DLL")},
      {{Msg::RegistryFailed, {"SOFTWARE\\ZEL\\ケストラDVD\\"}},
       expected::RegistryFailed("SOFTWARE\\ZEL\\ケストラDVD\\")},
      {{Msg::UninstallStartQuestion}, expected::UninstallStartQuestion()},
      {{Msg::UninstallCancelQuestion}, expected::UninstallCancelQuestion()},
      {{Msg::UninstallDone}, expected::UninstallDone()},
      {{Msg::UninstallFilesRemain,
        {"Program Files\\ZEL\\Common Files\\UNINSTALL\\KSUNINST.LOG", "ケストラDVD"}},
       expected::UninstallFilesRemain()},
      {{Msg::UninstallRecordsMissing, {"Program Files\\ZEL\\Common Files\\UNINSTALL\\KSINSTALL.INF"}},
       expected::UninstallRecordsMissing()},
      {{Msg::KeyNotDeleted, {"SOFTWARE\\X"}}, expected::KeyNotDeleted("SOFTWARE\\X")},
      {{Msg::SystemFolderMissing}, expected::SystemFolderMissing()},
      {{Msg::AdvapiMissing, {"C:\\windows\\system32\\Advapi32.dll"}},
       expected::AdvapiMissing("C:\\windows\\system32\\Advapi32.dll")},
      {{Msg::OwnTokenFailed}, expected::OwnTokenFailed()},
      {{Msg::DesktopTokenFailed}, expected::DesktopTokenFailed()},
      {{Msg::DirPickMissing, {"DIRPICK.EXE"}}, expected::DirPickMissing()},
      {{Msg::Help}, expected::Help()},
      {{Msg::BadOption, {"-LOADINF"}}, expected::BadOption("-LOADINF")},
      {{Msg::BadAnswerFile, {"C:\\a b.inf", "理由"}}, expected::BadAnswerFile("C:\\a b.inf", "理由")},
      {{Msg::SettingsRefused, {"AppDir=X:\\"}}, expected::SettingsRefused("AppDir=X:\\")},
  };
  std::set<Msg> covered;
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.message.id));
    EXPECT_EQ(Shown(row.message), row.box);
    covered.insert(row.message.id);
  }
  EXPECT_EQ(covered.size(), kestra::MessageCatalogue().size()) << "an entry without its expected box";
}

TEST(MessageCatalogue, TheInstallCancelQuestionProposesNo) {
  EXPECT_EQ(kestra::CatalogueEntry(Msg::InstallCancelQuestion).flags & MB_DEFMASK, UINT{MB_DEFBUTTON2});
  for (const kestra::MessageEntry& entry : kestra::MessageCatalogue()) {
    if (entry.id != Msg::InstallCancelQuestion) {
      EXPECT_EQ(entry.flags & MB_DEFMASK, UINT{MB_DEFBUTTON1}) << static_cast<int>(entry.id);
    }
  }
}

TEST(MessageCatalogue, ArgumentsAreInsertedOnceAndNotSearchedAgain) {
  EXPECT_EQ(kestra::MessageText({Msg::DriveMissing, {"%1%2"}}),
            "[%1%2]\r\n指定されたドライブは存在しません。");
  EXPECT_EQ(kestra::MessageText({Msg::DriveMissing}), "[%1]\r\n指定されたドライブは存在しません。")
      << "a missing argument leaves its mark";
  // A Shift-JIS path whose trail bytes look like ASCII stays byte for byte.
  EXPECT_EQ(kestra::MessageText({Msg::KeyNotDeleted, {"表\\ソ"}}), "レジストリキーが削除できません\r\nKEY=表\\ソ");
}

}  // namespace
