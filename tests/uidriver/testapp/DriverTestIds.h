// What the driver's tests and their test program agree on: window classes,
// control ids, colours and texts of the program's form.
#pragma once

#include <windows.h>

namespace testapp {

inline constexpr char kFormClass[] = "TDriverTestForm";
inline constexpr char kFormCaption[] = "ドライバ試験";
inline constexpr char kLateFormClass[] = "TLateForm";
inline constexpr char kLateFormCaption[] = "遅れて開く";

enum ControlId : int {
  kEdit = 200,          // limited to kEditLimit characters; changes echo below
  kReadOnlyEdit = 201,
  kEcho = 202,          // the edit's text after each change
  kChangeCount = 203,   // "changes N": change notifications seen
  kEnableCheck = 300,   // enables kGatedButton while ticked
  kGatedButton = 301,
  kRadioRed = 310,
  kRadioGreen = 311,
  kRadioBlue = 312,
  kChoiceLabel = 320,   // painted in the chosen colour
  kRedLabel = 330,
  kPlainLabel = 331,    // default colour
  kHiddenButton = 340,
  kAskButton = 400,     // opens a Yes/No question box
  kAnswerLabel = 401,   // "answer N" after it
  kDefaultButton = 410, // the default button (Enter)
  kDefaultCount = 411,  // "default N"
  kOpenLaterButton = 420,   // opens TLateForm after kOpenLaterDelayMs
  kCloseLaterButton = 421,  // closes it after the same delay
  kFreezeButton = 430,      // busy for kFreezeMs without taking input
  kGroupBox = 440,
  kNestedEdit = 441,        // inside the group box
  kListView = 450,          // report view with check boxes: kListRows rows of three columns
  kListViewEcho = 451,      // "checks N": check box changes the program was told of
  kCombo = 460,             // drop-down list of drives
  kComboEcho = 461,         // "combo TEXT" after each change
  kListBox = 470,           // notifying list box of folders
  kListBoxEcho = 471,       // "select TEXT" or "open TEXT" after each notification
};

inline constexpr int kListRows = 30;

inline constexpr int kEditLimit = 12;
inline constexpr UINT_PTR kOpenLaterTimer = 1;
inline constexpr UINT_PTR kCloseLaterTimer = 2;
inline constexpr UINT kOpenLaterDelayMs = 300;
inline constexpr DWORD kFreezeMs = 3000;

inline constexpr COLORREF kRed = RGB(255, 0, 0);
inline constexpr COLORREF kGreen = RGB(0, 128, 0);
inline constexpr COLORREF kBlue = RGB(0, 0, 255);
inline constexpr COLORREF kDefaultChoiceColor = RGB(64, 64, 64);
inline constexpr COLORREF kCheckColor = RGB(128, 0, 128);
inline constexpr COLORREF kReadOnlyColor = RGB(0, 0, 160);
inline constexpr COLORREF kEditColor = RGB(0, 96, 0);
inline constexpr COLORREF kButtonColor = RGB(160, 80, 0);

// Answered by the form: wParam * 2.
inline constexpr UINT kDoubleMessage = WM_APP + 1;
// Handled after kFreezeMs (a program that does not answer in time).
inline constexpr UINT kStallMessage = WM_APP + 2;

inline constexpr char kAskText[] = "続けますか？\r\n二行目";
inline constexpr char kAskCaption[] = "確認";

}  // namespace testapp
