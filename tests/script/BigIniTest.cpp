// The INI store's load rules, duplicate sections and its read and write
// operations, checked through files it loads and the content it would write.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "IniTestFolder.h"
#include "script/BigIni.h"

using kestra::EInOutError;
using kestra::TBigIniFile;
using kestra::TEraseSectionCallback;
using kestra::TStringList;

using BigIniLoad = IniTestFolder;

TEST_F(BigIniLoad, DropsLinesBeforeTheFirstSectionEmptyLinesAndEmptySections) {
  TBigIniFile ini(MakeFile("a.ini",
                           "orphan=1\r\n;lead\r\n\r\n[A]\r\na=1\r\n\r\n\r\n;note\r\n"
                           "[Empty]\r\n\r\n[B]\r\nb=2\r\n"));
  EXPECT_EQ(Content(ini), (TStringList{"[A]", "a=1", ";note", "", "[B]", "b=2", ""}));
  TStringList names;
  ini.ReadSections(names);
  EXPECT_EQ(names, (TStringList{"A", "Empty", "B"}));
  EXPECT_EQ(ini.ReadString("A", "orphan", "none"), "none");
  EXPECT_FALSE(ini.Changed());
}

TEST_F(BigIniLoad, ALoneEndOfFileMarkIsAnEmptyLine) {
  TBigIniFile ini(MakeFile("a.ini", "[A]\r\na=1\r\n\x1A\r\nb=\x1A\r\n\x1A\x1A\r\n\x1A"));
  EXPECT_EQ(Content(ini), (TStringList{"[A]", "a=1", "b=\x1A", "\x1A\x1A", ""}));
}

TEST_F(BigIniLoad, EmptyBracketsOpenTheSectionWithTheEmptyName) {
  TBigIniFile ini(MakeFile("a.ini", "[]\r\nk=v\r\n[\r\n"));
  EXPECT_EQ(ini.ReadString("", "k", "none"), "v");
  TStringList values;
  ini.ReadSectionValues("", values);
  EXPECT_EQ(values, (TStringList{"k=v", "["}));
}

TEST_F(BigIniLoad, HeadersAreRecognisedByCharacterNotByByte) {
  // ゾ is 0x83 0x5D: a line "[ゾ" ends in the byte of "]" but its last character is ゾ.
  const std::string openOnly = "[ゾ";
  ASSERT_EQ(openOnly.back(), ']');
  TBigIniFile ini(MakeFile("a.ini", "[表]\r\nキー=値\r\n" + openOnly + "\r\nx=1\r\n[ゾ]\r\ny=2\r\n"));
  TStringList names;
  ini.ReadSections(names);
  EXPECT_EQ(names, (TStringList{"表", "ゾ"}));
  TStringList values;
  ini.ReadSectionValues("表", values);
  EXPECT_EQ(values, (TStringList{"キー=値", openOnly, "x=1"}));
  EXPECT_EQ(ini.ReadString("ゾ", "y", ""), "2");
}

TEST_F(BigIniLoad, LinesEndAtCrLfLfOrCrAndTheLastNeedsNoEnd) {
  TBigIniFile ini(MakeFile("a.ini", "[A]\na=1\rb=2\r\nc=3\n\n\r\n[B]\rd=4"));
  EXPECT_EQ(Content(ini), (TStringList{"[A]", "a=1", "b=2", "c=3", "", "[B]", "d=4", ""}));
}

