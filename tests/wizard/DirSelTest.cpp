// The directory dialog's decisions without a window: what OK does with the
// typed path in each mode (the product folder of the application mode, the
// creation question, the drive error), and the folder list of a folder.
#include <gtest/gtest.h>

#include <set>

#include "wizard/DirSel.h"

using namespace kestra;

namespace {

// Folders that exist, compared as Windows does (case-insensitively, with or
// without a trailing backslash).
FolderExistsFn Existing(std::set<std::string> folders) {
  return [folders](const std::string& path) {
    std::string key = path;
    if (key.size() > 3 && key.back() == '\\') key.pop_back();
    for (const std::string& folder : folders)
      if (::_stricmp(folder.c_str(), key.c_str()) == 0) return true;
    return false;
  };
}

void ExpectVerdict(const DirSelVerdict& verdict, DirSelVerdict::Kind kind,
                   const std::string& folder, const std::string& named) {
  EXPECT_EQ(verdict.kind, kind);
  EXPECT_EQ(verdict.folder, folder);
  EXPECT_EQ(verdict.named, named);
}

TEST(DirSelOk, ApplicationFolderGetsTheProductFolder) {
  const auto d_apps = Existing({"D:", "D:\\Apps"});
  const auto with_kestra = Existing({"D:", "D:\\Apps", "D:\\Apps\\KESTRA"});
  // Existing product folder below: taken without a question.
  ExpectVerdict(JudgeDirSelOk(0, "D:\\Apps", with_kestra), DirSelVerdict::Accept,
                "D:\\Apps\\KESTRA\\", "");
  // None yet: the question names it, Yes creates it.
  ExpectVerdict(JudgeDirSelOk(0, "D:\\Apps", d_apps), DirSelVerdict::AskCreate, "D:\\Apps\\KESTRA",
                "D:\\Apps\\KESTRA\\");
  ExpectVerdict(JudgeDirSelOk(0, "D:\\Apps\\", d_apps), DirSelVerdict::AskCreate,
                "D:\\Apps\\KESTRA", "D:\\Apps\\KESTRA\\");
  // The product folder itself, in any case, existing or not: as typed.
  for (const char* typed : {"D:\\Apps\\kestra", "D:\\Apps\\Kestra  ", "D:\\Apps\\KESTRA"})
    ExpectVerdict(JudgeDirSelOk(0, typed, d_apps), DirSelVerdict::Accept, typed, "");
  // With a trailing backslash the last name is empty: no second KESTRA.
  ExpectVerdict(JudgeDirSelOk(0, "D:\\Apps\\KESTRA\\", d_apps), DirSelVerdict::AskCreate,
                "D:\\Apps\\KESTRA\\", "D:\\Apps\\KESTRA\\");
  // "kestra\" (lower case, trailing backslash) is not the product folder.
  ExpectVerdict(JudgeDirSelOk(0, "D:\\Apps\\kestra\\", d_apps), DirSelVerdict::AskCreate,
                "D:\\Apps\\kestra\\KESTRA", "D:\\Apps\\kestra\\KESTRA\\");
}

TEST(DirSelOk, IndexAndPlainFoldersAreTakenOrCreatedAsTyped) {
  const auto folders = Existing({"C:", "C:\\Index"});
  for (int32_t mode : {1, -1}) {
    ExpectVerdict(JudgeDirSelOk(mode, "C:\\Index", folders), DirSelVerdict::Accept, "C:\\Index",
                  "");
    ExpectVerdict(JudgeDirSelOk(mode, "C:\\New\\Index", folders), DirSelVerdict::AskCreate,
                  "C:\\New\\Index", "C:\\New\\Index");
    // No product folder outside the application mode.
    ExpectVerdict(JudgeDirSelOk(mode, "C:\\Index\\KESTRA", folders), DirSelVerdict::AskCreate,
                  "C:\\Index\\KESTRA", "C:\\Index\\KESTRA");
  }
}

TEST(DirSelOk, AMissingDriveComesBeforeAnyQuestion) {
  const auto folders = Existing({"C:"});
  for (int32_t mode : {0, 1, -1}) {
    ExpectVerdict(JudgeDirSelOk(mode, "J:\\Index", folders), DirSelVerdict::DriveMissing, "", "J:");
    // A path without a drive names no drive.
    ExpectVerdict(JudgeDirSelOk(mode, "Index", folders), DirSelVerdict::DriveMissing, "", "");
  }
}

TEST(DirSelOk, ADriveWithoutItsRootIsRelative) {
  EXPECT_TRUE(IsDriveRelative("C:Apps"));
  EXPECT_FALSE(IsDriveRelative("C:\\Apps"));
  EXPECT_FALSE(IsDriveRelative("C:"));
  EXPECT_FALSE(IsDriveRelative("\\\\server\\share"));
  EXPECT_FALSE(IsDriveRelative("表:"));  // a double-byte character, not a drive
}

TEST(DirSelOk, JapaneseNamesEndingInByte5CAreWalkedByCharacter) {
  // "表" ends in 0x5C: the name is "表", not cut at that byte.
  EXPECT_EQ(LastFolderName("C:\\ソフト\\表"), "表");
  EXPECT_EQ(LastFolderName("C:\\ソフト\\"), "");
  ExpectVerdict(JudgeDirSelOk(0, "C:\\表", Existing({"C:"})), DirSelVerdict::AskCreate,
                "C:\\表\\KESTRA", "C:\\表\\KESTRA\\");
}

TEST(DirSelFolderList, ThePathFromTheRootThenTheSubfolders) {
  const std::vector<FolderListItem> items = FolderListOf("C:\\Apps\\表", {"a", "b"});
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0].name, "C:\\");
  EXPECT_EQ(items[0].path, "C:\\");
  EXPECT_EQ(items[1].name, "Apps");
  EXPECT_EQ(items[2].name, "表");
  EXPECT_EQ(items[2].path, "C:\\Apps\\表");
  EXPECT_EQ(items[2].depth, 2);
  EXPECT_TRUE(items[2].open);
  EXPECT_EQ(items[3].path, "C:\\Apps\\表\\a");
  EXPECT_EQ(items[4].depth, 3);
  EXPECT_FALSE(items[4].open);

  const std::vector<FolderListItem> root = FolderListOf("Q:\\", {"DOCS"});
  ASSERT_EQ(root.size(), 2u);
  EXPECT_EQ(root[1].path, "Q:\\DOCS");
  EXPECT_EQ(root[1].depth, 1);
}

}  // namespace
