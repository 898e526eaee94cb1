// The INI store's files through the Win32 API.
#include "script/IniFile.h"

#include <windows.h>

#include "system/FileSys.h"
#include "system/Handles.h"

namespace kestra {

namespace {

class Win32IniFile : public IniFileStream {
 public:
  Win32IniFile(FileHandle file, const std::string& name) : FFile(std::move(file)), FName(name) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    DWORD got = 0;
    if (!::ReadFile(FFile.get(), buffer, static_cast<DWORD>(size), &got, nullptr))
      throw EInOutError("cannot read " + FName, ::GetLastError());
    return got;
  }

  void Write(const char* data, std::size_t size) override {
    DWORD written = 0;
    if (!::WriteFile(FFile.get(), data, static_cast<DWORD>(size), &written, nullptr))
      throw EInOutError("cannot write " + FName, ::GetLastError());
    if (written != size) throw EInOutError("cannot write " + FName, ERROR_HANDLE_DISK_FULL);
  }

 private:
  FileHandle FFile;
  std::string FName;
};

}  // namespace

bool IniFileExists(const std::string& name) { return FileExists(name); }

std::unique_ptr<IniFileStream> OpenIniFileForReading(const std::string& name) {
  FileHandle file(::CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) throw EInOutError("cannot open " + name, ::GetLastError());
  return std::make_unique<Win32IniFile>(std::move(file), name);
}

std::unique_ptr<IniFileStream> CreateIniFile(const std::string& name) {
  // Windows refuses to recreate a read-only file; asking first gives the same
  // answer where the platform would not (Wine running as root ignores the bit).
  const DWORD attributes = ::GetFileAttributesA(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    throw EInOutError("cannot write the read-only file " + name, ERROR_ACCESS_DENIED);
  FileHandle file(::CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw EInOutError("cannot create " + name, ::GetLastError());
  return std::make_unique<Win32IniFile>(std::move(file), name);
}

}  // namespace kestra
