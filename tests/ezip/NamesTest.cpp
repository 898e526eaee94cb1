// Member names: Shift-JIS and UTF-8 names, case and slash folding that never
// touches the second byte of a double-byte character, and names that would
// write outside the base folder.
#include "EZipFixture.h"
#include "WineTestEnv.h"

namespace ziptest {
namespace {

using EZipNames = EZipTest;
using Files = std::vector<std::string>;

// UTF-8 bytes of a literal, whatever the execution character set.
std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

TEST_F(EZipNames, ShiftJisNamesWithBackslashAndBarTrailBytes) {
  // ソ 表 能 end in 0x5C ("\"), ポ in 0x7C ("|").
  WriteArchive({{"MANUAL/利用ガイド.PDF", "%PDF-1.4 guide", true},
                {"ソフト/表.txt", "table", false},
                {"ポスター/能力.txt", "ability", true}});

  EXPECT_EQ(Expand("MANUAL\\利用ガイド.PDF"), 14.0);
  EXPECT_EQ(Expand("ソフト\\表.txt"), 5.0);
  EXPECT_EQ(Expand("ポスター\\能力.txt"), 7.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "MANUAL\\利用ガイド.PDF"), "%PDF-1.4 guide");
  EXPECT_EQ(testenv::ReadFile(base_ + "ソフト\\表.txt"), "table");
  EXPECT_EQ(testenv::ReadFile(base_ + "ポスター\\能力.txt"), "ability");
  EXPECT_EQ(Tree(base_), (Files{"MANUAL\\", "MANUAL\\利用ガイド.PDF", "ソフト\\", "ソフト\\表.txt",
                                "ポスター\\", "ポスター\\能力.txt"}));
}

TEST_F(EZipNames, Utf8FlaggedNamesAnswerShiftJisPaths) {
  Member guide{Utf8(u8"MANUAL/利用ガイド.PDF"), "utf-8 guide", true};
  guide.utf8Name = true;
  Member table{Utf8(u8"ソフト/表.txt"), "utf-8 table", false};
  table.utf8Name = true;
  WriteArchive({guide, table});

  EXPECT_EQ(Expand("manual\\利用ガイド.pdf"), 11.0);
  EXPECT_EQ(Expand("ソフト\\表.txt"), 11.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "MANUAL\\利用ガイド.PDF"), "utf-8 guide");
  EXPECT_EQ(testenv::ReadFile(base_ + "ソフト\\表.txt"), "utf-8 table");
}

TEST_F(EZipNames, UnusableUtf8NamesAreSkippedAndTheRestStillWorks) {
  Member hangul{Utf8(u8"한국.txt"), "no code page 932 form", true};
  hangul.utf8Name = true;
  Member broken{"\xFF\xFE.txt", "invalid UTF-8", true};
  broken.utf8Name = true;
  WriteArchive({hangul, broken, {"OK.TXT", "fine", true}});

  EXPECT_EQ(Expand("\xFF\xFE.txt"), -1.0) << "a flagged name is never taken as raw bytes";
  EXPECT_EQ(Expand("OK.TXT"), 4.0);
  EXPECT_EQ(Tree(base_), (Files{"OK.TXT"}));
}

TEST_F(EZipNames, Utf8NamesWithOnlyALookAlikeInShiftJisAreSkipped) {
  // "£" (U+00A3) has no code page 932 form; "￡" (0x81 0x92) only looks alike.
  Member pound{Utf8(u8"£.txt"), "pound", true};
  pound.utf8Name = true;
  WriteArchive({pound, {"OK.TXT", "fine", true}});

  EXPECT_EQ(Expand("￡.txt"), -1.0);
  EXPECT_EQ(Expand("OK.TXT"), 4.0);
  EXPECT_EQ(Tree(base_), (Files{"OK.TXT"}));
}

TEST_F(EZipNames, CaseAndSlashesAreIgnored) {
  WriteArchive({{"Manual/ReadMe.Txt", "readme", true},
                {"Sub\\Back.Dat", "back", true},
                {"ＡＢＣ/ｄａｔａ.txt", "full-width", true},
                {"αβγ/бюя.txt", "greek and cyrillic", true}});

  EXPECT_EQ(Expand("MANUAL\\README.TXT"), 6.0);
  EXPECT_EQ(Expand("manual/readme.txt"), 6.0);
  EXPECT_EQ(Expand("sub/back.dat"), 4.0);
  EXPECT_EQ(Expand("ａｂｃ\\ＤＡＴＡ.TXT"), 10.0);
  EXPECT_EQ(Expand("ΑΒΓ\\БЮЯ.TXT"), 18.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "ＡＢＣ\\ｄａｔａ.txt"), "full-width");
  EXPECT_EQ(testenv::ReadFile(base_ + "αβγ\\бюя.txt"), "greek and cyrillic");
}

