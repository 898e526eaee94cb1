// Shift-JIS (code page 932) aware string and path helpers.
//
// The second byte of a double-byte character can be 0x5C ("\") or 0x7C ("|"), so
// "ends with a backslash" or "the last backslash" must be answered character by
// character, never byte by byte: C:\ソ does not end in a backslash.
#pragma once

#include <string>
#include <string_view>

#include "system/CodePage.h"

namespace kestra {

inline constexpr unsigned kCodePage = 932;

// Length in bytes of the character starting at offset (< s.size()): 2 for a
// lead byte with its trail byte, else 1 (a lead byte cut off at the end counts
// as one character of its own).
std::size_t CharLength(std::string_view s, std::size_t offset);

// True when offset is where a character of s begins (or its end).
bool IsCharBoundary(std::string_view s, std::size_t offset);

// UTF-16 text of code page 932 text as Windows reads it where broken bytes
// are allowed (MultiByteToWideChar without MB_ERR_INVALID_CHARS, as the ANSI
// file and profile functions convert): a lead byte takes the next byte along
// whatever it is, a pair that is no character and a lead byte at the end
// become U+30FB, the single bytes 0x80, 0xA0, 0xFD to 0xFF become U+0080,
// U+F8F0 to U+F8F3.
std::u16string Cp932ToUtf16AsWindowsReads(std::string_view bytes);

// Byte offset of the last character of s (npos when s is empty).
std::size_t LastCharOffset(std::string_view s);

// True when the last character of s is the single-byte character c.
bool EndsWithChar(std::string_view s, char c);

// Byte offset of the last single-byte character of s that is one of delimiters
// (npos when there is none).
std::size_t LastDelimiter(std::string_view s, std::string_view delimiters);

// Byte offset of the first single-byte character c at or after from (npos if none).
std::size_t FindChar(std::string_view s, char c, std::size_t from = 0);

// The folder part of a path, up to and including its last "\" or ":".
std::string ExtractFilePath(std::string_view path);
// The file name part of a path, after its last "\" or ":".
std::string ExtractFileName(std::string_view path);
// The drive part of a path: "X:" for a drive path, "\\server\share" for a UNC
// path, empty otherwise.
std::string ExtractFileDrive(std::string_view path);

// A drive path ("C:\...", a letter, colon and backslash) or a UNC path
// ("\\server\..."): a path that is resolved against no current folder.
bool IsAbsolutePath(std::string_view path);

// Appends "\" when s has more than one character and does not end in one.
std::string AddBackslash(const std::string& s);
// Drops a trailing "\" when s has more than two characters ("C:\" → "C:").
std::string RemoveBackslash(const std::string& s);

// Upper case of ASCII and full-width letters; double-byte characters stay whole.
std::string AnsiUpperCase(std::string_view s);

// Case-sensitive substring test.
inline bool Contains(std::string_view haystack, std::string_view needle) {
  return haystack.find(needle) != std::string_view::npos;
}

}  // namespace kestra
