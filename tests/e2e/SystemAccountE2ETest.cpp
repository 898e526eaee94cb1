// SETUP run as deployment systems run it, as the SYSTEM account, whose desktop
// and user keys are nobody's: the shortcut goes to the all-users desktop, the
// user's values are left to Windows' Active Setup, which starts the
// uninstaller copy with -USERSETUP at each user's logon. Wine runs every
// process as the user who started it: the test variant of SETUP takes the run
// for one of the SYSTEM account (KESTRA_TEST_SYSTEM_ACCOUNT); the -USERSETUP
// step then runs for real, as the user, without that seam.
#include <gtest/gtest.h>

#include <windows.h>

#include "InstallDvd.h"
#include "ProductKeys.h"
#include "RunRecords.h"
#include "SetupHarness.h"
#include "ShellPlaces.h"
#include "WineTestEnv.h"
#include "system/FileSys.h"
#include "system/Registry.h"

namespace {

using namespace e2e;
using kestra::RegKey;
using uidrv::Process;

constexpr char kInstallDir[] = "C:\\Program Files\\KESTRA\\";
constexpr char kRecords[] = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\";
using productkeys::kActiveSetupKey;
using productkeys::kCollectionKey;
using productkeys::kProductKey;
using productkeys::kServiceKey;

std::string ActiveSetupText(const std::string& name) {
  return RegKey::Open(HKEY_LOCAL_MACHINE, kActiveSetupKey, KEY_READ | KEY_WOW64_64KEY)
      .ReadStringOr(name);
}

TEST(SystemAccount, InstallsForEveryUserAndLeavesTheUsersKeysToActiveSetup) {
  InstalledCopy nothing;
  testenv::RemoveProductShortcuts();
  DvdInDrive dvd(SampleDvdImage(), kInstallDir);
  // The test variant in the DVD's place: it may claim the SYSTEM account.
  ASSERT_TRUE(testenv::CopyFileTo(testenv::SetupVariant(), "Q:\\SETUP.EXE"));
  {
    testenv::ScopedEnvironment system_account("KESTRA_TEST_SYSTEM_ACCOUNT", "1");
    ASSERT_EQ(RunWithoutWindows("Q:\\SETUP.EXE", "-VERYSILENT"), 0u);
  }

  // The all-users desktop, not the one of the account that ran SETUP.
  const std::string common_desktop = testenv::CommonDesktopFolder();
  ASSERT_FALSE(common_desktop.empty());
  EXPECT_TRUE(kestra::FileExists(common_desktop + "ケストラDVD.LNK"));
  EXPECT_FALSE(kestra::FileExists(testenv::DesktopFolder() + "ケストラDVD.LNK"));
  EXPECT_EQ(testenv::ReadShellLink(common_desktop + "ケストラDVD.LNK").target,
            std::string(kInstallDir) + "KESTRA.EXE");
  // The machine's values are there, the account's own keys hold none.
  EXPECT_EQ(RegKey::Open(HKEY_LOCAL_MACHINE, kCollectionKey, KEY_READ).ReadStringOr("Root"),
            kDefaultIndexFolder);
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kCollectionKey, KEY_READ));
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kServiceKey, KEY_READ));
  // Active Setup's component: the uninstaller copy with -USERSETUP, the version
  // the logon compares, in the view 64-bit Windows reads.
  EXPECT_EQ(ActiveSetupText(""), "ケストラDVD");
  EXPECT_EQ(ActiveSetupText("StubPath"), std::string("\"") + kRecords + "KSUINST.EXE\" -USERSETUP");
  EXPECT_EQ(ActiveSetupText("Version"), "2,1,0,1");
  EXPECT_EQ(RegKey::Open(HKEY_LOCAL_MACHINE, kActiveSetupKey, KEY_READ | KEY_WOW64_64KEY)
                .ReadDword("IsInstalled"),
            1u);

  // A user logs on: Windows runs the StubPath, for real, as that user. It
  // writes the user's values, which an installation by the user would have
  // written, and nothing else.
  const RegistrySnapshot machine_before =
      SnapshotRegistry({{HKEY_LOCAL_MACHINE, "SOFTWARE"}});
  const RegistrySnapshot user_before = SnapshotRegistry({{HKEY_CURRENT_USER, "Software"}});
  const FileSnapshot files_before = SnapshotFiles({"C:\\Program Files\\", "C:\\ZEL\\", "C:\\users\\"});
  EXPECT_EQ(RunWithoutWindows(std::string(kRecords) + "KSUINST.EXE", "-USERSETUP"), 0u);
  for (const char* key : {kCollectionKey, kServiceKey}) {
    RegistrySnapshot machine = SnapshotRegistry({{HKEY_LOCAL_MACHINE, key}});
    RegistrySnapshot user = SnapshotRegistry({{HKEY_CURRENT_USER, key}});
    ASSERT_FALSE(machine.empty()) << key;
    EXPECT_EQ(user.size(), machine.size()) << key;
    for (const auto& [name, data] : machine) {
      const std::string user_name = "HKCU" + name.substr(4);
      EXPECT_EQ(user[user_name], data) << uidrv::ToUtf8(user_name);
    }
  }
  EXPECT_EQ(Differences(machine_before, SnapshotRegistry({{HKEY_LOCAL_MACHINE, "SOFTWARE"}})), "");
  RegistrySnapshot user_after = SnapshotRegistry({{HKEY_CURRENT_USER, "Software"}});
  std::erase_if(user_after, [](const auto& value) {
    return value.first.rfind("HKCU\\Software\\ZEL\\ケストラDVD\\", 0) == 0;
  });
  EXPECT_EQ(Differences(user_before, user_after), "") << "only the product's user keys are new";
  EXPECT_EQ(Differences(files_before,
                        SnapshotFiles({"C:\\Program Files\\", "C:\\ZEL\\", "C:\\users\\"})),
            "");

  // The uninstaller takes the component away: later logons copy nothing.
  EXPECT_EQ(RunWithoutWindows(std::string(kRecords) + "KSUINST.EXE", "-UNINST -VERYSILENT"), 0u);
  EXPECT_FALSE(RegKey::Open(HKEY_LOCAL_MACHINE, kActiveSetupKey, KEY_READ | KEY_WOW64_64KEY));
  EXPECT_FALSE(kestra::FileExists(common_desktop + "ケストラDVD.LNK"));
  kestra::DeleteKeyTree(HKEY_CURRENT_USER, kProductKey);
  testenv::RemoveProductShortcuts();
}

// Started without the product installed (the component outlived it), the
// user's setup copies nothing and ends as done.
TEST(SystemAccount, UserSetupWithoutAnInstallationCopiesNothing) {
  InstalledCopy nothing;
  testenv::ResetFolder("C:\\kestra_e2e\\usersetup\\");
  const std::string copy = "C:\\kestra_e2e\\usersetup\\KSUINST.EXE";
  ASSERT_TRUE(testenv::CopyFileTo(testenv::DistFile("SETUP.EXE"), copy));
  const RegistrySnapshot user_before = SnapshotRegistry({{HKEY_CURRENT_USER, "Software"}});
  EXPECT_EQ(RunWithoutWindows(copy, "-USERSETUP"), 0u);
  EXPECT_EQ(Differences(user_before, SnapshotRegistry({{HKEY_CURRENT_USER, "Software"}})), "");
  testenv::ResetFolder("C:\\kestra_e2e\\usersetup\\");
  ::RemoveDirectoryA("C:\\kestra_e2e\\usersetup");
}

}  // namespace
