#include "UiDriver.h"

#include <commctrl.h>

#include <algorithm>
#include <thread>
#include <utility>

#include "HookClient.h"
#include "Report.h"
#include "UiHookProtocol.h"
#include "system/Mbcs.h"

namespace uidrv {

namespace {

// How long reading a window (text, state) may take before the program counts
// as hung; reads never wait for the user.
constexpr Millis kReadTimeout{5000};
constexpr Millis kPollInterval{20};

using Clock = std::chrono::steady_clock;

class Deadline {
 public:
  explicit Deadline(Millis timeout) : end_(Clock::now() + timeout) {}
  bool Passed() const { return Clock::now() >= end_; }

 private:
  Clock::time_point end_;
};

void Pause() { std::this_thread::sleep_for(kPollInterval); }

std::string InMs(Millis timeout) { return std::to_string(timeout.count()) + " ms"; }

bool SameClass(const std::string& a, const std::string& b) {
  return ::lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// The sessions alive in this driver: a failure of a window's action reports
// the transcript of the session that drives the window's process.
std::vector<const Session*>& LiveSessions() {
  static std::vector<const Session*> sessions;
  return sessions;
}

std::string Transcript(DWORD pid) {
  for (const Session* session : LiveSessions())
    if (session->Program().Pid() == pid) return session->TranscriptText();
  return "  (no session drives this program)\n";
}

std::string FailureText(const std::string& what, DWORD pid) {
  return what + "\nTranscript of message boxes:\n" + Transcript(pid) +
         "Visible windows of the program:\n" + ToUtf8(DescribeWindows(pid));
}

std::string Describe(const Window& window) { return detail::DescribeForReport(window.Handle()); }

// Asks the hook library inside the program; a program that does not answer
// fails with the transcript and its windows, as every time-out does.
LPARAM AskProgram(HWND hwnd, WPARAM query, LPARAM argument = 0) {
  try {
    return detail::AskProgram(hwnd, query, kReadTimeout, argument);
  } catch (const TimeoutError& e) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    throw TimeoutError(FailureText(e.what(), pid));
  }
}

LRESULT SendWithin(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, Millis timeout) {
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutA(hwnd, msg, wparam, lparam, SMTO_NORMAL,
                             static_cast<UINT>(timeout.count()), &result)) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    throw TimeoutError(FailureText(
        "message " + std::to_string(msg) + " got no answer within " + InMs(timeout), pid));
  }
  return static_cast<LRESULT>(result);
}

const std::pair<int, const char*> kMessageBoxButtons[] = {
    {IDOK, "OK"},       {IDCANCEL, "Cancel"},         {IDABORT, "Abort"},
    {IDRETRY, "Retry"}, {IDIGNORE, "Ignore"},         {IDYES, "Yes"},
    {IDNO, "No"},       {IDTRYAGAIN, "Try Again"},    {IDCONTINUE, "Continue"},
    {IDHELP, "Help"},
};

std::string ButtonName(int id) {
  for (const auto& [button_id, name] : kMessageBoxButtons)
    if (button_id == id) return name;
  return "#" + std::to_string(id);
}

const char* IconName(LPARAM code) {
  switch (code) {
    case hook::kIconNone: return "none";
    case hook::kIconError: return "error";
    case hook::kIconWarning: return "warning";
    case hook::kIconInformation: return "information";
    case hook::kIconQuestion: return "question";
    default: return "other";
  }
}

// The id Windows and Wine both give the text static of a message box.
constexpr int kMessageBoxTextId = 0xFFFF;

// Buttons of a message box as the user sees them, left to right.
std::vector<Window> MessageBoxButtons(const Window& box) {
  std::vector<Window> buttons;
  for (const Window& child : box.Children())
    if (SameClass(child.ClassName(), "Button") && child.Visible()) buttons.push_back(child);
  std::stable_sort(buttons.begin(), buttons.end(), [](const Window& a, const Window& b) {
    RECT ra{}, rb{};
    ::GetWindowRect(a.Handle(), &ra);
    ::GetWindowRect(b.Handle(), &rb);
    return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
  });
  return buttons;
}

