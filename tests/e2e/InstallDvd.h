// The sample DVD in the CD-ROM drive for the install tests, and the places an
// installation writes to, emptied before and after each test.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// The image folders the build authors (tools/mkdvd, samples/).
std::string SampleDvdImage();       // sample-dvd: the product DVD
std::string ManyFilesDvdImage();    // sample-dvd-many: the guide in 60 groups of one file
// sample-dvd-more: the guide in 150 groups of one file, into folders ADD001 to
// ADD150 whose paths sort before the application's own files
std::string MoreFilesDvdImage();
std::string NewerSampleDvdImage();  // sample-dvd-newer: a later release (2.2.0.0) of the product
std::string SampleProductFile(const std::string& relative);  // a source file of the product

// Where the sample's groups land.
inline constexpr char kLibraryFolder[] = "C:\\ZEL\\LIB\\_NTI31\\BIN\\";
inline constexpr char kCommonFolder[] = "C:\\Program Files\\ZEL\\Common Files\\COM\\";
inline constexpr char kDvdDrive[] = "Q:\\";
// Where the settings page proposes to copy the search index (Vista and later),
// a folder on the network drive N:, and where the sync files land.
inline constexpr char kDefaultIndexFolder[] = "C:\\ZEL\\KESTRA\\DOCS\\";
inline constexpr char kNetworkIndexFolder[] = "N:\\KSINDEX\\";
// An index folder named by its UNC path on a share that no drive maps.
inline constexpr char kUncIndexFolder[] = "\\\\kestrasrv\\other\\KIDX\\";
// An index folder on the share that N: and P: map.
inline constexpr char kSetupShareIndexFolder[] = "\\\\kestrasrv\\dvd\\KIDX\\";
inline constexpr char kSyncFolder[] = "C:\\Program Files\\ZEL\\Common Files\\SyncFiles\\";

// Copies an image onto Q: or into another folder (what was on it before is
// removed; the drive's label files stay) and empties the places an installation writes to
// (application, libraries, common files, index folders, sync files).
// The same cleaning happens again when the object goes, and the machine's
// search path, which a successful run extends, gets its old value back.
class DvdInDrive {
 public:
  DvdInDrive(const std::string& image, std::string install_dir, std::string folder = "Q:");
  ~DvdInDrive();
  DvdInDrive(const DvdInDrive&) = delete;
  DvdInDrive& operator=(const DvdInDrive&) = delete;

  const std::string& InstallDir() const { return install_dir_; }
  // Another disc in the drive; what is installed stays.
  void Change(const std::string& image) const;

 private:
  void CleanInstallPlaces() const;
  std::string install_dir_;
  std::string folder_;  // where the image lies, without trailing backslash
  bool had_path_ = false;
  DWORD path_type_ = REG_NONE;
  std::vector<BYTE> path_;
};

// SETUP started from the DVD in Q: with these arguments and led through the
// wizard with what its pages propose (the licence accepted, the settings page
// confirmed in both steps, the start question answered Yes) to the end of the
// install run: the completion message answered, SETUP gone.
void InstallFromTheDvd(const std::string& arguments = "");

// The values of KSINSTALL.INF in the records folder whose key starts with
// prefix ("KESTRA" for files and shortcuts, "Dir_" for folders), in file order.
std::vector<std::string> RecordValues(const std::string& prefix);

// Files below a folder, relative to it, sorted ("A.TXT", "SUB\B.TXT").
std::vector<std::string> FilesBelow(const std::string& folder);

// Every file of the sample index lies in folder (with trailing backslash) as
// the product has it (the files stored compressed on the DVD expanded), with
// the engine's empty folders.
::testing::AssertionResult HoldsTheSampleIndex(const std::string& folder);

// Flips bytes in the middle of the stored data of one member of a ZIP archive
// (its name as stored, "/" between folders); false when there is no such member.
bool CorruptArchiveMember(const std::string& archive, const std::string& member);

}  // namespace e2e
