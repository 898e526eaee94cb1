// uidrv: the UI driver on the command line, for scripts. Every sub-command is
// stateless and acts on the first visible top-level window of a class in any
// process. Texts are printed as the windows hold them (code page 932, which is
// also the console's). Exit code 0 on success, 1 on failure or time-out, 2 on
// a usage error.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "UiDriver.h"

namespace {

using uidrv::Millis;
using uidrv::Window;

constexpr char kUsage[] =
    "usage: uidrv COMMAND ...\n"
    "  wait CLASS [seconds]              a visible window of CLASS appears\n"
    "  gone CLASS [seconds]              no visible window of CLASS is left\n"
    "  click CLASS \"button text\"         clicks a button of that window\n"
    "  check CLASS \"check box text\" on|off\n"
    "  type CLASS CONTROL-ID \"text\"      replaces an edit's text by typing\n"
    "  answer BUTTON [seconds]           answers the next message box (OK, Yes, No,\n"
    "                                    Cancel, Abort, Retry, Ignore), prints it\n"
    "  dump                              every visible window and its controls\n";

constexpr double kDefaultSeconds = 15.0;

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

Millis Seconds(const std::vector<std::string>& args, std::size_t index) {
  if (index >= args.size()) return Millis(static_cast<long long>(kDefaultSeconds * 1000));
  char* end = nullptr;
  const double seconds = std::strtod(args[index].c_str(), &end);
  if (end == args[index].c_str() || *end != '\0' || seconds < 0)
    throw UsageError("not a number of seconds: " + args[index]);
  return Millis(static_cast<long long>(seconds * 1000));
}

void RequireArguments(const std::vector<std::string>& args, std::size_t count) {
  if (args.size() < count) throw UsageError("missing arguments");
}

Window Poll(Millis timeout, const auto& find) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (Window found = find()) return found;
    if (std::chrono::steady_clock::now() >= end) return Window();
    ::Sleep(20);
  }
}

Window WaitForClass(const std::string& class_name, Millis timeout) {
  Window found = Poll(timeout, [&] { return uidrv::FindTopLevelWindow(class_name); });
  if (!found)
    throw uidrv::TimeoutError("no window of class " + class_name + " within " +
                              std::to_string(timeout.count()) + " ms");
  return found;
}

Window WaitForMessageBox(Millis timeout) {
  Window box = Poll(timeout, [] {
    for (const Window& window : uidrv::VisibleTopLevelWindows())
      if (window.IsMessageBox()) return window;
    return Window();
  });
  if (!box)
    throw uidrv::TimeoutError("no message box within " + std::to_string(timeout.count()) + " ms");
  return box;
}

int Wait(const std::vector<std::string>& args) {
  RequireArguments(args, 2);
  Window window = WaitForClass(args[1], Seconds(args, 2));
  std::printf("%s \"%s\" pid %lu\n", window.ClassName().c_str(), window.Text().c_str(),
              static_cast<unsigned long>(window.ProcessId()));
  return 0;
}

int Gone(const std::vector<std::string>& args) {
  RequireArguments(args, 2);
  const Millis timeout = Seconds(args, 2);
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (uidrv::FindTopLevelWindow(args[1])) {
    if (std::chrono::steady_clock::now() >= end)
      throw uidrv::TimeoutError("a window of class " + args[1] + " is still there after " +
                                std::to_string(timeout.count()) + " ms");
    ::Sleep(20);
  }
  return 0;
}

int Click(const std::vector<std::string>& args) {
  RequireArguments(args, 3);
  WaitForClass(args[1], Millis(0)).ChildByText(args[2], "Button").Click();
  return 0;
}

int Check(const std::vector<std::string>& args) {
  RequireArguments(args, 4);
  if (args[3] != "on" && args[3] != "off") throw UsageError("on or off, not " + args[3]);
  WaitForClass(args[1], Millis(0)).ChildByText(args[2], "Button").SetChecked(args[3] == "on");
  return 0;
}

int Type(const std::vector<std::string>& args) {
  RequireArguments(args, 4);
  char* end = nullptr;
  const long id = std::strtol(args[2].c_str(), &end, 0);
  if (end == args[2].c_str() || *end != '\0') throw UsageError("not a control id: " + args[2]);
  WaitForClass(args[1], Millis(0)).ChildById(static_cast<int>(id)).Type(args[3]);
  return 0;
}

int Answer(const std::vector<std::string>& args) {
  RequireArguments(args, 2);
  const Millis timeout = Seconds(args, 2);
  Window box = WaitForMessageBox(timeout);
  const uidrv::MessageBoxRecord record = uidrv::ReadMessageBox(box);
  std::string buttons;
  for (const std::string& button : record.buttons) buttons += (buttons.empty() ? "" : " ") + button;
  std::printf("caption: %s\ntext: %s\nbuttons: %s\nicon: %s\n", record.caption.c_str(),
              record.text.c_str(), buttons.c_str(), record.icon.c_str());
  std::fflush(stdout);
  uidrv::ClickMessageBoxButton(box, args[1], timeout);
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (box && box.Visible()) {
    if (std::chrono::steady_clock::now() >= end)
      throw uidrv::TimeoutError("the message box is still open after clicking " + args[1]);
    ::Sleep(20);
  }
  return 0;
}

int Dump() {
  std::fputs(uidrv::DescribeWindows(0, true).c_str(), stdout);
  return 0;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError("no command");
  const std::string& command = args[0];
  if (command == "wait") return Wait(args);
  if (command == "gone") return Gone(args);
  if (command == "click") return Click(args);
  if (command == "check") return Check(args);
  if (command == "type") return Type(args);
  if (command == "answer") return Answer(args);
  if (command == "dump") return Dump();
  throw UsageError("unknown command " + command);
}

}  // namespace

int main(int argc, char** argv) {
  // Texts go out exactly as the windows hold them ("\r\n" stays "\r\n").
  _setmode(_fileno(stdout), _O_BINARY);
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& e) {
    std::fprintf(stderr, "uidrv: %s\n%s", e.what(), kUsage);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "uidrv: %s\n", e.what());
    return 1;
  }
}
