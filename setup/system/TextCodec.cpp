#include "system/TextCodec.h"

#include "system/CodePage.h"

namespace kestra {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char16_t u = utf16[i];
    if (IsHigh(u) && i + 1 < utf16.size() && IsLow(utf16[i + 1])) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                          (static_cast<char32_t>(utf16[i + 1]) - 0xDC00));
      ++i;
    } else if (IsHigh(u) || IsLow(u)) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
  if (std::optional<std::u16string> wide = Cp932ToUtf16(cp932)) return Utf16ToUtf8(*wide);
  // Character by character, so that one broken byte spoils only itself.
  std::string out;
  for (std::size_t i = 0; i < cp932.size();) {
    const std::size_t length =
        IsLeadByte(static_cast<unsigned char>(cp932[i])) && i + 1 < cp932.size() ? 2 : 1;
    const std::optional<std::u16string> one = Cp932ToUtf16(cp932.substr(i, length));
    out += one ? Utf16ToUtf8(*one) : std::string("?");
    i += length;
  }
  return out;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  const std::optional<std::u16string> wide = Utf8ToUtf16(utf8);
  if (!wide) return std::nullopt;
  return Utf16ToCp932(*wide);
}

}  // namespace kestra
