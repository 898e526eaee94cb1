// Code page 932 through glibc's iconv ("CP932", the Windows variant of
// Shift-JIS), for the native build of the parsing code. Never part of the
// Windows programs.
#include "system/CodePage.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

namespace kestra {

namespace {

// An open conversion descriptor, closed with its owner.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
  }
  ~Converter() { ::iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // The whole input converted; nothing on an invalid or unrepresentable
  // sequence, or on input that ends inside a character.
  std::optional<std::vector<char>> Convert(const char* data, std::size_t size) {
    // Start from the initial state whatever an earlier failed call left.
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> out(size * 4 + 16);
    char* in = const_cast<char*>(data);
    std::size_t inLeft = size;
    char* put = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
      if (::iconv(cd_, &in, &inLeft, &put, &outLeft) != static_cast<std::size_t>(-1)) break;
      if (errno != E2BIG) return std::nullopt;
      const std::size_t used = static_cast<std::size_t>(put - out.data());
      out.resize(out.size() * 2);
      put = out.data() + used;
      outLeft = out.size() - used;
    }
    // Flush any shift state; code page 932 and UTF-16LE have none to write.
    if (::iconv(cd_, nullptr, nullptr, &put, &outLeft) == static_cast<std::size_t>(-1))
      return std::nullopt;
    out.resize(static_cast<std::size_t>(put - out.data()));
    return out;
  }

 private:
  iconv_t cd_;
};

// Opening a descriptor costs more than most conversions: one of each kind per
// thread, kept for the thread's life.
Converter& Utf8Decoder() {
  thread_local Converter converter("UTF-16LE", "UTF-8");
  return converter;
}
Converter& Cp932Decoder() {
  thread_local Converter converter("UTF-16LE", "CP932");
  return converter;
}
Converter& Cp932Encoder() {
  thread_local Converter converter("CP932", "UTF-16LE");
  return converter;
}

std::optional<std::u16string> ToUtf16(Converter& converter, std::string_view text) {
  if (text.empty()) return std::u16string();
  const std::optional<std::vector<char>> bytes = converter.Convert(text.data(), text.size());
  if (!bytes) return std::nullopt;
  std::u16string out(bytes->size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(static_cast<unsigned char>((*bytes)[2 * i]) |
                                   (static_cast<unsigned char>((*bytes)[2 * i + 1]) << 8));
  return out;
}

// Characters Windows writes as a single byte of code page 932 and glibc's
// CP932 does not know (measured with WideCharToMultiByte under Wine 8).
std::optional<char> WindowsOnlyByteOf(char16_t unit) {
  switch (unit) {
    case 0x0080: return '\x80';
    case 0xF8F0: return '\xA0';
    case 0xF8F1: return '\xFD';
    case 0xF8F2: return '\xFE';
    case 0xF8F3: return '\xFF';
    default: return std::nullopt;
  }
}

std::optional<std::u16string> DecodeCp932(std::string_view cp932) {
  return ToUtf16(Cp932Decoder(), cp932);
}

// UTF-16 text without the characters above in code page 932, no best fit.
std::optional<std::string> EncodeRun(std::u16string_view utf16) {
  if (utf16.empty()) return std::string();
  std::vector<char> bytes;
  bytes.reserve(utf16.size() * 2);
  for (char16_t unit : utf16) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  const std::optional<std::vector<char>> out = Cp932Encoder().Convert(bytes.data(), bytes.size());
  if (!out) return std::nullopt;
  std::string cp932(out->begin(), out->end());
  // glibc writes a look-alike for some characters code page 932 lacks (U+00A3
  // "£" becomes 0x8192, the full-width "￡"); Windows, asked for no best fit,
  // refuses them. Only what reads back as the same text counts.
  if (DecodeCp932(cp932) != std::u16string(utf16)) return std::nullopt;
  return cp932;
}

// The C.UTF-8 locale's case table: Unicode's simple upper-case mapping, as
// Windows applies it to the wide form of ANSI text.
class UnicodeCase {
 public:
  UnicodeCase() : locale_(::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr))) {
    if (!locale_) throw std::runtime_error("the C.UTF-8 locale is missing");
  }
  ~UnicodeCase() { ::freelocale(locale_); }
  UnicodeCase(const UnicodeCase&) = delete;
  UnicodeCase& operator=(const UnicodeCase&) = delete;

  char16_t Upper(char16_t c) const {
    const wint_t upper = ::towupper_l(c, locale_);
    return upper <= 0xFFFF ? static_cast<char16_t>(upper) : c;
  }

 private:
  locale_t locale_;
};

