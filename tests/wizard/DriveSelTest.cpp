// The DVD drive selection's decisions without a window: which list entry a row
// stands for and its label, where the picker starts, what a pick, an undo and
// the return button change, and how wide the folder column becomes.
#include <gtest/gtest.h>

#include "wizard/DriveSel.h"

using namespace kestra;

namespace {

// A list as the settings page keeps it: entry 0 empty, entry n = "Xn\".
std::vector<std::string> NumberedList(const std::string& prefix) {
  std::vector<std::string> list{std::string()};
  for (int n = 1; n <= 23; ++n) list.push_back(prefix + std::to_string(n) + "\\");
  return list;
}

DvdRows CheckedOnly(std::vector<std::string> list, std::initializer_list<int> rows) {
  DvdRows result = RowsFromList(list);
  for (int row : rows) result[static_cast<std::size_t>(row - 1)].checked = true;
  return result;
}

TEST(DriveSelRows, TheJudgementVolumeComesLastAndTheSupplementsMoveUp) {
  const std::vector<std::pair<int, int>> rows_to_entries = {{1, 1},   {2, 2},   {3, 4}, {4, 5},
                                                            {21, 22}, {22, 23}, {23, 3}};
  for (auto [row, entry] : rows_to_entries) EXPECT_EQ(ListIndexOfRow(row), entry) << row;
  std::vector<int> seen;
  for (int row = 1; row <= kDvdRowCount; ++row) seen.push_back(ListIndexOfRow(row));
  std::sort(seen.begin(), seen.end());
  for (int n = 1; n <= 23; ++n) EXPECT_EQ(seen[static_cast<std::size_t>(n - 1)], n);
}

TEST(DriveSelRows, LabelsShowTheDvdNumberOfTheirEntry) {
  EXPECT_EQ(DvdRowLabel(1), "1 番 民事篇");
  EXPECT_EQ(DvdRowLabel(2), "2 番 刑事篇");
  EXPECT_EQ(DvdRowLabel(3), "3 番 追補版");
  EXPECT_EQ(DvdRowLabel(10), "10 番 追補版");
  EXPECT_EQ(DvdRowLabel(22), "22 番 追補版");
  EXPECT_EQ(DvdRowLabel(23), " 判決文 1 番");
}

TEST(DriveSelRows, RowsShowTheFoldersOfTheirEntries) {
  const DvdRows rows = RowsFromList(NumberedList("D"));
  ASSERT_EQ(rows.size(), 23u);
  EXPECT_EQ(rows[0].folder, "D1\\");
  EXPECT_EQ(rows[2].folder, "D4\\");
  EXPECT_EQ(rows[21].folder, "D23\\");
  EXPECT_EQ(rows[22].folder, "D3\\");
  EXPECT_FALSE(rows[0].checked);
  // A short list leaves the missing rows empty instead of reading past it.
  const DvdRows few = RowsFromList({"", "Q:\\", "R:\\"});
  EXPECT_EQ(few[1].folder, "R:\\");
  EXPECT_EQ(few[22].folder, "");
}

TEST(DriveSelPicker, StartsAtTheFirstCheckedRowWithAFolder) {
  DvdRows rows = CheckedOnly(NumberedList("D"), {5, 23});
  EXPECT_EQ(PickerStartFolder(rows, "C:\\work"), "D6\\");
  rows[4].folder.clear();  // row 5 checked but empty: the next checked row
  EXPECT_EQ(PickerStartFolder(rows, "C:\\work"), "D3\\");
  rows[22].folder.clear();  // every checked row empty: the current drive's root
  EXPECT_EQ(PickerStartFolder(rows, "E:\\setup\\disk1"), "E:\\");
  EXPECT_EQ(PickerStartFolder(RowsFromList(NumberedList("D")), "Q:\\"), "Q:\\");  // none checked
}

TEST(DriveSelPicker, APickGoesToTheCheckedRowsOnly) {
  DvdRows rows = CheckedOnly(NumberedList("D"), {23});
  EXPECT_TRUE(AnyRowChecked(rows));
  SetCheckedRowsFolder(rows, "R:\\Judgements");
  EXPECT_EQ(rows[22].folder, "R:\\Judgements\\");
  EXPECT_EQ(rows[0].folder, "D1\\");
  EXPECT_EQ(rows[21].folder, "D23\\");
  EXPECT_FALSE(AnyRowChecked(RowsFromList(NumberedList("D"))));
}

TEST(DriveSelPicker, EachSystemGetsItsPicker) {
  EXPECT_EQ(PickerOfSystem(true, true), FolderPicker::DesktopUser);
  EXPECT_EQ(PickerOfSystem(true, false), FolderPicker::InProcess);
  EXPECT_EQ(PickerOfSystem(false, false), FolderPicker::DirectoryDialog);
}

TEST(DriveSelUndo, ReturnsToTheLoadedFoldersAndKeepsTheChecks) {
  const std::vector<std::string> loaded = NumberedList("L");
  DvdRows rows = CheckedOnly(loaded, {2, 23});
  EXPECT_FALSE(DiffersFromLoaded(rows, loaded));
  SetCheckedRowsFolder(rows, "X:\\");
  EXPECT_TRUE(DiffersFromLoaded(rows, loaded));
  UndoToLoaded(rows, loaded);
  EXPECT_FALSE(DiffersFromLoaded(rows, loaded));
  EXPECT_EQ(rows[22].folder, "L3\\");
  EXPECT_TRUE(rows[1].checked);
  EXPECT_TRUE(rows[22].checked);
  EXPECT_FALSE(rows[0].checked);
  // The comparison is exact: a case difference counts as a change.
  rows[0].folder = "l1\\";
  EXPECT_TRUE(DiffersFromLoaded(rows, loaded));
}

TEST(DriveSelResult, WritesOnlyTheRowsThatChanged) {
  std::vector<std::string> work = NumberedList("W");
  DvdRows rows = RowsFromList(work);
  EXPECT_EQ(WriteChangedRows(rows, work), std::vector<int>{});
  EXPECT_EQ(work, NumberedList("W"));

  rows[22].folder = "R:\\J\\";  // row 23: entry 3
  rows[2].folder = "R:\\S\\";   // row 3: entry 4
  EXPECT_EQ(WriteChangedRows(rows, work), (std::vector<int>{4, 3}));
  EXPECT_EQ(work[3], "R:\\J\\");
  EXPECT_EQ(work[4], "R:\\S\\");
  EXPECT_EQ(work[1], "W1\\");
  EXPECT_EQ(work[23], "W23\\");
  EXPECT_EQ(work[0], "");
}

TEST(DriveSelResult, AShortWorkingListIsMadeWholeFirst) {
  std::vector<std::string> work{""};
  DvdRows rows = RowsFromList(work);
  rows[0].folder = "Q:\\";
  EXPECT_EQ(WriteChangedRows(rows, work), std::vector<int>{1});
  ASSERT_EQ(work.size(), 24u);
  EXPECT_EQ(work[1], "Q:\\");
}

TEST(DriveSelColumns, TheFolderColumnFillsTheListWhenAllFits) {
  // Narrow content, a vertical scroll bar shown: fill the client width.
  EXPECT_EQ(FittedPathColumnWidth({60, 105, 478, false, true, 16}), 373);
  // No vertical scroll bar: leave room for one.
  EXPECT_EQ(FittedPathColumnWidth({60, 105, 494, false, false, 16}), 373);
  // Content wider than the list, or a horizontal scroll bar: content width.
  EXPECT_EQ(FittedPathColumnWidth({400, 105, 478, false, true, 16}), 400);
  EXPECT_EQ(FittedPathColumnWidth({60, 105, 478, true, true, 16}), 60);
  // Exactly as wide as the usable width: left as it is.
  EXPECT_EQ(FittedPathColumnWidth({373, 105, 478, false, true, 16}), 373);
}

}  // namespace
