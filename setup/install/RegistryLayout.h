// What an installation records in the registry, as data: the list of values
// (key, name, type, data) that the install engine writes, built from the DVD's
// SETUP.INF and the run's settings, and the writer that puts the list into the
// registry. Keeping the list apart lets it be checked without a registry, and
// a failed write can name the key it failed on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "system/ProductPlaces.h"
#include "system/RegistryWrites.h"
#include "system/ProductTable.h"

namespace kestra {


// Fixed numbers of the product key; nothing in the installer reads them back.
inline constexpr DWORD kServiceNumber = 0x800E0C;
inline constexpr DWORD kAlnNumber = 0x10A01;
inline constexpr char kPublisher[] = "ZEL Co.,Ltd.";

// Splits comma text: fields are separated by commas or blanks (blanks around a
// comma belong to the separator); a field in double quotes may hold blanks and
// commas, and "" inside it stands for one quote. "a,,b" has an empty middle
// field; a trailing comma adds none.
std::vector<std::string> SplitCommaText(const std::string& text);

// One value of the "Collection" keys: its name and text.
struct CollectionValue {
  std::string name;
  std::string text;
};

// The collection items of SETUP.INF. item(k) answers [Collection] "Item" k
// ("" when missing). "Item1" tells how many items follow: N is its second field
// as a decimal number (0 when it has fewer than two fields or the field is no
// number), and it becomes a value of the machine key alone; then items 1 to N + 3
// that have at least two fields become values of both keys (lines with a single
// field carry no text and are skipped). N above kMaxCollectionItems is read as
// that bound.
struct CollectionItems {
  std::optional<CollectionValue> count;   // machine key only
  std::vector<CollectionValue> values;    // machine and user keys
};
// A bound no DVD reaches: the product has three index collections, and each
// item becomes one registry value. A damaged or hostile SETUP.INF may claim
// 2147483647 items, one profile read each, which would keep the installer
// reading for days; beyond the bound there is nothing a real disc could hold.
inline constexpr int64_t kMaxCollectionItems = 1000;
CollectionItems ReadCollectionItems(const std::function<std::string(int64_t k)>& item);

// SETUP.INF texts the registry records ("" for missing keys).
struct SetupInformation {
  std::string version;            // [Products] Version
  std::string release;            // [Products] Release
  std::string date;               // [Products] Date
  CollectionItems items;          // [Collection] Item1 ...
  std::string collection_version; // [Collection] CollectionVersion
  std::string install_disk_name;  // [Setup] InstallDiskName
};

// Reads SETUP.INF through the profile functions (a missing file gives empty texts).
SetupInformation ReadSetupInformation(const std::string& setup_inf);

// Everything the registry step needs from the run.
struct RegistryInputs {
  const ProductRow* product = &kProduct;
  SetupInformation info;
  bool setup_on_remote_drive = false;  // the setup folder's drive type is DRIVE_REMOTE
  std::string install_date;            // yyyy-mm-dd
  std::string install_dir;             // the application folder
  std::string index_dir;               // where the search index is used from
  std::string install_drive;           // the setup folder as the desktop user sees it
  std::vector<std::string> dvd_paths;  // DVDPath1 ... DVDPathN
  bool program_only = false;           // only the program files of an installed copy
  std::string records_folder;          // where KSUINST.EXE lies (trailing backslash)
  uint32_t installed_kilobytes = 0;    // the installed files' size, for the list of programs
  // A run of the SYSTEM account: no user values (the account's own keys are
  // nobody's); Active Setup copies the machine's to each user at logon.
  bool system_account = false;
};

// Active Setup's version of a dotted version: "2.1.0.1" → "2,1,0,1", four
// numeric parts (missing or non-numeric parts 0), as the logon compares them.
std::string ActiveSetupVersion(const std::string& version);

// The values in the order they are written.
std::vector<RegistryValue> PlanRegistry(const RegistryInputs& inputs);

// Today's date in local time as yyyy-mm-dd.
std::string TodayText();


}  // namespace kestra
