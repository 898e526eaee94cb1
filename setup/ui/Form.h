// The base of every form: a top-level window of its own class (named after the
// form, so that it can be found by class), controls laid out in pixels, the
// show/close events, and modal showing with a nested message loop.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "system/Handles.h"
#include "ui/Controls.h"

namespace kestra {

// Modal results.
enum ModalResult : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrYes = 6,
  mrNo = 7,
};

// Border styles of the forms.
enum class FormBorder {
  Dialog,      // dialog frame, caption, no title-bar buttons
  Single,      // single fixed border, caption, no title-bar buttons
  ToolWindow,  // the hidden main form
  SystemMenu,  // single fixed border, caption with the system menu (close box)
};

class TForm {
 public:
  TForm(std::string class_name, std::string caption, int client_width, int client_height,
        FormBorder border = FormBorder::Dialog);
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;
  virtual ~TForm();

  // The window that owns the form (set before Create); none: the application
  // window. A dialog opened from another dialog is owned by it.
  void SetOwner(HWND owner) { owner_ = owner; }
  // Creates the window (hidden) and its controls, then runs FormCreate.
  void Create();
  HWND Handle() const { return hwnd_; }

  // Shows the form and runs a nested message loop until ModalResult is set.
  int ShowModal();
  // Shows the form modelessly (FormShow runs first).
  void Show();
  // Runs the show event without showing the window (a run without windows).
  void RunShowEvent();
  // Closes the form: ends a modal loop with mrCancel unless a result is set;
  // hides a modeless form. FormClose runs either way.
  void Close();
  bool Visible() const;

  int ModalResult = mrNone;

  void SetCaption(const std::string& caption);
  std::string Caption() const;

 protected:
  virtual void CreateControls() {}
  virtual void FormCreate() {}
  virtual void FormShow() {}
  virtual void FormClose() {}
  virtual bool CloseQuery() { return true; }
  // WM_COMMAND from a control (BN_CLICKED and the like).
  virtual void OnCommand(int /*id*/, int /*code*/, HWND /*control*/) {}
  // Everything else; return true when handled (result in *result).
  virtual bool OnMessage(UINT /*msg*/, WPARAM /*wparam*/, LPARAM /*lparam*/,
                         LRESULT* /*result*/) {
    return false;
  }

  // Control creation, in client pixels, with the form's font.
  TControl AddControl(const char* window_class, const std::string& text, DWORD style, int id,
                      int x, int y, int width, int height, DWORD ex_style = 0,
                      HWND parent = nullptr);
  TControl Item(int id) const { return TControl(::GetDlgItem(hwnd_, id)); }

  // The form's font: "ＭＳ Ｐゴシック", 12 pixels; bold and other sizes on request.
  HFONT Font() const { return font_.get() ? static_cast<HFONT>(font_.get()) : nullptr; }
  HFONT MakeFont(int pixel_height, bool bold);

  void SetPosition(int left, int top);
  void CenterOnScreen();

  // Answers WM_PAINT with the header band: a rectangle in the tooltip colour
  // with a black outline and rounded corners (corner: the rounding's diameter).
  void PaintHeaderBand(const RECT& band, int corner);

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam);
  void RegisterWindowClass() const;
  DWORD Style() const;
  DWORD ExStyle() const;

  std::string class_name_;
  std::string caption_;
  int client_width_;
  int client_height_;
  FormBorder border_;
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  GdiObject font_;
  std::vector<GdiObject> extra_fonts_;
  bool in_modal_loop_ = false;
};

}  // namespace kestra
