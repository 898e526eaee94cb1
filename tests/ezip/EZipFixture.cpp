#include "EZipFixture.h"

#include <algorithm>

#include "WineTestEnv.h"
#include "system/Handles.h"

namespace ziptest {

EZipExpandLibOnceProc EZipTest::expand_ = nullptr;
EZipSetProgressFuncProc EZipTest::setProgress_ = nullptr;

namespace {

// The DLL stays loaded for the whole test program, as it stays loaded for the
// whole expansion run of the installer.
kestra::Library& LoadedEZip() {
  static kestra::Library library(::LoadLibraryA(testenv::DistFile("EZip.dll").c_str()));
  return library;
}

std::string TempFolder() {
  char buffer[MAX_PATH + 1];
  const DWORD length = ::GetTempPathA(sizeof buffer, buffer);
  return std::string(buffer, length);
}

void CollectTree(const std::string& root, const std::string& relative,
                 std::vector<std::string>& out) {
  WIN32_FIND_DATAA data;
  kestra::FindHandle find(::FindFirstFileA((root + relative + "*").c_str(), &data));
  if (!find) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.push_back(relative + name + "\\");
      CollectTree(root, relative + name + "\\", out);
    } else {
      out.push_back(relative + name);
    }
  } while (::FindNextFileA(find.get(), &data));
}

}  // namespace

void EZipTest::SetUp() {
  kestra::Library& library = LoadedEZip();
  ASSERT_TRUE(library) << "cannot load " << testenv::DistFile("EZip.dll");
  expand_ = reinterpret_cast<EZipExpandLibOnceProc>(
      reinterpret_cast<void*>(::GetProcAddress(library.get(), "EZipExpandLibOnce")));
  setProgress_ = reinterpret_cast<EZipSetProgressFuncProc>(
      reinterpret_cast<void*>(::GetProcAddress(library.get(), "EZipSetProgressFunc")));
  ASSERT_NE(expand_, nullptr);
  ASSERT_NE(setProgress_, nullptr);
  setProgress_(nullptr);

  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  work_ = TempFolder() + "ezip_tests\\" + info->test_suite_name() + "." + info->name() + "\\";
  testenv::ResetFolder(work_);
  base_ = work_ + "base\\";
  archive_ = work_ + "SETUP_F.EZP";
}

void EZipTest::TearDown() {
  if (setProgress_) setProgress_(nullptr);
}

void EZipTest::WriteArchive(const std::vector<Member>& members, Layout* layout,
                            const ArchiveOptions& options) {
  testenv::WriteFile(archive_, BuildZip(members, layout, options));
}

double EZipTest::Expand(const std::string& member) const {
  return ExpandFrom(archive_, base_, member);
}

double EZipTest::ExpandFrom(const std::string& archive, const std::string& base,
                            const std::string& member) const {
  return expand_(archive.c_str(), base.c_str(), member.c_str(), 0);
}

std::vector<std::string> EZipTest::Tree(const std::string& folder) {
  std::vector<std::string> out;
  CollectTree(folder, "", out);
  std::sort(out.begin(), out.end());
  return out;
}

bool EZipTest::FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace ziptest
