// The sync files and the sync tool of the DVD's upgrade folder, installed into
// the folder the product family shares.
#include <windows.h>

#include <string_view>

#include "install/InstallRun.h"
#include "install/IndexRules.h"
#include "install/RecordFile.h"
#include "script/Setupc.h"
#include "system/Changes.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/ProductTable.h"
#include "system/RunLog.h"
#include "system/RunValues.h"
#include "system/SysQuery.h"

namespace kestra {

namespace {

constexpr char kSyncVersionFile[] = "SyncFile.inf";
constexpr char kSyncToolSource[] = "Upgrade\\RIROVE._XE";
constexpr char kSyncTool[] = "RIRove.exe";
// A copy keeps the file's time, so one copy makes the installed version file
// as new as the DVD's; the further attempts only cover a copy that failed.
constexpr int kSyncAttempts = 6;

bool IsDots(const char* name) {
  return std::string_view(name) == "." || std::string_view(name) == "..";
}

}  // namespace

bool InstallRun::CopySyncFiles() {
  const int32_t row = AppInfo.AppInfo.ProductIndex;
  if (row <= 0 || row >= static_cast<int32_t>(kProductTable.size())) return true;
  const ProductRow& product = kProductTable[static_cast<std::size_t>(row)];

  const std::string setup_dir = AddBackslash(SetupDir);
  const std::string source = setup_dir + product.key + "\\Upgrade\\SyncFile\\";
  const std::string shared = WinDriveRoot + kSharedSubfolder + "SyncFiles\\";
  const std::string target = shared + product.key + "\\SyncFiles\\";
  const std::string tool_source = setup_dir + kSyncToolSource;
  const std::string tool = shared + kSyncTool;

  for (int attempt = 0; attempt < kSyncAttempts; ++attempt) {
    if (!SyncFilesNewer(FileAge(source + kSyncVersionFile), FileAge(target + kSyncVersionFile))) {
      runlog::Write("Sync files: those installed are not older than the DVD's");
      break;
    }
    if (!DirectoryExists(target)) ForceDirectories(target);
    CopyFolder(source, target);
    if (FileAge(tool) < FileAge(tool_source)) LZExpandFile(tool_source, tool);
  }
  return true;
}

bool InstallRun::CopyFolder(const std::string& source, const std::string& target) {
  const std::string from = AddBackslash(source), to = AddBackslash(target);
  WIN32_FIND_DATAA entry;
  FindHandle find(::FindFirstFileA((from + "*.*").c_str(), &entry));
  if (!DirectoryExists(to)) CreateFolder(to);
  if (!find) return true;
  do {
    observer_.Pump();
    const std::string name = entry.cFileName;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (IsDots(entry.cFileName)) continue;
      if (!CopyFolder(from + name, to + name)) return false;
      continue;
    }
    if (!CopyFileTo(from + name, to + name, /*replace=*/true)) return false;
  } while (::FindNextFileA(find.get(), &entry));
  return true;
}

int32_t InstallRun::LZExpandFile(const std::string& source, const std::string& target) {
  if (changes::Planning()) {
    changes::Plan(changes::Kind::ExpandFile, target, "from " + source, FileAge(source));
    return 0;
  }
  const int32_t result = LzExpandCopy(source, target);
  if (result == 0)
    changes::Made(changes::Kind::ExpandFile, target, "from " + source);
  else
    changes::NotMade(changes::Kind::ExpandFile, target, ::GetLastError());
  return result;
}

}  // namespace kestra
