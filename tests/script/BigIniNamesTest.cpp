// Section and key names are matched as the platform compares names: whole
// names, letter case ignored by the locale's rules, Shift-JIS read by character.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "IniTestFolder.h"
#include "script/BigIni.h"

using kestra::CompareIniNames;
using kestra::SameIniName;
using kestra::TBigIniFile;
using kestra::TStringList;

TEST(IniNames, AsciiLettersMatchInAnyCase) {
  EXPECT_TRUE(SameIniName("Setup", "SETUP"));
  EXPECT_TRUE(SameIniName("kestra001", "KESTRA001"));
  EXPECT_TRUE(SameIniName("Dir_KESTRA001", "dir_kestra001"));
  EXPECT_FALSE(SameIniName("KESTRA001", "KESTRA002"));
  EXPECT_FALSE(SameIniName("KESTRA", "KESTRA001"));
  EXPECT_TRUE(SameIniName("", ""));
  EXPECT_FALSE(SameIniName("", "a"));
}

TEST(IniNames, BlanksAndPunctuationCount) {
  EXPECT_FALSE(SameIniName("Key ", "Key"));
  EXPECT_FALSE(SameIniName(" Key", "Key"));
  EXPECT_FALSE(SameIniName("a b", "ab"));
  EXPECT_FALSE(SameIniName("co-op", "coop"));
  EXPECT_FALSE(SameIniName("A_B", "AB"));
}

TEST(IniNames, FullWidthLettersMatchInAnyCaseButNotTheirHalfWidthForms) {
  EXPECT_TRUE(SameIniName("ＫＥＳＴＲＡ", "ｋｅｓｔｒａ"));
  EXPECT_TRUE(SameIniName("ＡＢＣ", "ａｂｃ"));
  EXPECT_FALSE(SameIniName("ＡＢＣ", "ABC"));
  EXPECT_FALSE(SameIniName("ケストラ", "けすとら"));
  EXPECT_FALSE(SameIniName("ケストラ", "ｹｽﾄﾗ"));
  EXPECT_TRUE(SameIniName("ケストラDVD", "ケストラdvd"));
}

TEST(IniNames, DoubleByteCharactersAreComparedWhole) {
  // ソ 0x83 0x5C and ゾ 0x83 0x5D differ only in the byte that looks like "\" or "]".
  EXPECT_FALSE(SameIniName("ソ", "ゾ"));
  EXPECT_TRUE(SameIniName("表", "表"));
  EXPECT_FALSE(SameIniName("表", "表示"));
  // ヂ is 0x83 0x61 and ア 0x83 0x41: second bytes that look like "a" and "A".
  EXPECT_FALSE(SameIniName("ヂ", "ア"));
}

TEST(IniNames, BrokenShiftJisIsComparedByItsBytes) {
  // A lead byte without a trail byte: conversion alone would turn both into the
  // same replacement character.
  EXPECT_FALSE(SameIniName("A\x81", "A\x82"));
  EXPECT_TRUE(SameIniName("a\x81", "A\x81"));
  EXPECT_FALSE(SameIniName("A\x81", "A"));
  // Even there a second byte is never folded as a letter.
  EXPECT_FALSE(SameIniName("ヂ\x81", "ア\x81"));
  EXPECT_TRUE(SameIniName("ヂx\x81", "ヂX\x81"));
  // Broken names sort after valid ones, in either order of the arguments.
  EXPECT_LT(CompareIniNames("Z", "A\x81"), 0);
  EXPECT_GT(CompareIniNames("A\x81", "Z"), 0);
}

TEST(IniNames, OrderFollowsTheLocaleIgnoringCase) {
  EXPECT_LT(CompareIniNames("a", "B"), 0);
  EXPECT_GT(CompareIniNames("b", "A"), 0);
  EXPECT_EQ(CompareIniNames("KESTRA", "kestra"), 0);
  EXPECT_LT(CompareIniNames("KESTRA001", "kestra002"), 0);
}

