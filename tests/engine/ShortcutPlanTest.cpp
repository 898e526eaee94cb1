// Which shortcuts an installation makes, under which names and where, and the
// command line that registers the PDF viewer control: decided without a window.
#include <gtest/gtest.h>

#include "install/Shortcuts.h"

using namespace kestra;

namespace {

const std::string kApp = "C:\\Program Files\\KESTRA\\";
const std::string kDesktop = "C:\\users\\me\\Desktop";
const std::string kMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";

struct PlanRow {
  const char* name;
  ShortcutInputs inputs;
  std::string desktop_link, start_menu_folder, start_menu_link, guide_link;
};

TEST(ShortcutPlan, ShortcutsByFoldersGuideAndWindowsVersion) {
  const std::string folder = kMenu + "ケストラ";
  const std::vector<PlanRow> rows = {
      {"all, Windows 7", {kApp, kDesktop, kMenu, true, false},
       kDesktop + "\\ケストラDVD.LNK", folder, folder + "\\ケストラDVD.LNK",
       folder + "\\利用ガイド.LNK"},
      {"all, Windows 8 on", {kApp, kDesktop, kMenu, true, true},
       kDesktop + "\\ケストラDVD.LNK", folder, folder + "\\ケストラDVD.LNK",
       folder + "\\ケストラ 利用ガイド.LNK"},
      {"no guide installed", {kApp, kDesktop, kMenu, false, true},
       kDesktop + "\\ケストラDVD.LNK", folder, folder + "\\ケストラDVD.LNK", ""},
      {"no program menu folder", {kApp, kDesktop, "", true, false},
       kDesktop + "\\ケストラDVD.LNK", "", "", ""},
      {"no desktop folder", {kApp, "", kMenu, true, false},
       "", folder, folder + "\\ケストラDVD.LNK", folder + "\\利用ガイド.LNK"},
  };
  for (const PlanRow& row : rows) {
    const ShortcutPlan plan = PlanShortcuts(kProduct, row.inputs);
    EXPECT_EQ(plan.application, kApp + "KESTRA.EXE") << row.name;
    EXPECT_EQ(plan.guide, kApp + "MANUAL\\利用ガイド.PDF") << row.name;
    EXPECT_EQ(plan.desktop_link, row.desktop_link) << row.name;
    EXPECT_EQ(plan.start_menu_folder, row.start_menu_folder) << row.name;
    EXPECT_EQ(plan.start_menu_link, row.start_menu_link) << row.name;
    EXPECT_EQ(plan.guide_link, row.guide_link) << row.name;
  }
  // An application folder given without its backslash.
  EXPECT_EQ(PlanShortcuts(kProduct, {"D:\\ソフト", "", "", false, false}).application,
            "D:\\ソフト\\KESTRA.EXE");
}

TEST(ShortcutPlan, StartMenuOfAllUsersOnNtOfTheUserOtherwise) {
  EXPECT_EQ(ProgramMenuValue(true).root, HKEY_LOCAL_MACHINE);
  EXPECT_STREQ(ProgramMenuValue(true).name, "Common Programs");
  EXPECT_EQ(ProgramMenuValue(false).root, HKEY_CURRENT_USER);
  EXPECT_STREQ(ProgramMenuValue(false).name, "Programs");
}

TEST(ShortcutPlan, ControlRegisteredSilentlyFromTheSharedFolder) {
  const std::string control = PdfControlPath("C:\\");
  EXPECT_EQ(control, "C:\\Program Files\\ZEL\\Common Files\\COM\\FoxitReader_AX_Std.ocx");
  const std::string quoted_control =
      "\"C:\\Program Files\\ZEL\\Common Files\\COM\\FoxitReader_AX_Std.ocx\"";
  // REGSVR32 of the system folder, by its full path: a bare name would be
  // looked for beside SETUP first.
  EXPECT_EQ(RegisterControlCommand("C:\\windows\\system32", control),
            "\"C:\\windows\\system32\\REGSVR32.EXE\" /S " + quoted_control);
  EXPECT_EQ(RegisterControlCommand("D:\\Win Dows\\SysWOW64\\", control),
            "\"D:\\Win Dows\\SysWOW64\\REGSVR32.EXE\" /S " + quoted_control);
  // No system folder, no REGSVR32 to trust.
  EXPECT_EQ(RegisterControlCommand("", control), "");
}

}  // namespace
