// Times EZip.dll the way the installer uses it: one EZipExpandLibOnce call per
// member, in the order of a member list, and prints the figures.
//   ezip_bench EZIP_DLL ARCHIVE MEMBER_LIST BASE_FOLDER
// MEMBER_LIST holds one member path per line (code page 932, "\" separators).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "EZip.h"
#include "system/Handles.h"

namespace {

std::vector<std::string> ReadLines(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

double Seconds(LONGLONG ticks) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now() {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return now.QuadPart;
}

// Median of the call times of a range of calls, in milliseconds.
double MedianMs(std::vector<LONGLONG> ticks) {
  if (ticks.empty()) return 0;
  std::nth_element(ticks.begin(), ticks.begin() + ticks.size() / 2, ticks.end());
  return Seconds(ticks[ticks.size() / 2]) * 1000;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: ezip_bench EZIP_DLL ARCHIVE MEMBER_LIST BASE_FOLDER\n");
    return 2;
  }
  kestra::Library library(::LoadLibraryA(argv[1]));
  if (!library) {
    std::fprintf(stderr, "cannot load %s\n", argv[1]);
    return 1;
  }
  auto expand = reinterpret_cast<EZipExpandLibOnceProc>(
      reinterpret_cast<void*>(::GetProcAddress(library.get(), "EZipExpandLibOnce")));
  if (!expand) return 1;
  const std::vector<std::string> members = ReadLines(argv[3]);
  if (members.empty()) return 1;

  std::vector<LONGLONG> callTicks;
  callTicks.reserve(members.size());
  double bytes = 0;
  int failures = 0;
  const LONGLONG start = Now();
  for (const std::string& member : members) {
    const LONGLONG before = Now();
    const double written = expand(argv[2], argv[4], member.c_str(), 0);
    callTicks.push_back(Now() - before);
    if (written < 0) {
      ++failures;
      std::fprintf(stderr, "failed: %s\n", member.c_str());
    } else {
      bytes += written;
    }
  }
  const double total = Seconds(Now() - start);

  const std::size_t n = members.size();
  const std::size_t firstN = std::min<std::size_t>(500, n);
  LONGLONG firstTicks = 0;
  for (std::size_t i = 0; i < firstN; ++i) firstTicks += callTicks[i];
  const std::size_t quarter = std::max<std::size_t>(1, n / 4);
  std::printf("ezip_members %zu\n", n);
  std::printf("ezip_failures %d\n", failures);
  std::printf("ezip_bytes %.0f\n", bytes);
  std::printf("ezip_seconds %.3f\n", total);
  std::printf("ezip_first_call_ms %.3f\n", Seconds(callTicks[0]) * 1000);
  std::printf("ezip_per_call_ms_first_%zu %.3f\n", firstN, Seconds(firstTicks) * 1000 / firstN);
  std::printf("ezip_per_call_ms_all_%zu %.3f\n", n, total * 1000 / n);
  std::printf("ezip_median_call_ms_first_quarter %.3f\n",
              MedianMs({callTicks.begin(), callTicks.begin() + quarter}));
  std::printf("ezip_median_call_ms_last_quarter %.3f\n",
              MedianMs({callTicks.end() - quarter, callTicks.end()}));
  return failures == 0 ? 0 : 1;
}