// Lines of every length up to a few hundred bytes, CR LF and LF, so that line
// ends and CR LF pairs fall on every position of the read buffer.
TEST_F(BigIniLoad, LinesAcrossBufferBoundariesComeBackWhole) {
  std::string bytes = "[A]\r\n";
  TStringList expected{"[A]"};
  for (int i = 0; bytes.size() < 3 * static_cast<std::size_t>(kestra::kIniTextBufferSize); ++i) {
    std::string line("k");
    line += std::to_string(i);
    line += '=';
    line.append(static_cast<std::size_t>(i % 300), 'v');
    bytes += line + (i % 3 == 0 ? "\n" : "\r\n");
    expected.push_back(line);
  }
  // One CR LF pair split exactly between the first and the second buffer fill.
  std::string head = "[S]\r\nk=";
  head += std::string(static_cast<std::size_t>(kestra::kIniTextBufferSize) - head.size() - 1, 'x');
  head += "\r";
  ASSERT_EQ(head.size(), static_cast<std::size_t>(kestra::kIniTextBufferSize));
  bytes = head + "\nafter=1\r\n" + bytes;
  expected.insert(expected.begin(), {"[S]", head.substr(5, head.size() - 6), "after=1", ""});
  expected.push_back("");
  std::string path = MakeFile("a.ini", bytes);

  TBigIniFile buffered(path);
  EXPECT_EQ(buffered.TextBufferSize(), 28672);
  EXPECT_EQ(Content(buffered), expected);

  TBigIniFile small;
  small.SetTextBufferSize(0);
  small.SetFileName(path);
  EXPECT_EQ(Content(small), expected);
}

TEST_F(BigIniLoad, AVeryLongValueReadsBackExactly) {
  std::string value(100000, 'z');
  value[50000] = '=';
  TBigIniFile ini(MakeFile("a.ini", "[A]\r\nlong=" + value + "\r\n"));
  EXPECT_EQ(ini.ReadString("A", "long", ""), value);
}

TEST_F(BigIniLoad, AMissingFileGivesAnEmptyStoreAndNoFile) {
  std::string path = PathOf("missing.ini");
  {
    TBigIniFile ini(path);
    EXPECT_EQ(ini.FileName(), path);
    EXPECT_EQ(ini.ReadString("A", "k", "default"), "default");
    TStringList names{"stale"};
    ini.ReadSections(names);
    EXPECT_TRUE(names.empty());
    EXPECT_FALSE(ini.Changed());
  }
  EXPECT_FALSE(FileExistsAt(path));
}

using BigIniDuplicates = IniTestFolder;

TEST_F(BigIniDuplicates, OnlyTheFirstSectionOfANameSurvivesAndTheFileIsLeftAlone) {
  const std::string bytes = "[A]\r\na=1\r\n[B]\r\nb=1\r\n[A]\r\na=2\r\nx=3\r\n";
  std::string path = MakeFile("a.ini", bytes);
  ULONGLONG dated = DateBack(path);
  {
    TBigIniFile ini(path);
    EXPECT_EQ(ini.ReadString("A", "a", ""), "1");
    EXPECT_EQ(ini.ReadString("A", "x", "none"), "none");
    TStringList names;
    ini.ReadSections(names);
    EXPECT_EQ(names, (TStringList{"A", "B"}));
    EXPECT_FALSE(ini.Changed());
  }
  EXPECT_EQ(testenv::ReadFile(path), bytes);
  EXPECT_EQ(LastWriteTime(path), dated);

  // Once something else changes, the file is written without the dropped section.
  {
    TBigIniFile ini(path);
    ini.WriteString("B", "b", "2");
  }
  EXPECT_EQ(testenv::ReadFile(path), "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n\r\n");
}

TEST_F(BigIniDuplicates, NamesThatDifferInCaseAreOneSectionAndTheFirstWins) {
  TBigIniFile ini(MakeFile("a.ini", "[Setup]\r\nk=first\r\n[SETUP]\r\nk=second\r\nm=1\r\n"));
  TStringList names;
  ini.ReadSections(names);
  EXPECT_EQ(names, (TStringList{"Setup"}));
  EXPECT_EQ(ini.ReadString("setup", "k", ""), "first");
  EXPECT_EQ(ini.ReadString("SETUP", "m", "none"), "none");
}

TEST_F(BigIniDuplicates, TheOtherSectionsKeepTheirOrder) {
  TBigIniFile ini(MakeFile("a.ini",
                           "[C]\r\nc=1\r\n[a]\r\na=1\r\n[B]\r\nb=1\r\n[A]\r\na=2\r\n"
                           "[c]\r\nc=2\r\n[D]\r\nd=1\r\n[ａ]\r\na=3\r\n[Ａ]\r\na=4\r\n"));
  TStringList names;
  ini.ReadSections(names);
  EXPECT_EQ(names, (TStringList{"C", "a", "B", "D", "ａ"}));
  EXPECT_EQ(ini.ReadString("c", "c", ""), "1");
  EXPECT_EQ(ini.ReadString("A", "a", ""), "1");
  EXPECT_EQ(ini.ReadString("Ａ", "a", ""), "3");
}

