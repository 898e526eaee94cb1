#include "MemberName.h"

#include <array>

#include "system/CodePage.h"

namespace ezip {

namespace {

// Walks text by character: f(offset, length) with length 1 or 2. A lead byte
// at the very end counts as a character of its own.
template <typename F>
void ForEachChar(std::string_view s, F f) {
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t len = (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
    f(i, len);
    i += len;
  }
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The upper-case trail byte of a double-byte letter of code page 932, or the
// trail byte itself. Only rows whose upper and lower case share the lead byte:
// full-width Latin (0x82), Greek (0x83) and Cyrillic (0x84).
unsigned char UpperTrail(unsigned char lead, unsigned char trail) {
  if (lead == 0x82 && trail >= 0x81 && trail <= 0x9A) return trail - 0x21;  // ａ-ｚ
  if (lead == 0x83 && trail >= 0xBF && trail <= 0xD6) return trail - 0x20;  // α-ω
  if (lead == 0x84 && trail >= 0x70 && trail <= 0x7E) return trail - 0x30;  // а-н
  if (lead == 0x84 && trail >= 0x80 && trail <= 0x91) return trail - 0x31;  // о-я
  return trail;
}

bool IsForbiddenFileNameChar(unsigned char c) {
  return c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*' ||
         c == ':';
}

std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = UpperAscii(c);
  return out;
}

// A device Windows opens instead of a file of that name, in any folder and
// with any extension ("CON.txt" is the console too on older Windows).
bool IsDeviceName(std::string_view component) {
  std::string_view stem = component.substr(0, component.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  const std::string upper = AsciiUpper(stem);
  static constexpr std::array<std::string_view, 7> kPlain = {
      "CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (std::string_view device : kPlain)
    if (upper == device) return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         upper[3] >= '0' && upper[3] <= '9';
}

bool IsDotsAndSpacesOnly(std::string_view component) {
  return component.find_first_not_of(". ") == std::string_view::npos;
}

bool IsSafeComponent(std::string_view component) {
  return !component.empty() && !IsDotsAndSpacesOnly(component) && !IsDeviceName(component);
}

}  // namespace

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

std::string FoldName(std::string_view name) {
  std::string key;
  key.reserve(name.size());
  ForEachChar(name, [&](std::size_t at, std::size_t len) {
    if (len == 2) {
      const auto lead = static_cast<unsigned char>(name[at]);
      key += name[at];
      key += static_cast<char>(UpperTrail(lead, static_cast<unsigned char>(name[at + 1])));
    } else {
      key += name[at] == '/' ? '\\' : UpperAscii(name[at]);
    }
  });
  return key;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  const std::optional<std::u16string> wide = kestra::Utf8ToUtf16(utf8);
  if (!wide) return std::nullopt;
  return kestra::Utf16ToCp932(*wide);
}

bool IsSafeMemberPath(std::string_view path) {
  if (path.empty()) return false;
  bool safe = true;
  std::size_t componentStart = 0;
  ForEachChar(path, [&](std::size_t at, std::size_t len) {
    if (!safe) return;
    if (len == 2) {
      safe = IsTrailByte(static_cast<unsigned char>(path[at + 1]));
      return;
    }
    const auto c = static_cast<unsigned char>(path[at]);
    if (IsLeadByte(c) || IsForbiddenFileNameChar(c)) {  // a lead byte without its trail byte
      safe = false;
    } else if (c == '\\' || c == '/') {
      safe = IsSafeComponent(path.substr(componentStart, at - componentStart));
      componentStart = at + 1;
    }
  });
  return safe && IsSafeComponent(path.substr(componentStart));
}

bool IsFolderName(std::string_view name) {
  bool endsInSeparator = false;
  ForEachChar(name, [&](std::size_t at, std::size_t len) {
    endsInSeparator = len == 1 && (name[at] == '/' || name[at] == '\\');
  });
  return endsInSeparator;
}

}  // namespace ezip