namespace {

bool PlatformSaysSame(const std::string& a, const std::string& b) {
  return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace

// Plain ASCII names are matched without asking the locale: the answers must be
// the platform's own.
TEST(IniNames, PlainAsciiIsMatchedAsThePlatformMatchesIt) {
  std::vector<std::string> samples{"co-op", "coop", "it's", "its", "a b", "ab", "A_B", "AB",
                                   "[x]", "x", "~", "", "Key ", "KEY", "key"};
  for (char c = 0x20; c <= 0x7E; ++c) samples.emplace_back(1, c);
  int disagreements = 0;
  for (const std::string& a : samples)
    for (const std::string& b : samples)
      if (SameIniName(a, b) != PlatformSaysSame(a, b)) {
        ADD_FAILURE() << "\"" << a << "\" against \"" << b << "\"";
        if (++disagreements > 10) return;
      }
}

using BigIniNames = IniTestFolder;

// The duplicate search sorts by the locale's sort keys; the sections it merges
// must be exactly those the name comparison calls the same.
TEST_F(BigIniNames, DuplicateSectionsAreThoseTheComparisonCallsTheSame) {
  const std::vector<std::string> names{
      "Setup", "SETUP", "ＳＥＴＵＰ", "ｓｅｔｕｐ", "ｾｯﾄｱｯﾌﾟ", "セットアップ", "せっとあっぷ",
      "A-B", "AB", "a-b", "a b", "表", "ソ", "ゾ", "ヂ", "ア", "ａ", "Ａ", "A", "a", "",
      "ケストラDVD", "ケストラdvd", "ケストラＤＶＤ", "setup", "Ｓｅｔｕｐ", "表 ", " 表"};
  std::string bytes;
  std::vector<std::string> survivors;
  for (std::size_t i = 0; i < names.size(); ++i) {
    bytes += "[" + names[i] + "]\r\nn=" + std::to_string(i) + "\r\n";
    bool seen = false;
    for (const std::string& earlier : survivors) seen = seen || SameIniName(earlier, names[i]);
    if (!seen) survivors.push_back(names[i]);
  }
  ASSERT_LT(survivors.size(), names.size());
  TBigIniFile ini(MakeFile("a.ini", bytes));
  TStringList loaded;
  ini.ReadSections(loaded);
  EXPECT_EQ(loaded, survivors);
}

TEST_F(BigIniNames, SectionsAndKeysMatchWithoutRegardToCase) {
  TBigIniFile ini(MakeFile("a.ini", "[SETUP]\r\nKey=v\r\n[ＫＥＳＴＲＡ]\r\nＡＢＣ=1\r\n"));
  EXPECT_EQ(ini.ReadString("setup", "KEY", ""), "v");
  EXPECT_EQ(ini.ReadString("Setup", "key", ""), "v");
  EXPECT_EQ(ini.ReadString("ｋｅｓｔｒａ", "ａｂｃ", ""), "1");
  EXPECT_EQ(ini.ReadString("KESTRA", "ＡＢＣ", "none"), "none");
  EXPECT_EQ(ini.ReadString("ＫＥＳＴＲＡ", "ABC", "none"), "none");
  ini.WriteString("setup", "KEY", "w");
  EXPECT_EQ(Content(ini), (TStringList{"[SETUP]", "KEY=w", "", "[ＫＥＳＴＲＡ]", "ＡＢＣ=1", ""}));
}

TEST_F(BigIniNames, JapaneseNamesWithABackslashSecondByte) {
  std::string path = MakeFile("a.ini",
                              "[表]\r\n表示=C:\\ソフト\\表\r\nソ=1\r\nゾ=2\r\n"
                              "[ソフト]\r\n能力=ある\r\n");
  {
    TBigIniFile ini(path);
    EXPECT_EQ(ini.ReadString("表", "表示", ""), "C:\\ソフト\\表");
    EXPECT_EQ(ini.ReadString("表", "ソ", ""), "1");
    EXPECT_EQ(ini.ReadString("表", "ゾ", ""), "2");
    EXPECT_EQ(ini.ReadString("ソフト", "能力", ""), "ある");
    EXPECT_EQ(ini.ReadString("ゾフト", "能力", "none"), "none");
    ini.WriteString("表", "ゾ", "ゾ\\");
    ini.WriteString("新しい表", "能", "表");
  }
  EXPECT_EQ(testenv::ReadFile(path),
            "[表]\r\n表示=C:\\ソフト\\表\r\nソ=1\r\nゾ=ゾ\\\r\n\r\n"
            "[ソフト]\r\n能力=ある\r\n\r\n[新しい表]\r\n能=表\r\n\r\n");
  TBigIniFile again(path);
  EXPECT_EQ(again.ReadString("新しい表", "能", ""), "表");
}

TEST_F(BigIniNames, KeysWithBrokenShiftJisAreToldApart) {
  TBigIniFile ini(MakeFile("a.ini", "[A]\r\nk\x81=1\r\nk\x82=2\r\n"));
  EXPECT_EQ(ini.ReadString("A", "k\x82", ""), "2");
  EXPECT_EQ(ini.ReadString("A", "K\x81", ""), "1");
}
