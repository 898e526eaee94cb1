// Version parsing and comparison on arbitrary pairs of lines.
#include <algorithm>

#include "Harness.h"
#include "install/FileList.h"
#include "system/Version.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> lines = fuzz::Lines(fuzz::Text(data, size));
  const std::string& dvd = lines[0];
  const std::string& installed = fuzz::LineOr(lines, 1);

  const kestra::VersionParts parts = kestra::ParseVersion(dvd);
  // Only the first four dot-separated parts count.
  if (std::count(dvd.begin(), dvd.end(), '.') >= 3)
    fuzz::Require(kestra::ParseVersion(dvd + ".7") == parts, "a fifth part changes nothing");
  const bool newer = kestra::DvdVersionIsNewer(dvd, installed);
  fuzz::Require(!(newer && kestra::DvdVersionIsNewer(installed, dvd)), "comparison is strict");
  fuzz::Require(!kestra::DvdVersionIsNewer(dvd, dvd), "no version is newer than itself");
  return 0;
}
