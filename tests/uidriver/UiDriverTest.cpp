// The UI driver against its own test program: finding windows, reading and
// acting on every kind of control, message boxes with each icon and button
// set, and time-outs that fail fast and explain themselves.
#include <gtest/gtest.h>

#include <optional>

#include "DriverTestIds.h"
#include "UiDriver.h"
#include "WineTestEnv.h"

namespace {

using namespace std::chrono_literals;
using uidrv::MessageBoxRecord;
using uidrv::Millis;
using uidrv::Process;
using uidrv::Session;
using uidrv::TimeoutError;
using uidrv::Window;

std::string TestApp() { return testenv::TestBinary("uidriver_testapp.exe"); }

// Failure texts are UTF-8 (ordinary literals here are code page 932).
std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// Runs body and returns how long it took.
template <typename F>
Millis Timed(F&& body) {
  const auto start = std::chrono::steady_clock::now();
  body();
  return std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - start);
}

// The what() of the TimeoutError that body throws (a failure if it throws none).
template <typename F>
std::string TimeoutText(F&& body) {
  try {
    body();
  } catch (const TimeoutError& e) {
    return e.what();
  }
  ADD_FAILURE() << "no TimeoutError";
  return {};
}

// The test program's form, started fresh for every test.
class DriverForm : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = Process::Start(TestApp());
    session_.emplace(app_);
    form_ = session_->WaitForWindow(testapp::kFormClass);
  }

  Window Control(int id) const { return form_.ChildById(id); }

  Process app_;
  std::optional<Session> session_;
  Window form_;
};

TEST_F(DriverForm, FindsTheFormByClassAndByCaption) {
  EXPECT_EQ(form_.ClassName(), testapp::kFormClass);
  EXPECT_EQ(form_.Text(), testapp::kFormCaption);
  EXPECT_EQ(form_.ProcessId(), app_.Pid());
  EXPECT_TRUE(form_.Visible());
  EXPECT_FALSE(form_.IsMessageBox());
  Window by_caption = session_->WaitForWindowByCaption(testapp::kFormCaption);
  EXPECT_EQ(by_caption.Handle(), form_.Handle());
  ASSERT_EQ(session_->TopLevelWindows().size(), 1u);
  EXPECT_EQ(session_->TopLevelWindows()[0].Handle(), form_.Handle());
}

TEST_F(DriverForm, FindsControlsByIdTextAndClassIncludingNestedOnes) {
  EXPECT_EQ(form_.ChildByText("有効にする").Id(), testapp::kEnableCheck);
  EXPECT_EQ(form_.ChildByText("確認(&C)", "Button").Id(), testapp::kAskButton);
  EXPECT_EQ(form_.ChildByClass("Edit", 0).Id(), testapp::kEdit);
  EXPECT_EQ(form_.ChildByClass("Edit", 1).Id(), testapp::kReadOnlyEdit);
  // The third edit lies inside the group box.
  EXPECT_EQ(form_.ChildByClass("Edit", 2).Id(), testapp::kNestedEdit);
  EXPECT_EQ(form_.ChildByText("枠の中").Id(), testapp::kNestedEdit);
  EXPECT_EQ(Control(testapp::kReadOnlyEdit).Text(), "読み取り専用");
  // Every control of the form, the one inside the group box and the list
  // view's header included.
  EXPECT_EQ(form_.Children().size(), 29u);
  EXPECT_EQ(form_.ChildById(testapp::kGroupBox).Children().size(), 1u);
  // Hidden controls are children too; they are only refused as targets of actions.
  EXPECT_FALSE(Control(testapp::kHiddenButton).Visible());
}

TEST_F(DriverForm, MissingControlsAreNamedInTheError) {
  try {
    form_.ChildById(9999);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("9999"), std::string::npos) << e.what();
  }
  EXPECT_THROW(form_.ChildByText("有効にする", "Edit"), std::runtime_error);
  EXPECT_THROW(form_.ChildByClass("Edit", 3), std::runtime_error);
}

