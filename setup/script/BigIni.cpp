#include "script/BigIni.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <numeric>
#include <optional>
#include <utility>

#include "script/IniFile.h"
#include "system/CodePage.h"
#include "system/Mbcs.h"

namespace kestra {

// ---------------------------------------------------------------------------
// Name comparison

namespace {

// A name's text in UTF-16; nothing when its bytes are not valid code page 932.
// (Without that test every broken sequence would become the same default
// character, and two different broken names would compare equal.)
std::optional<std::u16string> Widen(std::string_view s) { return Cp932ToUtf16(s); }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Byte order with ASCII letters folded; only single-byte characters are folded
// (the second byte of a double-byte character can look like a letter).
int CompareBytesIgnoringAsciiCase(std::string_view a, std::string_view b) {
  bool aTrail = false, bTrail = false;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    char ca = aTrail ? a[i] : AsciiUpper(a[i]);
    char cb = bTrail ? b[i] : AsciiUpper(b[i]);
    aTrail = !aTrail && IsLeadByte(static_cast<unsigned char>(a[i]));
    bTrail = !bTrail && IsLeadByte(static_cast<unsigned char>(b[i]));
    if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb) ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// Blank to tilde. The platform's comparison gives each of these characters a
// weight of its own and folds only a-z onto A-Z, so for such names it answers
// exactly as a byte comparison with a-z folded; control characters are left to
// it, since it may ignore them.
bool IsPrintableAscii(std::string_view s) {
  for (char c : s)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

bool SameAsciiIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

// A total order: valid names by the user's locale, then broken names by bytes.
int CompareWithLocale(std::string_view a, std::string_view b) {
  const std::optional<std::u16string> wa = Widen(a), wb = Widen(b);
  if (wa && wb) {
    if (const std::optional<int> order = CompareInUserLocale(*wa, *wb)) return *order;
  }
  if (wa.has_value() != wb.has_value()) return wa ? -1 : 1;
  return CompareBytesIgnoringAsciiCase(a, b);
}

// What the duplicate search sorts by: the locale's sort key (ignoring case) of
// a valid name, whose byte order is the order of the comparison above, so each
// name is converted once instead of once per comparison.
struct SortName {
  bool valid = false;
  std::string key;  // the sort key, or the name's own bytes when it is broken
};

SortName MakeSortName(std::string_view name) {
  SortName sortName;
  if (const std::optional<std::u16string> wide = Widen(name)) {
    if (std::optional<std::string> key = SortKeyInUserLocale(*wide)) {
      sortName.valid = true;
      sortName.key = std::move(*key);
      return sortName;
    }
  }
  sortName.key.assign(name);
  return sortName;
}

int CompareSortNames(const SortName& a, const SortName& b) {
  if (a.valid != b.valid) return a.valid ? -1 : 1;
  if (a.valid) return a.key.compare(b.key) < 0 ? -1 : (a.key == b.key ? 0 : 1);
  return CompareBytesIgnoringAsciiCase(a.key, b.key);
}

}  // namespace

int CompareIniNames(std::string_view a, std::string_view b) {
  if (a == b) return 0;
  return CompareWithLocale(a, b);
}

bool SameIniName(std::string_view a, std::string_view b) {
  if (IsPrintableAscii(a) && IsPrintableAscii(b)) return SameAsciiIgnoringCase(a, b);
  return CompareWithLocale(a, b) == 0;
}

// ---------------------------------------------------------------------------
// Lines

namespace {

// The name part of a key=value line: the text before the first "=" (empty for a
// line without one). "=" (0x3D) lies below the range of second bytes of
// double-byte characters (0x40 to 0xFC), so a byte search cannot split one.
std::string_view NamePart(std::string_view line) {
  std::size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view() : line.substr(0, eq);
}

// A section header: first character "[", last character "]". The last
// character is found by walking the line: "]" (0x5D) can be the second byte
// of a double-byte character such as ゾ.
bool IsSectionHeader(std::string_view line) {
  return line.size() >= 2 && line.front() == '[' && EndsWithChar(line, ']');
}

// Index of the first key=value line of lines named key, or -1.
int IndexOfKey(const TStringList& lines, std::string_view key) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;  // comments and bare lines have no key
    if (SameIniName(line.substr(0, eq), key)) return static_cast<int>(i);
  }
  return -1;
}

// Calls emit(line) for every line of the file form of the sections: for each
// section with lines, its header, its lines and one empty line.
template <typename Emit>
void ForEachFileLine(const TSectionList& sections, Emit emit) {
  for (int i = 0; i < sections.Count(); ++i) {
    const TStringList& lines = sections.Lines(i);
    if (lines.empty()) continue;
    emit("[" + sections.Name(i) + "]");
    for (const std::string& line : lines) emit(line);
    emit(std::string());
  }
}

// What a line of the file can hold: no line break, and no key=value line that a
// later load would take for a section header.
bool CanBeStoredAsLine(std::string_view line) {
  return line.find_first_of("\r\n") == std::string_view::npos && !IsSectionHeader(line);
}

// What a section name can be: its header line reads back as a header of the
// same name.
bool CanBeStoredAsSectionName(std::string_view section) {
  std::string header;
  header.reserve(section.size() + 2);
  header.append(1, '[').append(section).append(1, ']');
  return section.find_first_of("\r\n") == std::string_view::npos && IsSectionHeader(header);
}

}  // namespace

