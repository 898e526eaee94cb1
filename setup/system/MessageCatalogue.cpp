#include "system/MessageCatalogue.h"

#include "system/ExitCodes.h"

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
     "起動中のアプリケーションを終了した後、セットアップを開始してください。", kStop, IDOK, kExitRetryLater, 0},
    {Msg::ViewerRunningUninstall, kCaptionWarning, "アプリケーションが起動中のため開始できません。",
     kStop, IDOK, kExitRetryLater, 0},
    {Msg::NoRightsInstall, kCaptionUserError,
     "現在のアカウントではインストールを実行出来ません。\r\n"
     "Administrator権限を所有しているユーザで実行してください。",
     kStop, IDOK, kExitNoRights, 0},
    {Msg::NoRightsUninstall, kCaptionUserError,
     "現在のアカウントではアンインストールを実行出来ません。\r\n"
     "Administrator権限を所有しているユーザで実行してください。",
     kStop, IDOK, kExitNoRights, 0},
    {Msg::WrongDrive, kCaptionWarning,
     "セットアップを実行するドライブが正しくない可能性があります。\r\n"
     "環境をお確かめの上、セットアップを開始してください。(%1)",
     kStop, IDOK, kExitFailed, 0},
    {Msg::DriveInvalid, "ドライブエラー",
     "ドライブが無効です。\r\n"
     "ネットワークからセットアップを行う場合はネットワークドライブを割り当ててください。\r\n"
     "セットアップを中止します。",
     kWarn, IDOK, kExitFailed, 0},
    {Msg::UpgradeQuestion, "アップグレード", "%1 のアップグレードを行います。\r\nよろしいですか？",
     kAsk, IDYES, kExitCancelled, IDNO},
    {Msg::SearchPathFailed, kCaptionSetupError,
     "AUTOEXEC.BATの変更でエラーが発生しました。\r\nセットアップを中断します。", kStop, IDOK, kExitFailed, 0},
    {Msg::InstallDone, kCaptionDone, "インストールが完了しました。", kInform, IDOK, 0, 0},
    {Msg::UpgradeDone, kCaptionDone, "アップグレードが完了しました。", kInform, IDOK, 0, 0},
    {Msg::UnexpectedError, kCaptionSetupError,
     "予期しないエラーが発生しました。\r\nセットアップを中断します。\r\n\r\n(%1)", kStop, IDOK, kExitFailed, 0},

    {Msg::BadPath, kCaptionError, "指定されたパスに誤りがあります。\r\nパスの確認をしてください。",
     kWarn, IDOK, 0, 0},
    {Msg::InstallStartQuestion, "インストール開始",
     "%1 のインストールを開始します。\r\nよろしいですか？", kAsk, IDYES, 0, 0},
    {Msg::DriveMissing, "ドライブ指定エラー", "[%1]\r\n指定されたドライブは存在しません。", kWarn, IDOK, 0, 0},
    {Msg::CreateFolderQuestion, "ディレクトリ作成",
     "[%1]\r\n指定されたパスは存在しません。作成しますか？\r\n", kAsk, IDYES, 0, 0},

    {Msg::InstallCancelQuestion, "インストール中断", "インストールを中断しますか？",
     MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, IDNO, kExitCancelled, IDYES},
    {Msg::NetworkIndexQuestion, "コピー開始の確認",
     "ネットワーク上にある検索用インデクスファイルのアップグレードを開始します。\r\n"
     "［いいえ］を選択した場合は検索用インデックスの参照先をＤＶＤ－ＲＯＭに切り替えます。\r\n\r\n"
     "コピーを開始してもよろしいですか？\r\n\r\n更新先： %1",
     MB_YESNO | MB_ICONQUESTION, kAnswerIndexOverwrite, 0, 0},
    {Msg::IndexCopyFailed, kCaptionCopyError,
     "ファイルのコピーでエラーが発生しました。\r\n"
     "ディスクの容量が足らないか、ライトプロテクトされている可能性があります。\r\n"
     "確認後、処理を続けてください。",
     kStop, IDOK, 0, 0},
    {Msg::CommonListFailed, "セットアップエラー", "Foxitファイルのリスト作成に失敗しました。", kWarn, IDOK, kExitFailed, 0},
    {Msg::CopyFailed, kCaptionCopyError,
     "ファイルのコピーでエラーが発生しました。\r\n"
     "ディスクの容量が足らないか、ライトプロテクトされている可能性があります。\r\n"
     "セットアップを中断します。",
     kStop, IDOK, kExitFailed, 0},
    {Msg::FileInUse, "ファイル使用中",
     "次のファイルは他のプログラムが使用中のため置き換えられません。\r\n\r\n%1\r\n\r\n"
     "そのプログラムを終了してから［再試行］を押して下さい。",
     MB_RETRYCANCEL | MB_ICONEXCLAMATION, IDCANCEL, kExitRetryLater, IDCANCEL},
    {Msg::RegistryFailed, "レジストリエラー",
     "レジストリへの登録でエラーが発生しました。\r\nKEY=%1\r\nセットアップを中断します。", kStop, IDOK, kExitFailed, 0},

    {Msg::UninstallStartQuestion, kCaptionUninstall, "アンインストールを開始します。\r\nよろしいですか？",
     kAsk, IDYES, 0, 0},
    {Msg::UninstallCancelQuestion, kCaptionUninstall,
     "アンインストールを中止します。\r\nよろしいですか？", kAsk, IDNO, kExitCancelled, IDYES},
    {Msg::UninstallDone, kCaptionUninstall, "アンインストールが完了しました。", kInform, IDOK, 0, 0},
    {Msg::UninstallFilesRemain, kCaptionUninstall,
     "いくつかのファイルが削除できませんでした。\r\n\r\n%1\r\n\r\nを参照してください。\r\n"
     "現在の状態ではアプリケーションが正常に動作しません。\r\n"
     "%2 を起動している場合は終了して、\r\n再度アンインストールを実行してください。\r\n",
     kInform, IDOK, kExitFailed, 0},
    {Msg::UninstallRecordsMissing, kCaptionUninstall,
     "設定ファイルが見つかりません。\r\n\r\n%1\r\n\r\nアンインストールはできませんでした。", kInform, IDOK, kExitFailed, 0},
    {Msg::KeyNotDeleted, kCaptionError, "レジストリキーが削除できません\r\nKEY=%1", kWarn, IDOK, kExitFailed, 0},

    {Msg::SystemFolderMissing, kCaptionDll, "ファイルの呼び出しに失敗しました(#9010)", MB_OK, IDOK, 0, 0},
    {Msg::AdvapiMissing, kCaptionDll, "ファイルの呼び出しに失敗しました(#9011)\r\n%1", MB_OK, IDOK, 0, 0},
    {Msg::OwnTokenFailed, "", "トークンのハンドルの取得に失敗しました。", MB_OK, IDOK, 0, 0},
    {Msg::DesktopTokenFailed, "", "制限されたトークンの取得に失敗しました。", MB_OK, IDOK, 0, 0},
    {Msg::DirPickMissing, kCaptionError, "ファイルが見つかりません。\r\n%1", kWarn, IDOK, 0, 0},

    {Msg::Help, "ケストラDVD セットアップ",
     "使い方: SETUP.EXE [オプション]\r\n\r\n"
     "-SILENT\r\n"
     "　ウィザードを表示せず、進行状況だけを表示します。\r\n"
     "-VERYSILENT\r\n"
     "　画面を何も表示しません。\r\n"
     "-LOG[=\"ファイル\"]\r\n"
     "　ログを記録します (省略時は一時フォルダに作成)。\r\n"
     "-LOADINF=\"ファイル\"\r\n"
     "　応答ファイルの設定でインストールします。\r\n"
     "-SAVEINF=\"ファイル\"\r\n"
     "　この実行の設定を応答ファイルに保存します。\r\n"
     "-PLAN=\"ファイル\"\r\n"
     "　何も変更せず、実行する内容を書き出します。\r\n"
     "-REMOVEINDEX\r\n"
     "　検索用インデックスもアンインストールします。\r\n"
     "-HELP, -?\r\n"
     "　この一覧を表示します。\r\n\r\n"
     "終了コード:\r\n"
     "0　完了\r\n"
     "1602　取り消し\r\n"
     "1603　エラー\r\n"
     "1618　他のセットアップかアプリケーションが実行中、\r\n"
     "　　　またはファイルが使用中 (後で実行し直す)\r\n"
     "1638　同じか新しいバージョンがインストール済み\r\n"
     "1639　コマンドラインの誤り\r\n"
     "5　管理者権限なし",
     kInform, IDOK, 0, 0},
    {Msg::BadOption, kCaptionSetupError,
     "コマンドラインのオプションに誤りがあります。\r\n\r\n%1\r\n\r\n"
     "オプションの一覧は -HELP で表示されます。",
     kStop, IDOK, kExitBadCommandLine, 0},
    {Msg::BadAnswerFile, kCaptionSetupError,
     "応答ファイルを使用できません。\r\n\r\n%1\r\n%2\r\n\r\nセットアップを中止します。", kStop,
     IDOK, kExitFailed, 0},
    {Msg::SettingsRefused, kCaptionSetupError,
     "次の設定ではインストールできません。\r\n\r\n%1\r\n\r\nセットアップを中止します。", kStop,
     IDOK, kExitFailed, 0},
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
