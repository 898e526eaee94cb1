// Times reading every key of a large INI file, in file order, through the INI
// store and through GetPrivateProfileStringA, at one size and at twice that size.
//
//   bigini_bench [--full] [--folder DIR]
//
// The profile functions open and search the file for every call; at these sizes
// one pass over all keys can take minutes. Unless --full is given, a pass that
// would take longer than two minutes is timed on an even sample of sections and
// extrapolated to all keys; the output says so.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "script/BigIni.h"
#include "system/FileSys.h"
#include "system/Handles.h"

namespace {

constexpr int kKeysPerSection = 10;
constexpr double kFullPassLimitSeconds = 120.0;
constexpr int kSampleKeys = 2000;
constexpr int kProbeSections = 50;
constexpr int kStoreRuns = 7;

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER c;
  ::QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / frequency;
}

struct Entry {
  std::string section, key, value;
};

struct TestFile {
  std::string path;
  int sections = 0;
  std::vector<Entry> entries;  // every key in file order
  std::size_t bytes = 0;
  std::size_t lines = 0;
};

std::string Format(const char* format, int a, int b = 0) {
  char text[64];
  int length = std::snprintf(text, sizeof text, format, a, b);
  if (length < 0 || length >= static_cast<int>(sizeof text)) throw std::length_error(format);
  return text;
}

// Sections of ten keys shaped like install records, with a blank line after each.
TestFile Generate(const std::string& path, int sections) {
  TestFile file;
  file.path = path;
  file.sections = sections;
  std::string text;
  for (int s = 0; s < sections; ++s) {
    std::string section = Format("Group%05d", s);
    text += "[" + section + "]\r\n";
    for (int k = 1; k <= kKeysPerSection; ++k) {
      Entry entry{section, Format("KESTRA%03d", k),
                  Format("7,C:\\Program Files\\KESTRA\\DATA\\%05d\\FILE%02d.DAT", s, k)};
      text += entry.key + "=" + entry.value + "\r\n";
      file.entries.push_back(std::move(entry));
    }
    text += "\r\n";
  }
  file.bytes = text.size();
  file.lines = static_cast<std::size_t>(sections) * (kKeysPerSection + 2);
  kestra::FileHandle out(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) throw std::runtime_error("cannot create " + path);
  DWORD written = 0;
  if (!::WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size())
    throw std::runtime_error("cannot write " + path);
  return file;
}

struct StoreTiming {
  double load = 0, reads = 0;
  double Total() const { return load + reads; }
};

// One pass: load the file into a store, read every key in file order.
StoreTiming TimeStoreOnce(const TestFile& file) {
  StoreTiming timing;
  double start = Now();
  kestra::TBigIniFile ini(file.path);
  double loaded = Now();
  std::size_t wrong = 0;
  for (const Entry& e : file.entries)
    if (ini.ReadString(e.section, e.key, "") != e.value) ++wrong;
  double done = Now();
  if (wrong != 0) throw std::runtime_error("the store read wrong values");
  timing.load = loaded - start;
  timing.reads = done - loaded;
  return timing;
}

// Reads one key through the profile functions and checks its value.
void ProfileRead(const TestFile& file, const Entry& e, std::string& buffer) {
  DWORD got = ::GetPrivateProfileStringA(e.section.c_str(), e.key.c_str(), "", buffer.data(),
                                         static_cast<DWORD>(buffer.size()), file.path.c_str());
  if (got >= buffer.size() - 1 || e.value.compare(0, std::string::npos, buffer.data(), got) != 0)
    throw std::runtime_error("the profile functions read a wrong value for " + e.section + "/" + e.key);
}

struct ProfileTiming {
  double seconds = 0;  // all keys (measured or extrapolated)
  double firstCall = 0;
  double probeEstimate = 0;
  std::size_t timedKeys = 0;
  bool extrapolated = false;
};

// Times reading the keys of every step-th section; returns seconds and count.
std::pair<double, std::size_t> TimeProfileSections(const TestFile& file, int step, int first) {
  std::string buffer(4096, '\0');
  std::size_t count = 0;
  double start = Now();
  for (int s = first; s < file.sections; s += step) {
    for (int k = 0; k < kKeysPerSection; ++k) {
      ProfileRead(file, file.entries[static_cast<std::size_t>(s * kKeysPerSection + k)], buffer);
      ++count;
    }
  }
  return {Now() - start, count};
}

