// INI text read in memory as the platform's profile function reads a file
// (script/Profile.h); builds for Windows and natively alike.
#include <algorithm>
#include <array>
#include <cstring>

#include "script/Profile.h"
#include "system/CodePage.h"
#include "system/Mbcs.h"

namespace kestra {

namespace {

constexpr char kUnmappable = '?';             // what code page 932 writes for a character it lacks

// UTF-8 with each byte that starts no valid sequence read as U+FFFD.
std::u16string DecodeUtf8(std::string_view bytes) {
  std::u16string text;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    int length = b < 0x80 ? 1 : (b >= 0xC2 && b <= 0xDF) ? 2 : (b >= 0xE0 && b <= 0xEF) ? 3
                                : (b >= 0xF0 && b <= 0xF4) ? 4 : 0;
    char32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
    bool valid = length > 0 && i + static_cast<std::size_t>(length) <= bytes.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto t = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
      valid = (t & 0xC0) == 0x80;
      c = c << 6 | (t & 0x3F);
    }
    if (valid && ((length == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) ||
                  (length == 4 && (c < 0x10000 || c > 0x10FFFF))))
      valid = false;
    if (!valid) {
      text.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      text.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      text.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      text.push_back(static_cast<char16_t>(c));
    }
    i += static_cast<std::size_t>(length);
  }
  return text;
}

std::u16string DecodeUtf16(std::string_view bytes, bool big_endian) {
  std::u16string text(bytes.size() / 2, u'\0');  // a last odd byte is left out
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    text[i] = static_cast<char16_t>(big_endian ? (first << 8 | second) : (second << 8 | first));
  }
  return text;
}

// The file's text in UTF-16, by its byte-order mark.
std::u16string DecodeFile(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return DecodeUtf8(bytes.substr(3));
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE")
    return DecodeUtf16(bytes.substr(2), false);
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF")
    return DecodeUtf16(bytes.substr(2), true);
  return Cp932ToUtf16AsWindowsReads(bytes);
}

// ---- Back to code page 932, as WideCharToMultiByte writes it

// The code page 932 bytes of one UTF-16 unit; "?" for a character it lacks.
const std::string& EncodeUnit(char16_t unit) {
  static std::array<std::string, 0x10000> known;  // empty: not converted yet (U+0000 is "\0")
  std::string& bytes = known[unit];
  if (bytes.empty()) {
    if (unit < 0x80) {
      bytes.assign(1, static_cast<char>(unit));
    } else {
      const std::optional<std::string> encoded = Utf16ToCp932(std::u16string_view(&unit, 1));
      bytes = encoded && !encoded->empty() ? *encoded : std::string(1, kUnmappable);
    }
  }
  return bytes;
}

// ---- The profile format

bool IsProfileBlank(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsProfileBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsProfileBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Names and values are kept as C strings: they end at a NUL character.
std::u16string UpToNul(std::u16string_view s) {
  return std::u16string(s.substr(0, s.find(u'\0')));
}

// ASCII letters folded, as the profile functions compare names.
std::u16string Folded(std::u16string_view s) {
  std::u16string folded(s);
  for (char16_t& c : folded)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return folded;
}

// A caller's text (section, key, default) as the ANSI call converts it.
std::u16string Widened(const char* text) { return Cp932ToUtf16AsWindowsReads(text ? text : ""); }

}  // namespace

