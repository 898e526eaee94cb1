// Writes one member of an archive to its destination, all or nothing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "EZip.h"
#include "FileBytes.h"
#include "ZipDirectory.h"

namespace ezip {

// Expands entry of the open archive into destination: the data goes to a
// temporary file in the destination's folder (created when missing), is
// checked against the member's size and CRC-32 and only then replaces the
// destination. A read-only destination is not replaced. On any failure
// (damaged or unsupported member, write error, locked or read-only destination,
// progress returning non-zero) the temporary file and the folders made for it
// are removed and the destination stays as it was. Returns the bytes written.
std::optional<std::uint32_t> ExpandMember(HANDLE archive, const ZipDirectory& directory,
                                          const ZipEntry& entry, const std::string& destination,
                                          EZipProgressProc progress);

}  // namespace ezip
