// Member names of the archive and the paths the caller asks for.
//
// Names are Shift-JIS (code page 932) whatever the system's code page, since
// the archive is authored for the Japanese product. A double-byte character's
// second byte can look like "\", "|" or a lower-case letter, so every test here
// walks the text by character.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ezip {

// True when b starts a double-byte character in code page 932.
bool IsLeadByte(unsigned char b);
// True when b can follow a lead byte in code page 932.
bool IsTrailByte(unsigned char b);

// The key under which a name is looked up: "/" and "\" alike, ASCII and
// full-width Latin, Greek and Cyrillic letters upper-cased; the second byte of
// a double-byte character is never changed.
std::string FoldName(std::string_view name);

// A UTF-8 name in code page 932; nothing when it is not valid UTF-8 or holds a
// character code page 932 lacks (such a member can never be asked for).
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// True when writing to base folder + path stays inside the base folder and
// names an ordinary file: a relative path of well-formed characters with no
// drive or stream colon, no empty, "." or ".." component (nor one of dots and
// spaces only, which Windows trims to the same), no device name (CON, NUL,
// COM1...) and no character Windows forbids in file names.
bool IsSafeMemberPath(std::string_view path);

// True when the name ends in "/" or "\" (a folder entry of the archive).
bool IsFolderName(std::string_view name);

}  // namespace ezip
