// Answers the message boxes this test process shows, from a second thread, and
// records what each box said: the engine shows its boxes on the GUI thread and
// waits in them, as it does for a user.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ExpectedBoxes.h"

namespace enginetest {

struct SeenBox {
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;  // texts of the buttons, in order
  std::string icon;                  // "error", "warning", "information", "question", "none"
  int default_button = 0;            // IDYES, IDNO, IDOK ...
};

// The box seen is the one expected: caption, text, icon and the number of
// buttons (their texts here are the system's, in the user's language).
void ExpectBox(const SeenBox& seen, const expected::Box& box);

class BoxAnswerer {
 public:
  // Every box is answered with the button of this id (IDOK, IDYES, IDNO).
  explicit BoxAnswerer(int answer);
  ~BoxAnswerer();
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  std::vector<SeenBox> Seen() const;

 private:
  void Watch();
  void Answer(HWND box);

  int answer_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<SeenBox> seen_;
  std::vector<HWND> answered_;
  std::thread thread_;
};

}  // namespace enginetest
