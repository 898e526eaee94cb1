// Text between the programs' code page (932, Shift-JIS) and UTF-8, the
// encoding of the files administrators read and write: the run's log and the
// answer files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestra {

// UTF-8 of UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// UTF-8 of code page 932 text; a byte that is no code page 932 text (a cut
// double-byte character, say) becomes "?", so that a log line is never lost.
std::string Cp932ToUtf8(std::string_view cp932);

// Code page 932 of UTF-8 text; nothing when the bytes are not valid UTF-8 or a
// character has no code page 932 form.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

}  // namespace kestra
