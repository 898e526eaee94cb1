#include "UninstallHarness.h"

#include <windows.h>

#include <stdexcept>

#include "WineTestEnv.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Registry.h"

namespace e2e {

namespace {

void RemoveTree(const std::string& folder) {
  std::string dir = folder;
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  testenv::ResetFolder(dir);
  ::RemoveDirectoryA(dir.c_str());
}

void RemoveTraces() {
  RemoveTree(kInstallFolder);
  RemoveTree(kIndexFolder);
  for (const char* name : {"KSINSTALL.INF", "KSDOCS.INF", "KSUNINST.LOG", "KSUINST.EXE"}) {
    const std::string path = std::string(kRecordsFolder) + name;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
  }
  ::DeleteFileA(kSharedFile);
  kestra::DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallEntryKey);
  kestra::DeleteKeyTree(HKEY_LOCAL_MACHINE, kAppPathsEntryKey);
  kestra::DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductRegistryKey);
  kestra::DeleteKeyTree(HKEY_CURRENT_USER, kProductRegistryKey);
}

void Require(bool done, const std::string& what) {
  if (!done) throw std::runtime_error("cannot " + what);
}

}  // namespace

MachineState::MachineState() { RemoveTraces(); }
MachineState::~MachineState() { RemoveTraces(); }

PlantedInstallation PlantInstallation() {
  PlantedInstallation installed;
  installed.install_dir = kInstallFolder;
  installed.application = installed.install_dir + "KESTRA.EXE";
  installed.files = {installed.application, installed.install_dir + "MANUAL\\利用ガイド.PDF"};
  installed.shared_file = kSharedFile;
  for (const std::string& file : installed.files) testenv::WriteFile(file, "installed");
  testenv::WriteFile(installed.shared_file, "shared");
  Require(kestra::ForceDirectories(installed.install_dir + "BookMark"), "make BookMark");

  const std::string dir = installed.install_dir;
  testenv::WriteFile(std::string(kRecordsFolder) + "KSINSTALL.INF",
                     "[KESTRA]\r\n"
                     "KESTRA001=" + installed.application + "\r\n"
                     "KESTRA002=" + installed.files[1] + "\r\n"
                     "KESTRA003=" + installed.shared_file + "\r\n"
                     "Dir_KESTRA001=" + dir + "\r\n"
                     "Dir_KESTRA002=" + dir + "MANUAL\\\r\n\r\n");
  Require(testenv::CopyFileTo(testenv::SetupVariant(),
                              std::string(kRecordsFolder) + "KSUINST.EXE"),
          "copy the uninstaller");

  kestra::RegKey product = kestra::RegKey::Create(HKEY_LOCAL_MACHINE, kProductRegistryKey);
  Require(product && product.WriteString("Version", "2.1.0.1") &&
              product.WriteDword("Service", 0x800E0C) && product.WriteDword("ALN", 0x10A01),
          "write the product key");
  kestra::RegKey app_paths = kestra::RegKey::Create(HKEY_LOCAL_MACHINE, kAppPathsEntryKey);
  Require(app_paths && app_paths.WriteString("", installed.application), "write App Paths");
  kestra::RegKey uninstall = kestra::RegKey::Create(HKEY_LOCAL_MACHINE, kUninstallEntryKey);
  Require(uninstall && uninstall.WriteString("DisplayName", "ケストラDVD") &&
              uninstall.WriteString("UninstallString", "\"" + std::string(kRecordsFolder) +
                                                           "KSUINST.EXE\" -UNINST"),
          "write the Uninstall entry");
  return installed;
}

void PlantIndex(const std::string& folder) {
  testenv::WriteFile(std::string(kRecordsFolder) + "KSDOCS.INF",
                     "[KESTRA]\r\nDOCS=" + folder + "\r\n");
  testenv::WriteFile(folder + "KSCOLL.INF", "[CollectionVersion]\r\nVersion=5\r\n");
  for (const char* collection : {"KSCOLL1", "KSCOLL2"})
    for (const char* engine :
         {"assists", "morgue", "parts", "pdd", "style", "temp", "topicidx", "trans", "work"})
      testenv::WriteFile(folder + collection + "\\" + engine + "\\" + engine + ".dat", engine);
}

uidrv::Process StartRecordedUninstaller(const std::string& value) {
  kestra::RegKey entry = kestra::RegKey::Open(HKEY_LOCAL_MACHINE, kUninstallEntryKey, KEY_READ);
  if (!entry) throw std::runtime_error("no Uninstall entry");
  const std::optional<std::string> command = entry.ReadString(value);
  if (!command) throw std::runtime_error("no " + value);
  // Windows takes a quoted first token whole; an unquoted path with blanks
  // would be tried piece by piece ("C:\Program.exe" first).
  if (command->empty() || (*command)[0] != '"')
    throw std::runtime_error(value + " is not quoted: " + uidrv::ToUtf8(*command));
  const std::size_t close = command->find('"', 1);
  if (close == std::string::npos)
    throw std::runtime_error(value + " has no closing quote: " + uidrv::ToUtf8(*command));
  const std::string program = command->substr(1, close - 1);
  std::string args = command->substr(close + 1);
  while (!args.empty() && args[0] == ' ') args.erase(0, 1);
  return uidrv::Process::Start(program, args);
}

EntryPresence ProgramEntries() {
  return {static_cast<bool>(kestra::RegKey::Open(HKEY_LOCAL_MACHINE, kUninstallEntryKey, KEY_READ)),
          static_cast<bool>(kestra::RegKey::Open(HKEY_LOCAL_MACHINE, kAppPathsEntryKey, KEY_READ))};
}

bool SetupMutexHeld() {
  kestra::KernelHandle mutex(::OpenMutexA(SYNCHRONIZE, FALSE, "OnlySETUP_KESTRA"));
  return static_cast<bool>(mutex);
}

}  // namespace e2e
