#include "install/RegistryLayout.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "install/RecordFile.h"
#include "script/Profile.h"
#include "system/Mbcs.h"
#include "system/Registry.h"
#include "system/RunLog.h"
#include "system/SysQuery.h"

namespace kestra {

namespace {

std::string WithoutTrailingBackslash(const std::string& path) {
  return EndsWithChar(path, '\\') ? path.substr(0, path.size() - 1) : path;
}

bool IsBlank(char c) { return c > 0 && c <= ' '; }

// A quoted field starting at text[at] (the opening quote): its text with ""
// taken as one quote; at moves past the closing quote (or to the end when it
// is missing). Quotes and blanks are never second bytes of double-byte
// characters, but the walk goes by character all the same.
std::string QuotedField(const std::string& text, std::size_t& at) {
  std::string field;
  ++at;
  while (at < text.size()) {
    const std::size_t len = CharLength(text, at);
    if (len == 1 && text[at] == '"') {
      if (at + 1 < text.size() && text[at + 1] == '"') {
        field += '"';
        at += 2;
        continue;
      }
      ++at;
      return field;
    }
    field.append(text, at, len);
    at += len;
  }
  return field;
}

// A plain field: everything up to a blank or a comma.
std::string PlainField(const std::string& text, std::size_t& at) {
  const std::size_t start = at;
  while (at < text.size()) {
    if (CharLength(text, at) == 2) {
      at += 2;
      continue;
    }
    if (IsBlank(text[at]) || text[at] == ',') break;
    ++at;
  }
  return text.substr(start, at - start);
}

void SkipBlanks(const std::string& text, std::size_t& at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
}

// A decimal number with an optional sign; nothing when the text is not one or
// does not fit 32 bits.
std::optional<int32_t> DecimalNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  std::size_t at = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (at == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; at < text.size(); ++at) {
    if (text[at] < '0' || text[at] > '9') return std::nullopt;
    value = value * 10 + (text[at] - '0');
    if (value > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) return std::nullopt;
  }
  if (text[0] == '-') value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int32_t>(value);
}

RegistryValue Text(HKEY root, const std::string& key, const std::string& name,
                   const std::string& text) {
  return RegistryValue{root, key, name, REG_SZ, text, 0};
}

RegistryValue Number(HKEY root, const std::string& key, const std::string& name, DWORD number) {
  return RegistryValue{root, key, name, REG_DWORD, std::string(), number};
}

// The same text value under the machine key and the user's key of the same path.
void Both(std::vector<RegistryValue>& values, const std::string& key, const std::string& name,
          const std::string& text) {
  values.push_back(Text(ProductRoots().machine, key, name, text));
  values.push_back(Text(ProductRoots().user, key, name, text));
}

}  // namespace

std::vector<std::string> SplitCommaText(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  SkipBlanks(text, at);
  while (at < text.size()) {
    fields.push_back(text[at] == '"' ? QuotedField(text, at) : PlainField(text, at));
    SkipBlanks(text, at);
    if (at < text.size() && text[at] == ',') {
      ++at;
      SkipBlanks(text, at);
    }
  }
  return fields;
}

CollectionItems ReadCollectionItems(const std::function<std::string(int64_t k)>& item) {
  CollectionItems items;
  int64_t count = 0;
  const std::vector<std::string> first = SplitCommaText(item(1));
  if (first.size() >= 2) {
    count = std::min<int64_t>(DecimalNumber(first[1]).value_or(0), kMaxCollectionItems);
    items.count = CollectionValue{first[0], first[1]};
  }
  for (int64_t k = 1; k <= count + 3; ++k) {
    const std::string line = item(k);
    if (line.empty()) continue;
    const std::vector<std::string> fields = SplitCommaText(line);
    if (fields.size() < 2) continue;
    items.values.push_back(CollectionValue{fields[0], fields[1]});
  }
  return items;
}

SetupInformation ReadSetupInformation(const std::string& setup_inf) {
  SetupInformation info;
  info.version = ReadIniString(setup_inf, "Products", "Version");
  info.release = ReadIniString(setup_inf, "Products", "Release");
  info.date = ReadIniString(setup_inf, "Products", "Date");
  info.items = ReadCollectionItems([&](int64_t k) {
    return ReadIniString(setup_inf, "Collection", "Item" + std::to_string(k));
  });
  info.collection_version = ReadIniString(setup_inf, "Collection", "CollectionVersion");
  info.install_disk_name = ReadIniString(setup_inf, "Setup", "InstallDiskName");
  return info;
}

