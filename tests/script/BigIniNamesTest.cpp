// Section and key names are matched as the platform compares names: whole
// names, letter case ignored by the locale's rules, Shift-JIS read by character.
#include <gtest/gtest.h>

#include <string>

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

using BigIniNames = IniTestFolder;

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
