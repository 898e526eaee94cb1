#include "InstallDvd.h"

#include "SetupHarness.h"
#include "ShellPlaces.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "WineTestEnv.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Registry.h"
#include "wizard/Setting.h"

namespace e2e {

namespace {

constexpr char kEnvironmentKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

bool IsDots(const std::string& name) { return name == "." || name == ".."; }

// Wine keeps a CD-ROM drive's label and serial in these files of its folder.
bool IsDriveIdentity(const std::string& name) { return name.rfind(".windows-", 0) == 0; }

void RemoveTree(const std::string& folder, bool keep_drive_identity = false) {
  WIN32_FIND_DATAA data;
  kestra::FindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
  if (!find) return;
  do {
    const std::string name = data.cFileName;
    if (IsDots(name) || (keep_drive_identity && IsDriveIdentity(name))) continue;
    const std::string path = folder + "\\" + name;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveTree(path);
      ::RemoveDirectoryA(path.c_str());
    } else {
      ::DeleteFileA(path.c_str());
    }
  } while (::FindNextFileA(find.get(), &data));
}

void RemoveFolder(const std::string& folder) {
  std::string dir = folder;
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  RemoveTree(dir);
  ::RemoveDirectoryA(dir.c_str());
}

void CopyTree(const std::string& from, const std::string& to) {
  kestra::ForceDirectories(to);
  WIN32_FIND_DATAA data;
  kestra::FindHandle find(::FindFirstFileA((from + "\\*").c_str(), &data));
  if (!find) throw std::runtime_error("no image at " + from);
  do {
    const std::string name = data.cFileName;
    if (IsDots(name)) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CopyTree(from + "\\" + name, to + "\\" + name);
    } else if (!::CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE)) {
      throw std::runtime_error("cannot copy " + from + "\\" + name);
    }
  } while (::FindNextFileA(find.get(), &data));
}

void CollectFiles(const std::string& folder, const std::string& prefix,
                  std::vector<std::string>& files) {
  WIN32_FIND_DATAA data;
  kestra::FindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
  if (!find) return;
  do {
    const std::string name = data.cFileName;
    if (IsDots(name)) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CollectFiles(folder + "\\" + name, prefix + name + "\\", files);
    else
      files.push_back(prefix + name);
  } while (::FindNextFileA(find.get(), &data));
}

}  // namespace

std::string SampleDvdImage() { return testenv::BuildDir() + "sample-dvd"; }
std::string ManyFilesDvdImage() { return testenv::BuildDir() + "sample-dvd-many"; }
std::string MoreFilesDvdImage() { return testenv::BuildDir() + "sample-dvd-more"; }
std::string NewerSampleDvdImage() { return testenv::BuildDir() + "sample-dvd-newer"; }
std::string SampleProductFile(const std::string& relative) {
  return testenv::BuildDir() + "sample-product\\" + relative;
}

DvdInDrive::DvdInDrive(const std::string& image, std::string install_dir, std::string folder)
    : install_dir_(std::move(install_dir)), folder_(std::move(folder)) {
  kestra::RegKey environment = kestra::RegKey::Open(HKEY_LOCAL_MACHINE, kEnvironmentKey, KEY_READ);
  DWORD size = 0;
  if (environment && ::RegQueryValueExA(environment.get(), "Path", nullptr, &path_type_, nullptr,
                                        &size) == ERROR_SUCCESS) {
    path_.resize(size);
    had_path_ = ::RegQueryValueExA(environment.get(), "Path", nullptr, &path_type_, path_.data(),
                                   &size) == ERROR_SUCCESS;
  }
  // A desktop linked to the host's home folder would receive the shortcuts of
  // every test prefix on the machine (tools/wine/wineenv.sh keeps the user's
  // folders inside the prefix).
  const DWORD desktop = ::GetFileAttributesA(testenv::DesktopFolder().c_str());
  if (desktop == INVALID_FILE_ATTRIBUTES || (desktop & FILE_ATTRIBUTE_REPARSE_POINT))
    throw std::runtime_error("the test prefix's Desktop is missing or a link out of the prefix");
  Change(image);
  CleanInstallPlaces();
}

void DvdInDrive::Change(const std::string& image) const {
  RemoveTree(folder_, /*keep_drive_identity=*/true);
  CopyTree(image, folder_);
}

