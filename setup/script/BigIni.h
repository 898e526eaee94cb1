// The installer's own INI file store.
//
// The platform's profile functions open and parse the file for every call, which
// makes reading a large record file key by key quadratic. TBigIniFile reads the
// whole file into memory once, answers every read from memory, remembers whether
// anything changed, and writes the whole file back in one pass when it is flushed
// or released, and only then.
//
// Lines are kept verbatim (key=value lines, comments, lines without "="). Written
// back, a file is normalised: nothing before the first section, no empty lines, one
// blank line after each section, no empty sections, no repeated sections.
//
// Section and key names are compared as the platform compares names: the whole
// name, letter case ignored, by the rules of the user's locale (see SameIniName).
// Text is Shift-JIS (code page 932).
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "script/IniFile.h"  // EInOutError, and where the store's files live

namespace kestra {

// An ordered list of lines: a section's lines, or a caller's target list.
using TStringList = std::vector<std::string>;

// Size of the buffer through which files are read and written.
inline constexpr std::int32_t kIniTextBufferSize = 28672;  // 0x7000

// Orders section and key names: < 0, 0 (the same name) or > 0. The bytes are
// read as code page 932 and compared with the user's locale, letter case ignored
// (ASCII and full-width letters alike); blanks count. A name that is not valid
// Shift-JIS (a lead byte without its trail byte) could not be told apart from
// other broken names after conversion, so such names are compared byte by byte
// (ASCII letters case-insensitively) and sort after every valid name.
int CompareIniNames(std::string_view a, std::string_view b);
// CompareIniNames(a, b) == 0, answered without the locale for plain ASCII names.
bool SameIniName(std::string_view a, std::string_view b);

// Decides which of two sections of the same name survives a load. Called with
// the user data, the name, the lines of the section that would survive (the
// earlier one in the file) and those of the one that would be dropped. Returning
// false makes the two swap roles. The handler may move lines between the lists;
// the loser's lines are discarded afterwards.
struct TEraseSectionCallback {
  using Proc = bool (*)(void* data, const std::string& name, TStringList& survivor,
                        TStringList& loser);
  Proc Code = nullptr;
  void* Data = nullptr;
  explicit operator bool() const { return Code != nullptr; }
};

// The sections of a store in file order (not sorted): a name (without brackets,
// as in the file) and an owned line list each. Line lists keep their address
// while sections are added or removed elsewhere in the list.
class TSectionList {
 public:
  int Count() const { return static_cast<int>(FEntries.size()); }
  const std::string& Name(int i) const { return FEntries.at(static_cast<std::size_t>(i)).name; }
  TStringList& Lines(int i) { return *FEntries.at(static_cast<std::size_t>(i)).lines; }
  const TStringList& Lines(int i) const { return *FEntries.at(static_cast<std::size_t>(i)).lines; }

  // Position of the section named name, or -1. The search starts at the position
  // of the last section found and wraps around, so looking up the same or the
  // next section again costs one comparison.
  int IndexOf(std::string_view name);
  // Where the next IndexOf starts.
  int PrevIndex() const { return FPrevIndex; }

  // Appends an empty section; returns its position.
  int Add(std::string name);
  void Delete(int i);
  void Clear();

  // Keeps one section of each name (by default the first in the file) and drops
  // the others with their lines, keeping the order of the rest. True when any
  // section was dropped.
  bool EraseDuplicates(TEraseSectionCallback handler);

 private:
  struct Entry {
    std::string name;
    std::unique_ptr<TStringList> lines;
  };
  std::vector<Entry> FEntries;
  int FPrevIndex = 0;
};

class TBigIniFile {
 public:
  // Loads fileName when it is not empty (a missing file gives an empty store;
  // the first Flush creates it). An empty name makes a store in memory only.
  explicit TBigIniFile(const std::string& fileName = std::string());
  // Writes the content back when it changed. A failed write raises EInOutError
  // to whoever releases the store (the store is released all the same); while
  // another exception is already unwinding, the write is attempted and its
  // failure dropped, since the first failure is the one that reaches the caller.
  // Hold stores by value: a throwing destructor inside std::unique_ptr would
  // terminate the program.
  virtual ~TBigIniFile() noexcept(false);
  TBigIniFile(const TBigIniFile&) = delete;
  TBigIniFile& operator=(const TBigIniFile&) = delete;

  virtual std::string ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue);
  // An empty key erases the section; an empty section, key and value only flushes.
  virtual void WriteString(std::string_view section, std::string_view key,
                           std::string_view value);
  // Decimal, or hexadecimal after "$", "0x" or "0X"; anything else gives the default.
  virtual std::int32_t ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t defaultValue);
  virtual void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  virtual bool ReadBool(std::string_view section, std::string_view key, bool defaultValue);
  virtual void WriteBool(std::string_view section, std::string_view key, bool value);
  // Appends the name part of every line of the section (the text before the
  // first "=", empty for a line without one). An absent section adds nothing.
  virtual void ReadSection(std::string_view section, TStringList& target);
  // Replaces target by the section names in file order.
  virtual void ReadSections(TStringList& target);
  // Appends every line of the section unchanged.
  virtual void ReadSectionValues(std::string_view section, TStringList& target);
  virtual void EraseSection(std::string_view section);
  virtual void DeleteKey(std::string_view section, std::string_view key);
  // Appends the content in file form: for each section with lines, "[name]",
  // its lines and one empty line.
  virtual void CopyToStrings(TStringList& target);
  // Writes the whole file when the content changed (CR LF line ends). The new
  // content replaces the old file only once it is complete (script/IniFile.h):
  // a write that fails raises EInOutError and leaves the file as it was, and
  // the store stays changed.
  virtual void Flush();
  // Appends the sections of a file to the store (SetFileName clears it first).
  virtual void LoadFromFile(const std::string& fileName);

  // Flushes, then makes the store hold fileName's content. When the file cannot
  // be read, the store is left empty and in memory only (so that a partly read
  // file can never be written back over the complete one) and the error is raised.
  void SetFileName(const std::string& fileName);
  // Finds the section (rotating search from the current section position) and in
  // it the first key=value line whose name is key. Returns the line's index, or
  // -1. lines is the section's line list, or null when the section is absent and
  // create is false; with create an absent section is appended, empty.
  std::int32_t FindKeyIndex(std::string_view section, std::string_view key, TStringList*& lines,
                            bool create);
  // Drops every section (a change when any section had lines).
  void ClearSectionList();

  const std::string& FileName() const { return FFileName; }
  bool Changed() const { return FChanged; }
  std::int32_t CurrentSectionIndex() const { return FCurrentSection; }
  const TSectionList& Sections() const { return FSectionList; }
  // Only sections loaded after this call are affected (load with an empty name
  // first, set the handler, then SetFileName).
  void SetEraseSectionCallback(TEraseSectionCallback handler) { FEraseSectionCallback = handler; }
  // Above 0 (the default 28672), the file is read and written through a buffer
  // of that size; 0 reads and writes in small pieces.
  void SetTextBufferSize(std::int32_t size) { FTextBufferSize = size < 0 ? 0 : size; }
  std::int32_t TextBufferSize() const { return FTextBufferSize; }

 private:
  std::string FFileName;
  bool FChanged = false;
  TSectionList FSectionList;
  std::int32_t FCurrentSection = 0;
  TEraseSectionCallback FEraseSectionCallback;
  std::int32_t FTextBufferSize = kIniTextBufferSize;
  int FUncaughtAtCreation;  // exceptions in flight when the store was made
};

}  // namespace kestra
