// The platform side of text handling: code page 932 <-> UTF-16, the upper
// case of code page 932 text, and the locale's comparison of names.
//
// Everything else the parsing code does with Shift-JIS text (walking it by
// character, splitting paths, folding member names) is plain byte work that
// builds for Windows and natively alike; only these calls differ. Windows
// answers them with its own conversion tables (CodePageWin32.cpp); the native
// build of the parsing code, used to run it under sanitizers, answers them
// with glibc's iconv (CodePageIconv.cpp).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestra {

// True when byte b starts a double-byte character in code page 932.
bool IsLeadByte(unsigned char b);

// UTF-16 text of UTF-8 text; nothing when the bytes are not valid UTF-8.
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);

// Code page 932 text of UTF-16 text, no best-fit replacements; nothing when a
// character has no code page 932 form.
std::optional<std::string> Utf16ToCp932(std::u16string_view utf16);

// UTF-16 text of code page 932 text; nothing when the bytes are not valid
// code page 932.
std::optional<std::u16string> Cp932ToUtf16(std::string_view cp932);

// The text with every letter the system's code page 932 case rules know
// (ASCII, full-width Latin, Greek, Cyrillic, ...) upper-cased; the length
// stays and double-byte characters stay whole.
std::string UpperCaseCp932(std::string_view text);

// The order of two texts in the user's locale, letter case ignored
// (CompareStringW with NORM_IGNORECASE): < 0, 0 (the same) or > 0; nothing
// when the system cannot compare them.
std::optional<int> CompareInUserLocale(std::u16string_view a, std::u16string_view b);

// A key whose byte order is the order of CompareInUserLocale (LCMapStringW
// with LCMAP_SORTKEY | NORM_IGNORECASE): equal keys for texts that compare
// the same. Nothing when the system cannot make one.
std::optional<std::string> SortKeyInUserLocale(std::u16string_view text);

// Two code page 932 texts are the same in the invariant locale, letter case
// ignored (CompareStringA with LOCALE_INVARIANT and NORM_IGNORECASE).
bool SameInInvariantLocale(std::string_view a, std::string_view b);

}  // namespace kestra
