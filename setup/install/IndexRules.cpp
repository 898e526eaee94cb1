#include "install/IndexRules.h"
#include "system/AppInfo.h"

#include <windows.h>

#include <cctype>
#include <limits>

namespace kestra {

std::optional<int64_t> ParseIndexVersion(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t");
  std::size_t end = text.find_last_not_of(" \t");
  if (begin == std::string::npos) return std::nullopt;
  std::string digits = text.substr(begin, end - begin + 1);
  bool negative = false;
  if (digits[0] == '+' || digits[0] == '-') {
    negative = digits[0] == '-';
    digits.erase(0, 1);
  }
  // Nine digits keep every value far from overflowing; no index has more.
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  int64_t value = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

bool SameDriveRoot(const std::string& a, const std::string& b) {
  const std::string root_a = a.substr(0, 3), root_b = b.substr(0, 3);
  return ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, root_a.data(),
                          static_cast<int>(root_a.size()), root_b.data(),
                          static_cast<int>(root_b.size())) == CSTR_EQUAL;
}

IndexDecision DecideIndexCopy(const IndexFacts& facts) {
  if (facts.install_index != kIndexToDisk) return IndexDecision::NotRequested;
  if (facts.dvd_lasts && SameDriveRoot(facts.target, facts.dvd_index))
    return IndexDecision::SameDriveAsDvd;

  bool wanted = facts.target_free_bytes > 0;
  const std::optional<int64_t> installed = ParseIndexVersion(facts.installed_version);
  const std::optional<int64_t> on_dvd = ParseIndexVersion(facts.dvd_version);
  if (installed && on_dvd) {
    if (*on_dvd < *installed) wanted = false;
    if (wanted && facts.target_remote && facts.target_holds_index)
      return IndexDecision::AskOverNetwork;
    return wanted ? IndexDecision::Copy : IndexDecision::UseDvd;
  }
  if (wanted) return IndexDecision::Copy;
  return facts.target_holds_index ? IndexDecision::KeepTarget : IndexDecision::UseDvd;
}

}  // namespace kestra
