// A fresh folder per test for the INI files it writes, and the file facts the
// tests check: bytes, last-write time, attributes.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "WineTestEnv.h"
#include "script/BigIni.h"
#include "system/Handles.h"

class IniTestFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    DWORD size = ::GetTempPathA(0, nullptr);
    std::string temp(size, '\0');
    temp.resize(::GetTempPathA(size, temp.data()));
    folder_ = temp + "kestra_bigini\\" + info->test_suite_name() + "\\" + info->name() + "\\";
    testenv::ResetFolder(folder_);
  }
  void TearDown() override { testenv::ResetFolder(folder_); }

  std::string PathOf(const std::string& name) const { return folder_ + name; }
  // Writes an INI file with exactly these bytes and returns its path.
  std::string MakeFile(const std::string& name, const std::string& bytes) const {
    std::string path = PathOf(name);
    testenv::WriteFile(path, bytes);
    return path;
  }

  std::string folder_;
};

// The store's content in file form.
inline kestra::TStringList Content(kestra::TBigIniFile& ini) {
  kestra::TStringList lines;
  ini.CopyToStrings(lines);
  return lines;
}

inline bool FileExistsAt(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline ULONGLONG LastWriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

// Dates the file back to 2001-01-01, so that any rewrite shows in its time.
inline ULONGLONG DateBack(const std::string& path) {
  SYSTEMTIME old{};
  old.wYear = 2001;
  old.wMonth = 1;
  old.wDay = 1;
  FILETIME when{};
  ::SystemTimeToFileTime(&old, &when);
  kestra::FileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(file) << path;
  if (file) {
    EXPECT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &when));
  }
  return (static_cast<ULONGLONG>(when.dwHighDateTime) << 32) | when.dwLowDateTime;
}
