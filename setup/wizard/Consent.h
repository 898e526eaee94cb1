// The licence agreement shown before the settings page of a new installation.
// Modal result 1: accepted; 2: the user cancelled and confirmed the abort.
#pragma once

#include <string>

#include "ui/Form.h"

namespace kestra {

class TSetupAbortMsg;

class TConsentDlg : public TForm {
 public:
  explicit TConsentDlg(TSetupAbortMsg& abort_msg);

  enum ControlId { IdMemo2 = 100, IdMemo1, IdMemo3, IdRadioButton1, IdRadioButton2, IdButton2, IdButton1 };

  // ConsentState, and the tags of the two radio buttons that set it.
  static constexpr int kAccepted = 1;
  static constexpr int kNotAccepted = 2;
  int ConsentState = kNotAccepted;

 protected:
  void CreateControls() override;
  void FormCreate() override;
  void FormShow() override;
  void OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void RadioButton1Click(int tag);
  void Button2Click();
  void Button1Click();
  void CloseIfAbortConfirmed();

  TSetupAbortMsg& abort_msg_;
};

// The agreement text delivered with the product (resource "AGREEMENT", UTF-8),
// in code page 932 with CR LF line breaks.
std::string LoadAgreementText();

}  // namespace kestra
