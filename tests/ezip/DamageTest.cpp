// Damaged, hostile and unsupported archives, and destinations that cannot be
// replaced: every one fails with -1, without a crash, without a partial file,
// and leaves a file already at the destination as it was.
#include <random>

#include "EZipFixture.h"
#include "WineTestEnv.h"
#include "system/Handles.h"

namespace ziptest {
namespace {

using EZipDamage = EZipTest;
using Files = std::vector<std::string>;

constexpr char kOld[] = "the file that was there before";

TEST_F(EZipDamage, TruncatedArchiveIsRefused) {
  const std::vector<Member> members = {{"STORED.BIN", RandomBytes(300, 1), false},
                                       {"DEFLATED.TXT", CompressibleBytes(2000, 2), true}};
  const std::string whole = BuildZip(members);
  testenv::WriteFile(base_ + "STORED.BIN", kOld);

  // Every length through the directory and end record, every third before.
  for (std::size_t length = 0; length < whole.size();
       length += length + 120 < whole.size() ? 3 : 1) {
    testenv::WriteFile(archive_, whole.substr(0, length));
    ASSERT_EQ(Expand("STORED.BIN"), -1.0) << "length " << length;
    ASSERT_EQ(Expand("DEFLATED.TXT"), -1.0) << "length " << length;
  }
  EXPECT_EQ(testenv::ReadFile(base_ + "STORED.BIN"), kOld);
  EXPECT_EQ(Tree(base_), (Files{"STORED.BIN"}));

  testenv::WriteFile(archive_, whole);
  EXPECT_EQ(Expand("DEFLATED.TXT"), 2000.0) << "the whole archive still works";
}

TEST_F(EZipDamage, CorruptedCompressedDataIsRefused) {
  const std::string text = CompressibleBytes(400000, 3);
  Layout layout;
  WriteArchive({{"DATA.TXT", text, true}}, &layout);
  const std::string good = testenv::ReadFile(archive_);
  testenv::WriteFile(base_ + "DATA.TXT", kOld);

  for (std::size_t part = 1; part <= 5; ++part) {
    std::string bad = good;
    const std::size_t at = layout.dataOffset[0] + layout.dataSize[0] * part / 6;
    bad[at] = static_cast<char>(bad[at] ^ 0x5A);
    bad[at + 1] = static_cast<char>(bad[at + 1] ^ 0xA5);
    testenv::WriteFile(archive_, bad);
    EXPECT_EQ(Expand("DATA.TXT"), -1.0) << "damage at " << at;
  }
  EXPECT_EQ(testenv::ReadFile(base_ + "DATA.TXT"), kOld);
  EXPECT_EQ(Tree(base_), (Files{"DATA.TXT"}));
}

TEST_F(EZipDamage, CrcMismatchIsRefused) {
  const std::string text = CompressibleBytes(200000, 4);
  const std::string noise = RandomBytes(100000, 5);
  Member deflated{"DEFLATED.TXT", text, true};
  deflated.crc32 = Crc32(text) ^ 1;
  Member stored{"STORED.BIN", noise, false};
  stored.crc32 = Crc32(noise) ^ 0x80000000;
  WriteArchive({deflated, stored, {"GOOD.TXT", "good", true}});
  testenv::WriteFile(base_ + "DEFLATED.TXT", kOld);

  EXPECT_EQ(Expand("DEFLATED.TXT"), -1.0);
  EXPECT_EQ(Expand("STORED.BIN"), -1.0);
  EXPECT_EQ(Expand("GOOD.TXT"), 4.0);
  EXPECT_EQ(testenv::ReadFile(base_ + "DEFLATED.TXT"), kOld);
  EXPECT_EQ(Tree(base_), (Files{"DEFLATED.TXT", "GOOD.TXT"}));
}

TEST_F(EZipDamage, SizeThatDisagreesWithTheDataIsRefused) {
  const std::string text = CompressibleBytes(300000, 6);
  Member tooSmall{"SMALL.TXT", text, true};  // inflates to more than it declares
  tooSmall.size = 1000;
  Member tooBig{"BIG.TXT", text, true};
  tooBig.size = 300001;
  Member storedShort{"STORED.BIN", "stored data", false};
  storedShort.size = 5;
  WriteArchive({tooSmall, tooBig, storedShort});

  EXPECT_EQ(Expand("SMALL.TXT"), -1.0);
  EXPECT_EQ(Expand("BIG.TXT"), -1.0);
  EXPECT_EQ(Expand("STORED.BIN"), -1.0);
  EXPECT_EQ(Tree(work_), (Files{"SETUP_F.EZP"}));
}

// Lengths and offsets of the directory pointing past the data they describe.
TEST_F(EZipDamage, DirectoryFieldsPointingOutsideTheirDataAreRefused) {
  const std::vector<Member> members = {{"A.TXT", CompressibleBytes(4000, 20), true},
                                       {"B.TXT", "bee", false}};
  Layout layout;
  const std::string good = BuildZip(members, &layout);
  auto patch = [](std::string bad, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) bad[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bad;
  };
  auto patched = [&](std::size_t at, std::uint32_t value, int bytes) {
    return patch(good, at, value, bytes);
  };
  const std::size_t central = layout.centralOffset;  // A.TXT's central header
  const std::size_t end = layout.endOffset;
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"compressed size past the directory", patched(central + 20, 0x7FFFFFF0, 4)},
      {"compressed size into the directory",
       patched(central + 20, static_cast<std::uint32_t>(end - layout.dataOffset[0]), 4)},
      {"local header past the data", patched(central + 42, static_cast<std::uint32_t>(central), 4)},
      {"local header offset far away", patched(central + 42, 0x7FFFFFF0, 4)},
      {"local header at the second member", patched(central + 42,
                                                     static_cast<std::uint32_t>(layout.dataOffset[1] - 35), 4)},
      {"local header signature damaged", patched(0, 0x05034B50, 4)},
      {"local name length past the directory", patched(layout.dataOffset[0] - 5 - 4, 0xFFFF, 2)},
      {"name length past the directory", patched(central + 28, 0xFFFF, 2)},
      {"extra length past the directory", patched(central + 30, 0xFFF0, 2)},
      {"more entries than the directory holds", patch(patched(end + 8, 300, 2), end + 10, 300, 2)},
      {"entry counts that disagree", patched(end + 10, 3, 2)},
      {"directory size past the end record", patched(end + 12, 0x7FFFFFF0, 4)},
      {"directory offset past the file", patched(end + 16, 0x7FFFFFF0, 4)},
      {"directory offset into member data", patched(end + 16, 10, 4)},
      {"directory on another disk", patched(end + 6, 1, 2)},
  };
  testenv::WriteFile(base_ + "A.TXT", kOld);

