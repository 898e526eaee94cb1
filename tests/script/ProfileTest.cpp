// TextProfile, the native build's reading of INI text, against the platform's
// GetPrivateProfileStringA on the same bytes: the same answer and the same
// buffer bytes for every text, name and buffer size here. (Not compared: a
// character of a UTF-8 or UTF-16 file that code page 932 lacks, which Windows
// writes as a look-alike where it has one and TextProfile as "?".) And the
// readers' whole values where the platform cuts a quoted value.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "IniTestFolder.h"
#include "script/Profile.h"
#include "script/ScriptSection.h"

using kestra::TextProfile;
using kestra::WindowsProfile;

namespace {

// The bytes of a literal, NUL characters included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

struct Query {
  const char* section;
  const char* key;
  const char* fallback;
};

const std::vector<std::string> kTexts = {
    "[S]\r\nk=v\r\n",
    " [ S ] tail\r\n  k =  v w  \r\nK=second\r\n[s]\r\nother=1\r\n",
    "k=before\r\n[]\r\nk=empty name\r\n[x\r\nbare\r\n=e1\r\n=e2\r\n",
    "[S]\r\nq=\"abc\"\r\nk='x'\r\nhalf=\"abc\r\nlone=\"\r\nv=''\r\nw=\"a'\r\n",
    "[S]\r\nk=a\x81\nnext=1\r\nv=\x81\x20z\r\nw=\x83\x5C\r\nx=\x83\x5D]\r\n[\x83\x5D]\r\nk=zo\r\n",
    "[S]\rk=cr only\r\r\nv=\t\x0B\x0C tabs \t\r\nw=\x1A\x1A" "eof\x1A\r\n\x1A[T]\x1A\r\nk=t\r\n",
    Bytes("[S]\r\nk=a\0" "b\r\nn\0" "m=1\r\n[T\0" "U]\r\nk=t\r\n"),
    "[S]\r\nk=\x81\x40wide\x81\x40\r\n\x81\x40v=1\r\n",
    "[S]\r\nk=\x80\xA0\xA1\xDF\xFD\xFE\xFF\r\n",
    "[S]\r\n\x82\x60=full\r\n\x83\xBF=greek\r\n",
    "[S]\r\nlong=" + std::string(300, 'a') + "\r\nwide=" + std::string(40, 'b') +
        [] {
          std::string s;
          for (int i = 0; i < 150; ++i) s += "\x83\x5C";
          return s;
        }() +
        "\r\nq=\"" + std::string(254, 'c') + "\"\r\nr=\"" + std::string(255, 'd') + "\"\r\n",
    "\xEF\xBB\xBF[S]\r\nk=\xE3\x82\xBD\xE6\x97\xA5\r\nu=\xC3\xA9\r\n",
    Bytes("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\xBD\x30\r\0\n\0"),
    // A copy script: a key written twice, the section opened again further down.
    "[COLLECTION]\r\nMakeDir01=$setup\\A\r\nCopyFile01=A.IDX,$setup\\A.IDX\r\n"
    "copyfile01 = B.IDX,$setup\\B.IDX\r\n[collection]\r\nCopyFile02=C.IDX,$setup\\C.IDX\r\n",
};

const std::vector<Query> kQueries = {
    {"S", "k", ""},         {"s", " K ", "dflt"}, {" S ", "other", "d  "}, {"s", "other", "   "},
    {"", "k", ""},          {" ", "bare", "b"},   {"", "", ""},            {"x", "k", ""},
    {"S", "q", ""},         {"S", "half", ""},    {"S", "lone", ""},       {"S", "v", ""},
    {"S", "w", ""},         {"S", "x", ""},       {"S", "next", "-"},      {"\x83\x5D", "k", ""},
    {"T", "k", ""},         {"S", "n", ""},       {"T", "k", "\"q\""},     {"S", "\x81\x40v", ""},
    {"S", "v", ""},         {"S", "\x82\x81", "-"}, {"S", "\x83\xDF", "-"}, {"S", "long", ""},
    {"S", "wide", ""},      {"S", "r", ""},       {"[x", "k", ""},
    {"COLLECTION", "MakeDir01", ""}, {"collection", "CopyFile01", ""},
    {"COLLECTION", "CopyFile02", ""},
};

const std::vector<std::uint32_t> kSizes = {2, 3, 4, 5, 8, 16, 255, 256, 257, 300, 512};

using ProfileVsWindows = IniTestFolder;

TEST_F(ProfileVsWindows, SameAnswersAndBufferBytes) {
  int file = 0;
  for (const std::string& text : kTexts) {
    std::string name = std::to_string(file++);
    name.append(".ini");
    const std::string path = MakeFile(name, text);
    const WindowsProfile windows(path);
    const TextProfile memory(text);
    // What the scripts are read through: the file read once.
    const std::unique_ptr<kestra::ProfileReader> once = kestra::ProfileReadOnce(path);
    for (const Query& query : kQueries) {
      for (std::uint32_t size : kSizes) {
        std::vector<char> expected(size, '\x5A'), actual(size, '\x5A'), read_once(size, '\x5A');
        const std::uint32_t want =
            windows.GetString(query.section, query.key, query.fallback, expected.data(), size);
        const std::uint32_t got =
            memory.GetString(query.section, query.key, query.fallback, actual.data(), size);
        SCOPED_TRACE("file " + std::to_string(file - 1) + " [" + query.section + "] " +
                     query.key + " size " + std::to_string(size));
        EXPECT_EQ(got, want);
        EXPECT_EQ(std::string(actual.begin(), actual.end()),
                  std::string(expected.begin(), expected.end()));
        EXPECT_EQ(once->GetString(query.section, query.key, query.fallback, read_once.data(), size),
                  want);
        EXPECT_EQ(read_once, expected);
      }
    }
  }
}

TEST_F(ProfileVsWindows, AMissingFileAnswersTheDefault) {
  const WindowsProfile windows(PathOf("missing.ini"));
  const TextProfile memory;
  char a[16], b[16], c[16];
  EXPECT_EQ(windows.GetString("S", "k", "def  ", a, sizeof a), 3u);
  EXPECT_EQ(memory.GetString("S", "k", "def  ", b, sizeof b), 3u);
  EXPECT_STREQ(a, b);
  const auto once = kestra::ProfileReadOnce(PathOf("missing.ini"));
  EXPECT_EQ(once->GetString("S", "k", "def  ", c, sizeof c), 3u);
  EXPECT_STREQ(c, a);
}

// The platform cuts a quoted value that fills the buffer by one character
// more; the readers read such a value again, whole.
TEST_F(ProfileVsWindows, QuotedValuesThatFillTheBufferAreReadWhole) {
  const std::string fits(255, 'a');
  const std::string path = MakeFile("q.ini", "[C]\r\nq=\"" + fits + "\"\r\nr=\"" +
                                                 std::string(510, 'b') + "c\"\r\n");
  const WindowsProfile windows(path);
  char buffer[256];
  EXPECT_EQ(windows.GetString("C", "q", "", buffer, sizeof buffer), 254u);
  EXPECT_EQ(kestra::ReadScriptValue(windows, "C", "q"), fits);
  EXPECT_EQ(kestra::ReadProfileString(windows, "C", "r"), std::string(510, 'b') + "c");
}

}  // namespace
