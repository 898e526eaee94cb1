// uidrv, the driver on the command line, against the driver's test program:
// each sub-command, its output and its exit code.
#include <gtest/gtest.h>


#include "DriverTestIds.h"
#include "RunCapture.h"
#include "UiDriver.h"
#include "WineTestEnv.h"

namespace {

using namespace std::chrono_literals;

testenv::RunResult Uidrv(const std::string& arguments) {
  return testenv::RunAndCapture("\"" + testenv::TestBinary("uidrv.exe") + "\" " + arguments);
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class UidrvCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    session_.WaitForWindow(testapp::kFormClass);
    form_ = uidrv::FindTopLevelWindow(testapp::kFormClass, app_.Pid());
  }

  uidrv::Process app_ = uidrv::Process::Start(testenv::TestBinary("uidriver_testapp.exe"));
  uidrv::Session session_{app_};
  uidrv::Window form_;
};

TEST_F(UidrvCommand, WaitPrintsTheWindowFound) {
  testenv::RunResult result = Uidrv("wait TDriverTestForm 5");
  EXPECT_EQ(result.exit_code, 0u) << result.output;
  EXPECT_TRUE(Contains(result.output, std::string("TDriverTestForm \"") + testapp::kFormCaption))
      << result.output;
}

TEST_F(UidrvCommand, WaitAndGoneFailFastOnTimeOut) {
  const auto start = std::chrono::steady_clock::now();
  testenv::RunResult missing = Uidrv("wait TNoSuchForm 0.3");
  testenv::RunResult still_there = Uidrv("gone TDriverTestForm 0.3");
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(missing.exit_code, 1u);
  EXPECT_TRUE(Contains(missing.output, "TNoSuchForm")) << missing.output;
  EXPECT_EQ(still_there.exit_code, 1u);
  EXPECT_LT(took, 5s);
  EXPECT_EQ(Uidrv("gone TNoSuchForm 0.3").exit_code, 0u);
}

TEST_F(UidrvCommand, ClickThenAnswerTheBoxItOpened) {
  testenv::RunResult click = Uidrv("click TDriverTestForm \"確認(&C)\"");
  ASSERT_EQ(click.exit_code, 0u) << click.output;
  testenv::RunResult answer = Uidrv("answer No 5");
  ASSERT_EQ(answer.exit_code, 0u) << answer.output;
  EXPECT_EQ(answer.output,
            "caption: 確認\ntext: 続けますか？\r\n二行目\nbuttons: Yes No\nicon: question\n");
  EXPECT_EQ(form_.ChildById(testapp::kAnswerLabel).Text(), "answer 7");
}

TEST_F(UidrvCommand, AnswerWithoutABoxTimesOut) {
  testenv::RunResult answer = Uidrv("answer OK 0.3");
  EXPECT_EQ(answer.exit_code, 1u);
  EXPECT_TRUE(Contains(answer.output, "no message box")) << answer.output;
}

TEST_F(UidrvCommand, CheckTicksAndClears) {
  uidrv::Window gated = form_.ChildById(testapp::kGatedButton);
  EXPECT_EQ(Uidrv("check TDriverTestForm \"有効にする\" on").exit_code, 0u);
  EXPECT_TRUE(form_.ChildById(testapp::kEnableCheck).Checked());
  EXPECT_TRUE(gated.Enabled());
  EXPECT_EQ(Uidrv("check TDriverTestForm \"有効にする\" off").exit_code, 0u);
  EXPECT_FALSE(gated.Enabled());
  // A disabled button is refused as a user would be.
  EXPECT_EQ(Uidrv("click TDriverTestForm \"チェックで有効\"").exit_code, 1u);
}

TEST_F(UidrvCommand, TypeReplacesAnEditsText) {
  EXPECT_EQ(Uidrv("type TDriverTestForm 200 \"ケストラ\"").exit_code, 0u);
  EXPECT_EQ(form_.ChildById(testapp::kEdit).Text(), "ケストラ");
}

TEST_F(UidrvCommand, DumpListsWindowsAndControls) {
  testenv::RunResult dump = Uidrv("dump");
  EXPECT_EQ(dump.exit_code, 0u);
  EXPECT_TRUE(Contains(dump.output, std::string("TDriverTestForm \"") + testapp::kFormCaption))
      << dump.output;
  EXPECT_TRUE(Contains(dump.output, "Button id 400 \"確認(&C)\"")) << dump.output;
  EXPECT_TRUE(Contains(dump.output, "Button id 301 \"チェックで有効\" disabled")) << dump.output;
}

TEST(UidrvUsage, BadCommandLinesExitWithTwo) {
  EXPECT_EQ(Uidrv("").exit_code, 2u);
  EXPECT_EQ(Uidrv("fly away").exit_code, 2u);
  EXPECT_EQ(Uidrv("wait").exit_code, 2u);
  EXPECT_EQ(Uidrv("wait TForm1 soon").exit_code, 2u);
  EXPECT_EQ(Uidrv("check TForm1 \"x\" maybe").exit_code, 2u);
}

}  // namespace