// ---------------------------------------------------------------------------
// Buffered file input and output

namespace {

// Without the store's buffer, files move in pieces of this size.
constexpr std::size_t kSmallBufferSize = 128;

std::size_t BufferSizeFor(std::int32_t textBufferSize) {
  return textBufferSize > 0 ? static_cast<std::size_t>(textBufferSize) : kSmallBufferSize;
}

// Reads a file line by line through a fixed-size buffer. A line ends at CR LF,
// LF or CR; a CR LF pair split between two buffer fills is still one line end.
class LineReader {
 public:
  LineReader(IniFileReader& file, std::size_t bufferSize) : FFile(file), FBuffer(bufferSize) {}

  // The next line without its line end; false at the end of the file.
  bool Next(std::string& line) {
    line.clear();
    bool gotText = false;
    for (;;) {
      if (FPos == FEnd && !Fill()) return gotText;
      if (FSkipLineFeed) {
        FSkipLineFeed = false;
        if (FBuffer[FPos] == '\n') {
          ++FPos;
          continue;
        }
      }
      const char* begin = FBuffer.data() + FPos;
      const char* end = FBuffer.data() + FEnd;
      const char* stop = begin;
      while (stop != end && *stop != '\r' && *stop != '\n') ++stop;
      line.append(begin, stop);
      gotText = true;
      FPos += static_cast<std::size_t>(stop - begin);
      if (stop != end) {
        FSkipLineFeed = *stop == '\r';
        ++FPos;
        return true;
      }
    }
  }

 private:
  bool Fill() {
    const std::size_t got = FFile.Read(FBuffer.data(), FBuffer.size());
    FPos = 0;
    FEnd = got;
    return got > 0;
  }

  IniFileReader& FFile;
  std::vector<char> FBuffer;
  std::size_t FPos = 0;
  std::size_t FEnd = 0;
  bool FSkipLineFeed = false;
};

// Writes a file through a fixed-size buffer; every failed or short write raises.
class BufferedWriter {
 public:
  BufferedWriter(IniFileWriter& file, std::size_t bufferSize) : FFile(file), FBuffer(bufferSize) {}

  void Write(std::string_view text) {
    while (!text.empty()) {
      if (FUsed == FBuffer.size()) Drain();
      std::size_t n = std::min(FBuffer.size() - FUsed, text.size());
      std::memcpy(FBuffer.data() + FUsed, text.data(), n);
      FUsed += n;
      text.remove_prefix(n);
    }
  }

  void Drain() {
    if (FUsed == 0) return;
    FFile.Write(FBuffer.data(), FUsed);
    FUsed = 0;
  }

 private:
  IniFileWriter& FFile;
  std::vector<char> FBuffer;
  std::size_t FUsed = 0;
};

}  // namespace

// ---------------------------------------------------------------------------
// TSectionList

int TSectionList::IndexOf(std::string_view name) {
  const int count = Count();
  if (FPrevIndex >= count) FPrevIndex = 0;
  auto matches = [&](int i) { return SameIniName(FEntries[static_cast<std::size_t>(i)].name, name); };
  for (int i = FPrevIndex; i < count; ++i)
    if (matches(i)) return FPrevIndex = i;
  for (int i = 0; i < FPrevIndex; ++i)
    if (matches(i)) return FPrevIndex = i;
  return -1;
}

int TSectionList::Add(std::string name) {
  FEntries.push_back(Entry{std::move(name), std::make_unique<TStringList>()});
  return Count() - 1;
}

void TSectionList::Delete(int i) {
  FEntries.erase(FEntries.begin() + i);
  FPrevIndex = 0;
}

void TSectionList::Clear() {
  FEntries.clear();
  FPrevIndex = 0;
}