TEST_F(BigIniDuplicates, ADirectLoadCountsDroppedSectionsAsAChange) {
  std::string dup = MakeFile("dup.ini", "[A]\r\na=1\r\n[A]\r\na=2\r\n");
  std::string plain = MakeFile("plain.ini", "[A]\r\na=1\r\n[B]\r\nb=2\r\n");
  TBigIniFile ini;
  ini.LoadFromFile(plain);
  EXPECT_FALSE(ini.Changed());
  EXPECT_EQ(ini.ReadString("B", "b", ""), "2");
  // Loading on top merges: the sections already held come first and survive.
  ini.LoadFromFile(dup);
  EXPECT_TRUE(ini.Changed());
  EXPECT_EQ(Content(ini), (TStringList{"[A]", "a=1", "", "[B]", "b=2", ""}));
}

namespace {

struct HandlerLog {
  std::vector<std::string> names;
  std::vector<TStringList> survivors;
  std::vector<TStringList> losers;
  bool keepEarlier = true;
  bool merge = false;
};

bool RecordDuplicate(void* data, const std::string& name, TStringList& survivor,
                     TStringList& loser) {
  auto* log = static_cast<HandlerLog*>(data);
  log->names.push_back(name);
  log->survivors.push_back(survivor);
  log->losers.push_back(loser);
  if (log->merge) survivor.insert(survivor.end(), loser.begin(), loser.end());
  return log->keepEarlier;
}

}  // namespace

TEST_F(BigIniDuplicates, AHandlerSeesBothSectionsAndCanKeepTheLaterOne) {
  std::string path =
      MakeFile("a.ini", "[A]\r\nv=1\r\n[B]\r\nb=1\r\n[a]\r\nv=2\r\n[A]\r\nv=3\r\n");
  HandlerLog log;
  log.keepEarlier = false;
  TBigIniFile ini;
  ini.SetEraseSectionCallback(TEraseSectionCallback{&RecordDuplicate, &log});
  ini.SetFileName(path);

  ASSERT_EQ(log.names.size(), 2u);
  EXPECT_EQ(log.names[0], "A");
  EXPECT_EQ(log.survivors[0], (TStringList{"v=1"}));
  EXPECT_EQ(log.losers[0], (TStringList{"v=2"}));
  // The later section won the first round and meets the third one.
  EXPECT_EQ(log.survivors[1], (TStringList{"v=2"}));
  EXPECT_EQ(log.losers[1], (TStringList{"v=3"}));
  TStringList names;
  ini.ReadSections(names);
  EXPECT_EQ(names, (TStringList{"B", "A"}));
  EXPECT_EQ(ini.ReadString("A", "v", ""), "3");
  EXPECT_FALSE(ini.Changed());
}

TEST_F(BigIniDuplicates, AHandlerCanMergeTheLinesIntoTheSurvivor) {
  HandlerLog log;
  log.merge = true;
  TBigIniFile ini;
  ini.SetEraseSectionCallback(TEraseSectionCallback{&RecordDuplicate, &log});
  ini.SetFileName(MakeFile("a.ini", "[A]\r\nv=1\r\n[A]\r\nw=2\r\n[A]\r\nx=3\r\n"));
  EXPECT_EQ(Content(ini), (TStringList{"[A]", "v=1", "w=2", "x=3", ""}));
}

using BigIniRead = IniTestFolder;

TEST_F(BigIniRead, AValueIsEverythingAfterTheFirstEqualsSign) {
  TBigIniFile ini(MakeFile("a.ini", "[A]\r\nk= a=b \r\nempty=\r\n"));
  EXPECT_EQ(ini.ReadString("A", "k", ""), " a=b ");
  EXPECT_EQ(ini.ReadString("A", "empty", "default"), "");
  EXPECT_EQ(ini.ReadString("A", "absent", "default"), "default");
  EXPECT_EQ(ini.ReadString("Absent", "k", "default"), "default");
}

