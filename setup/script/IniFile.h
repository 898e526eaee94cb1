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

// One file of the store opened for reading from its start; closed with its
// owner. Every failure raises EInOutError.
class IniFileReader {
 public:
  virtual ~IniFileReader() = default;
  // Up to size bytes into buffer; 0 at the end of the file.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
};

// The new content of one file of the store, written from its start. The file
// keeps its old content (or stays missing) until Commit puts the complete new
// content in its place in one step; a writer released without a successful
// Commit leaves the file as it was and nothing beside it. So a write-back that
// fails part-way (the disk full, the process ended) never leaves a cut file.
// Every failure raises EInOutError.
class IniFileWriter {
 public:
  virtual ~IniFileWriter() = default;
  // All size bytes, or EInOutError (a short write is a failure).
  virtual void Write(const char* data, std::size_t size) = 0;
  // The bytes written so far become the file's content.
  virtual void Commit() = 0;
};

// A file (not a folder) of that name exists.
bool IniFileExists(const std::string& name);
// The existing file opened for reading (others may read it meanwhile).
std::unique_ptr<IniFileReader> OpenIniFileForReading(const std::string& name);
// A new content for the file, which is created or replaced on Commit. A
// read-only file, or a folder of that name, is refused at once (EInOutError
// with ERROR_ACCESS_DENIED, 5), as Windows refuses to replace either. On
// Windows the content goes to "~" + the file's name in the same folder
// (system/ReplacementFile.h); a leftover of an ended run there is taken over.
std::unique_ptr<IniFileWriter> CreateIniFile(const std::string& name);

}  // namespace kestra