LONG_PTR Style(HWND hwnd) { return ::GetWindowLongPtrA(hwnd, GWL_STYLE); }

bool IsCheckable(HWND hwnd) {
  switch (Style(hwnd) & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return true;
    default:
      return false;
  }
}

bool IsRadio(HWND hwnd) {
  const LONG_PTR type = Style(hwnd) & BS_TYPEMASK;
  return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

std::wstring Wide(const std::string& cp932) {
  const int length =
      ::MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), wide.data(), length);
  return wide;
}

}  // namespace

// ---------------------------------------------------------------- Window

std::string Window::ClassName() const {
  char buffer[256] = {};
  int length = ::GetClassNameA(hwnd_, buffer, sizeof buffer);
  return std::string(buffer, static_cast<std::size_t>(std::max(length, 0)));
}

std::string Window::Text() const {
  // WM_GETTEXT, not GetWindowText: an edit control keeps its own text.
  const auto length = static_cast<std::size_t>(SendWithin(hwnd_, WM_GETTEXTLENGTH, 0, 0, kReadTimeout));
  std::string text(length * 2 + 2, '\0');
  const auto got = static_cast<std::size_t>(SendWithin(
      hwnd_, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), kReadTimeout));
  text.resize(std::min(got, text.size()));
  return text;
}

int Window::Id() const { return ::GetDlgCtrlID(hwnd_); }

DWORD Window::ProcessId() const {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd_, &pid);
  return pid;
}

DWORD Window::ThreadId() const { return ::GetWindowThreadProcessId(hwnd_, nullptr); }

bool Window::Enabled() const { return ::IsWindowEnabled(hwnd_) != FALSE; }
bool Window::Visible() const { return ::IsWindowVisible(hwnd_) != FALSE; }

bool Window::Checked() const {
  return SendWithin(hwnd_, BM_GETCHECK, 0, 0, kReadTimeout) == BST_CHECKED;
}

bool Window::Focused() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return ::GetGUIThreadInfo(ThreadId(), &info) && info.hwndFocus == hwnd_;
}

COLORREF Window::TextColor() const {
  return static_cast<COLORREF>(AskProgram(hwnd_, hook::kQueryTextColor));
}

bool Window::IsMessageBox() const {
  return SameClass(ClassName(), "#32770") && ::GetDlgItem(hwnd_, kMessageBoxTextId) != nullptr;
}

std::vector<Window> Window::Children() const {
  std::vector<Window> children;
  for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    children.emplace_back(child);
    for (const Window& grandchild : Window(child).Children()) children.push_back(grandchild);
  }
  return children;
}

Window Window::ChildById(int id) const {
  for (const Window& child : Children())
    if (child.Id() == id) return child;
  throw std::runtime_error("no control with id " + std::to_string(id) + " in " + Describe(*this));
}

Window Window::ChildByText(const std::string& text, const std::string& class_name) const {
  for (const Window& child : Children())
    if ((class_name.empty() || SameClass(child.ClassName(), class_name)) && child.Text() == text)
      return child;
  throw std::runtime_error("no control \"" + ToUtf8(text) + "\"" +
                           (class_name.empty() ? "" : " of class " + class_name) + " in " +
                           Describe(*this));
}

Window Window::ChildByClass(const std::string& class_name, int index) const {
  int seen = 0;
  for (const Window& child : Children())
    if (SameClass(child.ClassName(), class_name) && seen++ == index) return child;
  throw std::runtime_error("no control " + class_name + " #" + std::to_string(index) + " in " +
                           Describe(*this));
}

