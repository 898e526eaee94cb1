// The decisions of the index step and the sync step, as plain functions of
// what the machine and the DVD say: whether the search index is copied to
// disk, used from the DVD, or the user is asked first; and whether the DVD's
// sync files are newer than the installed ones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestra {

// Files and places of the index step.
inline constexpr char kDvdIndexFolder[] = "DOCS";
inline constexpr char kIndexScript[] = "COLLCOPY.INF";
inline constexpr char kIndexScriptSection[] = "COLLECTION";

// An index version ("CollectionVersion" in the registry, [CollectionVersion]
// "Version" in the marker file): a decimal integer, blanks around it allowed.
// Nothing for an empty text and for anything that is not such a number.
std::optional<int64_t> ParseIndexVersion(const std::string& text);

// The first three characters (the drive root) of both paths are equal without
// regard to case.
bool SameDriveRoot(const std::string& a, const std::string& b);

struct IndexFacts {
  int32_t install_index = 0;       // 1: the user asked for a copy on disk
  std::string target;              // T as the drive mapping shows it
  std::string dvd_index;           // D as the drive mapping shows it
  double target_free_bytes = 0;    // on T's drive root; 0 when it is not ready
  std::string installed_version;   // V, "" when none is recorded
  std::string dvd_version;         // W of D's marker file
  bool target_remote = false;      // T's drive is a network drive
  bool target_holds_index = false; // T holds the marker file already
  // D is the disc or a lasting image of it. A deployment system's cached copy
  // on the local disk is neither: it goes once the run has ended, so an index
  // on its drive is copied rather than used from the copy.
  bool dvd_lasts = true;
};

enum class IndexDecision {
  NotRequested,    // the user keeps the index on the DVD: nothing to do
  SameDriveAsDvd,  // the target is on the DVD's drive: IndexDir = D, no copy
  Copy,            // copy the index into T
  AskOverNetwork,  // a network index is upgraded: Yes copies, No is UseDvd
  UseDvd,          // no copy: InstallIndex 0, IndexDir = the DVD fallback F
  KeepTarget,      // no copy for lack of space: InstallIndex 0, IndexDir stays T
};

// The index step's decision. A version that is no number counts as not
// recorded (or not marked), so that no comparison is made and no question
// asked: a damaged marker must not stop an installation. When there is no
// room for a copy and no versions decide, T is kept only when it already holds
// an index; otherwise the DVD's index is used, so that the recorded index
// folder never names a folder without an index.
IndexDecision DecideIndexCopy(const IndexFacts& facts);

// The DVD's SyncFile.inf is newer than the installed one: their DOS
// date-times (two-second resolution, local time) compared, −1 standing for a
// missing file (older than any existing one; two missing files are equal).
inline bool SyncFilesNewer(int64_t dvd_age, int64_t installed_age) {
  return dvd_age > installed_age;
}

}  // namespace kestra
