// Archives written by other tools: every member of the generated corpus
// (tests/ezip/make_corpus.py: Python's zipfile and Debian's zip, stored and
// deflate levels 1 to 9, sizes from 0 bytes to several MB) expands to exactly
// its source's bytes.
#include <sstream>

#include "EZipFixture.h"
#include "WineTestEnv.h"

namespace ziptest {
namespace {

struct CorpusMember {
  std::string archive;
  std::string member;
  std::string source;
};

std::string CorpusFolder() { return testenv::BuildDir() + "tests\\ezip-corpus\\"; }

std::vector<CorpusMember> ReadManifest() {
  std::vector<CorpusMember> members;
  std::istringstream lines(testenv::ReadFile(CorpusFolder() + "MANIFEST.TXT"));
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t first = line.find('\t');
    const std::size_t second = line.find('\t', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    members.push_back({line.substr(0, first), line.substr(first + 1, second - first - 1),
                       line.substr(second + 1)});
  }
  return members;
}

using EZipCorpus = EZipTest;

TEST_F(EZipCorpus, EveryMemberWrittenByOtherToolsExpandsToItsSource) {
  const std::vector<CorpusMember> corpus = ReadManifest();
  ASSERT_GT(corpus.size(), 3000u) << "the corpus is missing: " << CorpusFolder();
  int refused = 0, differing = 0;
  for (const CorpusMember& entry : corpus) {
    const std::string source = testenv::ReadFile(CorpusFolder() + entry.source);
    const double written = ExpandFrom(CorpusFolder() + entry.archive, base_, entry.member);
    const std::string expanded = testenv::ReadFile(base_ + entry.member);
    ::DeleteFileA((base_ + entry.member).c_str());
    if (written != static_cast<double>(source.size())) {
      if (++refused <= 10)
        ADD_FAILURE() << entry.archive << " " << entry.member << ": " << written << " of "
                      << source.size() << " bytes";
    } else if (expanded != source) {
      if (++differing <= 10) ADD_FAILURE() << entry.archive << " " << entry.member << " differs";
    }
  }
  EXPECT_EQ(refused, 0) << "members refused or short of " << corpus.size();
  EXPECT_EQ(differing, 0) << "members whose bytes differ of " << corpus.size();
}

}  // namespace
}  // namespace ziptest