namespace {

// What a user could not do: act on a window that is gone, hidden, or disabled
// (itself, or a window it lies in, e.g. a form under a modal dialog).
void RequireUsable(const Window& window, const std::string& action) {
  if (!window) throw std::runtime_error("cannot " + action + ": the window is gone");
  if (!window.Visible())
    throw std::runtime_error("cannot " + action + " " + Describe(window) + ": it is hidden");
  const HWND desktop = ::GetDesktopWindow();
  for (HWND h = window.Handle(); h && h != desktop; h = ::GetAncestor(h, GA_PARENT)) {
    if (!::IsWindowEnabled(h)) {
      throw std::runtime_error("cannot " + action + " " + Describe(window) + ": " +
                               (h == window.Handle() ? std::string("it is disabled")
                                                     : "its window " + Describe(Window(h)) +
                                                           " is disabled"));
    }
  }
}

void RequireClass(const Window& window, const char* class_name, const std::string& action) {
  if (!SameClass(window.ClassName(), class_name))
    throw std::runtime_error("cannot " + action + " " + Describe(window) + ": not a " +
                             class_name);
}

// Posts input and waits until the program has taken it from its queue.
void Deliver(const Window& window, const std::string& action,
             const std::function<bool()>& post, Millis timeout) {
  const DWORD pid = window.ProcessId();
  if (detail::PostAndAwait(window.Handle(), post, timeout) == detail::Delivery::TimedOut) {
    throw TimeoutError(FailureText("the program did not take the input (" + action + ") within " +
                                       InMs(timeout),
                                   pid));
  }
}

}  // namespace

void Window::Click(Millis timeout) const {
  RequireUsable(*this, "click");
  RequireClass(*this, "Button", "click");
  const HWND button = hwnd_;
  // Posted, never sent: a click that opens a modal dialog must not hold the driver.
  Deliver(*this, "click on " + Describe(*this),
          [button] { return ::PostMessageA(button, BM_CLICK, 0, 0) != FALSE; }, timeout);
}

void Window::SetChecked(bool checked, Millis timeout) const {
  RequireUsable(*this, checked ? "tick" : "clear");
  RequireClass(*this, "Button", "tick");
  if (!IsCheckable(hwnd_))
    throw std::runtime_error("cannot tick " + Describe(*this) + ": not a check box");
  if (!checked && IsRadio(hwnd_))
    throw std::runtime_error("cannot clear " + Describe(*this) +
                             ": a radio button is cleared by choosing another");
  if (Checked() == checked) return;
  Click(timeout);
  for (Deadline deadline(timeout); Checked() != checked; Pause()) {
    if (deadline.Passed())
      throw TimeoutError(FailureText(Describe(*this) + " did not become " +
                                         (checked ? "ticked" : "clear") + " within " +
                                         InMs(timeout),
                                     ProcessId()));
  }
}

void Window::Type(const std::string& text, Millis timeout) const {
  RequireUsable(*this, "type into");
  RequireClass(*this, "Edit", "type into");
  if (Style(hwnd_) & ES_READONLY)
    throw std::runtime_error("cannot type into " + Describe(*this) + ": it is read-only");
  const HWND edit = hwnd_;
  const std::wstring characters = Wide(text);
  Deliver(
      *this, "typing into " + Describe(*this),
      [edit, characters] {
        // A click into the field gives it the focus; then all is selected and
        // overtyped. Nothing typed means the selection is deleted.
        bool posted = ::PostMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1)) &&
                      ::PostMessageA(edit, WM_LBUTTONUP, 0, MAKELPARAM(1, 1)) &&
                      ::PostMessageA(edit, EM_SETSEL, 0, -1);
        if (characters.empty()) return posted && detail::PostCharacter(edit, L'\b');
        for (std::size_t i = 0; posted && i < characters.size(); ++i) {
          // "\r\n" is one key press (Enter).
          if (characters[i] == L'\n' && i > 0 && characters[i - 1] == L'\r') continue;
          posted = detail::PostCharacter(edit, characters[i]);
        }
        return posted;
      },
      timeout);
}

