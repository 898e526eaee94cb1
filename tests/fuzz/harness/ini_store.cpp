// The INI store on arbitrary bytes: the bytes are a file that the store loads
// (through a buffer whose size the first byte chooses, with or without a
// duplicate handler); the file's own lines then serve as the sections, keys
// and values of reads, writes and deletions. The store is checked against a
// plain model of the load (lines, headers, the first section of each name),
// written back, and the written text must load to the same sections and lines.
// Failing reads and writes (a locked file, a full disk) must leave the store
// as its contract says.
#include <algorithm>
#include <stdexcept>

#include "Harness.h"
#include "script/BigIni.h"
#include "script/IniFileMemory.h"
#include "system/Mbcs.h"

namespace {

using kestra::TBigIniFile;
using kestra::TStringList;

const std::string kFile = "C:\\INI\\STORE.INF";
const std::string kCopy = "C:\\INI\\COPY.INF";

// The checks that compare every section with every other stay below this
// many sections, so that one input costs milliseconds, not seconds.
constexpr int kPairwiseLimit = 256;

// ---- A plain model of the load

struct ModelSection {
  std::string name;
  TStringList lines;
};

// The file's lines: a line ends at CR LF, LF or CR.
std::vector<std::string> FileLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  bool any = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      any = false;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line.push_back(c);
      any = true;
    }
  }
  if (any) lines.push_back(line);
  return lines;
}

bool IsHeader(const std::string& line) {
  return line.size() >= 2 && line.front() == '[' && kestra::EndsWithChar(line, ']');
}

// The sections of the text, or nothing when there are too many to compare.
std::optional<std::vector<ModelSection>> ModelLoad(std::string_view text) {
  std::vector<ModelSection> all;
  for (const std::string& line : FileLines(text)) {
    if (line.empty() || line == "\x1A") continue;
    if (IsHeader(line))
      all.push_back({line.substr(1, line.size() - 2), {}});
    else if (!all.empty())
      all.back().lines.push_back(line);
  }
  if (all.size() > static_cast<std::size_t>(kPairwiseLimit)) return std::nullopt;
  // Without a handler the first section of each name survives.
  std::vector<ModelSection> kept;
  for (ModelSection& section : all) {
    const bool seen = std::any_of(kept.begin(), kept.end(), [&](const ModelSection& k) {
      return kestra::SameIniName(k.name, section.name);
    });
    if (!seen) kept.push_back(std::move(section));
  }
  return kept;
}

std::string NamePart(const std::string& line) {
  const std::size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

// The value ReadString finds in the model: the first key=value line whose
// name part is the key, in the section of that name.
std::optional<std::string> ModelRead(const std::vector<ModelSection>& sections,
                                     const std::string& section, const std::string& key) {
  for (const ModelSection& s : sections) {
    if (!kestra::SameIniName(s.name, section)) continue;
    for (const std::string& line : s.lines) {
      const std::size_t eq = line.find('=');
      if (eq != std::string::npos && kestra::SameIniName(line.substr(0, eq), key))
        return line.substr(eq + 1);
    }
    return std::nullopt;
  }
  return std::nullopt;
}

// ---- The store as it stands

std::vector<ModelSection> Content(TBigIniFile& store) {
  std::vector<ModelSection> content;
  for (int i = 0; i < store.Sections().Count(); ++i)
    content.push_back({store.Sections().Name(i), store.Sections().Lines(i)});
  return content;
}

// The sections a write-back keeps: those with lines.
std::vector<ModelSection> Written(const std::vector<ModelSection>& content) {
  std::vector<ModelSection> written;
  for (const ModelSection& s : content)
    if (!s.lines.empty()) written.push_back(s);
  return written;
}

bool SameContent(const std::vector<ModelSection>& a, const std::vector<ModelSection>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].name != b[i].name || a[i].lines != b[i].lines) return false;
  return true;
}

void CheckNoRepeatedSection(TBigIniFile& store) {
  const kestra::TSectionList& sections = store.Sections();
  if (sections.Count() > kPairwiseLimit) return;
  for (int i = 0; i < sections.Count(); ++i)
    for (int j = i + 1; j < sections.Count(); ++j)
      fuzz::Require(!kestra::SameIniName(sections.Name(i), sections.Name(j)),
                    "no section name is loaded twice");
}

// Keeps the later section's lines when the names are of even length.
bool KeepLaterOfEvenNames(void*, const std::string& name, TStringList& survivor,
                          TStringList& loser) {
  if (name.size() % 2 != 0) return true;
  survivor.insert(survivor.end(), loser.begin(), loser.end());
  return false;
}

std::int32_t BufferSizeOf(std::uint8_t choice) {
  switch (choice & 3) {
    case 0: return kestra::kIniTextBufferSize;
    case 1: return 0;  // small pieces
    case 2: return 1;
    default: return 7;
  }
}