ProfileTiming TimeProfile(const TestFile& file, bool full) {
  ProfileTiming timing;
  const std::size_t keys = file.entries.size();
  // The first call reads and parses the file; it is part of the cost of every mode.
  std::string buffer(4096, '\0');
  double start = Now();
  ProfileRead(file, file.entries.front(), buffer);
  const double firstCall = Now() - start;

  // A probe spread over the whole file decides whether a full pass fits the
  // limit. A single slow call on a busy machine must not decide it: the median
  // section counts.
  const int probeStep = std::max(1, file.sections / kProbeSections);
  std::vector<double> perSection;
  for (int s = probeStep / 2; s < file.sections; s += probeStep)
    perSection.push_back(TimeProfileSections(file, file.sections, s).first);
  auto middle = perSection.begin() + static_cast<std::ptrdiff_t>(perSection.size() / 2);
  std::nth_element(perSection.begin(), middle, perSection.end());
  const double estimate =
      firstCall + *middle * static_cast<double>(file.sections);
  timing.firstCall = firstCall;
  timing.probeEstimate = estimate;
  if (full || estimate <= kFullPassLimitSeconds) {
    auto [seconds, count] = TimeProfileSections(file, 1, 0);
    timing.seconds = firstCall + seconds;
    timing.timedKeys = count;
    return timing;
  }
  const int step = std::max(1, file.sections / (kSampleKeys / kKeysPerSection));
  auto [seconds, count] = TimeProfileSections(file, step, step / 2);
  timing.seconds = firstCall + seconds / static_cast<double>(count) * static_cast<double>(keys - 1);
  timing.timedKeys = count + 1;
  timing.extrapolated = true;
  return timing;
}

std::string Grouped(std::size_t n) {
  std::string digits = std::to_string(n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

struct SizeResult {
  SizeResult(const char* l, TestFile f) : label(l), file(std::move(f)) {}
  const char* label;
  TestFile file;
  StoreTiming store{1e30, 0};
  ProfileTiming profile;
};

// Store passes of the sizes alternate, so that both meet the same load of a
// shared machine; the best pass of each counts.
void TimeStores(std::vector<SizeResult>& sizes) {
  for (int run = 0; run < kStoreRuns; ++run)
    for (SizeResult& size : sizes) {
      StoreTiming t = TimeStoreOnce(size.file);
      if (t.Total() < size.store.Total()) size.store = t;
    }
}

void Report(const SizeResult& size) {
  const TestFile& file = size.file;
  std::printf("%s: %s keys in %s sections of ten, %s lines, %s bytes\n", size.label,
              Grouped(file.entries.size()).c_str(),
              Grouped(static_cast<std::size_t>(file.sections)).c_str(), Grouped(file.lines).c_str(),
              Grouped(file.bytes).c_str());
  std::printf("  store:        %9.3f s  (load %.3f s + reads %.3f s; best of %d passes)\n",
              size.store.Total(), size.store.load, size.store.reads, kStoreRuns);
  if (size.profile.extrapolated)
    std::printf("  profile API:  %9.3f s  EXTRAPOLATED: %s of %s keys timed (the first call, then "
                "every key of an even sample of sections)\n",
                size.profile.seconds, Grouped(size.profile.timedKeys).c_str(),
                Grouped(file.entries.size()).c_str());
  else
    std::printf("  profile API:  %9.3f s  (all %s keys timed, plus the first, cold call)\n",
                size.profile.seconds,
                Grouped(file.entries.size()).c_str());
  std::printf("                (first call %.3f s; a probe of %d sections estimated %.1f s for all)\n",
              size.profile.firstCall, kProbeSections, size.profile.probeEstimate);
  std::printf("  speed-up:     %9.1fx\n", size.profile.seconds / size.store.Total());
}

}  // namespace

int main(int argc, char** argv) {
  bool full = false;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--full") {
      full = true;
    } else if (arg == "--folder" && i + 1 < argc) {
      folder = argv[++i];
    } else {
      std::fprintf(stderr, "usage: bigini_bench [--full] [--folder DIR]\n");
      return 2;
    }
  }
  if (folder.empty()) {
    DWORD size = ::GetTempPathA(0, nullptr);
    folder.assign(size, '\0');
    folder.resize(::GetTempPathA(size, folder.data()));
    folder += "kestra_bench";
  }
  if (folder.back() != '\\') folder += '\\';
  kestra::ForceDirectories(folder);

  try {
    std::printf("INI store against GetPrivateProfileStringA: every key read in file order\n");
    std::vector<SizeResult> sizes;
    sizes.emplace_back("1x", Generate(folder + "bench_1x.ini", 5000));
    sizes.emplace_back("2x", Generate(folder + "bench_2x.ini", 10000));
    TimeStores(sizes);
    for (SizeResult& size : sizes) {
      size.profile = TimeProfile(size.file, full);
      Report(size);
      std::fflush(stdout);
    }
    const SizeResult& one = sizes[0];
    const SizeResult& two = sizes[1];
    const double speedUp = one.profile.seconds / one.store.Total();
    const double growth = two.store.Total() / one.store.Total();
    std::printf("summary:\n");
    std::printf("  speed-up at 1x:          %8.1fx  (target >= 100x: %s)\n", speedUp,
                speedUp >= 100.0 ? "met" : "MISSED");
    std::printf("  speed-up at 2x:          %8.1fx\n", two.profile.seconds / two.store.Total());
    std::printf("  store time 2x / 1x:      %8.2f   (target <= 2.2: %s)\n", growth,
                growth <= 2.2 ? "met" : "MISSED");
    std::printf("  profile time 2x / 1x:    %8.2f\n", two.profile.seconds / one.profile.seconds);
    for (const SizeResult& size : sizes) ::DeleteFileA(size.file.path.c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bigini_bench: %s\n", e.what());
    return 1;
  }
}