void Window::PressKey(WORD virtual_key, Millis timeout) const {
  if (!*this) throw std::runtime_error("cannot press a key: the window is gone");
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  HWND target = ::GetGUIThreadInfo(ThreadId(), &info) && info.hwndFocus ? info.hwndFocus : hwnd_;
  const UINT scan = ::MapVirtualKeyA(virtual_key, MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | static_cast<LPARAM>(scan) << 16;
  const LPARAM up = down | static_cast<LPARAM>(0xC0000000u);
  Deliver(*this, "key " + std::to_string(virtual_key) + " to " + Describe(Window(target)),
          [target, virtual_key, down, up] {
            return ::PostMessageA(target, WM_KEYDOWN, virtual_key, down) &&
                   ::PostMessageA(target, WM_KEYUP, virtual_key, up);
          },
          timeout);
}

// ---------------------------------------------------------------- lists

namespace {

// Memory inside the driven program: list view messages carry pointers that
// the system does not carry across processes, so their records and text
// buffers must live in the program itself.
class RemoteMemory {
 public:
  RemoteMemory(DWORD pid, std::size_t size)
      : process_(
            ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid)),
        size_(size) {
    if (process_)
      address_ =
          ::VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!address_)
      throw std::runtime_error("cannot reach the memory of process " + std::to_string(pid) +
                               " (error " + std::to_string(::GetLastError()) + ")");
  }
  ~RemoteMemory() { ::VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE); }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  char* At(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
  LPARAM Param(std::size_t offset = 0) const { return reinterpret_cast<LPARAM>(At(offset)); }
  void Write(std::size_t offset, const void* data, std::size_t size) const {
    if (offset + size > size_ ||
        !::WriteProcessMemory(process_.get(), At(offset), data, size, nullptr))
      throw std::runtime_error("cannot write into the driven program");
  }
  void Read(std::size_t offset, void* data, std::size_t size) const {
    if (offset + size > size_ ||
        !::ReadProcessMemory(process_.get(), At(offset), data, size, nullptr))
      throw std::runtime_error("cannot read from the driven program");
  }

 private:
  kestra::KernelHandle process_;
  void* address_ = nullptr;
  std::size_t size_;
};

constexpr std::size_t kRecordSize = 256;  // room for any of the records below
constexpr std::size_t kTextSize = 2048;

bool RowChecked(HWND list, int row) {
  const auto state = static_cast<UINT>(SendWithin(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row),
                                                  LVIS_STATEIMAGEMASK, kReadTimeout));
  return (state >> 12) == 2;
}

std::string ListText(const RemoteMemory& memory, HWND list, int row, int column) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = memory.At(kRecordSize);
  item.cchTextMax = static_cast<int>(kTextSize);
  memory.Write(0, &item, sizeof item);
  const auto length = static_cast<std::size_t>(
      SendWithin(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), memory.Param(), kReadTimeout));
  std::string text(std::min(length, kTextSize - 1), '\0');
  if (!text.empty()) memory.Read(kRecordSize, text.data(), text.size());
  return text;
}

// A point on the row's check box: found by asking the list view itself.
POINT CheckBoxPoint(const RemoteMemory& memory, HWND list, int row) {
  RECT bounds{LVIR_BOUNDS, 0, 0, 0};
  memory.Write(0, &bounds, sizeof bounds);
  if (!SendWithin(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), memory.Param(), kReadTimeout))
    throw std::runtime_error("list view row " + std::to_string(row) + " has no place on screen");
  memory.Read(0, &bounds, sizeof bounds);
  const int y = (bounds.top + bounds.bottom) / 2;
  for (int x = std::max<int>(bounds.left, 0); x < bounds.left + 48; ++x) {
    LVHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    memory.Write(0, &hit, sizeof hit);
    const auto found = SendWithin(list, LVM_HITTEST, 0, memory.Param(), kReadTimeout);
    memory.Read(0, &hit, sizeof hit);
    if (found == row && (hit.flags & LVHT_ONITEMSTATEICON)) return hit.pt;
  }
  throw std::runtime_error("list view row " + std::to_string(row) + " shows no check box");
}

bool IsComboBox(const Window& window) { return SameClass(window.ClassName(), "ComboBox"); }

void RequireItemList(const Window& window, const std::string& action) {
  if (!IsComboBox(window)) RequireClass(window, "ListBox", action);
}

}  // namespace