// The upper case of one character of code page 932; the character itself when
// it has none of the same byte length (or is no valid character).
std::string UpperChar(const UnicodeCase& unicodeCase, std::string_view character) {
  // Single bytes below 0x80 are ASCII in code page 932.
  if (character.size() == 1 && static_cast<unsigned char>(character[0]) < 0x80) {
    const char c = character[0];
    return std::string(1, c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
  }
  const std::optional<std::u16string> wide = Cp932ToUtf16(character);
  if (!wide || wide->size() != 1) return std::string(character);
  const char16_t upper = unicodeCase.Upper((*wide)[0]);
  if (upper == (*wide)[0]) return std::string(character);
  const std::optional<std::string> back = Utf16ToCp932(std::u16string(1, upper));
  return back && back->size() == character.size() ? *back : std::string(character);
}

}  // namespace

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
  return ToUtf16(Utf8Decoder(), utf8);
}

std::optional<std::u16string> Cp932ToUtf16(std::string_view cp932) {
  // Runs of characters go through iconv; a single byte 0x80, which Windows
  // reads as U+0080 and glibc refuses, is taken here.
  std::u16string out;
  std::size_t runStart = 0;
  auto flush = [&](std::size_t end) {
    const std::optional<std::u16string> run =
        ToUtf16(Cp932Decoder(), cp932.substr(runStart, end - runStart));
    if (run) out += *run;
    return run.has_value();
  };
  std::size_t i = 0;
  while (i < cp932.size()) {
    const auto b = static_cast<unsigned char>(cp932[i]);
    if (b == 0x80) {
      if (!flush(i)) return std::nullopt;
      out += u'\u0080';
      runStart = i + 1;
    }
    i += IsLeadByte(b) ? 2 : 1;
  }
  if (!flush(cp932.size())) return std::nullopt;
  return out;
}

std::optional<std::string> Utf16ToCp932(std::u16string_view utf16) {
  std::string out;
  std::size_t runStart = 0;
  auto flush = [&](std::size_t end) {
    const std::optional<std::string> run = EncodeRun(utf16.substr(runStart, end - runStart));
    if (run) out += *run;
    return run.has_value();
  };
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const std::optional<char> single = WindowsOnlyByteOf(utf16[i]);
    if (!single) continue;
    if (!flush(i)) return std::nullopt;
    out += *single;
    runStart = i + 1;
  }
  if (!flush(utf16.size())) return std::nullopt;
  return out;
}

namespace {

const UnicodeCase& TheUnicodeCase() {
  static const UnicodeCase unicodeCase;
  return unicodeCase;
}

// The text with every unit upper-cased by Unicode's simple mapping.
std::u16string FoldCase(std::u16string_view text) {
  const UnicodeCase& unicodeCase = TheUnicodeCase();
  std::u16string folded(text);
  for (char16_t& unit : folded) unit = unicodeCase.Upper(unit);
  return folded;
}

}  // namespace

std::string UpperCaseCp932(std::string_view text) {
  const UnicodeCase& unicodeCase = TheUnicodeCase();
  std::string upper;
  upper.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t length =
        IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    upper += UpperChar(unicodeCase, text.substr(i, length));
    i += length;
  }
  return upper;
}

// The native build has no locale tables: texts are compared by their UTF-16
// units after Unicode's simple upper-case mapping. Names that Windows takes for
// the same (letters in any case) compare the same here as well; the order of
// different names, and characters Windows' comparison ignores, differ.
std::optional<int> CompareInUserLocale(std::u16string_view a, std::u16string_view b) {
  const std::u16string fa = FoldCase(a), fb = FoldCase(b);
  const int order = fa.compare(fb);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

std::optional<std::string> SortKeyInUserLocale(std::u16string_view text) {
  // Big-endian units: the byte order of the keys is the order above.
  std::string key;
  key.reserve(text.size() * 2);
  for (char16_t unit : FoldCase(text)) {
    key.push_back(static_cast<char>(unit >> 8));
    key.push_back(static_cast<char>(unit & 0xFF));
  }
  return key;
}

bool SameInInvariantLocale(std::string_view a, std::string_view b) {
  const std::optional<std::u16string> wa = Cp932ToUtf16(a), wb = Cp932ToUtf16(b);
  if (wa && wb) return FoldCase(*wa) == FoldCase(*wb);
  // Text that is no valid code page 932: its bytes, ASCII letters folded.
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char ca = a[i], cb = b[i];
    if (ca >= 'a' && ca <= 'z') ca = static_cast<char>(ca - 'a' + 'A');
    if (cb >= 'a' && cb <= 'z') cb = static_cast<char>(cb - 'a' + 'A');
    if (ca != cb) return false;
  }
  return true;
}

}  // namespace kestra