std::vector<RegistryValue> PlanRegistry(const RegistryInputs& in) {
  const ProductRow& product = *in.product;
  const std::string product_key = WithoutTrailingBackslash(ProductKeyPath(product));
  const std::string collection_key = product_key + "\\Collection";
  const std::string service_key = product_key + "\\Service";
  const std::string app_paths_key = AppPathsKeyPath(product);
  const std::string uninstall_key = UninstallKeyPath(product);
  const std::string application_path = AddBackslash(in.install_dir) + product.application;
  const SetupInformation& info = in.info;
  std::vector<RegistryValue> values;

  values.push_back(Text(ProductRoots().machine, product_key, "Version", info.version));
  values.push_back(Text(ProductRoots().machine, product_key, "Release", info.release));
  values.push_back(Text(ProductRoots().machine, product_key, "Date", info.date));
  values.push_back(Number(ProductRoots().machine, product_key, "PermissionFlag",
                          in.setup_on_remote_drive ? 1 : 0));
  values.push_back(Number(ProductRoots().machine, product_key, "Service", kServiceNumber));
  values.push_back(Text(ProductRoots().machine, product_key, "InstallDate", in.install_date));
  values.push_back(Number(ProductRoots().machine, product_key, "ALN", kAlnNumber));

  if (!in.program_only) {
    if (info.items.count)
      values.push_back(
          Text(ProductRoots().machine, collection_key, info.items.count->name, info.items.count->text));
    for (const CollectionValue& item : info.items.values)
      Both(values, collection_key, item.name, item.text);
    Both(values, collection_key, "CollectionVersion", info.collection_version);
    Both(values, collection_key, "Root", in.index_dir);
  }

  Both(values, service_key, "InstallDiskName", info.install_disk_name);
  Both(values, service_key, "DocumentRoot", AddBackslash(in.install_dir) + "DOCS");
  Both(values, service_key, "InstallDrive", in.install_drive);
  if (!in.program_only) {
    for (std::size_t n = 0; n < in.dvd_paths.size(); ++n)
      Both(values, service_key, "DVDPath" + std::to_string(n + 1), in.dvd_paths[n]);
  }

  values.push_back(Text(ProductRoots().machine, app_paths_key, "", application_path));
  values.push_back(Text(ProductRoots().machine, app_paths_key, "path", in.install_dir));

  values.push_back(Text(ProductRoots().machine, uninstall_key, "DisplayName", product.title));
  // Quoted: the records folder lies below "Program Files", and an unquoted
  // path with blanks lets Windows try "C:\Program.exe" and the like first.
  values.push_back(Text(ProductRoots().machine, uninstall_key, "UninstallString",
                        "\"" + in.records_folder + kUninstallerName + "\" -UNINST"));
  values.push_back(Text(ProductRoots().machine, uninstall_key, "DisplayIcon", application_path));
  values.push_back(Text(ProductRoots().machine, uninstall_key, "DisplayVersion", info.version));
  values.push_back(Text(ProductRoots().machine, uninstall_key, "Publisher", kPublisher));
  // What deployment and inventory tools read: the uninstaller without a
  // window, where the product lies, its size, and that it has no change or
  // repair of its own.
  values.push_back(Text(ProductRoots().machine, uninstall_key, "QuietUninstallString",
                        "\"" + in.records_folder + kUninstallerName + "\" -UNINST -VERYSILENT"));
  values.push_back(Text(ProductRoots().machine, uninstall_key, "InstallLocation",
                        AddBackslash(in.install_dir)));
  values.push_back(
      Number(ProductRoots().machine, uninstall_key, "EstimatedSize", in.installed_kilobytes));
  values.push_back(Number(ProductRoots().machine, uninstall_key, "NoModify", 1));
  values.push_back(Number(ProductRoots().machine, uninstall_key, "NoRepair", 1));
  return values;
}

std::string TodayText() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char text[16];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
  return text;
}

std::string FullKeyName(HKEY root, const std::string& path) {
  // Named as the user knows the roots, wherever the product's keys hang.
  const bool machine = root == HKEY_LOCAL_MACHINE || root == ProductRoots().machine;
  const bool user = root == HKEY_CURRENT_USER || root == ProductRoots().user;
  const char* root_name = machine ? "HKEY_LOCAL_MACHINE" : user ? "HKEY_CURRENT_USER" : "HKEY";
  return std::string(root_name) + "\\" + path;
}

std::optional<std::string> WriteRegistryValues(const std::vector<RegistryValue>& values) {
  RegKey key;
  HKEY open_root = nullptr;
  std::string open_path;
  for (const RegistryValue& value : values) {
    if (!key || value.root != open_root || value.key != open_path) {
      key = RegKey::Create(value.root, value.key);
      open_root = value.root;
      open_path = value.key;
      if (!key) return FullKeyName(value.root, value.key);
    }
    const bool written = value.type == REG_DWORD ? key.WriteDword(value.name, value.number)
                                                 : key.WriteString(value.name, value.text);
    const std::string shown = FullKeyName(value.root, value.key) + "\\" +
                              (value.name.empty() ? "(default)" : value.name) + " = " +
                              (value.type == REG_DWORD ? std::to_string(value.number) : value.text);
    if (!written) {
      runlog::Write("Registry value not written: " + shown);
      return FullKeyName(value.root, value.key);
    }
    runlog::Write("Registry value written: " + shown);
  }
  return std::nullopt;
}

}  // namespace kestra