// Reads and writes with the file's own lines as names and values.
void Exercise(TBigIniFile& store, std::vector<ModelSection> model,
              const std::vector<std::string>& words) {
  auto word = [&](std::size_t n) -> const std::string& { return fuzz::LineOr(words, n); };
  for (std::size_t n = 0; n + 2 < words.size() && n < 24; n += 3) {
    const std::string& section = word(n);
    const std::string key = NamePart(word(n + 1)).empty() ? word(n + 1) : NamePart(word(n + 1));
    const std::string& value = word(n + 2);

    const std::optional<std::string> expected = ModelRead(model, section, key);
    const std::string read = store.ReadString(section, key, "\x01" "default");
    fuzz::Require(read == expected.value_or("\x01" "default"),
                  "ReadString answers the first key=value line of the section");
    (void)store.ReadInteger(section, key, 7);
    (void)store.ReadBool(section, key, true);
    TStringList names;
    store.ReadSection(section, names);
    TStringList values;
    store.ReadSectionValues(section, values);
    fuzz::Require(names.size() == values.size(), "a name part for every line of the section");

    switch ((n / 3) % 4) {
      case 0:
      case 1:
        try {
          store.WriteString(section, key, value);
          if (!key.empty()) {
            fuzz::Require(store.ReadString(section, key, "\x01") == value,
                          "a written value reads back");
            fuzz::Require(store.Changed() || read == value, "a new value marks the store changed");
          }
        } catch (const std::invalid_argument&) {
          // A line the file could not hold is refused, and nothing changes.
        }
        break;
      case 2:
        store.DeleteKey(section, key);
        break;
      default:
        store.EraseSection(section);
        fuzz::Require(store.ReadString(section, key, "\x01") == "\x01",
                      "an erased section has no keys");
        break;
    }
    model = Content(store);
    CheckNoRepeatedSection(store);
    fuzz::Require(store.CurrentSectionIndex() >= 0 &&
                      (store.Sections().Count() == 0 ||
                       store.CurrentSectionIndex() < store.Sections().Count()),
                  "the current section position stays inside the list");
  }
}

void CheckWriteBack(TBigIniFile& store) {
  TStringList copied;
  store.CopyToStrings(copied);
  const std::vector<ModelSection> written = Written(Content(store));
  std::string text;
  for (const std::string& line : copied) text += line + "\r\n";

  const bool changed = store.Changed();
  const std::optional<std::string> before = kestra::memory_files::Get(store.FileName());
  store.Flush();
  fuzz::Require(!store.Changed(), "a flushed store is unchanged");
  const std::optional<std::string> bytes = kestra::memory_files::Get(store.FileName());
  fuzz::Require(changed ? bytes == text : bytes == before,
                "a changed store writes what CopyToStrings shows, an unchanged one nothing");

  // The written text loads to the same sections and lines.
  kestra::memory_files::Put(kCopy, text);
  TBigIniFile again(kCopy);
  fuzz::Require(SameContent(Content(again), written),
                "written-back text loads to the same sections and lines");
  TStringList copiedAgain;
  again.CopyToStrings(copiedAgain);
  fuzz::Require(copiedAgain == copied, "a second write-back changes nothing");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t options = data[0];
  const std::string_view file = fuzz::Text(data + 1, size - 1);
  kestra::memory_files::Clear();
  kestra::memory_files::Put(kFile, std::string(file));

  {
    TBigIniFile store;
    store.SetTextBufferSize(BufferSizeOf(options));
    const bool handled = (options & 4) != 0;
    if (handled) store.SetEraseSectionCallback({KeepLaterOfEvenNames, nullptr});
    store.SetFileName(kFile);
    fuzz::Require(!store.Changed(), "a loaded store is unchanged");
    CheckNoRepeatedSection(store);
    if (!handled) {
      if (const std::optional<std::vector<ModelSection>> model = ModelLoad(file))
        fuzz::Require(SameContent(Content(store), *model),
                      "the store holds the file's sections as the model reads them");
    }
    // Loading and releasing without changes leaves the file as it was.
    fuzz::Require(kestra::memory_files::Get(kFile) == std::string(file),
                  "a load alone never writes");

    Exercise(store, Content(store), FileLines(file));
    CheckWriteBack(store);
  }

  // A locked file: the store stays empty and in memory only.
  kestra::memory_files::SetUnreadable(kFile, true);
  {
    TBigIniFile store;
    bool raised = false;
    try {
      store.SetFileName(kFile);
    } catch (const kestra::EInOutError&) {
      raised = true;
    }
    fuzz::Require(raised && store.FileName().empty() && store.Sections().Count() == 0,
                  "an unreadable file leaves the store empty and in memory only");
  }
  kestra::memory_files::SetUnreadable(kFile, false);

  // A full disk: the write-back fails with EInOutError, also from the release,
  // and the file stays as it was.
  if (options & 8) {
    kestra::memory_files::Put(kFile, std::string(file));
    // Below what any write-back of the section written here takes.
    kestra::memory_files::SetWriteLimit(kFile, static_cast<std::size_t>(options >> 4));
    bool raised = false;
    try {
      TBigIniFile store(kFile);
      store.WriteString("Fuzz", "Key", "Value");
    } catch (const kestra::EInOutError&) {
      raised = true;
    }
    fuzz::Require(raised, "a write-back that fails is reported by the release");
    fuzz::Require(kestra::memory_files::Get(kFile) == std::string(file),
                  "a write-back that fails leaves the file's old bytes");
    kestra::memory_files::SetWriteLimit(kFile, std::nullopt);
  }
  return 0;
}
