// The answer file: the encodings Notepad saves in, the keys of [Setup] and the
// faults that make a file unusable, and the file -SAVEINF writes.
#include <gtest/gtest.h>

#include "deploy/AnswerFile.h"

namespace {

using kestra::AnswerValues;
using kestra::DecodeAnswerText;
using kestra::FormatAnswerFile;
using kestra::ParseAnswerFile;

// "C:\ソフト\表" in UTF-8 (ソ and 表 end in the byte 0x5C in Shift-JIS).
const std::string kUtf8Folder = "C:\\\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88\\\xE8\xA1\xA8\\";
const std::string kSjisFolder = "C:\\ソフト\\表\\";  // the same, as the program's literals are

std::string Utf16Le(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

TEST(AnswerFile, EveryNotepadEncodingGivesTheSameText) {
  const std::string utf8 = "[Setup]\r\nAppDir=" + kUtf8Folder + "\r\n";
  const std::string expected = "[Setup]\r\nAppDir=" + kSjisFolder + "\r\n";
  EXPECT_EQ(DecodeAnswerText("\xEF\xBB\xBF" + utf8), expected);  // UTF-8 with its mark
  EXPECT_EQ(DecodeAnswerText(utf8), expected);                    // UTF-8 without
  EXPECT_EQ(DecodeAnswerText(expected), expected);                // Shift-JIS
  EXPECT_EQ(DecodeAnswerText(Utf16Le(u"[Setup]\r\nAppDir=C:\\\u30BD\u30D5\u30C8\\\u8868\\\r\n")),
            expected);
  EXPECT_EQ(DecodeAnswerText("[Setup]\r\nAppDir=C:\\\r\n"), "[Setup]\r\nAppDir=C:\\\r\n");
  // Neither UTF-8 nor Shift-JIS: a lead byte at the end, a byte no code page has.
  EXPECT_FALSE(DecodeAnswerText("[Setup]\r\nAppDir=C:\\\x83"));
  EXPECT_FALSE(DecodeAnswerText(std::string("\xEF\xBB\xBF[Setup]\xFF", 12)));
  // A character Shift-JIS cannot write (U+00E9 é is written by look-alike on
  // Windows only; refused here rather than changed).
  EXPECT_FALSE(DecodeAnswerText("\xEF\xBB\xBF[Setup]\r\nAppDir=C:\\\xF0\x9F\x98\x80\r\n"));
}

TEST(AnswerFile, KeysOfTheSetupSection) {
  std::string text = "; written by hand\r\n[Other]\r\nAppDir=D:\\Ignored\r\n[ setup ]\r\n"
                     "  appdir = D:\\Apps  \r\nInstallIndex=0\r\nINDEXDIR=\"\\\\srv\\kestra\\KIDX\\\"\r\n"
                     "DVDPath1=\\\\srv\\kestra\\DVD1\\\r\nDvdPath23=R:\\\r\nIndexOverwrite=0\r\n"
                     "DVDPath2=\r\n";
  const kestra::AnswerFileContent content = ParseAnswerFile(text);
  ASSERT_EQ(content.fault, "");
  const kestra::PresetChoices& choices = content.values.choices;
  EXPECT_EQ(choices.app_dir, "D:\\Apps");
  EXPECT_EQ(choices.install_index, false);
  EXPECT_EQ(choices.index_dir, "\\\\srv\\kestra\\KIDX\\");
  EXPECT_EQ(choices.dvd_paths[0], "\\\\srv\\kestra\\DVD1\\");
  EXPECT_EQ(choices.dvd_paths[22], "R:\\");
  EXPECT_FALSE(choices.dvd_paths[1]) << "an empty value leaves the proposal";
  EXPECT_FALSE(choices.dvd_paths[2]);
  EXPECT_EQ(content.values.index_overwrite, false);
  // Every key is optional.
  const kestra::AnswerFileContent empty = ParseAnswerFile("[Setup]\r\n");
  EXPECT_EQ(empty.fault, "");
  EXPECT_FALSE(empty.values.choices.app_dir);
  EXPECT_FALSE(empty.values.index_overwrite);
}

TEST(AnswerFile, FaultsNameWhatCannotBeTaken) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"", "応答ファイルに [Setup] セクションがありません。"},
      {"[Other]\r\nAppDir=C:\\\r\n", "応答ファイルに [Setup] セクションがありません。"},
      {"[Setup]\r\nAppDirr=C:\\\r\n", "AppDirr: 不明なキーです。"},
      {"[Setup]\r\nDVDPath24=C:\\\r\n", "DVDPath24: 不明なキーです。"},
      {"[Setup]\r\nDVDPath0=C:\\\r\n", "DVDPath0: 不明なキーです。"},
      {"[Setup]\r\nDVDPath01=C:\\\r\n", "DVDPath01: 不明なキーです。"},
      {"[Setup]\r\nInstallIndex=yes\r\n", "InstallIndex=yes: 1 または 0 を指定してください。"},
      {"[Setup]\r\nIndexOverwrite=2\r\n", "IndexOverwrite=2: 1 または 0 を指定してください。"},
      {"[Setup]\r\nAppDir C:\\\r\n", "AppDir C:\\: キー=値 の形ではありません。"},
      {"[Setup\r\nAppDir=C:\\\r\n", "[Setup: セクション名が閉じられていません。"},
      {std::string("\x01\x02\xFD\xFE\x80", 5), "応答ファイルは UTF-8 でも Shift-JIS でもありません。"},
  };
  for (const auto& [text, fault] : rows) EXPECT_EQ(ParseAnswerFile(text).fault, fault) << text;
}

TEST(AnswerFile, WrittenAsUtf8WithItsMarkAndReadBackTheSame) {
  AnswerValues values;
  values.choices.app_dir = kSjisFolder + "KESTRA\\";
  values.choices.install_index = true;
  values.choices.index_dir = "\\\\srv\\kestra\\KIDX\\";
  for (std::size_t i = 0; i < values.choices.dvd_paths.size(); ++i)
    values.choices.dvd_paths[i] = "\\\\srv\\kestra\\DVD" + std::to_string(i + 1) + "\\";
  values.index_overwrite = false;
  const std::string bytes = FormatAnswerFile(values);
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  const std::string head = "[Setup]\r\nAppDir=" + kUtf8Folder + "KESTRA\\\r\nInstallIndex=1\r\n";
  EXPECT_EQ(bytes.substr(3, head.size()), head);
  EXPECT_NE(bytes.find("\r\nDVDPath23=\\\\srv\\kestra\\DVD23\\\r\nIndexOverwrite=0\r\n"),
            std::string::npos);
  const kestra::AnswerFileContent back = ParseAnswerFile(bytes);
  ASSERT_EQ(back.fault, "");
  EXPECT_EQ(back.values.choices.app_dir, values.choices.app_dir);
  EXPECT_EQ(back.values.choices.install_index, values.choices.install_index);
  EXPECT_EQ(back.values.choices.index_dir, values.choices.index_dir);
  EXPECT_EQ(back.values.choices.dvd_paths, values.choices.dvd_paths);
  EXPECT_EQ(back.values.index_overwrite, values.index_overwrite);
}

}  // namespace
