#include "deploy/AnswerFile.h"

#include <vector>

#include "system/CodePage.h"
#include "system/Mbcs.h"
#include "system/TextCodec.h"

namespace kestra {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr char kSection[] = "SETUP";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trimmed(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string Unquoted(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

std::optional<std::string> FromUtf16(std::string_view bytes, bool little_endian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::u16string wide;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const auto lo = static_cast<unsigned char>(bytes[i + (little_endian ? 0 : 1)]);
    const auto hi = static_cast<unsigned char>(bytes[i + (little_endian ? 1 : 0)]);
    wide += static_cast<char16_t>(lo | (hi << 8));
  }
  return Utf16ToCp932(wide);
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line += c;
    }
  }
  lines.push_back(std::move(line));
  return lines;
}

std::optional<bool> Flag(const std::string& value) {
  if (value == "1") return true;
  if (value == "0") return false;
  return std::nullopt;
}

// DVDPath1 ... DVDPath23: the DVD's number; nothing for any other key.
std::optional<int> DvdNumberOf(const std::string& upper_key) {
  const std::string prefix = "DVDPATH";
  if (upper_key.rfind(prefix, 0) != 0) return std::nullopt;
  const std::string digits = upper_key.substr(prefix.size());
  if (digits.empty() || digits.size() > 2 || digits[0] == '0') return std::nullopt;
  int number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (number < 1 || number > kDvdCount) return std::nullopt;
  return number;
}

// Takes one key of [Setup]; the fault when it cannot be taken.
std::string TakeKey(const std::string& key, const std::string& value, AnswerValues& values) {
  const std::string upper = AnsiUpperCase(key);
  if (value.empty()) return std::string();  // the page's proposal stays
  PresetChoices& choices = values.choices;
  if (upper == "APPDIR") {
    choices.app_dir = value;
  } else if (upper == "INDEXDIR") {
    choices.index_dir = value;
  } else if (upper == "INSTALLINDEX" || upper == "INDEXOVERWRITE") {
    const std::optional<bool> flag = Flag(value);
    if (!flag) return key + "=" + value + ": 1 または 0 を指定してください。";
    (upper == "INSTALLINDEX" ? choices.install_index : values.index_overwrite) = flag;
  } else if (const std::optional<int> dvd = DvdNumberOf(upper)) {
    choices.dvd_paths[static_cast<std::size_t>(*dvd - 1)] = value;
  } else {
    return key + ": 不明なキーです。";
  }
  return std::string();
}

}  // namespace

std::optional<std::string> DecodeAnswerText(std::string_view bytes) {
  if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) return Utf8ToCp932(bytes.substr(3));
  if (bytes.substr(0, 2) == "\xFF\xFE") return FromUtf16(bytes.substr(2), true);
  if (bytes.substr(0, 2) == "\xFE\xFF") return FromUtf16(bytes.substr(2), false);
  // Without a mark: UTF-8 where the bytes are UTF-8 (plain ASCII is both),
  // else Shift-JIS; text that is neither is refused.
  if (Utf8ToUtf16(bytes)) return Utf8ToCp932(bytes);
  if (bytes.empty() || Cp932ToUtf16(bytes)) return std::string(bytes);
  return std::nullopt;
}

AnswerFileContent ParseAnswerFile(std::string_view bytes) {
  AnswerFileContent content;
  const std::optional<std::string> text = DecodeAnswerText(bytes);
  if (!text) {
    content.fault = "応答ファイルは UTF-8 でも Shift-JIS でもありません。";
    return content;
  }
  bool in_setup = false, setup_seen = false;
  for (const std::string& raw : Lines(*text)) {
    const std::string line = Trimmed(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      if (close == std::string::npos) {
        content.fault = line + ": セクション名が閉じられていません。";
        return content;
      }
      in_setup = AnsiUpperCase(Trimmed(line.substr(1, close - 1))) == kSection;
      setup_seen = setup_seen || in_setup;
      continue;
    }
    if (!in_setup) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      content.fault = line + ": キー=値 の形ではありません。";
      return content;
    }
    const std::string fault = TakeKey(Trimmed(line.substr(0, equals)),
                                      Unquoted(Trimmed(line.substr(equals + 1))), content.values);
    if (!fault.empty()) {
      content.fault = fault;
      return content;
    }
  }
  if (!setup_seen) content.fault = "応答ファイルに [Setup] セクションがありません。";
  return content;
}

std::string FormatAnswerFile(const AnswerValues& values) {
  std::string text = "[Setup]\r\n";
  const auto line = [&text](const std::string& key, const std::string& value) {
    text += key + "=" + value + "\r\n";
  };
  const PresetChoices& choices = values.choices;
  if (choices.app_dir) line("AppDir", *choices.app_dir);
  if (choices.install_index) line("InstallIndex", *choices.install_index ? "1" : "0");
  if (choices.index_dir) line("IndexDir", *choices.index_dir);
  for (int n = 1; n <= kDvdCount; ++n)
    if (const auto& path = choices.dvd_paths[static_cast<std::size_t>(n - 1)])
      line("DVDPath" + std::to_string(n), *path);
  if (values.index_overwrite) line("IndexOverwrite", *values.index_overwrite ? "1" : "0");
  return std::string(kUtf8Mark) + Cp932ToUtf8(text);
}

}  // namespace kestra