  for (const auto& [what, bad] : cases) {
    testenv::WriteFile(archive_, bad);
    EXPECT_EQ(Expand("A.TXT"), -1.0) << what;
  }
  EXPECT_EQ(testenv::ReadFile(base_ + "A.TXT"), kOld);
  EXPECT_EQ(Tree(base_), (Files{"A.TXT"}));
}

TEST_F(EZipDamage, ArchivesAndMembersNeedingZip64AreRefused) {
  ArchiveOptions zip64End;
  zip64End.zip64End = true;
  WriteArchive({{"A.TXT", "alpha", true}}, nullptr, zip64End);
  EXPECT_EQ(Expand("A.TXT"), -1.0);

  Member big{"BIG.BIN", "pretends to need 64-bit sizes", false};
  big.zip64 = true;
  WriteArchive({big, {"A.TXT", "alpha", true}});
  EXPECT_EQ(Expand("BIG.BIN"), -1.0);
  EXPECT_EQ(Expand("A.TXT"), 5.0);
  EXPECT_EQ(Tree(base_), (Files{"A.TXT"}));
}

TEST_F(EZipDamage, EncryptedAndUnknownMethodsAreRefused) {
  Member encrypted{"SECRET.TXT", "not really encrypted", false};
  encrypted.extraFlags = 0x0001;
  Member bzip2{"BZIP2.TXT", "not really bzip2", false};
  bzip2.method = 12;
  WriteArchive({encrypted, bzip2, {"PLAIN.TXT", "plain", true}});

  EXPECT_EQ(Expand("SECRET.TXT"), -1.0);
  EXPECT_EQ(Expand("BZIP2.TXT"), -1.0);
  EXPECT_EQ(Expand("PLAIN.TXT"), 5.0);
  EXPECT_EQ(Tree(base_), (Files{"PLAIN.TXT"}));
}

