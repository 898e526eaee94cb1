// What every harness shares: the input as text, split into lines, and a check
// that turns a broken promise of the code under test into a finding.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

inline std::string_view Text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The input's lines, split at LF only: CR and every other byte stay in them.
inline std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    lines.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return lines;
    start = end + 1;
  }
}

// The nth line, or "" when there are fewer.
inline const std::string& LineOr(const std::vector<std::string>& lines, std::size_t n) {
  static const std::string empty;
  return n < lines.size() ? lines[n] : empty;
}

// A promise the code under test makes; abort (a finding) when it is broken.
inline void Require(bool holds, const char* promise) {
  if (holds) return;
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

}  // namespace fuzz
