// The installer's own folder picker for Windows before Vista: a path edit, the
// folder list of the current drive and a drive list. The user may type a
// folder that does not exist yet; the dialog offers to create it, and for the
// application folder puts the product folder below the chosen one.
// Modal result 1: StartPath holds the chosen folder (trailing backslash);
// 2: cancelled, StartPath unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/Form.h"

namespace kestra {

// Modes of the dialog.
inline constexpr int32_t kDirSelApplication = 0;  // the application folder
inline constexpr int32_t kDirSelIndex = 1;        // the index folder
inline constexpr int32_t kDirSelPlain = -1;       // any folder (a DVD folder)

// ------------------------------------------------------------ decisions

// What OK does with the typed path.
struct DirSelVerdict {
  enum Kind {
    DriveMissing,  // the drive error; the dialog stays
    Accept,        // folder is the result
    AskCreate,     // ask whether to create; Yes creates folder and accepts it
  };
  Kind kind;
  std::string folder;  // Accept, AskCreate: the folder to accept or create
  std::string named;   // DriveMissing: the drive; AskCreate: the path the question names
};
using FolderExistsFn = std::function<bool(const std::string&)>;
DirSelVerdict JudgeDirSelOk(int32_t mode, const std::string& edit_path,
                            const FolderExistsFn& folder_exists);

// "C:Apps": a drive letter without a root, which means the drive's current
// folder. Such a path is judged as the full path it stands for, never handed
// on as it is.
bool IsDriveRelative(const std::string& path);

// The last folder name of a path after trailing blanks are dropped: what
// follows its last "\" (empty when it ends with one).
std::string LastFolderName(const std::string& path);

// The folder list of a current folder: the path from the root down to it,
// then its subfolders.
struct FolderListItem {
  std::string name;  // shown: "C:\" for the root, else the folder's name
  std::string path;  // the full folder path
  int depth;         // 0 for the root
  bool open;         // on the path to the current folder (or the current folder)
};
std::vector<FolderListItem> FolderListOf(const std::string& current_folder,
                                         const std::vector<std::string>& subfolders);

// ------------------------------------------------------------ the form

class TDirSelDlg : public TForm {
 public:
  explicit TDirSelDlg(HWND owner);

  enum ControlId {
    IdPanel1 = 100,
    IdMemo2,
    IdLabel1,
    IdEditPath,
    IdLabel2,
    IdDirectoryListBox1,
    IdLabel3,
    IdDriveComboBox1,
    IdButton1,
    IdButton2,
  };

  int32_t DirSelMode = kDirSelPlain;
  std::string StartPath;

 protected:
  void CreateControls() override;
  void FormCreate() override;
  void FormShow() override;
  void OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void DriveComboBox1Change();
  void DirectoryListBox1Change();
  void Button1Click();
  void Button2Click();
  void SelectStart();
  bool CreateFolder(const std::string& path);

  // Makes folder the folder list's current folder and lets the drive list
  // follow; false (nothing changes) when the folder does not exist.
  bool OpenFolder(const std::string& folder);
  void FillDrives();
  void ShowDriveOf(const std::string& folder);
  void DrawFolderItem(const DRAWITEMSTRUCT& item);
  void CloseInputMethod();

  TControl Panel1, Memo2, Label1, EditPath, Label2, DirectoryListBox1, Label3, DriveComboBox1,
      Button1, Button2;
  std::vector<FolderListItem> folders_;
  std::string current_folder_;
};

}  // namespace kestra
