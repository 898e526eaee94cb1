// The native build's files of the INI store: named byte strings in memory,
// which the fuzz harnesses and the native tests fill and inspect. Never part
// of the Windows programs (see script/IniFile.h).
#pragma once

#include <optional>
#include <string>

namespace kestra::memory_files {

// The file's bytes are now these (the file exists afterwards).
void Put(const std::string& name, std::string bytes);
// The file's bytes; nothing when there is no such file.
std::optional<std::string> Get(const std::string& name);
void Remove(const std::string& name);
// No file exists any more, and no file is unreadable or read-only.
void Clear();
// Opening the file for reading fails (EInOutError), as for a locked file.
void SetUnreadable(const std::string& name, bool unreadable);
// Creating the file fails as for a read-only file (EInOutError, error 5).
void SetReadOnly(const std::string& name, bool readOnly);
// Writes of a new content of the file fail once this many bytes of it are
// written, as on a full disk (EInOutError, error 39); the file keeps its old
// bytes, since the content is put in place only when complete. Nothing: no limit.
void SetWriteLimit(const std::string& name, std::optional<std::size_t> limit);

}  // namespace kestra::memory_files
