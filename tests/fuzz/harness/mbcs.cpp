// The Shift-JIS character walk and path helpers on arbitrary bytes. The first
// line is the text, the second the delimiters and the searched character.
#include <string>

#include "Harness.h"
#include "system/Mbcs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> lines = fuzz::Lines(fuzz::Text(data, size));
  const std::string& text = lines[0];
  const std::string& delimiters = fuzz::LineOr(lines, 1);

  const std::size_t last = kestra::LastCharOffset(text);
  fuzz::Require(text.empty() == (last == std::string::npos), "only empty text has no last char");
  if (!text.empty()) fuzz::Require(last < text.size() && text.size() - last <= 2, "last char");

  const std::size_t delimiter = kestra::LastDelimiter(text, delimiters);
  if (delimiter != std::string::npos)
    fuzz::Require(delimiters.find(text[delimiter]) != std::string::npos, "a delimiter found");
  if (!delimiters.empty()) {
    const std::size_t found = kestra::FindChar(text, delimiters[0], text.size() / 2);
    if (found != std::string::npos)
      fuzz::Require(found >= text.size() / 2 && text[found] == delimiters[0], "FindChar");
  }

  fuzz::Require(kestra::ExtractFilePath(text) + kestra::ExtractFileName(text) == text,
                "folder and file name make up the path");
  fuzz::Require(text.starts_with(kestra::ExtractFileDrive(text)), "the drive starts the path");

  const std::string with = kestra::AddBackslash(text);
  fuzz::Require(with.starts_with(text) && with.size() - text.size() <= 1, "AddBackslash");
  const std::string without = kestra::RemoveBackslash(text);
  fuzz::Require(text.starts_with(without) && text.size() - without.size() <= 1,
                "RemoveBackslash");
  // Text cut inside a double-byte character (a lead byte last) is the one
  // case where the added "\" becomes that character's second byte.
  const bool cutInsideAChar =
      !text.empty() && last + 1 == text.size() &&
      kestra::IsLeadByte(static_cast<unsigned char>(text.back()));
  if (text.size() > 1 && !cutInsideAChar)
    fuzz::Require(kestra::EndsWithChar(with, '\\'), "AddBackslash ends in a backslash");

  const std::string upper = kestra::AnsiUpperCase(text);
  fuzz::Require(upper.size() == text.size(), "upper case keeps the length");
  fuzz::Require(kestra::AnsiUpperCase(upper) == upper, "upper case of upper case");
  return 0;
}
