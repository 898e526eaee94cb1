// Times the script component's index copy against a plain CopyFileA loop over
// the same tree, and prints the figures.
//   setupc_bench WORK_FOLDER [FILES] [MEGABYTES] [RUNS]
// WORK_FOLDER receives the generated index (src\), its script (COPY.INF) and
// the two copies. The progress callback does nothing, so only the copying is
// timed, not the install dialog's display pauses.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "script/Setupc.h"
#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Mbcs.h"
#include "system/SysQuery.h"

namespace {

// The engine's nine subfolders in each of three collections.
constexpr const char* kEngineFolders[] = {"assists", "morgue", "parts", "pdd",     "style",
                                          "temp",    "topicidx", "trans", "work"};

double Now() {
  LARGE_INTEGER now, frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Tree {
  std::vector<std::string> folders;  // relative, in creation order
  std::vector<std::string> files;    // relative
};

// Files of varied sizes (a few large ones, many small) adding up to about the
// requested total; contents differ so that nothing is shared between them.
Tree MakeTree(const std::string& src, int files, double megabytes) {
  Tree tree;
  for (int c = 1; c <= 3; ++c)
    for (const char* sub : kEngineFolders)
      tree.folders.push_back("KSCOLL" + std::to_string(c) + "\\" + sub);
  const double average = megabytes * 1024 * 1024 / files;
  std::vector<char> block(1 << 20);
  unsigned state = 20240401;
  for (char& b : block) b = static_cast<char>((state = state * 1103515245 + 12345) >> 16);
  for (int n = 0; n < files; ++n) {
    const std::string name =
        tree.folders[static_cast<std::size_t>(n) % tree.folders.size()] + "\\F" +
        std::to_string(n) + ".DAT";
    // Every 50th file is 20 times the average; the others share the rest.
    const double share = n % 50 == 0 ? 20.0 : (50.0 - 20.0) / 49.0;
    std::size_t size = static_cast<std::size_t>(average * share);
    tree.files.push_back(name);
    kestra::ForceDirectories(kestra::ExtractFilePath(src + name));
    kestra::FileHandle out(::CreateFileA((src + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    // Each file starts at another place of the block.
    const std::size_t offset = static_cast<std::size_t>(n) % 4096;
    for (std::size_t written = 0; written < size;) {
      const DWORD chunk = static_cast<DWORD>(std::min(size - written, block.size() - offset));
      DWORD done = 0;
      if (!::WriteFile(out.get(), block.data() + offset, chunk, &done, nullptr) || done == 0) break;
      written += done;
    }
  }
  return tree;
}

void WriteScript(const std::string& path, const Tree& tree) {
  std::string text = "[COLLECTION]\r\n";
  int n = 1;
  char key[32];
  for (const std::string& folder : tree.folders) {
    std::snprintf(key, sizeof key, "MakeDir%2.2d=", n++);
    text += key + std::string("$setup\\") + folder + "\r\n";
  }
  n = 1;
  for (const std::string& file : tree.files) {
    std::snprintf(key, sizeof key, "CopyFile%2.2d=", n++);
    text += key + file + ",$setup\\" + file + "\r\n";
  }
  kestra::FileHandle out(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD done = 0;
  ::WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA data;
  kestra::FindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
  if (!find) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveTree(path);
      ::RemoveDirectoryA(path.c_str());
    } else {
      ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileA(path.c_str());
    }
  } while (::FindNextFileA(find.get(), &data));
}

double TimeRunSection(const std::string& work, const std::string& dst) {
  kestra::TSetupc setupc;
  setupc.InfFile = work + "COPY.INF";
  setupc.SrcDir = work + "src";
  setupc.DstDir = dst;
  setupc.WindowsDir = kestra::WindowsFolder();
  setupc.SystemDir = kestra::SystemFolder();
  const double start = Now();
  const int32_t result =
      setupc.RunSection("COLLECTION", [](const std::string&, int32_t) { return 0; });
  const double seconds = Now() - start;
  if (result != 0) {
    std::fprintf(stderr, "RunSection failed\n");
    std::exit(1);
  }
  return seconds;
}

double TimeCopyLoop(const std::string& work, const Tree& tree, const std::string& dst) {
  const double start = Now();
  for (const std::string& folder : tree.folders) kestra::ForceDirectories(dst + folder);
  for (const std::string& file : tree.files) {
    if (!::CopyFileA((work + "src\\" + file).c_str(), (dst + file).c_str(), FALSE)) {
      std::fprintf(stderr, "CopyFileA failed: %s\n", file.c_str());
      std::exit(1);
    }
  }
  return Now() - start;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: setupc_bench WORK_FOLDER [FILES] [MEGABYTES] [RUNS]\n");
    return 2;
  }
  const std::string work = kestra::AddBackslash(argv[1]);
  const int files = argc > 2 ? std::atoi(argv[2]) : 2000;
  const double megabytes = argc > 3 ? std::atof(argv[3]) : 200;
  const int runs = argc > 4 ? std::atoi(argv[4]) : 3;

  RemoveTree(kestra::RemoveBackslash(work));
  const Tree tree = MakeTree(work + "src\\", files, megabytes);
  WriteScript(work + "COPY.INF", tree);

  double best_section = 1e9, best_loop = 1e9;
  for (int run = 1; run <= runs; ++run) {
    // Alternating the order keeps either side from always finding the other's
    // freshly written blocks in the cache.
    double section = 0, loop = 0;
    if (run % 2) {
      section = TimeRunSection(work, work + "setupc\\");
      loop = TimeCopyLoop(work, tree, work + "copyfile\\");
    } else {
      loop = TimeCopyLoop(work, tree, work + "copyfile\\");
      section = TimeRunSection(work, work + "setupc\\");
    }
    std::printf("run %d: RunSection %.3f s, CopyFileA loop %.3f s\n", run, section, loop);
    best_section = std::min(best_section, section);
    best_loop = std::min(best_loop, loop);
    RemoveTree(work + "setupc");
    RemoveTree(work + "copyfile");
  }
  std::printf("files %zu\n", tree.files.size());
  std::printf("runsection_seconds_best %.3f\n", best_section);
  std::printf("copyfile_seconds_best %.3f\n", best_loop);
  std::printf("ratio_runsection_to_copyfile %.2f\n", best_section / best_loop);
  return 0;
}
