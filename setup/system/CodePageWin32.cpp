// Code page 932 through the Windows API: the tables the installed system uses.
#include "system/CodePage.h"

#include <windows.h>

namespace kestra {

namespace {

constexpr UINT kShiftJis = 932;

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 is the Windows wide string");

const wchar_t* Wide(std::u16string_view s) { return reinterpret_cast<const wchar_t*>(s.data()); }
wchar_t* Wide(std::u16string& s) { return reinterpret_cast<wchar_t*>(s.data()); }

std::optional<std::u16string> ToUtf16(UINT codePage, std::string_view text) {
  if (text.empty()) return std::u16string();
  const int inLen = static_cast<int>(text.size());
  const int wideLen =
      ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), inLen, nullptr, 0);
  if (wideLen <= 0) return std::nullopt;
  std::u16string wide(static_cast<std::size_t>(wideLen), u'\0');
  ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), inLen, Wide(wide), wideLen);
  return wide;
}

}  // namespace

bool IsLeadByte(unsigned char b) { return ::IsDBCSLeadByteEx(kShiftJis, b) != FALSE; }

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) { return ToUtf16(CP_UTF8, utf8); }

std::optional<std::u16string> Cp932ToUtf16(std::string_view cp932) {
  return ToUtf16(kShiftJis, cp932);
}

std::optional<std::string> Utf16ToCp932(std::u16string_view utf16) {
  if (utf16.empty()) return std::string();
  const int wideLen = static_cast<int>(utf16.size());
  BOOL usedDefault = FALSE;
  const int outLen = ::WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, Wide(utf16), wideLen,
                                           nullptr, 0, nullptr, &usedDefault);
  if (outLen <= 0 || usedDefault) return std::nullopt;
  std::string out(static_cast<std::size_t>(outLen), '\0');
  ::WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, Wide(utf16), wideLen, out.data(), outLen,
                        nullptr, &usedDefault);
  if (usedDefault) return std::nullopt;
  return out;
}

std::string UpperCaseCp932(std::string_view text) {
  // The ANSI code page of the programs is 932 (their manifest and locale).
  std::string upper(text);
  if (!upper.empty()) ::CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  return upper;
}

std::optional<int> CompareInUserLocale(std::u16string_view a, std::u16string_view b) {
  const int result = ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Wide(a),
                                      static_cast<int>(a.size()), Wide(b),
                                      static_cast<int>(b.size()));
  if (result == 0) return std::nullopt;
  return result - CSTR_EQUAL;
}

std::optional<std::string> SortKeyInUserLocale(std::u16string_view text) {
  if (text.empty()) return std::string();
  const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
  const int length = static_cast<int>(text.size());
  const int bytes = ::LCMapStringW(LOCALE_USER_DEFAULT, flags, Wide(text), length, nullptr, 0);
  if (bytes <= 0) return std::nullopt;
  std::string key(static_cast<std::size_t>(bytes), '\0');
  // With LCMAP_SORTKEY the target is a byte buffer and its size is in bytes.
  if (::LCMapStringW(LOCALE_USER_DEFAULT, flags, Wide(text), length,
                     reinterpret_cast<LPWSTR>(key.data()), bytes) != bytes)
    return std::nullopt;
  return key;
}

bool SameInInvariantLocale(std::string_view a, std::string_view b) {
  return ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace kestra
