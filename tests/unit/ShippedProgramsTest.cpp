// The shipped programs hold no test seam: an elevated installer must never load
// or run what an environment variable names (any user can set one).
#include <gtest/gtest.h>

#include <windows.h>

#include "WineTestEnv.h"
#include "system/Handles.h"

namespace {

// The names of every file in build\dist.
std::vector<std::string> ShippedFiles() {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  kestra::FindHandle find(::FindFirstFileA(testenv::DistFile("*").c_str(), &data));
  if (!find) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(data.cFileName);
  } while (::FindNextFileA(find.get(), &data));
  return names;
}

constexpr char kSeamVariablePrefix[] = "KESTRA_TEST_";

TEST(ShippedPrograms, NoShippedFileNamesATestVariable) {
  const std::vector<std::string> names = ShippedFiles();
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names)
    EXPECT_EQ(testenv::ReadFile(testenv::DistFile(name)).find(kSeamVariablePrefix),
              std::string::npos)
        << name;
}

TEST(ShippedPrograms, TheTestVariantHoldsTheSeamsTheShippedOneLacks) {
  // The search above finds the names where they are.
  const std::string variant = testenv::ReadFile(testenv::SetupVariant());
  EXPECT_NE(variant.find("KESTRA_TEST_ADMIN_DLL"), std::string::npos);
  EXPECT_NE(variant.find("KESTRA_TEST_FAULT"), std::string::npos);
}

}  // namespace
