// The application object: its hidden window (which owns every message box and
// dialog and carries the title shown in the taskbar), the message loop, and the
// one place where message boxes are shown.
#pragma once

#include <windows.h>

#include <string>

#include "system/MessageCatalogue.h"

namespace kestra {

class TForm;

class TApplication {
 public:
  // Registers the window classes and creates the hidden application window.
  void Initialize(HINSTANCE instance);
  HINSTANCE Instance() const { return instance_; }
  HWND Handle() const { return handle_; }

  void SetTitle(const std::string& title);
  const std::string& Title() const { return title_; }

  // Shows the main form (its show event runs the run) and handles messages
  // until Terminate is called. An unattended run never shows the main form.
  void Run(TForm& main_form);
  // Handles messages until Terminate is called (the main window shows itself).
  void RunLoop();
  // Asks the message loop to end; the process then exits.
  void Terminate();
  bool Terminated() const;

  void ProcessMessages();

  // Every message box of the program goes through here: the catalogue's entry
  // shown with MessageBoxA owned by the application window. Returns the button
  // chosen (IDOK, IDYES, ...). In an unattended run no box appears: the entry's
  // silent answer is taken. Either way the message and its answer go to the
  // run's log, and the entry's exit code, when its answer calls for it,
  // becomes the run's.
  int Show(const Message& message);

  // A run without windows (-SILENT, -VERYSILENT): messages are answered for
  // the user; the network index question as index_overwrite says.
  void SetUnattended(bool unattended, bool index_overwrite = true);
  bool Unattended() const { return unattended_; }

 private:
  HINSTANCE instance_ = nullptr;
  HWND handle_ = nullptr;
  std::string title_;
  bool terminate_posted_ = false;
  bool unattended_ = false;
  bool index_overwrite_ = true;
};

extern TApplication Application;

}  // namespace kestra
