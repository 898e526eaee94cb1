// The registry values an installation writes, read back from the registry of
// the test prefix with their types.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "RegistryProbe.h"
#include "WineTestEnv.h"
#include "install/RegistryLayout.h"
#include "system/Registry.h"

using namespace kestra;
using records_test::StoredValue;
using records_test::ValueAt;

namespace {

constexpr char kScratchKey[] = "Software\\KestraRecordsTest";

TEST(RegistryWrite, EveryValueOfTheListLandsWithItsType) {
  testenv::ScopedProductRoots roots;
  RegistryInputs in;
  in.info.version = "2.1.0.1";
  in.info.items.count = CollectionValue{"Count", "1"};
  in.info.items.values = {{"Count", "1"}, {"KSCOLL1", "判例集"}};
  in.install_dir = "C:\\Program Files\\KESTRA\\";
  in.dvd_paths = {"Q:\\"};
  in.records_folder = "C:\\R\\";
  const std::vector<RegistryValue> values = PlanRegistry(in);
  ASSERT_EQ(WriteRegistryValues(values), std::nullopt);
  for (const RegistryValue& v : values) {
    const StoredValue stored = ValueAt(v.root, v.key, v.name);
    EXPECT_EQ(stored.type, v.type) << v.key << "\\" << v.name;
    if (v.type == REG_DWORD)
      EXPECT_EQ(stored.number, v.number) << v.key << "\\" << v.name;
    else
      EXPECT_EQ(stored.text, v.text) << v.key << "\\" << v.name;
  }
}

// With the product's roots hung below the test's own key, everything lands
// there, both roots apart, and nothing under the machine's or the user's keys
// (which other suites' runs of SETUP may fill meanwhile: this run's version
// is one no other run writes).
TEST(RegistryWrite, TheProductsRootsTakeEveryValueAndTheMachineKeepsNone) {
  testenv::ScopedProductRoots roots;
  RegistryInputs in;
  in.info.version = "2.1.0.1-roots";
  in.info.items.values = {{"KSCOLL1", "判例集-roots"}};
  in.install_dir = "C:\\Program Files\\KESTRA\\";
  in.dvd_paths = {"Q:\\"};
  in.records_folder = "C:\\R\\";
  ASSERT_EQ(WriteRegistryValues(PlanRegistry(in)), std::nullopt);
  EXPECT_EQ(ValueAt(roots.Machine(), records_test::kProductKey, "Version").text, "2.1.0.1-roots");
  EXPECT_EQ(ValueAt(roots.Machine(), records_test::kUninstallKey, "DisplayVersion").text,
            "2.1.0.1-roots");
  EXPECT_EQ(ValueAt(roots.Machine(), records_test::kAppPathsKey, "").text,
            "C:\\Program Files\\KESTRA\\KESTRA.EXE");
  EXPECT_EQ(ValueAt(roots.User(), std::string(records_test::kProductKey) + "\\Collection", "KSCOLL1").text,
            "判例集-roots");
  EXPECT_FALSE(ValueAt(roots.User(), records_test::kProductKey, "Version").present);
  EXPECT_NE(ValueAt(HKEY_LOCAL_MACHINE, records_test::kProductKey, "Version").text,
            "2.1.0.1-roots");
  EXPECT_NE(ValueAt(HKEY_LOCAL_MACHINE, records_test::kUninstallKey, "DisplayVersion").text,
            "2.1.0.1-roots");
  EXPECT_NE(ValueAt(HKEY_CURRENT_USER, std::string(records_test::kProductKey) + "\\Collection",
                    "KSCOLL1").text,
            "判例集-roots");
  // A key that cannot be written is named as the user knows the roots.
  EXPECT_EQ(FullKeyName(roots.Machine(), "SOFTWARE\\X"), "HKEY_LOCAL_MACHINE\\SOFTWARE\\X");
}

TEST(RegistryWrite, AKeyThatCannotBeCreatedStopsTheWriteAndIsNamed) {
  testenv::ScopedRegistryCleanup cleanup(HKEY_CURRENT_USER, kScratchKey);
  // A volatile key cannot hold a lasting subkey.
  HKEY raw = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kScratchKey, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &raw, nullptr),
            ERROR_SUCCESS);
  ::RegCloseKey(raw);
  const std::string lasting = std::string(kScratchKey) + "\\Lasting";
  const std::vector<RegistryValue> values = {
      {HKEY_CURRENT_USER, kScratchKey, "Before", REG_SZ, "1", 0},
      {HKEY_CURRENT_USER, lasting, "Inside", REG_SZ, "2", 0},
      {HKEY_CURRENT_USER, kScratchKey, "After", REG_SZ, "3", 0},
  };
  EXPECT_EQ(WriteRegistryValues(values), "HKEY_CURRENT_USER\\" + lasting);
  EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, kScratchKey, "Before").text, "1");
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kScratchKey).HasValue("After"));
}

TEST(RegistryWrite, FullKeyNamesNameTheRoot) {
  EXPECT_EQ(FullKeyName(HKEY_LOCAL_MACHINE, "SOFTWARE\\X"), "HKEY_LOCAL_MACHINE\\SOFTWARE\\X");
  EXPECT_EQ(FullKeyName(HKEY_CURRENT_USER, "SOFTWARE\\X"), "HKEY_CURRENT_USER\\SOFTWARE\\X");
}

}  // namespace
