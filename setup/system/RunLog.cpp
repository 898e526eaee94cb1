#include "system/RunLog.h"

#include <cstdio>

#include "system/FileSys.h"
#include "system/Handles.h"
#include "system/Mbcs.h"
#include "system/TextCodec.h"

namespace kestra::runlog {

namespace {

FileHandle& LogFile() {
  static FileHandle file;
  return file;
}

std::string Timestamp() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  return text;
}

std::string OneLine(std::string_view text) {
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      line += " / ";
      ++i;
    } else if (text[i] == '\r' || text[i] == '\n') {
      line += " / ";
    } else {
      line += text[i];
    }
  }
  return line;
}

bool WriteBytes(const std::string& bytes) {
  DWORD written = 0;
  return ::WriteFile(LogFile().get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
         written == bytes.size();
}

}  // namespace

bool Open(const std::string& path) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LogFile() = std::move(file);
  return WriteBytes("\xEF\xBB\xBF");
}

bool IsOpen() { return static_cast<bool>(LogFile()); }

void Close() { LogFile().reset(); }

void Write(std::string_view text) {
  if (!IsOpen()) return;
  // Written at once: nothing is held back in a buffer of ours.
  WriteBytes(Timestamp() + " " + Cp932ToUtf8(OneLine(text)) + "\r\n");
}

void WriteFailure(std::string_view what, DWORD error) {
  if (!IsOpen()) return;
  Write(std::string(what) + ": " + ErrorText(error));
}

std::string ErrorText(DWORD error) {
  char* buffer = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length > 0 ? std::string(buffer, length) : std::string();
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  if (text.empty()) text = "エラー";
  return text + " (" + std::to_string(error) + ")";
}

std::string DefaultPath() {
  char buffer[MAX_PATH + 1];
  const DWORD length = ::GetTempPathA(sizeof buffer, buffer);
  const std::string folder =
      length > 0 && length < sizeof buffer ? AddBackslash(std::string(buffer, length)) : "C:\\";
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char day[16];
  std::snprintf(day, sizeof day, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
  std::string path;
  for (int n = 1; n <= 999; ++n) {
    char number[8];
    std::snprintf(number, sizeof number, "%03d", n);
    path = folder + "KESTRA Setup " + day + " #" + number + ".log";
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) break;
  }
  return path;
}

}  // namespace kestra::runlog