TEST_F(DriverForm, TypingReplacesTheTextWithShiftJisIntactAndNotifies) {
  Window edit = Control(testapp::kEdit);
  edit.Type("abc");
  EXPECT_EQ(edit.Text(), "abc");
  // Characters whose second byte is a backslash.
  edit.Type("C:\\ソ\\表");
  EXPECT_EQ(edit.Text(), "C:\\ソ\\表");
  EXPECT_EQ(Control(testapp::kEcho).Text(), "C:\\ソ\\表");
  // One change per character typed, plus the deletion of the selection.
  EXPECT_EQ(Control(testapp::kChangeCount).Text(), "changes 9");
  EXPECT_TRUE(edit.Focused());
  edit.Type("");
  EXPECT_EQ(edit.Text(), "");
}

TEST_F(DriverForm, TypingRespectsTheLimitAUserWouldMeet) {
  Window edit = Control(testapp::kEdit);
  edit.Type("ABCDEFGHIJKLMNOP");
  EXPECT_EQ(edit.Text(), "ABCDEFGHIJKL");
}

TEST_F(DriverForm, TypingIsRefusedWhereAUserCouldNotType) {
  EXPECT_THROW(Control(testapp::kReadOnlyEdit).Type("x"), std::runtime_error);
  EXPECT_EQ(Control(testapp::kReadOnlyEdit).Text(), "読み取り専用");
  EXPECT_THROW(Control(testapp::kAskButton).Type("x"), std::runtime_error);
}

TEST_F(DriverForm, TickingACheckBoxRunsTheProgramsHandler) {
  Window check = Control(testapp::kEnableCheck);
  Window gated = Control(testapp::kGatedButton);
  EXPECT_FALSE(check.Checked());
  EXPECT_FALSE(gated.Enabled());
  check.SetChecked(true);
  EXPECT_TRUE(check.Checked());
  EXPECT_TRUE(gated.Enabled());
  check.SetChecked(true);  // already ticked: no click
  EXPECT_TRUE(check.Checked());
  check.SetChecked(false);
  EXPECT_FALSE(check.Checked());
  EXPECT_FALSE(gated.Enabled());
}

TEST_F(DriverForm, ClickingGivesTheFocusAsAMouseClickWould) {
  Window check = Control(testapp::kEnableCheck);
  Control(testapp::kEdit).Type("x");
  EXPECT_TRUE(Control(testapp::kEdit).Focused());
  EXPECT_FALSE(check.Focused());
  check.Click();
  EXPECT_TRUE(check.Focused());
  EXPECT_FALSE(Control(testapp::kEdit).Focused());
}

TEST_F(DriverForm, RadioButtonsAreChosenAndTheirColourShows) {
  Window label = Control(testapp::kChoiceLabel);
  EXPECT_EQ(label.TextColor(), testapp::kDefaultChoiceColor);
  Control(testapp::kRadioGreen).Click();
  EXPECT_TRUE(Control(testapp::kRadioGreen).Checked());
  EXPECT_FALSE(Control(testapp::kRadioRed).Checked());
  EXPECT_EQ(label.TextColor(), testapp::kGreen);
  Control(testapp::kRadioBlue).SetChecked(true);
  EXPECT_FALSE(Control(testapp::kRadioGreen).Checked());
  EXPECT_EQ(label.TextColor(), testapp::kBlue);
  // A user cannot clear a radio button by clicking it.
  EXPECT_THROW(Control(testapp::kRadioBlue).SetChecked(false), std::runtime_error);
}