std::vector<ListRow> Window::ListRows() const {
  RequireClass(*this, WC_LISTVIEWA, "read the rows of");
  const HWND header = reinterpret_cast<HWND>(SendWithin(hwnd_, LVM_GETHEADER, 0, 0, kReadTimeout));
  const int columns =
      header ? static_cast<int>(SendWithin(header, HDM_GETITEMCOUNT, 0, 0, kReadTimeout)) : 1;
  const int count = static_cast<int>(SendWithin(hwnd_, LVM_GETITEMCOUNT, 0, 0, kReadTimeout));
  RemoteMemory memory(ProcessId(), kRecordSize + kTextSize);
  std::vector<ListRow> rows;
  for (int row = 0; row < count; ++row) {
    ListRow shown;
    for (int column = 0; column < std::max(columns, 1); ++column)
      shown.texts.push_back(ListText(memory, hwnd_, row, column));
    shown.checked = RowChecked(hwnd_, row);
    rows.push_back(std::move(shown));
  }
  return rows;
}

void Window::SetRowChecked(int row, bool checked, Millis timeout) const {
  RequireUsable(*this, checked ? "tick a row of" : "clear a row of");
  RequireClass(*this, WC_LISTVIEWA, "tick a row of");
  const int count = static_cast<int>(SendWithin(hwnd_, LVM_GETITEMCOUNT, 0, 0, kReadTimeout));
  if (row < 0 || row >= count)
    throw std::runtime_error("no row " + std::to_string(row) + " in " + Describe(*this));
  if (RowChecked(hwnd_, row) == checked) return;
  SendWithin(hwnd_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE, kReadTimeout);
  POINT point{};
  {
    RemoteMemory memory(ProcessId(), kRecordSize);
    point = CheckBoxPoint(memory, hwnd_, row);
  }
  const HWND list = hwnd_;
  const LPARAM at = MAKELPARAM(point.x, point.y);
  Deliver(
      *this, "click on the check box of row " + std::to_string(row) + " of " + Describe(*this),
      [list, at] {
        return ::PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at) &&
               ::PostMessageA(list, WM_LBUTTONUP, 0, at);
      },
      timeout);
  for (Deadline deadline(timeout); RowChecked(hwnd_, row) != checked; Pause()) {
    if (deadline.Passed())
      throw TimeoutError(FailureText("row " + std::to_string(row) + " of " + Describe(*this) +
                                         " did not become " + (checked ? "ticked" : "clear") +
                                         " within " + InMs(timeout),
                                     ProcessId()));
  }
}

std::vector<std::string> Window::Items() const {
  RequireItemList(*this, "read the items of");
  const bool combo = IsComboBox(*this);
  const int count =
      static_cast<int>(SendWithin(hwnd_, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0, kReadTimeout));
  std::vector<std::string> items;
  // The program copies each text into memory shared with the driver.
  const std::string name = hook::TextMappingName(ProcessId());
  kestra::KernelHandle mapping(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                                    0, hook::kTextMappingSize, name.c_str()));
  void* view = mapping ? ::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0) : nullptr;
  if (!view) throw std::runtime_error("cannot share memory with the driven program");
  struct Unmap {
    void* view;
    ~Unmap() { ::UnmapViewOfFile(view); }
  } unmap{view};
  for (int i = 0; i < count; ++i) {
    const auto length = static_cast<std::size_t>(AskProgram(hwnd_, hook::kQueryItemText, i));
    items.emplace_back(static_cast<const char*>(view), std::min(length, hook::kTextMappingSize));
  }
  return items;
}

std::string Window::SelectedItem() const {
  RequireItemList(*this, "read the current item of");
  const auto current =
      SendWithin(hwnd_, IsComboBox(*this) ? CB_GETCURSEL : LB_GETCURSEL, 0, 0, kReadTimeout);
  const std::vector<std::string> items = Items();
  if (current < 0 || static_cast<std::size_t>(current) >= items.size()) return std::string();
  return items[static_cast<std::size_t>(current)];
}

