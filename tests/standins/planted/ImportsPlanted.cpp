// The control of the planted-library tests: a program that imports MPR,
// VERSION and LZ32 as SETUP and DIRPICK once did. Started beside the planted
// copies with the same library settings as the programs under test, it must
// load them all: otherwise their missing traces would prove nothing.
#include <windows.h>
#include <lzexpand.h>

int main() {
  // Called, so that the imports stay; what they answer does not matter.
  char remote[MAX_PATH] = {};
  DWORD length = sizeof remote;
  ::WNetGetConnectionA("Z:", remote, &length);
  DWORD ignored = 0;
  ::GetFileVersionInfoSizeA("C:\\nothing", &ignored);
  OFSTRUCT open_info{};
  const INT lz = ::LZOpenFileA(const_cast<LPSTR>("C:\\nothing"), &open_info, OF_READ);
  if (lz >= 0) ::LZClose(lz);
  return 0;
}
