#include "BoxAnswerer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace enginetest {

void ExpectBox(const SeenBox& seen, const expected::Box& box) {
  EXPECT_EQ(seen.caption, box.caption);
  EXPECT_EQ(seen.text, box.text);
  EXPECT_EQ(seen.icon, box.icon);
  EXPECT_EQ(seen.buttons.size(), box.buttons.size());
}

namespace {

std::string WindowText(HWND window) {
  char buffer[2048];
  int got = ::GetWindowTextA(window, buffer, sizeof buffer);
  return std::string(buffer, static_cast<std::size_t>(std::max(got, 0)));
}

std::string ClassOf(HWND window) {
  char buffer[64];
  int got = ::GetClassNameA(window, buffer, sizeof buffer);
  return std::string(buffer, static_cast<std::size_t>(std::max(got, 0)));
}

BOOL CALLBACK FindIcon(HWND child, LPARAM param) {
  if ((::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return TRUE;
  *reinterpret_cast<HICON*>(param) =
      reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0));
  return FALSE;
}

// The standard icon a box shows, named by the system icon it carries.
std::string IconOf(HWND box) {
  HICON icon = nullptr;
  ::EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&icon));
  if (!icon) return "none";
  if (icon == ::LoadIconA(nullptr, MAKEINTRESOURCEA(32513))) return "error";
  if (icon == ::LoadIconA(nullptr, MAKEINTRESOURCEA(32515))) return "warning";
  if (icon == ::LoadIconA(nullptr, MAKEINTRESOURCEA(32516))) return "information";
  if (icon == ::LoadIconA(nullptr, MAKEINTRESOURCEA(32514))) return "question";
  return "unknown";
}

BOOL CALLBACK CollectButton(HWND child, LPARAM param) {
  if (ClassOf(child) == "Button" && ::IsWindowVisible(child))
    reinterpret_cast<std::vector<std::string>*>(param)->push_back(WindowText(child));
  return TRUE;
}

std::vector<std::string> ButtonsOf(HWND box) {
  std::vector<std::string> buttons;
  ::EnumChildWindows(box, CollectButton, reinterpret_cast<LPARAM>(&buttons));
  return buttons;
}

BOOL CALLBACK FindDefaultButton(HWND child, LPARAM param) {
  if (ClassOf(child) != "Button" ||
      (::GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) != BS_DEFPUSHBUTTON)
    return TRUE;
  *reinterpret_cast<int*>(param) = ::GetDlgCtrlID(child);
  return FALSE;
}

// The button drawn as the default one (what Enter presses).
int DefaultButtonOf(HWND box) {
  int id = 0;
  ::EnumChildWindows(box, FindDefaultButton, reinterpret_cast<LPARAM>(&id));
  return id;
}

BOOL CALLBACK CollectBox(HWND window, LPARAM param) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(window) && ClassOf(window) == "#32770")
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

}  // namespace

BoxAnswerer::BoxAnswerer(int answer) : answer_(answer), thread_([this] { Watch(); }) {}

BoxAnswerer::~BoxAnswerer() {
  stop_ = true;
  thread_.join();
}

std::vector<SeenBox> BoxAnswerer::Seen() const {
  std::lock_guard lock(mutex_);
  return seen_;
}

void BoxAnswerer::Watch() {
  while (!stop_) {
    std::vector<HWND> boxes;
    ::EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&boxes));
    for (HWND box : boxes) Answer(box);
    // Forget boxes that are gone: their handles may come back for new boxes.
    std::erase_if(answered_, [](HWND box) { return !::IsWindow(box); });
    ::Sleep(10);
  }
}

void BoxAnswerer::Answer(HWND box) {
  if (std::find(answered_.begin(), answered_.end(), box) != answered_.end()) return;
  SeenBox seen;
  seen.caption = WindowText(box);
  seen.text = WindowText(::GetDlgItem(box, 0xFFFF));
  seen.buttons = ButtonsOf(box);
  seen.icon = IconOf(box);
  seen.default_button = DefaultButtonOf(box);
  {
    std::lock_guard lock(mutex_);
    seen_.push_back(seen);
  }
  answered_.push_back(box);
  ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED), 0);
}

}  // namespace enginetest
