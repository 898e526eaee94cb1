// FullPath and FullLongPath (system/FileSys.h) for the native build of the parsing code,
// which has no file system to ask: GetFullPathNameA's answer worked out as
// Wine 8 works it out (RtlGetFullPathName_U in dlls/ntdll/path.c), and no
// long-name expansion, since no part of any path exists. Reproduced: "/" read
// as "\", repeated backslashes, "." and ".." parts (never above the drive root,
// the share of a network path or the "\\.\" prefix), one trailing dot of each
// folder name and the trailing dots and blanks of the path dropped, device
// names (CON, NUL, COM1, ...) in any folder answered as "\\.\" + the device.
// A relative path is taken as relative to the current folder "C:\". The path
// is converted as the ANSI call converts it (broken double-byte characters
// become "・"); a path of blanks only is answered unchanged. Never part of the
// Windows programs.
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "system/CodePage.h"
#include "system/FileSys.h"
#include "system/Mbcs.h"

namespace kestra {

namespace {

using WString = std::u16string;

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool SameIgnoringAsciiCase(const char16_t* a, const char16_t* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

enum class PathType { Relative, DriveAbsolute, DriveRelative, Rooted, UncAbsolute, LocalDevice,
                      RootLocalDevice };

// RtlDetermineDosPathNameType_U; `path` is terminated.
PathType TypeOf(const char16_t* path) {
  if (IsSeparator(path[0])) {
    if (!IsSeparator(path[1])) return PathType::Rooted;
    if (path[2] != u'.' && path[2] != u'?') return PathType::UncAbsolute;
    if (IsSeparator(path[3])) return PathType::LocalDevice;
    if (path[3]) return PathType::UncAbsolute;
    return PathType::RootLocalDevice;
  }
  if (!path[0] || path[1] != u':') return PathType::Relative;
  if (IsSeparator(path[2])) return PathType::DriveAbsolute;
  return PathType::DriveRelative;
}

// RtlIsDosDeviceName_U: the device name's position and length, or none.
bool DosDeviceName(const WString& name, std::size_t& offset, std::size_t& length) {
  const char16_t* dos = name.c_str();
  const char16_t* start = dos;
  switch (TypeOf(dos)) {
    case PathType::UncAbsolute:
      return false;
    case PathType::LocalDevice:
      if (name.size() == 7 && SameIgnoringAsciiCase(dos, u"\\\\.\\CON", 7)) {
        offset = 4;
        length = 3;
        return true;
      }
      return false;
    case PathType::DriveAbsolute:
    case PathType::DriveRelative:
      start = dos + 2;
      break;
    default:
      break;
  }
  for (const char16_t* p = start; *p; ++p)
    if (IsSeparator(*p)) start = p + 1;
  const char16_t* end = start;
  while (*end && *end != u'.' && *end != u':') ++end;
  --end;
  while (end >= start && *end == u' ') --end;
  const std::ptrdiff_t n = end - start + 1;
  auto is = [&](const char16_t* device, std::size_t count) {
    return SameIgnoringAsciiCase(start, device, count);
  };
  bool found = false;
  switch (n) {
    case 3:
      found = is(u"AUX", 3) || is(u"CON", 3) || is(u"NUL", 3) || is(u"PRN", 3);
      break;
    case 4:
      found = (is(u"COM", 3) || is(u"LPT", 3)) && *end > u'0' && *end <= u'9';
      break;
    case 6:
      found = is(u"CONIN$", 6);
      break;
    case 7:
      found = is(u"CONOUT$", 7);
      break;
    default:
      break;
  }
  if (!found) return false;
  offset = static_cast<std::size_t>(start - dos);
  length = static_cast<std::size_t>(n);
  return true;
}

// collapse_path on a terminated buffer.
void CollapsePath(std::vector<char16_t>& buffer, std::size_t mark) {
  char16_t* path = buffer.data();
  auto length = [](const char16_t* s) {
    std::size_t n = 0;
    while (s[n]) ++n;
    return n;
  };
  for (char16_t* p = path; *p; ++p)
    if (*p == u'/') *p = u'\\';

  char16_t* next = path + std::max<std::size_t>(1, mark);
  for (char16_t* p = next; *p; ++p)
    if (*p != u'\\' || next[-1] != u'\\') *next++ = *p;
  *next = 0;

  char16_t* p = path + mark;
  while (*p) {
    if (*p == u'.') {
      bool handled = true;
      switch (p[1]) {
        case u'\\':  // .\ part
          next = p + 2;
          std::memmove(p, next, (length(next) + 1) * sizeof(char16_t));
          break;
        case 0:  // a final .
          if (p > path + mark) --p;
          *p = 0;
          break;
        case u'.':
          if (p[2] == u'\\') {  // ..\ part
            next = p + 3;
            if (p > path + mark) {
              --p;
              while (p > path + mark && p[-1] != u'\\') --p;
            }
            std::memmove(p, next, (length(next) + 1) * sizeof(char16_t));
          } else if (!p[2]) {  // a final ..
            if (p > path + mark) {
              --p;
              while (p > path + mark && p[-1] != u'\\') --p;
              if (p > path + mark) --p;
            }
            *p = 0;
          } else {
            handled = false;
          }
          break;
        default:
          handled = false;
          break;
      }
      if (handled) continue;
    }
    while (*p && *p != u'\\') ++p;
    if (*p == u'\\') {
      // One trailing dot of the folder name goes.
      if (p > path + mark && p[-1] == u'.')
        std::memmove(p - 1, p, (length(p) + 1) * sizeof(char16_t));
      else
        ++p;
    }
  }
  while (p > path + mark && (p[-1] == u' ' || p[-1] == u'.')) --p;
  *p = 0;
}

// The index after "\\server\share\" (skip_unc_prefix).
std::size_t UncPrefixEnd(const WString& path) {
  std::size_t at = 2;
  while (at < path.size() && !IsSeparator(path[at])) ++at;
  while (at < path.size() && IsSeparator(path[at])) ++at;
  while (at < path.size() && !IsSeparator(path[at])) ++at;
  while (at < path.size() && IsSeparator(path[at])) ++at;
  return at;
}

// GetFullPathNameW; nothing where it fails.
std::optional<WString> FullPathName(const WString& name) {
  if (name.empty()) return std::nullopt;
  std::size_t offset = 0, device_length = 0;
  if (DosDeviceName(name, offset, device_length))
    return u"\\\\.\\" + name.substr(offset, device_length);
  if (std::all_of(name.begin(), name.end(), [](char16_t c) { return c == u' '; }))
    return std::nullopt;

  const WString current = u"C:\\";
  WString joined;
  std::size_t mark = 0;
  switch (TypeOf(name.c_str())) {
    case PathType::UncAbsolute:
      joined = name;
      mark = UncPrefixEnd(name);
      break;
    case PathType::LocalDevice:
      joined = name;
      mark = 4;
      break;
    case PathType::DriveAbsolute:
      joined = name;
      mark = 3;
      break;
    case PathType::DriveRelative:
      // Another drive's current folder is its root; this drive's is "C:\".
      joined = (AsciiLower(name[0]) == AsciiLower(current[0]) ? current
                                                                : WString{name[0], u':', u'\\'}) +
               name.substr(2);
      mark = 3;
      break;
    case PathType::Relative:
      joined = current + name;
      mark = 3;
      break;
    case PathType::Rooted:
      joined = current.substr(0, 2) + name;
      mark = 3;
      break;
    case PathType::RootLocalDevice:
      joined = u"\\\\.\\" + name.substr(3);
      mark = 4;
      break;
  }
  std::vector<char16_t> buffer(joined.begin(), joined.end());
  buffer.push_back(0);
  CollapsePath(buffer, std::min(mark, joined.size()));
  return WString(buffer.data());
}

}  // namespace

std::string FullPath(const std::string& path) {
  if (path.empty()) return path;
  const std::optional<WString> full = FullPathName(Cp932ToUtf16AsWindowsReads(path));
  if (!full) return path;
  const std::optional<std::string> narrow = Utf16ToCp932(*full);
  return narrow ? *narrow : path;
}

// No part of any path exists here: nothing to expand.
std::string FullLongPath(const std::string& path) { return FullPath(path); }

}  // namespace kestra
