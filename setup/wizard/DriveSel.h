// The DVD drive selection: one row per DVD number with a check box, its label
// and its folder. The user picks a folder for the checked rows, may undo back
// to the folders of the settings page's loading, and returns to the page,
// which then finds the changed folders in its own list. There is no cancel:
// the return button is the only way out, and the modal result is always 1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/Form.h"

namespace kestra {

// ------------------------------------------------------------ decisions

// Rows are numbered 1 to 23 from the top; the lists have entry 0 empty and
// entries 1 to 23 for DVD numbers 1 to 23. The judgement volume (entry 3)
// comes last, below the supplements.
inline constexpr int kDvdRowCount = 23;
// The set-up mode the settings page hands the dialog.
inline constexpr int32_t kDriveSelFromSettingsPage = 3;
int ListIndexOfRow(int row);
// The label of a row: "1 番 民事篇", "3 番 追補版", " 判決文 1 番".
std::string DvdRowLabel(int row);

// One row as the dialog holds it.
struct DvdRow {
  bool checked = false;
  std::string folder;
};
using DvdRows = std::vector<DvdRow>;  // rows 1 to 23 at indices 0 to 22

// The entry of a list for a row; empty when the list is too short.
const std::string& EntryOfRow(const std::vector<std::string>& list, int row);
// The rows filled from a list (unchecked).
DvdRows RowsFromList(const std::vector<std::string>& list);

// Where the picker starts: the first checked row (from the top) that has a
// folder; else the root of the current directory's drive.
std::string PickerStartFolder(const DvdRows& rows, const std::string& current_directory);
bool AnyRowChecked(const DvdRows& rows);
// The picked folder (with trailing backslash) becomes every checked row's folder.
void SetCheckedRowsFolder(DvdRows& rows, const std::string& picked);
// Rows whose folder differs (exactly) from the loaded one get it back; checks stay.
void UndoToLoaded(DvdRows& rows, const std::vector<std::string>& loaded_list);
// The undo button is enabled while a row differs from the loaded folders.
bool DiffersFromLoaded(const DvdRows& rows, const std::vector<std::string>& loaded_list);
// Writes the rows that differ from the working list into it and returns their
// entries; a short list is first made whole (24 entries).
std::vector<int> WriteChangedRows(const DvdRows& rows, std::vector<std::string>& work_list);

// The folder column's width after auto-sizing: widened to fill the list when
// everything fits without a horizontal scroll bar, leaving room for a vertical
// one when none is shown.
struct PathColumnFit {
  int auto_width;     // the folder column fitted to its content
  int other_columns;  // the check box and label columns together
  int client_width;   // the list's client width
  bool hscroll_shown;
  bool vscroll_shown;
  int vscroll_width;  // SM_CXVSCROLL
};
int FittedPathColumnWidth(const PathColumnFit& fit);

// Which folder picker a system gets.
enum class FolderPicker { DesktopUser, InProcess, DirectoryDialog };
FolderPicker PickerOfSystem(bool vista_or_later, bool win8_or_later);

// ------------------------------------------------------------ the form

class TDriveSelDlg : public TForm {
 public:
  explicit TDriveSelDlg(HWND owner);

  enum ControlId {
    IdLabel4 = 100,
    IdLabel5,
    IdBtnCheck,
    IdBtnUncheck,
    IdUndoBtn,
    IdDVDPathSelBtn,
    IdListView1,
    IdResultBtn,
  };

  // The caller's list (entry 0 empty, 1 to 23 the DVDs); read by FillList,
  // written back by the return button. The caller owns it.
  std::vector<std::string>* WorkList = nullptr;
  // The folders of the page's loading (entry 0 empty): what undo returns to.
  std::vector<std::string> LoadedList;
  std::string ProductTitle;
  int32_t SetupMode = 0;  // the caller's set-up mode; kept, nothing depends on it

  // −1 when the working list is empty (nothing filled), else 0.
  int FillList();

 protected:
  void CreateControls() override;
  void FormCreate() override;
  void FormClose() override;
  void OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  // The tags of "全て選択" and "全て解除", which share one handler.
  static constexpr int kCheckAll = 1;
  static constexpr int kUncheckAll = 2;
  void BtnCheckClick(int tag);
  void DVDPathSelBtnClick();
  void UndoBtnClick();
  void ResultBtnClick();
  void UpdateUndoButton();
  void FitPathColumn();

  bool PickFolder(std::string& folder);
  // The rows as shown: check states from the list view, folders as kept.
  DvdRows Rows() const;
  void ShowFolders(const DvdRows& rows);
  HWND List() const { return ListView1.Handle(); }

  TControl Label4, Label5, BtnCheck, BtnUncheck, UndoBtn, DVDPathSelBtn, ListView1, ResultBtn;
  bool vista_or_later_ = false;
  std::vector<std::string> folders_;  // rows 1 to 23 at indices 0 to 22
};

}  // namespace kestra
