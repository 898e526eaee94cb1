// What an installation records in the registry, decided without a registry:
// the collection items of SETUP.INF, comma text, and the list of values.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "RecordsTestFolder.h"
#include "WineTestEnv.h"
#include "install/RegistryLayout.h"

using namespace kestra;

namespace {

using Fields = std::vector<std::string>;

// ---- Comma text ----------------------------------------------------------------

TEST(CommaText, SplitsAtCommasAndBlanks) {
  EXPECT_EQ(SplitCommaText("Count,2"), (Fields{"Count", "2"}));
  EXPECT_EQ(SplitCommaText("KSCOLL1,判例集"), (Fields{"KSCOLL1", "判例集"}));
  EXPECT_EQ(SplitCommaText("a b\tc"), (Fields{"a", "b", "c"}));
  EXPECT_EQ(SplitCommaText("  a , b  "), (Fields{"a", "b"}));
}

TEST(CommaText, QuotedFieldsKeepBlanksCommasAndDoubledQuotes) {
  EXPECT_EQ(SplitCommaText("\"Big Name\",\"x, y\""), (Fields{"Big Name", "x, y"}));
  EXPECT_EQ(SplitCommaText("\"say \"\"hi\"\"\",2"), (Fields{"say \"hi\"", "2"}));
  // A quote that is never closed runs to the end.
  EXPECT_EQ(SplitCommaText("\"open,end"), (Fields{"open,end"}));
  EXPECT_EQ(SplitCommaText("\"判例 集\",1"), (Fields{"判例 集", "1"}));
}

TEST(CommaText, EmptyFieldsBetweenCommasButNoneAtTheEnd) {
  EXPECT_EQ(SplitCommaText("a,,b"), (Fields{"a", "", "b"}));
  EXPECT_EQ(SplitCommaText("a,"), (Fields{"a"}));
  EXPECT_EQ(SplitCommaText(""), Fields{});
  EXPECT_EQ(SplitCommaText("   "), Fields{});
  EXPECT_EQ(SplitCommaText(",a"), (Fields{"", "a"}));
}

TEST(CommaText, DoubleByteCharactersAreNeverCutApart) {
  // ソ and 表 end in the byte 0x5C; 「 」 and the like are whole characters too.
  EXPECT_EQ(SplitCommaText("ソフト,表示"), (Fields{"ソフト", "表示"}));
}

// ---- Collection items ---------------------------------------------------------

// Reads items from a fixed table and remembers which were asked for.
struct ItemTable {
  explicit ItemTable(std::map<int64_t, std::string> table) : items(std::move(table)) {}
  std::map<int64_t, std::string> items;
  std::vector<int64_t> asked;
  std::function<std::string(int64_t)> Reader() {
    return [this](int64_t k) {
      asked.push_back(k);
      auto found = items.find(k);
      return found == items.end() ? std::string() : found->second;
    };
  }
};

TEST(CollectionItems, CountOfTwoReadsItemsOneToFiveAndSkipsMissingOnes) {
  ItemTable table({{1, "Count,2"}, {2, "KSCOLL1,判例集"}, {3, "KSCOLL2,法令集"}, {5, "Extra,5"}});
  const CollectionItems items = ReadCollectionItems(table.Reader());
  ASSERT_TRUE(items.count.has_value());
  EXPECT_EQ(items.count->name, "Count");
  EXPECT_EQ(items.count->text, "2");
  ASSERT_EQ(items.values.size(), 4u);
  EXPECT_EQ(items.values[0].name, "Count");
  EXPECT_EQ(items.values[1].name, "KSCOLL1");
  EXPECT_EQ(items.values[1].text, "判例集");
  EXPECT_EQ(items.values[2].name, "KSCOLL2");
  EXPECT_EQ(items.values[3].name, "Extra");
  // Item1 first for the count, then 1 to N + 3.
  EXPECT_EQ(table.asked, (std::vector<int64_t>{1, 1, 2, 3, 4, 5}));
}

TEST(CollectionItems, NoItemOneReadsItemsOneToThree) {
  ItemTable table({{2, "A,x"}, {3, "B,y"}, {4, "C,z"}});
  const CollectionItems items = ReadCollectionItems(table.Reader());
  EXPECT_FALSE(items.count.has_value());
  ASSERT_EQ(items.values.size(), 2u);
  EXPECT_EQ(items.values[0].name, "A");
  EXPECT_EQ(items.values[1].name, "B");
  EXPECT_EQ(table.asked, (std::vector<int64_t>{1, 1, 2, 3}));
}

TEST(CollectionItems, ItemOneWithoutANumberCountsAsNone) {
  ItemTable table({{1, "KSCOLL1,判例集"}, {4, "Far,away"}});
  const CollectionItems items = ReadCollectionItems(table.Reader());
  ASSERT_TRUE(items.count.has_value());
  EXPECT_EQ(items.count->name, "KSCOLL1");
  ASSERT_EQ(items.values.size(), 1u);
  EXPECT_EQ(items.values[0].name, "KSCOLL1");
  EXPECT_EQ(table.asked.back(), 3);
}

TEST(CollectionItems, LinesWithASingleFieldAreSkipped) {
  ItemTable table({{1, "Count,1"}, {2, "Lonely"}, {3, "Pair,2"}});
  const CollectionItems items = ReadCollectionItems(table.Reader());
  ASSERT_EQ(items.values.size(), 2u);
  EXPECT_EQ(items.values[0].name, "Count");
  EXPECT_EQ(items.values[1].name, "Pair");
  // A single-field Item1 gives no count value either.
  ItemTable single({{1, "Count"}});
  EXPECT_FALSE(ReadCollectionItems(single.Reader()).count.has_value());
}

TEST(CollectionItems, NegativeCountReadsNothingBeyondItemOne) {
  ItemTable table({{1, "Count,-5"}});
  const CollectionItems items = ReadCollectionItems(table.Reader());
  EXPECT_TRUE(items.values.empty());
  EXPECT_EQ(table.asked, (std::vector<int64_t>{1}));
}

TEST(CollectionItems, ACountNoDvdReachesIsReadUpToTheBound) {
  ItemTable table({{1, "Count,2147483647"}, {2, "KSCOLL1,判例集"}});
  const CollectionItems items = ReadCollectionItems(table.Reader());
  ASSERT_TRUE(items.count.has_value());
  EXPECT_EQ(items.count->text, "2147483647");
  ASSERT_EQ(items.values.size(), 2u);
  EXPECT_EQ(items.values[1].name, "KSCOLL1");
  EXPECT_EQ(table.asked.size(), static_cast<std::size_t>(1 + kMaxCollectionItems + 3));
  EXPECT_EQ(table.asked.back(), kMaxCollectionItems + 3);
}

class SetupInformationFile : public RecordsTestFolder {};

TEST_F(SetupInformationFile, ReadsEveryRecordedTextThroughTheProfileFunctions) {
  testenv::WriteFile(PathOf("SETUP.INF"),
                     "[Products]\r\nVersion=2.1.0.1\r\nRelease=2024年4月版\r\nDate=2024/04/01\r\n"
                     "[Collection]\r\nItem1=Count,2\r\nItem2=KSCOLL1,判例集\r\n"
                     "Item3=\"KS COLL2\",法令集\r\nItem4=KS4,\"法令 集\"\r\n"
                     "CollectionVersion=5\r\n"
                     "[Setup]\r\nInstallDiskName=KESTRA_DVD\r\n");
  const SetupInformation info = ReadSetupInformation(PathOf("SETUP.INF"));
  EXPECT_EQ(info.version, "2.1.0.1");
  EXPECT_EQ(info.release, "2024年4月版");
  EXPECT_EQ(info.date, "2024/04/01");
  EXPECT_EQ(info.collection_version, "5");
  EXPECT_EQ(info.install_disk_name, "KESTRA_DVD");
  ASSERT_EQ(info.items.values.size(), 4u);
  EXPECT_EQ(info.items.values[1].text, "判例集");
  EXPECT_EQ(info.items.values[2].name, "KS COLL2");
  EXPECT_EQ(info.items.values[2].text, "法令集");
  EXPECT_EQ(info.items.values[3].name, "KS4");
  EXPECT_EQ(info.items.values[3].text, "法令 集");
}

TEST_F(SetupInformationFile, MissingFileGivesEmptyTexts) {
  const SetupInformation info = ReadSetupInformation(PathOf("NONE.INF"));
  EXPECT_EQ(info.version, "");
  EXPECT_EQ(info.install_disk_name, "");
  EXPECT_FALSE(info.items.count.has_value());
  EXPECT_TRUE(info.items.values.empty());
}

// ---- The list of values --------------------------------------------------------

RegistryInputs SampleInputs() {
  RegistryInputs in;
  in.info.version = "2.1.0.1";
  in.info.release = "R";
  in.info.date = "D";
  in.info.items.count = CollectionValue{"Count", "1"};
  in.info.items.values = {{"Count", "1"}, {"KSCOLL1", "判例集"}};
  in.info.collection_version = "5";
  in.info.install_disk_name = "KESTRA_DVD";
  in.install_date = "2024-04-01";
  in.install_dir = "C:\\Program Files\\KESTRA\\";
  in.index_dir = "C:\\KSDOCS\\";
  in.install_drive = "Q:\\";
  in.dvd_paths = {"Q:\\", "R:\\"};
  in.records_folder = "C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\";
  in.installed_kilobytes = 4321;
  return in;
}

// "M" or "U", key below SOFTWARE\ZEL\ケストラDVD or the full path, "\", name.
std::vector<std::string> Names(const std::vector<RegistryValue>& values) {
  std::vector<std::string> names;
  for (const RegistryValue& v : values)
    names.push_back(std::string(v.root == HKEY_LOCAL_MACHINE ? "M " : "U ") + v.key + "\\" +
                    v.name);
  return names;
}

TEST(RegistryPlan, WritesTheProductAppPathsAndUninstallValuesInOrder) {
  const std::string p = "SOFTWARE\\ZEL\\ケストラDVD";
  const std::string c = p + "\\Collection", s = p + "\\Service";
  const std::string a = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\App Paths\\KESTRA.EXE";
  const std::string u = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\ケストラDVD";
  EXPECT_EQ(Names(PlanRegistry(SampleInputs())),
            (std::vector<std::string>{
                "M " + p + "\\Version", "M " + p + "\\Release", "M " + p + "\\Date",
                "M " + p + "\\PermissionFlag", "M " + p + "\\Service", "M " + p + "\\InstallDate",
                "M " + p + "\\ALN",
                "M " + c + "\\Count", "M " + c + "\\Count", "U " + c + "\\Count",
                "M " + c + "\\KSCOLL1", "U " + c + "\\KSCOLL1",
                "M " + c + "\\CollectionVersion", "U " + c + "\\CollectionVersion",
                "M " + c + "\\Root", "U " + c + "\\Root",
                "M " + s + "\\InstallDiskName", "U " + s + "\\InstallDiskName",
                "M " + s + "\\DocumentRoot", "U " + s + "\\DocumentRoot",
                "M " + s + "\\InstallDrive", "U " + s + "\\InstallDrive",
                "M " + s + "\\DVDPath1", "U " + s + "\\DVDPath1",
                "M " + s + "\\DVDPath2", "U " + s + "\\DVDPath2",
                "M " + a + "\\", "M " + a + "\\path",
                "M " + u + "\\DisplayName", "M " + u + "\\UninstallString",
                "M " + u + "\\DisplayIcon", "M " + u + "\\DisplayVersion",
                "M " + u + "\\Publisher", "M " + u + "\\QuietUninstallString",
                "M " + u + "\\InstallLocation", "M " + u + "\\EstimatedSize",
                "M " + u + "\\NoModify", "M " + u + "\\NoRepair"}));
}

TEST(RegistryPlan, ProgramOnlyUpdateLeavesOutCollectionAndDvdPaths) {
  RegistryInputs in = SampleInputs();
  in.program_only = true;
  for (const std::string& name : Names(PlanRegistry(in))) {
    EXPECT_EQ(name.find("Collection"), std::string::npos) << name;
    EXPECT_EQ(name.find("DVDPath"), std::string::npos) << name;
  }
  EXPECT_EQ(PlanRegistry(in).size(), 7u + 6u + 2u + 5u + 5u);
}

TEST(RegistryPlan, DataOfTheDerivedValues) {
  RegistryInputs in = SampleInputs();
  in.install_dir = "D:\\KS";  // without a trailing backslash
  in.setup_on_remote_drive = true;
  std::map<std::string, RegistryValue> by_name;
  for (const RegistryValue& v : PlanRegistry(in))
    if (v.root == HKEY_LOCAL_MACHINE) by_name[v.name] = v;
  EXPECT_EQ(by_name["PermissionFlag"].type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(by_name["PermissionFlag"].number, 1u);
  EXPECT_EQ(by_name["Service"].number, 0x800E0Cu);
  EXPECT_EQ(by_name["ALN"].number, 0x10A01u);
  EXPECT_EQ(by_name["DocumentRoot"].text, "D:\\KS\\DOCS");
  EXPECT_EQ(by_name[""].text, "D:\\KS\\KESTRA.EXE");
  EXPECT_EQ(by_name["path"].text, "D:\\KS");
  EXPECT_EQ(by_name["DisplayIcon"].text, "D:\\KS\\KESTRA.EXE");
  EXPECT_EQ(by_name["UninstallString"].text,
            "\"C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\KSUINST.EXE\" -UNINST");
  EXPECT_EQ(by_name["DisplayVersion"].text, "2.1.0.1");
  EXPECT_EQ(by_name["Publisher"].text, "ZEL Co.,Ltd.");
  EXPECT_EQ(by_name["QuietUninstallString"].text,
            "\"C:\\Program Files\\ZEL\\Common Files\\UNINSTALL\\KSUINST.EXE\" -UNINST -VERYSILENT");
  EXPECT_EQ(by_name["InstallLocation"].text, "D:\\KS\\");
  EXPECT_EQ(by_name["EstimatedSize"].type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(by_name["EstimatedSize"].number, 4321u);
  EXPECT_EQ(by_name["NoModify"].number, 1u);
  EXPECT_EQ(by_name["NoRepair"].number, 1u);
  in.setup_on_remote_drive = false;
  for (const RegistryValue& v : PlanRegistry(in))
    if (v.name == "PermissionFlag") {
      EXPECT_EQ(v.number, 0u);
    }
}

TEST(RegistryPlan, TodayIsYearMonthDay) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char expected[16];
  std::snprintf(expected, sizeof expected, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
  EXPECT_EQ(TodayText(), expected);
  EXPECT_EQ(TodayText().size(), 10u);
}

}  // namespace
