// The files of the INI store (script/BigIni.h): the platform side of its load
// and write-back. Everything else the store does (lines, sections, names,
// normalisation) is plain work that builds for Windows and natively alike.
// The Windows programs open, read and write the file through the Win32 API
// (IniFileWin32.cpp); the native build of the store, used to run it under
// sanitizers, keeps its files in memory (IniFileMemory.cpp, IniFileMemory.h).
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>

#include "system/IoError.h"  // what every failure raises

namespace kestra {

// One open file of the store, read from the start or written from the start;
// closed with its owner. Every failure raises EInOutError.
class IniFileStream {
 public:
  virtual ~IniFileStream() = default;
  // Up to size bytes into buffer; 0 at the end of the file.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
  // All size bytes, or EInOutError (a short write is a failure).
  virtual void Write(const char* data, std::size_t size) = 0;
};

// A file (not a folder) of that name exists.
bool IniFileExists(const std::string& name);
// The existing file opened for reading (others may read it meanwhile).
std::unique_ptr<IniFileStream> OpenIniFileForReading(const std::string& name);
// The file created empty, or truncated, for writing. A read-only file is
// refused (EInOutError with ERROR_ACCESS_DENIED, 5), as Windows refuses it.
std::unique_ptr<IniFileStream> CreateIniFile(const std::string& name);

}  // namespace kestra
