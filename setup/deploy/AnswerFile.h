// The answer file of unattended runs: the settings page's choices as an INI
// file with one section.
//
//   [Setup]
//   AppDir=C:\Program Files\KESTRA\  (a folder; its trailing backslash may be left out)
//   InstallIndex=1
//   IndexDir=\\srv\kestra\KIDX\  (the same)
//   DVDPath1=\\srv\kestra\DVD1\  (DVDPath1 ... DVDPath23)
//   IndexOverwrite=1
//
// Every key is optional; a missing key (or an empty value) takes what the
// settings page would propose on that machine. -SAVEINF writes UTF-8 with a
// byte-order mark; -LOADINF reads UTF-8 with or without the mark, UTF-16 with
// its mark, and Shift-JIS, so that a file saved by any Notepad is taken.
// Lines starting with ";" are comments; blanks around names and values and a
// pair of quotes around a value are dropped. Keys are compared without regard
// to case; a key the file does not know is an error, so that a misspelt key
// cannot silently leave a default in place.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "wizard/SettingRules.h"

namespace kestra {

struct AnswerValues {
  PresetChoices choices;  // AppDir, InstallIndex, IndexDir, DVDPath1 ... DVDPath23
  std::optional<bool> index_overwrite;  // the answer to the network index question
};

struct AnswerFileContent {
  AnswerValues values;
  std::string fault;  // why the file cannot be taken; "" when it can
};

// The file's bytes as code page 932 text; nothing when they are neither UTF-8,
// UTF-16 with a byte-order mark nor Shift-JIS, or hold a character that
// Shift-JIS cannot write.
std::optional<std::string> DecodeAnswerText(std::string_view bytes);

// The answer file's values from its bytes.
AnswerFileContent ParseAnswerFile(std::string_view bytes);

// The file's bytes for the values (every value present is written).
std::string FormatAnswerFile(const AnswerValues& values);

}  // namespace kestra
