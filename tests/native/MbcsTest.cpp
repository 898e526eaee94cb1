// The Shift-JIS walk and version parsing, natively under the sanitizers.
#include <gtest/gtest.h>

#include "system/Mbcs.h"
#include "system/Version.h"

namespace {

using kestra::VersionParts;

const std::string kSo = "\x83\x5C";     // ソ: second byte 0x5C
const std::string kHyou = "\x95\x5C";   // 表: second byte 0x5C

TEST(NativeMbcs, TrailByte5CIsNotABackslash) {
  const std::string path = "C:\\" + kSo;
  EXPECT_FALSE(kestra::EndsWithChar(path, '\\'));
  EXPECT_EQ(kestra::AddBackslash(path), path + "\\");
  EXPECT_EQ(kestra::RemoveBackslash(path + "\\"), path);
  EXPECT_EQ(kestra::ExtractFileName("C:\\" + kSo + "\\" + kHyou), kHyou);
  EXPECT_EQ(kestra::ExtractFilePath("C:\\" + kSo + "\\" + kHyou), "C:\\" + kSo + "\\");
  EXPECT_EQ(kestra::ExtractFileDrive("\\\\srv\\" + kHyou + "\\x"), "\\\\srv\\" + kHyou);
}

TEST(NativeMbcs, ALeadByteAtTheEndIsACharacterOfItsOwn) {
  EXPECT_EQ(kestra::LastCharOffset("ab\x83"), 2u);
  EXPECT_EQ(kestra::LastCharOffset(""), std::string::npos);
  EXPECT_EQ(kestra::FindChar("\x83\\\\", '\\'), 2u);
}

struct VersionRow {
  const char* text;
  VersionParts parts;
};

TEST(NativeParseVersion, PartsAsNumbers) {
  const VersionRow rows[] = {
      {"1.9.3", {1, 9, 3, 0}},       {"2", {2, 0, 0, 0}},
      {"1.x.3", {1, 0, 3, 0}},       {"", {0, 0, 0, 0}},
      {"1.2.3.4.5", {1, 2, 3, 4}},   {"1..3", {1, 0, 3, 0}},
      // Beyond 32 bits: the nearest 32-bit value, as Windows' strtol answers.
      {"99999999999.-99999999999", {2147483647, -2147483647 - 1, 0, 0}},
  };
  for (const VersionRow& row : rows)
    EXPECT_EQ(kestra::ParseVersion(row.text), row.parts) << row.text;
}

}  // namespace