TEST_F(DriverForm, TextColoursComeFromTheMessageEachKindOfControlSends) {
  EXPECT_EQ(Control(testapp::kRedLabel).TextColor(), testapp::kRed);
  EXPECT_EQ(Control(testapp::kPlainLabel).TextColor(), ::GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(Control(testapp::kEnableCheck).TextColor(), testapp::kCheckColor);
  EXPECT_EQ(Control(testapp::kReadOnlyEdit).TextColor(), testapp::kReadOnlyColor);
  EXPECT_EQ(Control(testapp::kEdit).TextColor(), testapp::kEditColor);
  EXPECT_EQ(Control(testapp::kAskButton).TextColor(), testapp::kButtonColor);
}

TEST_F(DriverForm, DisabledAndHiddenControlsRefuseActions) {
  try {
    Control(testapp::kGatedButton).Click();
    FAIL() << "a disabled button was clicked";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("disabled"), std::string::npos) << e.what();
  }
  try {
    Control(testapp::kHiddenButton).Click();
    FAIL() << "a hidden button was clicked";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("hidden"), std::string::npos) << e.what();
  }
  EXPECT_THROW(Control(testapp::kRedLabel).Click(), std::runtime_error);  // not a button
}

TEST_F(DriverForm, ListViewRowsAreReadWithEveryColumnAndCheckState) {
  const std::vector<uidrv::ListRow> rows = Control(testapp::kListView).ListRows();
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(testapp::kListRows));
  EXPECT_EQ(rows[0], (uidrv::ListRow{{"", "1 番", "C:\\表\\1"}, false}));
  EXPECT_EQ(rows[29].texts[2], "C:\\表\\30");
  EXPECT_THROW(Control(testapp::kEdit).ListRows(), std::runtime_error);
}

TEST_F(DriverForm, ListViewRowsAreTickedAndClearedByClickingTheirCheckBoxes) {
  Window list = Control(testapp::kListView);
  list.SetRowChecked(1, true);
  list.SetRowChecked(28, true);  // below the visible rows: scrolled into view first
  std::vector<uidrv::ListRow> rows = list.ListRows();
  EXPECT_FALSE(rows[0].checked);
  EXPECT_TRUE(rows[1].checked);
  EXPECT_TRUE(rows[28].checked);
  // The program heard of each change as of a user's click.
  EXPECT_EQ(Control(testapp::kListViewEcho).Text(), "checks 2");
  list.SetRowChecked(1, false);
  list.SetRowChecked(1, false);  // already clear: no click
  EXPECT_FALSE(list.ListRows()[1].checked);
  EXPECT_EQ(Control(testapp::kListViewEcho).Text(), "checks 3");
  EXPECT_THROW(list.SetRowChecked(30, true), std::runtime_error);
  ::EnableWindow(list.Handle(), FALSE);
  EXPECT_THROW(list.SetRowChecked(0, true), std::runtime_error);
}

TEST_F(DriverForm, ComboAndListBoxItemsAreReadAndChosenWithTheirNotifications) {
  Window combo = Control(testapp::kCombo);
  EXPECT_EQ(combo.Items(), (std::vector<std::string>{"C:", "Q: [KESTRA_DVD]", "R:"}));
  EXPECT_EQ(combo.SelectedItem(), "C:");
  combo.ChooseItem("Q:");  // the drive, whatever its label
  EXPECT_EQ(combo.SelectedItem(), "Q: [KESTRA_DVD]");
  EXPECT_EQ(Control(testapp::kComboEcho).Text(), "combo Q: [KESTRA_DVD]");
  EXPECT_THROW(combo.ChooseItem("Z:"), std::runtime_error);
  EXPECT_THROW(combo.OpenItem("R:"), std::runtime_error);

  Window folders = Control(testapp::kListBox);
  EXPECT_EQ(folders.SelectedItem(), "");
  folders.ChooseItem("表");
  EXPECT_EQ(folders.SelectedItem(), "表");
  EXPECT_EQ(Control(testapp::kListBoxEcho).Text(), "select 表");
  folders.OpenItem("Docs");
  EXPECT_EQ(Control(testapp::kListBoxEcho).Text(), "open Docs");
  EXPECT_EQ(folders.SelectedItem(), "Docs");
  EXPECT_THROW(Control(testapp::kEdit).Items(), std::runtime_error);
  ::EnableWindow(folders.Handle(), FALSE);
  EXPECT_THROW(folders.ChooseItem("Apps"), std::runtime_error);
}

