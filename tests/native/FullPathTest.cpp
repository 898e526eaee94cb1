// The native build's FullPath and FullLongPath (GetFullPathNameA as Wine resolves paths)
// and the destination check on it. The expected paths are what Wine 8 answers.
#include <gtest/gtest.h>

#include "install/FileList.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"

namespace {

TEST(NativeFullPath, ResolvesAsWineDoes) {
  const std::pair<const char*, const char*> rows[] = {
      {"C:\\dots\\app\\...\\X.DLL", "C:\\dots\\app\\..\\X.DLL"},
      {"C:\\dots\\app\\...", "C:\\dots\\app\\"},
      {"C:\\dots\\app\\.. \\X.DLL", "C:\\dots\\app\\.. \\X.DLL"},
      {"C:\\dots\\app\\....\\X", "C:\\dots\\app\\...\\X"},
      {"C:\\a\\b\\..\\..\\..\\c", "C:\\c"},
      {"C:/a//b/./c.", "C:\\a\\b\\c"},
      {"\\\\srv\\share\\..\\..\\x", "\\\\srv\\share\\x"},
      {"C:\\a\\con.txt", "\\\\.\\con"},
      {"relative\\x", "C:\\relative\\x"},
  };
  for (const auto& [path, full] : rows) {
    EXPECT_EQ(kestra::FullPath(path), full) << path;
    EXPECT_EQ(kestra::FullLongPath(path), full) << path;
  }
}

TEST(NativeFullPath, BytesAreReadAsTheAnsiCallReadsThem) {
  EXPECT_EQ(kestra::Cp932ToUtf16AsWindowsReads("a\x83\x5C\xA0\xFF\x81"),
            u"a\u30BD\uF8F0\uF8F3\u30FB");
  EXPECT_EQ(kestra::Cp932ToUtf16AsWindowsReads("\x81\n"), u"\u30FB");
}

// Found by the setup_script harness (its own check searched bytes): a file
// name whose double-byte character ends in "\" followed by ".." is a name in
// the base, not a step up.
TEST(NativeFullPath, DotsAfterADoubleByteBackslashStayInTheBase) {
  const std::string base = "C:\\Program Files\\KESTRA\\";
  EXPECT_TRUE(kestra::DestinationStaysInBase(base, base + "FOXIT\xFF\xFA\\.."));
  EXPECT_FALSE(kestra::DestinationStaysInBase(base, base + "...\\X.DLL"));
  EXPECT_FALSE(kestra::DestinationStaysInBase(base, base + "A\\..\\..\\X.DLL"));
  EXPECT_TRUE(kestra::DestinationStaysInBase(base, base + "..HIDDEN\\X.DLL"));
}

}  // namespace