TEST_F(BigIniRead, CommentsAndBareLinesStayButAreNeverKeys) {
  std::string path = MakeFile("a.ini", "[A]\r\n;note\r\nbare\r\nk=v\r\n");
  TBigIniFile ini(path);
  EXPECT_EQ(ini.ReadString("A", ";note", "d"), "d");
  EXPECT_EQ(ini.ReadString("A", "bare", "d"), "d");
  TStringList keys{"kept"};
  ini.ReadSection("A", keys);
  EXPECT_EQ(keys, (TStringList{"kept", "", "", "k"}));
  ini.WriteString("A", "k", "w");
  ini.Flush();
  EXPECT_EQ(testenv::ReadFile(path), "[A]\r\n;note\r\nbare\r\nk=w\r\n\r\n");
}

TEST_F(BigIniRead, TheFirstOfTwoEqualKeysAnswers) {
  TBigIniFile ini(MakeFile("a.ini", "[A]\r\nk=1\r\nK=2\r\n"));
  EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
  EXPECT_EQ(ini.ReadString("A", "K", ""), "1");
}

TEST_F(BigIniRead, IntegersInDecimalAndHexadecimal) {
  const std::string zeros(300, '0');
  TBigIniFile ini(MakeFile("a.ini",
                           "[N]\r\nlower=0x1F\r\nupper=0X1F\r\ndollar=$1F\r\nmixed=12abc\r\n"
                           "neg=-12\r\nplus=+5\r\nmax=2147483647\r\nover=2147483648\r\n"
                           "min=-2147483648\r\nunder=-2147483649\r\nallbits=$FFFFFFFF\r\n"
                           "toobig=$100000000\r\nbare0x=0x\r\ndollaronly=$\r\nempty=\r\n"
                           "blank= 7\r\ntrailing=7 \r\nlong=0x" + zeros + "1F\r\n"
                           "longjunk=0x" + zeros + "G\r\n"));
  EXPECT_EQ(ini.ReadInteger("N", "lower", -1), 31);
  EXPECT_EQ(ini.ReadInteger("N", "upper", -1), 31);
  EXPECT_EQ(ini.ReadInteger("N", "dollar", -1), 31);
  EXPECT_EQ(ini.ReadInteger("N", "mixed", -1), -1);
  EXPECT_EQ(ini.ReadInteger("N", "neg", 0), -12);
  EXPECT_EQ(ini.ReadInteger("N", "plus", 0), 5);
  EXPECT_EQ(ini.ReadInteger("N", "max", 0), 2147483647);
  EXPECT_EQ(ini.ReadInteger("N", "over", -1), -1);
  EXPECT_EQ(ini.ReadInteger("N", "min", 0), INT32_MIN);
  EXPECT_EQ(ini.ReadInteger("N", "under", -1), -1);
  EXPECT_EQ(ini.ReadInteger("N", "allbits", 0), -1);
  EXPECT_EQ(ini.ReadInteger("N", "toobig", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "bare0x", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "dollaronly", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "empty", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "absent", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "blank", 0), 7);
  EXPECT_EQ(ini.ReadInteger("N", "trailing", 0), 0);
  // The whole text after 0x counts, however long.
  EXPECT_EQ(ini.ReadInteger("N", "long", 0), 31);
  EXPECT_EQ(ini.ReadInteger("N", "longjunk", 5), 5);
}

TEST_F(BigIniRead, BooleansAreIntegers) {
  TBigIniFile ini(MakeFile("a.ini", "[B]\r\nzero=0\r\none=1\r\ntwo=2\r\nhex=0x0\r\nword=yes\r\n"));
  EXPECT_FALSE(ini.ReadBool("B", "zero", true));
  EXPECT_TRUE(ini.ReadBool("B", "one", false));
  EXPECT_TRUE(ini.ReadBool("B", "two", false));
  EXPECT_FALSE(ini.ReadBool("B", "hex", true));
  EXPECT_TRUE(ini.ReadBool("B", "word", true));
  EXPECT_FALSE(ini.ReadBool("B", "word", false));
  EXPECT_TRUE(ini.ReadBool("B", "absent", true));
  EXPECT_FALSE(ini.ReadBool("B", "absent", false));
}

