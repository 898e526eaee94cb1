// A fresh folder per test for the records, files and folders it makes, removed
// again afterwards.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "WineTestEnv.h"

class RecordsTestFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    DWORD size = ::GetTempPathA(0, nullptr);
    std::string temp(size, '\0');
    temp.resize(::GetTempPathA(size, temp.data()));
    folder_ = temp + "kestra_records\\" + info->test_suite_name() + "\\" + info->name() + "\\";
    testenv::ResetFolder(folder_);
  }
  void TearDown() override {
    testenv::ResetFolder(folder_);
    ::RemoveDirectoryA(folder_.c_str());
  }

  std::string PathOf(const std::string& name) const { return folder_ + name; }

  std::string folder_;  // with trailing backslash
};
