#include "ExpectedBoxes.h"

namespace expected {

namespace {

const std::vector<std::string> kOk = {"OK"};
const std::vector<std::string> kYesNo = {"Yes", "No"};
constexpr char kNoRightsTail[] =
    "を実行出来ません。\r\nAdministrator権限を所有しているユーザで実行してください。";
constexpr char kDiskTrouble[] =
    "ファイルのコピーでエラーが発生しました。\r\n"
    "ディスクの容量が足らないか、ライトプロテクトされている可能性があります。\r\n";

}  // namespace

Box ViewerRunningInstall() {
  return {"警告", "起動中のアプリケーションを終了した後、セットアップを開始してください。", kOk, "error"};
}
Box ViewerRunningUninstall() {
  return {"警告", "アプリケーションが起動中のため開始できません。", kOk, "error"};
}
Box NoRightsInstall() {
  return {"ユーザエラー", std::string("現在のアカウントではインストール") + kNoRightsTail, kOk, "error"};
}
Box NoRightsUninstall() {
  return {"ユーザエラー", std::string("現在のアカウントではアンインストール") + kNoRightsTail, kOk,
          "error"};
}
Box WrongDrive(const std::string& drive) {
  return {"警告",
          "セットアップを実行するドライブが正しくない可能性があります。\r\n"
          "環境をお確かめの上、セットアップを開始してください。(" + drive + ")",
          kOk, "error"};
}
Box DriveInvalid() {
  return {"ドライブエラー",
          "ドライブが無効です。\r\n"
          "ネットワークからセットアップを行う場合はネットワークドライブを割り当ててください。\r\n"
          "セットアップを中止します。",
          kOk, "warning"};
}
Box UpgradeQuestion() {
  return {"アップグレード", "ケストラDVD のアップグレードを行います。\r\nよろしいですか？", kYesNo,
          "information"};
}
Box SearchPathFailed() {
  return {"セットアップ・エラー",
          "AUTOEXEC.BATの変更でエラーが発生しました。\r\nセットアップを中断します。", kOk, "error"};
}
Box InstallDone() { return {"完了", "インストールが完了しました。", kOk, "information"}; }
Box UpgradeDone() { return {"完了", "アップグレードが完了しました。", kOk, "information"}; }
Box UnexpectedError(const std::string& reason) {
  return {"セットアップ・エラー",
          "予期しないエラーが発生しました。\r\nセットアップを中断します。\r\n\r\n(" + reason + ")", kOk,
          "error"};
}

Box BadPath() {
  return {"エラー", "指定されたパスに誤りがあります。\r\nパスの確認をしてください。", kOk, "warning"};
}
Box InstallStartQuestion() {
  return {"インストール開始", "ケストラDVD のインストールを開始します。\r\nよろしいですか？", kYesNo,
          "information"};
}
Box DriveMissing(const std::string& drive) {
  return {"ドライブ指定エラー", "[" + drive + "]\r\n指定されたドライブは存在しません。", kOk, "warning"};
}
Box CreateFolderQuestion(const std::string& folder) {
  return {"ディレクトリ作成", "[" + folder + "]\r\n指定されたパスは存在しません。作成しますか？\r\n",
          kYesNo, "information"};
}

Box InstallCancelQuestion() {
  return {"インストール中断", "インストールを中断しますか？", kYesNo, "warning"};
}
Box NetworkIndexQuestion(const std::string& target) {
  return {"コピー開始の確認",
          "ネットワーク上にある検索用インデクスファイルのアップグレードを開始します。\r\n"
          "［いいえ］を選択した場合は検索用インデックスの参照先をＤＶＤ－ＲＯＭに切り替えます。\r\n\r\n"
          "コピーを開始してもよろしいですか？\r\n\r\n更新先： " + target,
          kYesNo, "question"};
}
Box IndexCopyFailed() {
  return {"ファイルコピーエラー", std::string(kDiskTrouble) + "確認後、処理を続けてください。", kOk,
          "error"};
}
Box CommonListFailed() {
  return {"セットアップエラー", "Foxitファイルのリスト作成に失敗しました。", kOk, "warning"};
}
Box CopyFailed() {
  return {"ファイルコピーエラー", std::string(kDiskTrouble) + "セットアップを中断します。", kOk, "error"};
}
Box FileInUse(const std::string& file) {
  return {"ファイル使用中",
          "次のファイルは他のプログラムが使用中のため置き換えられません。\r\n\r\n" + file +
              "\r\n\r\nそのプログラムを終了してから［再試行］を押して下さい。",
          {"Retry", "Cancel"}, "warning"};
}
Box RegistryFailed(const std::string& key) {
  return {"レジストリエラー",
          "レジストリへの登録でエラーが発生しました。\r\nKEY=" + key + "\r\nセットアップを中断します。",
          kOk, "error"};
}

Box UninstallStartQuestion() {
  return {"アンインストール", "アンインストールを開始します。\r\nよろしいですか？", kYesNo, "information"};
}
Box UninstallCancelQuestion() {
  return {"アンインストール", "アンインストールを中止します。\r\nよろしいですか？", kYesNo, "information"};
}
Box UninstallDone() {
  return {"アンインストール", "アンインストールが完了しました。", kOk, "information"};
}
Box UninstallFilesRemain() {
  return {"アンインストール",
          "いくつかのファイルが削除できませんでした。\r\n\r\n"
          "Program Files\\ZEL\\Common Files\\UNINSTALL\\KSUNINST.LOG\r\n\r\n"
          "を参照してください。\r\n"
          "現在の状態ではアプリケーションが正常に動作しません。\r\n"
          "ケストラDVD を起動している場合は終了して、\r\n"
          "再度アンインストールを実行してください。\r\n",
          kOk, "information"};
}
Box UninstallRecordsMissing() {
  return {"アンインストール",
          "設定ファイルが見つかりません。\r\n\r\n"
          "Program Files\\ZEL\\Common Files\\UNINSTALL\\KSINSTALL.INF\r\n\r\n"
          "アンインストールはできませんでした。",
          kOk, "information"};
}
Box KeyNotDeleted(const std::string& key) {
  return {"エラー", "レジストリキーが削除できません\r\nKEY=" + key, kOk, "warning"};
}

Box SystemFolderMissing() { return {"DLLエラー", "ファイルの呼び出しに失敗しました(#9010)", kOk, "none"}; }
Box AdvapiMissing(const std::string& library) {
  return {"DLLエラー", "ファイルの呼び出しに失敗しました(#9011)\r\n" + library, kOk, "none"};
}
Box OwnTokenFailed() { return {"", "トークンのハンドルの取得に失敗しました。", kOk, "none"}; }
Box DesktopTokenFailed() { return {"", "制限されたトークンの取得に失敗しました。", kOk, "none"}; }
Box DirPickMissing() { return {"エラー", "ファイルが見つかりません。\r\nDIRPICK.EXE", kOk, "warning"}; }

Box Help() {
  return {"ケストラDVD セットアップ",
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
          kOk, "information"};
}
Box BadOption(const std::string& argument) {
  return {"セットアップ・エラー",
          "コマンドラインのオプションに誤りがあります。\r\n\r\n" + argument +
              "\r\n\r\nオプションの一覧は -HELP で表示されます。",
          kOk, "error"};
}
Box BadAnswerFile(const std::string& file, const std::string& reason) {
  return {"セットアップ・エラー",
          "応答ファイルを使用できません。\r\n\r\n" + file + "\r\n" + reason +
              "\r\n\r\nセットアップを中止します。",
          kOk, "error"};
}
Box SettingsRefused(const std::string& reason) {
  return {"セットアップ・エラー",
          "次の設定ではインストールできません。\r\n\r\n" + reason + "\r\n\r\nセットアップを中止します。",
          kOk, "error"};
}

}  // namespace expected