TEST_F(EZipNames, SecondByteOfACharacterIsNeverFolded) {
  // ヂ is 0x83 0x61 and ア 0x83 0x41; 病 is 0x95 0x61 and 柊 0x95 0x41: folding
  // the second byte as a letter would make each pair one name.
  WriteArchive({{"ヂ.txt", "di", true},
                {"ア.txt", "a", true},
                {"病/x.txt", "byou", true},
                {"柊/x.txt", "hiiragi", true}});

  EXPECT_EQ(Expand("ア.txt"), 1.0);
  EXPECT_EQ(Expand("ヂ.txt"), 2.0);
  EXPECT_EQ(Expand("柊\\x.txt"), 7.0);
  EXPECT_EQ(Expand("病\\x.txt"), 4.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "ヂ.txt"), "di");
  EXPECT_EQ(testenv::ReadFile(base_ + "ア.txt"), "a");
  EXPECT_EQ(testenv::ReadFile(base_ + "病\\x.txt"), "byou");
  EXPECT_EQ(testenv::ReadFile(base_ + "柊\\x.txt"), "hiiragi");
}

TEST_F(EZipNames, NamesLeavingTheBaseFolderAreRefused) {
  // The archive really holds these names, so a refusal is not just a miss.
  const std::string probe = "ezip_escape_probe.txt";
  WriteArchive({{"../escape.txt", "x", true},
                {"..\\escape.txt", "x", true},
                {"a/../../escape.txt", "x", true},
                {"C:/" + probe, "x", true},
                {"/" + probe, "x", true},
                {"//kestrasrv/other/" + probe, "x", true}});
  const Files requests = {"..\\escape.txt",    "../escape.txt",   "a\\..\\..\\escape.txt",
                          "a/../../escape.txt", "C:\\" + probe,    "C:" + probe,
                          "\\" + probe,        "/" + probe,       "\\\\kestrasrv\\other\\" + probe,
                          "ソ\\..\\..\\escape.txt"};

  for (const std::string& request : requests) EXPECT_EQ(Expand(request), -1.0) << request;
  EXPECT_EQ(Tree(work_), (Files{"SETUP_F.EZP"}));
  EXPECT_FALSE(FileExists("C:\\" + probe));
  EXPECT_FALSE(FileExists("\\" + probe));
  EXPECT_FALSE(FileExists(std::string(testenv::kOtherShare) + "\\" + probe));
}

TEST_F(EZipNames, DevicesStreamsAndMalformedNamesAreRefused) {
  const Files names = {"a/CON",     "NUL.txt",    "lpt1",        "com9.log",  "x:stream",
                       "a//b.txt",  "a/./b.txt",  "a/.../b.txt", "a/ . /b",   "a/",
                       "a*b.txt",   "a?b.txt",    "a<b.txt",     "a|b.txt",   "tab\t.txt",
                       "abc\x83",   "a\x81\x20.txt"};
  std::vector<Member> members;
  for (const std::string& name : names) members.push_back({name, "x", true});
  WriteArchive(members);

  for (const std::string& name : names) EXPECT_EQ(Expand(name), -1.0) << name;
  EXPECT_EQ(Expand(""), -1.0);
  EXPECT_EQ(Tree(work_), (Files{"SETUP_F.EZP"}));
}

TEST_F(EZipNames, DotsInsideNamesAreOrdinaryCharacters) {
  WriteArchive({{"a..b/c...d.txt", "dots", true}, {".config/.hidden", "dot file", true}});

  EXPECT_EQ(Expand("a..b\\c...d.txt"), 4.0);
  EXPECT_EQ(Expand(".config\\.hidden"), 8.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "a..b\\c...d.txt"), "dots");
  EXPECT_EQ(testenv::ReadFile(base_ + ".config\\.hidden"), "dot file");
}

}  // namespace
}  // namespace ziptest