TEST_F(BigIniRead, SectionListsAppendAndTheSectionNamesReplace) {
  TBigIniFile ini(MakeFile("a.ini", "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n"));
  TStringList keys{"before"};
  ini.ReadSection("A", keys);
  ini.ReadSection("B", keys);
  ini.ReadSection("Absent", keys);
  EXPECT_EQ(keys, (TStringList{"before", "x", "y", "z"}));

  TStringList values{"before"};
  ini.ReadSectionValues("B", values);
  ini.ReadSectionValues("A", values);
  ini.ReadSectionValues("Absent", values);
  EXPECT_EQ(values, (TStringList{"before", "z=3", "x=1", "y=2"}));

  TStringList names{"old", "older"};
  ini.ReadSections(names);
  EXPECT_EQ(names, (TStringList{"A", "B"}));

  TStringList content{"before"};
  ini.CopyToStrings(content);
  EXPECT_EQ(content, (TStringList{"before", "[A]", "x=1", "y=2", "", "[B]", "z=3", ""}));
}

using BigIniWrite = IniTestFolder;

TEST_F(BigIniWrite, NewKeysGoToTheEndOfTheirSectionAndNewSectionsToTheEnd) {
  TBigIniFile ini(MakeFile("a.ini", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"));
  ini.WriteString("A", "new", "n");
  ini.WriteString("C", "c", "3");
  ini.WriteString("b", "y", "22");
  EXPECT_TRUE(ini.Changed());
  EXPECT_EQ(Content(ini),
            (TStringList{"[A]", "x=1", "new=n", "", "[B]", "y=22", "", "[C]", "c=3", ""}));
}

TEST_F(BigIniWrite, AnIdenticalLineIsNoChangeButADifferentlyCasedKeyReplacesTheLine) {
  TBigIniFile ini(MakeFile("a.ini", "[A]\r\nkey=x\r\n"));
  ini.WriteString("A", "key", "x");
  ini.WriteString("a", "key", "x");
  EXPECT_FALSE(ini.Changed());
  ini.WriteString("A", "KEY", "x");
  EXPECT_TRUE(ini.Changed());
  EXPECT_EQ(Content(ini), (TStringList{"[A]", "KEY=x", ""}));
}

TEST_F(BigIniWrite, AnEmptyKeyErasesTheSectionAndEmptyEverythingOnlyFlushes) {
  std::string path = MakeFile("a.ini", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[C]\r\nz=3\r\n");
  TBigIniFile ini(path);
  ini.WriteString("A", "", "anything");
  ini.WriteString("b", "", "");
  EXPECT_EQ(Content(ini), (TStringList{"[C]", "z=3", ""}));
  // Nothing written yet; the empty call writes the file and clears the flag.
  EXPECT_EQ(testenv::ReadFile(path), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[C]\r\nz=3\r\n");
  ini.WriteString("", "", "");
  EXPECT_FALSE(ini.Changed());
  EXPECT_EQ(testenv::ReadFile(path), "[C]\r\nz=3\r\n\r\n");
  EXPECT_EQ(Content(ini), (TStringList{"[C]", "z=3", ""}));
}

TEST_F(BigIniWrite, LinesTheFileCannotHoldAreRefused) {
  TBigIniFile ini(MakeFile("a.ini", "[A]\r\nx=1\r\n"));
  EXPECT_THROW(ini.WriteString("A", "a=b", "c"), std::invalid_argument);
  EXPECT_THROW(ini.WriteString("A", "k", "line\r\nbreak"), std::invalid_argument);
  EXPECT_THROW(ini.WriteString("A", "k", "line\nbreak"), std::invalid_argument);
  EXPECT_THROW(ini.WriteString("A", "[Other", "]"), std::invalid_argument);
  EXPECT_THROW(ini.WriteString("New\r\n[X]", "k", "v"), std::invalid_argument);
  EXPECT_FALSE(ini.Changed());
  EXPECT_EQ(Content(ini), (TStringList{"[A]", "x=1", ""}));
  TStringList names;
  ini.ReadSections(names);
  EXPECT_EQ(names, (TStringList{"A"}));
  // Brackets inside a line are fine.
  ini.WriteString("A", "[k]", "v");
  EXPECT_EQ(ini.ReadString("A", "[k]", ""), "v");
}

// Found by the ini_store fuzz harness: a section name that ends in a lead byte
// makes its header's "]" that character's second byte, so the written file
// would lose the section and its lines.
TEST_F(BigIniWrite, SectionNamesWhoseHeaderWouldNotReadBackAreRefused) {
  const std::string path = MakeFile("a.ini", "[A]\r\nx=1\r\n");
  {
    TBigIniFile ini(path);
    EXPECT_THROW(ini.WriteString("\xF4", "\xF4", "\xD6"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("B\x81", "k", "v"), std::invalid_argument);
    EXPECT_FALSE(ini.Changed());
    // Whole double-byte characters, "]" as a second byte (ゾ) and brackets in
    // the name are fine.
    ini.WriteString("\x83\x5D", "k", "v");
    ini.WriteString("[x]", "k", "w");
  }
  TBigIniFile again(path);
  EXPECT_EQ(again.ReadString("\x83\x5D", "k", ""), "v");
  EXPECT_EQ(again.ReadString("[x]", "k", ""), "w");
  TStringList names;
  again.ReadSections(names);
  EXPECT_EQ(names, (TStringList{"A", "\x83\x5D", "[x]"}));
}

TEST_F(BigIniWrite, IntegersAndBooleansAreWrittenInDecimal) {
  TBigIniFile ini;
  ini.WriteInteger("N", "neg", -7);
  ini.WriteInteger("N", "min", INT32_MIN);
  ini.WriteBool("N", "yes", true);
  ini.WriteBool("N", "no", false);
  EXPECT_EQ(Content(ini),
            (TStringList{"[N]", "neg=-7", "min=-2147483648", "yes=1", "no=0", ""}));
  EXPECT_EQ(ini.ReadInteger("N", "min", 0), INT32_MIN);
}

TEST_F(BigIniWrite, EraseSectionRemovesItAndKeepsTheSearchPositionInRange) {
  TBigIniFile ini(MakeFile("a.ini", "[A]\r\na=1\r\n[B]\r\nb=1\r\n[C]\r\nc=1\r\n"));
  ini.EraseSection("Absent");
  EXPECT_FALSE(ini.Changed());

  EXPECT_EQ(ini.ReadString("C", "c", ""), "1");
  EXPECT_EQ(ini.CurrentSectionIndex(), 2);
  ini.EraseSection("a");
  EXPECT_TRUE(ini.Changed());
  EXPECT_EQ(ini.CurrentSectionIndex(), 0);  // 2 is beyond the two sections left
  EXPECT_EQ(ini.Sections().PrevIndex(), 0);
  EXPECT_EQ(ini.ReadString("C", "c", ""), "1");
  EXPECT_EQ(ini.ReadString("A", "a", "gone"), "gone");
  EXPECT_EQ(Content(ini), (TStringList{"[B]", "b=1", "", "[C]", "c=1", ""}));
}

TEST_F(BigIniWrite, DeleteKeyRemovesOnlyAnExistingKey) {
  std::string path = MakeFile("a.ini", "[A]\r\nx=1\r\ny=2\r\n");
  ULONGLONG dated = DateBack(path);
  {
    TBigIniFile ini(path);
    ini.DeleteKey("A", "z");
    EXPECT_FALSE(ini.Changed());
    // A missing section is created, empty, and never written.
    ini.DeleteKey("Missing", "x");
    EXPECT_FALSE(ini.Changed());
    TStringList names;
    ini.ReadSections(names);
    EXPECT_EQ(names, (TStringList{"A", "Missing"}));
    EXPECT_EQ(Content(ini), (TStringList{"[A]", "x=1", "y=2", ""}));
  }
  EXPECT_EQ(LastWriteTime(path), dated);
  {
    TBigIniFile ini(path);
    ini.DeleteKey("a", "X");
    EXPECT_TRUE(ini.Changed());
    ini.DeleteKey("Missing", "x");
  }
  EXPECT_EQ(testenv::ReadFile(path), "[A]\r\ny=2\r\n\r\n");
  // A section whose last line goes is no longer written.
  {
    TBigIniFile ini(path);
    ini.DeleteKey("A", "y");
    ini.WriteString("B", "b", "1");
  }
  EXPECT_EQ(testenv::ReadFile(path), "[B]\r\nb=1\r\n\r\n");
}

using BigIniSearch = IniTestFolder;

TEST_F(BigIniSearch, TheSectionSearchStartsWhereTheLastOneStopped) {
  TBigIniFile ini(MakeFile("a.ini", "[S0]\r\nk=0\r\n[S1]\r\nk=1\r\n[S2]\r\nk=2\r\n"
                                    "[S3]\r\nk=3\r\n[S4]\r\nk=4\r\n"));
  EXPECT_EQ(ini.CurrentSectionIndex(), 0);
  EXPECT_EQ(ini.ReadString("S2", "k", ""), "2");
  EXPECT_EQ(ini.CurrentSectionIndex(), 2);
  EXPECT_EQ(ini.ReadString("S3", "k", ""), "3");
  EXPECT_EQ(ini.CurrentSectionIndex(), 3);
  // Round the end and on from the start.
  EXPECT_EQ(ini.ReadString("S1", "k", ""), "1");
  EXPECT_EQ(ini.CurrentSectionIndex(), 1);
  // A missing section stops the search on the section before its start.
  EXPECT_EQ(ini.ReadString("None", "k", "d"), "d");
  EXPECT_EQ(ini.CurrentSectionIndex(), 0);
  EXPECT_EQ(ini.ReadString("None", "k", "d"), "d");
  EXPECT_EQ(ini.CurrentSectionIndex(), 4);  // from 0 the last one is before the start
  // With create the new section becomes current.
  TStringList* lines = nullptr;
  EXPECT_EQ(ini.FindKeyIndex("S5", "k", lines, true), -1);
  ASSERT_NE(lines, nullptr);
  EXPECT_TRUE(lines->empty());
  EXPECT_EQ(ini.CurrentSectionIndex(), 5);
  EXPECT_FALSE(ini.Changed());
  // Without create a missing section gives no lines.
  EXPECT_EQ(ini.FindKeyIndex("S9", "k", lines, false), -1);
  EXPECT_EQ(lines, nullptr);
  EXPECT_EQ(ini.FindKeyIndex("S4", "k", lines, false), 0);
  ASSERT_NE(lines, nullptr);
  EXPECT_EQ(*lines, (TStringList{"k=4"}));
}

TEST_F(BigIniSearch, TheSectionListRemembersItsLastFind) {
  TBigIniFile ini(MakeFile("a.ini", "[S0]\r\na=0\r\n[S1]\r\na=1\r\n[S2]\r\na=2\r\n"));
  TStringList keys;
  EXPECT_EQ(ini.Sections().PrevIndex(), 0);
  ini.ReadSection("S2", keys);
  EXPECT_EQ(ini.Sections().PrevIndex(), 2);
  ini.ReadSectionValues("s1", keys);
  EXPECT_EQ(ini.Sections().PrevIndex(), 1);
  ini.ReadSection("Absent", keys);
  EXPECT_EQ(ini.Sections().PrevIndex(), 1);
  EXPECT_EQ(keys, (TStringList{"a", "a=1"}));
  // The rotating key search has its own position.
  EXPECT_EQ(ini.CurrentSectionIndex(), 0);
}

TEST(SectionList, AddDeleteAndDuplicatesWithoutAStore) {
  kestra::TSectionList list;
  EXPECT_FALSE(list.EraseDuplicates({}));
  EXPECT_EQ(list.Add("One"), 0);
  EXPECT_EQ(list.Add("Two"), 1);
  EXPECT_EQ(list.Add("one"), 2);
  list.Lines(0).push_back("a=1");
  TStringList& second = list.Lines(1);
  list.Lines(2).push_back("a=2");
  EXPECT_EQ(list.IndexOf("TWO"), 1);
  EXPECT_TRUE(list.EraseDuplicates({}));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Name(0), "One");
  EXPECT_EQ(list.Lines(0), (TStringList{"a=1"}));
  // Line lists keep their address when other entries go.
  EXPECT_EQ(&list.Lines(1), &second);
  EXPECT_EQ(list.PrevIndex(), 0);
  list.Delete(0);
  EXPECT_EQ(list.IndexOf("one"), -1);
  EXPECT_EQ(list.IndexOf("two"), 0);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}
