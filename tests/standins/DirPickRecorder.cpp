// Stand-in of DIRPICK.EXE that records how it was started and answers what the
// test prepared: it writes its command line and then each argument, as the C
// runtime splits them, one per line, to DIRPICK.LOG beside itself, and prints
// the bytes of DIRPICK.ANS beside itself (nothing when there is none) on its
// standard output, which is the pipe SETUP reads.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string Beside(const char* name) {
  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

}  // namespace

int main(int argc, char** argv) {
  std::ofstream log(Beside("DIRPICK.LOG"), std::ios::binary);
  log << ::GetCommandLineA() << "\r\n";
  for (int i = 1; i < argc; ++i) log << argv[i] << "\r\n";
  log.close();
  std::ifstream answer(Beside("DIRPICK.ANS"), std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(answer)), std::istreambuf_iterator<char>());
  _setmode(_fileno(stdout), _O_BINARY);  // the bytes as prepared, CR LF unchanged
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return 0;
}
