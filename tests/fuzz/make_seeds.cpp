// Writes the seed corpora of the fuzz harnesses with the project's own
// writers: archives from the expander tests' ZIP writer, installed-file
// records from the file step's record builder, INI files and uninstall records
// from the INI store and the record writer, and names and paths as the DVD
// authoring tool writes them, in code page 932. (The setup_script seeds come
// from the authoring tool itself: make_script_seeds.py.)
//   make_seeds CORPUS_FOLDER
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "MemberName.h"
#include "ZipWriter.h"
#include "install/FileList.h"
#include "install/RecordFile.h"
#include "script/BigIni.h"
#include "script/IniFileMemory.h"
#include "system/ProductTable.h"

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

// The uninstall record an installation writes: application files, a
// shortcut in the Start-menu folder, a file in the shared folder and the
// created folders.
kestra::UninstallRecordLists InstalledRecordLists() {
  const std::string app = Sjis(u8"C:\\Program Files\\ケストラ\\");
  const std::string menu = Sjis(u8"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\");
  kestra::UninstallRecordLists lists;
  lists.files = {app + "KESTRA.EXE", app + Sjis(u8"MANUAL\\利用ガイド.PDF"),
                 menu + kestra::kProduct.program_folder + "\\" + kestra::kProduct.desktop_link + ".LNK",
                 "C:\\Program Files\\ZEL\\Common Files\\FOXIT\\FoxitReader_AX_Std.ocx",
                 app + "kestra.exe"};
  lists.folders = {app, app + "MANUAL", menu + kestra::kProduct.program_folder};
  return lists;
}

// KSINSTALL.INF as the record writer writes it through the INI store.
std::string InstallRecordText() {
  const std::string file = "C:\\UNINSTALL\\KSINSTALL.INF";
  kestra::memory_files::Remove(file);
  {
    kestra::TBigIniFile store(file);
    kestra::WriteRecordEntries(store, kestra::kProduct.key, InstalledRecordLists());
  }
  return kestra::memory_files::Get(file).value_or(std::string());
}

// INI files the store writes; the first byte of a seed is the harness's
// options (buffer size, duplicate handler, a failing disk).
void WriteIniStores(const fs::path& folder) {
  Write(folder, "install-record", std::string(1, '\0') + InstallRecordText());
  const std::string file = "C:\\MIXED.INI";
  {
    kestra::TBigIniFile store(file);
    store.WriteString("Setup", "Version", "2.1.0.1");
    store.WriteInteger("Setup", "Count", 31);
    store.WriteBool("Setup", "Network", true);
    store.WriteString(Sjis(u8"設定"), Sjis(u8"フォルダ"), Sjis(u8"C:\\ソフト\\表"));
    store.WriteString("Empty", "Gone", "x");
    store.DeleteKey("Empty", "Gone");
  }
  const std::string mixed = kestra::memory_files::Get(file).value_or(std::string());
  // Lines the store keeps but never writes itself: a comment, a line before the
  // first section, a repeated section, an end-of-file mark, LF and CR line ends.
  const std::string extra = "before=1\r\n" + mixed + ";note\r\n[SETUP]\r\nVersion=9\nHex=0x1F\r\x1A\r\n";
  Write(folder, "mixed-small-buffer", std::string(1, '\x05') + extra);
  Write(folder, "mixed-full-disk", std::string(1, '\x3A') + mixed);
}

// A record as the uninstaller reads it: KSINSTALL.INF, followed by this run's
// installed-file and folder records as the file step builds them.
void WriteUninstallRecords(const fs::path& folder) {
  Write(folder, "install-record", InstallRecordText());
  kestra::SetupScript script;
  script.groups = {{"KESTRA", "<INSTALLDIR>", {"KESTRA.EXE"}},
                   {"LIB_NTI31", "LIB\\_NTI31\\BIN\\", {"LIB\\NTISRCH.DLL"}},
                   {Sjis(u8"資料"), Sjis(u8"<INSTALLDIR>資料\\"), {Sjis(u8"表.PDF")}}};
  kestra::FileListInput input;
  input.install_dir = Sjis(u8"C:\\Program Files\\ケストラ");
  input.win_drive_root = "C:\\";
  std::string text = InstallRecordText();
  for (const std::string& record : kestra::BuildFileList(script, input).records)
    text += record + "\r\n";
  text += "7," + input.install_dir + Sjis(u8"\\資料\\") + "\r\n";
  Write(folder, "record-and-run", text);
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
  WriteIniStores(corpus / "ini_store");
  WriteUninstallRecords(corpus / "records");
  return 0;
}
