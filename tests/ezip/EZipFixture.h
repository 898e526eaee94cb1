// Loads the shipped EZip.dll by its exported names and gives every test its own
// folder with an archive path and a base folder.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "EZip.h"
#include "ZipWriter.h"

namespace ziptest {

class EZipTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes an archive of these members to archive_.
  void WriteArchive(const std::vector<Member>& members, Layout* layout = nullptr,
                    const ArchiveOptions& options = {});
  double Expand(const std::string& member) const;
  double ExpandFrom(const std::string& archive, const std::string& base,
                    const std::string& member) const;
  void SetProgress(EZipProgressProc callback) const { setProgress_(callback); }

  // The paths of every file and folder below folder, relative to it, sorted;
  // folders end in "\".
  static std::vector<std::string> Tree(const std::string& folder);
  static bool FileExists(const std::string& path);

  std::string work_;     // this test's folder, with trailing "\"
  std::string base_;     // work_ + "base\"
  std::string archive_;  // work_ + "SETUP_F.EZP"

  static EZipExpandLibOnceProc expand_;
  static EZipSetProgressFuncProc setProgress_;
};

}  // namespace ziptest
