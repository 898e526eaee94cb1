// The settings page's decisions without a window: free-space rules and lines,
// the application path check, folder derivation, the DVD summary, the upgrade
// index state and the commit.
#include <gtest/gtest.h>

#include <windows.h>

#include "system/SysQuery.h"
#include "wizard/SettingRules.h"

using namespace kestra;

namespace {

constexpr double MiB = 1048576.0;

TEST(FreeSpaceLine, WholeMegabytesWithThousandsSeparators) {
  EXPECT_EQ(FreeSpaceLine("c:\\program files\\KESTRA\\", 12944670720.0),
            "[ C:\\ ] 空き容量 : 12,345 MByte");
  EXPECT_EQ(FreeSpaceLine("D:\\", 0.0), "[ D:\\ ] 空き容量 : 0 MByte");
  EXPECT_EQ(FreeSpaceLine("D:\\", 999.4 * MiB), "[ D:\\ ] 空き容量 : 999 MByte");
  EXPECT_EQ(FreeSpaceLine("D:\\", 999.5 * MiB), "[ D:\\ ] 空き容量 : 1,000 MByte");
  EXPECT_EQ(FreeSpaceLine("q:\\DOCS\\", 1234567.0 * MiB), "[ Q:\\ ] 空き容量 : 1,234,567 MByte");
}

TEST(FreeSpaceLine, ShortAndJapanesePathsAreNotCutInsideACharacter) {
  EXPECT_EQ(FreeSpaceLine("", 0.0), "[  ] 空き容量 : 0 MByte");
  EXPECT_EQ(FreeSpaceLine("C:", MiB), "[ C: ] 空き容量 : 1 MByte");
  // A relative Japanese path: three characters, not three bytes.
  EXPECT_EQ(FreeSpaceLine("ソフト表", 0.0), "[ ソフト ] 空き容量 : 0 MByte");
}

TEST(FormatThousands, Groups) {
  EXPECT_EQ(FormatThousands(0), "0");
  EXPECT_EQ(FormatThousands(999), "999");
  EXPECT_EQ(FormatThousands(1000), "1,000");
  EXPECT_EQ(FormatThousands(123456), "123,456");
  EXPECT_EQ(FormatThousands(1234567), "1,234,567");
  EXPECT_EQ(FormatThousands(-1234), "-1,234");
}

TEST(ApplicationSpace, ThreeHundredWhenTheIndexSharesTheDriveElseTwoHundred) {
  // Same drive, index installed: 300 MiB.
  EXPECT_FALSE(ApplicationSpace("C:\\A\\", "C:\\I\\", true, 300 * MiB - 1).enough);
  EXPECT_TRUE(ApplicationSpace("C:\\A\\", "C:\\I\\", true, 300 * MiB).enough);
  // Unchecked box: 200 MiB, even on the same drive.
  EXPECT_FALSE(ApplicationSpace("C:\\A\\", "C:\\I\\", false, 200 * MiB - 1).enough);
  EXPECT_TRUE(ApplicationSpace("C:\\A\\", "C:\\I\\", false, 200 * MiB).enough);
  // Other drive: 200 MiB.
  EXPECT_TRUE(ApplicationSpace("C:\\A\\", "D:\\I\\", true, 250 * MiB).enough);
  // The drive comparison is exact: c: and C: differ.
  EXPECT_TRUE(ApplicationSpace("c:\\A\\", "C:\\I\\", true, 250 * MiB).enough);
  EXPECT_EQ(ApplicationSpace("c:\\A\\", "C:\\I\\", true, 250 * MiB).line,
            "[ C:\\ ] 空き容量 : 250 MByte");
}

TEST(IndexSpace, OneHundredAloneThreeHundredWithTheApplicationBeforeVista) {
  auto enough = [](const std::string& app, bool checked, double free, bool present, UINT type) {
    return IndexSpace(app, "D:\\I\\", checked, free, present, type, false).enough;
  };
  EXPECT_EQ(enough("C:\\A\\", true, 100 * MiB - 1, false, DRIVE_FIXED), false);
  EXPECT_EQ(enough("C:\\A\\", true, 100 * MiB, false, DRIVE_FIXED), true);
  EXPECT_EQ(enough("D:\\A\\", true, 300 * MiB - 1, false, DRIVE_FIXED), false);
  EXPECT_EQ(enough("D:\\A\\", true, 300 * MiB, false, DRIVE_FIXED), true);
  EXPECT_EQ(enough("D:\\A\\", false, 100 * MiB, false, DRIVE_FIXED), true);
  // An index already there counts 100 MiB more than the line shows.
  EXPECT_EQ(enough("D:\\A\\", true, 200 * MiB, true, DRIVE_FIXED), true);
  EXPECT_EQ(enough("C:\\A\\", true, 1 * MiB, true, DRIVE_FIXED), true);
  EXPECT_EQ(enough("D:\\A\\", true, 200 * MiB - 1, true, DRIVE_FIXED), false);
  EXPECT_EQ(IndexSpace("D:\\A\\", "D:\\I\\", true, 200 * MiB, true, DRIVE_FIXED, false).line,
            "[ D:\\ ] 空き容量 : 200 MByte");
  // An index on a ROM drive is used in place.
  EXPECT_EQ(enough("C:\\A\\", true, 0, false, DRIVE_CDROM), true);
  EXPECT_EQ(enough("C:\\A\\", true, 0, false, DRIVE_REMOTE), false);
}

TEST(IndexSpace, VistaAndLaterNeverJudgeTheIndexDrive) {
  IndexSpaceState full = IndexSpace("D:\\A\\", "D:\\I\\", true, 0, false, DRIVE_FIXED, true);
  EXPECT_FALSE(full.enough.has_value());
  EXPECT_EQ(full.line, "[ D:\\ ] 空き容量 : 0 MByte");
}

TEST(DriveKind, TextAndColourPerType) {
  EXPECT_EQ(DescribeDriveType(DRIVE_REMOVABLE).text, "リムーバブルディスク");
  EXPECT_EQ(DescribeDriveType(DRIVE_FIXED).text, "ローカルディスク");
  EXPECT_EQ(DescribeDriveType(DRIVE_REMOTE).text, "ネットワークドライブ");
  EXPECT_EQ(DescribeDriveType(DRIVE_REMOTE).color, kRed);
  EXPECT_EQ(DescribeDriveType(DRIVE_CDROM).text, "ＲＯＭドライブ");
  EXPECT_EQ(DescribeDriveType(DRIVE_RAMDISK).text, "ＲＡＭドライブ");
  EXPECT_EQ(DescribeDriveType(DRIVE_NO_ROOT_DIR).text, "");
  EXPECT_EQ(DescribeDriveType(DRIVE_UNKNOWN).text, "");
  for (UINT type : {DRIVE_UNKNOWN, DRIVE_NO_ROOT_DIR, DRIVE_REMOVABLE, DRIVE_FIXED, DRIVE_CDROM,
                    DRIVE_RAMDISK})
    EXPECT_EQ(DescribeDriveType(type).color, kBlack) << type;
}

TEST(ApplicationFolder, PickedFolderGetsTheProductFolder) {
  EXPECT_EQ(ApplicationFolderFromPick("D:\\Apps"), "D:\\Apps\\KESTRA\\");
  EXPECT_EQ(IndexFolderOfApplication(ApplicationFolderFromPick("D:\\Apps")),
            "D:\\Apps\\KESTRA\\DOCS\\");
  EXPECT_EQ(ApplicationFolderFromPick("D:\\Apps\\KESTRA"), "D:\\Apps\\KESTRA\\");
  EXPECT_EQ(ApplicationFolderFromPick("D:\\Apps\\KESTRA\\"), "D:\\Apps\\KESTRA\\");
  // Case-sensitive: a lower-case folder gets its own KESTRA below it.
  EXPECT_EQ(ApplicationFolderFromPick("D:\\Apps\\kestra"), "D:\\Apps\\kestra\\KESTRA\\");
  EXPECT_EQ(ApplicationFolderFromPick("D:\\"), "D:\\KESTRA\\");
}

TEST(ApplicationFolder, JapaneseFoldersAreWalkedByCharacter) {
  // 表 ends in byte 0x5C: the folder does not end in a backslash.
  EXPECT_EQ(ApplicationFolderFromPick("D:\\ソフト\\表"), "D:\\ソフト\\表\\KESTRA\\");
  // 階 is 0x8A 0x4B: its second byte is "K", so "D:\階ESTRA" ends in the
  // bytes "KESTRA" without being a KESTRA folder.
  const std::string ends_in_k = "D:\\階ESTRA";
  EXPECT_EQ(ApplicationFolderFromPick(ends_in_k), ends_in_k + "\\KESTRA\\");
  EXPECT_TRUE(EndsWithText("D:\\KESTRA\\", "KESTRA\\"));
  EXPECT_FALSE(EndsWithText(ends_in_k + "\\", "KESTRA\\"));
}

TEST(ApplicationPath, LengthAndDrive) {
  std::string path = "C:\\";
  while (path.size() < 259) path += 'a';
  EXPECT_TRUE(IsUsableApplicationPath(path, true));
  EXPECT_FALSE(IsUsableApplicationPath(path + "a", true));  // 260
  EXPECT_FALSE(IsUsableApplicationPath("C:\\KESTRA\\", false));
  // Double-byte characters count twice: they take two bytes of the buffers.
  std::string japanese = "C:\\";
  while (japanese.size() < 258) japanese += "表";
  EXPECT_EQ(japanese.size(), 259u);
  EXPECT_TRUE(IsUsableApplicationPath(japanese, true));
  EXPECT_FALSE(IsUsableApplicationPath(japanese + "a", true));
}

TEST(DvdPathList, UnsetDvdsFollowDvdOneAndEveryFolderEndsInABackslash) {
  TFAppInfo app;
  app.DVDPaths[0] = "Q:";
  app.DVDPaths[1] = "R:\\dvd2";
  app.DVDPaths[2] = "";
  app.DVDPaths[22] = "D:\\表";
  app.DVDPaths[23] = "untouched";
  std::vector<std::string> list = MakeDvdPathList(app, "X:");
  ASSERT_EQ(list.size(), 24u);
  EXPECT_EQ(list[0], "");
  EXPECT_EQ(list[1], "Q:\\");
  EXPECT_EQ(list[2], "R:\\dvd2\\");
  EXPECT_EQ(list[3], "Q:\\");
  EXPECT_EQ(list[23], "D:\\表\\");
  EXPECT_EQ(app.DVDPaths[0], "Q:\\");
  EXPECT_EQ(app.DVDPaths[2], "Q:\\");
  EXPECT_EQ(app.DVDPaths[22], "D:\\表\\");
  EXPECT_EQ(app.DVDPaths[23], "untouched");
}

TEST(DvdPathList, EmptyFirstDvdTakesTheSetupDrive) {
  TFAppInfo app;
  std::vector<std::string> list = MakeDvdPathList(app, "N:");
  for (std::size_t i = 1; i < list.size(); ++i) EXPECT_EQ(list[i], "N:\\") << i;
  // Before Vista there is no setup drive: the folders stay empty.
  TFAppInfo old;
  EXPECT_EQ(MakeDvdPathList(old, "")[5], "");
}

TEST(DvdSummary, OneFolderOrPerDvd) {
  std::vector<std::string> same(24, "q:\\");
  same[0] = "";
  same[7] = "Q:";
  DvdSummary uniform = SummarizeDvdFolders(same);
  EXPECT_TRUE(uniform.uniform);
  EXPECT_EQ(uniform.text, "Q:\\");
  EXPECT_EQ(uniform.info, "※すべてのドライブは同一の参照先に設定されています。");

  std::vector<std::string> mixed = same;
  mixed[23] = "R:\\";
  DvdSummary per_dvd = SummarizeDvdFolders(mixed);
  EXPECT_FALSE(per_dvd.uniform);
  EXPECT_EQ(per_dvd.text, "ドライブがＤＶＤ番号毎に設定されています。");
  EXPECT_EQ(per_dvd.info, "※DVDドライブを確認するには　［詳細設定］　を選択してください。");
}

TEST(UpgradeIndex, VistaDecidesByTheIndexDrive) {
  UpgradeIndexFacts f{true, "C:\\ZEL\\KESTRA\\DOCS\\", "Q:", DRIVE_FIXED, "", "Q:\\DOCS\\",
                      DRIVE_FIXED};
  EXPECT_TRUE(UpgradeKeepsIndexOnDisk(f));
  f.index_dir = "q:\\DOCS\\";  // on the setup drive, compared without case
  f.index_dir_drive_type = DRIVE_CDROM;
  EXPECT_FALSE(UpgradeKeepsIndexOnDisk(f));
  f.index_dir = "N:\\DOCS\\";
  f.index_dir_drive_type = DRIVE_REMOTE;
  EXPECT_FALSE(UpgradeKeepsIndexOnDisk(f));
  // A fixed drive that is the setup drive still counts as the DVD's index.
  f.index_dir = "C:\\DVDCOPY\\DOCS\\";
  f.setup_drive = "C:";
  f.index_dir_drive_type = DRIVE_FIXED;
  EXPECT_FALSE(UpgradeKeepsIndexOnDisk(f));
}

TEST(UpgradeIndex, BeforeVistaDecidesByTheIndexEdit) {
  UpgradeIndexFacts f{false, "D:\\IDX\\", "", DRIVE_FIXED, "D:\\IDX\\", "Q:\\DOCS\\",
                      DRIVE_FIXED};
  EXPECT_TRUE(UpgradeKeepsIndexOnDisk(f));
  f.index_edit_drive_type = DRIVE_REMOVABLE;
  EXPECT_TRUE(UpgradeKeepsIndexOnDisk(f));
  f.index_edit_drive_type = DRIVE_CDROM;
  EXPECT_FALSE(UpgradeKeepsIndexOnDisk(f));
  f.index_edit_drive_type = DRIVE_REMOTE;
  EXPECT_FALSE(UpgradeKeepsIndexOnDisk(f));
  f.index_edit_drive_type = DRIVE_FIXED;
  f.index_edit = "Q:\\DOCS\\";
  EXPECT_FALSE(UpgradeKeepsIndexOnDisk(f));
}

TEST(Commit, ChoicesGoIntoTheRecord) {
  TFInstAppInfo record;
  record.AppInfo.DVDPathCount = 23;
  record.AppInfo.AppVersion = "1.9.3";
  record.AppInfo.DVDPaths[23] = "untouched";
  std::vector<std::string> list{""};
  for (int i = 1; i <= 23; ++i) list.push_back("R:\\" + std::to_string(i) + "\\");
  CommitChoices(record, PageChoices{"D:\\Apps\\KESTRA", true, "E:\\IDX", list}, "Q:\\DOCS\\");
  EXPECT_EQ(record.AppInfo.InstallDir, "D:\\Apps\\KESTRA\\");
  EXPECT_EQ(record.InstallIndex, 1);
  EXPECT_EQ(record.IndexDir, "E:\\IDX\\");
  EXPECT_EQ(record.AppInfo.DVDPaths[0], "R:\\1\\");
  EXPECT_EQ(record.AppInfo.DVDPaths[22], "R:\\23\\");
  EXPECT_EQ(record.AppInfo.DVDPaths[23], "untouched");
  EXPECT_EQ(record.AppInfo.AppVersion, "1.9.3");
}

TEST(Commit, TheDvdsOwnIndexIsNeverCopied) {
  TFInstAppInfo record;
  record.AppInfo.DVDPathCount = 23;
  std::vector<std::string> list(24, "Q:\\");
  CommitChoices(record, PageChoices{"C:\\K\\", false, "Q:\\DOCS\\", list}, "Q:\\DOCS\\");
  EXPECT_EQ(record.InstallIndex, 0);
  EXPECT_EQ(record.IndexDir, "Q:\\DOCS\\");
  // Checked, but the DVD's own folder chosen.
  CommitChoices(record, PageChoices{"C:\\K\\", true, "Q:\\DOCS\\", list}, "Q:\\DOCS\\");
  EXPECT_EQ(record.InstallIndex, 0);
  EXPECT_FALSE(CopiesIndex(true, "Q:\\DOCS\\", "Q:\\DOCS\\"));
  EXPECT_TRUE(CopiesIndex(true, "C:\\ZEL\\KESTRA\\DOCS\\", "Q:\\DOCS\\"));
  EXPECT_FALSE(CopiesIndex(false, "C:\\ZEL\\KESTRA\\DOCS\\", "Q:\\DOCS\\"));
}

TEST(Commit, ShortListLeavesTheRestAlone) {
  TFInstAppInfo record;
  record.AppInfo.DVDPathCount = 23;
  record.AppInfo.DVDPaths[5] = "keep";
  CommitChoices(record, PageChoices{"C:\\K\\", false, "Q:\\DOCS\\", {"", "A:\\", "B:\\"}},
                "Q:\\DOCS\\");
  EXPECT_EQ(record.AppInfo.DVDPaths[1], "B:\\");
  EXPECT_EQ(record.AppInfo.DVDPaths[5], "keep");
}

}  // namespace

