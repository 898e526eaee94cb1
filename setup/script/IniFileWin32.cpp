// The INI store's files through the Win32 API.
#include "script/IniFile.h"

#include <windows.h>

#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/ReplacementFile.h"

namespace kestra {

namespace {

class Win32IniReader : public IniFileReader {
 public:
  Win32IniReader(FileHandle file, const std::string& name) : FFile(std::move(file)), FName(name) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    DWORD got = 0;
    if (!::ReadFile(FFile.get(), buffer, static_cast<DWORD>(size), &got, nullptr))
      throw EInOutError("cannot read " + FName, ::GetLastError());
    return got;
  }

 private:
  FileHandle FFile;
  std::string FName;
};

class Win32IniWriter : public IniFileWriter {
 public:
  explicit Win32IniWriter(const std::string& name) : FFile(name) {
    if (!FFile.Create()) throw EInOutError("cannot write " + name, FFile.Error());
  }

  void Write(const char* data, std::size_t size) override {
    if (!FFile.Write(std::string_view(data, size)))
      throw EInOutError("cannot write " + FFile.TemporaryPath(), FFile.Error());
  }

  void Commit() override {
    if (!FFile.Commit()) throw EInOutError("cannot replace " + FFile.Target(), FFile.Error());
  }

 private:
  ReplacementFile FFile;
};

}  // namespace

bool IniFileExists(const std::string& name) { return FileExists(name); }

std::unique_ptr<IniFileReader> OpenIniFileForReading(const std::string& name) {
  FileHandle file(::CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) throw EInOutError("cannot open " + name, ::GetLastError());
  return std::make_unique<Win32IniReader>(std::move(file), name);
}

std::unique_ptr<IniFileWriter> CreateIniFile(const std::string& name) {
  return std::make_unique<Win32IniWriter>(name);
}

}  // namespace kestra
