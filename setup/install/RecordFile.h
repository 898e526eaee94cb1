// The uninstall record "KSINSTALL.INF" as data: what earlier installations
// recorded, merged with what this run installed, and the keys it is written
// under. The install engine writes it; the uninstaller reads it line by line.
//
//   [KESTRA]
//   KESTRA001=C:\Program Files\KESTRA\KESTRA.EXE      files and shortcuts
//   ...
//   Dir_KESTRA001=C:\Program Files\KESTRA\            folders a run created
//
// Both groups are sorted without regard to case and numbered from 001 without
// gaps; a path appears once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestra {

class TBigIniFile;

// Below the system drive root (the literal folder names, not the localised
// program-files folder). Nothing below the shared folder is ever deleted by the
// uninstaller: other products of the family use it too.
inline constexpr char kSharedSubfolder[] = "Program Files\\ZEL\\Common Files\\";
inline constexpr char kRecordsSubfolder[] = "Program Files\\ZEL\\Common Files\\UNINSTALL\\";

// Files of the records folder.
inline constexpr char kInstallRecordName[] = "KSINSTALL.INF";
inline constexpr char kIndexRecordName[] = "KSDOCS.INF";
inline constexpr char kUninstallLogName[] = "KSUNINST.LOG";
inline constexpr char kUninstallerName[] = "KSUINST.EXE";
// The program that becomes the uninstaller, in the setup folder.
inline constexpr char kSetupProgramName[] = "SETUP.EXE";

// Records folder of a system drive root ("C:\" → "C:\Program Files\ZEL\Common Files\UNINSTALL\").
std::string RecordsFolder(const std::string& win_drive_root);

// Folder keys carry this in their name; every other key is a file key.
inline constexpr char kFolderKeyMark[] = "Dir_";

// The entries of an uninstall record.
struct UninstallRecordLists {
  std::vector<std::string> files;    // installed files and shortcuts
  std::vector<std::string> folders;  // folders installations created
};

// The key of entry n (from 1): prefix + n zero-padded to at least three digits
// ("KESTRA001", "KESTRA1000"); folder keys "Dir_" + prefix + the same.
std::string FileEntryKey(const std::string& prefix, int32_t n);
std::string FolderEntryKey(const std::string& prefix, int32_t n);

// The entries of an earlier record: every key=value line of the section, the
// value going to the folders when the key contains "Dir_" and to the files
// otherwise. Lines without "=" and empty values carry no path and are left out.
UninstallRecordLists ReadRecordEntries(const std::vector<std::string>& section_lines);

// The path of an installed-file or created-folder record "tag,path" (the whole
// line when it has no comma).
std::string RecordPathOf(const std::string& record);
// The record's tag is the product row written as a decimal number ("7").
bool IsApplicationRecord(const std::string& record, int32_t product_index);

// Adds this run's records: the paths of the application records of file_list
// (library and common records are shared by the product family and stay out of
// the record) and the paths of every folder record; empty lines are skipped.
void AddRunRecords(UninstallRecordLists& lists, const std::vector<std::string>& file_list,
                   const std::vector<std::string>& dir_list, int32_t product_index);

// Orders paths without regard to case, as the platform compares text in the
// user's locale; paths that differ only in case keep a fixed order among
// themselves, so that exact duplicates always end up side by side.
void SortWithoutCase(std::vector<std::string>& paths);
// The paths sorted without regard to case, each exact (case-sensitive) duplicate
// dropped.
std::vector<std::string> DistinctSorted(std::vector<std::string> paths);

// Writes the record into section `prefix` of the store: the distinct files
// under the file keys, then the distinct folders (each ending in a backslash,
// except a damaged one that ends in a lead byte without its second byte, which
// stays as it is) under the folder keys. Whatever the section held before is
// replaced, and writing a record's own entries again gives the same record.
void WriteRecordEntries(TBigIniFile& store, const std::string& prefix,
                        const UninstallRecordLists& lists);

// The entries of the record in records_folder (none when there is no record
// or it cannot be read).
UninstallRecordLists ReadUninstallRecord(const std::string& records_folder);

// The whole record step of an installation: the entries of an earlier record in
// records_folder are read, this run's records added, the folder created, the
// uninstaller (setup_dir + "SETUP.EXE") copied to "KSUINST.EXE" beside the
// record, and the merged record written in place of the earlier one. Each file
// replaces its earlier one only once it is complete. Failures are not reported:
// an uninstaller that could not be copied leaves the earlier one (or none), a
// record that could not be written (a full disk) the earlier one, byte for byte.
void WriteUninstallRecord(const std::string& records_folder, const std::string& setup_dir,
                          const std::vector<std::string>& file_list,
                          const std::vector<std::string>& dir_list, int32_t product_index);

}  // namespace kestra