// Random damage anywhere: the call may fail or, when the damage hit a byte
// that does not matter, succeed, but only ever with the exact content.
TEST_F(EZipDamage, RandomByteDamageNeverCrashesNorWritesWrongContent) {
  const std::vector<Member> members = {{"A.TXT", CompressibleBytes(5000, 7), true},
                                       {"ソフト/B.BIN", RandomBytes(700, 8), false},
                                       {"C.TXT", CompressibleBytes(3000, 9), true}};
  Layout layout;
  const std::string good = BuildZip(members, &layout);
  const std::string run = work_ + "run\\";
  std::mt19937 random(2024);
  int failures = 0;

  for (int round = 0; round < 200; ++round) {
    std::string bad = good;
    // Half the rounds hit the directory and end record, half anywhere.
    const std::size_t from = round % 2 ? layout.centralOffset : 0;
    for (int flips = 1 + static_cast<int>(random() % 3); flips > 0; --flips) {
      const std::size_t at = from + random() % (bad.size() - from);
      bad[at] = static_cast<char>(bad[at] ^ (1 + random() % 255));
    }
    testenv::WriteFile(archive_, bad);
    testenv::ResetFolder(run);
    for (const Member& m : members) {
      std::string request = m.name;
      for (char& c : request) c = c == '/' ? '\\' : c;
      testenv::WriteFile(run + request, kOld);
      const double result = ExpandFrom(archive_, run, request);
      const std::string content = testenv::ReadFile(run + request);
      if (result == -1.0) {
        ++failures;
        ASSERT_EQ(content, kOld) << "round " << round << " " << request;
      } else {
        ASSERT_EQ(result, static_cast<double>(m.data.size())) << "round " << round;
        ASSERT_EQ(content, m.data) << "round " << round << " " << request;
      }
    }
    ASSERT_EQ(Tree(run), (Files{"A.TXT", "C.TXT", "ソフト\\", "ソフト\\B.BIN"})) << "round " << round;
  }
  EXPECT_GT(failures, 100) << "the damage should have been noticed most of the time";
}

TEST_F(EZipDamage, DestinationLockedByAnotherOpenerFailsAndStaysAsItWas) {
  WriteArchive({{"KESTRA.EXE", RandomBytes(200000, 10), true}, {"OTHER.TXT", "other", true}});
  testenv::WriteFile(base_ + "KESTRA.EXE", kOld);
  {
    kestra::FileHandle lock(::CreateFileA((base_ + "KESTRA.EXE").c_str(), GENERIC_READ, 0,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    EXPECT_EQ(Expand("KESTRA.EXE"), -1.0);
    EXPECT_EQ(Expand("OTHER.TXT"), 5.0) << "other files are not affected";
  }
  EXPECT_EQ(testenv::ReadFile(base_ + "KESTRA.EXE"), kOld);
  EXPECT_EQ(Tree(base_), (Files{"KESTRA.EXE", "OTHER.TXT"}));
  EXPECT_EQ(Expand("KESTRA.EXE"), 200000.0) << "once unlocked, it is replaced";
}

TEST_F(EZipDamage, ReadOnlyDestinationFailsAndStaysAsItWas) {
  WriteArchive({{"README.TXT", "new", true}});
  testenv::WriteFile(base_ + "README.TXT", kOld);
  ASSERT_TRUE(::SetFileAttributesA((base_ + "README.TXT").c_str(), FILE_ATTRIBUTE_READONLY));

  EXPECT_EQ(Expand("README.TXT"), -1.0);
  ::SetFileAttributesA((base_ + "README.TXT").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(testenv::ReadFile(base_ + "README.TXT"), kOld);
  EXPECT_EQ(Tree(base_), (Files{"README.TXT"}));
}

TEST_F(EZipDamage, DestinationThatIsAFolderFails) {
  WriteArchive({{"DOCS", "a file named like a folder", true}});
  ASSERT_TRUE(::CreateDirectoryA(base_.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA((base_ + "DOCS").c_str(), nullptr));
  testenv::WriteFile(base_ + "DOCS\\keep.txt", kOld);

  EXPECT_EQ(Expand("DOCS"), -1.0);
  EXPECT_EQ(Tree(base_), (Files{"DOCS\\", "DOCS\\keep.txt"}));
}

}  // namespace
}  // namespace ziptest
