#include "install/RegistryLayout.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>

#include "install/RecordFile.h"
#include "script/Profile.h"
#include "system/Mbcs.h"
#include "system/Registry.h"
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
  return TextValue(root, key, name, text);
}

RegistryValue Number(HKEY root, const std::string& key, const std::string& name, DWORD number) {
  return NumberValue(root, key, name, number);
}

// The same text value under the machine key and the user's key of the same
// path (the machine's alone in a run of the SYSTEM account).
void Both(std::vector<RegistryValue>& values, const std::string& key, const std::string& name,
          const std::string& text, bool machine_only) {
  values.push_back(Text(ProductRoots().machine, key, name, text));
  if (!machine_only) values.push_back(Text(ProductRoots().user, key, name, text));
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
      Both(values, collection_key, item.name, item.text, in.system_account);
    Both(values, collection_key, "CollectionVersion", info.collection_version, in.system_account);
    Both(values, collection_key, "Root", in.index_dir, in.system_account);
  }

  Both(values, service_key, "InstallDiskName", info.install_disk_name, in.system_account);
  Both(values, service_key, "DocumentRoot", AddBackslash(in.install_dir) + "DOCS",
       in.system_account);
  Both(values, service_key, "InstallDrive", in.install_drive, in.system_account);
  if (!in.program_only) {
    for (std::size_t n = 0; n < in.dvd_paths.size(); ++n)
      Both(values, service_key, "DVDPath" + std::to_string(n + 1), in.dvd_paths[n],
           in.system_account);
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

  if (in.system_account) {
    // Each user's keys at the next logon: the uninstaller copies the machine's.
    const std::string active_setup = ActiveSetupKeyPath(product);
    std::vector<RegistryValue> component = {
        Text(ProductRoots().machine, active_setup, "", product.title),
        Text(ProductRoots().machine, active_setup, "StubPath",
             "\"" + in.records_folder + kUninstallerName + "\" -USERSETUP"),
        Text(ProductRoots().machine, active_setup, "Version", ActiveSetupVersion(info.version)),
        Number(ProductRoots().machine, active_setup, "IsInstalled", 1)};
    for (RegistryValue& value : component) {
      value.view = KEY_WOW64_64KEY;
      values.push_back(std::move(value));
    }
  }
  return values;
}

std::string ActiveSetupVersion(const std::string& version) {
  const VersionParts parts = ParseVersion(version);
  return std::to_string(parts[0]) + "," + std::to_string(parts[1]) + "," +
         std::to_string(parts[2]) + "," + std::to_string(parts[3]);
}

std::string TodayText() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char text[16];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
  return text;
}

}  // namespace kestra
