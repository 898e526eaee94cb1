#include "Unit1.h"

#include "OpenFolder.h"
#include "system/SysQuery.h"
#include "ui/Application.h"

namespace dirpick {

namespace {

constexpr char kCaption[] = "フォルダ選択";
constexpr char kFailureText[] = "フォルダ選択の起動に失敗しました。";
constexpr char kNoFolder[] = "NG";
constexpr char kDefaultStart[] = "C:\\";
// Outer size 307 by 196: the client area inside a single border and caption.
constexpr int kClientWidth = 301;
constexpr int kClientHeight = 170;

}  // namespace

DirPickOptions ParseDirPickArguments(const std::vector<std::string>& argv) {
  DirPickOptions options;
  options.any_arguments = argv.size() > 1;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    // The argument after "-S" is the folder, and an option in its own turn.
    if (argv[i] == "-S") options.start_folder = i + 1 < argv.size() ? argv[i + 1] : "";
    if (argv[i] == "-CreateDir") options.create_dir = true;
    if (argv[i] == "-cmd") options.command_mode = true;
  }
  return options;
}

std::string AnswerLine(const std::string& label_text) { return label_text + "\r\n"; }

TForm1::TForm1(std::vector<std::string> argv)
    : TForm("TForm1", kCaption, kClientWidth, kClientHeight, kestra::FormBorder::SystemMenu),
      argv_(std::move(argv)) {}

void TForm1::CreateControls() {
  // Created first, so that they lie behind the panel.
  AddControl("BUTTON", "開く(&O)", WS_VISIBLE | BS_PUSHBUTTON, IdOpenBtn, 8, 8, 75, 25);
  AddControl("STATIC", "", WS_VISIBLE | SS_LEFT, IdLabel1, 8, 40, 280, 16);
  AddControl("BUTTON", "Write", BS_PUSHBUTTON, IdWriteBtn, 8, 64, 75, 25);  // never visible
  AddControl("STATIC", kFailureText, WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, IdPanel1, 0, 0,
             kClientWidth, kClientHeight - 44);
  AddControl("BUTTON", "閉じる(&C)", WS_VISIBLE | BS_DEFPUSHBUTTON | WS_TABSTOP, IdCloseBtn,
             (kClientWidth - 90) / 2, kClientHeight - 36, 90, 25);
  // The panel lies in front of the buttons the posted clicks drive.
  ::SetWindowPos(Item(IdPanel1).Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TForm1::FormCreate() {
  options_ = ParseDirPickArguments(argv_);
  CenterOnScreen();
}

void TForm1::Start() {
  if (options_.command_mode)
    PostClick(IdOpenBtn);
  else
    Show();
}

void TForm1::FormClose() { kestra::Application.Terminate(); }

void TForm1::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case IdOpenBtn:
      OpenBtnClick();
      break;
    case IdWriteBtn:
      WriteBtnClick();
      break;
    case IdCloseBtn:
    case IDCANCEL:
      CloseBtnClick();
      break;
    default:
      break;
  }
}

void TForm1::OpenBtnClick() {
  std::string folder = kDefaultStart;
  if (!options_.start_folder.empty() && kestra::IsDriveReady(options_.start_folder))
    folder = options_.start_folder;
  Item(IdLabel1).SetText(BrowseFolder(folder, options_.create_dir) ? folder : kNoFolder);
  if (options_.command_mode) PostClick(IdWriteBtn);
}

void TForm1::WriteBtnClick() {
  const std::string line = AnswerLine(Item(IdLabel1).Text());
  DWORD written = 0;
  // An output nobody reads loses the answer; the program ends all the same.
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()),
              &written, nullptr);
  Close();
}

void TForm1::CloseBtnClick() { Close(); }

void TForm1::PostClick(int id) const {
  const HWND button = Item(id).Handle();
  ::PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  ::PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
}

}  // namespace dirpick
