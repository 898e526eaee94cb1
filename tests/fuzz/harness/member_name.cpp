// Member-name rules on arbitrary bytes: folding, the safe-path test, folder
// names and the UTF-8 to code page 932 conversion of flagged names.
#include <string>

#include "Harness.h"
#include "MemberName.h"
#include "system/CodePage.h"

namespace {

// What a path the safe-path test accepted must not hold, looked at by
// character: an empty, "." or ".." component, or a single-byte character
// Windows refuses in file names (":" would name a drive or a stream).
bool HasUnsafePart(std::string_view path) {
  std::size_t start = 0;
  std::size_t i = 0;
  auto climbs = [&](std::size_t end) {
    const std::string_view part = path.substr(start, end - start);
    return part.empty() || part == "." || part == "..";
  };
  while (i < path.size()) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (ezip::IsLeadByte(c) && i + 1 < path.size()) {
      i += 2;
      continue;
    }
    constexpr std::string_view kForbidden = ":<>\"|?*";
    if (c < 0x20 || kForbidden.find(static_cast<char>(c)) != std::string_view::npos) return true;
    if (c == '\\' || c == '/') {
      if (climbs(i)) return true;
      start = i + 1;
    }
    ++i;
  }
  return climbs(path.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view name = fuzz::Text(data, size);

  const std::string key = ezip::FoldName(name);
  fuzz::Require(key.size() == name.size(), "folding keeps the length");
  fuzz::Require(ezip::FoldName(key) == key, "folding a key changes nothing");
  fuzz::Require(ezip::IsFolderName(key) == ezip::IsFolderName(name),
                "folding keeps a folder a folder");

  if (ezip::IsSafeMemberPath(name))
    fuzz::Require(!HasUnsafePart(name), "a safe path climbs nowhere and names no drive");

  if (const std::optional<std::string> cp932 = ezip::Utf8ToCp932(name)) {
    // What came out of the conversion reads back as the same characters.
    const std::optional<std::u16string> wide = kestra::Utf8ToUtf16(name);
    fuzz::Require(wide.has_value(), "a converted name was valid UTF-8");
    // Windows writes U+F8F0-U+F8F3 as 0xA0, 0xFD-0xFF but reads those back as
    // nothing: the one way the text does not come back.
    const bool oneWay = wide->find_first_of(u"\uF8F0\uF8F1\uF8F2\uF8F3") != std::u16string::npos;
    if (!oneWay) fuzz::Require(kestra::Cp932ToUtf16(*cp932) == wide, "code page 932 round trip");
  }
  return 0;
}