namespace {

void ChooseIn(const Window& window, const std::string& text, bool open, Millis timeout) {
  const std::string action = open ? "open an item of" : "choose an item of";
  RequireUsable(window, action);
  RequireItemList(window, action);
  const std::vector<std::string> items = window.Items();
  std::size_t index = items.size();
  for (std::size_t i = 0; i < items.size() && index == items.size(); ++i)
    if (items[i] == text || items[i].rfind(text + " ", 0) == 0) index = i;
  if (index == items.size())
    throw std::runtime_error("no item \"" + ToUtf8(text) + "\" in " + Describe(window));
  const HWND control = window.Handle();
  const UINT choose = ::RegisterWindowMessageA(hook::kChooseMessage);
  Deliver(
      window, action + " " + Describe(window),
      [control, choose, index, open] {
        return ::PostMessageA(control, choose, index, open ? 1 : 0) != FALSE;
      },
      timeout);
}

}  // namespace

void Window::ChooseItem(const std::string& text, Millis timeout) const {
  ChooseIn(*this, text, false, timeout);
}

void Window::OpenItem(const std::string& text, Millis timeout) const {
  if (IsComboBox(*this)) throw std::runtime_error("cannot open an item of a combo box");
  ChooseIn(*this, text, true, timeout);
}

LRESULT Window::Send(UINT msg, WPARAM wparam, LPARAM lparam, Millis timeout) const {
  return SendWithin(hwnd_, msg, wparam, lparam, timeout);
}

// ---------------------------------------------------------------- Process

Process Process::Start(const std::string& exe, const std::string& args, const std::string& cwd) {
  std::string command = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
  const std::string folder = cwd.empty() ? kestra::ExtractFilePath(exe) : cwd;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    throw std::runtime_error("cannot start " + ToUtf8(command) + " (error " +
                             std::to_string(::GetLastError()) + ")");
  }
  kestra::KernelHandle thread(info.hThread);
  Process process;
  process.process_.reset(info.hProcess);
  process.pid_ = info.dwProcessId;
  return process;
}

Process::Process(Process&& other) noexcept
    : process_(std::move(other.process_)), pid_(std::exchange(other.pid_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    if (Running()) Kill();
    process_ = std::move(other.process_);
    pid_ = std::exchange(other.pid_, 0);
  }
  return *this;
}

Process::~Process() {
  if (Running()) Kill();
}

bool Process::Running() const {
  return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool Process::WaitForExit(Millis timeout) const {
  return !process_ ||
         ::WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) ==
             WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) ::GetExitCodeProcess(process_.get(), &code);
  return code;
}

void Process::Kill() {
  if (!process_) return;
  ::TerminateProcess(process_.get(), 255);
  ::WaitForSingleObject(process_.get(), 10000);
}

// ---------------------------------------------------------------- finding windows

namespace {

struct EnumState {
  DWORD pid;
  bool visible_only;
  std::vector<Window> windows;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM param) {
  auto* state = reinterpret_cast<EnumState*>(param);
  if (state->visible_only && !::IsWindowVisible(hwnd)) return TRUE;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (state->pid == 0 || state->pid == pid) state->windows.emplace_back(hwnd);
  return TRUE;
}

}  // namespace

std::vector<Window> VisibleTopLevelWindows(DWORD pid) {
  EnumState state{pid, true, {}};
  ::EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&state));
  return state.windows;
}

std::vector<Window> AllTopLevelWindows(DWORD pid) {
  EnumState state{pid, false, {}};
  ::EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&state));
  return state.windows;
}

Window FindTopLevelWindow(const std::string& class_name, DWORD pid) {
  for (const Window& window : VisibleTopLevelWindows(pid))
    if (SameClass(window.ClassName(), class_name)) return window;
  return Window();
}

// ---------------------------------------------------------------- message boxes

MessageBoxRecord ReadMessageBox(const Window& box) {
  if (!box.IsMessageBox()) throw std::runtime_error(Describe(box) + " is not a message box");
  MessageBoxRecord record;
  record.caption = box.Text();
  record.text = box.ChildById(kMessageBoxTextId).Text();
  for (const Window& button : MessageBoxButtons(box)) record.buttons.push_back(ButtonName(button.Id()));
  record.icon = IconName(AskProgram(box.Handle(), hook::kQueryIcon));
  return record;
}

void ClickMessageBoxButton(const Window& box, const std::string& button, Millis timeout) {
  std::string offered;
  for (const Window& candidate : MessageBoxButtons(box)) {
    const std::string name = ButtonName(candidate.Id());
    if (name == button) {
      candidate.Click(timeout);
      return;
    }
    offered += (offered.empty() ? "" : " ") + name;
  }
  throw std::runtime_error("the message box has no button " + button + " (it has " + offered +
                           ")");
}

