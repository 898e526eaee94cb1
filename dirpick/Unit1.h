// The main window of DIRPICK. In command mode ("-cmd") it is never shown: posted
// clicks open the folder dialog, then write the answer to standard output, and
// the window closes, which ends the program. Without "-cmd" it shows only its
// failure text and the close button.
#pragma once

#include <string>
#include <vector>

#include "ui/Form.h"

namespace dirpick {

// What the command line asks for. Every argument is examined in its turn, the
// program path (argument 0) included, compared exactly and case-sensitively.
struct DirPickOptions {
  bool any_arguments = false;  // more than the program path
  std::string start_folder;    // after "-S"; empty when "-S" is last or absent
  bool create_dir = false;     // "-CreateDir"
  bool command_mode = false;   // "-cmd"
};
DirPickOptions ParseDirPickArguments(const std::vector<std::string>& argv);

// The answer line: the folder chosen, or "NG", ended by CR LF.
std::string AnswerLine(const std::string& label_text);

class TForm1 : public kestra::TForm {
 public:
  explicit TForm1(std::vector<std::string> argv);

  enum ControlId { IdPanel1 = 100, IdCloseBtn, IdOpenBtn, IdLabel1, IdWriteBtn };

  // The options as FormCreate read them.
  const DirPickOptions& Options() const { return options_; }
  // Runs once when the message loop starts: posts the first click in command
  // mode, shows the window otherwise.
  void Start();

 protected:
  void CreateControls() override;
  void FormCreate() override;
  void FormClose() override;
  void OnCommand(int id, int code, HWND control) override;

 private:
  void OpenBtnClick();
  void WriteBtnClick();
  void CloseBtnClick();
  // Posts a mouse click (button down, then up) to the control: it runs from
  // the message loop after the current step has returned.
  void PostClick(int id) const;

  std::vector<std::string> argv_;
  DirPickOptions options_;
};

}  // namespace dirpick
