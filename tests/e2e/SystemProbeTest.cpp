// SETUP's system queries as a program sees them under each Windows version Wine
// can report: the platform tests that choose SETUP's branches (98, XP, Vista,
// 7, 8, 10) and the administrator test, asked in a process of its own.
#include <gtest/gtest.h>

#include <map>
#include <ostream>

#include "RunCapture.h"
#include "WineTestEnv.h"

namespace {

using testenv::WinVersion;

constexpr char kProbe[] = "sysprobe.exe";

// The probe's "name=value" lines.
std::map<std::string, std::string> Probe(bool as_non_admin = false) {
  if (as_non_admin)
    ::SetEnvironmentVariableA("KESTRA_TEST_ADMIN_DLL", testenv::TestBinary("notadmin.dll").c_str());
  testenv::RunResult result;
  try {
    result = testenv::RunAndCapture("\"" + testenv::TestBinary(kProbe) + "\"");
  } catch (...) {
    ::SetEnvironmentVariableA("KESTRA_TEST_ADMIN_DLL", nullptr);
    throw;
  }
  ::SetEnvironmentVariableA("KESTRA_TEST_ADMIN_DLL", nullptr);
  EXPECT_EQ(result.exit_code, 0u) << result.output;
  std::map<std::string, std::string> values;
  std::size_t start = 0;
  while (start < result.output.size()) {
    std::size_t end = result.output.find('\n', start);
    if (end == std::string::npos) end = result.output.size();
    std::string line = result.output.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (std::size_t equals = line.find('='); equals != std::string::npos)
      values[line.substr(0, equals)] = line.substr(equals + 1);
    start = end + 1;
  }
  return values;
}

struct VersionCase {
  WinVersion version;
  const char* platform;
  const char* major;
  const char* minor;
  const char* vista;
  const char* win8;
};

void PrintTo(const VersionCase& value, std::ostream* out) {
  *out << testenv::WineVersionName(value.version);
}

class SystemProbe : public ::testing::TestWithParam<VersionCase> {};

TEST_P(SystemProbe, PlatformTestsFollowTheReportedVersion) {
  const VersionCase& expected = GetParam();
  testenv::ScopedWindowsVersion version(expected.version, {kProbe});
  std::map<std::string, std::string> seen = Probe();
  EXPECT_EQ(seen["queried"], "1");
  EXPECT_EQ(seen["platform"], expected.platform);
  EXPECT_EQ(seen["major"], expected.major);
  EXPECT_EQ(seen["minor"], expected.minor);
  EXPECT_EQ(seen["vista"], expected.vista);
  EXPECT_EQ(seen["win8"], expected.win8);
  // Under Wine every process is elevated.
  EXPECT_EQ(seen["admin"], "1");
}

INSTANTIATE_TEST_SUITE_P(
    EachWindows, SystemProbe,
    ::testing::Values(VersionCase{WinVersion::Win98, "1", "4", "10", "0", "0"},
                      VersionCase{WinVersion::WinXP, "2", "5", "1", "0", "0"},
                      VersionCase{WinVersion::Vista, "2", "6", "0", "1", "0"},
                      VersionCase{WinVersion::Win7, "2", "6", "1", "1", "0"},
                      VersionCase{WinVersion::Win8, "2", "6", "2", "1", "1"},
                      VersionCase{WinVersion::Win10, "2", "10", "0", "1", "1"}),
    [](const ::testing::TestParamInfo<VersionCase>& info) {
      return std::string(testenv::WineVersionName(info.param.version));
    });

TEST(SystemProbeRights, AUserWithoutRightsIsNoAdministratorOnNtWindows) {
  for (WinVersion version : {WinVersion::WinXP, WinVersion::Vista, WinVersion::Win10}) {
    SCOPED_TRACE(testenv::WineVersionName(version));
    testenv::ScopedWindowsVersion scoped(version, {kProbe});
    EXPECT_EQ(Probe(true)["admin"], "0");
  }
}

// What SETUP and DIRPICK do first: afterwards a library named without a path
// is no longer taken from beside the program (found there before: the control).
TEST(SystemProbeLibraries, AfterTheRestrictionNoLibraryComesFromBesideTheProgram) {
  std::map<std::string, std::string> seen = Probe();
  EXPECT_EQ(seen["beside_before"], "1");
  EXPECT_EQ(seen["beside_after"], "0");
}

TEST(SystemProbeRights, Windows98HasNoRightsToAskAbout) {
  testenv::ScopedWindowsVersion win98(WinVersion::Win98, {kProbe});
  EXPECT_EQ(Probe(true)["admin"], "1");
}

}  // namespace