TEST_F(DriverForm, AClickThatOpensAModalBoxDoesNotBlock) {
  const Millis took = Timed([&] { Control(testapp::kAskButton).Click(); });
  EXPECT_LT(took, 3000ms);
  const MessageBoxRecord box = session_->WaitForMessageBox();
  EXPECT_EQ(box, (MessageBoxRecord{"確認", "続けますか？\r\n二行目", {"Yes", "No"}, "question"}));
  Window open_box = uidrv::FindTopLevelWindow("#32770", app_.Pid());
  EXPECT_TRUE(open_box.IsMessageBox());
  EXPECT_EQ(uidrv::ReadMessageBox(open_box), box);
  // Listings show the box with its text, in the program's code page.
  EXPECT_NE(uidrv::DescribeWindows(app_.Pid()).find(
                "#32770 \"確認\" pid " + std::to_string(app_.Pid()) +
                ": message \"続けますか？\\r\\n二行目\""),
            std::string::npos)
      << uidrv::ToUtf8(uidrv::DescribeWindows(app_.Pid()));
  // The form lies under the modal box: a user could not click it now.
  EXPECT_THROW(Control(testapp::kEnableCheck).Click(), std::runtime_error);
  const MessageBoxRecord answered = session_->Answer("No");
  EXPECT_EQ(answered, box);
  EXPECT_EQ(Control(testapp::kAnswerLabel).Text(), "answer 7");
  // Waited for, then answered: in the transcript once.
  ASSERT_EQ(session_->Transcript().size(), 1u);
  EXPECT_EQ(session_->Transcript()[0], box);
  EXPECT_FALSE(Control(testapp::kEnableCheck).Checked());
  Control(testapp::kEnableCheck).Click();  // usable again
  EXPECT_TRUE(Control(testapp::kEnableCheck).Checked());
}

TEST_F(DriverForm, EnterGoesToTheFocusedControlAndChoosesTheDefaultButton) {
  Control(testapp::kEdit).Type("x");
  form_.PressKey(VK_RETURN);
  EXPECT_EQ(Control(testapp::kDefaultCount).Text(), "default 1");
}

TEST_F(DriverForm, WaitsForWindowsToComeAndGo) {
  Control(testapp::kOpenLaterButton).Click();
  Window late = session_->WaitForWindow(testapp::kLateFormClass);
  EXPECT_EQ(late.Text(), testapp::kLateFormCaption);
  EXPECT_EQ(session_->TopLevelWindows().size(), 2u);
  Control(testapp::kCloseLaterButton).Click();
  session_->WaitForWindowGone(testapp::kLateFormClass);
  EXPECT_FALSE(late);
}

TEST_F(DriverForm, HiddenWindowsAreFoundOnlyWhenAskedFor) {
  Control(testapp::kOpenLaterButton).Click();
  Window late = session_->WaitForWindow(testapp::kLateFormClass);
  ::ShowWindow(late.Handle(), SW_HIDE);  // hidden from outside, still there
  EXPECT_EQ(session_->WaitForAnyWindow(testapp::kLateFormClass).Handle(), late.Handle());
  EXPECT_THROW(session_->WaitForWindow(testapp::kLateFormClass, 200ms), TimeoutError);
  session_->WaitForWindowGone(testapp::kLateFormClass, 0ms);
  EXPECT_THROW(session_->WaitForAnyWindow("TNoSuchForm", 200ms), TimeoutError);
}

TEST_F(DriverForm, SendReturnsTheProgramsAnswer) {
  EXPECT_EQ(form_.Send(testapp::kDoubleMessage, 21, 0), 42);
}

