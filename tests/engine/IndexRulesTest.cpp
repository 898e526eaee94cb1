// The decisions of the index and sync steps, without a window or a drive.
#include <gtest/gtest.h>

#include "install/IndexRules.h"

using namespace kestra;

namespace {

TEST(IndexRules, VersionsAreDecimalIntegersOrNothing) {
  EXPECT_EQ(ParseIndexVersion("5"), 5);
  EXPECT_EQ(ParseIndexVersion(" 12 "), 12);
  EXPECT_EQ(ParseIndexVersion("-3"), -3);
  for (const char* bad : {"", "  ", "5a", "1.0", "abc", "+", "9999999999", "５"})
    EXPECT_FALSE(ParseIndexVersion(bad)) << bad;
}

TEST(IndexRules, DriveRootsCompareWithoutCase) {
  EXPECT_TRUE(SameDriveRoot("q:\\KESTRA\\DOCS\\", "Q:\\DOCS"));
  EXPECT_FALSE(SameDriveRoot("C:\\DOCS\\", "Q:\\DOCS"));
  EXPECT_FALSE(SameDriveRoot("", "Q:\\DOCS"));
}

struct Row {
  const char* what;
  int32_t install_index;
  const char* target;
  double free_bytes;
  const char* installed;
  const char* on_dvd;
  bool remote, holds_index;
  IndexDecision decision;
  bool dvd_lasts = true;
};

TEST(IndexRules, TheIndexStepDecides) {
  using D = IndexDecision;
  const Row rows[] = {
      {"not asked for", 0, "C:\\IDX\\", 1e9, "5", "5", false, false, D::NotRequested},
      {"target on the DVD's drive", 1, "q:\\IDX\\", 1e9, "5", "5", false, false, D::SameDriveAsDvd},
      {"first installation", 1, "C:\\IDX\\", 1e9, "", "5", false, false, D::Copy},
      {"installed 5, DVD 4", 1, "C:\\IDX\\", 1e9, "5", "4", false, false, D::UseDvd},
      {"versions equal", 1, "C:\\IDX\\", 1e9, "5", "5", false, true, D::Copy},
      {"DVD newer", 1, "C:\\IDX\\", 1e9, "4", "5", false, true, D::Copy},
      {"network index, equal", 1, "N:\\IDX\\", 1e9, "5", "5", true, true, D::AskOverNetwork},
      {"network index, DVD newer", 1, "N:\\IDX\\", 1e9, "4", "5", true, true, D::AskOverNetwork},
      {"network index, DVD older", 1, "N:\\IDX\\", 1e9, "5", "4", true, true, D::UseDvd},
      {"network, no index yet", 1, "N:\\IDX\\", 1e9, "5", "5", true, false, D::Copy},
      {"network, first installation", 1, "N:\\IDX\\", 1e9, "", "5", true, true, D::Copy},
      {"no room, versions known", 1, "C:\\IDX\\", 0, "5", "5", false, true, D::UseDvd},
      {"no room, index there", 1, "C:\\IDX\\", 0, "", "", false, true, D::KeepTarget},
      {"no room, no index there", 1, "C:\\IDX\\", 0, "", "", false, false, D::UseDvd},
      {"installed version no number", 1, "N:\\IDX\\", 1e9, "v5", "4", true, true, D::Copy},
      {"DVD version no number", 1, "C:\\IDX\\", 1e9, "5", "four", false, false, D::Copy},
      // A cached copy of the DVD goes after the run: the index is copied beside it.
      {"target beside a cached copy", 1, "q:\\IDX\\", 1e9, "", "5", false, false, D::Copy, false},
      {"cached copy, installed newer", 1, "q:\\IDX\\", 1e9, "6", "5", false, false, D::UseDvd,
       false},
  };
  for (const Row& row : rows) {
    IndexFacts facts;
    facts.install_index = row.install_index;
    facts.target = row.target;
    facts.dvd_index = "Q:\\DOCS";
    facts.target_free_bytes = row.free_bytes;
    facts.installed_version = row.installed;
    facts.dvd_version = row.on_dvd;
    facts.target_remote = row.remote;
    facts.target_holds_index = row.holds_index;
    facts.dvd_lasts = row.dvd_lasts;
    EXPECT_EQ(DecideIndexCopy(facts), row.decision) << row.what;
  }
}

TEST(IndexRules, SyncFilesAreNewerOnlyByTheirDosTime) {
  EXPECT_TRUE(SyncFilesNewer(100, 99));
  EXPECT_TRUE(SyncFilesNewer(100, -1));   // nothing installed yet
  EXPECT_FALSE(SyncFilesNewer(100, 100));
  EXPECT_FALSE(SyncFilesNewer(-1, 100));  // the DVD has none
  EXPECT_FALSE(SyncFilesNewer(-1, -1));
  // A date from 2044 on has the top bit of its 32-bit DOS value set.
  EXPECT_TRUE(SyncFilesNewer(int64_t{0x80000000}, int64_t{0x7FFFFFFF}));
}

}  // namespace
