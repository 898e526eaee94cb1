// INI text read as the platform's profile function reads a file (TextProfile),
// and the script readers on it, natively under the sanitizers. The Windows
// suite compares TextProfile with the real GetPrivateProfileStringA.
#include <gtest/gtest.h>

#include "install/FileList.h"
#include "script/Profile.h"
#include "script/ScriptSection.h"

namespace {

using kestra::TextProfile;

std::string Read(const TextProfile& profile, const char* section, const char* key,
                 std::uint32_t size = 256, const char* fallback = "") {
  std::vector<char> buffer(size + 1, 'Z');
  const std::uint32_t got = profile.GetString(section, key, fallback, buffer.data(), size);
  EXPECT_EQ(buffer[got], '\0');
  return std::string(buffer.data(), got);
}

TEST(NativeProfile, TrimsNamesAndValuesAndFindsTheFirstOfEachName) {
  const TextProfile profile(
      " [ Groups ] trailing\r\n  Groups =  4  \r\nGROUPS=5\n\x1A\r\nbare\r\n=empty\r\n"
      "[groups]\nOther=1\r\n");
  EXPECT_EQ(Read(profile, "groups", "groups"), "4");
  EXPECT_EQ(Read(profile, " Groups\t", " GROUPS "), "4");
  // The second [groups] is never searched.
  EXPECT_EQ(Read(profile, "Groups", "Other", 256, "none"), "none");
  // A key without "=" answers the default.
  EXPECT_EQ(Read(profile, "Groups", "bare", 256, "d  "), "d");
  EXPECT_EQ(Read(profile, "Groups", "", 256), "empty");
}

TEST(NativeProfile, LinesBeforeTheFirstSectionHaveTheEmptyName) {
  const TextProfile profile("a=1\r\n[]\r\nb=2\r\n[x\r\n");
  EXPECT_EQ(Read(profile, "", "a"), "1");
  EXPECT_EQ(Read(profile, " ", "b", 256, "-"), "-");  // the first section of the name only
  EXPECT_EQ(Read(profile, "", "[x", 256, "-"), "-");   // in the second section, without value
}

TEST(NativeProfile, QuotesAndTheirTruncation) {
  const TextProfile profile("[S]\r\nq=\"abc\"\r\ns='x'\r\nhalf=\"abc\r\nlone=\"\r\n");
  EXPECT_EQ(Read(profile, "S", "q"), "abc");
  EXPECT_EQ(Read(profile, "S", "s"), "x");
  EXPECT_EQ(Read(profile, "S", "half"), "\"abc");
  EXPECT_EQ(Read(profile, "S", "lone"), "\"");
  // The buffer holds the value without its opening quote exactly: the last
  // character copied goes instead of the closing quote.
  EXPECT_EQ(Read(profile, "S", "q", 4), "ab");
  EXPECT_EQ(Read(profile, "S", "q", 5), "abc");
}

TEST(NativeProfile, CodePage932AsWindowsReadsIt) {
  // ソ ends in "\": the line still ends where it ends. A lead byte takes the
  // line break along: the next line is part of the value.
  const TextProfile profile("[S]\r\nk=\x83\x5C\r\nlead=a\x81\nnext=1\r\nbroken=\x81\x20z\r\n");
  EXPECT_EQ(Read(profile, "S", "k"), "\x83\x5C");
  EXPECT_EQ(Read(profile, "S", "lead"), "a\x81\x45next=1");
  EXPECT_EQ(Read(profile, "S", "next", 256, "-"), "-");
  EXPECT_EQ(Read(profile, "S", "broken"), "\x81\x45z");
}

TEST(NativeProfile, LongValuesAreCutOnCharacterBoundaries) {
  const TextProfile profile("[S]\r\nk=ab\x83\x5C\x83\x5C\r\n");
  // ソ would not fit whole: the result is still size − 1, and the byte before
  // the terminator keeps what the buffer held (here "Z").
  EXPECT_EQ(Read(profile, "S", "k", 4), "abZ");
  std::vector<char> buffer(8, 'Z');
  EXPECT_EQ(profile.GetString("S", "k", "", buffer.data(), 5), 4u);
  EXPECT_EQ(std::string(buffer.data(), 4), "ab\x83\x5C");
  EXPECT_EQ(profile.GetString("S", "k", "", buffer.data(), 1), 0u);
  EXPECT_EQ(buffer[0], '\0');
}

TEST(NativeProfile, ReadProfileStringReadsAnyLength) {
  const std::string value(3000, 'v');
  const TextProfile profile("[S]\r\nk=" + value + "\r\nq=\"" + std::string(510, 'w') + "x\"\r\n");
  EXPECT_EQ(kestra::ReadProfileString(profile, "S", "k"), value);
  // A quoted value that fills the first buffer exactly still comes whole.
  EXPECT_EQ(kestra::ReadProfileString(profile, "S", "q"), std::string(510, 'w') + "x");
}

TEST(NativeProfile, ScriptValuesOfAtMost255Characters) {
  const std::string fits(255, 'a');
  const TextProfile profile("[C]\r\nok=" + fits + "\r\nlong=" + fits + "b\r\nq=\"" + fits +
                            "\"\r\n");
  EXPECT_EQ(kestra::ReadScriptValue(profile, "C", "ok"), fits);
  EXPECT_FALSE(kestra::ReadScriptValue(profile, "C", "long"));
  // A quoted value of 255 characters: the platform's 256-byte read drops its
  // last character; the value is read whole instead of cut.
  EXPECT_EQ(kestra::ReadScriptValue(profile, "C", "q"), fits);
  EXPECT_EQ(kestra::ReadScriptValue(profile, "C", "missing"), "");
}

TEST(NativeProfile, SetupScriptGroupsAndBounds) {
  const TextProfile profile(
      "[Groups]\r\nGroups=2\r\nGroup1Name=KESTRA\r\nGroup1Dir=<INSTALLDIR>\r\n"
      "Group1grpFiles=2\r\nGroup1File1=KESTRA.EXE\r\nGroup1File2=\"VIEW.DLL\"\r\n"
      "Group2Name=LIB\r\nGroup2grpFiles=99999999\r\n");
  const kestra::SetupScript script = kestra::ReadSetupScript(profile);
  ASSERT_EQ(script.groups.size(), 2u);
  EXPECT_EQ(script.groups[0].files, (std::vector<std::string>{"KESTRA.EXE", "VIEW.DLL"}));
  EXPECT_EQ(script.groups[1].files.size(), static_cast<std::size_t>(kestra::kMaxScriptFiles - 2));
  const TextProfile many("[Groups]\r\nGroups=2147483647\r\n");
  EXPECT_EQ(kestra::ReadSetupScript(many).groups.size(),
            static_cast<std::size_t>(kestra::kMaxScriptGroups));
}

}  // namespace
