#include "wizard/SettingRules.h"

#include <algorithm>
#include <cmath>

#include "system/AppInfo.h"
#include "system/Mbcs.h"
#include "system/ProductTable.h"
#include "system/SysQuery.h"

namespace kestra {

std::string LeadingChars(std::string_view s, std::size_t count) {
  std::size_t end = 0;
  for (std::size_t n = 0; n < count && end < s.size(); ++n) end += CharLength(s, end);
  return std::string(s.substr(0, end));
}

bool EndsWithText(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  const std::size_t start = s.size() - suffix.size();
  return s.substr(start) == suffix && IsCharBoundary(s, start);
}

std::string FormatThousands(long long value) {
  const bool negative = value < 0;
  std::string digits = std::to_string(negative ? -value : value);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return negative ? "-" + out : out;
}

std::string FreeSpaceLine(const std::string& path, double free_bytes) {
  const long long megabytes = std::llround(free_bytes / kMegaByte);
  return "[ " + AnsiUpperCase(LeadingChars(path, 3)) + " ] 空き容量 : " +
         FormatThousands(megabytes) + " MByte";
}

bool SharesDriveWithIndex(const std::string& app_path, const std::string& index_path,
                          bool index_checked) {
  return index_checked && LeadingChars(app_path, 2) == LeadingChars(index_path, 2);
}

SpaceState ApplicationSpace(const std::string& app_path, const std::string& index_path,
                            bool index_checked, double free_bytes) {
  const double required = SharesDriveWithIndex(app_path, index_path, index_checked)
                              ? kAppAndIndexBytes
                              : kAppOnlyBytes;
  return SpaceState{FreeSpaceLine(app_path, free_bytes), required <= free_bytes};
}

IndexSpaceState IndexSpace(const std::string& app_path, const std::string& index_path,
                           bool index_checked, double free_bytes, bool index_present,
                           UINT drive_type, bool vista_or_later) {
  IndexSpaceState state{FreeSpaceLine(index_path, free_bytes), std::nullopt};
  // On Vista and later the index drive never holds the installation back.
  if (vista_or_later) return state;
  const double usable = free_bytes + (index_present ? kReplacedIndexBytes : 0.0);
  const double required = SharesDriveWithIndex(app_path, index_path, index_checked)
                              ? kAppAndIndexBytes
                              : kIndexOnlyBytes;
  // An index on a ROM drive is used where it is: nothing is copied there.
  state.enough = required <= usable || drive_type == DRIVE_CDROM;
  return state;
}

DriveKind DescribeDriveType(UINT drive_type) {
  switch (drive_type) {
    case DRIVE_REMOVABLE: return {"リムーバブルディスク", kBlack};
    case DRIVE_FIXED: return {"ローカルディスク", kBlack};
    case DRIVE_REMOTE: return {"ネットワークドライブ", kRed};
    case DRIVE_CDROM: return {"ＲＯＭドライブ", kBlack};
    case DRIVE_RAMDISK: return {"ＲＡＭドライブ", kBlack};
    default: return {"", kBlack};
  }
}

std::string ApplicationFolderFromPick(const std::string& picked) {
  const std::string folder = AddBackslash(picked);
  const std::string product_folder = std::string(kProduct.key) + "\\";
  return EndsWithText(folder, product_folder) ? folder : folder + product_folder;
}

std::string IndexFolderOfApplication(const std::string& app_folder) {
  return AddBackslash(app_folder) + "DOCS\\";
}

bool IsUsableApplicationPath(const std::string& app_path, bool drive_ready) {
  // Counted in bytes: the path goes through the ANSI calls, whose buffers hold
  // MAX_PATH bytes, so a double-byte character takes two.
  return drive_ready && app_path.size() < kMaxPathLength;
}

std::vector<std::string> MakeDvdPathList(TFAppInfo& app, const std::string& setup_drive) {
  if (app.DVDPaths[0].empty()) app.DVDPaths[0] = setup_drive;
  std::vector<std::string> list{std::string()};
  for (int i = 0; i < kDvdCount; ++i) {
    std::string& entry = app.DVDPaths[static_cast<std::size_t>(i)];
    entry = AddBackslash(entry.empty() ? app.DVDPaths[0] : entry);
    list.push_back(entry);
  }
  return list;
}

DvdSummary SummarizeDvdFolders(const std::vector<std::string>& dvd_path_list) {
  auto normalised = [](const std::string& folder) { return AnsiUpperCase(AddBackslash(folder)); };
  const std::string first = dvd_path_list.size() > 1 ? normalised(dvd_path_list[1]) : "";
  bool uniform = true;
  for (std::size_t i = 1; i < dvd_path_list.size(); ++i)
    if (normalised(dvd_path_list[i]) != first) uniform = false;
  if (uniform) return {first, "※すべてのドライブは同一の参照先に設定されています。", true};
  return {"ドライブがＤＶＤ番号毎に設定されています。",
          "※DVDドライブを確認するには　［詳細設定］　を選択してください。", false};
}

namespace {

std::string ApplicationGuidance(const char* browse_button) {
  return std::string("アプリケーションのインストール先フォルダを指定します。\r\n"
                     "アプリケーションをインストールするには、200MByte以上の空き容量が必要です。\r\n"
                     "インストールするフォルダを変更する場合は、") +
         browse_button +
         " ボタンをクリックして下さい。\r\n"
         "インストール先フォルダを変更した場合は、自動的に[ " +
         kProduct.key + " ]フォルダが作成されます。";
}

}  // namespace

GuidanceText GuidanceOf(Guidance guidance) {
  switch (guidance) {
    case Guidance::Application:
      return {"インストール先を指定", ApplicationGuidance("[ 参照 ]")};
    case Guidance::ApplicationHover:
      return {"インストール先を指定", ApplicationGuidance("[ 参照(A) ]")};
    case Guidance::Index:
      return {"検索用インデックスを指定",
              "検索用インデックスのインストールを指定します。\r\n"
              "検索用インデックスをインストールするには、100MByte以上の空き容量が必要です。\r\n"
              "インストール先を変更するには、[ 参照(B) ] ボタンをクリックし、参照先を変更して下さい。\r\n"
              "検索用インデックスのインストールを行わない場合は、チェックを外して下さい。\r\n"
              "「 検索用インデックスのインストールを行う 」にチェックが付いていない場合はＤＶＤでの運用になります。"};
    case Guidance::Dvd:
      return {"参照先ＤＶＤドライブの指定",
              "アプリケーションで使用するＤＶＤドライブを指定します。\r\n"
              "ＤＶＤドライブの参照先を変更するには、[ 詳細設定(&D) ] ボタンをクリックし、参照先を変更して下さい。"};
    case Guidance::Upgrade:
    default:
      return {"アップグレードの確認",
              std::string("アップグレード対象の［ ") + kProduct.title +
                  " ］がインストールされています。\r\n"
                  "アップグレードを実行する場合は、[ ｱｯﾌﾟｸﾞﾚｰﾄﾞ(S) ] ボタンを押して下さい。\r\n"
                  "アップグレードを中止する場合は、[ ｷｬﾝｾﾙ ] ボタンを押してください。"};
  }
}

PageMode PageModeOf(int32_t install_mode) {
  return install_mode == kOverInstalledProduct ? PageMode::Upgrade : PageMode::NewInstallation;
}

StepView ViewOfStep(PageStep step, PageMode mode) {
  if (step == PageStep::DvdFolders)
    return {"環境設定２", true, true, "ｲﾝｽﾄｰﾙ(&S)", Guidance::Dvd};
  if (mode == PageMode::Upgrade)
    return {"環境設定１", false, false, "ｱｯﾌﾟｸﾞﾚｰﾄﾞ(&S)", Guidance::Upgrade};
  return {"環境設定１", false, false, "次へ(&N)", Guidance::Application};
}

InstallAction InstallActionOf(PageStep step, PageMode mode) {
  if (mode == PageMode::Upgrade) return InstallAction::Commit;
  return step == PageStep::Destinations ? InstallAction::CheckFolderThenDvdStep
                                        : InstallAction::ConfirmThenCommit;
}

std::optional<Guidance> GuidanceOnHover(PageMode mode, HoverArea area) {
  if (mode == PageMode::Upgrade) return Guidance::Upgrade;
  switch (area) {
    case HoverArea::Application: return Guidance::ApplicationHover;
    case HoverArea::Index: return Guidance::Index;
    case HoverArea::Dvd: return Guidance::Dvd;
    case HoverArea::Other:
    default: return std::nullopt;
  }
}

bool UpgradeKeepsIndexOnDisk(const UpgradeIndexFacts& f) {
  if (f.vista_or_later) {
    // The index on the setup drive is the DVD's own.
    if (AnsiUpperCase(LeadingChars(f.index_dir, 3)) == AnsiUpperCase(AddBackslash(f.setup_drive)))
      return false;
    return f.index_dir_drive_type == DRIVE_FIXED;
  }
  return !(f.index_edit == f.dvd_index_dir || f.index_edit_drive_type == DRIVE_CDROM ||
           f.index_edit_drive_type == DRIVE_REMOTE);
}

void ApplyPresets(PageChoices& choices, const PresetChoices& presets, PageMode mode,
                  const std::string& checked_index_dir, const std::string& dvd_index_dir) {
  if (presets.app_dir && mode == PageMode::NewInstallation)
    choices.app_path = ApplicationFolderFromPick(*presets.app_dir);
  if (presets.install_index && *presets.install_index != choices.index_checked) {
    choices.index_checked = *presets.install_index;
    choices.index_path = choices.index_checked ? checked_index_dir : dvd_index_dir;
  }
  if (presets.index_dir && choices.index_checked) choices.index_path = AddBackslash(*presets.index_dir);
  for (std::size_t i = 0; i < presets.dvd_paths.size() && i + 1 < choices.dvd_path_list.size(); ++i)
    if (presets.dvd_paths[i]) choices.dvd_path_list[i + 1] = AddBackslash(*presets.dvd_paths[i]);
}

bool CopiesIndex(bool index_checked, const std::string& index_path,
                 const std::string& dvd_index_dir) {
  return index_checked && index_path != dvd_index_dir;
}

void CommitChoices(TFInstAppInfo& record, const PageChoices& choices,
                   const std::string& dvd_index_dir) {
  TFAppInfo& app = record.AppInfo;
  app.InstallDir = AddBackslash(choices.app_path);
  record.InstallIndex = CopiesIndex(choices.index_checked, choices.index_path, dvd_index_dir) ? kIndexToDisk : kIndexFromDvd;
  record.IndexDir = AddBackslash(choices.index_path);
  const std::size_t count = std::min<std::size_t>(
      {static_cast<std::size_t>(std::max(app.DVDPathCount, 0)), app.DVDPaths.size() - 1,
       choices.dvd_path_list.empty() ? 0 : choices.dvd_path_list.size() - 1});
  for (std::size_t i = 0; i < count; ++i) app.DVDPaths[i] = choices.dvd_path_list[i + 1];
}

}  // namespace kestra