bool TSectionList::EraseDuplicates(TEraseSectionCallback handler) {
  const int count = Count();
  if (count < 2) return false;

  // The names, each with its position, sorted by name; equal names end up next
  // to each other in file order (the sort is stable).
  std::vector<SortName> names;
  names.reserve(FEntries.size());
  for (const Entry& entry : FEntries) names.push_back(MakeSortName(entry.name));
  std::vector<int> sorted(FEntries.size());
  std::iota(sorted.begin(), sorted.end(), 0);
  std::stable_sort(sorted.begin(), sorted.end(), [&](int a, int b) {
    return CompareSortNames(names[static_cast<std::size_t>(a)],
                            names[static_cast<std::size_t>(b)]) < 0;
  });

  std::vector<bool> removed(FEntries.size(), false);
  bool anyRemoved = false;
  int survivor = sorted[0];
  for (std::size_t k = 1; k < sorted.size(); ++k) {
    const int candidate = sorted[k];
    if (CompareSortNames(names[static_cast<std::size_t>(candidate)],
                         names[static_cast<std::size_t>(survivor)]) != 0) {
      survivor = candidate;
      continue;
    }
    int keep = std::min(survivor, candidate);  // the earlier one in the file
    int drop = std::max(survivor, candidate);
    if (handler && !handler.Code(handler.Data, Name(keep), Lines(keep), Lines(drop)))
      std::swap(keep, drop);
    Lines(drop).clear();
    removed[static_cast<std::size_t>(drop)] = true;
    anyRemoved = true;
    survivor = keep;
  }
  if (!anyRemoved) return false;

  std::vector<Entry> kept;
  kept.reserve(FEntries.size());
  for (std::size_t i = 0; i < FEntries.size(); ++i)
    if (!removed[i]) kept.push_back(std::move(FEntries[i]));
  FEntries = std::move(kept);
  FPrevIndex = 0;
  return true;
}

// ---------------------------------------------------------------------------
// TBigIniFile

TBigIniFile::TBigIniFile(const std::string& fileName)
    : FUncaughtAtCreation(std::uncaught_exceptions()) {
  SetFileName(fileName);
}

TBigIniFile::~TBigIniFile() noexcept(false) {
  // Virtual calls from here reach this class's Flush, as from the constructor.
  if (std::uncaught_exceptions() > FUncaughtAtCreation) {
    try {
      Flush();
    } catch (...) {
      // Already unwinding: the failure that started it is the one reported.
    }
    return;
  }
  Flush();
}

void TBigIniFile::SetFileName(const std::string& fileName) {
  Flush();
  ClearSectionList();
  FFileName = fileName;
  if (!FFileName.empty()) {
    try {
      LoadFromFile(FFileName);
    } catch (...) {
      ClearSectionList();
      FFileName.clear();
      FChanged = false;
      throw;
    }
  }
  // Sections dropped as duplicates do not count as a change of the file.
  FChanged = false;
}

void TBigIniFile::ClearSectionList() {
  for (int i = 0; i < FSectionList.Count(); ++i)
    if (!FSectionList.Lines(i).empty()) FChanged = true;
  FSectionList.Clear();
  FCurrentSection = 0;
}

void TBigIniFile::LoadFromFile(const std::string& fileName) {
  FCurrentSection = 0;
  if (!IniFileExists(fileName)) return;
  const std::unique_ptr<IniFileReader> file = OpenIniFileForReading(fileName);
  LineReader reader(*file, BufferSizeFor(FTextBufferSize));
  TStringList* current = nullptr;  // lines before the first header are dropped
  std::string line;
  while (reader.Next(line)) {
    if (line.empty() || line == "\x1A") continue;  // a lone end-of-file mark is empty
    if (IsSectionHeader(line)) {
      int i = FSectionList.Add(line.substr(1, line.size() - 2));
      current = &FSectionList.Lines(i);
    } else if (current) {
      current->push_back(line);
    }
  }
  if (FSectionList.EraseDuplicates(FEraseSectionCallback)) FChanged = true;
}

std::int32_t TBigIniFile::FindKeyIndex(std::string_view section, std::string_view key,
                                       TStringList*& lines, bool create) {
  lines = nullptr;
  const int count = FSectionList.Count();
  int found = -1;
  if (count > 0) {
    // From the current position round to the one just before it, so that keys
    // read section by section in file order find their section at once.
    const int start = (FCurrentSection > 0 && FCurrentSection < count) ? FCurrentSection : 0;
    const int last = (start == 0 ? count : start) - 1;
    int position = start;
    for (;;) {
      if (SameIniName(FSectionList.Name(position), section)) {
        found = position;
        break;
      }
      if (position == last) break;
      position = position + 1 == count ? 0 : position + 1;
    }
    FCurrentSection = position;
  }
  if (found < 0) {
    if (!create) return -1;
    FCurrentSection = FSectionList.Add(std::string(section));
    lines = &FSectionList.Lines(FCurrentSection);
    return -1;
  }
  lines = &FSectionList.Lines(found);
  return IndexOfKey(*lines, key);
}

std::string TBigIniFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) {
  TStringList* lines = nullptr;
  int i = FindKeyIndex(section, key, lines, false);
  if (i < 0) return std::string(defaultValue);
  const std::string& line = (*lines)[static_cast<std::size_t>(i)];
  return line.substr(line.find('=') + 1);
}

void TBigIniFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  if (key.empty()) {
    if (section.empty() && value.empty())
      Flush();
    else
      EraseSection(section);
    return;
  }
  std::string line;
  line.reserve(key.size() + 1 + value.size());
  line.append(key).append("=").append(value);
  // A key with "=" would never be found again, and a line break or a line that
  // looks like a header would come back from the file as other lines or as a
  // new section; a section name ending in a lead byte would swallow the "]"
  // of its header: refuse what the file cannot hold rather than corrupt it.
  if (key.find('=') != std::string_view::npos || !CanBeStoredAsLine(line) ||
      !CanBeStoredAsSectionName(section))
    throw std::invalid_argument("cannot store the line \"" + line + "\" in an INI file");

  TStringList* lines = nullptr;
  int i = FindKeyIndex(section, key, lines, true);
  if (i < 0) {
    lines->push_back(std::move(line));
    FChanged = true;
    return;
  }
  std::string& stored = (*lines)[static_cast<std::size_t>(i)];
  if (stored != line) {
    stored = std::move(line);
    FChanged = true;
  }
}

namespace {

int DigitValue(char c, int base) {
  int d = -1;
  if (c >= '0' && c <= '9') d = c - '0';
  else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
  return d < base ? d : -1;
}

// Decimal with an optional sign, or hexadecimal after "$" (up to FFFFFFFF, taken
// as the 32-bit pattern); leading blanks are skipped, nothing may follow.
bool ParseInt32(std::string_view s, std::int32_t& result) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  const bool hex = i < s.size() && s[i] == '$';
  if (hex) ++i;
  if (i == s.size()) return false;
  const int base = hex ? 16 : 10;
  const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  std::uint64_t value = 0;
  for (; i < s.size(); ++i) {
    int d = DigitValue(s[i], base);
    if (d < 0) return false;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    if (value > limit) return false;
  }
  std::uint32_t bits = static_cast<std::uint32_t>(value);
  if (negative) bits = 0u - bits;
  result = static_cast<std::int32_t>(bits);
  return true;
}

}  // namespace

std::int32_t TBigIniFile::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t defaultValue) {
  std::string s = ReadString(section, key, std::string_view());
  // The whole rest after "0x" is converted: cutting it to a fixed length could
  // turn a value that is not a number into one.
  if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    std::string hex("$");
    hex.append(s, 2, std::string::npos);
    s = std::move(hex);
  }
  std::int32_t value = 0;
  return ParseInt32(s, value) ? value : defaultValue;
}

void TBigIniFile::WriteInteger(std::string_view section, std::string_view key,
                               std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

bool TBigIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TBigIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TBigIniFile::ReadSection(std::string_view section, TStringList& target) {
  int i = FSectionList.IndexOf(section);
  if (i < 0) return;
  for (const std::string& line : FSectionList.Lines(i)) target.emplace_back(NamePart(line));
}

void TBigIniFile::ReadSections(TStringList& target) {
  target.clear();
  for (int i = 0; i < FSectionList.Count(); ++i) target.push_back(FSectionList.Name(i));
}

void TBigIniFile::ReadSectionValues(std::string_view section, TStringList& target) {
  int i = FSectionList.IndexOf(section);
  if (i < 0) return;
  const TStringList& lines = FSectionList.Lines(i);
  target.insert(target.end(), lines.begin(), lines.end());
}

void TBigIniFile::EraseSection(std::string_view section) {
  int i = FSectionList.IndexOf(section);
  if (i < 0) return;
  FSectionList.Delete(i);
  FChanged = true;
  if (FCurrentSection >= FSectionList.Count()) FCurrentSection = 0;
}

void TBigIniFile::DeleteKey(std::string_view section, std::string_view key) {
  TStringList* lines = nullptr;
  int i = FindKeyIndex(section, key, lines, true);
  if (i < 0) return;
  lines->erase(lines->begin() + i);
  FChanged = true;
}

void TBigIniFile::CopyToStrings(TStringList& target) {
  ForEachFileLine(FSectionList, [&](std::string line) { target.push_back(std::move(line)); });
}

void TBigIniFile::Flush() {
  if (!FChanged) return;
  if (!FFileName.empty()) {
    // The old file stays as it was until the whole new content is written.
    const std::unique_ptr<IniFileWriter> file = CreateIniFile(FFileName);
    BufferedWriter out(*file, BufferSizeFor(FTextBufferSize));
    ForEachFileLine(FSectionList, [&](const std::string& line) {
      out.Write(line);
      out.Write("\r\n");
    });
    out.Drain();
    file->Commit();
  }
  FChanged = false;
}

}  // namespace kestra
