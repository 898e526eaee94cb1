// The hand-off to the DVD's upgrade tool, with our stand-in UPGSETUP.EXE: it
// records how it was started and what "upgSetup" held, then signals after the
// delay a test chooses (or never).
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <sstream>

#include "ProductKeys.h"
#include "StartupTestSupport.h"
#include "WineTestEnv.h"
#include "startup/InstalledProduct.h"
#include "system/Registry.h"

using namespace kestra;
using startup_test::SecondsOf;
using startup_test::WorkFolder;

namespace {

using namespace productkeys;

constexpr char kProductKeyNoSlash[] = "SOFTWARE\\ZEL\\ケストラDVD";

using testenv::ScopedEnvironment;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

class RunUpgradeToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testenv::ResetFolder(WorkFolder("upgrade"));
    testenv::ResetFolder(dvd_);
    RegKey product = RegKey::Create(HKEY_LOCAL_MACHINE, kProductKeyNoSlash);
    ASSERT_TRUE(product);
    ASSERT_TRUE(product.WriteString("Version", "1.10.0"));
  }

  std::string ToolOn(const std::string& dvd) const {
    return dvd + "PLUS\\UPDATE\\UPGSETUP.EXE";
  }
  void PutToolOn(const std::string& dvd) const {
    ASSERT_TRUE(testenv::CopyFileTo(testenv::TestBinary("UPGSETUP.EXE"), ToolOn(dvd)));
  }
  std::optional<std::string> UpgSetupValue() const {
    return RegKey::Open(HKEY_LOCAL_MACHINE, kProductKeyNoSlash).ReadString("upgSetup");
  }
  std::vector<std::string> ToolRecord() const { return Lines(testenv::ReadFile(log_)); }

  const std::string dvd_ = WorkFolder("upgrade") + "dvd\\";
  const std::string log_ = WorkFolder("upgrade") + "upgsetup.log";
  testenv::ScopedRegistryCleanup product_key_{HKEY_LOCAL_MACHINE, kProductKeyNoSlash};
  ScopedEnvironment log_variable_{"KESTRA_UPGSETUP_LOG", log_};
};

TEST_F(RunUpgradeToolTest, WithoutAToolNothingIsWrittenAndNothingWaits) {
  double seconds = SecondsOf([&] { RunUpgradeTool(dvd_); });
  EXPECT_LT(seconds, 0.5);
  RegKey product = RegKey::Open(HKEY_LOCAL_MACHINE, kProductKeyNoSlash);
  EXPECT_FALSE(product.HasValue("upgSetup"));
  EXPECT_EQ(product.ReadStringOr("Version"), "1.10.0");
}

TEST_F(RunUpgradeToolTest, TheWaitEndsWhenTheToolSignals) {
  PutToolOn(dvd_);
  ScopedEnvironment delay("KESTRA_UPGSETUP_DELAY_MS", "1000");
  double seconds = SecondsOf([&] { RunUpgradeTool(dvd_); });
  // The tool sleeps a second after it starts; the wait polls every 100 ms.
  EXPECT_GE(seconds, 1.0);
  EXPECT_LT(seconds, 5.0);
  EXPECT_EQ(UpgSetupValue(), "1");
  const std::vector<std::string> expected = {
      "program=" + ToolOn(dvd_),
      "command=\"" + ToolOn(dvd_) + "\" -S",
      "upgSetup=0",  // written before the tool started
      "signalled=1",
  };
  EXPECT_EQ(ToolRecord(), expected);
}

TEST_F(RunUpgradeToolTest, AnyValueOtherThanZeroEndsTheWait) {
  PutToolOn(dvd_);
  ScopedEnvironment delay("KESTRA_UPGSETUP_DELAY_MS", "300");
  ScopedEnvironment signal("KESTRA_UPGSETUP_SIGNAL", "done");
  RegKey::Open(HKEY_LOCAL_MACHINE, kProductKeyNoSlash).WriteString("upgSetup", "7");
  double seconds = SecondsOf([&] { RunUpgradeTool(dvd_); });
  EXPECT_LT(seconds, 5.0);
  EXPECT_EQ(UpgSetupValue(), "done");
  EXPECT_EQ(ToolRecord().at(2), "upgSetup=0") << "the old value was replaced before the start";
}

std::atomic<int> g_wait_probe_messages{0};

LRESULT CALLBACK WaitProbeWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_APP + 7) ++g_wait_probe_messages;
  return ::DefWindowProcA(hwnd, msg, wparam, lparam);
}

TEST_F(RunUpgradeToolTest, WindowMessagesAreHandledWhileWaiting) {
  PutToolOn(dvd_);
  ScopedEnvironment delay("KESTRA_UPGSETUP_DELAY_MS", "1000");
  g_wait_probe_messages = 0;
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = WaitProbeWindowProc;
  window_class.hInstance = ::GetModuleHandleA(nullptr);
  window_class.lpszClassName = "UpgradeWaitProbe";
  ::RegisterClassA(&window_class);
  HWND window = ::CreateWindowExA(0, "UpgradeWaitProbe", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, window_class.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(::PostMessageA(window, WM_APP + 7, 0, 0));
  RunUpgradeTool(dvd_);
  MSG left{};
  bool still_queued = ::PeekMessageA(&left, window, WM_APP + 7, WM_APP + 7, PM_REMOVE);
  EXPECT_FALSE(still_queued);
  EXPECT_EQ(g_wait_probe_messages.load(), 1) << "the posted message was dispatched during the wait";
  ::DestroyWindow(window);
}

TEST_F(RunUpgradeToolTest, ADvdFolderWithBlanksStartsTheToolItself) {
  // Unquoted, "...\dvd image\PLUS\..." would start "...\dvd.exe" instead.
  const std::string dvd = WorkFolder("upgrade") + "disc image\\";
  testenv::ResetFolder(dvd);
  PutToolOn(dvd);
  const std::string decoy = WorkFolder("upgrade") + "disc.exe";
  ASSERT_TRUE(testenv::CopyFileTo(testenv::TestBinary("UPGSETUP.EXE"), decoy));
  ScopedEnvironment delay("KESTRA_UPGSETUP_DELAY_MS", "0");
  RunUpgradeTool(dvd);
  std::vector<std::string> record = ToolRecord();
  ASSERT_EQ(record.size(), 4u);
  EXPECT_EQ(record[0], "program=" + ToolOn(dvd));
  EXPECT_EQ(record[1], "command=\"" + ToolOn(dvd) + "\" -S");
}

// The one slow case: a tool that never signals holds the run for about 15 s.
TEST_F(RunUpgradeToolTest, AToolThatNeverSignalsIsWaitedForAboutFifteenSeconds) {
  PutToolOn(dvd_);
  ScopedEnvironment delay("KESTRA_UPGSETUP_DELAY_MS", "never");
  double seconds = SecondsOf([&] { RunUpgradeTool(dvd_); });
  EXPECT_GE(seconds, 14.0);
  EXPECT_LE(seconds, 25.0);
  EXPECT_EQ(UpgSetupValue(), "0");
  std::vector<std::string> record = ToolRecord();
  ASSERT_EQ(record.size(), 3u) << "started once, never signalled";
  EXPECT_EQ(record[1], "command=\"" + ToolOn(dvd_) + "\" -S");
}

}  // namespace
