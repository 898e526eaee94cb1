// Readable forms of what the driver saw: UTF-8 for failure output, and the
// window listings used by failures and by `uidrv dump`.
#include <algorithm>
#include <ostream>
#include <sstream>

#include "Report.h"
#include "UiDriver.h"

namespace uidrv {

namespace detail {

std::string ReportText(HWND hwnd) {
  constexpr UINT kBriefly = 300;  // ms
  std::string text(1024, '\0');
  DWORD_PTR got = 0;
  if (::SendMessageTimeoutA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                            SMTO_ABORTIFHUNG, kBriefly, &got)) {
    text.resize(std::min<std::size_t>(got, text.size()));
    return text;
  }
  // Not answering: the caption as the window server holds it (no message sent).
  const int length = ::GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(length, 0)));
  return text;
}

std::string DescribeForReport(HWND hwnd) {
  char class_name[256] = {};
  ::GetClassNameA(hwnd, class_name, sizeof class_name);
  return std::string(class_name) + " \"" + ToUtf8(ReportText(hwnd)) + "\" (id " +
         std::to_string(::GetDlgCtrlID(hwnd)) + ")";
}

}  // namespace detail

std::string ToUtf8(const std::string& cp932) {
  if (cp932.empty()) return cp932;
  const int wide_length =
      ::MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  ::MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), wide.data(),
                        wide_length);
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0,
                                           nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, utf8.data(), length, nullptr,
                        nullptr);
  return utf8;
}

namespace {

// Line breaks and tabs made visible, so a record stays on one line.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '"': out += "\\\""; break;
      default: out += c;
    }
  }
  return out;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : " ") + part;
  return out;
}

}  // namespace

std::string MessageBoxRecord::ToString() const {
  return "[" + ToUtf8(caption) + "] \"" + ToUtf8(Escaped(text)) + "\" {" + Joined(buttons) +
         "} icon=" + icon;
}

void PrintTo(const MessageBoxRecord& record, std::ostream* out) { *out << record.ToString(); }

std::string Session::TranscriptText() const {
  std::string text;
  for (const MessageBoxRecord& record : transcript_) text += "  " + record.ToString() + "\n";
  return text.empty() ? "  (no message box)\n" : text;
}

namespace {

std::string Flags(const Window& window) {
  std::string flags;
  if (!window.Visible()) flags += " hidden";
  if (!window.Enabled()) flags += " disabled";
  return flags;
}

bool IsButton(const Window& window) {
  return ::lstrcmpiA(window.ClassName().c_str(), "Button") == 0;
}

bool IsTicked(const Window& button) {
  DWORD_PTR state = 0;
  return ::SendMessageTimeoutA(button.Handle(), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 300,
                               &state) &&
         state == BST_CHECKED;
}

void DescribeControls(const Window& parent, std::ostringstream& out) {
  for (const Window& child : parent.Children()) {
    out << "    " << child.ClassName() << " id " << child.Id() << " \""
        << Escaped(detail::ReportText(child.Handle())) << "\"" << Flags(child);
    if (IsButton(child) && IsTicked(child)) out << " checked";
    out << "\n";
  }
}

void DescribeWindow(const Window& window, bool with_controls, std::ostringstream& out) {
  out << "  " << window.ClassName() << " \"" << Escaped(detail::ReportText(window.Handle()))
      << "\" pid "
      << window.ProcessId() << Flags(window);
  if (window.IsMessageBox()) {
    MessageBoxRecord box;
    box.text = detail::ReportText(window.ChildById(0xFFFF).Handle());
    for (const Window& child : window.Children())
      if (IsButton(child) && child.Visible())
        box.buttons.push_back(detail::ReportText(child.Handle()));
    out << ": message \"" << Escaped(box.text) << "\" {" << Joined(box.buttons) << "}";
  }
  out << "\n";
  if (with_controls) DescribeControls(window, out);
}

}  // namespace

std::string DescribeWindows(DWORD pid, bool with_controls) {
  std::ostringstream out;
  for (const Window& window : VisibleTopLevelWindows(pid)) {
    // A listing often explains a failure: a window that does not answer (or
    // vanishes meanwhile) must not replace that failure with its own.
    std::ostringstream one;
    try {
      DescribeWindow(window, with_controls, one);
      out << one.str();
    } catch (const std::exception& e) {
      out << one.str() << " (" << e.what() << ")\n";
    }
  }
  std::string text = out.str();
  return text.empty() ? "  (no visible window)\n" : text;
}

}  // namespace uidrv
