#include "system/MessageCatalogue.h"

#include <stdexcept>

namespace kestra {

namespace {

constexpr char kCaptionWarning[] = "警告";
constexpr char kCaptionUserError[] = "ユーザエラー";
constexpr char kCaptionSetupError[] = "セットアップ・エラー";
constexpr char kCaptionDone[] = "完了";
constexpr char kCaptionError[] = "エラー";
constexpr char kCaptionCopyError[] = "ファイルコピーエラー";
constexpr char kCaptionUninstall[] = "アンインストール";
constexpr char kCaptionDll[] = "DLLエラー";

constexpr UINT kStop = MB_OK | MB_ICONERROR;
constexpr UINT kWarn = MB_OK | MB_ICONWARNING;  // the same icon as MB_ICONEXCLAMATION
constexpr UINT kInform = MB_OK | MB_ICONINFORMATION;
constexpr UINT kAsk = MB_YESNO | MB_ICONINFORMATION;

const std::vector<MessageEntry> kCatalogue = {
    {Msg::ViewerRunningInstall, kCaptionWarning,
     "起動中のアプリケーションを終了した後、セットアップを開始してください。", kStop},
    {Msg::ViewerRunningUninstall, kCaptionWarning, "アプリケーションが起動中のため開始できません。",
     kStop},
    {Msg::NoRightsInstall, kCaptionUserError,
     "現在のアカウントではインストールを実行出来ません。\r\n"
     "Administrator権限を所有しているユーザで実行してください。",
     kStop},
    {Msg::NoRightsUninstall, kCaptionUserError,
     "現在のアカウントではアンインストールを実行出来ません。\r\n"
     "Administrator権限を所有しているユーザで実行してください。",
     kStop},
    {Msg::WrongDrive, kCaptionWarning,
     "セットアップを実行するドライブが正しくない可能性があります。\r\n"
     "環境をお確かめの上、セットアップを開始してください。(%1)",
     kStop},
    {Msg::DriveInvalid, "ドライブエラー",
     "ドライブが無効です。\r\n"
     "ネットワークからセットアップを行う場合はネットワークドライブを割り当ててください。\r\n"
     "セットアップを中止します。",
     kWarn},
    {Msg::UpgradeQuestion, "アップグレード", "%1 のアップグレードを行います。\r\nよろしいですか？",
     kAsk},
    {Msg::SearchPathFailed, kCaptionSetupError,
     "AUTOEXEC.BATの変更でエラーが発生しました。\r\nセットアップを中断します。", kStop},
    {Msg::InstallDone, kCaptionDone, "インストールが完了しました。", kInform},
    {Msg::UpgradeDone, kCaptionDone, "アップグレードが完了しました。", kInform},
    {Msg::UnexpectedError, kCaptionSetupError,
     "予期しないエラーが発生しました。\r\nセットアップを中断します。\r\n\r\n(%1)", kStop},

    {Msg::BadPath, kCaptionError, "指定されたパスに誤りがあります。\r\nパスの確認をしてください。",
     kWarn},
    {Msg::InstallStartQuestion, "インストール開始",
     "%1 のインストールを開始します。\r\nよろしいですか？", kAsk},
    {Msg::DriveMissing, "ドライブ指定エラー", "[%1]\r\n指定されたドライブは存在しません。", kWarn},
    {Msg::CreateFolderQuestion, "ディレクトリ作成",
     "[%1]\r\n指定されたパスは存在しません。作成しますか？\r\n", kAsk},

    {Msg::InstallCancelQuestion, "インストール中断", "インストールを中断しますか？",
     MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2},
    {Msg::NetworkIndexQuestion, "コピー開始の確認",
     "ネットワーク上にある検索用インデクスファイルのアップグレードを開始します。\r\n"
     "［いいえ］を選択した場合は検索用インデックスの参照先をＤＶＤ－ＲＯＭに切り替えます。\r\n\r\n"
     "コピーを開始してもよろしいですか？\r\n\r\n更新先： %1",
     MB_YESNO | MB_ICONQUESTION},
    {Msg::IndexCopyFailed, kCaptionCopyError,
     "ファイルのコピーでエラーが発生しました。\r\n"
     "ディスクの容量が足らないか、ライトプロテクトされている可能性があります。\r\n"
     "確認後、処理を続けてください。",
     kStop},
    {Msg::CommonListFailed, "セットアップエラー", "Foxitファイルのリスト作成に失敗しました。", kWarn},
    {Msg::CopyFailed, kCaptionCopyError,
     "ファイルのコピーでエラーが発生しました。\r\n"
     "ディスクの容量が足らないか、ライトプロテクトされている可能性があります。\r\n"
     "セットアップを中断します。",
     kStop},
    {Msg::FileInUse, "ファイル使用中",
     "次のファイルは他のプログラムが使用中のため置き換えられません。\r\n\r\n%1\r\n\r\n"
     "そのプログラムを終了してから［再試行］を押して下さい。",
     MB_RETRYCANCEL | MB_ICONEXCLAMATION},
    {Msg::RegistryFailed, "レジストリエラー",
     "レジストリへの登録でエラーが発生しました。\r\nKEY=%1\r\nセットアップを中断します。", kStop},

    {Msg::UninstallStartQuestion, kCaptionUninstall, "アンインストールを開始します。\r\nよろしいですか？",
     kAsk},
    {Msg::UninstallCancelQuestion, kCaptionUninstall,
     "アンインストールを中止します。\r\nよろしいですか？", kAsk},
    {Msg::UninstallDone, kCaptionUninstall, "アンインストールが完了しました。", kInform},
    {Msg::UninstallFilesRemain, kCaptionUninstall,
     "いくつかのファイルが削除できませんでした。\r\n\r\n%1\r\n\r\nを参照してください。\r\n"
     "現在の状態ではアプリケーションが正常に動作しません。\r\n"
     "%2 を起動している場合は終了して、\r\n再度アンインストールを実行してください。\r\n",
     kInform},
    {Msg::UninstallRecordsMissing, kCaptionUninstall,
     "設定ファイルが見つかりません。\r\n\r\n%1\r\n\r\nアンインストールはできませんでした。", kInform},
    {Msg::KeyNotDeleted, kCaptionError, "レジストリキーが削除できません\r\nKEY=%1", kWarn},

    {Msg::SystemFolderMissing, kCaptionDll, "ファイルの呼び出しに失敗しました(#9010)", MB_OK},
    {Msg::AdvapiMissing, kCaptionDll, "ファイルの呼び出しに失敗しました(#9011)\r\n%1", MB_OK},
    {Msg::OwnTokenFailed, "", "トークンのハンドルの取得に失敗しました。", MB_OK},
    {Msg::DesktopTokenFailed, "", "制限されたトークンの取得に失敗しました。", MB_OK},
    {Msg::DirPickMissing, kCaptionError, "ファイルが見つかりません。\r\n%1", kWarn},
};

}  // namespace

const std::vector<MessageEntry>& MessageCatalogue() { return kCatalogue; }

const MessageEntry& CatalogueEntry(Msg id) {
  const std::size_t index = static_cast<std::size_t>(id);
  // The table is in the order of the identifiers; a gap would show a wrong text.
  if (index >= kCatalogue.size() || kCatalogue[index].id != id)
    throw std::logic_error("message catalogue out of order");
  return kCatalogue[index];
}

std::string MessageText(const Message& message) {
  const std::string text = CatalogueEntry(message.id).text;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] == '%' && next >= '1' && next <= '9' &&
        static_cast<std::size_t>(next - '1') < message.args.size()) {
      out += message.args[static_cast<std::size_t>(next - '1')];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace kestra