TEST_F(DriverForm, TimeOutsFailFastWithTranscriptAndWindows) {
  Control(testapp::kAskButton).Click();
  session_->Answer("Yes");
  std::string text;
  const Millis took = Timed([&] {
    text = TimeoutText([&] { session_->WaitForWindow("TNoSuchForm", 300ms); });
  });
  EXPECT_LT(took, 2000ms);
  EXPECT_NE(text.find("TNoSuchForm"), std::string::npos) << text;
  // The transcript so far, and the windows shown, in UTF-8.
  EXPECT_NE(text.find(Utf8(u8"[確認] \"続けますか？\\r\\n二行目\" {Yes No} icon=question")),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(std::string("TDriverTestForm \"") + Utf8(u8"ドライバ試験")), std::string::npos)
      << text;

  EXPECT_LT(Timed([&] {
              EXPECT_FALSE(TimeoutText([&] { session_->WaitForMessageBox(300ms); }).empty());
            }),
            2000ms);
  EXPECT_LT(Timed([&] {
              EXPECT_FALSE(
                  TimeoutText([&] { session_->WaitForWindowByCaption("ない", 300ms); }).empty());
            }),
            2000ms);
  EXPECT_LT(Timed([&] {
              EXPECT_FALSE(TimeoutText([&] {
                             session_->WaitForWindowGone(testapp::kFormClass, 300ms);
                           }).empty());
            }),
            2000ms);
  EXPECT_LT(Timed([&] {
              EXPECT_FALSE(TimeoutText([&] { session_->RequireExit(300ms); }).empty());
            }),
            2000ms);
  EXPECT_FALSE(session_->WaitForExit(100ms));
}

TEST_F(DriverForm, AProgramThatTakesNoInputMakesActionsTimeOut) {
  // The first click is taken, then the program sleeps without reading its queue.
  std::string text;
  const Millis took = Timed([&] {
    text = TimeoutText([&] { Control(testapp::kFreezeButton).Click(500ms); });
  });
  EXPECT_LT(took, 2000ms);
  EXPECT_NE(text.find("did not take the input"), std::string::npos) << text;
  EXPECT_NE(text.find("Transcript"), std::string::npos) << text;
}

TEST_F(DriverForm, AProgramThatDoesNotAnswerMakesSendTimeOut) {
  const Millis took = Timed([&] {
    EXPECT_FALSE(
        TimeoutText([&] { form_.Send(testapp::kStallMessage, 0, 0, 300ms); }).empty());
  });
  EXPECT_LT(took, 2000ms);
}

// ---------------------------------------------------------------- message boxes

TEST(DriverMessageBoxes, EveryIconAndButtonSetIsRecordedInOrder) {
  const std::string args =
      "--box 0x10 \"一行目\\n二行目\" \"エラー\" "
      "--box 0x31 \"警告です\" \"注意\" "
      "--box 0x44 \"お知らせ\" \"情報\" "
      "--box 0x23 \"質問\" \"質問\" "
      "--box 0x05 \"再試行\" \"アイコンなし\" "
      "--box 0x12 \"中止\" \"停止\"";
  Process app = Process::Start(TestApp(), args);
  Session session(app);
  session.Answer("OK");
  session.Answer("Cancel");
  session.Answer("Yes");
  session.Answer("No");
  session.Answer("Retry");
  session.Answer("Ignore");
  session.RequireExit();
  EXPECT_EQ(app.ExitCode(), static_cast<DWORD>(IDIGNORE));
  const std::vector<MessageBoxRecord> expected = {
      {"エラー", "一行目\r\n二行目", {"OK"}, "error"},
      {"注意", "警告です", {"OK", "Cancel"}, "warning"},
      {"情報", "お知らせ", {"Yes", "No"}, "information"},
      {"質問", "質問", {"Yes", "No", "Cancel"}, "question"},
      {"アイコンなし", "再試行", {"Retry", "Cancel"}, "none"},
      {"停止", "中止", {"Abort", "Retry", "Ignore"}, "error"},
  };
  EXPECT_EQ(session.Transcript(), expected);
}

TEST(DriverMessageBoxes, TheButtonClickedIsTheAnswerTheProgramGets) {
  for (const auto& [button, id] :
       std::vector<std::pair<std::string, int>>{{"Abort", IDABORT}, {"Retry", IDRETRY}}) {
    Process app = Process::Start(TestApp(), "--box 0x02 \"text\" \"caption\"");
    Session session(app);
    session.Answer(button);
    session.RequireExit();
    EXPECT_EQ(app.ExitCode(), static_cast<DWORD>(id)) << button;
  }
}