// ---------------------------------------------------------------- Session

Session::Session(Process& process) : process_(process) { LiveSessions().push_back(this); }

Session::~Session() { std::erase(LiveSessions(), this); }

void Session::Fail(const std::string& what) const {
  std::string text = what;
  if (!process_.Running())
    text += " (the program ended with exit code " + std::to_string(process_.ExitCode()) + ")";
  throw TimeoutError(FailureText(text, process_.Pid()));
}

std::vector<Window> Session::TopLevelWindows() const {
  return VisibleTopLevelWindows(process_.Pid());
}

Window Session::WaitForWindow(const std::string& class_name, Millis timeout) {
  for (Deadline deadline(timeout);; Pause()) {
    if (Window found = FindTopLevelWindow(class_name, process_.Pid())) return found;
    if (!process_.Running() || deadline.Passed())
      Fail("no window of class " + class_name + " within " + InMs(timeout));
  }
}

Window Session::WaitForAnyWindow(const std::string& class_name, Millis timeout) {
  for (Deadline deadline(timeout);; Pause()) {
    for (const Window& window : AllTopLevelWindows(process_.Pid()))
      if (SameClass(window.ClassName(), class_name)) return window;
    if (!process_.Running() || deadline.Passed())
      Fail("no window of class " + class_name + ", visible or hidden, within " + InMs(timeout));
  }
}

Window Session::WaitForWindowByCaption(const std::string& caption, Millis timeout) {
  for (Deadline deadline(timeout);; Pause()) {
    for (const Window& window : TopLevelWindows())
      if (window.Text() == caption) return window;
    if (!process_.Running() || deadline.Passed())
      Fail("no window captioned \"" + ToUtf8(caption) + "\" within " + InMs(timeout));
  }
}

void Session::WaitForWindowGone(const std::string& class_name, Millis timeout) {
  for (Deadline deadline(timeout); FindTopLevelWindow(class_name, process_.Pid()); Pause()) {
    if (deadline.Passed())
      Fail("the window of class " + class_name + " is still there after " + InMs(timeout));
  }
}

Window Session::OpenMessageBox() const {
  for (const Window& window : TopLevelWindows())
    if (window.IsMessageBox()) return window;
  return Window();
}

Window Session::AwaitMessageBox(Millis timeout, MessageBoxRecord& record) {
  for (Deadline deadline(timeout);; Pause()) {
    if (Window box = OpenMessageBox()) {
      // A box already recorded (waited for before being answered) is not recorded twice.
      auto seen = std::find(recorded_boxes_.begin(), recorded_boxes_.end(), box.Handle());
      if (seen != recorded_boxes_.end()) {
        record = transcript_[static_cast<std::size_t>(seen - recorded_boxes_.begin())];
      } else {
        record = ReadMessageBox(box);
        transcript_.push_back(record);
        recorded_boxes_.push_back(box.Handle());
      }
      return box;
    }
    if (!process_.Running() || deadline.Passed())
      Fail("no message box within " + InMs(timeout));
  }
}

MessageBoxRecord Session::WaitForMessageBox(Millis timeout) {
  MessageBoxRecord record;
  AwaitMessageBox(timeout, record);
  return record;
}

MessageBoxRecord Session::Answer(const std::string& button, Millis timeout) {
  MessageBoxRecord record;
  Window box = AwaitMessageBox(timeout, record);
  ClickMessageBoxButton(box, button, timeout);
  for (Deadline deadline(timeout); box && box.Visible(); Pause()) {
    if (deadline.Passed())
      Fail("the message box " + record.ToString() + " is still open after clicking " + button);
  }
  return record;
}

bool Session::WaitForExit(Millis timeout) { return process_.WaitForExit(timeout); }

void Session::RequireExit(Millis timeout) {
  if (!process_.WaitForExit(timeout)) Fail("the program still runs after " + InMs(timeout));
}

}  // namespace uidrv
