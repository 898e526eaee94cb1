#include "wizard/Consent.h"

#include <windows.h>

#include "system/ProductTable.h"
#include "ui/Application.h"
#include "wizard/SetupAbort.h"

namespace kestra {

TConsentDlg::TConsentDlg(TSetupAbortMsg& abort_msg)
    : TForm("TConsentDlg", "使用許諾", 473, 381, FormBorder::Dialog), abort_msg_(abort_msg) {}

void TConsentDlg::CreateControls() {
  // The two explanatory texts are static: they never take the focus, so the
  // agreement is the only text that can.
  AddControl("STATIC",
             "以下のライセンス契約をお読み下さい。契約の残りの部分を読むには、Page Down \r\n"
             "キーを押して下さい。",
             WS_VISIBLE | SS_LEFT | SS_NOPREFIX, IdMemo2, 12, 8, 452, 36);
  AddControl("EDIT", "",
             WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
             IdMemo1, 12, 48, 449, 212, WS_EX_CLIENTEDGE);
  AddControl("STATIC", "", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, IdMemo3, 12, 266, 452, 36);
  // Plain (not automatic) radio buttons: the choice changes only on a click.
  AddControl("BUTTON", "承諾します。", WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_RADIOBUTTON,
             IdRadioButton1, 24, 305, 200, 18);
  AddControl("BUTTON", "承諾しません。", WS_VISIBLE | BS_RADIOBUTTON, IdRadioButton2, 24, 325,
             200, 18);
  AddControl("BUTTON", "次へ(&N)  >", WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON,
             IdButton2, 290, 348, 82, 25);
  AddControl("BUTTON", "キャンセル", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IdButton1, 380, 348,
             82, 25);
}

void TConsentDlg::FormCreate() {
  Item(IdMemo3).SetText(std::string(kProduct.title) +
                        " をインストールするには、前述ライセンス契約の全ての\r\n"
                        "条項を承諾していただく必要があります。");
  Item(IdMemo1).SetText(LoadAgreementText());
}

void TConsentDlg::FormShow() {
  Item(IdMemo1).SetFocus();
  ::SendMessageA(Item(IdMemo1).Handle(), EM_SETSEL, 0, 0);
  // A radio button that receives the focus on the way reports itself clicked:
  // the state is settled after the focus has arrived in the agreement.
  Item(IdRadioButton1).SetChecked(false);
  Item(IdRadioButton2).SetChecked(false);
  ConsentState = kNotAccepted;
  Item(IdButton2).SetEnabled(false);
}

void TConsentDlg::RadioButton1Click(int tag) {
  Item(IdRadioButton1).SetChecked(tag == kAccepted);
  Item(IdRadioButton2).SetChecked(tag == kNotAccepted);
  if (tag == kAccepted) {
    ConsentState = kAccepted;
    Item(IdButton2).SetEnabled(true);
  } else if (tag == kNotAccepted) {
    ConsentState = kNotAccepted;
    Item(IdButton2).SetEnabled(false);
  }
}

void TConsentDlg::CloseIfAbortConfirmed() {
  if (abort_msg_.ShowModal() == mrAbort) ModalResult = mrCancel;
}

void TConsentDlg::Button2Click() {
  if (ConsentState == kAccepted)
    ModalResult = mrOk;
  else
    CloseIfAbortConfirmed();
}

void TConsentDlg::Button1Click() { CloseIfAbortConfirmed(); }

void TConsentDlg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case IdRadioButton1:
      RadioButton1Click(kAccepted);
      break;
    case IdRadioButton2:
      RadioButton1Click(kNotAccepted);
      break;
    case IdButton2:
      // Enter reaches here too (default button), also while it is disabled.
      if (Item(IdButton2).Enabled()) Button2Click();
      break;
    case IdButton1:
    case IDCANCEL:
      Button1Click();
      break;
    default:
      break;
  }
}

bool TConsentDlg::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) {
  if (msg != WM_CLOSE) return false;
  // Closing the window is a cancel like any other: it asks first.
  Button1Click();
  *result = 0;
  return true;
}

std::string LoadAgreementText() {
  HINSTANCE instance = Application.Instance();
  HRSRC found = ::FindResourceA(instance, "AGREEMENT", MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  if (!found) return std::string();
  HGLOBAL loaded = ::LoadResource(instance, found);
  const char* data = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
  if (!data) return std::string();
  std::string utf8(data, ::SizeofResource(instance, found));
  if (utf8.size() >= 3 && utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) utf8.erase(0, 3);

  int wide_length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                          nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        wide_length);
  // The edit control wants CR LF; the file may have either.
  std::wstring crlf;
  for (wchar_t c : wide) {
    if (c == L'\r') continue;
    if (c == L'\n') crlf += L'\r';
    crlf += c;
  }
  int length = ::WideCharToMultiByte(932, 0, crlf.data(), static_cast<int>(crlf.size()), nullptr,
                                     0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(932, 0, crlf.data(), static_cast<int>(crlf.size()), text.data(), length,
                        nullptr, nullptr);
  return text;
}

}  // namespace kestra