TEST(DriverMessageBoxes, AButtonTheBoxLacksIsRefusedAndTheBoxStays) {
  Process app = Process::Start(TestApp(), "--box 0x04 \"text\" \"caption\"");
  Session session(app);
  try {
    session.Answer("OK");
    FAIL() << "answered with a button the box lacks";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Yes No"), std::string::npos) << e.what();
  }
  // Still open, and recorded once.
  EXPECT_EQ(session.Answer("Yes").buttons, (std::vector<std::string>{"Yes", "No"}));
  EXPECT_EQ(session.Transcript().size(), 1u);
  session.RequireExit();
}

TEST(DriverMessageBoxes, WaitsForABoxThatComesLater) {
  Process app = Process::Start(TestApp(), "--delay 700 --box 0x40 \"later\" \"later\"");
  Session session(app);
  EXPECT_EQ(session.Answer("OK").text, "later");
  session.RequireExit();
}

TEST(DriverMessageBoxes, AProgramThatEndsStopsTheWaitAtOnce) {
  Process app = Process::Start(TestApp(), "--box 0x00 \"only\" \"only\"");
  Session session(app);
  session.Answer("OK");
  std::string text;
  const Millis took = Timed([&] {
    text = TimeoutText([&] { session.WaitForWindow("TNeverShown", 10000ms); });
  });
  EXPECT_LT(took, 3000ms);
  EXPECT_NE(text.find("ended with exit code 1"), std::string::npos) << text;
  EXPECT_NE(text.find(Utf8(u8"[only] \"only\" {OK} icon=none")), std::string::npos) << text;
}

TEST(DriverMessageBoxes, RecordsPrintReadably) {
  const MessageBoxRecord record{"警告", "一行\r\n二行", {"OK"}, "error"};
  EXPECT_EQ(record.ToString(), Utf8(u8"[警告] \"一行\\r\\n二行\" {OK} icon=error"));
  EXPECT_EQ(::testing::PrintToString(record), record.ToString());
}

// ---------------------------------------------------------------- processes

TEST(DriverProcess, StartKillAndExitCode) {
  EXPECT_THROW(Process::Start(testenv::TestBinary("no_such_program.exe")), std::runtime_error);
  Process app = Process::Start(TestApp());
  Session session(app);
  session.WaitForWindow(testapp::kFormClass);
  EXPECT_TRUE(app.Running());
  EXPECT_FALSE(app.WaitForExit(50ms));
  app.Kill();
  EXPECT_FALSE(app.Running());
  EXPECT_EQ(app.ExitCode(), 255u);
}

TEST(DriverProcess, AMovedProcessIsKilledByItsNewOwner) {
  DWORD pid = 0;
  {
    Process first = Process::Start(TestApp());
    pid = first.Pid();
    Process second = std::move(first);
    EXPECT_EQ(second.Pid(), pid);
    EXPECT_FALSE(first.Running());
    EXPECT_TRUE(second.Running());
  }
  kestra::KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  EXPECT_TRUE(!process || ::WaitForSingleObject(process.get(), 5000) == WAIT_OBJECT_0);
}

TEST(DriverProcess, ClicksReachAProgramThatIsNotInTheForeground) {
  Process first = Process::Start(TestApp());
  Session first_session(first);
  Window first_form = first_session.WaitForWindow(testapp::kFormClass);
  Process second = Process::Start(TestApp());
  Session second_session(second);
  second_session.WaitForWindow(testapp::kFormClass);
  ASSERT_NE(::GetForegroundWindow(), first_form.Handle());
  first_form.ChildById(testapp::kEnableCheck).SetChecked(true);
  EXPECT_TRUE(first_form.ChildById(testapp::kGatedButton).Enabled());
  first_form.ChildById(testapp::kEdit).Type("前景外");
  EXPECT_EQ(first_form.ChildById(testapp::kEdit).Text(), "前景外");
}

}  // namespace
