// The native code page 932 conversion (glibc's iconv) gives the bytes Windows
// gives: the parsing code run under sanitizers sees the same text.
#include <gtest/gtest.h>

#include "MemberName.h"
#include "system/CodePage.h"
#include "system/Mbcs.h"

namespace {

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

struct Conversion {
  const char8_t* utf8;
  const char* cp932;
};

TEST(CodePage, Utf8NamesBecomeWindowsShiftJis) {
  const Conversion rows[] = {
      {u8"ソ表能", "\x83\x5C\x95\x5C\x94\x5C"},  // second bytes look like "\"
      {u8"ポ", "\x83\x7C"},                    // second byte looks like "|"
      {u8"～", "\x81\x60"},                    // full-width tilde: Windows' variant
      {u8"①", "\x87\x40"},                     // NEC row 13
      {u8"ｱ", "\xB1"},                         // half-width katakana: one byte
      {u8"A/b.txt", "A/b.txt"},
      // Single bytes Windows writes and glibc's table lacks.
      {u8"a\u0080", "a\x80"},
      {u8"\uF8F0\uF8F1\uF8F3", "\xA0\xFD\xFF"},
  };
  for (const Conversion& row : rows)
    EXPECT_EQ(ezip::Utf8ToCp932(Utf8(row.utf8)), std::string(row.cp932)) << row.cp932;
}

TEST(CodePage, NamesWithoutAShiftJisFormAreRefused) {
  EXPECT_EQ(ezip::Utf8ToCp932(Utf8(u8"한국.txt")), std::nullopt);
  EXPECT_EQ(ezip::Utf8ToCp932("\xFF\xFE.txt"), std::nullopt);   // no UTF-8
  EXPECT_EQ(ezip::Utf8ToCp932("\xE3\x82"), std::nullopt);       // cut inside a character
  EXPECT_EQ(ezip::Utf8ToCp932(""), std::string());
  // Only a look-alike exists (full-width "￡", "￢"): no best fit, as on Windows.
  EXPECT_EQ(ezip::Utf8ToCp932(Utf8(u8"D..\\£.txt")), std::nullopt);
  EXPECT_EQ(ezip::Utf8ToCp932(Utf8(u8"¬")), std::nullopt);
}

TEST(CodePage, ShiftJisReadsBackAsUtf16) {
  EXPECT_EQ(kestra::Cp932ToUtf16("\x83\x5C" "A"), std::u16string(u"ソA"));
  EXPECT_EQ(kestra::Cp932ToUtf16("\x83"), std::nullopt);  // a lead byte alone
  // 0x80 alone is U+0080 on Windows; as a second byte it is part of ム.
  EXPECT_EQ(kestra::Cp932ToUtf16("a\x80\x83\x80"), std::u16string(u"a\u0080ム"));
  // Windows writes 0xA0 for U+F8F0 but does not read it back.
  EXPECT_EQ(kestra::Cp932ToUtf16("\xA0"), std::nullopt);
}

TEST(CodePage, UpperCaseOfLettersOnly) {
  const Conversion rows[] = {
      {u8"c:\\kestra\\kestra.exe", "C:\\KESTRA\\KESTRA.EXE"},
      // ＫＥＳＴＲＡ
      {u8"ｋｅｓｔｒａ", "\x82\x6A\x82\x64\x82\x72\x82\x73\x82\x71\x82\x60"},
      {u8"αω", "\x83\x9F\x83\xB6"},                                        // ΑΩ
      {u8"ソ\\a", "\x83\x5C\\A"},  // the second byte of ソ is no letter
  };
  for (const Conversion& row : rows) {
    const std::string text = *ezip::Utf8ToCp932(Utf8(row.utf8));
    EXPECT_EQ(kestra::AnsiUpperCase(text), std::string(row.cp932)) << row.cp932;
  }
}

}  // namespace
