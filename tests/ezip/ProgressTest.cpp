// The progress callback: called on the caller's thread while a member is
// written, with the bytes written so far and the member's size; a non-zero
// answer abandons the member.
#include "EZipFixture.h"
#include "WineTestEnv.h"

namespace ziptest {
namespace {

using Files = std::vector<std::string>;

struct Call {
  DWORD thread;
  DWORD written;
  DWORD total;
};

// What the callbacks saw; reset by each test.
std::vector<Call> g_calls;
DWORD g_cancelAt = 0;  // answer non-zero once this many bytes are written (0: never)

int WINAPI RecordProgress(DWORD written, DWORD total) {
  g_calls.push_back({::GetCurrentThreadId(), written, total});
  return g_cancelAt != 0 && written >= g_cancelAt ? 1 : 0;
}

class EZipProgressCalls : public EZipTest {
 protected:
  void SetUp() override {
    EZipTest::SetUp();
    g_calls.clear();
    g_cancelAt = 0;
    SetProgress(&RecordProgress);
  }

  // The calls made for one member of the given size, checked for sense.
  void ExpectSteadyProgress(std::size_t size) {
    ASSERT_FALSE(g_calls.empty());
    ASSERT_GE(g_calls.size(), size / (64 * 1024));
    DWORD before = 0;
    for (const Call& call : g_calls) {
      EXPECT_EQ(call.thread, ::GetCurrentThreadId());
      EXPECT_EQ(call.total, size);
      EXPECT_GT(call.written, before);
      EXPECT_LE(call.written - before, 64u * 1024) << "at least every 64 KiB";
      before = call.written;
    }
    EXPECT_EQ(g_calls.back().written, size);
  }
};

TEST_F(EZipProgressCalls, LargeDeflatedMemberReportsOnTheCallingThread) {
  const std::string data = CompressibleBytes(3 << 20, 11) + RandomBytes(3 << 20, 12);
  WriteArchive({{"DOCS/BIG.DAT", data, true}});

  ASSERT_EQ(Expand("DOCS\\BIG.DAT"), static_cast<double>(data.size()));
  ExpectSteadyProgress(data.size());
}

TEST_F(EZipProgressCalls, LargeStoredMemberReportsOnTheCallingThread) {
  const std::string data = RandomBytes(5 << 20, 13);
  WriteArchive({{"BIG.BIN", data, false}});

  ASSERT_EQ(Expand("BIG.BIN"), static_cast<double>(data.size()));
  ExpectSteadyProgress(data.size());
}

TEST_F(EZipProgressCalls, SmallAndEmptyMembersReportOnceAtTheEnd) {
  WriteArchive({{"SMALL.TXT", "small", true}, {"EMPTY.TXT", "", false}});

  ASSERT_EQ(Expand("SMALL.TXT"), 5.0);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].written, 5u);
  EXPECT_EQ(g_calls[0].total, 5u);

  g_calls.clear();
  ASSERT_EQ(Expand("EMPTY.TXT"), 0.0);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].written, 0u);
  EXPECT_EQ(g_calls[0].total, 0u);
}

TEST_F(EZipProgressCalls, FailedMemberIsNotReportedComplete) {
  const std::string data = CompressibleBytes(1 << 20, 14);
  Member bad{"BAD.TXT", data, true};
  bad.crc32 = Crc32(data) ^ 4;
  WriteArchive({bad});

  EXPECT_EQ(Expand("BAD.TXT"), -1.0);
  EXPECT_EQ(Expand("MISSING.TXT"), -1.0);
  for (const Call& call : g_calls) EXPECT_EQ(call.total, data.size());
}

// A member that inflates to more than it declares is stopped at its declared
// size instead of filling the disk before the size check.
TEST_F(EZipProgressCalls, MemberInflatingPastItsSizeStopsThere) {
  Member bomb{"BOMB.DAT", std::string(8 << 20, '\0'), true};
  bomb.size = 100000;
  WriteArchive({bomb});

  EXPECT_EQ(Expand("BOMB.DAT"), -1.0);
  for (const Call& call : g_calls) EXPECT_LE(call.written, 100000u);
  EXPECT_EQ(Tree(work_), (Files{"SETUP_F.EZP"}));
}

TEST_F(EZipProgressCalls, NonZeroAnswerAbandonsTheMemberAndKeepsTheOldFile) {
  const std::string data = CompressibleBytes(4 << 20, 15);
  WriteArchive({{"KESTRA.IDX", data, true}});
  testenv::WriteFile(base_ + "KESTRA.IDX", "the index before");
  g_cancelAt = 1 << 20;

  EXPECT_EQ(Expand("KESTRA.IDX"), -1.0);
  ASSERT_FALSE(g_calls.empty());
  EXPECT_EQ(g_calls.back().written, 1u << 20) << "no call after the answer";
  EXPECT_EQ(testenv::ReadFile(base_ + "KESTRA.IDX"), "the index before");
  EXPECT_EQ(Tree(base_), (Files{"KESTRA.IDX"}));
}

TEST_F(EZipProgressCalls, ClearedCallbackIsNoLongerCalled) {
  WriteArchive({{"A.TXT", CompressibleBytes(200000, 16), true}});
  SetProgress(nullptr);

  EXPECT_EQ(Expand("A.TXT"), 200000.0);
  EXPECT_TRUE(g_calls.empty());
}

}  // namespace
}  // namespace ziptest