namespace {

TEST(Guidance, FollowsTheAreaUnlessUpgrading) {
  EXPECT_EQ(GuidanceOnHover(PageMode::NewInstallation, HoverArea::Application),
            Guidance::ApplicationHover);
  EXPECT_EQ(GuidanceOnHover(PageMode::NewInstallation, HoverArea::Index), Guidance::Index);
  EXPECT_EQ(GuidanceOnHover(PageMode::NewInstallation, HoverArea::Dvd), Guidance::Dvd);
  EXPECT_EQ(GuidanceOnHover(PageMode::NewInstallation, HoverArea::Other), std::nullopt);
  for (HoverArea area :
       {HoverArea::Application, HoverArea::Index, HoverArea::Dvd, HoverArea::Other})
    EXPECT_EQ(GuidanceOnHover(PageMode::Upgrade, area), Guidance::Upgrade);
}

TEST(Guidance, TitlesAndTheBrowseButtonOfEachText) {
  EXPECT_EQ(GuidanceOf(Guidance::Application).title, "インストール先を指定");
  EXPECT_EQ(GuidanceOf(Guidance::ApplicationHover).title, "インストール先を指定");
  EXPECT_EQ(GuidanceOf(Guidance::Index).title, "検索用インデックスを指定");
  EXPECT_EQ(GuidanceOf(Guidance::Dvd).title, "参照先ＤＶＤドライブの指定");
  EXPECT_EQ(GuidanceOf(Guidance::Upgrade).title, "アップグレードの確認");
  // The entry text names the button plainly, the hover text with its key.
  const std::string entry = GuidanceOf(Guidance::Application).text;
  const std::string hover = GuidanceOf(Guidance::ApplicationHover).text;
  EXPECT_NE(entry.find("[ 参照 ] ボタン"), std::string::npos);
  EXPECT_NE(hover.find("[ 参照(A) ] ボタン"), std::string::npos);
  EXPECT_EQ(entry.substr(entry.size() - 40), hover.substr(hover.size() - 40));
  EXPECT_NE(entry.find("自動的に[ KESTRA ]フォルダが作成されます。"), std::string::npos);
}

// The page's steps: what each shows and what its button that goes on does.
struct StepRow {
  PageStep step;
  PageMode mode;
  const char* caption;
  bool dvd_sheet;
  bool back_enabled;
  const char* install_caption;
  Guidance guidance;
  InstallAction action;
};

TEST(PageSteps, EachStepShowsItsSheetButtonsAndGuidance) {
  const StepRow rows[] = {
      {PageStep::Destinations, PageMode::NewInstallation, "環境設定１", false, false, "次へ(&N)",
       Guidance::Application, InstallAction::CheckFolderThenDvdStep},
      {PageStep::DvdFolders, PageMode::NewInstallation, "環境設定２", true, true, "ｲﾝｽﾄｰﾙ(&S)",
       Guidance::Dvd, InstallAction::ConfirmThenCommit},
      {PageStep::Destinations, PageMode::Upgrade, "環境設定１", false, false, "ｱｯﾌﾟｸﾞﾚｰﾄﾞ(&S)",
       Guidance::Upgrade, InstallAction::Commit},
  };
  for (const StepRow& row : rows) {
    SCOPED_TRACE(row.install_caption);
    const StepView view = ViewOfStep(row.step, row.mode);
    EXPECT_EQ(view.caption, row.caption);
    EXPECT_EQ(view.dvd_sheet, row.dvd_sheet);
    EXPECT_EQ(view.back_enabled, row.back_enabled);
    EXPECT_EQ(view.install_caption, row.install_caption);
    EXPECT_EQ(view.guidance, row.guidance);
    EXPECT_EQ(InstallActionOf(row.step, row.mode), row.action);
  }
  EXPECT_EQ(PageModeOf(kNewInstallation), PageMode::NewInstallation);
  EXPECT_EQ(PageModeOf(kOverInstalledProduct), PageMode::Upgrade);
}

}  // namespace
