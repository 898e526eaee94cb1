// The exported entry points: argument checks and the failure value; the work
// is done by the archive cache and the member expander.
#include "EZip.h"

#include <atomic>
#include <string>

#include "ArchiveCache.h"
#include "MemberExpander.h"
#include "MemberName.h"

namespace {

constexpr double kFailed = -1.0;

std::atomic<EZipProgressProc> g_progress{nullptr};

bool EndsWithSeparator(const std::string& path) {
  bool ends = false;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const bool doubleByte = ezip::IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size();
    ends = !doubleByte && (path[i] == '\\' || path[i] == '/');
    if (doubleByte) ++i;
  }
  return ends;
}

double Expand(const char* archivePath, const char* baseFolder, const char* memberPath) {
  if (archivePath == nullptr || baseFolder == nullptr || memberPath == nullptr) return kFailed;
  const std::string archive = archivePath;
  std::string destination = baseFolder;
  // The member goes below the base folder; an empty base would put it below
  // whatever the current folder happens to be.
  if (archive.empty() || destination.empty() || !ezip::IsSafeMemberPath(memberPath)) return kFailed;
  if (!EndsWithSeparator(destination)) destination += '\\';
  destination += memberPath;

  const auto archiveFile = ezip::LoadedArchives().Get(archive);
  if (!archiveFile) return kFailed;
  const ezip::ZipEntry* entry = archiveFile->Directory().Find(memberPath);
  if (entry == nullptr) return kFailed;
  const auto written = ezip::ExpandMember(archiveFile->File(), archiveFile->Directory(), *entry,
                                          destination, g_progress.load());
  return written ? static_cast<double>(*written) : kFailed;
}

}  // namespace

extern "C" {

void WINAPI EZipSetProgressFunc(EZipProgressProc callback) { g_progress.store(callback); }

double WINAPI EZipExpandLibOnce(const char* archivePath, const char* baseFolder,
                                const char* memberPath, int /*reserved*/) {
  // Nothing may unwind into the caller: an allocation failure on a hostile
  // directory is just another failed expansion.
  try {
    return Expand(archivePath, baseFolder, memberPath);
  } catch (...) {
    return kFailed;
  }
}

}  // extern "C"
