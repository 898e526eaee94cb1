// Shift-JIS path handling: a double-byte character whose second byte is 0x5C
// must never be taken for a backslash.
#include <gtest/gtest.h>

#include "system/Mbcs.h"
#include "system/SysQuery.h"

using namespace kestra;

TEST(Mbcs, TrailByte5CIsNotABackslash) {
  const std::string so = "C:\\ソ";  // ソ is 0x83 0x5C in code page 932
  ASSERT_EQ(so.back(), '\\');
  EXPECT_FALSE(EndsWithChar(so, '\\'));
  EXPECT_EQ(AddBackslash(so), so + "\\");
  EXPECT_EQ(RemoveBackslash(so), so);
  EXPECT_EQ(RemoveBackslash(so + "\\"), so);
}

TEST(Mbcs, FileNameAndFolderSplitByCharacter) {
  EXPECT_EQ(ExtractFileName("C:\\ソフト\\表"), "表");
  EXPECT_EQ(ExtractFilePath("C:\\ソフト\\表"), "C:\\ソフト\\");
  EXPECT_EQ(ExtractFileName("C:\\表"), "表");
  EXPECT_EQ(ExtractFilePath("SETUP.EXE"), "");
}

TEST(Mbcs, DrivePartOfDriveAndUncPaths) {
  EXPECT_EQ(ExtractFileDrive("C:\\Program Files\\x"), "C:");
  EXPECT_EQ(ExtractFileDrive("\\\\server\\share\\dir\\SETUP.EXE"), "\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive("\\\\server\\share"), "\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive("\\\\サーバ\\表\\x"), "\\\\サーバ\\表");
  EXPECT_EQ(ExtractFileDrive("relative\\x"), "");
}

TEST(Mbcs, UpperCaseKeepsDoubleByteCharacters) {
  EXPECT_EQ(AnsiUpperCase("c:\\kestra\\kestra.exe"), "C:\\KESTRA\\KESTRA.EXE");
  EXPECT_EQ(AnsiUpperCase("\\\\srv\\ソ\\a"), "\\\\SRV\\ソ\\A");
}
