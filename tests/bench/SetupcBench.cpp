// Times the script component's index copy against a plain CopyFileA loop over
// the same tree, and prints the figures. One step per start, so that the
// caller (tools/bench/setupc_bench) can flush the host's write cache between
// the timed steps:
//   setupc_bench generate WORK_FOLDER FILES MEGABYTES   the index (src\) and its script
//   setupc_bench section WORK_FOLDER                    RunSection into WORK_FOLDER\out
//   setupc_bench copyfile WORK_FOLDER                   CopyFileA loop into WORK_FOLDER\out
//   setupc_bench parts WORK_FOLDER                      where RunSection's time goes
//   setupc_bench clean WORK_FOLDER                      removes WORK_FOLDER\out
// The progress callback does nothing, so only the copying is timed, not the
// install dialog's display pauses.
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

// The tree as generated, read back from the folder (not timed).
void ListTree(const std::string& folder, const std::string& prefix, Tree& tree) {
  WIN32_FIND_DATAA data;
  kestra::FindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
  if (!find) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      tree.folders.push_back(prefix + name);
      ListTree(folder + "\\" + name, prefix + name + "\\", tree);
    } else {
      tree.files.push_back(prefix + name);
    }
  } while (::FindNextFileA(find.get(), &data));
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

// Where RunSection's time goes, part by part: reading every script value
// (both passes), opening every source for its size (both passes), and copying
// every file through ExpandFile.
void PrintBreakdown(const std::string& work, const Tree& tree, const std::string& dst) {
  const std::string inf = work + "COPY.INF";
  double start = Now();
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t n = 1; n <= tree.files.size() + 1; ++n) {
      char key[32], value[256];
      std::snprintf(key, sizeof key, "CopyFile%2.2d", static_cast<int>(n));
      ::GetPrivateProfileStringA("COLLECTION", key, "", value, sizeof value, inf.c_str());
    }
  }
  std::printf("part_script_reads_seconds %.3f\n", Now() - start);
  start = Now();
  for (int pass = 0; pass < 2; ++pass) {
    for (const std::string& file : tree.files) {
      kestra::FileHandle in(::CreateFileA((work + "src\\" + file).c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      LARGE_INTEGER size;
      ::GetFileSizeEx(in.get(), &size);
    }
  }
  std::printf("part_size_opens_seconds %.3f\n", Now() - start);
  kestra::TSetupc setupc;
  for (const std::string& folder : tree.folders) kestra::ForceDirectories(dst + folder);
  start = Now();
  for (const std::string& file : tree.files)
    setupc.ExpandFile(work + "src\\" + file, dst + file);
  std::printf("part_expand_file_seconds %.3f\n", Now() - start);
  RemoveTree(kestra::RemoveBackslash(dst));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string step = argc > 2 ? argv[1] : "";
  if (step.empty() || (step == "generate" && argc != 5)) {
    std::fprintf(stderr, "usage: setupc_bench generate|section|copyfile|parts|clean WORK_FOLDER "
                         "[FILES MEGABYTES]\n");
    return 2;
  }
  const std::string work = kestra::AddBackslash(argv[2]);
  const std::string out = work + "out\\";
  if (step == "generate") {
    RemoveTree(kestra::RemoveBackslash(work));
    const Tree tree = MakeTree(work + "src\\", std::atoi(argv[3]), std::atof(argv[4]));
    WriteScript(work + "COPY.INF", tree);
    std::printf("files %zu\n", tree.files.size());
    return 0;
  }
  if (step == "clean") {
    RemoveTree(kestra::RemoveBackslash(out));
    ::RemoveDirectoryA(kestra::RemoveBackslash(out).c_str());
    return 0;
  }
  Tree tree;
  ListTree(work + "src", "", tree);
  if (step == "section") {
    std::printf("runsection_seconds %.3f\n", TimeRunSection(work, out));
  } else if (step == "copyfile") {
    std::printf("copyfile_seconds %.3f\n", TimeCopyLoop(work, tree, out));
  } else if (step == "parts") {
    PrintBreakdown(work, tree, out);
  } else {
    std::fprintf(stderr, "setupc_bench: unknown step %s\n", step.c_str());
    return 2;
  }
  return 0;
}