DvdInDrive::~DvdInDrive() {
  if (kestra::RegKey environment = kestra::RegKey::Open(HKEY_LOCAL_MACHINE, kEnvironmentKey)) {
    if (had_path_)
      ::RegSetValueExA(environment.get(), "Path", 0, path_type_, path_.data(),
                       static_cast<DWORD>(path_.size()));
    else
      environment.DeleteValue("Path");
  }
  CleanInstallPlaces();
  RemoveTree(folder_, /*keep_drive_identity=*/true);
  if (folder_.size() > 2) ::RemoveDirectoryA(folder_.c_str());  // a folder, not the drive
}

void DvdInDrive::CleanInstallPlaces() const {
  RemoveInstallationRecords();
  RemoveFolder(install_dir_);
  RemoveFolder("C:\\ZEL\\LIB\\_NTI31");
  RemoveFolder(kCommonFolder);
  RemoveFolder("C:\\ZEL\\KESTRA");
  RemoveFolder(kNetworkIndexFolder);
  RemoveFolder(kUncIndexFolder);
  RemoveFolder(kSetupShareIndexFolder);
  RemoveFolder(kSyncFolder);
}

void InstallFromTheDvd(const std::string& arguments) {
  uidrv::Process setup = uidrv::Process::Start("Q:\\SETUP.EXE", arguments, "Q:\\");
  uidrv::Session session(setup);
  AcceptConsent(session);
  uidrv::Window page = session.WaitForWindow(kSetting);
  uidrv::Window next = page.ChildById(kestra::TSettingDlg::IdInstallBtn);
  next.Click();  // to the index and DVD step
  next.Click();  // install
  ASSERT_EQ(session.Answer("Yes"), expected::InstallStartQuestion());
  EXPECT_EQ(session.Answer("OK", 90s), expected::InstallDone());
  session.RequireExit();
}

std::vector<std::string> RecordValues(const std::string& prefix) {
  std::istringstream lines(
      testenv::ReadFile("C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\KSINSTALL.INF"));
  std::vector<std::string> values;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t eq = line.find('=');
    if (line.rfind(prefix, 0) == 0 && eq != std::string::npos) values.push_back(line.substr(eq + 1));
  }
  return values;
}

std::vector<std::string> FilesBelow(const std::string& folder) {
  std::vector<std::string> files;
  std::string dir = folder;
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  CollectFiles(dir, "", files);
  std::sort(files.begin(), files.end());
  return files;
}

bool CorruptArchiveMember(const std::string& archive, const std::string& member) {
  std::string bytes = testenv::ReadFile(archive);
  // Local file header: signature, ..., name length at 26, extra length at 28,
  // compressed size at 18, name at 30, then the extra field and the data.
  const std::string signature("PK\x03\x04", 4);
  for (std::size_t at = bytes.find(signature); at != std::string::npos;
       at = bytes.find(signature, at + 4)) {
    auto u16 = [&](std::size_t p) {
      return static_cast<std::size_t>(static_cast<unsigned char>(bytes[p]) |
                                      static_cast<unsigned char>(bytes[p + 1]) << 8);
    };
    auto u32 = [&](std::size_t p) { return u16(p) | u16(p + 2) << 16; };
    const std::size_t name_length = u16(at + 26), extra_length = u16(at + 28);
    if (bytes.compare(at + 30, name_length, member) != 0) continue;
    const std::size_t data = at + 30 + name_length + extra_length;
    const std::size_t size = u32(at + 18);
    if (size == 0) return false;
    for (std::size_t i = size / 2; i < std::min(size, size / 2 + 8); ++i)
      bytes[data + i] = static_cast<char>(~bytes[data + i]);
    testenv::WriteFile(archive, bytes);
    return true;
  }
  return false;
}

::testing::AssertionResult HoldsTheSampleIndex(const std::string& folder) {
  const std::string source = SampleProductFile("docs");
  const std::vector<std::string> files = FilesBelow(source);
  if (files.size() < 19) return ::testing::AssertionFailure() << "sample index too small";
  if (FilesBelow(folder) != files)
    return ::testing::AssertionFailure() << folder << " holds other files";
  for (const std::string& file : files)
    if (testenv::ReadFile(folder + file) != testenv::ReadFile(source + "\\" + file))
      return ::testing::AssertionFailure() << folder + file << " differs";
  for (const char* empty : {"KSCOLL1\\morgue", "KSCOLL2\\temp", "KSCOLL3\\work"})
    if (!kestra::DirectoryExists(folder + empty))
      return ::testing::AssertionFailure() << "no folder " << folder + empty;
  return ::testing::AssertionSuccess();
}

}  // namespace e2e