TextProfile::TextProfile(std::string_view bytes) {
  if (bytes.empty()) return;
  const std::u16string text = DecodeFile(bytes);
  sections_.push_back(Section{});  // the lines before the first header
  bool previous_key_unnamed = false;
  bool have_previous_key = false;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t start = at;
    while (at < text.size() && text[at] != u'\n' && text[at] != u'\r') ++at;
    std::u16string_view line = std::u16string_view(text).substr(start, at - start);
    while (at < text.size() && (text[at] == u'\n' || text[at] == u'\r')) ++at;
    line = Trim(line);
    if (line.empty()) continue;

    if (line.front() == u'[') {
      const std::size_t close = line.rfind(u']');
      if (close != std::u16string_view::npos) {
        Section section;
        section.name = UpToNul(Trim(line.substr(1, close - 1)));
        sections_.push_back(std::move(section));
        have_previous_key = false;
        continue;
      }
    }

    std::u16string_view name = line;
    std::optional<std::u16string_view> value;
    const std::size_t eq = line.find(u'=');
    if (eq != std::u16string_view::npos) {
      name = line.substr(0, eq);
      while (!name.empty() && IsProfileBlank(name.back())) name.remove_suffix(1);
      std::u16string_view rest = line.substr(eq + 1);
      while (!rest.empty() && IsProfileBlank(rest.front())) rest.remove_prefix(1);
      value = rest;
    }
    if (name.empty() && have_previous_key && previous_key_unnamed) continue;
    Key key{UpToNul(name), value ? std::optional<std::u16string>(UpToNul(*value)) : std::nullopt};
    previous_key_unnamed = key.name.empty();
    have_previous_key = true;
    Section& section = sections_.back();
    section.first_key.emplace(Folded(key.name), section.keys.size());
    section.keys.push_back(std::move(key));
  }
  for (std::size_t i = 0; i < sections_.size(); ++i)
    first_section_.emplace(Folded(sections_[i].name), i);
}

std::size_t TextProfile::KeyCount() const {
  std::size_t count = 0;
  for (const Section& section : sections_) count += section.keys.size();
  return count;
}

const TextProfile::Key* TextProfile::Find(std::u16string_view section,
                                          std::u16string_view key) const {
  const auto found_section = first_section_.find(Folded(Trim(section)));
  if (found_section == first_section_.end()) return nullptr;
  const Section& s = sections_[found_section->second];
  const auto found_key = s.first_key.find(Folded(Trim(key)));
  return found_key == s.first_key.end() ? nullptr : &s.keys[found_key->second];
}

std::uint32_t TextProfile::GetString(const char* section, const char* key,
                                     const char* default_value, char* buffer,
                                     std::uint32_t size) const {
  if (!buffer || size == 0) return 0;
  if (size == 1) {
    buffer[0] = '\0';
    return 0;
  }
  // The default without its trailing blanks (a default of blanks only keeps one).
  std::u16string fallback = Widened(default_value);
  while (fallback.size() > 1 && fallback.back() == u' ') fallback.pop_back();

  const Key* found = Find(Widened(section), Widened(key));
  std::u16string_view value = found && found->value ? *found->value : fallback;
  value = value.substr(0, value.find(u'\0'));

  // Quotes: the closing one goes when the whole value fits; when it does not,
  // the last character copied goes instead.
  bool quoted = false;
  if (!value.empty() && (value.front() == u'\'' || value.front() == u'"') && value.size() > 1 &&
      value.back() == value.front()) {
    quoted = true;
    value.remove_prefix(1);
  }
  std::u16string copied(value.substr(0, size - 1));
  if (quoted && size >= value.size() && !copied.empty()) copied.pop_back();

  // Into size − 1 bytes of code page 932, whole characters only.
  const std::size_t room = size - 1;
  std::size_t written = 0;
  bool overflow = false;
  for (char16_t unit : copied) {
    const std::string& bytes = EncodeUnit(unit);
    if (written + bytes.size() > room) {
      overflow = true;
      break;
    }
    std::memcpy(buffer + written, bytes.data(), bytes.size());
    written += bytes.size();
  }
  const std::size_t result = overflow ? room : written;
  buffer[result] = '\0';
  return static_cast<std::uint32_t>(result);
}

std::string ReadProfileString(const ProfileReader& profile, const char* section,
                              const std::string& key) {
  std::vector<char> buffer(512);
  for (;;) {
    const std::uint32_t got = profile.GetString(section, key.c_str(), "", buffer.data(),
                                                static_cast<std::uint32_t>(buffer.size()));
    // A value that filled the buffer may have been cut, and a quoted one that
    // filled it loses one character more: read it again, larger.
    if (got + 2 < buffer.size()) return std::string(buffer.data(), got);
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace kestra
