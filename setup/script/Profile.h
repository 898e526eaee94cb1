// Reads of INI text as the platform's profile function answers them.
//
// The setup script (SETUP_F.INI), the index script (COLLCOPY.INF), the index
// marker (KSCOLL.INF) and the index record (KSDOCS.INF) are read with
// GetPrivateProfileStringA, whose answers (fixed buffers, truncation, trimming,
// quotes, the first of repeated sections and keys) the readers rely on. The
// readers take a ProfileReader: the Windows programs hand them WindowsProfile,
// which calls GetPrivateProfileStringA on the file; the native build and the
// tests hand them TextProfile, which parses INI text in memory the way Windows
// does (see there for what it reproduces).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestra {

class ProfileReader {
 public:
  virtual ~ProfileReader() = default;
  // GetPrivateProfileStringA(section, key, default_value, buffer, size, file):
  // the value of key in section, else default_value, in buffer (size bytes,
  // always terminated when size > 0); the number of bytes before the
  // terminator. A value too long for the buffer ends in whole characters and
  // the result is size − 1 (a double-byte character that would not fit whole
  // is left out, and the byte before the terminator then keeps what the
  // buffer held). section and key are given (no listing of sections or keys).
  virtual std::uint32_t GetString(const char* section, const char* key, const char* default_value,
                                  char* buffer, std::uint32_t size) const = 0;
};

// A value of any length, default "": read again with a larger buffer while
// the value fills it.
std::string ReadProfileString(const ProfileReader& profile, const char* section,
                              const std::string& key);

#ifdef _WIN32
// GetPrivateProfileStringA on a file (a missing file answers every default).
class WindowsProfile final : public ProfileReader {
 public:
  explicit WindowsProfile(std::string file) : file_(std::move(file)) {}
  std::uint32_t GetString(const char* section, const char* key, const char* default_value,
                          char* buffer, std::uint32_t size) const override;

 private:
  std::string file_;
};

// One value of an INI file through the profile API, whole however long; ""
// when it (or the file) is missing. The one reader of SETUP.INF, KSCOLL.INF
// and the records for every part of SETUP.
std::string ReadIniString(const std::string& file, const char* section, const std::string& key);

// A script of many values, read the way GetPrivateProfileStringA reads it
// (TextProfile, which the tests compare with the call) from one read of the
// whole file: each call of the function opens and checks the file again, a
// fraction of a millisecond per value under Wine. The function itself
// (WindowsProfile) answers for a file named without a full path, which it
// looks for in the Windows folder, and for one that cannot be read whole here
// (held by another program).
std::unique_ptr<ProfileReader> ProfileReadOnce(const std::string& file);
#endif

// INI text in memory, read as Wine 8 reads a profile file (dlls/kernel32/
// profile.c), which the tests compare with the real call (tests/script):
// - Text starting with a UTF-8 byte-order mark is UTF-8, with FF FE or FE FF
//   UTF-16; any other is code page 932, converted as MultiByteToWideChar does
//   without MB_ERR_INVALID_CHARS: a lead byte takes the next byte along
//   whatever it is (a line break too), a pair that is no character and a lead
//   byte at the end become U+30FB; the single bytes 0x80, 0xA0, 0xFD to 0xFF
//   become U+0080, U+F8F0 to U+F8F3. Empty text is a file without sections.
// - Lines end at any run of CR and LF. Blanks (TAB, LF, VT, FF, CR, blank and
//   0x1A, the DOS end-of-file mark) around a line are dropped; empty lines too.
// - A line starting with "[" that holds a "]" opens a section named by the
//   text up to its last "]", blanks around the name dropped; text after that
//   "]" is ignored. A "[" line without "]" is a key line. Lines before the
//   first section belong to a section with the empty name.
// - Any other line is a key: the text before its first "=" (blanks before the
//   "=" dropped), the value the text after it (leading blanks dropped); a line
//   without "=" is a key without value, which answers the default. A line
//   whose key is empty after another such line is dropped.
// - Names and values end at a NUL character.
// - A read trims blanks around the section and key names asked for, and finds
//   the first section of that name and in it the first key of that name, ASCII
//   letters compared without regard to case (other sections of the same name
//   are not searched).
// - A value that starts and ends with the same quote (' or ") and is longer
//   than that quote loses both quotes; when the buffer is too small, the last
//   character copied is dropped instead of the closing quote, as in Wine.
// - The default loses trailing blanks (U+0020 only).
// - The value is cut to size − 1 UTF-16 units, then converted back to code
//   page 932 into size − 1 bytes (see ProfileReader::GetString). A character
//   of a UTF-8 or UTF-16 file that code page 932 lacks becomes "?" (Windows
//   writes a look-alike where it knows one, "e" for "é"; not reproduced).
// A buffer of one byte only gets its terminator (Wine would write beyond it).
class TextProfile final : public ProfileReader {
 public:
  // A missing file: every read answers its default.
  TextProfile() = default;
  explicit TextProfile(std::string_view bytes);
  std::uint32_t GetString(const char* section, const char* key, const char* default_value,
                          char* buffer, std::uint32_t size) const override;

  // The number of sections and keys read from the text.
  std::size_t SectionCount() const { return sections_.size(); }
  std::size_t KeyCount() const;

 private:
  struct Key {
    std::u16string name;
    std::optional<std::u16string> value;
  };
  struct Section {
    std::u16string name;
    std::vector<Key> keys;
    // Folded key name → index of its first key.
    std::unordered_map<std::u16string, std::size_t> first_key;
  };
  const Key* Find(std::u16string_view section, std::u16string_view key) const;

  std::vector<Section> sections_;
  // Folded section name → index of its first section.
  std::unordered_map<std::u16string, std::size_t> first_section_;
};

}  // namespace kestra
