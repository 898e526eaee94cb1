#include "system/Mbcs.h"

namespace kestra {

namespace {

// Calls f(offset, length) for every character of s, in order.
template <typename F>
void ForEachChar(std::string_view s, F f) {
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t len = CharLength(s, i);
    f(i, len);
    i += len;
  }
}

}  // namespace

std::size_t CharLength(std::string_view s, std::size_t offset) {
  return IsLeadByte(static_cast<unsigned char>(s[offset])) && offset + 1 < s.size() ? 2 : 1;
}

bool IsCharBoundary(std::string_view s, std::size_t offset) {
  std::size_t at = 0;
  while (at < offset && at < s.size()) at += CharLength(s, at);
  return at == offset;
}

std::size_t LastCharOffset(std::string_view s) {
  std::size_t last = std::string_view::npos;
  ForEachChar(s, [&](std::size_t at, std::size_t) { last = at; });
  return last;
}

bool EndsWithChar(std::string_view s, char c) {
  std::size_t at = LastCharOffset(s);
  return at != std::string_view::npos && at + 1 == s.size() && s[at] == c;
}

std::size_t LastDelimiter(std::string_view s, std::string_view delimiters) {
  std::size_t found = std::string_view::npos;
  ForEachChar(s, [&](std::size_t at, std::size_t len) {
    if (len == 1 && delimiters.find(s[at]) != std::string_view::npos) found = at;
  });
  return found;
}

std::size_t FindChar(std::string_view s, char c, std::size_t from) {
  std::size_t found = std::string_view::npos;
  ForEachChar(s, [&](std::size_t at, std::size_t len) {
    if (found == std::string_view::npos && at >= from && len == 1 && s[at] == c) found = at;
  });
  return found;
}

std::string AddBackslash(const std::string& s) {
  if (s.size() > 1 && !EndsWithChar(s, '\\')) return s + "\\";
  return s;
}

std::string RemoveBackslash(const std::string& s) {
  if (s.size() > 2 && EndsWithChar(s, '\\')) return s.substr(0, s.size() - 1);
  return s;
}

std::string ExtractFilePath(std::string_view path) {
  std::size_t at = LastDelimiter(path, "\\:");
  return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string ExtractFileName(std::string_view path) {
  std::size_t at = LastDelimiter(path, "\\:");
  return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string ExtractFileDrive(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':' && !IsLeadByte(static_cast<unsigned char>(path[0])))
    return std::string(path.substr(0, 2));
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    // \\server\share: stop before the backslash that follows the share name.
    std::size_t server_end = FindChar(path, '\\', 2);
    if (server_end == std::string_view::npos) return std::string(path);
    std::size_t share_end = FindChar(path, '\\', server_end + 1);
    return std::string(path.substr(0, share_end));
  }
  return std::string();
}

std::string AnsiUpperCase(std::string_view s) {
  return UpperCaseCp932(s);
}

}  // namespace kestra
