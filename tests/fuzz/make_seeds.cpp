// Writes the seed corpora of the fuzz harnesses with the project's own
// writers: archives from the expander tests' ZIP writer, installed-file
// records from the file step's record builder, and names and paths as the
// DVD authoring tool writes them, in code page 932.
//   make_seeds CORPUS_FOLDER
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "MemberName.h"
#include "ZipWriter.h"
#include "install/FileList.h"

namespace {

namespace fs = std::filesystem;

// Code page 932 bytes of UTF-8 source text.
std::string Sjis(const char8_t* utf8) {
  const std::optional<std::string> text =
      ezip::Utf8ToCp932(reinterpret_cast<const char*>(utf8));
  if (!text) throw std::runtime_error("no code page 932 form");
  return *text;
}

void Write(const fs::path& folder, const std::string& name, const std::string& bytes) {
  fs::create_directories(folder);
  std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + (folder / name).string());
}

void WriteArchives(const fs::path& folder) {
  using ziptest::Member;
  Member utf8Named(reinterpret_cast<const char*>(u8"ソフト/表.txt"), "utf-8 table", false);
  utf8Named.utf8Name = true;
  Write(folder, "product.zip",
        ziptest::BuildZip({{Sjis(u8"MANUAL/利用ガイド.PDF"), "%PDF-1.4 guide", true},
                           {"BIN/KESTRA.EXE", ziptest::CompressibleBytes(300, 1), true},
                           {Sjis(u8"ポスター/能力.txt"), "ability", false},
                           {"BIN/", "", false}}));
  Write(folder, "utf8-names.zip", ziptest::BuildZip({utf8Named, {"OK.TXT", "fine", true}}));
  ziptest::ArchiveOptions commented;
  commented.comment = "PK\x05\x06 inside a comment";
  Write(folder, "comment.zip", ziptest::BuildZip({{"SETUP.INI", "[Groups]", true}}, nullptr,
                                                 commented));
  ziptest::ArchiveOptions zip64;
  zip64.zip64End = true;
  Write(folder, "zip64-end.zip", ziptest::BuildZip({{"A.TXT", "a", false}}, nullptr, zip64));
  Write(folder, "empty.zip", ziptest::BuildZip({}));
}

void WriteNames(const fs::path& folder) {
  Write(folder, "sjis-path", Sjis(u8"ソフト\\表\\能力.txt"));
  Write(folder, "utf8-name", reinterpret_cast<const char*>(u8"MANUAL/利用ガイド.PDF"));
  Write(folder, "climbing", "DATA\\..\\..\\KESTRA.EXE");
  Write(folder, "device", "BIN/con .txt");
}

void WritePaths(const fs::path& folder) {
  // The text, then the delimiters.
  Write(folder, "drive-path", Sjis(u8"C:\\ソフト\\表") + "\n\\:");
  Write(folder, "unc-path", Sjis(u8"\\\\サーバ\\表\\ｋｅｓｔｒａ.exe") + "\n\\");
}

void WriteVersions(const fs::path& folder) {
  Write(folder, "newer", "2.1.0.1\n2.0.9");
  Write(folder, "odd-parts", "1.x.3.4.5\n-1..99999999999");
}

// The records the file step builds for an install into a Japanese folder.
void WriteRecords(const fs::path& folder) {
  kestra::SetupScript script;
  script.groups = {{"Program", "<INSTALLDIR>", {"BIN\\KESTRA.EXE", "BIN\\VIEW.DLL"}},
                   {"LIBRARY", "SEARCH\\", {"ZSEARCH.DLL"}},
                   {"COM\\PDF", "<INSTALLDIR>PDF\\", {"PDFCTL.OCX"}},
                   {Sjis(u8"資料"), Sjis(u8"<INSTALLDIR>資料\\"), {Sjis(u8"表.PDF")}}};
  kestra::FileListInput input;
  input.install_dir = Sjis(u8"C:\\Program Files\\ケストラ");
  input.win_drive_root = "C:\\";
  const kestra::FileListPlan plan = kestra::BuildFileList(script, input);
  // Lines 0-3 as the harness reads them: a count, a group name and folder, a
  // base folder; then the records.
  std::string text = "4\nCOM\\PDF\n<INSTALLDIR>PDF\\\n" + input.install_dir + "\\";
  for (const std::string& record : plan.records) text += "\n" + record;
  Write(folder, "install-records", text);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_seeds CORPUS_FOLDER\n";
    return 2;
  }
  const fs::path corpus = argv[1];
  WriteArchives(corpus / "zip_directory");
  WriteNames(corpus / "member_name");
  WritePaths(corpus / "mbcs");
  WriteVersions(corpus / "version");
  WriteRecords(corpus / "file_list");
  return 0;
}
