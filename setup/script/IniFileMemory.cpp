// The INI store's files in memory, for the native build (script/IniFileMemory.h).
#include "script/IniFileMemory.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "script/IniFile.h"

namespace kestra {

namespace {

// The Win32 error codes the Windows side reports for the same failures.
constexpr unsigned long kAccessDenied = 5;      // ERROR_ACCESS_DENIED
constexpr unsigned long kSharingViolation = 32; // ERROR_SHARING_VIOLATION
constexpr unsigned long kDiskFull = 39;         // ERROR_HANDLE_DISK_FULL
constexpr unsigned long kFileNotFound = 2;      // ERROR_FILE_NOT_FOUND

struct MemoryFiles {
  std::map<std::string, std::string> bytes;
  std::set<std::string> unreadable;
  std::set<std::string> read_only;
  std::map<std::string, std::size_t> write_limit;
};

MemoryFiles& Files() {
  static MemoryFiles files;
  return files;
}

class MemoryIniReader : public IniFileReader {
 public:
  explicit MemoryIniReader(std::string name) : FName(std::move(name)) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    const auto found = Files().bytes.find(FName);
    if (found == Files().bytes.end()) return 0;
    const std::string& bytes = found->second;
    if (FPos >= bytes.size()) return 0;
    const std::size_t n = std::min(size, bytes.size() - FPos);
    std::memcpy(buffer, bytes.data() + FPos, n);
    FPos += n;
    return n;
  }

 private:
  std::string FName;
  std::size_t FPos = 0;
};

// Collects the new content apart from the file, as the Windows side writes it
// to a file beside the target, and puts it in place only on Commit.
class MemoryIniWriter : public IniFileWriter {
 public:
  explicit MemoryIniWriter(std::string name) : FName(std::move(name)) {}

  void Write(const char* data, std::size_t size) override {
    const auto limit = Files().write_limit.find(FName);
    if (limit != Files().write_limit.end() && FBytes.size() + size > limit->second) {
      FBytes.append(data, limit->second > FBytes.size() ? limit->second - FBytes.size() : 0);
      throw EInOutError("cannot write " + FName, kDiskFull);
    }
    FBytes.append(data, size);
  }

  void Commit() override { Files().bytes[FName] = FBytes; }

 private:
  std::string FName;
  std::string FBytes;
};

}  // namespace

bool IniFileExists(const std::string& name) { return Files().bytes.count(name) != 0; }

std::unique_ptr<IniFileReader> OpenIniFileForReading(const std::string& name) {
  if (!IniFileExists(name)) throw EInOutError("cannot open " + name, kFileNotFound);
  if (Files().unreadable.count(name)) throw EInOutError("cannot open " + name, kSharingViolation);
  return std::make_unique<MemoryIniReader>(name);
}

std::unique_ptr<IniFileWriter> CreateIniFile(const std::string& name) {
  if (Files().read_only.count(name) && IniFileExists(name))
    throw EInOutError("cannot replace the read-only file " + name, kAccessDenied);
  return std::make_unique<MemoryIniWriter>(name);
}

namespace memory_files {

void Put(const std::string& name, std::string bytes) { Files().bytes[name] = std::move(bytes); }

std::optional<std::string> Get(const std::string& name) {
  const auto found = Files().bytes.find(name);
  if (found == Files().bytes.end()) return std::nullopt;
  return found->second;
}

void Remove(const std::string& name) { Files().bytes.erase(name); }

void Clear() { Files() = MemoryFiles(); }

void SetUnreadable(const std::string& name, bool unreadable) {
  if (unreadable)
    Files().unreadable.insert(name);
  else
    Files().unreadable.erase(name);
}

void SetReadOnly(const std::string& name, bool readOnly) {
  if (readOnly)
    Files().read_only.insert(name);
  else
    Files().read_only.erase(name);
}

void SetWriteLimit(const std::string& name, std::optional<std::size_t> limit) {
  if (limit)
    Files().write_limit[name] = *limit;
  else
    Files().write_limit.erase(name);
}

}  // namespace memory_files

}  // namespace kestra
